#pragma once

#include "compare/IgnoreRules.h"

struct COMPARE_REULT;
class CIniEntryData;

// What a comparison row amounts to under the rules the user chose.
enum class RowState {
    Same,    // both sides hold the same: no mark
    Differs, // marked "○"
    Ignored, // differs, but under an ignore pattern: no mark, shown dim, counts as the same
};

// The rules one comparison is judged by: which names do not count, and whether values compare
// without regard to case. Names always do.
struct CRowRules {
    CIgnoreRules ignore;
    bool ignoreValueCase = false;

    // A row differs when a side lacks the section, exactly one side has the entry, or both
    // values differ.
    RowState StateOf(const COMPARE_REULT& row) const;
    // Whether the row's names fall under an ignore pattern, whatever its values.
    bool IsIgnored(const COMPARE_REULT& row) const;
    bool ValuesEqual(const QString& a, const QString& b) const;
    // The same for two entries, whose equal text may still hide different bytes in their files.
    bool EntriesEqual(const CIniEntryData& a, const CIniEntryData& b) const;

    // The patterns of the ignore files in the folders of two compared files (either may have
    // one); a file that cannot be read adds nothing.
    static CRowRules BesideFiles(const QString& path1, const QString& path2);
};
