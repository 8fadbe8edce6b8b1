#include "ProfileWriter.h"

#include "FileReplacer.h"
#include "FolderLock.h"
#include "ProfileCache.h"
#include "ProfileSyntax.h"
#include "TextCodec.h"
#include "TextLines.h"
#include "TextUtil.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using ProfileSyntax::Kind;

struct Span {
    qsizetype begin = -1, end = -1, next = -1;
    bool valid() const { return begin >= 0; }
    bool hasBreak() const { return next > end; }
};

Span SpanOf(const CTextLines::Line& line) {
    return {line.begin, line.end, line.next};
}

// Code unit at `offset` of the payload; see CTextLines for why units are enough.
unsigned UnitAt(QByteArrayView bytes, qsizetype offset, CTextCodec::Encoding encoding) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + offset;
    switch (encoding) {
    case CTextCodec::Encoding::Utf16LE:
        return (unsigned(p[1]) << 8) | p[0];
    case CTextCodec::Encoding::Utf16BE:
        return (unsigned(p[0]) << 8) | p[1];
    default:
        return p[0];
    }
}

// Where the value of an entry line starts: after its first '=' and the blanks after that.
// '=' and the blanks are below 0x40: never part of a multi-byte character, never swallowed by
// a broken sequence (see CTextCodec), so the first '=' unit in the bytes is the '=' the
// decoded line was split at.
qsizetype ValueStart(QByteArrayView payload, const Span& line, CTextCodec::Encoding encoding,
                     int unit) {
    qsizetype pos = line.begin;
    while (pos < line.end && UnitAt(payload, pos, encoding) != '=')
        pos += unit;
    pos += unit;
    while (pos < line.end) {
        const unsigned u = UnitAt(payload, pos, encoding);
        if (u != ' ' && u != '\t' && u != '\v')
            break;
        pos += unit;
    }
    return std::min(pos, line.end);
}

// Windows writes whatever it is given, so a line break in a value starts lines of its own
// ("a\r\n[other]" adds a section) and a key holding '=' reads back as another key. Such text
// would change the file's structure rather than set one value: refuse it.
bool KeepsOneLine(QStringView section, QStringView key, QStringView value) {
    const auto hasBreak = [](QStringView s) { return s.contains(u'\r') || s.contains(u'\n'); };
    if (hasBreak(section) || hasBreak(key) || hasBreak(value))
        return false;
    // "[a]b]" would read back as section "a"; a key "[k" would make its line a header.
    return !section.contains(u']') && !key.contains(u'=') && !key.startsWith(u'[');
}

// Windows' read-only attribute stops every user; a file without any write permission bit
// is its counterpart here, refused even to root, who passes access() regardless.
bool IsWritable(const QByteArray& path, const struct stat& st) {
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0 &&
           ::access(path.constData(), W_OK) == 0;
}

// The file a write lands in: a symbolic link is followed, so the link stays and its target
// is replaced. Empty when the path cannot be resolved.
QString WriteTarget(const QString& absolute) {
    struct stat lst;
    if (::lstat(QFile::encodeName(absolute).constData(), &lst) != 0 || !S_ISLNK(lst.st_mode))
        return absolute;
    const QFileInfo info(absolute);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.symLinkTarget() : canonical; // dangling: its target
}

QString& LastErrorText() {
    thread_local QString text;
    return text;
}

std::function<void(const QString&)>& BeforeReplaceHook() {
    static std::function<void(const QString&)> hook;
    return hook;
}

QString SystemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Fails the write with a reason.
bool Fail(const QString& reason) {
    LastErrorText() = reason;
    return false;
}

// How many times a write starts over because another program changed the file under it.
constexpr int kMaxAttempts = 5;

// The file as one attempt found it.
struct FileState {
    bool exists = false;
    struct stat st {};
    QByteArray bytes;
};

