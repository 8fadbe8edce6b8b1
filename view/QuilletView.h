#pragma once

#include <QWidget>
#include <memory>

class CViewHost;
class CIniCompare;
class CIniSectionData;
class CIniEntryData;
namespace Pelmo {
class CListCtrlEx;
struct GRIDNOTIFY;
} // namespace Pelmo

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

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnCreate();
    void ClearView();
    void OnGridNotify(const Pelmo::GRIDNOTIFY& note);
    void OnGridDblClk(int row, int col);
    static bool OnEndEdit(Pelmo::CListCtrlEx* grid, int row, int col, const QString& text,
                          QString* store, void* data);

    // --- single-file mode (QuilletView.cpp) ---

    // --- comparison mode (QuilletViewCompare.cpp) ---
    // Hint 4: seven columns, file 1 left, file 2 right, one row per comparison row.
    void ShowCompare(CIniCompare* compare);
    // Hint 6: places the entries the add dialog gave either file into the rows.
    void ShowAddedCompareEntries();
    void OnCompareCurrentCellChanged(int row, int col);
    void OnCompareDblClk(int row, int col);
    void OnCompareRightClick(int row, int col);
    static bool OnCompareEndEdit(Pelmo::CListCtrlEx* grid, int row, int col, const QString& text,
                                 QString* store, void* data);

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
    CIniSectionData* EnsureTargetSection(int first, int last, bool toSecond, const QString& name);
    void CopyEntryIntoRow(int row, const CIniEntryData& source, CIniSectionData* target,
                          bool toSecond);
    void PlaceAddedCompareEntry(CIniEntryData* entry, bool first);
    bool TakeAddedEntryIntoRun(CIniEntryData* entry, bool first, int runFirst, int runLast);
    void InsertAddedEntryRow(CIniEntryData* entry, bool first, int at,
                             CIniSectionData* otherSection, bool showSectionName);
    void MoveSectionNamesDown(int row);

    // --- find (QuilletViewFind.cpp) ---

    CViewHost* m_pHost;
    std::unique_ptr<Pelmo::CListCtrlEx> m_pGrid;
    // --- fields: single-file mode ---
    // --- fields: comparison mode ---
    CIniCompare* m_pCompare = nullptr; // the document's comparison, while one is shown
    // --- fields: find ---
};
