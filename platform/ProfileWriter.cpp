#include "ProfileWriter.h"

#include "FileReplacer.h"
#include "FolderLock.h"
#include "ProfileCache.h"
#include "ProfileEditPlan.h"
#include "ProfileEditRules.h"
#include "ProfileRemoval.h"
#include "ProfileSyntax.h"
#include "SystemPath.h"
#include "TextCodec.h"
#include "TextLines.h"
#include "TextUtil.h"
#include "WorkProgress.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
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

// What an edit made of a file's bytes: the bytes, or the plan that holds them in pieces, which
// the write puts out one after another rather than copying the whole file once more.
struct EditedBytes {
    QByteArray bytes;
    std::unique_ptr<CProfileEditPlan> plan;

    CFileReplacer::Pieces pieces() const {
        return plan ? plan->pieces() : CFileReplacer::Pieces{QByteArrayView(bytes)};
    }
};

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

// What a write does to the bytes it read: Write (into `edited`), Nothing to write, or Fail
// (with `reason`).
enum class EditOutcome { Write, Nothing, Fail };
using EditFunction =
    std::function<EditOutcome(const QByteArray& old, EditedBytes& edited, QString& reason)>;

// One read, edit and replace under the folder's lock.
CFileReplacer::Result Attempt(const QString& target, const EditFunction& edit, QString& reason) {
    FileState state;
    if (!ReadState(target, state, reason))
        return CFileReplacer::Result::Failed;
    EditedBytes edited;
    switch (edit(state.bytes, edited, reason)) {
    case EditOutcome::Nothing:
        return CFileReplacer::Result::Done;
    case EditOutcome::Fail:
        return CFileReplacer::Result::Failed;
    case EditOutcome::Write:
        break;
    }
    if (BeforeReplaceHook())
        BeforeReplaceHook()(target);
    return CFileReplacer::Replace(
        target, edited.pieces(), state.exists ? &state.st : nullptr, state.bytes,
        [&] { return IsStillCurrent(target, state); }, reason);
}

// The path checks and the locked attempts of a write; on failure `reason` says why.
bool WriteLocked(const QString& path, const EditFunction& edit, QString& reason) {
    const QString absolute = CProfileCache::AbsolutePath(path);
    if (absolute.isEmpty()) {
        reason = SystemError(ENOENT);
        return false;
    }
    // A name the system's encoding cannot give back unchanged would land in another file.
    if (const QString inexact = CSystemPath::InexactPart(absolute); !inexact.isEmpty()) {
        reason = QStringLiteral("the name cannot be represented exactly in the system's "
                                "encoding: ") +
                 inexact;
        return false;
    }
    const QString target = WriteTarget(absolute);
    const QString folder = QFileInfo(target).absolutePath();
    if (target.isEmpty() || !QFileInfo(folder).isDir()) {
        reason = SystemError(ENOENT); // a missing folder is not created
        return false;
    }

    CFileReplacer::Result result = CFileReplacer::Result::Changed;
    {
        const CFolderLock lock(folder, CFolderLock::Mode::Exclusive);
        if (!lock.isHeld()) {
            reason = lock.error() == EWOULDBLOCK
                         ? QStringLiteral("the lock on the folder could not be had: another "
                                          "write holds it")
                         : QStringLiteral("the lock on the folder could not be had: ") +
                               SystemError(lock.error());
            return false;
        }
        for (int attempt = 0; attempt < kMaxAttempts && result == CFileReplacer::Result::Changed;
             ++attempt)
            result = Attempt(target, edit, reason);
    }
    // After the lock is gone: a reader of this process may wait for it while holding the cache.
    CProfileCache::Instance().drop(absolute);
    CProfileCache::Instance().drop(target);
    if (result == CFileReplacer::Result::Changed)
        reason = QStringLiteral("the file kept changing during the write");
    return result == CFileReplacer::Result::Done;
}

} // namespace

