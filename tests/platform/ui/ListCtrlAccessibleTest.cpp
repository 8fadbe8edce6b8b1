// The list-view through Qt's accessibility API.
#include "platform/ui/ListCtrlAccessible.h"
#include "platform/ui/ListCtrl.h"

#include <QApplication>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

std::vector<std::pair<QAccessible::Event, QString>> g_events;

void RecordEvent(QAccessibleEvent* event) {
    QAccessibleInterface* iface = event->accessibleInterface();
    g_events.emplace_back(event->type(), iface ? iface->text(QAccessible::Name) : QString());
}

class ListCtrlAccessibleTest : public ::testing::Test {
protected:
    void SetUp() override {
        CListCtrlAccessible::InstallFactory(); // before the list exists
        list = std::make_unique<CListCtrl>();
        list->resize(300, 200);
        list->SetCheckBoxes(true);
        list->InsertColumn(0, QStringLiteral("名前"));
        list->InsertColumn(1, QStringLiteral("場所"));
        for (int i = 0; i < 3; ++i) {
            list->InsertItem(i, QStringLiteral("item%1").arg(i));
            list->SetItemText(i, 1, QStringLiteral("where%1").arg(i));
        }
        list->show();
        list->activateWindow();
        list->setFocus();
        QApplication::processEvents();
        iface = QAccessible::queryAccessibleInterface(list.get());
        ASSERT_TRUE(iface && iface->tableInterface());
        table = iface->tableInterface();
    }
    void TearDown() override {
        CListCtrlAccessible::SetEventSink(nullptr);
        g_events.clear();
    }
    std::unique_ptr<CListCtrl> list;
    QAccessibleInterface* iface = nullptr;
    QAccessibleTableInterface* table = nullptr;
};

} // namespace

TEST_F(ListCtrlAccessibleTest, RowsReadAsCellsUnderTheirHeadings) {
    EXPECT_EQ(table->rowCount(), 3);
    EXPECT_EQ(table->columnCount(), 2);
    EXPECT_EQ(iface->childCount(), 2 * 4); // the heading row and three rows
    EXPECT_EQ(iface->child(1)->role(), QAccessible::ColumnHeader);
    EXPECT_EQ(iface->child(1)->text(QAccessible::Name), QStringLiteral("場所"));
    QAccessibleInterface* cell = table->cellAt(2, 1);
    EXPECT_EQ(cell->text(QAccessible::Name), QStringLiteral("where2"));
    EXPECT_TRUE(cell->state().readOnly);
    EXPECT_FALSE(cell->state().checkable);

    // The row's check box lives in its first cell.
    QAccessibleInterface* first = table->cellAt(1, 0);
    EXPECT_TRUE(first->state().checkable);
    first->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(list->GetCheck(1));
    EXPECT_TRUE(first->state().checked);
}

// The first column's bounds are the whole row in a list-view; its cell is its column alone.
TEST_F(ListCtrlAccessibleTest, EachCellSpansItsOwnColumn) {
    const QRect first = table->cellAt(1, 0)->rect();
    const QRect second = table->cellAt(1, 1)->rect();
    EXPECT_EQ(first.width(), list->GetColumnWidth(0));
    EXPECT_EQ(first.right() + 1, second.left());
    EXPECT_EQ(first.top(), second.top());
}

TEST_F(ListCtrlAccessibleTest, FocusedRowAndNewRowsAreAnnounced) {
    ASSERT_TRUE(list->hasFocus());
    CListCtrlAccessible::SetEventSink(&RecordEvent);
    list->SetItemState(2, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
    ASSERT_FALSE(g_events.empty());
    EXPECT_EQ(g_events.back(), std::make_pair(QAccessible::Focus, QStringLiteral("item2")));
    EXPECT_TRUE(table->cellAt(2, 0)->state().focused);
    EXPECT_EQ(table->selectedRows(), QList<int>{2});

    list->InsertItem(0, QStringLiteral("new"));
    EXPECT_EQ(g_events.back().first, QAccessible::TableModelChanged);
    EXPECT_EQ(table->cellAt(3, 0)->text(QAccessible::Name), QStringLiteral("item2"));
}
