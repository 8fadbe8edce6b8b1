#pragma once

#include <QWidget>
#include <memory>

class CIniCompare;
class CIniData;
class CViewHost;
namespace Pelmo {
class CListCtrlEx;
}

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

private:
    void OnCreate();

    // --- single-file mode (QuilletView.cpp) ---

    // --- comparison mode (QuilletViewCompare.cpp) ---

    // --- find (QuilletViewFind.cpp) ---
public:
    // Kinds of cell a search looks at, combined as a bit set.
    enum FindKind : int { FIND_SECTION = 1, FIND_ENTRY = 2, FIND_VALUE = 4 };

    // Moves the current cell to the next (forward) or previous cell whose text contains text,
    // wrapping at the ends; text is already upper-case. Remembers text and flags for F3 and
    // Shift+F3 whatever the outcome. True when a cell was found and made current.
    bool Find(const QString& text, int flags, bool forward);
    const QString& GetFindText() const { return m_strFind; }
    int GetFindFlags() const { return m_nFindFlags; }

    // Step a cell position to the next or previous searchable cell of a kind in flags,
    // wrapping at the ends; (-1, -1) stands for no position.
    void NextFindCell(int& row, int& col, int flags) const;
    void PrevFindCell(int& row, int& col, int flags) const;

private:
    bool IsFindCompareMode() const;
    int FindColumnKind(int col) const;
    void StepFindCellForward(int& row, int& col) const;
    void StepFindCellBackward(int& row, int& col) const;
    QString FindCellText(int row, int col) const;
    void ShowFindPreview(int row, int col);

    CViewHost* m_pHost;
    std::unique_ptr<Pelmo::CListCtrlEx> m_pGrid;
    // --- fields: single-file mode ---
    // The file shown; the document owns it. Null in comparison mode and when empty.
    CIniData* m_pIni = nullptr;
    // --- fields: comparison mode ---
    CIniCompare* m_pCompare = nullptr;
    // --- fields: find ---
    QString m_strFind;
    int m_nFindFlags = 0;
};
