#include "platform/ui/ListCtrl.h"

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

struct StateChange {
    int item;
    unsigned oldState;
    unsigned newState;
    bool operator==(const StateChange& o) const {
        return item == o.item && oldState == o.oldState && newState == o.newState;
    }
};

std::ostream& operator<<(std::ostream& os, const StateChange& c) {
    return os << "{" << c.item << ", " << c.oldState << "->" << c.newState << "}";
}

// Records what the list-view reports to a subclass.
class RecordingList : public CListCtrl {
public:
    std::vector<StateChange> changes;
    std::vector<int> deleted;
    std::vector<QString> deletedTexts;
    std::vector<int> drawn;
    std::vector<unsigned> drawnStates;
    int endScrolls = 0;

protected:
    void OnItemChanged(int nItem, unsigned oldState, unsigned newState) override {
        changes.push_back({nItem, oldState, newState});
    }
    void OnDeleteItem(int nItem) override {
        deleted.push_back(nItem);
        deletedTexts.push_back(GetItemText(nItem, 0));
    }
    void OnEndScroll() override { ++endScrolls; }
    void DrawItem(DRAWITEMSTRUCT* dis) override {
        drawn.push_back(dis->itemID);
        drawnStates.push_back(dis->itemState);
        CListCtrl::DrawItem(dis);
    }
};

class ListCtrlTest : public ::testing::Test {
protected:
    static constexpr int kRowHeight = 20;

    void SetUp() override {
        list.resize(400, 300);
        list.SetRowHeight(kRowHeight);
        list.InsertColumn(0, "A", LVCFMT_LEFT, 100);
        list.InsertColumn(1, "B", LVCFMT_RIGHT, 60);
        list.InsertColumn(2, "C", LVCFMT_CENTER, 80);
        list.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    }

    void Fill(int count) {
        for (int i = 0; i < count; ++i) {
            const int index = list.InsertItem(i, QString("r%1").arg(i));
            list.SetItemText(index, 1, QString("b%1").arg(i));
            list.SetItemData(index, quintptr(i));
        }
    }

    std::vector<int> Selected() const {
        std::vector<int> rows;
        for (int i = list.GetNextItem(-1, LVNI_SELECTED); i >= 0;
             i = list.GetNextItem(i, LVNI_SELECTED))
            rows.push_back(i);
        return rows;
    }

    QPoint RowPoint(int row, int subItem = 0) const {
        QRect rect;
        list.GetSubItemRect(row, subItem, subItem == 0 ? LVIR_LABEL : LVIR_BOUNDS, &rect);
        return rect.center();
    }

    RecordingList list;
};

int CompareDataDescending(quintptr a, quintptr b, quintptr) {
    return int(b) - int(a);
}

// Orders rows by the text of column 1, read from the list while it sorts.
int CompareTextByIndex(quintptr a, quintptr b, quintptr sort) {
    auto* list = reinterpret_cast<CListCtrl*>(sort);
    return list->GetItemText(int(a), 1).compare(list->GetItemText(int(b), 1));
}

int CompareInconsistently(quintptr a, quintptr b, quintptr) {
    return ((a * 7 + b * 13) % 3) - 1;
}

} // namespace

// ---------------------------------------------------------------- ids

TEST_F(ListCtrlTest, IdsFollowRowsThroughInsertDeleteAndAreNeverReused) {
    Fill(3);
    const unsigned id0 = list.MapIndexToId(0), id1 = list.MapIndexToId(1),
                   id2 = list.MapIndexToId(2);
    EXPECT_NE(id0, id1);
    EXPECT_NE(id1, id2);

    EXPECT_EQ(list.InsertItem(1, "mid"), 1);
    const unsigned idMid = list.MapIndexToId(1);
    EXPECT_EQ(list.MapIdToIndex(id0), 0);
    EXPECT_EQ(list.MapIdToIndex(idMid), 1);
    EXPECT_EQ(list.MapIdToIndex(id1), 2);
    EXPECT_EQ(list.MapIdToIndex(id2), 3);

    ASSERT_TRUE(list.DeleteItem(0));
    EXPECT_EQ(list.MapIdToIndex(id0), -1);
    EXPECT_EQ(list.MapIdToIndex(idMid), 0);
    EXPECT_EQ(list.MapIdToIndex(id2), 2);

    std::set<unsigned> seen = {id0, id1, id2, idMid};
    ASSERT_TRUE(list.DeleteAllItems());
    for (int i = 0; i < 5; ++i) {
        list.InsertItem(0, "again");
        EXPECT_TRUE(seen.insert(list.MapIndexToId(0)).second) << "id reused";
    }
    EXPECT_EQ(list.MapIndexToId(5), unsigned(-1));
    EXPECT_EQ(list.MapIndexToId(-1), unsigned(-1));
    EXPECT_EQ(list.MapIdToIndex(id0), -1);
}

int CompareDataAscending(quintptr a, quintptr b, quintptr) {
    return int(a) - int(b);
}

