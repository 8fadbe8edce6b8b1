#pragma once

#include "compare/RowRules.h"
#include "grid/GridTypes.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class CColumnFit;
class CCompareExport;
class CDetachedRecords;
class CIniCompare;
class CIniData;
class CIniEntryData;
class CIniSectionData;
class CMergeMode;
struct CMergeStart;
class CObject;
class CProjectData;
class CRuleCommands;
class CRuleMarks;
struct CMissingRequired;
class QAction;
class QHelpEvent;
class CViewHost;
class QShortcut;
class QUndoStack;
struct COMPARE_REULT;
struct CRowRun;
struct CViewSnapshot;
struct CViewPlace;

// The single view of the main window: one grid (control 1010) filling the client area,
// showing one INI file with its value list or two files compared. The document and the
// frame talk to it through OnUpdate with the update hints of Res::HINT_*.
class CQuilletView : public QWidget {
    Q_OBJECT
public:
    CQuilletView(CViewHost* host, QWidget* parent = nullptr);
    ~CQuilletView() override;

    // hint: Res::HINT_*; object: the hint's object (a CIniData*, a CIniCompare*, a PID).
    void OnUpdate(QWidget* sender, int hint, quintptr object);

    // Commits an open in-place edit, so that the model holds what the user typed.
    void CommitEdit();

    Pelmo::CListCtrlEx* GetGrid() const { return m_pGrid.get(); }
    // The merge shown on top of the comparison; null outside merge mode.
    CMergeMode* Merge() const { return m_pMerge.get(); }
    CCompareExport* Export() const { return m_pExport; }

    // --- the user's place (QuilletViewPlace.cpp) ---
    // The current cell's record and column and the top row, to find again after a rebuild.
    CViewPlace CurrentPlace() const;
    // Makes the place's record current again (else the row the place had, or the nearest that
    // still exists) with the same top row; the previews follow it.
    void RestorePlace(const CViewPlace& place);

signals:
    // The user changed the shown files' model, or took a change back.
    void ContentChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;
    // Double-clicks on the grid's cells, which the grid itself does not report.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnCreate();

    // --- single-file mode (QuilletView.cpp) ---
    // Hint 1: attaches the value list, builds the four columns and the rows, tells the bar.
    void ShowFile(CIniData* pIni);
    // Hint 0: rows and columns go, their widths stay in the host's table of that layout.
    void ClearView();
    // Hint 3: rows for the entries added since the last time, marked yellow; one undo step.
    void ShowAddedEntries();
    void PlaceAddedEntries();
    // Yellow for an entry not in the file yet: the whole row when its section is new too.
    void MarkAddedRow(int nRow, bool bWholeRow);
    // Where the additions will go: the last row of each one's section, or below the last row.
    std::vector<std::pair<int, int>> AddedEntrySpans() const;
    // Hint 8: the value list the user chose in the bar, for as long as the file stays open.
    void SelectValueList(int nPid);
    // Hint 7: the value lists may have been edited, deleted or attached to the file.
    void ReloadValueList();
    // Column 3's editability after the value list changed; its texts come from the callback.
    void UpdateValueListColumn();

    void SetupColumns();
    void FillRows();
    // Column 3 is open on entry rows while the file has a value list, closed everywhere else.
    void ApplyValueListColumnState();
    // The value-list column locked without a list, and always on the given rows.
    void LockValueListColumn(const std::vector<int>& rowsWithoutEntry);
    void FillEntryCells(int nRow, CIniEntryData* pEntry);
    void LoadProject(int nPid);
    CProjectData* Project() const;
    void SetRedraw(bool bOn);

    CObject* RecordAt(int nRow) const;
    CIniEntryData* EntryAt(int nRow) const;
    CIniSectionData* SectionOfRow(int nRow) const;
    // The first contiguous run of rows showing the section or one of its entries.
    bool FindSectionRows(const CIniSectionData* pSection, int& nFirst, int& nLast) const;

    // The drop-down items of a row's value-list cell ("value\nlabel"); empty without a list.
    QStringList ValueChoices(int nRow) const;
    bool IsOfferedChoice(int nRow, const QString& strValue) const;
    QString ValueListText(int nRow) const;
    bool EndEditFile(int nRow, int nCol, const QString& strNew, QString* pStore);
    void SetFileValue(int nRow, int nCol, CIniEntryData* pEntry, const QString& strNew);
    // A restored row's value-list cell is locked as the value list chosen now wants it.
    void LockValueListCell(int nRow);

