#include "grid/RowHeader.h"
#include "grid/GridTypes.h"
#include "grid/HeaderCtrlEx.h"
#include "grid/ListCtrlBase.h"
#include "tests/grid/GridTestFixture.h"

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>
#include <QWidget>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

using namespace Pelmo;

namespace {

constexpr unsigned kVisible = 0x10000000; // WS_VISIBLE

class RowHeaderOnGrid : public ::testing::Test {
protected:
    void SetUp() override {
        parent.resize(500, 320);
        grid = new CListCtrlBase(&parent);
        grid->Create(kVisible, QRect(10, 10, 400, 240), &parent, 1010);
        grid->SetNotifyHandler([this](const GRIDNOTIFY& n) { notes.push_back(n); });
        grid->InsertColumn(0, "A", false, LVCFMT_LEFT, 120);
        grid->InsertColumn(1, "B", false, LVCFMT_LEFT, 120);
        grid->SetRowHeaderWidth(40);
        rows = grid->GetRowHeader();
        parent.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    }
    void AddRows(int n) {
        for (int i = 0; i < n; ++i)
            grid->InsertItem(grid->GetItemCount(), QString::number(i));
    }
    // The button of a row in the row header's coordinates, from the grid's own geometry.
    QRect Button(int nRow) const {
        QRect r;
        grid->GetItemRect(nRow, &r, LVIR_BOUNDS);
        const int top = rows->mapFromGlobal(grid->viewport()->mapToGlobal(r.topLeft())).y();
        return QRect(0, top, rows->width(), r.height() + 1);
    }
    QPoint Corner() const { return QPoint(5, 3); }
    QPoint SizingEdge() const { return QPoint(rows->width() - 3, 3); }
    QImage Render() const { return rows->grab().toImage(); }
    QColor Face(const QImage& img, int nRow) const {
        // Inside the button, left of any centred text.
        return QColor(img.pixel(2, Button(nRow).top() + 2));
    }
    void Mouse(QEvent::Type type, Qt::MouseButton button, const QPoint& pt) {
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::MouseButtons() : Qt::MouseButtons(button);
        QMouseEvent e(type, pt, rows->mapToGlobal(pt),
                      type == QEvent::MouseMove ? Qt::NoButton : button, held, Qt::NoModifier);
        QApplication::sendEvent(rows, &e);
    }
    void Click(const QPoint& pt, Qt::MouseButton button = Qt::LeftButton) {
        Mouse(QEvent::MouseButtonPress, button, pt);
        Mouse(QEvent::MouseButtonRelease, button, pt);
    }
    std::vector<int> SelectedRows() const {
        std::vector<int> out;
        for (int i = 0; i < grid->GetItemCount(); ++i) {
            if (grid->GetItemState(i, LVIS_SELECTED) & LVIS_SELECTED)
                out.push_back(i);
        }
        return out;
    }
    static bool WaitFor(const std::function<bool()>& done, int ms = 3000) {
        for (int waited = 0; waited < ms && !done(); waited += 5)
            QTest::qWait(5);
        return done();
    }