// Mixed inserts (at the end, just before the end, anywhere), deletes and sorts, checked
// after every step against a plain list of ids.
TEST(ListCtrlIds, StayConsistentThroughMixedChanges) {
    CListCtrl list;
    list.InsertColumn(0, "A");
    std::vector<unsigned> expected;
    unsigned seed = 12345;
    const auto next = [&seed](unsigned bound) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % bound;
    };
    for (int step = 0; step < 3000; ++step) {
        const unsigned op = next(10);
        const int count = int(expected.size());
        if (op < 5 || count < 2) {
            int at = count;
            if (op == 1)
                at = std::max(0, count - 1);
            else if (op == 2)
                at = int(next(unsigned(count) + 1));
            const int index = list.InsertItem(LVIF_TEXT | LVIF_PARAM, at, "x", 0, 0, next(1000));
            ASSERT_EQ(index, at);
            expected.insert(expected.begin() + at, list.MapIndexToId(at));
        } else if (op < 9) {
            const int at = op == 8 ? count - 1 : int(next(unsigned(count)));
            ASSERT_TRUE(list.DeleteItem(at));
            expected.erase(expected.begin() + at);
        } else {
            ASSERT_TRUE(list.SortItems(CompareDataAscending, 0));
            expected.clear();
            for (int r = 0; r < list.GetItemCount(); ++r)
                expected.push_back(list.MapIndexToId(r));
        }
        ASSERT_EQ(list.GetItemCount(), int(expected.size()));
        // Spot checks each step keep the test fast; a full check now and then.
        const int probe = expected.empty() ? -1 : int(next(unsigned(expected.size())));
        if (probe >= 0) {
            ASSERT_EQ(list.MapIdToIndex(expected[probe]), probe) << "step " << step;
        }
        if (step % 100 == 0) {
            for (int r = 0; r < int(expected.size()); ++r)
                ASSERT_EQ(list.MapIdToIndex(expected[r]), r) << "step " << step;
        }
    }
    const std::set<unsigned> unique(expected.begin(), expected.end());
    EXPECT_EQ(unique.size(), expected.size());
}

TEST_F(ListCtrlTest, InsertItemClampsToTheEndAndRefusesNegativeIndexes) {
    EXPECT_EQ(list.InsertItem(-1, "x"), -1);
    EXPECT_EQ(list.InsertItem(0, "a"), 0);
    EXPECT_EQ(list.InsertItem(99, "b"), 1);
    EXPECT_EQ(list.InsertItem(LVIF_PARAM, 0, "ignored", 0, 0, 42), 0);
    EXPECT_EQ(list.GetItemText(0, 0), QString());
    EXPECT_EQ(list.GetItemData(0), quintptr(42));
    EXPECT_EQ(list.GetItemCount(), 3);
}

// ---------------------------------------------------------------- texts and columns

TEST_F(ListCtrlTest, TextsNeedTheirColumnAndOutOfRangeIsRefused) {
    Fill(2);
    EXPECT_TRUE(list.SetItemText(1, 2, "c1"));
    EXPECT_EQ(list.GetItemText(1, 2), "c1");
    EXPECT_FALSE(list.SetItemText(1, 3, "no column"));
    EXPECT_FALSE(list.SetItemText(2, 0, "no row"));
    EXPECT_FALSE(list.SetItemText(-1, 0, "no row"));
    EXPECT_EQ(list.GetItemText(1, 3), QString());
    EXPECT_EQ(list.GetItemText(5, 0), QString());
    EXPECT_FALSE(list.SetItemData(2, 1));
    EXPECT_EQ(list.GetItemData(2), quintptr(0));
}

TEST_F(ListCtrlTest, InsertingAndDeletingColumnsShiftsTheTextsOfEveryRow) {
    Fill(3);
    for (int r = 0; r < 3; ++r)
        list.SetItemText(r, 2, QString("c%1").arg(r));

    EXPECT_EQ(list.InsertColumn(1, "New", LVCFMT_LEFT, 50), 1);
    EXPECT_EQ(list.GetColumnCount(), 4);
    EXPECT_EQ(list.GetColumnHeading(1), "New");
    EXPECT_EQ(list.GetColumnHeading(2), "B");
    EXPECT_EQ(list.GetColumnFormat(2), LVCFMT_RIGHT);
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(list.GetItemText(r, 0), QString("r%1").arg(r));
        EXPECT_EQ(list.GetItemText(r, 1), QString());
        EXPECT_EQ(list.GetItemText(r, 2), QString("b%1").arg(r));
        EXPECT_EQ(list.GetItemText(r, 3), QString("c%1").arg(r));
    }

    ASSERT_TRUE(list.DeleteColumn(0));
    EXPECT_EQ(list.GetColumnHeading(0), "New");
    EXPECT_EQ(list.GetColumnWidth(0), 50);
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(list.GetItemText(r, 0), QString());
        EXPECT_EQ(list.GetItemText(r, 1), QString("b%1").arg(r));
        EXPECT_EQ(list.GetItemText(r, 2), QString("c%1").arg(r));
    }

    EXPECT_FALSE(list.DeleteColumn(3));
    EXPECT_EQ(list.InsertColumn(-1, "bad"), -1);
    EXPECT_EQ(list.InsertColumn(99, "end", LVCFMT_LEFT, 10), 3);
    EXPECT_FALSE(list.SetColumnWidth(7, 10));
    EXPECT_EQ(list.GetColumnWidth(7), 0);
}

TEST_F(ListCtrlTest, FormatAndHeadingReachTheHeader) {
    const QAbstractItemModel* model = list.GetHeaderCtrl()->model();
    const auto alignment = [model](int c) {
        return model->headerData(c, Qt::Horizontal, Qt::TextAlignmentRole).toInt() &
               Qt::AlignHorizontal_Mask;
    };
    EXPECT_EQ(alignment(0), int(Qt::AlignLeft));
    EXPECT_EQ(alignment(1), int(Qt::AlignRight));
    EXPECT_EQ(alignment(2), int(Qt::AlignHCenter));
    ASSERT_TRUE(list.SetColumnFormat(0, LVCFMT_RIGHT));
    EXPECT_EQ(alignment(0), int(Qt::AlignRight));
    ASSERT_TRUE(list.SetColumnHeading(0, "見出し"));
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), "見出し");
    EXPECT_FALSE(list.SetColumnHeading(3, "x"));
    EXPECT_FALSE(list.SetColumnFormat(3, LVCFMT_LEFT));
    EXPECT_EQ(list.GetColumnFormat(3), -1);
}

