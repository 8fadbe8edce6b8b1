#pragma once

#include "grid/GridTypes.h"

#include <QBrush>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPoint>
#include <QRect>
#include <memory>

namespace Pelmo {

class CListCtrlBase;

// The list of choices the grid drops down under (or over) a choice cell. It never takes the
// focus and never becomes the active window: the grid keeps the focus, and while the list is
// open an application-wide event filter routes the movement keys to it and closes it on a
// click elsewhere. The user picks with the mouse (press, drag, release) or with the arrow
// keys and Enter; Escape, Tab or a click outside cancel. A pick calls the grid's EndEdit, a
// cancel its CancelEdit; the grid reads the selection and closes the list.
//
// Only one list can be open in the process at a time. The owner may be null: the list then
// closes itself after a pick or a cancel and only its flags tell what happened.
class CListBoxEx : public QListWidget {
    Q_OBJECT
public:
    explicit CListBoxEx(QWidget* parent = nullptr);
    ~CListBoxEx() override;

    // Makes the list a non-activating top-level popup belonging to pParent (the grid), in
    // the given font. It stays hidden until shown.
    void Create(QWidget* pParent, const QFont& font);
    // Removes the event filter and hides and empties the list; IsWindow() is false after.
    void DestroyWindow();
    bool IsWindow() const { return m_bWindow; }

    // Fills, sizes and places the list for a cell (rcCell in screen coordinates) and starts
    // routing input to it; the grid shows it afterwards. The choice whose key equals
    // strCurrent is selected (the last one when several do).
    void ShowList(CListCtrlBase* pOwner, const CKeyValueList* pChoices, const QRect& rcCell,
                  const QString& strCurrent, int nMaxRows, COLORREF crText, COLORREF crBack);

    // Index of the selected item, -1 for none; the choice an item stands for.
    int GetCurSel() const;
    void SetCurSel(int nIndex);
    const CKeyValue* GetChoice(int nIndex) const;
    // Selects the first item whose shown text or key begins with text (case aside), as a
    // word typed through an input method picks it; false, selection unchanged, when none does.
    bool SelectFirstStartingWith(const QString& text);
    // A typed character: what was typed in quick succession selects the first item that
    // begins with it; when none does, the new character alone tries again.
    void TypeAhead(const QString& text);

    // The list that is open in the process, null when none is.
    static CListBoxEx* GetOpenList();

    // How the last list ended: picked or given up. Both false while it is open.
    bool IsCommitted() const { return m_bCommitted; }
    bool IsCancelled() const { return m_bCancelled; }
    // A left-button press inside the list is being followed; and whether the list scrolls by
    // itself meanwhile because the pointer is above or below it.
    bool IsTracking() const { return m_bTracking; }
    bool IsAutoScrolling() const { return m_nTimer != 0; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void Commit();
    void Cancel();
    void InstallHooks();
    void RemoveHooks();
    void StopTimer();
    void ApplyColors(COLORREF crBack);
    void PlaceWindow(const QRect& rcCell, int nHeight);
    void FillItems(int nItemHeight);
    void SelectAt(const QPoint& ptViewport);
    void AutoScrollStep();
    bool RouteKey(QKeyEvent* event);
    bool RouteClick(const QPoint& ptGlobal, Qt::MouseButton button);
    bool IsOwnObject(QObject* object) const;
    bool ContainsGlobal(const QPoint& ptGlobal) const;
    bool IsOnOwnerDropButton(const QPoint& ptGlobal) const;

    const CKeyValueList* m_pChoices = nullptr; // the column's choices, not owned
    QString m_strCurrent;
    CListCtrlBase* m_pOwner = nullptr;
    bool m_bCommitted = false;
    bool m_bCancelled = false;
    std::unique_ptr<QBrush> m_pBackBrush;
    COLORREF m_crText = 0;
    bool m_bTracking = false; // a left-button press inside the list is being followed
    int m_nTimer = 0;         // auto-scroll timer while tracking, 0 = none
    bool m_bWindow = false;
    QPoint m_ptLastMove; // pointer position (viewport) of the last move while tracking
    QString m_strTyped;  // the characters typed in quick succession
    QElapsedTimer m_typedClock;
};

} // namespace Pelmo