// Reads the target for an edit: always from disk, never the cache. False with a reason when
// it cannot be edited.
bool ReadState(const QString& target, FileState& state, QString& reason) {
    const QByteArray native = QFile::encodeName(target);
    state = FileState();
    if (::stat(native.constData(), &state.st) != 0) {
        if (errno != ENOENT) {
            reason = SystemError(errno);
            return false;
        }
        return true; // created by the write
    }
    state.exists = true;
    if (!S_ISREG(state.st.st_mode)) {
        reason = QStringLiteral("not a regular file");
        return false;
    }
    if (!IsWritable(native, state.st)) {
        reason = SystemError(EACCES);
        return false;
    }
    CRegularFile::Status status;
    int error = 0;
    if (!CRegularFile::Read(target, state.bytes, nullptr, &status, &error)) {
        reason = status == CRegularFile::Status::TooLarge ? QStringLiteral("the file is too large")
                 : error != 0                             ? SystemError(error)
                                                          : QStringLiteral("not a regular file");
        return false;
    }
    return true;
}

// Whether the path still names the file a write read: the same inode, unchanged since; or,
// for a file that did not exist, still nothing.
bool IsStillCurrent(const QString& target, const FileState& state) {
    struct stat now;
    if (::stat(QFile::encodeName(target).constData(), &now) != 0)
        return !state.exists && errno == ENOENT;
    return state.exists && now.st_dev == state.st.st_dev && now.st_ino == state.st.st_ino &&
           now.st_size == state.st.st_size && now.st_mtim.tv_sec == state.st.st_mtim.tv_sec &&
           now.st_mtim.tv_nsec == state.st.st_mtim.tv_nsec;
}

// One read, edit and replace under the folder's lock.
CFileReplacer::Result Attempt(const QString& target, QStringView section, QStringView key,
                              QStringView value, QString& reason) {
    FileState state;
    if (!ReadState(target, state, reason))
        return CFileReplacer::Result::Failed;
    const std::optional<QByteArray> edited =
        CProfileWriter::Edit(state.bytes, section, key, value, &reason);
    if (!edited)
        return CFileReplacer::Result::Failed;
    if (BeforeReplaceHook())
        BeforeReplaceHook()(target);
    return CFileReplacer::Replace(
        target, *edited, state.exists ? &state.st : nullptr, state.bytes,
        [&] { return IsStillCurrent(target, state); }, reason);
}

} // namespace

std::optional<QByteArray> CProfileWriter::Edit(const QByteArray& bytes, QStringView sectionArg,
                                               QStringView keyArg, QStringView value,
                                               QString* reason) {
    const auto refuse = [reason](const char* why) {
        if (reason)
            *reason = QString::fromUtf8(why);
        return std::nullopt;
    };
    const QStringView section = ProfileSyntax::TrimSpaces(ProfileSyntax::CutAtNul(sectionArg));
    const QStringView key = ProfileSyntax::TrimSpaces(ProfileSyntax::CutAtNul(keyArg));
    value = ProfileSyntax::CutAtNul(value);
    if (!KeepsOneLine(section, key, value))
        return refuse("the text would change the file's structure (a line break, '=' in the "
                      "key, a key starting with '[' or ']' in the section name)");

    // An empty (new) file gets UTF-8 without BOM, which Detect gives for no bytes.
    const CTextCodec::Encoding encoding = CTextCodec::Detect(bytes);
    const qsizetype bomSize = CTextCodec::Bom(encoding).size();
    const QByteArrayView payload = QByteArrayView(bytes).sliced(bomSize);
    const CTextCodec codec(encoding);
    const int unit = codec.unitSize();
    if (payload.size() % unit != 0)
        return refuse("the file is damaged (UTF-16 text of an odd number of bytes)");
    const QStringView lineEnd =
        CTextCodec::LineEndText(CTextCodec::DominantLineEnd(payload, encoding));

    // Find the first section of that name; in it, the last entry line and the first line
    // that sets the key.
    Span header, lastEntry, keyLine;
    {
        CTextLines lines(payload, encoding);
        CTextLines::Line line;
        while (lines.next(line)) {
            const ProfileSyntax::Line parsed = ProfileSyntax::Parse(line.text);
            if (!header.valid()) {
                if (parsed.kind == Kind::Header && Text::EqualNoCase(parsed.name, section)) {
                    header = SpanOf(line);
                    lastEntry = header;
                }
                continue;
            }
            if (parsed.kind == Kind::Header)
                break;
            if (parsed.kind == Kind::Entry || parsed.kind == Kind::Text)
                lastEntry = SpanOf(line);
            if (parsed.kind == Kind::Entry && Text::EqualNoCase(parsed.name, key)) {
                keyLine = SpanOf(line);
                break;
            }
        }
    }

    QString added;
    qsizetype replaceBegin, replaceEnd;
    if (keyLine.valid()) {
        replaceBegin = ValueStart(payload, keyLine, encoding, unit);
        replaceEnd = keyLine.end;
        added.append(value);
        if (!keyLine.hasBreak())
            added.append(lineEnd);
    } else if (header.valid()) {
        replaceBegin = replaceEnd = lastEntry.next;
        if (!lastEntry.hasBreak())
            added.append(lineEnd);
        added.append(key).append(u'=').append(value).append(lineEnd);
    } else {
        replaceBegin = replaceEnd = payload.size();
        const bool endsWithBreak = payload.isEmpty() ||
                                   UnitAt(payload, payload.size() - unit, encoding) == '\n' ||
                                   UnitAt(payload, payload.size() - unit, encoding) == '\r';
        if (!endsWithBreak)
            added.append(lineEnd);
        added.append(u'[').append(section).append(u']').append(lineEnd);
        added.append(key).append(u'=').append(value).append(lineEnd);
    }

    QByteArray encoded;
    if (!codec.encode(added, encoded))
        return refuse(encoding == CTextCodec::Encoding::Cp932
                          ? "the file's encoding (CP932) cannot hold a character of the text"
                          : "the file's encoding cannot hold a character of the text");
    QByteArray result;
    result.reserve(bytes.size() - (replaceEnd - replaceBegin) + encoded.size());
    result.append(QByteArrayView(bytes).first(bomSize + replaceBegin));
    result.append(encoded);
    result.append(QByteArrayView(bytes).sliced(bomSize + replaceEnd));
    return result;
}