TEST_F(ListCtrlTest, ColumnOrderArrayIsTheHeaderDisplayOrder) {
    EXPECT_EQ(list.GetColumnOrderArray(), (QList<int>{0, 1, 2}));
    ASSERT_TRUE(list.SetColumnOrderArray({2, 0, 1}));
    EXPECT_EQ(list.GetColumnOrderArray(), (QList<int>{2, 0, 1}));
    EXPECT_EQ(list.GetHeaderCtrl()->logicalIndex(0), 2);

    EXPECT_FALSE(list.SetColumnOrderArray({2, 2, 1}));
    EXPECT_FALSE(list.SetColumnOrderArray({0, 1}));
    EXPECT_FALSE(list.SetColumnOrderArray({0, 1, 3}));
    EXPECT_EQ(list.GetColumnOrderArray(), (QList<int>{2, 0, 1}));

    // A new column takes the display position of its index; the others keep their order.
    list.InsertColumn(1, "N", LVCFMT_LEFT, 10);
    EXPECT_EQ(list.GetColumnOrderArray(), (QList<int>{3, 1, 0, 2}));
    list.DeleteColumn(3);
    EXPECT_EQ(list.GetColumnOrderArray(), (QList<int>{1, 0, 2}));
}

TEST_F(ListCtrlTest, AutoWidthFitsTheWidestText) {
    Fill(2);
    list.SetItemText(1, 1, "a considerably longer text than the others");
    ASSERT_TRUE(list.SetColumnWidth(1, CListCtrl::LVSCW_AUTOSIZE));
    const QFontMetrics fm(list.font());
    EXPECT_GE(list.GetColumnWidth(1),
              fm.horizontalAdvance("a considerably longer text than the others"));
    EXPECT_FALSE(list.SetColumnWidth(1, -5));
}

// ---------------------------------------------------------------- header

TEST_F(ListCtrlTest, HeaderSitsAboveTheViewportAndFollowsHorizontalScrolling) {
    QHeaderView* header = list.GetHeaderCtrl();
    ASSERT_NE(header, nullptr);
    EXPECT_GT(header->height(), 0);
    EXPECT_EQ(header->geometry().bottom() + 1, list.viewport()->geometry().top());
    EXPECT_EQ(header->sectionSize(0), 100);

    list.resize(150, 300);
    Fill(1);
    ASSERT_TRUE(list.Scroll(40, 0));
    EXPECT_EQ(list.GetScrollX(), 40);
    EXPECT_EQ(header->offset(), 40);

    header->hide();
    EXPECT_EQ(list.viewport()->geometry().top(), list.frameWidth());
    header->show();
    EXPECT_EQ(header->geometry().bottom() + 1, list.viewport()->geometry().top());
}

TEST_F(ListCtrlTest, ReplacedHeaderTakesOverColumnsWidthsAndOrder) {
    list.SetColumnWidth(1, 33);
    list.SetColumnOrderArray({1, 2, 0});
    list.SetHeaderDragDrop(true);
    QPointer<QHeaderView> old = list.GetHeaderCtrl();

    auto* replacement = new QHeaderView(Qt::Horizontal);
    list.SetHeaderCtrl(replacement);
    EXPECT_EQ(list.GetHeaderCtrl(), replacement);
    EXPECT_EQ(replacement->parentWidget(), &list);
    EXPECT_EQ(replacement->count(), 3);
    EXPECT_EQ(replacement->sectionSize(0), 100);
    EXPECT_EQ(replacement->sectionSize(1), 33);
    EXPECT_EQ(list.GetColumnOrderArray(), (QList<int>{1, 2, 0}));
    EXPECT_TRUE(replacement->sectionsMovable());
    EXPECT_EQ(replacement->model()->headerData(2, Qt::Horizontal).toString(), "C");

    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(old.isNull());

    // Columns keep working through the new header.
    EXPECT_EQ(list.InsertColumn(3, "D", LVCFMT_LEFT, 44), 3);
    EXPECT_EQ(replacement->sectionSize(3), 44);
    list.SetHeaderDragDrop(false);
    EXPECT_FALSE(replacement->sectionsMovable());
}

// A header whose height its owner sets, as an owner-drawn header with text lines does.
class TallHeader : public QHeaderView {
public:
    TallHeader() : QHeaderView(Qt::Horizontal) {}
    int height = 40;
    QSize sizeHint() const override { return QSize(QHeaderView::sizeHint().width(), height); }
};

TEST_F(ListCtrlTest, HeaderHeightComesFromTheHeadersSizeHintWhenItReportsNewGeometry) {
    auto* header = new TallHeader;
    list.SetHeaderCtrl(header);
    EXPECT_EQ(header->geometry().height(), 40);
    EXPECT_EQ(list.viewport()->geometry().top(), list.frameWidth() + 40);

    header->height = 0;
    emit header->geometriesChanged();
    EXPECT_EQ(list.viewport()->geometry().top(), list.frameWidth());
    Fill(3);
    QRect row;
    list.GetItemRect(0, &row, LVIR_BOUNDS);
    EXPECT_EQ(row.top(), 0); // viewport coordinates do not include the header
}

TEST_F(ListCtrlTest, ResizingAColumnInTheHeaderWidensRowsAndTheScrollRange) {
    Fill(2);
    list.GetHeaderCtrl()->resizeSection(2, 500); // as a user dragging the divider would
    EXPECT_EQ(list.GetColumnWidth(2), 500);
    QRect row;
    list.GetItemRect(0, &row, LVIR_BOUNDS);
    EXPECT_EQ(row.width(), 660);
    list.Scroll(10000, 0);
    EXPECT_EQ(list.GetScrollX(), 660 - list.viewport()->width());
}

// ---------------------------------------------------------------- states

