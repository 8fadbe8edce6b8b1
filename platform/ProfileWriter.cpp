#include "ProfileWriter.h"

#include "ProfileCache.h"
#include "ProfileSyntax.h"
#include "TextCodec.h"
#include "TextLines.h"
#include "TextUtil.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
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

bool Save(const QString& target, const QByteArray& bytes, const struct stat* old) {
    QSaveFile file(target);
    // Never fall back to writing the file in place: a failure must leave the old file whole.
    file.setDirectWriteFallback(false);
    // Unbuffered: Qt's buffered flush takes a short write (a full disk, a file size limit)
    // for success and commits the truncated file; written directly, it shows in the count.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    for (qsizetype done = 0; done < bytes.size();) {
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0) {
            file.cancelWriting();
            return false; // the destructor removes the temporary file
        }
        done += n;
    }
    // QSaveFile carries the mode over; the owner too, where we may (root editing a user's
    // file must not leave it root's). Failing that, the file is ours, as any new file is.
    if (old) {
        const int changed = ::fchown(file.handle(), old->st_uid, old->st_gid);
        Q_UNUSED(changed);
    }
    // Some file systems report a full disk only when the data goes out; commit() ignores a
    // failed sync, so sync first.
    if (::fsync(file.handle()) != 0) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace

std::optional<QByteArray> CProfileWriter::Edit(const QByteArray& bytes, QStringView sectionArg,
                                               QStringView keyArg, QStringView value) {
    const QStringView section = ProfileSyntax::TrimSpaces(ProfileSyntax::CutAtNul(sectionArg));
    const QStringView key = ProfileSyntax::TrimSpaces(ProfileSyntax::CutAtNul(keyArg));
    value = ProfileSyntax::CutAtNul(value);
    if (!KeepsOneLine(section, key, value))
        return std::nullopt;

    // An empty (new) file gets UTF-8 without BOM, which Detect gives for no bytes.
    const CTextCodec::Encoding encoding = CTextCodec::Detect(bytes);
    const qsizetype bomSize = CTextCodec::Bom(encoding).size();
    const QByteArrayView payload = QByteArrayView(bytes).sliced(bomSize);
    const CTextCodec codec(encoding);
    const int unit = codec.unitSize();
    if (payload.size() % unit != 0)
        return std::nullopt;
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
        return std::nullopt;
    QByteArray result;
    result.reserve(bytes.size() - (replaceEnd - replaceBegin) + encoded.size());
    result.append(QByteArrayView(bytes).first(bomSize + replaceBegin));
    result.append(encoded);
    result.append(QByteArrayView(bytes).sliced(bomSize + replaceEnd));
    return result;
}

bool CProfileWriter::Write(QStringView section, QStringView key, QStringView value,
                           const QString& path) {
    const QString absolute = CProfileCache::AbsolutePath(path);
    if (absolute.isEmpty())
        return false;
    const QString target = WriteTarget(absolute);
    if (target.isEmpty())
        return false;
    const QByteArray nativeTarget = QFile::encodeName(target);

    // Always the file as it is now, never the cache.
    QByteArray bytes;
    struct stat st;
    const bool exists = ::stat(nativeTarget.constData(), &st) == 0;
    if (exists) {
        if (!S_ISREG(st.st_mode) || !IsWritable(nativeTarget, st))
            return false;
        if (!CRegularFile::Read(target, bytes))
            return false;
    } else if (errno != ENOENT || !QFileInfo(QFileInfo(target).absolutePath()).isDir()) {
        return false; // a missing folder is not created
    }

    const std::optional<QByteArray> edited = Edit(bytes, section, key, value);
    if (!edited)
        return false;
    const bool saved = Save(target, *edited, exists ? &st : nullptr);
    CProfileCache::Instance().drop(absolute);
    CProfileCache::Instance().drop(target);
    return saved;
}

bool CProfileWriter::CanHold(const QString& path, QStringView text) {
    QByteArray bytes;
    if (!CRegularFile::Read(path, bytes))
        bytes.clear();
    QByteArray encoded;
    return CTextCodec(CTextCodec::Detect(bytes)).encode(text, encoded);
}