    void OnGridNotify(const Pelmo::GRIDNOTIFY& notify);
    void OnCurrentCellChanged(int nRow, int nCol);
    void OnGridDblClk(int nRow, int nCol);
    void OnGridRightClick(int nRow, int nCol);
    void RemoveNewSection(CIniSectionData* pSection);
    void RemoveNewEntry(CIniEntryData* pEntry);

    static bool OnEndEdit(Pelmo::CListCtrlEx* pGrid, int nRow, int nCol, const QString& strNew,
                          QString* pStore, void* pData);
    static void OnFillChoices(Pelmo::CListCtrlEx* pGrid, int nRow, int nCol, QStringList* pList,
                              void* pData);
    static bool OnGetChoiceText(Pelmo::CListCtrlEx* pGrid, int nRow, int nCol,
                                const QString& strKey, QString* pText, void* pData);

    // --- comparison mode (QuilletViewCompare.cpp) ---
    // Hint 4: seven columns, file 1 left, file 2 right, one row per comparison row.
    void ShowCompare(CIniCompare* compare);
    // Hint 6: places the entries the add dialog gave either file into the rows; one undo step.
    void ShowAddedCompareEntries();
    void PlaceAddedCompareEntries();
    // Where the additions will go: the run of each one's section, or below the last row.
    std::vector<std::pair<int, int>> AddedCompareEntrySpans() const;
    // The runs of rows whose section on that side is section.
    std::vector<std::pair<int, int>> CompareSectionSpans(const CIniSectionData* section,
                                                         bool first) const;
    void OnCompareCurrentCellChanged(int row, int col);
    void OnCompareDblClk(int row, int col);
    void OnCompareRightClick(int row, int col);
    static bool OnCompareEndEdit(Pelmo::CListCtrlEx* grid, int row, int col, const QString& text,
                                 QString* store, void* data);
    static void OnCompareAccessibleText(Pelmo::CListCtrlEx* grid, int row, int col, QString* name,
                                        QString* description, void* data);

    // Double-click: copy what the other file lacks. toSecond: the source is file 1.
    void CopySection(CIniSectionData* section, bool toSecond);
    void CopyEntry(CIniEntryData* entry, bool toSecond);
    // Right-click: take back a copied or added section or entry that is not in the file yet.
    void RemoveNewCompareSection(CIniSectionData* section, bool fromFirst);
    void RemoveNewCompareEntry(CIniEntryData* entry, bool fromFirst);
    // Drops the rows that no longer stand for anything.
    void TidyCompareRows();
    // The run of rows of the section of that name (file 1's side first, ignoring case).
    bool FindCompareSectionRows(const QString& name, int* first, int* last) const;

    void InsertCompareColumns();
    void FillCompareRows();
    // The row's mark: "○" when it differs, unless the comparison's ignore rules take it away;
    // then no mark and dim text.
    void SetCompareMark(int row, bool differs);
    CIniSectionData* EnsureTargetSection(int first, int last, bool toSecond, const QString& name);
    void CopyEntryIntoRow(int row, const CIniEntryData& source, CIniSectionData* target,
                          bool toSecond);
    void PlaceAddedCompareEntry(CIniEntryData* entry, bool first);
    bool TakeAddedEntryIntoRun(CIniEntryData* entry, bool first, int runFirst, int runLast);
    void InsertAddedEntryRow(CIniEntryData* entry, bool first, int at,
                             CIniSectionData* otherSection, bool showSectionName);
    void MoveSectionNamesDown(int row);
    // Shows file 1's half of a row again from its record, after the model changed under it.
    void RefreshFirstSide(int row);

    // --- merge mode (MergeMode.cpp) ---
    friend class CMergeMode;
    // Hint 9: the comparison shown becomes a merge of ours (file 1) and theirs (file 2).
    void ShowMerge(const CMergeStart* start);

    // --- only the differences (QuilletViewDifferences.cpp) ---
public:
    // "差分のみ表示": only the rows marked "○" stay, with those holding unsaved changes;
    // turning it off brings every row back in its place, the current cell kept. The setting
    // stays for the next comparison. False when nothing changed (no comparison, or already so).
    bool SetDifferencesOnly(bool on);
    bool IsDifferencesOnly() const { return m_bDifferencesOnly; }
    // The checkable command for a tool bar, with its key (F7).
    QAction* DifferencesOnlyAction() const { return m_pDifferencesOnly; }