TEST_F(ListCtrlTest, StateChangesAreReportedAndOnlyOneRowHoldsTheFocus) {
    Fill(4);
    ASSERT_TRUE(list.SetItemState(1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED));
    EXPECT_EQ(list.changes, (std::vector<StateChange>{{1, 0, 3}}));

    list.changes.clear();
    list.SetItemState(2, LVIS_FOCUSED, LVIS_FOCUSED);
    EXPECT_EQ(list.changes, (std::vector<StateChange>{{1, 3, 2}, {2, 0, 1}}));
    EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), 2);
    EXPECT_EQ(list.GetItemState(1, LVIS_FOCUSED | LVIS_SELECTED), unsigned(LVIS_SELECTED));

    // Setting what is already set reports nothing.
    list.changes.clear();
    list.SetItemState(2, LVIS_FOCUSED, LVIS_FOCUSED);
    EXPECT_TRUE(list.changes.empty());

    list.SetItemState(3, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(list.GetSelectedCount(), 2);
    list.changes.clear();
    ASSERT_TRUE(list.SetItemState(-1, 0, LVIS_SELECTED));
    EXPECT_EQ(list.changes, (std::vector<StateChange>{{1, 2, 0}, {3, 2, 0}}));
    EXPECT_EQ(list.GetSelectedCount(), 0);

    EXPECT_FALSE(list.SetItemState(-1, LVIS_FOCUSED, LVIS_FOCUSED));
    EXPECT_FALSE(list.SetItemState(4, LVIS_SELECTED, LVIS_SELECTED));
    EXPECT_EQ(list.GetItemState(4, LVIS_SELECTED), 0u);
}

TEST_F(ListCtrlTest, SingleSelectionKeepsOneSelectedRow) {
    Fill(4);
    list.SetSingleSelection(true);
    list.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    list.changes.clear();
    list.SetItemState(2, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(list.changes, (std::vector<StateChange>{{0, 2, 0}, {2, 0, 2}}));
    EXPECT_EQ(Selected(), std::vector<int>{2});
    EXPECT_FALSE(list.SetItemState(-1, LVIS_SELECTED, LVIS_SELECTED));
}

TEST_F(ListCtrlTest, InsertingWithAStateReportsItAndMovesTheFocus) {
    Fill(2);
    list.SetItemState(0, LVIS_FOCUSED, LVIS_FOCUSED);
    list.changes.clear();
    const int index =
        list.InsertItem(LVIF_TEXT | LVIF_STATE, 0, "new", LVIS_FOCUSED | LVIS_SELECTED,
                        LVIS_FOCUSED | LVIS_SELECTED, 0);
    EXPECT_EQ(index, 0);
    // The old focused row moved to index 1 before it lost the focus.
    EXPECT_EQ(list.changes, (std::vector<StateChange>{{1, 1, 0}, {0, 0, 3}}));
    EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), 0);
}

TEST_F(ListCtrlTest, GetNextItemSearchesForwardOrUpwardForTheNamedStates) {
    Fill(6);
    for (int r : {1, 3, 4})
        list.SetItemState(r, LVIS_SELECTED, LVIS_SELECTED);
    list.SetItemState(3, LVIS_FOCUSED, LVIS_FOCUSED);

    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 1);
    EXPECT_EQ(list.GetNextItem(1, LVNI_SELECTED), 3);
    EXPECT_EQ(list.GetNextItem(4, LVNI_SELECTED), -1);
    EXPECT_EQ(list.GetNextItem(4, LVNI_SELECTED | LVNI_ABOVE), 3);
    EXPECT_EQ(list.GetNextItem(1, LVNI_SELECTED | LVNI_ABOVE), -1);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED | LVNI_SELECTED), 3);
    EXPECT_EQ(list.GetNextItem(3, LVNI_FOCUSED), -1);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_ALL), 0);
    EXPECT_EQ(list.GetNextItem(2, LVNI_ALL), 3);
    EXPECT_EQ(list.GetNextItem(5, LVNI_ALL), -1);
    EXPECT_EQ(list.GetNextItem(2, LVNI_ABOVE), 1);
    EXPECT_EQ(list.GetNextItem(9, LVNI_ALL), -1);
}

TEST_F(ListCtrlTest, DeletingAnnouncesTheRowAndKeepsFocusAndMarkOnTheirRows) {
    Fill(5);
    list.SetItemState(3, LVIS_FOCUSED, LVIS_FOCUSED);
    list.SetItemState(2, LVIS_SELECTED, LVIS_SELECTED);
    list.SetSelectionMark(4);

    ASSERT_TRUE(list.DeleteItem(1));
    EXPECT_EQ(list.deleted, std::vector<int>{1});
    EXPECT_EQ(list.deletedTexts, std::vector<QString>{"r1"});
    EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), 2);
    EXPECT_EQ(list.GetSelectionMark(), 3);
    EXPECT_EQ(Selected(), std::vector<int>{1});

    ASSERT_TRUE(list.DeleteItem(2)); // the focused row
    EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), -1);
    ASSERT_TRUE(list.DeleteItem(1)); // the selected row
    EXPECT_EQ(list.GetSelectedCount(), 0);
    EXPECT_FALSE(list.DeleteItem(2));

    list.deleted.clear();
    list.deletedTexts.clear();
    ASSERT_TRUE(list.DeleteAllItems());
    EXPECT_EQ(list.deleted, (std::vector<int>{0, 1}));
    EXPECT_EQ(list.deletedTexts, (std::vector<QString>{"r0", "r4"}));
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_EQ(list.GetSelectionMark(), -1);
}

TEST_F(ListCtrlTest, InsertingAboveShiftsFocusAndMarkWithTheirRows) {
    Fill(4);
    list.SetItemState(2, LVIS_FOCUSED, LVIS_FOCUSED);
    list.SetSelectionMark(3);
    list.InsertItem(1, "above");
    EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), 3);
    EXPECT_EQ(list.GetSelectionMark(), 4);
    list.InsertItem(10, "below");
    EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), 3);
    EXPECT_EQ(list.GetSelectionMark(), 4);
}

TEST_F(ListCtrlTest, SelectionMarkAcceptsRowsOrMinusOne) {
    Fill(3);
    EXPECT_EQ(list.SetSelectionMark(2), -1);
    EXPECT_EQ(list.SetSelectionMark(7), 2);
    EXPECT_EQ(list.GetSelectionMark(), 2);
    EXPECT_EQ(list.SetSelectionMark(-1), 2);
    EXPECT_EQ(list.GetSelectionMark(), -1);
}

