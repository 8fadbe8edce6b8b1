// The grid through Qt's accessibility API, as a screen reader's bridge reads it.
#include "GridTestFixture.h"

#include "grid/EditEx.h"
#include "grid/GridAccessible.h"
#include "grid/ListBoxEx.h"
#include "grid/RowHeader.h"
#include "platform/ui/AccessibleEvents.h"

#include <QAccessible>
#include <QTest>

using namespace Pelmo;

namespace {

struct SeenEvent {
    QAccessible::Event type;
    QString cellText; // the name of the cell the event is about, if any
    int row = -1;
    int col = -1;
    QVariant value;
    QAccessibleTableModelChangeEvent::ModelChangeType change{};
};
std::vector<SeenEvent> g_events;

void RecordEvent(QAccessibleEvent* event) {
    SeenEvent seen{event->type(), {}, -1, -1, {}, {}};
    if (QAccessibleInterface* iface = event->accessibleInterface()) {
        seen.cellText = iface->text(QAccessible::Name);
        if (QAccessibleTableCellInterface* cell = iface->tableCellInterface()) {
            seen.row = cell->rowIndex();
            seen.col = cell->columnIndex();
        }
    }
    if (event->type() == QAccessible::ValueChanged)
        seen.value = static_cast<QAccessibleValueChangeEvent*>(event)->value();
    if (event->type() == QAccessible::TableModelChanged)
        seen.change = static_cast<QAccessibleTableModelChangeEvent*>(event)->modelChangeType();
    g_events.push_back(seen);
}

bool ChoiceName(CListCtrlEx*, int, int, const QString& key, QString* text, void*) {
    *text = QStringLiteral("名前:") + key;
    return true;
}

} // namespace

class GridAccessibleTest : public GridTest {
protected:
    void SetUp() override {
        // Before any grid exists: an interface once made stays with its widget.
        CGridAccessible::InstallFactory();
        GridTest::SetUp();
        // Columns: text, choice (shown by its display name), check box, button.
        Fill(4, 3);
        grid->SetColumnChoiceCallback(1, nullptr, &ChoiceName, 5, QLatin1Char('|'), nullptr);
        grid->SetColumnCheckBox(2);
        grid->SetItemText(0, 2, QStringLiteral("1"));
        grid->SetItemText(1, 2, QString());
        grid->SetColumnButton(3);
        grid->SetCellReadOnly(2, 0, true);
        grid->SetRowHeaderWidth(40);
        parent->activateWindow();
        grid->setFocus();
        QApplication::processEvents();
        iface = QAccessible::queryAccessibleInterface(grid);
        ASSERT_TRUE(iface && iface->tableInterface());
        table = iface->tableInterface();
    }
    void TearDown() override {
        CListCtrlAccessible::SetEventSink(nullptr);
        g_events.clear();
        GridTest::TearDown();
    }
    // Events are sent only while assistive technology listens; the sink stands in for it.
    void Listen() {
        CListCtrlAccessible::SetEventSink(&RecordEvent);
        g_events.clear();
    }
    const SeenEvent* Last(QAccessible::Event type) const {
        for (auto it = g_events.rbegin(); it != g_events.rend(); ++it) {
            if (it->type == type)
                return &*it;
        }
        return nullptr;
    }
    QAccessibleInterface* iface = nullptr;
    QAccessibleTableInterface* table = nullptr;
};

