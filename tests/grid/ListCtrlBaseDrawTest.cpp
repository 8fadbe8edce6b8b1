#include "grid/HeaderCtrlEx.h"
#include "grid/RowHeader.h"
#include "tests/grid/GridTestFixture.h"

#include <QImage>
#include <QLineEdit>
#include <QTest>

using namespace Pelmo;

namespace {

class GridDrawTest : public GridTest {
protected:
    void SetUp() override {
        GridTest::SetUp();
        other = new QLineEdit(parent.get());
        other->setGeometry(520, 10, 60, 20);
        other->show();
        grid->SetFont(QStringLiteral("IPAGothic"), 10, false, false);
    }

    // The grid as it is on screen, and a cell's rectangle in that image.
    QImage Render() {
        QApplication::processEvents();
        return grid->grab().toImage();
    }
    QRect CellInImage(int row, int col) const {
        return grid->GetCellRect(row, col).translated(grid->viewport()->geometry().topLeft());
    }
    static COLORREF Pixel(const QImage& image, QPoint pt) {
        return FromQColor(image.pixelColor(pt));
    }
    // Pixels clearly darker than mid-grey inside r: text, ticks and frames.
    static int DarkPixels(const QImage& image, const QRect& r) {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                n += image.pixelColor(x, y).lightness() < 100 ? 1 : 0;
        return n;
    }
    void FocusGrid() {
        parent->activateWindow();
        grid->setFocus();
        QApplication::processEvents();
        ASSERT_TRUE(grid->HasGridFocus());
    }
    void FocusElsewhere() {
        other->setFocus();
        QApplication::processEvents();
        ASSERT_FALSE(grid->HasGridFocus());
    }

    QLineEdit* other = nullptr;
};

} // namespace

TEST_F(GridDrawTest, SelectedCellColourIsDarkenedOrTakenFromTheKeys) {
    grid->InsertColumn(0, QStringLiteral("A"), false, 0, 100);
    grid->InsertColumn(1, QStringLiteral("B"), false, 0, 100);
    grid->InsertItem(0, QString());
    grid->InsertItem(1, QString());
    grid->SetCellColor(0, 0, RGB(0, 0, 0), 0x0000FF);
    grid->SetCurrentCell(0, 0, false, false);
    FocusGrid();

    QImage image = Render();
    EXPECT_EQ(Pixel(image, CellInImage(0, 0).center()), 0x0000CCu);
    // Unselected cells keep their colours; the other column of the row is not selected.
    EXPECT_EQ(Pixel(image, CellInImage(0, 1).center()), grid->GetKeyColor(CK_BACK));

    // Only key colours: key 2 with the focus, key 3 without.
    grid->SetCurrentCell(1, 1, false, false);
    image = Render();
    EXPECT_EQ(Pixel(image, CellInImage(1, 1).center()), grid->GetKeyColor(CK_SELECTED_BACK));
    EXPECT_EQ(Pixel(image, CellInImage(0, 0).center()), 0x0000FFu);
    FocusElsewhere();
    image = Render();
    EXPECT_EQ(Pixel(image, CellInImage(1, 1).center()), RGB(0xD9, 0xD9, 0xD9));

    // Whole-row selection colours every cell of the row.
    grid->SelectRow(0, true);
    image = Render();
    EXPECT_EQ(Pixel(image, CellInImage(0, 1).center()), RGB(0xD9, 0xD9, 0xD9));
    EXPECT_EQ(Pixel(image, CellInImage(0, 0).center()), 0x0000CCu);
}

