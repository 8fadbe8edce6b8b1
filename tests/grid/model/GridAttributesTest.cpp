// The grid's attribute tables on their own: no widget, no QApplication.
#include "grid/GridAttributes.h"

#include <gtest/gtest.h>

using Pelmo::CELLCOLOR;
using Pelmo::CGridAttributes;

namespace {

constexpr unsigned kRow = 7;
constexpr unsigned kKey = 3;
constexpr unsigned kOtherKey = 4;

// ---------------------------------------------------------------- read-only precedence

struct ReadOnlyCase {
    const char* name;
    bool rowReadOnly;
    bool columnReadOnly;
    int cellOverride; // -1 none, 0 forced editable, 1 forced read-only
    bool expected;
};

// A failing case is named by its row, not by its bytes.
void PrintTo(const ReadOnlyCase& c, std::ostream* os) {
    *os << c.name;
}

class ReadOnlyPrecedence : public ::testing::TestWithParam<ReadOnlyCase> {};

TEST_P(ReadOnlyPrecedence, OverrideThenColumnOrRowFlag) {
    const ReadOnlyCase& c = GetParam();
    CGridAttributes attrs;
    attrs.AddRow(kRow, c.rowReadOnly);
    if (c.cellOverride >= 0)
        attrs.SetCellReadOnly(kRow, kKey, c.cellOverride == 1, c.columnReadOnly);
    EXPECT_EQ(attrs.IsCellReadOnly(kRow, kKey, c.columnReadOnly), c.expected);
    // The override stays with its cell.
    EXPECT_EQ(attrs.IsCellReadOnly(kRow, kOtherKey, c.columnReadOnly),
              c.rowReadOnly || c.columnReadOnly);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadOnlyPrecedence,
    ::testing::Values(ReadOnlyCase{"EditableRowAndColumn", false, false, -1, false},
                      ReadOnlyCase{"ReadOnlyRow", true, false, -1, true},
                      ReadOnlyCase{"ReadOnlyColumn", false, true, -1, true},
                      ReadOnlyCase{"EditableCellInReadOnlyRow", true, false, 0, false},
                      ReadOnlyCase{"EditableCellInReadOnlyColumn", false, true, 0, false},
                      ReadOnlyCase{"ReadOnlyCellInEditableRow", false, false, 1, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GridAttributes, UnknownRowsAreReadOnly) {
    CGridAttributes attrs;
    EXPECT_TRUE(attrs.IsRowReadOnly(kRow));
    EXPECT_TRUE(attrs.IsCellReadOnly(kRow, kKey, false));
    EXPECT_FALSE(attrs.HasRow(kRow));
}

TEST(GridAttributes, UndoingAnOverrideKeepsNoneWhenTheFlagsAgree) {
    CGridAttributes attrs;
    attrs.AddRow(kRow, false);
    attrs.SetCellReadOnly(kRow, kKey, true, false);
    attrs.SetCellReadOnly(kRow, kKey, false, false);
    EXPECT_FALSE(attrs.IsCellReadOnly(kRow, kKey, false));
    EXPECT_FALSE(attrs.HasCellOverrides(kRow));
}

TEST(GridAttributes, UndoingAnOverrideAddsTheOppositeWhenTheFlagsDisagree) {
    CGridAttributes attrs;
    attrs.AddRow(kRow, false);
    attrs.SetCellReadOnly(kRow, kKey, true, false);
    // The column became read-only meanwhile: dropping the override alone would leave the cell
    // read-only, so it is forced editable instead.
    attrs.SetCellReadOnly(kRow, kKey, false, true);
    EXPECT_FALSE(attrs.IsCellReadOnly(kRow, kKey, true));
    EXPECT_TRUE(attrs.HasCellOverrides(kRow));
}

TEST(GridAttributes, RowAndColumnFlagsReplaceTheirOverrides) {
    CGridAttributes attrs;
    attrs.AddRow(kRow, true);
    attrs.SetCellReadOnly(kRow, kKey, false, false);
    attrs.SetRowReadOnly(kRow, true);
    EXPECT_TRUE(attrs.IsCellReadOnly(kRow, kKey, false));
    EXPECT_FALSE(attrs.HasCellOverrides(kRow));

    attrs.SetRowReadOnly(kRow, false);
    attrs.SetCellReadOnly(kRow, kKey, true, false);
    attrs.SetCellReadOnly(kRow, kOtherKey, true, false);
    attrs.RemoveColumnOverrides(kKey);
    EXPECT_FALSE(attrs.IsCellReadOnly(kRow, kKey, false));
    EXPECT_TRUE(attrs.IsCellReadOnly(kRow, kOtherKey, false));
}

// ---------------------------------------------------------------- colours

TEST(GridAttributes, CellColoursFallBackToTheColumnPartByPart) {
    CGridAttributes attrs;
    attrs.SetColumnColor(kKey, RGB(1, 1, 1), RGB(2, 2, 2));
    attrs.SetCellColor(kRow, kKey, CLR_NOT_SET, RGB(9, 9, 9));
    const CELLCOLOR own = attrs.GetOwnColor(kRow, kKey);
    EXPECT_EQ(own.crText, RGB(1, 1, 1));
    EXPECT_EQ(own.crBack, RGB(9, 9, 9));
    const CELLCOLOR other = attrs.GetOwnColor(kRow, kOtherKey);
    EXPECT_EQ(other.crText, CLR_NOT_SET);
    EXPECT_EQ(other.crBack, CLR_NOT_SET);
}

TEST(GridAttributes, UnchangedKeepsAPartAndNotSetTwiceRemovesTheRecord) {
    CGridAttributes attrs;
    attrs.SetCellColor(kRow, kKey, RGB(1, 1, 1), RGB(2, 2, 2));
    attrs.SetCellColor(kRow, kKey, CLR_UNCHANGED, RGB(3, 3, 3));
    CELLCOLOR color;
    ASSERT_TRUE(attrs.GetCellColor(kRow, kKey, &color));
    EXPECT_EQ(color.crText, RGB(1, 1, 1));
    EXPECT_EQ(color.crBack, RGB(3, 3, 3));
    attrs.SetCellColor(kRow, kKey, CLR_NOT_SET, CLR_NOT_SET);
    EXPECT_FALSE(attrs.GetCellColor(kRow, kKey, nullptr));
    EXPECT_FALSE(attrs.HasCellColors(kRow));

    attrs.SetColumnColor(kKey, CLR_UNCHANGED, RGB(4, 4, 4));
    ASSERT_TRUE(attrs.GetColumnColor(kKey, &color));
    EXPECT_EQ(color.crText, CLR_NOT_SET);
    attrs.SetColumnColor(kKey, CLR_NOT_SET, CLR_NOT_SET);
    EXPECT_FALSE(attrs.GetColumnColor(kKey, nullptr));
}

TEST(GridAttributes, CellColoursOfOneRowStayApart) {
    CGridAttributes attrs;
    constexpr unsigned kThirdKey = 5;
    attrs.SetCellColor(kRow, kKey, RGB(1, 1, 1), CLR_UNCHANGED);
    attrs.SetCellColor(kRow, kOtherKey, RGB(2, 2, 2), RGB(3, 3, 3));
    attrs.SetCellColor(kRow, kThirdKey, CLR_UNCHANGED, RGB(4, 4, 4));
    attrs.SetCellColor(kRow, kOtherKey, CLR_UNCHANGED, RGB(6, 6, 6));
    attrs.ResetCellColor(kRow, kKey);
    CELLCOLOR color;
    EXPECT_FALSE(attrs.GetCellColor(kRow, kKey, &color));
    ASSERT_TRUE(attrs.GetCellColor(kRow, kOtherKey, &color));
    EXPECT_EQ(color.crText, RGB(2, 2, 2));
    EXPECT_EQ(color.crBack, RGB(6, 6, 6));
    ASSERT_TRUE(attrs.GetCellColor(kRow, kThirdKey, &color));
    EXPECT_EQ(color.crBack, RGB(4, 4, 4));
    EXPECT_FALSE(attrs.GetCellColor(kRow + 1, kOtherKey, nullptr));
}

// ---------------------------------------------------------------- columns and rows going

TEST(GridAttributes, ADeletedColumnTakesEverythingOfItsKeyAlong) {
    CGridAttributes attrs;
    attrs.AddRow(kRow, false);
    attrs.SetCellReadOnly(kRow, kKey, true, false);
    attrs.SetCellColor(kRow, kKey, RGB(1, 1, 1), CLR_UNCHANGED);
    attrs.SetCellColor(kRow, kOtherKey, RGB(2, 2, 2), CLR_UNCHANGED);
    attrs.SetColumnColor(kKey, RGB(3, 3, 3), CLR_UNCHANGED);
    attrs.RemoveColumn(kKey);
    EXPECT_FALSE(attrs.IsCellReadOnly(kRow, kKey, false));
    EXPECT_FALSE(attrs.GetCellColor(kRow, kKey, nullptr));
    EXPECT_FALSE(attrs.GetColumnColor(kKey, nullptr));
    EXPECT_TRUE(attrs.GetCellColor(kRow, kOtherKey, nullptr));
}

TEST(GridAttributes, RowCellsCarryOverToAnotherRow) {
    CGridAttributes attrs;
    attrs.AddRow(kRow, false);
    attrs.SetCellReadOnly(kRow, kKey, true, false);
    attrs.SetCellColor(kRow, kOtherKey, RGB(5, 5, 5), CLR_UNCHANGED);
    const CGridAttributes::RowCells cells = attrs.GetRowCells(kRow);
    attrs.RemoveAllRows();
    EXPECT_FALSE(attrs.HasRow(kRow));
    EXPECT_FALSE(attrs.HasCellOverrides(kRow));

    constexpr unsigned kNewRow = 11;
    attrs.AddRow(kNewRow, false);
    attrs.SetRowCells(kNewRow, cells);
    EXPECT_TRUE(attrs.IsCellReadOnly(kNewRow, kKey, false));
    EXPECT_TRUE(attrs.GetCellColor(kNewRow, kOtherKey, nullptr));
    attrs.RemoveRowCells(kNewRow);
    EXPECT_FALSE(attrs.HasCellOverrides(kNewRow));
    EXPECT_FALSE(attrs.HasCellColors(kNewRow));
    EXPECT_TRUE(attrs.HasRow(kNewRow)); // the flag stays
}

TEST(GridAttributes, RowFlagsStayWithTheirIdsAsRowsComeAndGo) {
    CGridAttributes attrs;
    for (unsigned id = 10; id <= 14; ++id)
        attrs.AddRow(id, id % 2 == 0);
    attrs.RemoveRow(12);
    attrs.RemoveRow(14); // the last: the ones before it keep their flags
    EXPECT_FALSE(attrs.HasRow(12));
    EXPECT_FALSE(attrs.HasRow(14));
    EXPECT_TRUE(attrs.IsRowReadOnly(10));
    EXPECT_FALSE(attrs.IsRowReadOnly(11));
    EXPECT_FALSE(attrs.IsRowReadOnly(13));
    EXPECT_FALSE(attrs.HasRow(9));
    EXPECT_FALSE(attrs.HasRow(unsigned(-1)));

    // An id below the first one held still gets its own flag.
    attrs.AddRow(3, false);
    EXPECT_FALSE(attrs.IsRowReadOnly(3));
    EXPECT_TRUE(attrs.IsRowReadOnly(10));
    EXPECT_FALSE(attrs.HasRow(4));

    attrs.RemoveAllRows();
    EXPECT_FALSE(attrs.HasRow(3));
    EXPECT_FALSE(attrs.HasRow(11));
    attrs.AddRow(20, false);
    EXPECT_FALSE(attrs.IsRowReadOnly(20));
    EXPECT_FALSE(attrs.HasRow(13));
}

// ---------------------------------------------------------------- colours by role

TEST(GridAttributes, NotSetRestoresARolesDefault) {
    CGridAttributes attrs;
    attrs.SetDefaultKeyColors({{Pelmo::CK_BACK, RGB(1, 2, 3)}});
    attrs.SetKeyColor(Pelmo::CK_BACK, RGB(9, 9, 9));
    attrs.SetKeyColor(Pelmo::CK_GRIDLINE, RGB(8, 8, 8));
    EXPECT_EQ(attrs.GetKeyColor(Pelmo::CK_BACK), RGB(9, 9, 9));
    attrs.SetKeyColor(Pelmo::CK_BACK, CLR_NOT_SET);
    attrs.SetKeyColor(Pelmo::CK_GRIDLINE, CLR_NOT_SET);
    EXPECT_EQ(attrs.GetKeyColor(Pelmo::CK_BACK), RGB(1, 2, 3));
    EXPECT_EQ(attrs.GetKeyColor(Pelmo::CK_GRIDLINE), CLR_UNCHANGED); // no default: gone
}

} // namespace