TEST_F(GridAccessibleTest, TableHeadersAndCellsSayWhatIsPainted) {
    EXPECT_EQ(iface->role(), QAccessible::Table);
    EXPECT_EQ(table->rowCount(), 3);
    EXPECT_EQ(table->columnCount(), 4);
    EXPECT_EQ(table->columnDescription(1), QStringLiteral("B"));
    EXPECT_EQ(table->rowDescription(2), QStringLiteral("3"));
    // The corner, a column-header row and a row-header column around the cells.
    EXPECT_EQ(iface->childCount(), 4 * 5);

    struct Row {
        const char* name;
        int row, col;
        QString text;
        QAccessible::Role role;
        bool readOnly, checkable, checked;
    };
    const Row rows[] = {
        {"text cell", 1, 0, QStringLiteral("r1c0"), QAccessible::Cell, false, false, false},
        {"read-only cell", 2, 0, QStringLiteral("r2c0"), QAccessible::Cell, true, false, false},
        {"choice by its name", 0, 1, QStringLiteral("名前:r0c1"), QAccessible::Cell, false, false,
         false},
        {"ticked check box", 0, 2, QString(), QAccessible::Cell, false, true, true},
        {"empty check box", 1, 2, QString(), QAccessible::Cell, false, true, false},
        {"button", 1, 3, QStringLiteral("r1c3"), QAccessible::Button, false, false, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        QAccessibleInterface* cell = table->cellAt(r.row, r.col);
        ASSERT_TRUE(cell);
        EXPECT_EQ(cell->text(QAccessible::Name), r.text);
        EXPECT_EQ(cell->role(), r.role);
        EXPECT_EQ(bool(cell->state().readOnly), r.readOnly);
        EXPECT_EQ(bool(cell->state().checkable), r.checkable);
        EXPECT_EQ(bool(cell->state().checked), r.checked);
        EXPECT_EQ(cell->tableCellInterface()->rowIndex(), r.row);
        EXPECT_EQ(cell->tableCellInterface()->columnIndex(), r.col);
        EXPECT_EQ(cell->parent(), iface);
        EXPECT_EQ(iface->child(iface->indexOfChild(cell)), cell);
        const QList<QAccessibleInterface*> header = cell->tableCellInterface()->columnHeaderCells();
        ASSERT_EQ(header.size(), 1);
        EXPECT_EQ(header[0]->text(QAccessible::Name), QString(QChar('A' + r.col)));
        EXPECT_EQ(cell->rect().center(),
                  grid->viewport()->mapToGlobal(grid->GetCellRect(r.row, r.col).center()));
    }
    QAccessibleInterface* corner = iface->child(0);
    EXPECT_EQ(corner->role(), QAccessible::Button);
    EXPECT_EQ(corner->text(QAccessible::Name), QStringLiteral("すべて選択"));
    EXPECT_EQ(iface->child(5)->role(), QAccessible::RowHeader);
    EXPECT_EQ(iface->child(5)->text(QAccessible::Name), QStringLiteral("1"));
}

TEST_F(GridAccessibleTest, CurrentCellIsFocusedAndSelected) {
    ASSERT_TRUE(grid->SetCurrentCell(1, 3, true, false));
    const QAccessible::State st = table->cellAt(1, 3)->state();
    EXPECT_TRUE(st.focused);
    EXPECT_TRUE(st.selected);
    EXPECT_FALSE(table->cellAt(1, 0)->state().focused);
    EXPECT_FALSE(table->cellAt(0, 3)->state().selected);
}

TEST_F(GridAccessibleTest, CellsAndHeadersActLikeTheirMouseClicks) {
    QAccessibleInterface* box = table->cellAt(1, 2);
    ASSERT_TRUE(box->actionInterface());
    box->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(grid->GetItemText(1, 2), QStringLiteral("1"));
    EXPECT_EQ(CountNotes(GN_CELLCHANGED), 1);

    table->cellAt(0, 3)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(CountNotes(GN_BUTTONCLICK), 1);

    iface->child(0)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(table->selectedRowCount(), 3);
    // The column header's menu, as a right-click on it asks for.
    iface->child(2)->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
    ASSERT_EQ(CountNotes(GN_RCLICK), 1);
    EXPECT_EQ(notes.back().nEvent, GE_RCLICK_HEADER);
    EXPECT_EQ(notes.back().nCol, 1);
    // A read-only cell offers nothing to do.
    EXPECT_TRUE(table->cellAt(2, 0)->actionInterface()->actionNames().isEmpty());
}

TEST_F(GridAccessibleTest, MovingTheCurrentCellAnnouncesTheNewCell) {
    Listen();
    ASSERT_TRUE(grid->SetCurrentCell(2, 1, true, false));
    const SeenEvent* focus = Last(QAccessible::Focus);
    ASSERT_TRUE(focus);
    EXPECT_EQ(focus->row, 2);
    EXPECT_EQ(focus->col, 1);
    EXPECT_EQ(focus->cellText, QStringLiteral("名前:r2c1"));
}

// The list never takes the focus, so its closing gives the grid no focus event of its own.
TEST_F(GridAccessibleTest, ClosingTheChoiceListAnnouncesTheCellAgain) {
    const QStringList items{"r1c0|One", "x|Other"};
    grid->SetColumnChoiceList(0, &items, 5, QLatin1Char('|'));
    for (const bool pick : {false, true}) {
        SCOPED_TRACE(pick ? "picked" : "cancelled");
        ASSERT_TRUE(grid->SetCurrentCell(1, 0, true, false));
        ASSERT_TRUE(grid->BeginEdit(1, 0));
        ASSERT_TRUE(grid->GetListBox()->IsWindow());
        Listen();
        if (pick) {
            grid->GetListBox()->SetCurSel(1);
            grid->EndEdit();
        } else {
            grid->CancelEdit();
        }
        ASSERT_FALSE(grid->IsEditing());
        const SeenEvent* focus = Last(QAccessible::Focus);
        ASSERT_TRUE(focus);
        EXPECT_EQ(focus->row, 1);
        EXPECT_EQ(focus->col, 0);
        EXPECT_EQ(focus->cellText, pick ? u"Other"_qs : u"One"_qs);
    }
}

// F4 on a value the list does not hold: the reader hears the first item, and nothing is picked.
TEST_F(GridAccessibleTest, AListWithoutTheCellsValuePointsAtItsFirstItemUnselected) {
    const QStringList items{"a|One", "x|Other"};
    grid->SetColumnChoiceList(0, &items, 5, QLatin1Char('|'));
    ASSERT_TRUE(grid->SetCurrentCell(1, 0, true, false));
    CAccessibleEvents::SetSink(&RecordEvent);
    g_events.clear();
    QTest::keyClick(grid, Qt::Key_F4);
    CAccessibleEvents::SetSink(nullptr);
    CListBoxEx* list = grid->GetListBox();
    ASSERT_TRUE(list->IsWindow());
    const SeenEvent* focus = Last(QAccessible::Focus);
    ASSERT_TRUE(focus);
    EXPECT_EQ(focus->cellText, u"One 選択なし"_qs);
    EXPECT_EQ(list->GetCurSel(), -1);
    // The first Down takes the first item, as from no item at all, and it says only its text.
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(list->GetCurSel(), 0);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(list)->child(0)->text(QAccessible::Name),
              u"One"_qs);
    QTest::keyClick(grid, Qt::Key_Escape);
    EXPECT_EQ(grid->GetItemText(1, 0), u"r1c0"_qs);
}

