#pragma once

#include "grid/GridCallback.h"
#include "grid/GridTypes.h"

#include <QBrush>
#include <QLineEdit>
#include <QRect>
#include <memory>

namespace Pelmo {

// The text editor the grid lays over a cell while the user types into it. Besides being a
// line edit it runs every typed character through the owner's character filter and text
// check, pastes only the first line of the clipboard (through the same filter), takes
// Ctrl+C/V/X/Z itself, places the caret when shown, paints the cell's background and draws a
// frame in the grid's editor frame colour.
//
// The object lives as long as the grid; its "window" exists only between Create and
// DestroyWindow, while a cell is being edited. Owner and colour map may be null (the editor
// then works on its own, which the tests rely on).
class CEditEx : public QLineEdit {
    Q_OBJECT
public:
    explicit CEditEx(QWidget* parent = nullptr);
    ~CEditEx() override;

    // Where the caret is drawn (the editor's coordinates): a screen reader measures by it.
    QRect CaretRect() const { return cursorRect(); }

    // Puts the editor into pParent at rect (pParent's coordinates), empty, hidden, with a
    // fresh undo history. The caller sets the text, shows it and gives it the focus.
    void Create(QWidget* pParent, const QRect& rect);
    // Hides the editor and forgets its text; afterwards IsWindow() is false.
    void DestroyWindow();
    bool IsWindow() const { return m_bWindow; }

    // Runs one character through the character filter and the text check. *pInsert receives
    // the character to insert (the filter may replace it). Row or column -1 means the cell
    // being edited (m_nRow, m_nCol). False: the keystroke is to be dropped.
    bool FilterChar(QChar chTyped, QChar* pInsert, int nRow = -1, int nCol = -1);

    // Pastes the first line of the clipboard text at the caret, character by character
    // through the filter when one is installed.
    void Paste();

    // Inserts a pending input-method composition at the caret and tells the input method it
    // is done, so that reading the text right afterwards misses nothing the user typed.
    void CommitComposition();
    bool HasComposition() const { return !m_strPreedit.isEmpty(); }

    // The cell's colours; -1 (CLR_UNCHANGED) for none. Replaces the background brush.
    void SetColors(COLORREF crText, COLORREF crBack);

    // The formatting rectangle: where the text goes, in the editor's own coordinates.
    QRect GetRect() const;
    void SetRect(const QRect& rect);

    // Column format of the cell: 0 left, 1 right, 2 centre.
    void SetFormat(int nFormat);

    // The cell being edited: the row and column the callbacks are told.
    void SetCell(int nRow, int nCol) {
        m_nRow = nRow;
        m_nCol = nCol;
    }
    // The first argument of both callbacks; may be null.
    void SetOwner(CListCtrlEx* pOwner) { m_pOwner = pOwner; }
    // The grid's colours by role (the frame colour is read from it on each paint); not owned.
    void SetColorMap(const KeyColorMap* pColors) { m_pColorMap = pColors; }
    void SetCharFilter(PFNCHARFILTER pfn, void* pData) { m_charFilter.Set(pfn, pData); }
    void SetTextCheck(PFNTEXTCHECK pfn, void* pData) { m_textCheck.Set(pfn, pData); }
    // Where the caret goes when the editor is shown: 0 at the start, 1 at the end, 2 all
    // selected.
    void SetCaretOnShow(int nMode) { m_nCaretOnShow = nMode; }
    int GetCaretOnShow() const { return m_nCaretOnShow; }
    // Whether a background colour of the cell's own is painted.
    bool HasBackgroundColor() const { return m_brBack != nullptr; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool HandleShortcut(QKeyEvent* event);
    bool FilterKeyText(QKeyEvent* event);
    QString ProspectiveText(QChar ch) const;
    void InsertFiltered(const QString& text);
    void PlaceCaret();
    void ApplyColors();
    void DrawFrame(QPainter& painter) const;
    static bool PassesUnfiltered(QChar ch);

    int m_nCaretOnShow = 0;
    CGridCallback<PFNCHARFILTER> m_charFilter;
    CGridCallback<PFNTEXTCHECK> m_textCheck;
    int m_nCol = -1;
    int m_nRow = -1;
    CListCtrlEx* m_pOwner = nullptr;
    const KeyColorMap* m_pColorMap = nullptr;
    COLORREF m_crText = CLR_UNCHANGED;
    COLORREF m_crBack = CLR_UNCHANGED;
    std::unique_ptr<QBrush> m_brBack;
    bool m_bWindow = false;
    QString m_strPreedit; // composition the input method has not committed yet
};

} // namespace Pelmo