TEST_F(GridDrawTest, ReadOnlyCellsAndGridLinesUseTheirKeys) {
    grid->InsertColumn(0, QStringLiteral("A"), false, 0, 100);
    grid->InsertColumn(1, QStringLiteral("B"), false, 0, 100);
    grid->InsertItem(0, QString(), true);
    grid->InsertItem(1, QString());
    grid->SetKeyColor(CK_READONLY_BACK, RGB(10, 200, 30));
    grid->SetKeyColor(CK_GRIDLINE, RGB(200, 0, 200));
    const QImage image = Render();
    EXPECT_EQ(Pixel(image, CellInImage(0, 1).center()), RGB(10, 200, 30));
    EXPECT_EQ(Pixel(image, CellInImage(1, 1).center()), grid->GetKeyColor(CK_BACK));
    // Cells share their borders: column 1's left line is column 0's right edge.
    const QRect cell = CellInImage(1, 1);
    EXPECT_EQ(Pixel(image, QPoint(cell.left(), cell.center().y())), RGB(200, 0, 200));
    EXPECT_EQ(Pixel(image, QPoint(cell.center().x(), cell.bottom())), RGB(200, 0, 200));
    EXPECT_EQ(CellInImage(0, 1).bottom(), cell.top());
}

TEST_F(GridDrawTest, CheckBoxIsCentredVerticallyAtFourteenPixelsAndMore) {
    grid->InsertColumn(0, QStringLiteral("A"), false, 0, 60);
    grid->SetColumnCheckBox(0);
    grid->InsertItem(0, QStringLiteral("abc"));
    grid->InsertItem(1, QString());
    grid->SetColumnCheckBox(0);
    const int margin = grid->GetTextMargin();
    for (const int rowHeight : {30, 29}) {
        grid->SetRowHeight(rowHeight);
        const QImage image = Render();
        const QRect cell = CellInImage(0, 0);
        ASSERT_EQ(cell.height(), rowHeight + 1);
        const int x = cell.left() + margin; // the box's left line
        int first = -1;
        int last = -1;
        for (int y = cell.top() + 1; y < cell.bottom(); ++y) {
            if (image.pixelColor(x, y).lightness() < 200) {
                if (first < 0)
                    first = y;
                last = y;
            }
        }
        EXPECT_EQ(first - cell.top(), 8) << rowHeight;
        EXPECT_EQ(last - first + 1, rowHeight == 30 ? 15 : 14) << rowHeight;
        // Any text ticks the box; an empty one stays empty inside.
        const QRect inside(x + 2, first + 2, last - first - 3, last - first - 3);
        EXPECT_GT(DarkPixels(image, inside), 0);
        EXPECT_EQ(DarkPixels(image, inside.translated(0, rowHeight)), 0);
    }
}

TEST_F(GridDrawTest, ButtonCaptionIsGreyWhenReadOnly) {
    grid->InsertColumn(0, QStringLiteral("A"), false, 0, 120);
    grid->SetColumnButton(0);
    grid->InsertItem(0, QStringLiteral("Push"));
    grid->InsertItem(1, QStringLiteral("Push"), true);
    grid->SetCellColor(1, 0, RGB(0, 0, 0), CLR_UNCHANGED); // colours do not matter
    const QImage image = Render();
    const QRect editable = CellInImage(0, 0).adjusted(5, 5, -5, -5);
    const QRect readOnly = CellInImage(1, 0).adjusted(5, 5, -5, -5);
    EXPECT_GT(DarkPixels(image, editable), 10);
    EXPECT_EQ(DarkPixels(image, readOnly), 0);
}

TEST_F(GridDrawTest, TextFollowsTheColumnFormatAndIsCut) {
    grid->InsertColumn(0, QStringLiteral("L"), false, LVCFMT_LEFT, 120);
    grid->InsertColumn(1, QStringLiteral("R"), false, LVCFMT_RIGHT, 120);
    grid->InsertItem(0, QStringLiteral("XX"));
    grid->SetItemText(0, 1, QStringLiteral("XX"));
    const QImage image = Render();
    const QRect left = CellInImage(0, 0).adjusted(1, 1, -1, -1);
    const QRect right = CellInImage(0, 1).adjusted(1, 1, -1, -1);
    const auto half = [](const QRect& r, bool first) {
        return first ? QRect(r.left(), r.top(), r.width() / 2, r.height())
                     : QRect(r.left() + r.width() / 2, r.top(), r.width() / 2, r.height());
    };
    EXPECT_GT(DarkPixels(image, half(left, true)), 0);
    EXPECT_EQ(DarkPixels(image, half(left, false)), 0);
    EXPECT_EQ(DarkPixels(image, half(right, true)), 0);
    EXPECT_GT(DarkPixels(image, half(right, false)), 0);

    // A text too long for its cell never draws over the neighbour.
    grid->SetItemText(0, 0, QString(60, QLatin1Char('W')));
    grid->SetItemText(0, 1, QString());
    const QImage cut = Render();
    EXPECT_EQ(DarkPixels(cut, CellInImage(0, 1).adjusted(1, 1, -1, -1)), 0);
}

