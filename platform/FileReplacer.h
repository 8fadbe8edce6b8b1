#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <sys/stat.h>

// Puts new bytes into a file so that it is never seen half-written and stays the same file
// to its users and to the system.
//
// The usual way is a new file beside it, given the old file's owner, group, every mode bit
// (setuid, setgid and sticky included) and its user extended attributes, synced and renamed
// over the old one. When the new file cannot be made the same (a file with more than one
// hard link, whose other names would keep the old text; an owner or group the writer may
// not give; attributes that will not copy), the file is written in place instead:
//
//  1. a full copy of the old bytes is written and synced beside it (".NAME.quillet-backup-*"),
//  2. the file is grown to its new size first, so that a full disk or a size limit stops the
//     write before a byte of the old text has changed,
//  3. the new bytes are written over the old ones, the file cut to size and synced,
//  4. the copy is removed.
//
// A failure in step 3 writes the old bytes back; only when even that fails does the copy
// stay, and the reason names it. Readers that take the folder's shared lock never see step 3.
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
};
