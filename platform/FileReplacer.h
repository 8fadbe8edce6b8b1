#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <functional>
#include <sys/stat.h>
#include <vector>

// Puts new bytes into a file so that it is never seen half-written and stays the same file
// to its users and to the system.
//
// The usual way is a new file beside it (".NAME.quillet-new-*"), given the old file's owner,
// group, every mode bit (setuid, setgid and sticky included) and its user extended attributes,
// synced and renamed over the old one; one left by a write cut off before its rename is
// removed by the next write. When the new file cannot be made the same (a file with more than one
// hard link, whose other names would keep the old text; an owner or group the writer may
// not give; attributes that will not copy), the file is written in place instead:
//
//  1. a full copy of the old bytes is written beside it under a temporary name
//     (".NAME.quillet-partial-*"), synced, renamed to ".NAME.quillet-backup-*", and the folder
//     synced, so that the copy is complete and named before the file is touched,
//  2. the file is grown to its new size first, so that a full disk or a size limit stops the
//     write before a byte of the old text has changed,
//  3. the new bytes are written over the old ones, the file cut to size and synced,
//  4. the copy is removed and the folder synced.
//
// A failure in step 3 writes the old bytes back; only when even that fails does the copy
// stay, and the reason names it. A process killed or a machine stopped at any point leaves the
// old file, the new file, or a damaged file with the complete copy beside it. While such a copy
// is there, every write to the file is refused with a reason that names it, so that the old
// text is not lost before someone has looked at it. A copy cut off in step 1 is incomplete and
// is removed by the next write (the file was not touched yet). Readers that take the folder's
// shared lock never see step 3; writers of one folder take turns.
class CFileReplacer {
public:
    enum class Result { Done, Failed, Changed };

    // `old` is the file's status when it was read and `oldBytes` what it held; null for a file
    // that does not exist yet, which is created as any new file is. `stillCurrent` is asked
    // right before the file is touched: false abandons the write and gives Changed, so the
    // caller can start over from what the file holds now. On failure `reason` says why.
    static Result Replace(const QString& target, const QByteArray& bytes, const struct stat* old,
                          const QByteArray& oldBytes, const std::function<bool()>& stillCurrent,
                          QString& reason);
    // The same with the new text in pieces written one after another (an edit's unchanged
    // stretches of the old bytes and its new lines), so that a large file edited in a few
    // places is never copied whole in memory. The pieces must stay valid until it returns.
    using Pieces = std::vector<QByteArrayView>;
    static Result Replace(const QString& target, const Pieces& pieces, const struct stat* old,
                          const QByteArray& oldBytes, const std::function<bool()>& stillCurrent,
                          QString& reason);

    // The complete copy of the old text that a cut-off write in place left beside `target`,
    // or empty when there is none.
    static QString InterruptedBackup(const QString& target);

    // Puts the complete copy `backup` of the old text back into `target`, under the folder's
    // lock. The damaged text is kept first as "NAME.damaged-YYYYMMDD-HHMMSS" beside the file
    // (its path goes to `damagedCopy`); the copy's bytes are then written over the file, so it
    // keeps its other names, owner and mode, and the copy is removed. A process stopped on the
    // way leaves the copy in place. On failure `reason` says why.
    static bool RestoreBackup(const QString& target, const QString& backup, QString& damagedCopy,
                              QString& reason);

    // For tests: called right before every step of a write that changes something on disk
    // (by rename or in place), so that a test can end the process at each of them in turn.
    // Empty to remove.
    static void SetStepHook(std::function<void()> hook);
};