    QWidget parent;
    CListCtrlBase* grid = nullptr;
    CRowHeader* rows = nullptr;
    std::vector<GRIDNOTIFY> notes;
};

// ---- Texts ------------------------------------------------------------------------------

TEST_F(RowHeaderOnGrid, ButtonsShowNumbersOrLabelsAnAsteriskForTheAppendRowItalicWithABlank) {
    AddRows(3);
    grid->SetAppendRow(true);
    EXPECT_EQ(QStringList({"1", "2", "3", "*"}), QStringList({rows->RowText(0), rows->RowText(1),
                                                              rows->RowText(2), rows->RowText(3)}));
    grid->SetRowLabel(1, "second");
    grid->SetRowHeaderUseLabels(true);
    EXPECT_EQ(
        QStringList({"", "second", "", "*"}),
        QStringList({rows->RowText(0), rows->RowText(1), rows->RowText(2), rows->RowText(3)}));
    QFont italic = rows->font();
    italic.setItalic(true);
    grid->SetHeaderFont(italic);
    EXPECT_EQ(
        QStringList({" ", "second ", " ", "* "}),
        QStringList({rows->RowText(0), rows->RowText(1), rows->RowText(2), rows->RowText(3)}));
}

TEST_F(RowHeaderOnGrid, TheAppendRowsButtonShowsAnAsterisk) {
    AddRows(3);
    grid->SetAppendRow(true);
    grid->SetRowLabel(1, "*");
    grid->SetRowLabel(2, "#");
    grid->SetRowHeaderUseLabels(true);
    const QImage img = Render();
    const QImage star = img.copy(Button(1));
    const QImage append = img.copy(Button(3));
    ASSERT_FALSE(append.isNull());
    // Drawn exactly like a button labelled "*", and unlike one labelled "#".
    EXPECT_EQ(star, append);
    EXPECT_NE(img.copy(Button(2)), append);
}

// ---- Marks ------------------------------------------------------------------------------

TEST_F(RowHeaderOnGrid, TheFocusedRowIsTintedInCellModeAndSelectedRowsInRowMode) {
    AddRows(4);
    const QColor tint = ToQColor(CLR_HEADER_TINT);
    grid->SetCurrentCell(1, 0, false, false);
    QImage img = Render();
    EXPECT_EQ(tint, Face(img, 1));
    EXPECT_NE(tint, Face(img, 0));
    EXPECT_NE(tint, Face(img, 2));

    grid->SelectRow(2, true);
    grid->SelectRow(3, true);
    img = Render();
    EXPECT_NE(tint, Face(img, 1)); // still focused, but not selected
    EXPECT_EQ(tint, Face(img, 2));
    EXPECT_EQ(tint, Face(img, 3));
}

int CountBlue(const QImage& img, const QRect& area) {
    int blue = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c(img.pixel(x, y));
            if (c.blue() > 180 && c.red() < 90 && c.green() < 90)
                ++blue;
        }
    }
    return blue;
}

TEST_F(RowHeaderOnGrid, TheRowBeingEditedShowsItsNumberInBlueOnATintedFace) {
    AddRows(3);
    ASSERT_TRUE(grid->BeginEdit(1, 0));
    ASSERT_EQ(1, grid->GetEditState(1));
    const QImage img = Render();
    EXPECT_EQ(ToQColor(CLR_HEADER_TINT), Face(img, 1));
    EXPECT_GT(CountBlue(img, Button(1).intersected(img.rect())), 0);
    EXPECT_EQ(0, CountBlue(img, Button(0).intersected(img.rect())));
    // The editor in the first column touches the row header: its frame colour runs on
    // along the row header's right edge, where other rows show the grid line.
    const int x = rows->width() - 1;
    EXPECT_EQ(ToQColor(grid->GetKeyColor(CK_EDIT_FRAME)),
              QColor(img.pixel(x, Button(1).center().y())));
    EXPECT_EQ(ToQColor(grid->GetKeyColor(CK_GRIDLINE)),
              QColor(img.pixel(x, Button(0).center().y())));
    grid->CancelEdit();
}

TEST_F(RowHeaderOnGrid, TheRowWithTheDropDownListOpenShowsItsNumberInBlue) {
    AddRows(3);
    const QStringList choices{"a", "b"};
    grid->SetColumnChoiceList(1, &choices, 5, QChar('|'));
    ASSERT_TRUE(grid->BeginEdit(2, 1));
    ASSERT_EQ(2, grid->GetEditState(2));
    const QImage img = Render();
    EXPECT_GT(CountBlue(img, Button(2).intersected(img.rect())), 0);
    // Only the edit box's row carries the editor's frame colour on its edge.
    EXPECT_EQ(ToQColor(grid->GetKeyColor(CK_GRIDLINE)),
              QColor(img.pixel(rows->width() - 1, Button(2).center().y())));
    grid->CancelEdit();
}

// ---- Hit testing and clicks ----------------------------------------------------------------

TEST_F(RowHeaderOnGrid, HitTestFindsTheCornerTheRowsAndNothingBelowThem) {
    AddRows(3);
    EXPECT_EQ(CRowHeader::HIT_CORNER, rows->HitTestRow(Corner()));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(i, rows->HitTestRow(Button(i).center())) << i;
    EXPECT_EQ(CRowHeader::HIT_NONE, rows->HitTestRow(QPoint(5, Button(2).bottom() + 5)));
}

