#include "compare/MergeMarkers.h"

#include "platform/ProfileEditRules.h"
#include "platform/ProfileSyntax.h"
#include "platform/TextCodec.h"
#include "platform/TextLines.h"
#include "platform/TextUtil.h"

#include <QHash>
#include <QSet>
#include <QStringList>

namespace {

using ProfileSyntax::Kind;

class Marker {
public:
    explicit Marker(const QByteArray& bytes)
        : m_encoding(CTextCodec::Detect(bytes)), m_codec(m_encoding) {
        const QByteArrayView payload =
            QByteArrayView(bytes).sliced(CTextCodec::Bom(m_encoding).size());
        m_codec.encode(CTextCodec::LineEndText(CTextCodec::DominantLineEnd(payload, m_encoding)),
                       m_lineEnd);
    }

    CTextCodec::Encoding encoding() const { return m_encoding; }
    const QByteArray& lineEnd() const { return m_lineEnd; }

    // Theirs' line of the key: ours' line up to its value with theirs' value, or key=value
    // when ours lacks it; empty when theirs lacks it. False when the encoding cannot hold it.
    bool theirsLine(const CMergeConflict& conflict, QByteArrayView oursLine,
                    QByteArray& line) const {
        line.clear();
        if (!conflict.theirs)
            return true;
        if (!oursLine.isEmpty()) {
            QByteArray value;
            if (!m_codec.encode(*conflict.theirs, value))
                return false;
            line =
                oursLine.first(ProfileEditRules::ValueStart(oursLine, m_encoding)).toByteArray() +
                value;
            return true;
        }
        return m_codec.encode(conflict.key + u'=' + *conflict.theirs, line);
    }

    bool encode(const QString& text, QByteArray& out) const { return m_codec.encode(text, out); }

    // The lines of both sides between the marker lines, without a break after the last.
    QByteArray block(const std::vector<QByteArray>& ours,
                     const std::vector<QByteArray>& theirs) const {
        QByteArray out = text(u"<<<<<<< ours");
        for (const QByteArray& line : ours)
            out += m_lineEnd + line;
        out += m_lineEnd + text(u"=======");
        for (const QByteArray& line : theirs)
            out += m_lineEnd + line;
        out += m_lineEnd + text(u">>>>>>> theirs");
        return out;
    }

private:
    QByteArray text(QStringView s) const {
        QByteArray out;
        m_codec.encode(s, out);
        return out;
    }

    CTextCodec::Encoding m_encoding;
    CTextCodec m_codec;
    QByteArray m_lineEnd;
};

// One line of the file as the markers need it.
struct Line {
    CTextLines::Line range;
    Kind kind;
    QString key; // folded, for an entry line
};

std::vector<QByteArray> NonEmpty(const QByteArray& line) {
    return line.isEmpty() ? std::vector<QByteArray>{} : std::vector<QByteArray>{line};
}

} // namespace

QByteArray CMergeMarkers::Apply(const QByteArray& bytes,
                                const std::vector<CMergeConflict>& conflicts, int* marked) {
    int count = 0;
    // The conflicts by folded section name, in their order.
    QHash<QString, std::vector<const CMergeConflict*>> bySection;
    QStringList order;
    for (const CMergeConflict& conflict : conflicts) {
        if (conflict.key.isEmpty())
            continue;
        const QString name = Text::FoldCase(conflict.section);
        if (!bySection.contains(name))
            order.append(name);
        bySection[name].push_back(&conflict);
    }
    const Marker marker(bytes);
    const qsizetype bomSize = CTextCodec::Bom(marker.encoding()).size();
    const QByteArrayView payload = QByteArrayView(bytes).sliced(bomSize);
    const auto bytesOf = [&](const CTextLines::Line& l) {
        return payload.sliced(l.begin, l.end - l.begin).toByteArray();
    };
    QByteArray out = QByteArrayView(bytes).first(bomSize).toByteArray();
    QSet<QString> seen;
    std::vector<Line> block;
    QString name;
    bool endsWithBreak = true;
    // Writes one block of lines: the lines before the first header, or one section's.
    const auto flush = [&] {
        std::vector<QByteArray> replaced(block.size()), after(block.size());
        const bool first = !name.isNull() && !seen.contains(name);
        if (!name.isNull())
            seen.insert(name);
        if (first && bySection.contains(name)) {
            size_t lastEntry = 0;
            for (size_t i = 1; i < block.size(); ++i) {
                if (block[i].kind == Kind::Entry || block[i].kind == Kind::Text)
                    lastEntry = i;
            }
            for (const CMergeConflict* conflict : bySection.value(name)) {
                const QString key = Text::FoldCase(conflict->key);
                const auto at = std::find_if(block.begin() + 1, block.end(), [&](const Line& l) {
                    return l.kind == Kind::Entry && l.key == key;
                });
                const bool present = conflict->ours && at != block.end();
                const size_t line = present ? size_t(at - block.begin()) : lastEntry;
                const QByteArray oursLine = present ? bytesOf(block[line].range) : QByteArray();
                QByteArray theirsLine;
                if (!marker.theirsLine(*conflict, oursLine, theirsLine))
                    continue;
                ++count;
                const QByteArray made = marker.block(NonEmpty(oursLine), NonEmpty(theirsLine));
                if (present)
                    replaced[line] = made;
                else
                    after[line] += marker.lineEnd() + made;
            }
        }
        for (size_t i = 0; i < block.size(); ++i) {
            const CTextLines::Line& l = block[i].range;
            out += replaced[i].isEmpty() ? bytesOf(l) : replaced[i];
            out += after[i]; // each block starts with the line end that ends this line
            out += payload.sliced(l.end, l.next - l.end).toByteArray();
            endsWithBreak = l.hasBreak();
        }
        block.clear();
    };
    CTextLines reader(payload, marker.encoding());
    CTextLines::Line line;
    while (reader.next(line)) {
        const ProfileSyntax::Line parsed = ProfileSyntax::Parse(line.text);
        if (parsed.kind == Kind::Header) {
            flush();
            name = Text::FoldCase(parsed.name);
        }
        block.push_back({line, parsed.kind,
                         parsed.kind == Kind::Entry ? Text::FoldCase(parsed.name) : QString()});
    }
    flush();
    // Sections ours lacks: one block each at the end, theirs' part under the section's header.
    for (const QString& section : order) {
        if (seen.contains(section))
            continue;
        const std::vector<const CMergeConflict*>& list = bySection.value(section);
        std::vector<QByteArray> theirs(1);
        if (!marker.encode(u'[' + list.front()->section + u']', theirs.front()))
            continue;
        for (const CMergeConflict* conflict : list) {
            QByteArray theirsLine;
            if (conflict->theirs && marker.theirsLine(*conflict, {}, theirsLine)) {
                theirs.push_back(theirsLine);
                ++count;
            }
        }
        if (theirs.size() == 1)
            continue;
        if (!endsWithBreak)
            out += marker.lineEnd();
        out += marker.block({}, theirs) + marker.lineEnd();
        endsWithBreak = true;
    }
    if (marked)
        *marked = count;
    return out;
}