// Deletes every row it hears was selected: a handler changing the list under a running
// selection must not make the list-view read rows that are gone.
class DeletingList : public CListCtrl {
protected:
    void OnItemChanged(int nItem, unsigned, unsigned newState) override {
        if (newState & LVIS_SELECTED)
            DeleteItem(nItem);
    }
    void OnDeleteItem(int nItem) override {
        if (nItem + 1 < GetItemCount() && GetItemCount() % 3 == 0)
            DeleteItem(nItem + 1);
    }
};

TEST(ListCtrlReentry, HandlersThatDeleteRowsDoNotBreakSelection) {
    DeletingList list;
    list.resize(300, 400);
    list.SetRowHeight(20);
    list.InsertColumn(0, "A", LVCFMT_LEFT, 100);
    for (int i = 0; i < 12; ++i)
        list.InsertItem(i, QString::number(i));
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    list.SetSelectionMark(0);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ShiftModifier, QPoint(10, 5 * 20 + 5));
    EXPECT_LT(list.GetItemCount(), 12);
    EXPECT_GE(list.GetSelectionMark(), -1);
    EXPECT_LT(list.GetSelectionMark(), list.GetItemCount());
    for (int r = 0; r < list.GetItemCount(); ++r)
        EXPECT_EQ(list.MapIdToIndex(list.MapIndexToId(r)), r);
    list.SetItemState(-1, 0, LVIS_SELECTED);
    QTest::keyClick(&list, Qt::Key_End, Qt::ShiftModifier);
    list.viewport()->grab();
    EXPECT_EQ(list.GetSelectedCount(), 0); // every row that got selected went
}

// ---------------------------------------------------------------- sorting

TEST_F(ListCtrlTest, SortItemsOrdersByDataAndKeepsIdsStatesAndMark) {
    Fill(5);
    const unsigned id1 = list.MapIndexToId(1);
    list.SetItemState(1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    list.SetSelectionMark(1);

    ASSERT_TRUE(list.SortItems(CompareDataDescending, 0));
    for (int r = 0; r < 5; ++r) {
        EXPECT_EQ(list.GetItemData(r), quintptr(4 - r));
        EXPECT_EQ(list.GetItemText(r, 0), QString("r%1").arg(4 - r));
        EXPECT_EQ(list.GetItemText(r, 1), QString("b%1").arg(4 - r));
    }
    EXPECT_EQ(list.MapIdToIndex(id1), 3);
    EXPECT_EQ(list.MapIndexToId(3), id1);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), 3);
    EXPECT_EQ(Selected(), std::vector<int>{3});
    EXPECT_EQ(list.GetSelectionMark(), 3);
    EXPECT_FALSE(list.SortItems(nullptr, 0));
}

TEST_F(ListCtrlTest, SortItemsExPassesIndexesThatStayValidDuringTheSortAndIsStable) {
    const QStringList keys = {"m", "c", "x", "c", "a", "m"};
    for (int i = 0; i < keys.size(); ++i) {
        list.InsertItem(i, QString::number(i));
        list.SetItemText(i, 1, keys[i]);
    }
    ASSERT_TRUE(list.SortItemsEx(CompareTextByIndex, reinterpret_cast<quintptr>(&list)));
    QStringList order;
    for (int r = 0; r < list.GetItemCount(); ++r)
        order << list.GetItemText(r, 1) + list.GetItemText(r, 0);
    EXPECT_EQ(order, (QStringList{"a4", "c1", "c3", "m0", "m5", "x2"}));
}

TEST_F(ListCtrlTest, AnInconsistentCompareFunctionKeepsEveryRow) {
    Fill(200);
    std::set<unsigned> before;
    for (int r = 0; r < 200; ++r)
        before.insert(list.MapIndexToId(r));
    ASSERT_TRUE(list.SortItems(CompareInconsistently, 0));
    std::set<unsigned> after;
    for (int r = 0; r < 200; ++r) {
        after.insert(list.MapIndexToId(r));
        EXPECT_EQ(list.MapIdToIndex(list.MapIndexToId(r)), r);
    }
    EXPECT_EQ(before, after);
}

// ---------------------------------------------------------------- geometry

TEST_F(ListCtrlTest, RectanglesAndHitTestsAgree) {
    Fill(30);
    list.SetColumnOrderArray({2, 0, 1});
    QRect bounds, label, icon, cell1, cell2;
    ASSERT_TRUE(list.GetItemRect(2, &bounds, LVIR_BOUNDS));
    EXPECT_EQ(bounds, QRect(0, 2 * kRowHeight, 240, kRowHeight));
    ASSERT_TRUE(list.GetItemRect(2, &label, LVIR_LABEL));
    ASSERT_TRUE(list.GetItemRect(2, &icon, LVIR_ICON));
    // Column 0 is shown second: it starts after column 2 (80 pixels).
    EXPECT_EQ(icon, QRect(80, 40, CListCtrl::kLabelIndent, kRowHeight));
    EXPECT_EQ(label, QRect(80 + CListCtrl::kLabelIndent, 40, 100 - CListCtrl::kLabelIndent, 20));
    QRect sub0;
    ASSERT_TRUE(list.GetSubItemRect(2, 0, LVIR_BOUNDS, &sub0));
    EXPECT_EQ(sub0, bounds);
    ASSERT_TRUE(list.GetSubItemRect(2, 1, LVIR_BOUNDS, &cell1));
    EXPECT_EQ(cell1, QRect(180, 40, 60, 20));
    ASSERT_TRUE(list.GetSubItemRect(2, 2, LVIR_LABEL, &cell2));
    EXPECT_EQ(cell2, QRect(0, 40, 80, 20));

    for (int col = 0; col < 3; ++col) {
        for (int row : {0, 2, 7}) {
            int hitCol = -9;
            unsigned flags = 0;
            EXPECT_EQ(list.SubItemHitTest(RowPoint(row, col), &hitCol, &flags), row);
            EXPECT_EQ(hitCol, col);
            EXPECT_EQ(flags, unsigned(LVHT_ONITEMLABEL));
        }
    }
    // Borders belong to the cell on their right and the row below.
    int hitCol = -1;
    EXPECT_EQ(list.SubItemHitTest(QPoint(80, 40), &hitCol), 2);
    EXPECT_EQ(hitCol, 0);
    EXPECT_EQ(list.SubItemHitTest(QPoint(79, 39), &hitCol), 1);
    EXPECT_EQ(hitCol, 2);

    EXPECT_FALSE(list.GetItemRect(30, &bounds, LVIR_BOUNDS));
    EXPECT_FALSE(list.GetSubItemRect(0, 3, LVIR_BOUNDS, &bounds));
    EXPECT_FALSE(list.GetItemRect(0, &bounds, 7));
    EXPECT_FALSE(list.GetItemRect(0, nullptr, LVIR_BOUNDS));
}