    // Ignore patterns and the case of values chosen in the window, joined to the rules of
    // every comparison shown (the ignore files beside its files); the rows are marked anew.
    void SetWindowRules(const CRowRules& rules);
    const CRowRules& WindowRules() const { return m_windowRules; }

private:
    void JoinWindowRules();
    // Whether the row differs under the comparison's rules, as the files were read.
    bool CompareRowDiffers(const COMPARE_REULT& result) const;
    void CreateDifferencesAction();
    void HideDifferencelessRows();
    // Hides the rows flagged, shows the others; the current cell stays on a shown row.
    void HideRows(const std::vector<bool>& hidden);
    void ShowHiddenRows();
    void KeepCurrentCellShown();
    // A new comparison is shown: the setting applies to it too.
    void ReapplyDifferencesOnly();
    static bool OnFillInSectionName(Pelmo::CListCtrlEx* grid, int row, int col, QString* text,
                                    void* data);
    // The section whose name the cell at row, col stands for, if it is a section column.
    const CIniSectionData* SectionShownAt(int row, int col) const;
    void AppendCompareRow(COMPARE_REULT* result, const COMPARE_REULT* previous, bool differs);
    // The row's difference is one an ignore pattern takes away.
    bool IsDimRow(int row) const;

    // --- difference navigation (QuilletViewNavigate.cpp) ---
    // Alt+Down / F8 and Alt+Up / Shift+F8, live in comparison mode only.
    void CreateNavigationKeys();
    // The keys are taken from the grid only while a comparison is shown.
    void UpdateNavigationKeys();
    // Moves the current cell to the nearest row marked as differing below (forward) or above,
    // in the same column; false, nothing moved, when there is none.
    bool GoToDifference(bool forward);
    int DifferingRowCount() const;
    bool IsDifferenceRow(int row) const;
    // Where F8 stops: a row that differs, or in merge mode a conflict.
    bool IsNavigationStop(int row) const;
    // Column 3's header tooltip: reaches the view from the header, which has no tooltip of its own.
    bool event(QEvent* event) override;

    // --- the value list's rules (QuilletViewRules.cpp) ---
public:
    // "既定値に戻す": the current entry takes its default, as an ordinary edit (yellow, one undo
    // step, written on save). False when it has none or already holds it.
    bool ResetToDefault();
    // Adds the required keys the file lacks, with their defaults, as the add dialog adds
    // entries. False when none is missing.
    bool AddMissingRequired();
    bool CanResetToDefault() const;
    // "既定値と異なるものだけ": only entries whose value differs from their default (and those
    // without one) show. Turning it off shows every row, the current cell kept. False when
    // nothing changed (no rules, or already so).
    bool SetDefaultFilter(bool bOn);
    bool IsDefaultFilterOn() const { return m_bDefaultFilter; }
    bool HasMissingRequired() const;

private:
    void HideDefaultRows();
    // The current entry when it has a default it does not hold; null otherwise.
    CIniEntryData* ResettableEntry(int* pRow) const;
    std::vector<CMissingRequired> MissingRequired() const;
    void RefreshRuleMarks();
    bool ShowsRules() const;
    // The value cell's colour when the value breaks its rule, the key cell's for an unknown key.
    void ApplyRuleMarks(int nRow, const CIniEntryData& entry);
    void SetRuleMark(int nRow, int nCol, bool bOn, COLORREF crMark);
    void ApplyAllRuleMarks();
    // The tooltip of a cell: why the value breaks its rule, the key's description, the default.
    QString RuleTip(int nRow, int nCol) const;
    bool ShowRuleTip(const QHelpEvent& help);
    // The menu of the rules' commands, on a right-click on a value cell.
    void ShowRuleMenu(int nRow, int nCol);
    // "(既定値)" for the value-list column when the value is the entry's default.
    QString DefaultMark(const CIniEntryData& entry) const;
    // On opening: names the required keys the file lacks and offers to add them.
    void OfferMissingRequired();