bool CProfileWriter::Write(QStringView section, QStringView key, QStringView value,
                           const QString& path) {
    LastErrorText().clear();
    const QString absolute = CProfileCache::AbsolutePath(path);
    if (absolute.isEmpty())
        return Fail(SystemError(ENOENT));
    // A name the system's encoding cannot give back unchanged would land in another file.
    if (QFile::decodeName(QFile::encodeName(absolute)) != absolute)
        return Fail(QStringLiteral("the file name cannot be represented in the system's encoding"));
    const QString target = WriteTarget(absolute);
    if (target.isEmpty())
        return Fail(SystemError(ENOENT));
    const QString folder = QFileInfo(target).absolutePath();
    if (!QFileInfo(folder).isDir())
        return Fail(SystemError(ENOENT)); // a missing folder is not created

    CFileReplacer::Result result = CFileReplacer::Result::Changed;
    QString reason;
    {
        const CFolderLock lock(folder, CFolderLock::Mode::Exclusive);
        if (!lock.isHeld()) {
            return Fail(lock.error() == EWOULDBLOCK
                            ? QStringLiteral("the lock on the folder could not be had: another "
                                             "write holds it")
                            : QStringLiteral("the lock on the folder could not be had: ") +
                                  SystemError(lock.error()));
        }
        for (int attempt = 0; attempt < kMaxAttempts && result == CFileReplacer::Result::Changed;
             ++attempt)
            result = Attempt(target, section, key, value, reason);
    }
    // After the lock is gone: a reader of this process may wait for it while holding the cache.
    CProfileCache::Instance().drop(absolute);
    CProfileCache::Instance().drop(target);
    if (result == CFileReplacer::Result::Changed)
        return Fail(QStringLiteral("the file kept changing during the write"));
    return result == CFileReplacer::Result::Done || Fail(reason);
}

QString CProfileWriter::LastError() {
    return LastErrorText();
}

void CProfileWriter::SetBeforeReplaceHook(std::function<void(const QString&)> hook) {
    BeforeReplaceHook() = std::move(hook);
}

bool CProfileWriter::CanHold(const QString& path, QStringView text) {
    QByteArray bytes;
    if (!CRegularFile::Read(path, bytes))
        bytes.clear();
    QByteArray encoded;
    return CTextCodec(CTextCodec::Detect(bytes)).encode(text, encoded);
}
