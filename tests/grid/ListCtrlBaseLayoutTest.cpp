#include "grid/HeaderCtrlEx.h"
#include "grid/RowHeader.h"
#include "tests/grid/GridTestFixture.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QScrollBar>

using namespace Pelmo;

using GridLayoutTest = GridTest;

TEST_F(GridLayoutTest, RowHeaderWidthRules) {
    EXPECT_EQ(grid->GetRowHeaderWidth(), -1);
    EXPECT_FALSE(grid->GetRowHeader()->isVisible()); // a fresh grid shows no row header
    grid->SetRowHeaderWidth(2);
    EXPECT_EQ(grid->GetRowHeaderWidth(), 3);
    EXPECT_TRUE(grid->GetRowHeader()->isVisible());
    EXPECT_EQ(grid->GetRowHeader()->width(), 3);
    grid->SetRowHeaderWidth(0);
    EXPECT_EQ(grid->GetRowHeaderWidth(), 3);
    grid->SetRowHeaderWidth(-5);
    EXPECT_EQ(grid->GetRowHeaderWidth(), -1);
    EXPECT_FALSE(grid->GetRowHeader()->isVisible());
}

TEST_F(GridLayoutTest, GridAndRowHeaderShareTheOuterRectangle) {
    grid->MoveGrid(QRect(20, 30, 300, 200));
    grid->SetRowHeaderWidth(40);
    EXPECT_EQ(grid->GetRowHeader()->geometry(), QRect(20, 30, 40, 200));
    EXPECT_EQ(grid->geometry(), QRect(59, 30, 261, 200)); // overlapping by one pixel
    EXPECT_EQ(grid->GetGridRect(), QRect(parent->mapToGlobal(QPoint(20, 30)), QSize(300, 200)));

    // Narrower than the row header: the row header fills it, the grid keeps one pixel.
    grid->MoveGrid(QRect(5, 5, 30, 100));
    EXPECT_EQ(grid->GetRowHeader()->geometry(), QRect(5, 5, 30, 100));
    EXPECT_EQ(grid->geometry(), QRect(5, 5, 1, 100));

    grid->SetGridSize(250, 120);
    EXPECT_EQ(grid->GetGridRect(), QRect(parent->mapToGlobal(QPoint(5, 5)), QSize(250, 120)));
    grid->SetRowHeaderWidth(-1);
    EXPECT_EQ(grid->geometry(), QRect(5, 5, 250, 120));
}

TEST_F(GridLayoutTest, FitToParentStretchesToTheMargins) {
    parent->resize(500, 400);
    grid->MoveGrid(QRect(20, 30, 100, 100));
    grid->FitToParent(10, 10);
    EXPECT_EQ(grid->geometry(), QRect(QPoint(20, 30), QPoint(489, 389)));
    grid->SetRowHeaderWidth(30);
    grid->FitToParent(10, 10);
    EXPECT_EQ(grid->GetGridRect(), QRect(parent->mapToGlobal(QPoint(20, 30)), QSize(470, 360)));

    // The top edge already at or below the bottom margin: nothing moves.
    grid->MoveGrid(QRect(20, 395, 100, 100));
    grid->FitToParent(10, 10);
    EXPECT_EQ(grid->GetGridRect().size(), QSize(100, 100));
    // A margin past the left edge never turns the rectangle inside out.
    grid->SetRowHeaderWidth(-1);
    grid->MoveGrid(QRect(20, 30, 100, 100));
    grid->FitToParent(600, 10);
    EXPECT_EQ(grid->GetGridRect().width(), 0);
}