TEST_F(GridDrawTest, TextKeepsItsSideWhenTheProgramIsMirrored) {
    grid->InsertColumn(0, QStringLiteral("L"), false, LVCFMT_LEFT, 120);
    grid->InsertColumn(1, QStringLiteral("R"), false, LVCFMT_RIGHT, 120);
    grid->InsertItem(0, QStringLiteral("XX"));
    grid->SetItemText(0, 1, QStringLiteral("XX"));
    QGuiApplication::setLayoutDirection(Qt::RightToLeft);
    const QImage image = Render();
    QGuiApplication::setLayoutDirection(Qt::LeftToRight);
    const auto leftHalf = [](const QRect& r) { return r.adjusted(1, 1, -r.width() / 2, -1); };
    const auto rightHalf = [](const QRect& r) { return r.adjusted(r.width() / 2, 1, -1, -1); };
    EXPECT_EQ(DarkPixels(image, rightHalf(CellInImage(0, 0))), 0);
    EXPECT_EQ(DarkPixels(image, leftHalf(CellInImage(0, 1))), 0);
    QHeaderView* header = grid->GetHeaderCtrl();
    const QRect section(header->geometry().topLeft() +
                            QPoint(header->sectionViewportPosition(0), 0),
                        QSize(header->sectionSize(0), header->height()));
    EXPECT_GT(DarkPixels(image, leftHalf(section)), 0);
    EXPECT_EQ(DarkPixels(image, rightHalf(section)), 0);
}

TEST_F(GridDrawTest, ChoiceCellShowsTheDisplayTextBesideItsButton) {
    grid->InsertColumn(0, QStringLiteral("A"), false, 0, 150);
    const QStringList items = {QStringLiteral("k|WWWW")};
    grid->SetColumnChoiceList(0, &items, 5, QLatin1Char('|'));
    grid->InsertItem(0, QStringLiteral("k"));
    grid->InsertItem(1, QStringLiteral("unknown"));
    const QImage image = Render();
    const QRect cell = CellInImage(0, 0);
    const int button = grid->GetDropButtonWidth();
    const QRect textArea(cell.left() + 2, cell.top() + 4, cell.width() - button - 8,
                         cell.height() - 8);
    EXPECT_GT(DarkPixels(image, textArea), 0);
    EXPECT_EQ(DarkPixels(image, textArea.translated(0, cell.height() - 1)), 0);
    // The drop-down arrow sits in the rightmost part of the cell.
    const QRect arrow(cell.right() - 3 - button, cell.top() + 4, button, cell.height() - 8);
    EXPECT_GT(DarkPixels(image, arrow), 0);
    EXPECT_TRUE(grid->IsOnDropButton(
        grid->GetCellRect(0, 0).center() + QPoint(cell.width() / 2 - 5, 0), 0, 0));
    EXPECT_FALSE(grid->IsOnDropButton(grid->GetCellRect(0, 0).center(), 0, 0));
}

TEST_F(GridDrawTest, CurrentColumnHeaderIsTinted) {
    Fill(3, 2);
    grid->SetCurrentCell(1, 1, false, false);
    const QImage image = Render();
    QHeaderView* header = grid->GetHeaderCtrl();
    const QPoint origin = header->geometry().topLeft();
    const QPoint tinted = origin + QPoint(header->sectionViewportPosition(1) + 3, 3);
    const QPoint plain = origin + QPoint(header->sectionViewportPosition(0) + 3, 3);
    EXPECT_EQ(Pixel(image, tinted), CLR_HEADER_TINT);
    EXPECT_NE(Pixel(image, plain), CLR_HEADER_TINT);
}