TEST_F(ListCtrlTest, HitTestsOutsideTheRowsSayWhere) {
    Fill(3);
    unsigned flags = 0;
    int col = 0;
    EXPECT_EQ(list.SubItemHitTest(QPoint(10, 3 * kRowHeight + 1), &col, &flags), -1);
    EXPECT_EQ(flags, unsigned(LVHT_NOWHERE));
    EXPECT_EQ(col, -1);
    EXPECT_EQ(list.HitTest(QPoint(250, 5), &flags), -1); // right of the last column
    EXPECT_EQ(flags, unsigned(LVHT_NOWHERE));
    EXPECT_EQ(list.HitTest(QPoint(10, -3), &flags), -1);
    EXPECT_EQ(flags, unsigned(LVHT_ABOVE));
    EXPECT_EQ(list.HitTest(QPoint(-1, list.viewport()->height()), &flags), -1);
    EXPECT_EQ(flags, unsigned(LVHT_BELOW | LVHT_TOLEFT));
    EXPECT_EQ(list.HitTest(QPoint(list.viewport()->width(), 5), &flags), -1);
    EXPECT_EQ(flags, unsigned(LVHT_TORIGHT));
}

TEST_F(ListCtrlTest, HorizontalScrollingShiftsRectanglesAndHitTests) {
    list.resize(150, 300);
    Fill(3);
    ASSERT_TRUE(list.Scroll(50, 0));
    EXPECT_EQ(list.GetScrollX(), 50);
    QRect cell;
    list.GetSubItemRect(1, 1, LVIR_BOUNDS, &cell);
    EXPECT_EQ(cell.left(), 100 - 50);
    int col = -1;
    EXPECT_EQ(list.SubItemHitTest(QPoint(cell.left() + 1, cell.top() + 1), &col), 1);
    EXPECT_EQ(col, 1);
    // Scrolling stops at the right end.
    list.Scroll(10000, 0);
    EXPECT_EQ(list.GetScrollX(), 240 - list.viewport()->width());
}

// ---------------------------------------------------------------- vertical scrolling

TEST_F(ListCtrlTest, TopIndexCountPerPageAndEnsureVisible) {
    Fill(100);
    const int perPage = list.GetCountPerPage();
    EXPECT_EQ(perPage, list.viewport()->height() / kRowHeight);
    EXPECT_EQ(list.GetTopIndex(), 0);

    ASSERT_TRUE(list.EnsureVisible(50, false));
    EXPECT_EQ(list.GetTopIndex(), 50 - perPage + 1);
    QRect rect;
    list.GetItemRect(50, &rect, LVIR_BOUNDS);
    EXPECT_LE(rect.bottom(), list.viewport()->height() - 1);
    EXPECT_GE(rect.top(), 0);

    list.EnsureVisible(10, false);
    EXPECT_EQ(list.GetTopIndex(), 10);
    list.EnsureVisible(12, false); // already visible: nothing moves
    EXPECT_EQ(list.GetTopIndex(), 10);
    list.EnsureVisible(99, false);
    EXPECT_EQ(list.GetTopIndex(), 100 - perPage);
    EXPECT_FALSE(list.EnsureVisible(100, false));
    EXPECT_EQ(list.endScrolls, 0);
}

TEST_F(ListCtrlTest, EnsureVisibleAcceptsAPartlyVisibleRowWhenAsked) {
    Fill(100);
    // A viewport height that leaves the row after the page half visible.
    list.resize(400, list.height() + kRowHeight / 2 - list.viewport()->height() % kRowHeight);
    const int perPage = list.GetCountPerPage();
    ASSERT_EQ(list.viewport()->height() % kRowHeight, kRowHeight / 2);
    list.EnsureVisible(perPage, true);
    EXPECT_EQ(list.GetTopIndex(), 0);
    list.EnsureVisible(perPage, false);
    EXPECT_EQ(list.GetTopIndex(), 1);
}

TEST_F(ListCtrlTest, ScrollMovesByWholeRowsRoundedToTheNearest) {
    Fill(100);
    list.Scroll(0, 3 * kRowHeight);
    EXPECT_EQ(list.GetTopIndex(), 3);
    list.Scroll(0, kRowHeight / 2);
    EXPECT_EQ(list.GetTopIndex(), 4);
    list.Scroll(0, kRowHeight / 2 - 1);
    EXPECT_EQ(list.GetTopIndex(), 4);
    list.Scroll(0, -kRowHeight / 2);
    EXPECT_EQ(list.GetTopIndex(), 3);
    list.Scroll(0, -1000 * kRowHeight);
    EXPECT_EQ(list.GetTopIndex(), 0);
    EXPECT_EQ(list.endScrolls, 5);

    // A user moving the scroll bar is reported too; the range shrinking is not.
    list.verticalScrollBar()->setValue(90);
    EXPECT_EQ(list.endScrolls, 6);
    EXPECT_EQ(list.GetTopIndex(), 100 - list.GetCountPerPage());
    for (int i = 0; i < 50; ++i)
        list.DeleteItem(0);
    EXPECT_EQ(list.GetTopIndex(), 50 - list.GetCountPerPage());
    EXPECT_EQ(list.endScrolls, 6);
}