TEST_F(GridAccessibleTest, EditsAndRowChangesAreReported) {
    Listen();
    grid->SetItemText(1, 0, QStringLiteral("new"));
    const SeenEvent* value = Last(QAccessible::ValueChanged);
    ASSERT_TRUE(value);
    EXPECT_EQ(value->row, 1);
    EXPECT_EQ(value->value.toString(), QStringLiteral("new"));

    // Cells follow their rows: after a deletion the row below takes the index.
    grid->DeleteItem(0);
    ASSERT_TRUE(Last(QAccessible::TableModelChanged));
    EXPECT_EQ(Last(QAccessible::TableModelChanged)->change,
              QAccessibleTableModelChangeEvent::RowsRemoved);
    EXPECT_EQ(table->rowCount(), 2);
    EXPECT_EQ(table->cellAt(0, 0)->text(QAccessible::Name), QStringLiteral("new"));

    grid->InsertItem(2, QStringLiteral("added"));
    EXPECT_EQ(Last(QAccessible::TableModelChanged)->change,
              QAccessibleTableModelChangeEvent::RowsInserted);
}

// The editor sits in the viewport; a reader must find it among the table's children.
TEST_F(GridAccessibleTest, EditorIsTheTablesChildNamedAfterTheColumn) {
    const int cells = iface->childCount();
    ASSERT_TRUE(grid->BeginEdit(0, 0));
    QAccessibleInterface* editor = QAccessible::queryAccessibleInterface(grid->GetEdit());
    EXPECT_EQ(editor->text(QAccessible::Name), QStringLiteral("A"));
    EXPECT_EQ(editor->role(), QAccessible::EditableText);
    EXPECT_EQ(editor->parent(), iface);
    ASSERT_EQ(iface->childCount(), cells + 1);
    EXPECT_EQ(iface->child(cells), editor);
    EXPECT_EQ(iface->indexOfChild(editor), cells);
    ASSERT_TRUE(editor->textInterface() && editor->editableTextInterface());
    EXPECT_EQ(editor->textInterface()->text(0, 4), QStringLiteral("r0c0"));
    editor->editableTextInterface()->replaceText(1, 2, QStringLiteral("ow "));
    EXPECT_EQ(grid->GetEdit()->text(), QStringLiteral("row c0"));
    grid->CancelEdit();
    EXPECT_EQ(iface->childCount(), cells);
}