TEST_F(GridLayoutTest, RowHeightFollowsTheFontUnlessSet) {
    grid->SetFont(QStringLiteral("IPAGothic"), 12, false, false);
    const int textHeight = QFontMetrics(grid->GetFont()).height();
    EXPECT_EQ(grid->GetRowHeight(), textHeight + 10);
    Fill(1, 2);
    QRect rc;
    ASSERT_TRUE(grid->GetItemRect(1, &rc, LVIR_BOUNDS));
    EXPECT_EQ(rc.height(), textHeight + 10);
    grid->SetRowHeight(30);
    EXPECT_EQ(grid->GetRowHeight(), 30);
    grid->GetItemRect(1, &rc, LVIR_BOUNDS);
    EXPECT_EQ(rc.top(), 30);
    grid->SetRowHeight(-1);
    EXPECT_EQ(grid->GetRowHeight(), textHeight + 10);
}

TEST_F(GridLayoutTest, FontChangeKeepsTheScrollPosition) {
    for (int c = 0; c < 6; ++c)
        grid->InsertColumn(c, QStringLiteral("C%1").arg(c), false, 0, 200);
    for (int r = 0; r < 200; ++r)
        grid->InsertItem(r, QString::number(r));
    grid->Scroll(150, 40 * grid->GetRowHeight());
    ASSERT_EQ(grid->GetTopIndex(), 40);
    ASSERT_EQ(grid->GetScrollX(), 150);
    grid->SetFont(QStringLiteral("IPAGothic"), 18, true, true);
    EXPECT_EQ(grid->GetTopIndex(), 40);
    EXPECT_EQ(grid->GetScrollX(), 150);
    EXPECT_TRUE(grid->GetFont().bold());
    EXPECT_TRUE(grid->GetFont().italic());
    grid->SetRowHeight(50);
    EXPECT_EQ(grid->GetTopIndex(), 40);
}

TEST_F(GridLayoutTest, GridFontLeavesTheHeaderFontAlone) {
    grid->SetHeaderFont(QStringLiteral("IPAPGothic"), 9, true, false);
    grid->SetFont(QStringLiteral("IPAGothic"), 16, false, false);
    const QFont header = grid->GetHeaderFont();
    EXPECT_EQ(header.pointSize(), 9);
    EXPECT_TRUE(header.bold());
    EXPECT_EQ(grid->GetFont().pointSize(), 16);
}

TEST_F(GridLayoutTest, HeaderLinesAndHeight) {
    grid->InsertColumn(0, QStringLiteral("A"));
    grid->InsertItem(0, QStringLiteral("x"));
    grid->SetHeaderFont(QStringLiteral("IPAGothic"), 10, false, false);
    grid->SetHeaderLines(2);
    int height = -2;
    EXPECT_EQ(grid->GetHeaderLines(&height), 2);
    const int expected = 2 * QFontMetrics(grid->GetHeaderFont()).height() + 10;
    EXPECT_EQ(height, expected);
    EXPECT_EQ(grid->GetHeaderCtrl()->height(), expected);
    EXPECT_EQ(grid->viewport()->geometry().top() - grid->GetHeaderCtrl()->geometry().top(),
              expected);

    grid->SetHeaderLines(0);
    grid->GetHeaderLines(&height);
    EXPECT_EQ(height, 0);
    EXPECT_EQ(grid->GetHeaderCtrl()->height(), 0);

    grid->SetHeaderHeight(25);
    EXPECT_EQ(grid->GetHeaderLines(&height), -1);
    EXPECT_EQ(height, 25);
    EXPECT_EQ(grid->GetHeaderCtrl()->height(), 25);
    grid->SetHeaderHeight(-4);
    grid->GetHeaderLines(&height);
    EXPECT_EQ(height, 0);
}

TEST_F(GridLayoutTest, ScrollCellIntoViewLeavesTenPixels) {
    for (int c = 0; c < 5; ++c)
        grid->InsertColumn(c, QStringLiteral("C%1").arg(c), false, 0, 200);
    for (int r = 0; r < 100; ++r)
        grid->InsertItem(r, QString::number(r));
    const int client = grid->viewport()->width();
    grid->ScrollCellIntoView(60, 3);
    EXPECT_EQ(grid->GetScrollX(), 800 - client + 10);
    EXPECT_LE(grid->GetTopIndex(), 60);
    EXPECT_GT(grid->GetTopIndex() + grid->GetCountPerPage(), 60);
    grid->ScrollCellIntoView(0, 1);
    EXPECT_EQ(grid->GetScrollX(), 200 - 1 - 10);
    EXPECT_EQ(grid->GetTopIndex(), 0);
}