TEST_F(ListCtrlTest, WheelScrollsByRows) {
    Fill(100);
    QWheelEvent wheel(QPointF(10, 10), list.viewport()->mapToGlobal(QPointF(10, 10)), QPoint(),
                      QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(list.viewport(), &wheel);
    EXPECT_EQ(list.GetTopIndex(), QApplication::wheelScrollLines());
    EXPECT_EQ(list.endScrolls, 1);
}

// ---------------------------------------------------------------- painting

TEST_F(ListCtrlTest, PaintingDrawsOnlyTheVisibleRows) {
    Fill(1000);
    const int visible = (list.viewport()->height() + kRowHeight - 1) / kRowHeight;
    list.drawn.clear();
    list.viewport()->grab();
    ASSERT_EQ(int(list.drawn.size()), visible);
    EXPECT_EQ(list.drawn.front(), 0);
    EXPECT_EQ(list.drawn.back(), visible - 1);

    list.Scroll(0, 500 * kRowHeight);
    list.drawn.clear();
    list.viewport()->grab();
    ASSERT_EQ(int(list.drawn.size()), visible);
    EXPECT_EQ(list.drawn.front(), 500);
}

// Draws each row's bottom border one pixel below the row, where the next row starts, as a
// grid sharing its lines between rows does.
class SpillingList : public CListCtrl {
protected:
    void DrawItem(DRAWITEMSTRUCT* dis) override {
        CListCtrl::DrawItem(dis);
        const int y = dis->rcItem.bottom() + 1;
        dis->pDC->fillRect(QRect(dis->rcItem.left(), y, dis->rcItem.width(), 1), Qt::red);
    }
};

TEST(ListCtrlPaint, TheLineBelowTheLastRowSurvivesTheBackground) {
    SpillingList list;
    list.resize(300, 200);
    list.SetRowHeight(20);
    list.InsertColumn(0, "A", LVCFMT_LEFT, 100);
    list.InsertItem(0, "a");
    list.InsertItem(1, "b");
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    const QImage image = list.viewport()->grab().toImage();
    EXPECT_EQ(image.pixelColor(50, 40), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(50, 41), list.GetBkColor());
}

TEST_F(ListCtrlTest, SelectedRowsShowTheHighlightAndTheRestTheBackground) {
    Fill(3);
    list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    const QImage image = list.viewport()->grab().toImage();
    const QPalette& pal = list.palette();
    // Right edge of column 0 in row 1 (text is left-aligned, so this pixel is background).
    EXPECT_EQ(image.pixelColor(95, kRowHeight + 2), pal.color(QPalette::Highlight));
    EXPECT_EQ(image.pixelColor(95, 2), pal.color(QPalette::Base));
    // Below the last row and right of the last column: the list's background.
    EXPECT_EQ(image.pixelColor(10, 3 * kRowHeight + 5), list.GetBkColor());
    EXPECT_EQ(image.pixelColor(300, kRowHeight + 2), list.GetBkColor());
}

// Whether any pixel of the image in the rectangle differs from the colour.
bool HasInk(const QImage& image, const QRect& rect, const QColor& background) {
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            if (image.pixelColor(x, y) != background)
                return true;
        }
    }
    return false;
}

TEST_F(ListCtrlTest, DefaultDrawingAlignsTextsByColumnFormat) {
    list.InsertItem(0, "W");
    list.SetItemText(0, 1, "W");
    list.SetItemText(0, 2, "W");
    const QImage image = list.viewport()->grab().toImage();
    const QColor base = list.GetBkColor();
    const int w = QFontMetrics(list.font()).horizontalAdvance("W");
    // Column 0 (0..99) left, column 1 (100..159) right, column 2 (160..239) centred.
    EXPECT_TRUE(HasInk(image, QRect(0, 0, 4 + w + 2, kRowHeight), base));
    EXPECT_FALSE(HasInk(image, QRect(4 + w + 2, 0, 90 - w - 6, kRowHeight), base));
    EXPECT_TRUE(HasInk(image, QRect(156 - w - 2, 0, w + 4, kRowHeight), base));
    EXPECT_FALSE(HasInk(image, QRect(100, 0, 50 - w, kRowHeight), base));
    EXPECT_TRUE(HasInk(image, QRect(200 - w, 0, 2 * w, kRowHeight), base));
    EXPECT_FALSE(HasInk(image, QRect(160, 0, 35 - w, kRowHeight), base));
    EXPECT_FALSE(HasInk(image, QRect(205 + w, 0, 35 - w, kRowHeight), base));
}

TEST_F(ListCtrlTest, RowHeightFollowsTheFontUnlessSet) {
    list.SetRowHeight(0);
    QFont font = list.font();
    font.setPixelSize(30);
    list.setFont(font);
    EXPECT_EQ(list.GetRowHeight(), QFontMetrics(font).height() + 4);
    list.SetRowHeight(17);
    font.setPixelSize(10);
    list.setFont(font);
    EXPECT_EQ(list.GetRowHeight(), 17);
}

TEST_F(ListCtrlTest, FocusStateIsDrawnOnlyWhileTheListHasTheFocus) {
    QLineEdit other;
    other.show();
    Fill(3);
    list.SetItemState(1, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);

    list.activateWindow();
    list.setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&list));
    ASSERT_TRUE(list.hasFocus());
    list.drawn.clear();
    list.drawnStates.clear();
    list.viewport()->grab();
    ASSERT_EQ(list.drawn.size(), 3u);
    EXPECT_EQ(list.drawnStates[1], unsigned(ODS_SELECTED | ODS_FOCUS));
    EXPECT_EQ(list.drawnStates[0], 0u);

    other.activateWindow();
    other.setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    ASSERT_FALSE(list.hasFocus());
    list.drawnStates.clear();
    list.viewport()->grab();
    ASSERT_EQ(list.drawnStates.size(), 3u);
    EXPECT_EQ(list.drawnStates[1], unsigned(ODS_SELECTED));
}