namespace {

bool IsRemoval(const CProfileWriter::Change& change) {
    return change.kind != CProfileWriter::Change::Kind::Set;
}

// The removals changes[begin, end) make, in one go.
QByteArray RemoveMany(const QByteArray& bytes, const std::vector<CProfileWriter::Change>& changes,
                      size_t begin, size_t end, std::vector<QString>& reasons) {
    std::vector<CProfileRemoval::Target> targets;
    for (size_t i = begin; i < end; ++i)
        targets.push_back({changes[i].section, changes[i].key,
                           changes[i].kind == CProfileWriter::Change::Kind::RemoveSection});
    std::vector<QString> removalReasons;
    QByteArray result = CProfileRemoval::Apply(bytes, targets, removalReasons);
    std::copy(removalReasons.begin(), removalReasons.end(), reasons.begin() + qsizetype(begin));
    return result;
}

// The keys changes[begin, end) set, through edit plans, one as long as it can model the text.
// The last plan is left in `last` when nothing comes after it, its bytes not yet put together.
void SetMany(QByteArray& current, const std::vector<CProfileWriter::Change>& changes, size_t begin,
             size_t end, std::vector<QString>& reasons, std::unique_ptr<CProfileEditPlan>& last) {
    size_t i = begin;
    while (i < end) {
        auto plan = std::make_unique<CProfileEditPlan>(current);
        auto outcome = CProfileEditPlan::Outcome::Applied;
        while (i < end && (outcome == CProfileEditPlan::Outcome::Applied ||
                           outcome == CProfileEditPlan::Outcome::Refused)) {
            const CProfileWriter::Change& change = changes[i];
            outcome = plan->apply(change.section, change.key, change.value, reasons[i]);
            if (outcome != CProfileEditPlan::Outcome::Unsupported)
                ++i;
        }
        if (outcome != CProfileEditPlan::Outcome::Unsupported && i == end) {
            last = std::move(plan);
            return;
        }
        current = plan->bytes();
        if (outcome == CProfileEditPlan::Outcome::Unsupported) {
            const CProfileWriter::Change& change = changes[i];
            if (auto edited = CProfileWriter::Edit(current, change.section, change.key,
                                                   change.value, &reasons[i]))
                current = std::move(*edited);
            ++i;
        }
    }
}

// The changes applied as EditMany applies them, the result left in pieces where it can be.
EditedBytes EditAll(const QByteArray& bytes, const std::vector<CProfileWriter::Change>& changes,
                    std::vector<QString>& reasons) {
    reasons.assign(changes.size(), QString());
    EditedBytes edited;
    edited.bytes = bytes;
    // Runs of sets and runs of removals, each run in one go, in the order given.
    for (size_t begin = 0; begin < changes.size();) {
        size_t end = begin + 1;
        while (end < changes.size() && IsRemoval(changes[end]) == IsRemoval(changes[begin]))
            ++end;
        if (edited.plan) {
            edited.bytes = edited.plan->bytes();
            edited.plan.reset();
        }
        if (IsRemoval(changes[begin]))
            edited.bytes = RemoveMany(edited.bytes, changes, begin, end, reasons);
        else
            SetMany(edited.bytes, changes, begin, end, reasons, edited.plan);
        begin = end;
    }
    return edited;
}

} // namespace

std::optional<QByteArray> CProfileWriter::Edit(const QByteArray& bytes, QStringView sectionArg,
                                               QStringView keyArg, QStringView value,
                                               QString* reason) {
    const auto refuse = [reason](const QString& why) {
        if (reason)
            *reason = why;
        return std::nullopt;
    };
    const QStringView section = ProfileSyntax::TrimSpaces(ProfileSyntax::CutAtNul(sectionArg));
    const QStringView key = ProfileSyntax::TrimSpaces(ProfileSyntax::CutAtNul(keyArg));
    value = ProfileSyntax::CutAtNul(value);
    if (!ProfileEditRules::KeepsOneLine(section, key, value))
        return refuse(ProfileEditRules::StructureReason());

    // An empty (new) file gets UTF-8 without BOM, which Detect gives for no bytes.
    const CTextCodec::Encoding encoding = CTextCodec::Detect(bytes);
    const qsizetype bomSize = CTextCodec::Bom(encoding).size();
    const QByteArrayView payload = QByteArrayView(bytes).sliced(bomSize);
    const CTextCodec codec(encoding);
    const int unit = codec.unitSize();
    if (payload.size() % unit != 0)
        return refuse(ProfileEditRules::DamagedReason());
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
    if (keyLine.valid() &&
        ProfileEditRules::ValueReadsAs(payload.sliced(keyLine.begin, keyLine.end - keyLine.begin),
                                       encoding, value)) {
        return bytes;
    }
    if (keyLine.valid()) {
        replaceBegin = keyLine.begin +
                       ProfileEditRules::ValueStart(
                           payload.sliced(keyLine.begin, keyLine.end - keyLine.begin), encoding);
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
        const bool endsWithBreak =
            payload.isEmpty() ||
            ProfileEditRules::UnitAt(payload, payload.size() - unit, encoding) == '\n' ||
            ProfileEditRules::UnitAt(payload, payload.size() - unit, encoding) == '\r';
        if (!endsWithBreak)
            added.append(lineEnd);
        added.append(u'[').append(section).append(u']').append(lineEnd);
        added.append(key).append(u'=').append(value).append(lineEnd);
    }

    QByteArray encoded;
    if (!codec.encode(added, encoded))
        return refuse(ProfileEditRules::EncodingReason(encoding));
    QByteArray result;
    result.reserve(bytes.size() - (replaceEnd - replaceBegin) + encoded.size());
    result.append(QByteArrayView(bytes).first(bomSize + replaceBegin));
    result.append(encoded);
    result.append(QByteArrayView(bytes).sliced(bomSize + replaceEnd));
    return result;
}

