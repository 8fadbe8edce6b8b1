#pragma once

#include "compare/MergeConflict.h"

#include <QByteArray>
#include <vector>

// Writes conflicts into a merged file as the conflict lines text-merge tools write, for people
// who resolve them in a text editor:
//
//   <<<<<<< ours
//   key=ours' value
//   =======
//   key=theirs' value
//   >>>>>>> theirs
//
// The block stands where ours' line of the key is (the line itself inside it, byte for byte);
// for a key ours lacks, where the writer would add the key, and for a section ours lacks, at
// the end of the file with the section's header inside theirs' part. A side without the key
// has nothing between its marker lines. The marker lines are in the file's encoding and line
// end; every other byte stays. A conflict whose text the file's encoding cannot hold, and one
// about a whole section, are left as the merge left them.
class CMergeMarkers {
public:
    // `marked`, when given, counts the conflicts written as conflict lines.
    static QByteArray Apply(const QByteArray& bytes, const std::vector<CMergeConflict>& conflicts,
                            int* marked = nullptr);
};