TEST_F(RowHeaderOnGrid, ClicksSelectARowTheCornerSelectsAllAndADragSelectsARange) {
    AddRows(6);
    Click(Button(2).center());
    EXPECT_EQ(std::vector<int>({2}), SelectedRows());
    EXPECT_TRUE(grid->IsRowSelect());

    Click(Corner());
    EXPECT_EQ(6u, SelectedRows().size());

    Mouse(QEvent::MouseButtonPress, Qt::LeftButton, Button(1).center());
    Mouse(QEvent::MouseMove, Qt::LeftButton, Button(2).center());
    Mouse(QEvent::MouseMove, Qt::LeftButton, Button(4).center());
    Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, Button(4).center());
    EXPECT_EQ(std::vector<int>({1, 2, 3, 4}), SelectedRows());
}

TEST_F(RowHeaderOnGrid, AClickThatMovesTheFocusReportsTheCurrentCellOnce) {
    AddRows(6);
    grid->SetCurrentCell(0, 0, false, false);
    notes.clear();
    Click(Button(3).center());
    std::vector<GRIDNOTIFY> reports;
    for (const GRIDNOTIFY& n : notes) {
        if (n.code == GN_CURCELLCHANGED)
            reports.push_back(n);
    }
    ASSERT_EQ(1u, reports.size());
    EXPECT_EQ(3, reports[0].nRow);
    EXPECT_EQ(0, reports[0].nCol);

    // The same row again: nothing changed, nothing to report.
    notes.clear();
    Click(Button(3).center());
    for (const GRIDNOTIFY& n : notes)
        EXPECT_NE(GN_CURCELLCHANGED, n.code);
}

TEST_F(RowHeaderOnGrid, DraggingPastTheBottomRunsTheSelectionOnToTheLastRowEveryTime) {
    const int nPage = grid->GetCountPerPage();
    ASSERT_GT(nPage, 2);
    AddRows(nPage + 3);
    const int nLast = nPage + 2;
    const QPoint below(5, rows->height() + 30);
    // The second drag's first tick aims at the row where the first drag ended; it must
    // still select up to it.
    for (int pass = 0; pass < 2; ++pass) {
        const int nTop = grid->GetTopIndex();
        Mouse(QEvent::MouseButtonPress, Qt::LeftButton, Button(nTop + 1).center());
        Mouse(QEvent::MouseMove, Qt::LeftButton, below);
        // A tick reaches one page below the top row and scrolls it into view.
        ASSERT_TRUE(WaitFor([&] { return SelectedRows().size() > 1; })) << pass;
        EXPECT_EQ(std::min(nTop + nPage, nLast), SelectedRows().back()) << pass;
        ASSERT_TRUE(WaitFor([&] { return SelectedRows().back() == nLast; })) << pass;
        QTest::qWait(120);
        EXPECT_EQ(size_t(nLast - nTop), SelectedRows().size()) << pass; // never past the end
        Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, below);
    }
    EXPECT_GT(grid->GetTopIndex(), 0);
}

TEST_F(RowHeaderOnGrid, AClickWhileEditingEndsTheEditAndTheClickEditCallbackMayRefuseIt) {
    AddRows(4);
    ClickEditLog seen;
    seen.result = false;
    grid->SetClickEditCallback(&LogClickEdit, &seen);
    grid->SetCurrentCell(0, 1, false, false);
    ASSERT_TRUE(grid->BeginEdit(0, 1));
    Click(Button(3).center());
    EXPECT_FALSE(grid->IsEditing());
    EXPECT_EQ(1, seen.calls);
    EXPECT_EQ(0, seen.editRow);
    EXPECT_EQ(1, seen.editCol);
    EXPECT_EQ(3, seen.row);
    EXPECT_EQ(-1, seen.col);
    EXPECT_TRUE(seen.left);
    EXPECT_EQ(std::vector<int>({0}), SelectedRows()); // the refused click selected nothing

    // Accepted, a click on the corner asks with row -1 and selects everything.
    seen.result = true;
    ASSERT_TRUE(grid->BeginEdit(0, 1));
    Click(Corner());
    EXPECT_EQ(2, seen.calls);
    EXPECT_EQ(-1, seen.row);
    EXPECT_EQ(4u, SelectedRows().size());
}

// ---- Width ----------------------------------------------------------------------------

