#pragma once

#include "compare/RowRules.h"

#include <QString>
#include <memory>

class CIniCompare;

// How one pair of files of a folder comparison came out.
struct CFilePairStatus {
    enum Kind {
        Identical, // the same entries (the bytes may still differ: textDiffers)
        Differs,   // some row differs; differingRows says how many
        OnlyIn1,
        OnlyIn2,
        Unreadable, // errorText says why; side says which file (1 or 2)
    };

    QString path1; // relative to folder 1; empty when only folder 2 has the file
    QString path2; // relative to folder 2; differs from path1 at most in case
    Kind kind = Identical;
    bool textDiffers = false;
    int differingRows = 0;
    int ignoredRows = 0; // rows that differ under an ignore pattern only
    int side = 0;
    QString errorText;

    // The path to show: folder 1's, else folder 2's.
    const QString& Path() const { return path1.isEmpty() ? path2 : path1; }
    // A pair that counts as a difference in an exit status or a list of differing files.
    bool CountsAsDifferent() const { return kind == Differs || kind == OnlyIn1 || kind == OnlyIn2; }
    // Why the pair cannot be read, after the side ("1:" or "2:") as the window says it; folder
    // 2's path when it differs from folder 1's in case; else empty.
    QString Detail() const;
    // Machine-readable name of the kind: identical, differs, only-in-1, only-in-2, unreadable.
    QString KindName() const;
    // The same for people, in the program's language.
    QString KindText() const;

    // Loads both files (full paths) and compares them under rules. keep, when given, receives
    // the comparison of a pair that could be read, for a report of its rows.
    static CFilePairStatus CompareFiles(const QString& file1, const QString& file2,
                                        const CRowRules& rules,
                                        std::unique_ptr<CIniCompare>* keep = nullptr);
};