bool CProfileWriter::Write(QStringView section, QStringView key, QStringView value,
                           const QString& path) {
    const std::vector<QString> reasons =
        WriteMany({{section.toString(), key.toString(), value.toString()}}, path);
    return reasons.front().isEmpty();
}

std::vector<QString> CProfileWriter::WriteMany(const std::vector<Change>& changes,
                                               const QString& path,
                                               const std::function<void(size_t)>& failed) {
    std::vector<QString> reasons(changes.size());
    LastErrorText().clear();
    if (changes.empty())
        return reasons;
    // A write stopped half-way could leave the file half-written: it always runs to its end.
    const CWorkProgress runToEnd{CWorkProgress::RunToEnd()};
    QString reason;
    const auto edit = [&](const QByteArray& old, EditedBytes& edited, QString&) {
        edited = EditAll(old, changes, reasons);
        const bool allRefused = std::all_of(reasons.begin(), reasons.end(),
                                            [](const QString& r) { return !r.isEmpty(); });
        return allRefused ? EditOutcome::Nothing : EditOutcome::Write;
    };
    if (!WriteLocked(path, edit, reason))
        std::fill(reasons.begin(), reasons.end(), reason);
    LastErrorText().clear();
    for (size_t i = 0; i < reasons.size(); ++i) {
        if (reasons[i].isEmpty())
            continue;
        LastErrorText() = reasons[i];
        if (failed)
            failed(i);
    }
    return reasons;
}

QByteArray CProfileWriter::EditMany(const QByteArray& bytes, const std::vector<Change>& changes,
                                    std::vector<QString>& reasons) {
    const EditedBytes edited = EditAll(bytes, changes, reasons);
    return edited.plan ? edited.plan->bytes() : edited.bytes;
}

bool CProfileWriter::WriteWhole(const QString& path, const QByteArray& bytes,
                                const QByteArray* expected) {
    LastErrorText().clear();
    const CWorkProgress runToEnd{CWorkProgress::RunToEnd()};
    const auto edit = [&](const QByteArray& old, EditedBytes& edited, QString& reason) {
        if (expected && old != *expected) {
            reason = QStringLiteral("the file was changed by another program meanwhile");
            return EditOutcome::Fail;
        }
        edited.bytes = bytes;
        return EditOutcome::Write;
    };
    QString reason;
    if (WriteLocked(path, edit, reason))
        return true;
    LastErrorText() = reason;
    return false;
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

QString CProfileWriter::FirstUnheld(const QString& path, QStringView text) {
    QByteArray bytes;
    if (!CRegularFile::Read(path, bytes))
        bytes.clear();
    const CTextCodec codec(CTextCodec::Detect(bytes));
    QByteArray encoded;
    for (qsizetype i = 0; i < text.size();) {
        const bool pair =
            i + 1 < text.size() && text[i].isHighSurrogate() && text[i + 1].isLowSurrogate();
        const QStringView character = text.sliced(i, pair ? 2 : 1);
        if (!codec.encode(character, encoded))
            return character.toString();
        i += character.size();
    }
    return QString();
}