// ---------------------------------------------------------------- default input

TEST_F(ListCtrlTest, ClicksSelectToggleAndExtend) {
    Fill(10);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, RowPoint(2));
    EXPECT_EQ(Selected(), std::vector<int>{2});
    EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), 2);
    EXPECT_EQ(list.GetSelectionMark(), 2);
    EXPECT_TRUE(list.hasFocus());

    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ControlModifier, RowPoint(4, 2));
    EXPECT_EQ(Selected(), (std::vector<int>{2, 4}));
    EXPECT_EQ(list.GetSelectionMark(), 4);

    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ShiftModifier, RowPoint(7));
    EXPECT_EQ(Selected(), (std::vector<int>{4, 5, 6, 7}));
    EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), 7);
    EXPECT_EQ(list.GetSelectionMark(), 4);

    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ControlModifier, RowPoint(5));
    EXPECT_EQ(Selected(), (std::vector<int>{4, 6, 7}));

    // Empty space below the rows clears the selection.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(10, 10 * kRowHeight + 5));
    EXPECT_TRUE(Selected().empty());
}

TEST_F(ListCtrlTest, SingleSelectionTurnsModifiedClicksIntoPlainOnes) {
    Fill(10);
    list.SetSingleSelection(true);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, RowPoint(2));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ShiftModifier, RowPoint(5));
    EXPECT_EQ(Selected(), std::vector<int>{5});
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ControlModifier, RowPoint(6));
    EXPECT_EQ(Selected(), std::vector<int>{6});
}

TEST_F(ListCtrlTest, KeysMoveTheFocusAndScrollItIntoView) {
    Fill(100);
    list.setFocus();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, RowPoint(3));
    QTest::keyClick(&list, Qt::Key_Down);
    EXPECT_EQ(Selected(), std::vector<int>{4});
    EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), 4);

    QTest::keyClick(&list, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(&list, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(Selected(), (std::vector<int>{4, 5, 6}));
    QTest::keyClick(&list, Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(Selected(), (std::vector<int>{4, 5}));
    EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), 5);

    // Ctrl moves only the focus; Ctrl+Space toggles the row.
    QTest::keyClick(&list, Qt::Key_Down, Qt::ControlModifier);
    QTest::keyClick(&list, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(Selected(), (std::vector<int>{4, 5}));
    QTest::keyClick(&list, Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(Selected(), (std::vector<int>{4, 5, 7}));

    const int perPage = list.GetCountPerPage();
    QTest::keyClick(&list, Qt::Key_Home);
    QTest::keyClick(&list, Qt::Key_PageDown);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), perPage - 1);
    EXPECT_EQ(list.GetTopIndex(), 0);
    QTest::keyClick(&list, Qt::Key_PageDown);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), 2 * perPage - 2);
    EXPECT_EQ(list.GetTopIndex(), perPage - 1);
    QTest::keyClick(&list, Qt::Key_PageUp);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), perPage - 1);

    QTest::keyClick(&list, Qt::Key_End);
    EXPECT_EQ(Selected(), std::vector<int>{99});
    EXPECT_EQ(list.GetTopIndex(), 100 - perPage);
    QTest::keyClick(&list, Qt::Key_Home, Qt::ShiftModifier);
    EXPECT_EQ(list.GetSelectedCount(), 100);
    EXPECT_EQ(list.GetTopIndex(), 0);
    EXPECT_EQ(list.endScrolls, 0);
}

// ---------------------------------------------------------------- check boxes

TEST_F(ListCtrlTest, CheckBoxesToggleByClickAndSpaceAndReportTheStateImage) {
    Fill(3);
    EXPECT_FALSE(list.SetCheck(0, true)) << "no check without boxes";
    list.SetCheckBoxes(true);
    list.InsertItem(3, "late");
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(list.GetCheck(i)) << "row " << i << " starts unchecked";
    std::vector<StateChange> signalled;
    QObject::connect(&list, &CListCtrl::ItemChanged, [&](int item, unsigned o, unsigned n) {
        signalled.push_back({item, o, n});
    });
    list.changes.clear();

    ASSERT_TRUE(list.SetCheck(1, true));
    EXPECT_TRUE(list.GetCheck(1));
    const StateChange toChecked{1, INDEXTOSTATEIMAGEMASK(1), INDEXTOSTATEIMAGEMASK(2)};
    ASSERT_EQ(list.changes.size(), 1u);
    EXPECT_EQ(list.changes[0], toChecked);
    ASSERT_EQ(signalled.size(), 1u);
    EXPECT_EQ(signalled[0], toChecked);

    // A click on the box of row 2 toggles it and leaves the selection alone; a click on the
    // text selects as before and leaves the check alone.
    list.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier,
                      list.CheckBoxRect(2).center());
    EXPECT_TRUE(list.GetCheck(2));
    EXPECT_EQ(Selected(), std::vector<int>{0});
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, RowPoint(2));
    EXPECT_TRUE(list.GetCheck(2));
    EXPECT_EQ(Selected(), std::vector<int>{2});

    QTest::keyClick(&list, Qt::Key_Space);
    EXPECT_FALSE(list.GetCheck(2)) << "Space toggles the focused row";
    EXPECT_EQ(Selected(), std::vector<int>{2});

    list.SetCheckBoxes(false);
    EXPECT_FALSE(list.GetCheck(1));
    EXPECT_EQ(list.GetItemState(1, LVIS_STATEIMAGEMASK), 0u);
    EXPECT_TRUE(list.CheckBoxRect(1).isEmpty());
}