    // --- undo and redo (QuilletViewUndo.cpp) ---
public:
    // Starts a new history: the model was written (or replaced), so no step may bring back
    // what it held before.
    void ClearUndoHistory();
    // What Ctrl+Z and Ctrl+Y do; nothing while a cell's editor or drop-down list is open.
    void Undo();
    void Redo();

private:
    friend class CViewChangeCommand;
    // Ctrl+Z undoes, Ctrl+Y and Ctrl+Shift+Z redo, wherever the focus is in the window; an open
    // cell editor keeps these keys for its own text.
    void CreateUndoKeys();
    // (first row, row count) of each run of rows a change may touch; the change may insert
    // rows into a run (or at its end) and delete rows of it, and leaves every other row alone.
    using RowSpans = std::vector<std::pair<int, int>>;
    // The spans' rows and the current cell; withShape: the model's lists too.
    CViewSnapshot CaptureChange(RowSpans spans, bool withShape) const;
    // The edited row and the entry's value, before a value edit.
    CViewSnapshot CaptureEdit(int row, CIniEntryData* entry) const;
    // The spans and the model as it was before the add dialog linked in its additions.
    CViewSnapshot CaptureAddition(RowSpans spans) const;
    // Ends the change that started with before: what it touched becomes one undo step.
    void RecordChange(CViewSnapshot before);
    // Makes change, which touches only the spans, one undo step.
    void MakeChange(RowSpans spans, const std::function<void()>& change);
    CRowRun CaptureRun(int first, int count) const;
    void ReplaceRun(const CRowRun& shown, const CRowRun& target);
    // Brings the model and the rows to target; shown says which rows are there now.
    void RestoreSnapshot(const CViewSnapshot& target, const CViewSnapshot& shown);
    void RestoreCurrentCell(int row, int col);
    std::vector<CIniData*> ShownFiles() const;
    // A take-back unlinks; the history keeps the record alive for an undo.
    void DetachSection(CIniSectionData* section);
    void DetachEntry(CIniEntryData* entry);
    void DetachResult(const COMPARE_REULT* result);

    // --- find (QuilletViewFind.cpp) ---
public:
    // Kinds of cell a search looks at, combined as a bit set.
    enum FindKind : int { FIND_SECTION = 1, FIND_ENTRY = 2, FIND_VALUE = 4 };

    // Moves the current cell to the next (forward) or previous cell whose text contains text,
    // wrapping at the ends; text is already upper-case. Remembers text and flags for F3 and
    // Shift+F3 whatever the outcome. True when a cell was found and made current.
    bool Find(const QString& text, int flags, bool forward);
    const QString& GetFindText() const { return m_strFind; }
    // Where the current cell lies on the screen; empty without one.
    QRect CurrentCellScreenRect() const;
    int GetFindFlags() const { return m_nFindFlags; }

    // Step a cell position to the next or previous searchable cell of a kind in flags,
    // wrapping at the ends; (-1, -1) stands for no position.
    void NextFindCell(int& row, int& col, int flags) const;
    void PrevFindCell(int& row, int& col, int flags) const;

private:
    int FindPlaceRow(const CViewPlace& place) const;
    int FindComparePlaceRow(const CViewPlace& place) const;
    void ScrollToTop(int topRow);

    bool IsFindCompareMode() const;
    int FindColumnKind(int col) const;
    void StepFindCellForward(int& row, int& col) const;
    void StepFindCellBackward(int& row, int& col) const;
    static constexpr int kFindColumns = 7; // the comparison grid's columns
    void FindRowTexts(int row, QStringView (&texts)[kFindColumns]) const;

    CViewHost* m_pHost;
    std::unique_ptr<Pelmo::CListCtrlEx> m_pGrid;
    // --- fields: single-file mode ---
    // The file shown; the document owns it. Null in comparison mode and when empty.
    CIniData* m_pIni = nullptr;
    // The user chose "none" in the selector: no list is attached until another is chosen.
    bool m_bValueListOff = false;
    // What the attached list's rules mark; null without a list.
    std::unique_ptr<CRuleMarks> m_pRuleMarks;
    CRuleCommands* m_pRuleCommands = nullptr; // a child of the view
    bool m_bDefaultFilter = false;
    // --- fields: comparison mode ---
    CIniCompare* m_pCompare = nullptr;   // the document's comparison, while one is shown
    CCompareExport* m_pExport = nullptr; // Ctrl+E: the comparison as an HTML page
    std::unique_ptr<CMergeMode> m_pMerge;
    CColumnFit* m_pColumnFit = nullptr; // a child of the view
    // --- fields: only the differences ---
    QAction* m_pDifferencesOnly = nullptr; // a child of the view
    bool m_bDifferencesOnly = false;
    // While the filter is on: every row in the order of the whole comparison when it came on.
    CRowRules m_windowRules;
    CRowRules m_fileRules; // the shown comparison's own, before the window's joined them
    // --- fields: difference navigation ---
    std::vector<QShortcut*> m_navigationKeys;
    // --- fields: undo and redo ---
    QUndoStack* m_pUndoStack = nullptr; // a child of the view
    std::unique_ptr<CDetachedRecords> m_pDetached;
    // --- fields: find ---
    QString m_strFind;
    int m_nFindFlags = 0;
};
