#pragma once

#include "compare/IniMerge.h"

#include <QString>
#include <QtGlobal>
#include <unordered_set>
#include <utility>
#include <vector>

class CIniData;
class CQuilletView;

// What the window hands the view to show a merge. The view shows ours (file 1) and theirs
// (file 2) as a comparison already; base is only in the merge.
struct CMergeStart {
    CIniMerge* merge = nullptr;
    CIniMerge::CanHold canHold;     // ours' encoding; empty: every text fits
    const CIniData* base = nullptr; // what both sides started from, told on hovering a row
};

// The view's merge mode, on top of its comparison grid: theirs' changes become ours' unsaved
// edits in one undo step, and each conflict gets a mark of its own in the mark column. The
// marks live in the grid alone, so an undo brings back exactly the marks that were there; a
// row stops being a conflict when its mark goes: an edit of ours' value or a copy from theirs
// sets the ordinary difference mark in its place. Theirs is only shown: nothing is written
// into it.
class CMergeMode {
public:
    explicit CMergeMode(CQuilletView& view);

    // Makes the merge's changes in ours' model and the rows, as one undo step, and marks the
    // conflicts. Once per object.
    void Start(const CMergeStart& start);

    bool IsConflictRow(int row) const;
    int ConflictCount() const;

    // A double-click in merge mode. On theirs' key cell of a conflict row ours takes theirs'
    // side: its value, or the key goes when theirs lacks it, as one undo step. A double-click on
    // ours' side would copy into theirs and does nothing. False: the comparison handles it.
    bool DoubleClick(int row, int col);
    // Theirs' value cells take no edits.
    static bool IsTheirsValueColumn(int col);

    static const QString& ConflictMark();

    // What base held on a row ("基: 1", "基: なし"), which the grid has no column for; empty
    // without a base or a row.
    QString BaseTip(int row) const;

private:
    // Rows whose ours' side lost its entry or section to the merge, or whose value it changed.
    void ShowMergedRows(const std::vector<int>& rows);
    // The rows whose ours' side the merge took away (before the grid lets go of them), and
    // the letting go.
    std::vector<int> RowsOfRemoved(CIniMerge& merge) const;
    void LetGoOfRemoved(CIniMerge& merge, const std::vector<int>& rows);
    // Every row the merge's showing will change, insert after or take away, as the view's
    // row spans: what its undo step keeps.
    std::vector<std::pair<int, int>> TouchedSpans(const std::vector<int>& changedRows,
                                                  const std::vector<int>& removedRows,
                                                  const std::vector<int>& conflictRows) const;
    std::vector<int> RowsOfConflicts(const std::vector<CMergeConflict>& conflicts) const;
    // The rows of those records, wherever they are now.
    void MarkConflicts(const std::unordered_set<quintptr>& records);
    void SetConflictMark(int row);
    void LockTheirsValues();
    void TakeTheirsValue(int row);
    void TakeTheirsRemoval(int row);

    CQuilletView& m_view;
    const CIniData* m_pBase = nullptr;
};
