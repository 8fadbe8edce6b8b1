#pragma once

#include "RegularFile.h"

#include <QString>
#include <QStringView>
#include <memory>

class CParsedProfile;

// One version of an INI file, pinned for the calling thread while the object lives: the
// readers answer every call on that path from it. A load is many calls (the names, then
// each section); without a pin each call could pick up a newer file saved by another
// process in between, and the model would show a state that never existed on disk.
//
// Snapshots nest (a second one on the same path pins the same version) and must be
// destroyed in reverse order of creation, which scoped objects do by themselves.
class CProfileSnapshot {
public:
    explicit CProfileSnapshot(const QString& path);
    ~CProfileSnapshot();

    CProfileSnapshot(const CProfileSnapshot&) = delete;
    CProfileSnapshot& operator=(const CProfileSnapshot&) = delete;

    // How the file read: Ok, or why there is no version (missing, unreadable, too large).
    CRegularFile::Status status() const { return m_status; }
    // Null when the file could not be read.
    const CParsedProfile* parsed() const { return m_parsed.get(); }

    // The snapshot of `absolutePath` pinned on this thread, the innermost one when several
    // are; null when none is.
    static const CProfileSnapshot* Find(const QString& absolutePath);

private:
    QString m_path; // absolute
    CRegularFile::Status m_status = CRegularFile::Status::Missing;
    std::shared_ptr<const CParsedProfile> m_parsed;
};
