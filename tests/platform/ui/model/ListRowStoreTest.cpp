// The list-view's row store on its own: no widget, no QApplication.
#include "platform/ui/ListRowStore.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <algorithm>

namespace {

constexpr unsigned kSelected = CListRowStore::kSelectedBit;
constexpr unsigned kFocused = CListRowStore::kFocusedBit;

CListRowStore::Row RowWith(quintptr data, unsigned state = 0) {
    CListRowStore::Row row;
    row.data = data;
    row.state = state;
    return row;
}

// Every id must lead back to its row, through each way the store keeps its index: the binary
// search over ascending ids, the hash kept current near the end, the hash rebuilt after a
// change further up or a sort. The data value of each row is its id, so a stale index shows.
TEST(ListRowStore, IdsFindTheirRowsThroughInsertsRemovesAndSorts) {
    QRandomGenerator random(20261209);
    CListRowStore store;
    const auto expectIndexed = [&store](int index, int step) {
        ASSERT_EQ(store.IndexOf(unsigned(store.At(index).data)), index) << "step " << step;
    };
    for (int step = 0; step < 4000; ++step) {
        const int count = store.Count();
        const unsigned roll = random.bounded(40u);
        if (roll < 20 || count < 2) {
            // Mostly near the end, seldom far up, so that both index paths are taken.
            const int at = roll > 0 ? count - int(random.bounded(std::min(count, 4) + 1))
                                    : int(random.bounded(count + 1));
            const int index = store.Insert(at, RowWith(0));
            store.SetData(index, store.IdAt(index));
        } else if (roll < 39) {
            const int index = count - 1 - int(random.bounded(std::min(count, 4)));
            const unsigned id = store.IdAt(index);
            store.Remove(index);
            ASSERT_EQ(store.IndexOf(id), -1) << "step " << step; // a removed id finds nothing
        } else {
            std::vector<int> order(static_cast<size_t>(count));
            for (int i = 0; i < count; ++i)
                order[size_t(i)] = i;
            std::shuffle(order.begin(), order.end(), random);
            ASSERT_TRUE(store.ApplyOrder(order));
        }
        // A lookup every step keeps the hash in use, so that its upkeep is what gets checked.
        if (!store.IsEmpty())
            expectIndexed(store.Count() - 1, step);
        if (step % 97 == 0) {
            for (int i = 0; i < store.Count(); ++i)
                expectIndexed(i, step);
        }
    }
}

// The focused row, the selection mark and the selected count are positions and a tally that
// the row operations have to carry along.
TEST(ListRowStore, FocusMarkAndSelectionFollowTheRows) {
    CListRowStore store;
    for (int i = 0; i < 5; ++i)
        store.Insert(i, RowWith(quintptr(i)));
    store.SetState(2, kFocused | kSelected);
    store.SetState(4, kSelected);
    store.SetSelectionMark(3);

    store.Insert(0, RowWith(99)); // everything moves down one
    EXPECT_EQ(store.Focused(), 3);
    EXPECT_EQ(store.SelectionMark(), 4);
    EXPECT_EQ(store.SelectedCount(), 2);
    EXPECT_EQ(store.LastSelected(), 5);

    store.Remove(5); // the row selected last goes; the other selected row stays
    EXPECT_EQ(store.SelectedCount(), 1);
    EXPECT_EQ(store.LastSelected(), -1);

    ASSERT_TRUE(store.ApplyOrder({4, 3, 2, 1, 0}));
    EXPECT_EQ(store.Focused(), 1);
    EXPECT_EQ(store.SelectionMark(), 0);
    EXPECT_EQ(store.At(store.Focused()).data, quintptr(2));

    store.Remove(1); // the focused row goes: no row holds the focus
    EXPECT_EQ(store.Focused(), -1);
    EXPECT_EQ(store.SelectedCount(), 0);

    store.SetState(0, kSelected);
    store.Clear();
    EXPECT_EQ(store.SelectedCount(), 0);
    EXPECT_EQ(store.LastSelected(), -1);
    EXPECT_EQ(store.SelectionMark(), -1);
}

TEST(ListRowStore, AnOrderThatIsNoPermutationChangesNothing) {
    CListRowStore store;
    for (int i = 0; i < 3; ++i)
        store.Insert(i, RowWith(quintptr(i)));
    EXPECT_FALSE(store.ApplyOrder({0, 1}));
    EXPECT_FALSE(store.ApplyOrder({0, 0, 1}));
    EXPECT_FALSE(store.ApplyOrder({0, 1, 3}));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(store.At(i).data, quintptr(i));
}

TEST(ListRowStore, ColumnsShiftTheTextsOfEveryRow) {
    CListRowStore store;
    store.Insert(0, RowWith(0));
    store.Insert(1, RowWith(1));
    store.SetText(0, 0, "a");
    store.SetText(0, 1, "b");
    store.SetText(1, 0, "c"); // a row whose texts stop short of the column
    EXPECT_TRUE(store.SetText(1, 5, QString()));
    EXPECT_EQ(store.TextsPerRow(), 2); // an empty text beyond the end takes no room

    store.InsertColumn(1);
    EXPECT_EQ(store.Text(0, 1), QString());
    EXPECT_EQ(store.Text(0, 2), "b");
    EXPECT_EQ(store.Text(1, 0), "c");
    store.RemoveColumn(0);
    EXPECT_EQ(store.Text(0, 1), "b");
    EXPECT_EQ(store.Text(1, 0), QString());
    EXPECT_FALSE(store.SetText(2, 0, "x"));
    EXPECT_EQ(store.Text(-1, 0), QString());
}

// The texts lie apart from the rows, in one array: every way rows move (inserted in between,
// removed, sorted) or the array widens (a text beyond those held, a reserve) must keep each
// row's texts with it. Each row's texts name its data value, so a shifted text shows.
TEST(ListRowStore, TextsStayWithTheirRows) {
    CListRowStore store;
    const auto expectTexts = [&store](const char* step) {
        for (int i = 0; i < store.Count(); ++i) {
            const QString name = QString::number(store.At(i).data);
            EXPECT_EQ(store.Text(i, 0), name) << step << " row " << i;
            EXPECT_EQ(store.Text(i, 1), store.TextsPerRow() > 1 ? name + "b" : QString())
                << step << " row " << i;
        }
    };
    const auto insert = [&store](int at, quintptr data) {
        const int index = store.Insert(at, RowWith(data));
        store.SetText(index, 0, QString::number(data));
    };
    for (int i = 0; i < 4; ++i)
        insert(i, quintptr(i));
    expectTexts("one text each");
    for (int i = 0; i < store.Count(); ++i) // the first second text widens every row
        store.SetText(i, 1, QString::number(store.At(i).data) + "b");
    expectTexts("widened");
    insert(1, 10);
    store.SetText(1, 1, "10b");
    store.Remove(3);
    expectTexts("inserted and removed");
    ASSERT_TRUE(store.ApplyOrder({3, 1, 0, 2}));
    expectTexts("sorted");
    store.Widen(3);
    store.Reserve(100);
    EXPECT_EQ(store.TextsPerRow(), 3);
    expectTexts("widened and reserved");
    store.Clear();
    insert(0, 7); // a cleared store takes rows as before
    EXPECT_EQ(store.Text(0, 0), "7");
    EXPECT_EQ(store.Text(0, 2), QString());
}

} // namespace

