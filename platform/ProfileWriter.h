#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <functional>
#include <optional>
#include <vector>

// Sets one key of an INI file the way Windows' WritePrivateProfileString does, editing the
// file in place: only the bytes of the changed or added lines differ afterwards.
//
// - Section and key lose U+0020 at both ends; the value is written verbatim. A NUL ends each
//   of them, as in the C strings Windows takes.
// - Existing key (first matching non-comment line with '=' of the first matching section):
//   everything up to and including its '=' and the blanks after it stays, the rest of the
//   line before its break becomes the value. A last line without a break gets one.
// - New key: a line "key=value" right after the section's last entry line, so before the
//   comments and blank lines that trail the section; right after the header when there is
//   no entry. New section: "[section]" and the key appended at the end of the file, after a
//   line break when the file does not end with one.
// - The file keeps its encoding and BOM; added line breaks follow the file's dominant line
//   end. A missing file is created as UTF-8 without BOM with CRLF; a missing folder is not.
// - Fails, leaving the file as it was, when the file's encoding cannot hold the new text,
//   the file is read-only (no write permission bit, which root respects too), the folder
//   does not allow the temporary file, the path is no regular file, or writing fails; and
//   when the text would not stay one line of its own: a line break in section, key or value,
//   '=' in the key or a key starting with '[', ']' in the section name; and when the file is
//   larger than CRegularFile::kMaxSize or its name does not survive the round trip through
//   the system's file name encoding.
// - Writes of ours to files of one folder take turns (FolderLock.h): the file is read, edited
//   and replaced under the lock, so no process loses another's update. A lock that cannot be
//   had within a few seconds fails the write. When the file vanished or was replaced by
//   another program after it was read, the write starts over from what is there now.
// - The file stays the same file: owner, group, mode bits, user extended attributes and hard
//   links are kept (FileReplacer.h).
class CProfileWriter {
public:
    static bool Write(QStringView section, QStringView key, QStringView value, const QString& path);

    // One key to set, as Write takes it; or, as Windows does with a null value or a null key,
    // one key or one whole section to remove (ProfileRemoval.h has the rules).
    struct Change {
        enum class Kind { Set, RemoveKey, RemoveSection };
        QString section, key, value;
        Kind kind = Kind::Set;
    };
    // Sets every key with one write of the file: the bytes are those the Writes of the changes
    // one at a time, in order, would leave, under the same lock, checks and replacement as one
    // Write. Returns for each change why it was not written, or an empty string when it was. A
    // change its file cannot take (the encoding, the structure) is left out and the others are
    // written; a failure of the write itself writes none and gives its reason to all. Afterwards
    // LastError() holds the reason of the last change not written; `failed`, when given, is
    // called with the index of each such change while LastError() holds that change's reason.
    static std::vector<QString> WriteMany(const std::vector<Change>& changes, const QString& path,
                                          const std::function<void(size_t)>& failed = {});

    // Puts bytes made by EditMany (and whatever a caller adds to them) into the file at path,
    // with the same lock, checks and replacement as Write. With `expected`, the file must
    // still hold exactly those bytes (a missing file counts as empty), or nothing is written.
    // False on failure, with LastError() saying why.
    static bool WriteWhole(const QString& path, const QByteArray& bytes,
                           const QByteArray* expected = nullptr);

    // Why the last failed Write on this thread failed, in the words of the system's error
    // where there is one ("Permission denied", "No space left on device", ...); empty after a
    // successful one. Windows keeps its reason in the thread's last error; so do we.
    static QString LastError();

    // Whether the file at path, in the encoding a write would find in it, holds text exactly:
    // what Write's encoding test will say, asked before the user's input is taken. A missing
    // or unreadable file counts as the UTF-8 a new file gets.
    static bool CanHold(const QString& path, QStringView text);
    // The first character of text (a whole code point) that the file's encoding, found as
    // CanHold finds it, cannot hold; empty when it holds them all. Says what a refusal is about.
    static QString FirstUnheld(const QString& path, QStringView text);

    // The edit alone, on a file's bytes (empty for a missing file): the new bytes, or
    // nothing when the file's encoding cannot hold the new text or the file is damaged
    // beyond a safe edit (UTF-16 of odd length); `reason` then says which.
    static std::optional<QByteArray> Edit(const QByteArray& bytes, QStringView section,
                                          QStringView key, QStringView value,
                                          QString* reason = nullptr);

    // The changes applied one after another as Edit applies one (and removals as
    // CProfileRemoval applies them), at about the cost of one Edit: the new bytes, and in `reasons`
    // for each change why it was refused or an empty string.
    static QByteArray EditMany(const QByteArray& bytes, const std::vector<Change>& changes,
                               std::vector<QString>& reasons);

    // For tests: called with the target path after a write has read and edited the file and
    // before it checks that the file is still the one it read, so that a test can change the
    // file at exactly that moment. Empty to remove.
    static void SetBeforeReplaceHook(std::function<void(const QString&)> hook);
};