TEST_F(GridDrawTest, AppendRowButtonShowsAnAsterisk) {
    Fill(1, 2);
    grid->SetAppendRow(true);
    grid->SetRowHeaderWidth(40);
    CRowHeader* rowHeader = grid->GetRowHeader();
    EXPECT_EQ(rowHeader->RowText(0), QStringLiteral("1"));
    EXPECT_EQ(rowHeader->RowText(2), QStringLiteral("*"));
    // The button of the append row carries its mark on screen.
    QApplication::processEvents();
    const QImage image = rowHeader->grab().toImage();
    const QRect row = grid->GetCellRect(2, 0);
    const int y = rowHeader->mapFromGlobal(grid->viewport()->mapToGlobal(row.topLeft())).y();
    EXPECT_GT(DarkPixels(image, QRect(2, y + 2, rowHeader->width() - 4, row.height() - 4)), 0);
}

TEST_F(GridDrawTest, DividerDoubleClickSizesByKind) {
    grid->InsertColumn(0, QStringLiteral("T"), false, 0, 200);
    grid->InsertColumn(1, QStringLiteral("C"), false, 0, 200);
    grid->InsertColumn(2, QStringLiteral("B"), false, 0, 200);
    grid->InsertColumn(3, QStringLiteral("L"), false, 0, 200);
    grid->SetColumnCheckBox(1);
    grid->SetColumnButton(2);
    const QStringList items = {QStringLiteral("k|WWWWWW")};
    grid->SetColumnChoiceList(3, &items, 5, QLatin1Char('|'));
    const int margins = 2 * grid->GetTextMargin();

    QHeaderView* header = grid->GetHeaderCtrl();
    const QPoint divider(header->sectionViewportPosition(0) + header->sectionSize(0) - 1,
                         header->height() / 2);
    QTest::mouseDClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, divider);
    EXPECT_EQ(grid->GetColumnWidth(0), margins + 15); // empty text column

    grid->InsertItem(0, QStringLiteral("a fairly long text"));
    grid->SetItemText(0, 3, QStringLiteral("k"));
    grid->AutoSizeColumn(0);
    const QFontMetrics fm(grid->GetFont());
    EXPECT_EQ(grid->GetColumnWidth(0),
              fm.horizontalAdvance(QStringLiteral("a fairly long text")) + margins);
    grid->AutoSizeColumn(1);
    EXPECT_EQ(grid->GetColumnWidth(1), margins + 14);
    grid->AutoSizeColumn(2);
    EXPECT_EQ(grid->GetColumnWidth(2), 200);
    grid->AutoSizeColumn(3);
    EXPECT_EQ(grid->GetColumnWidth(3), fm.horizontalAdvance(QStringLiteral("WWWWWW")) + margins +
                                           grid->GetDropButtonWidth());
}

TEST_F(GridDrawTest, FocusMarkRunsOnePixelInsideTheCurrentCell) {
    grid->InsertColumn(0, QStringLiteral("A"), false, 0, 100);
    grid->InsertColumn(1, QStringLiteral("B"), false, 0, 100);
    grid->InsertItem(0, QString());
    grid->InsertItem(1, QString());
    grid->SetCurrentCell(0, 0, false, false);
    FocusGrid();
    grid->SelectRow(1, true); // whole rows: row 1 selected, the focus stays on row 0
    grid->SetItemState(0, LVIS_FOCUSED, LVIS_FOCUSED);
    const QImage image = Render();
    const auto marks = [&](int row, int col, COLORREF color) {
        const QRect cell = CellInImage(row, col);
        int n = 0;
        for (int x = cell.left() + 2; x < cell.right() - 1; ++x)
            n += Pixel(image, QPoint(x, cell.top() + 1)) == color ? 1 : 0;
        return n;
    };
    EXPECT_GT(marks(0, 0, grid->GetKeyColor(CK_TEXT)), 10);
    EXPECT_EQ(marks(0, 1, grid->GetKeyColor(CK_TEXT)), 0);          // not the current column
    EXPECT_EQ(marks(1, 0, grid->GetKeyColor(CK_SELECTED_TEXT)), 0); // not the focused row
}