TEST_F(RowHeaderOnGrid, DraggingTheCornersRightEdgeSetsTheWidth) {
    AddRows(2);
    Mouse(QEvent::MouseButtonPress, Qt::LeftButton, SizingEdge());
    Mouse(QEvent::MouseMove, Qt::LeftButton, QPoint(75, 3));
    EXPECT_EQ(75, grid->GetRowHeaderWidth());
    Mouse(QEvent::MouseMove, Qt::LeftButton, QPoint(-20, 3));
    EXPECT_EQ(3, grid->GetRowHeaderWidth()); // at least 1, and the grid's minimum is 3
    Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, QPoint(-20, 3));
    Mouse(QEvent::MouseMove, Qt::NoButton, QPoint(1, 3));
    EXPECT_EQ(3, grid->GetRowHeaderWidth());
    EXPECT_TRUE(SelectedRows().empty());
}

TEST_F(RowHeaderOnGrid, DoubleClickOnTheSizingEdgeFitsTheTextsUnlessColumnSizingIsOff) {
    AddRows(3);
    grid->SetRowHeaderUseLabels(true);
    const QFontMetrics fm(rows->font());
    // The width grows only for a text wider than the width so far: "WWi" fits in "WW" + 20,
    // so only "WWWWWWWWWW" adds to it.
    grid->SetRowLabel(0, "WW");
    grid->SetRowLabel(1, "WWi");
    ASSERT_LT(fm.horizontalAdvance("WWi"), fm.horizontalAdvance("WW") + 20);
    EXPECT_EQ(fm.horizontalAdvance("WW") + 20, rows->CalcFitWidth());
    grid->SetRowLabel(2, "WWWWWWWWWW");
    const int nFit = fm.horizontalAdvance("WWWWWWWWWW") + 20;
    EXPECT_EQ(nFit, rows->CalcFitWidth());

    Mouse(QEvent::MouseButtonDblClick, Qt::LeftButton, SizingEdge());
    Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, SizingEdge());
    EXPECT_EQ(nFit, grid->GetRowHeaderWidth());

    grid->SetRowHeaderWidth(80);
    grid->EnableColumnSizing(false);
    Mouse(QEvent::MouseButtonDblClick, Qt::LeftButton, SizingEdge());
    Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, SizingEdge());
    EXPECT_EQ(80, grid->GetRowHeaderWidth());
}

// ---- Right button and wheel ---------------------------------------------------------

TEST_F(RowHeaderOnGrid, RightClickReportsTheRowOrTheCornerOnlyWhenReleasedOnIt) {
    AddRows(5);
    Mouse(QEvent::MouseButtonPress, Qt::RightButton, Button(3).center());
    Mouse(QEvent::MouseButtonRelease, Qt::RightButton, Button(4).center());
    EXPECT_TRUE(notes.empty());

    Click(Button(3).center(), Qt::RightButton);
    Click(Corner(), Qt::RightButton);
    Click(QPoint(5, Button(4).bottom() + 10), Qt::RightButton); // below the rows
    ASSERT_EQ(2u, notes.size());
    EXPECT_EQ(unsigned(GN_RCLICK), notes[0].code);
    EXPECT_EQ(GE_RCLICK_ROWHEADER, notes[0].nEvent);
    EXPECT_EQ(3, notes[0].nRow);
    EXPECT_EQ(-1, notes[0].nCol);
    EXPECT_EQ(-1, notes[1].nRow);
    EXPECT_EQ(-1, notes[1].nCol);
}

TEST_F(RowHeaderOnGrid, TheWheelScrollsTheGridAndTheButtonsFollow) {
    AddRows(80);
    const QPoint pt = Button(1).center();
    QWheelEvent wheel(pt, rows->mapToGlobal(pt), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(rows, &wheel);
    const int nTop = grid->GetTopIndex();
    EXPECT_GT(nTop, 0);
    // The buttons are read from the grid's rows, so they moved with it.
    EXPECT_EQ(nTop, rows->HitTestRow(Button(nTop).center()));
    EXPECT_EQ(nTop + 1, rows->HitTestRow(Button(nTop + 1).center()));
    EXPECT_EQ(CRowHeader::HIT_CORNER, rows->HitTestRow(Corner()));
}

} // namespace
