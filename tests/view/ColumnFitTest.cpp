// The columns fit the window's width until the user sets them by hand.

#include "ViewFixture.h"

#include "view/ColumnFit.h"

namespace {

int RightEdge(const Pelmo::CListCtrlEx& grid) {
    int right = 0;
    for (int col = 0; col < grid.GetColumnCount(); ++col)
        right += grid.GetColumnWidth(col);
    return right;
}

} // namespace

TEST(ColumnFitWidths, NarrowInProportionDownToEachMinimum) {
    const struct {
        const char* name;
        std::vector<int> preferred;
        std::vector<int> minimum;
        int available;
        std::vector<int> expected;
    } cases[] = {
        {"room to spare", {200, 250}, {50, 50}, 600, {200, 250}},
        {"in proportion", {200, 200, 400}, {50, 50, 50}, 400, {100, 100, 200}},
        {"rounding goes to the last", {100, 100, 100}, {10, 10, 10}, 200, {66, 66, 68}},
        {"one held at its minimum", {300, 50, 300}, {60, 40, 60}, 300, {130, 40, 130}},
        {"not even the minimums fit", {300, 300}, {80, 80}, 100, {80, 80}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CColumnFit::Fitted(c.preferred, c.minimum, c.available), c.expected);
    }
}

TEST_F(ViewTest, ColumnsFitTheWindowUntilTheUserDragsAnEdge) {
    window->resize(600, 400);
    QApplication::processEvents();
    Open(SamplePath());
    const int visible = grid->viewport()->width();
    EXPECT_LE(RightEdge(*grid), visible);
    EXPECT_GE(RightEdge(*grid), visible - 20); // filled, but for the scroll bar's room
    EXPECT_GT(grid->GetColumnWidth(3), grid->GetColumnWidth(0)); // in the given proportion

    // Wider again: back to the widths given, not wider.
    window->resize(1400, 400);
    QApplication::processEvents();
    EXPECT_EQ(grid->GetColumnWidth(2), 250);

    // An edge dragged by the user: from now on the widths are theirs.
    DragColumnEdge(0, 40);
    const int dragged = grid->GetColumnWidth(0);
    EXPECT_EQ(dragged, 240);
    window->resize(600, 400);
    QApplication::processEvents();
    EXPECT_EQ(grid->GetColumnWidth(0), dragged);
    EXPECT_EQ(grid->GetColumnWidth(2), 250);
}
