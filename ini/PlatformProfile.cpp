#include "ini/PlatformProfile.h"

#include "ini/IniData.h"
#include "ini/IniSectionData.h"
#include "ini/SectionSink.h"
#include "platform/ProfileCache.h"
#include "platform/ProfileSnapshot.h"
#include "platform/ProfileSyntax.h"
#include "platform/TextCodec.h"
#include "platform/TextLines.h"
#include "platform/TextUtil.h"

#include <QHash>
#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// A names list or a section's lines this long (each item with its NUL) fills its buffer,
// which the readers report as a list that does not fit.
constexpr qsizetype kNamesFull = CIniData::kNamesBufferSize - 2;
constexpr qsizetype kLinesFull = CIniSectionData::kLinesBufferSize - 2;

// Hands the memory of bytes[from, to) back to the system, whole pages only, and returns to.
// The pass never reads bytes it has decoded again, so a large file's bytes need not stay
// resident beside the model being built from them: the peak is the model, not the model and
// the file. The pages read as zeros afterwards, which no one looks at.
qsizetype ForgetBytes(QByteArray& bytes, qsizetype from, qsizetype to) {
    static const std::uintptr_t page = std::uintptr_t(::sysconf(_SC_PAGESIZE));
    const auto begin = reinterpret_cast<std::uintptr_t>(bytes.data() + from);
    const auto end = reinterpret_cast<std::uintptr_t>(bytes.data() + to);
    const std::uintptr_t first = (begin + page - 1) / page * page, last = end / page * page;
    if (first < last)
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
    return to;
}

// Bytes decoded between two ForgetBytes: a few hundred pages at a time.
constexpr qsizetype kForgetStep = qsizetype(1) << 20;

// One pass over a file's lines, telling the sink what the readers would. The names list holds
// every header with a name, in file order; a listed name reads the lines of the first
// section of that name (ignoring case), so a later one reads nothing of its own.
class CSectionWalk {
public:
    explicit CSectionWalk(CSectionSink& sink) : m_sink(sink) {}

    // Reads the file's bytes, and gives their memory back as it goes (see ForgetBytes).
    bool Run(QByteArray& bytes, QString& errorText) {
        const CTextCodec::Encoding encoding = CTextCodec::Detect(bytes);
        const qsizetype bom = CTextCodec::Bom(encoding).size();
        CTextLines lines(QByteArrayView(bytes).sliced(bom), encoding);
        qsizetype forgotten = bom;
        QStringView text;
        while (lines.nextText(text)) {
            if (bom + lines.decodedSize() - forgotten >= kForgetStep)
                forgotten = ForgetBytes(bytes, forgotten, bom + lines.decodedSize());
            const ProfileSyntax::Line line = ProfileSyntax::Parse(text);
            switch (line.kind) {
            case ProfileSyntax::Kind::Header:
                Close();
                if (!Header(line.name, errorText))
                    return false;
                break;
            case ProfileSyntax::Kind::Entry:
                // key '=' value NUL
                if (m_open && Count(line.name.size() + line.value.size() + 2))
                    m_sink.AddLine(line.name, line.value);
                break;
            case ProfileSyntax::Kind::Text:
                if (m_open)
                    Count(line.name.size() + 1);
                break;
            case ProfileSyntax::Kind::Blank:
            case ProfileSyntax::Kind::Comment:
                break;
            }
        }
        Close();
        return !m_stopped;
    }

private:
    // False once the names list no longer fits: that fails the load whatever came before.
    bool Header(QStringView name, QString& errorText) {
        if (name.isEmpty()) // "[]" is never listed; its lines go nowhere
            return true;
        m_namesLength += name.size() + 1;
        if (m_namesLength >= kNamesFull) {
            m_sink.ForgetSections();
            errorText = QStringLiteral("バッファ不足です");
            m_stopped = true;
            return false;
        }
        if (m_stopped) // only the names still count
            return true;
        const QString listed = name.toString();
        if (!m_sink.BeginSection(listed, errorText)) {
            m_stopped = true;
            return true;
        }
        m_folded = Text::FoldCase(name);
        const auto first = m_firstLength.constFind(m_folded);
        if (first != m_firstLength.cend()) {
            // The first section of this name was left out (the sink takes no second one it
            // kept), and this name reads that section again.
            m_sink.EndSection(false, *first);
            return true;
        }
        m_open = true;
        m_length = 0;
        return true;
    }

    // Adds an item's characters to the open section; true while its lines still fit.
    bool Count(qsizetype characters) {
        m_length += characters;
        return m_length < kLinesFull;
    }

    void Close() {
        if (!m_open)
            return;
        m_open = false;
        m_firstLength.insert(m_folded, m_length);
        m_sink.EndSection(m_length < kLinesFull, m_length);
    }

    CSectionSink& m_sink;
    qsizetype m_namesLength = 0;
    bool m_stopped = false; // the sink refused a section
    bool m_open = false;    // lines go to the section m_folded names
    QString m_folded;
    qsizetype m_length = 0;                  // characters of its lines so far
    QHash<QString, qsizetype> m_firstLength; // folded name -> its first section's length
};

} // namespace

bool CPlatformProfile::ReadSections(const QString& path, CSectionSink& sink, QString& errorText) {
    // A version of the file pinned on this thread is what the calls read; go through them.
    if (CProfileSnapshot::Find(CProfileCache::AbsolutePath(path)) != nullptr)
        return CProfileAccess::ReadSections(path, sink, errorText);
    QByteArray bytes;
    CRegularFile::Status status = CRegularFile::Status::Missing;
    if (!CProfileCache::ReadWhole(path, bytes, &status))
        return ReadFailure(status, path, errorText);
    return CSectionWalk(sink).Run(bytes, errorText);
}

CProfileAccess& CProfileAccess::Platform() {
    static CPlatformProfile platform;
    return platform;
}