TEST_F(GridLayoutTest, HitTestFindsHeaderRowHeaderAndCells) {
    Fill(3, 5);
    grid->SetRowHeaderWidth(30);
    GRIDHITTEST hit;
    QHeaderView* header = grid->GetHeaderCtrl();
    const QPoint onHeader = header->mapToGlobal(QPoint(header->sectionPosition(1) + 5, 3));
    ASSERT_TRUE(grid->HitTestCell(onHeader, &hit));
    EXPECT_EQ(hit.nArea, GHT_COLUMNHEADER);
    EXPECT_EQ(hit.nRow, -1);
    EXPECT_EQ(hit.nCol, 1);

    QRect cell = grid->GetCellRect(2, 2);
    ASSERT_TRUE(grid->HitTestCell(grid->viewport()->mapToGlobal(cell.center()), &hit));
    EXPECT_EQ(hit.nArea, GHT_CELL);
    EXPECT_EQ(hit.nRow, 2);
    EXPECT_EQ(hit.nCol, 2);

    const QPoint onRow = grid->viewport()->mapToGlobal(cell.center());
    const QPoint inRowHeader = grid->GetRowHeader()->mapFromGlobal(onRow);
    ASSERT_TRUE(
        grid->HitTestCell(grid->GetRowHeader()->mapToGlobal(QPoint(10, inRowHeader.y())), &hit));
    EXPECT_EQ(hit.nArea, GHT_ROWHEADER);
    EXPECT_EQ(hit.nRow, 2);
    EXPECT_EQ(hit.nCol, -1);

    // Below the last row there is no cell.
    EXPECT_FALSE(grid->HitTestCell(grid->viewport()->mapToGlobal(QPoint(5, 290)), &hit));
}

TEST_F(GridLayoutTest, HeaderStaysOverItsColumnInAMirroredWindow) {
    // A grid made while the whole program is mirrored, as -reverse does it.
    QGuiApplication::setLayoutDirection(Qt::RightToLeft);
    grid = new Pelmo::CListCtrlBase;
    QGuiApplication::setLayoutDirection(Qt::LeftToRight);
    grid->Create(kVisible, QRect(10, 10, 500, 300), parent.get(), 1011);
    parent->setLayoutDirection(Qt::RightToLeft);
    Fill(3, 2);
    QHeaderView* header = grid->GetHeaderCtrl();
    for (int col = 0; col < 3; ++col) {
        const QPoint headerLeft =
            header->mapToGlobal(QPoint(header->sectionViewportPosition(col), 0));
        const QPoint cellLeft = grid->viewport()->mapToGlobal(grid->GetCellRect(0, col).topLeft());
        // The header section's frame starts one pixel off the cell's grid line.
        EXPECT_NEAR(headerLeft.x(), cellLeft.x(), 1) << "column " << col;
    }
}

TEST_F(GridLayoutTest, JapaneseFamiliesResolveToInstalledFonts) {
    InstallJapaneseFontSubstitutes();
    const QString gothic = QFontInfo(QFont(QStringLiteral("ＭＳ ゴシック"))).family();
    const QString ui = QFontInfo(QFont(QStringLiteral("MS UI Gothic"))).family();
    EXPECT_TRUE(gothic.startsWith(QStringLiteral("IPA")) || gothic.contains("CJK"))
        << gothic.toStdString();
    EXPECT_TRUE(ui.startsWith(QStringLiteral("IPA")) || ui.contains("CJK")) << ui.toStdString();
}