// Hidden rows have no place among the shown ones; the flag must travel with its row through
// inserts, removes and sorts, and the places must follow each change.
TEST(ListRowStore, HiddenRowsKeepTheirFlagAndThePlacesFollow) {
    CListRowStore store;
    for (quintptr i = 0; i < 6; ++i)
        store.Insert(int(i), RowWith(i, i == 2 ? kFocused : 0));
    store.SetHidden(1, true);
    store.SetHidden(3, true);
    store.SetState(2, 0); // a state change leaves the flag alone
    EXPECT_TRUE(store.IsHidden(3));
    EXPECT_EQ(store.ShownCount(), 4);
    EXPECT_EQ(store.ShownRowAt(1), 2);
    EXPECT_EQ(store.ShownPosition(3), 2); // hidden: the place of the next shown row
    EXPECT_EQ(store.ShownRowAt(4), -1);

    store.Insert(0, RowWith(9)); // shown, and every place after it moves
    EXPECT_EQ(store.ShownRowAt(1), 1);
    EXPECT_EQ(store.ShownPosition(5), 3);
    store.Remove(2); // the hidden row that held data 1
    EXPECT_EQ(store.HiddenCount(), 1);
    ASSERT_TRUE(store.ApplyOrder({5, 4, 3, 2, 1, 0}));
    std::vector<quintptr> hidden;
    for (int i = 0; i < store.Count(); ++i) {
        if (store.IsHidden(i))
            hidden.push_back(store.At(i).data);
    }
    EXPECT_EQ(hidden, std::vector<quintptr>{3});
    EXPECT_EQ(store.ShownRowAt(0), 0);
    EXPECT_EQ(store.ShownRowAt(2), 3);
    store.ShowAll();
    EXPECT_EQ(store.ShownCount(), store.Count());
    EXPECT_EQ(store.ShownPosition(4), 4);
}
