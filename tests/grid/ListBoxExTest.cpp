#include "grid/ListBoxEx.h"
#include "tests/grid/GridTestFixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>
#include <initializer_list>
#include <utility>

using namespace Pelmo;

namespace {

// Counts what reaches a widget after the list's application-wide filter had its say.
class EventCounter : public QObject {
public:
    int keyPresses(int key) const { return m_keys.value(key); }
    int nMousePresses = 0;
    int nWheels = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress)
            ++m_keys[static_cast<QKeyEvent*>(event)->key()];
        else if (event->type() == QEvent::MouseButtonPress)
            ++nMousePresses;
        else if (event->type() == QEvent::Wheel)
            ++nWheels;
        return false;
    }

private:
    QHash<int, int> m_keys;
};

CKeyValueList MakeChoices(std::initializer_list<std::pair<const char*, const char*>> items) {
    CKeyValueList list;
    for (const auto& [key, text] : items)
        list.push_back(std::make_unique<CKeyValue>(CKeyValue{key, text}));
    return list;
}

CKeyValueList NumberedChoices(int n) {
    CKeyValueList list;
    for (int i = 0; i < n; ++i)
        list.push_back(std::make_unique<CKeyValue>(
            CKeyValue{QStringLiteral("k%1").arg(i), QStringLiteral("item %1").arg(i)}));
    return list;
}

void SendMouse(QWidget* w, QEvent::Type type, const QPoint& pos, Qt::MouseButton button,
               Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

class CListBoxExTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.resize(300, 200);
        host.move(0, 0);
        standIn = new QLineEdit(&host); // where the grid's focus would be
        standIn->setGeometry(10, 10, 200, 24);
        standIn->installEventFilter(&counter);
        host.show();
        standIn->setFocus();
        QApplication::processEvents();
        list.Create(&host, host.font());
    }
    void TearDown() override { list.DestroyWindow(); }

    // Opens the list under a cell far from the host window, as the grid does.
    void Open(const QString& current, int nMaxRows = 5, const QRect& rcCell = kCell) {
        list.ShowList(nullptr, &choices, rcCell, current, nMaxRows, RGB(0, 0, 0),
                      RGB(255, 255, 255));
        list.show();
        QApplication::processEvents();
    }
    QPoint ItemCenter(int i) const { return list.visualItemRect(list.item(i)).center(); }
    int ItemHeight() const { return list.fontMetrics().height() + 6; }

    static inline const QRect kCell{400, 300, 150, 20};
    QWidget host;
    QLineEdit* standIn = nullptr;
    EventCounter counter;
    CListBoxEx list;
    CKeyValueList choices = NumberedChoices(8);
};

TEST_F(CListBoxExTest, SizeFollowsChoicesAndVisibleRows) {
    Open("k0", 5);
    EXPECT_EQ(list.geometry(), QRect(400, 320, 150, ItemHeight() * 5 + 2));
    EXPECT_EQ(list.count(), 8);
    EXPECT_EQ(list.item(3)->text(), "item 3");

    choices = NumberedChoices(2);
    Open("k0", 5);
    EXPECT_EQ(list.height(), ItemHeight() * 2 + 2);

    choices.clear(); // no choices: only the border, nothing selected
    Open("k0", 5);
    EXPECT_EQ(list.height(), 2);
    EXPECT_EQ(list.GetCurSel(), -1);
}

TEST_F(CListBoxExTest, ThirteenPixelItemsGiveNinetySevenPixels) {
    // Eight choices, five rows visible, a font 13 pixels high: (13 + 6) * 5 + 2.
    QFont font = host.font();
    int px = 6;
    for (; px < 30; ++px) {
        font.setPixelSize(px);
        if (QFontMetrics(font).height() == 13)
            break;
    }
    if (QFontMetrics(font).height() != 13)
        GTEST_SKIP() << "no installed font is 13 pixels high";
    list.Create(&host, font);
    Open("k0", 5);
    EXPECT_EQ(list.height(), 97);
}

TEST_F(CListBoxExTest, OpensUpwardsNearTheBottomOfTheScreen) {
    const int nScreenBottom = QGuiApplication::primaryScreen()->geometry().bottom() + 1;
    const QRect rcLow(400, nScreenBottom - 40, 150, 20);
    Open("k0", 5, rcLow);
    const int h = ItemHeight() * 5 + 2;
    EXPECT_EQ(list.geometry(), QRect(400, rcLow.top() - h, 150, h));
    // Just enough room below: downwards.
    const QRect rcFits(400, nScreenBottom - h - 20, 150, 20);
    Open("k0", 5, rcFits);
    EXPECT_EQ(list.geometry().top(), rcFits.bottom() + 1);
}

TEST_F(CListBoxExTest, CurrentKeyIsSelectedLastMatchWins) {
    choices = MakeChoices({{"a", "A"}, {"b", "B"}, {"a", "A2"}});
    Open("a");
    EXPECT_EQ(list.GetCurSel(), 2);
    ASSERT_NE(list.GetChoice(2), nullptr);
    EXPECT_EQ(list.GetChoice(2)->m_strText, "A2");
    EXPECT_EQ(list.GetChoice(2), choices[2].get());
    Open("b");
    EXPECT_EQ(list.GetCurSel(), 1);
    Open("A"); // keys compare with case
    EXPECT_EQ(list.GetCurSel(), -1);
    Open("");
    EXPECT_EQ(list.GetCurSel(), -1);
}

TEST_F(CListBoxExTest, MovementKeysGoToTheListWhileOpen) {
    Open("k1");
    EXPECT_EQ(CListBoxEx::GetOpenList(), &list);
    // Showing the list took neither the activation nor the focus.
    EXPECT_EQ(QApplication::activeWindow(), &host);
    EXPECT_TRUE(standIn->hasFocus());
    QTest::keyClick(standIn, Qt::Key_Down);
    EXPECT_EQ(list.GetCurSel(), 2);
    QTest::keyClick(standIn, Qt::Key_Up);
    QTest::keyClick(standIn, Qt::Key_Up);
    EXPECT_EQ(list.GetCurSel(), 0);
    QTest::keyClick(standIn, Qt::Key_Right);
    EXPECT_EQ(list.GetCurSel(), 1);
    QTest::keyClick(standIn, Qt::Key_End);
    EXPECT_EQ(list.GetCurSel(), 7);
    QTest::keyClick(standIn, Qt::Key_Home);
    EXPECT_EQ(list.GetCurSel(), 0);
    QTest::keyClick(standIn, Qt::Key_PageDown);
    EXPECT_GT(list.GetCurSel(), 1);
    for (int key :
         {Qt::Key_Down, Qt::Key_Up, Qt::Key_Right, Qt::Key_End, Qt::Key_Home, Qt::Key_PageDown})
        EXPECT_EQ(counter.keyPresses(key), 0) << key;
    // Typed characters look for an item; other keys go on as usual, and the focus never left.
    QTest::keyClick(standIn, Qt::Key_X);
    EXPECT_EQ(standIn->text(), "");
    QTest::keyClick(standIn, Qt::Key_F5);
    EXPECT_EQ(counter.keyPresses(Qt::Key_F5), 1);
    EXPECT_TRUE(standIn->hasFocus());
    EXPECT_TRUE(list.IsWindow());

    QTest::keyClick(standIn, Qt::Key_Return);
    EXPECT_TRUE(list.IsCommitted());
    EXPECT_FALSE(list.IsCancelled());
    EXPECT_FALSE(list.IsWindow());
    EXPECT_EQ(CListBoxEx::GetOpenList(), nullptr);
    EXPECT_EQ(counter.keyPresses(Qt::Key_Return), 0);
    // Closed: the keys belong to the focus again.
    QTest::keyClick(standIn, Qt::Key_Down);
    EXPECT_EQ(counter.keyPresses(Qt::Key_Down), 1);
}

TEST_F(CListBoxExTest, EscapeCancels) {
    Open("k1");
    QTest::keyClick(standIn, Qt::Key_Escape);
    EXPECT_TRUE(list.IsCancelled());
    EXPECT_FALSE(list.IsCommitted());
    EXPECT_FALSE(list.IsWindow());
    EXPECT_EQ(counter.keyPresses(Qt::Key_Escape), 0);
}

TEST_F(CListBoxExTest, TabCancelsAndStillReachesTheFocus) {
    Open("k1");
    QTest::keyClick(standIn, Qt::Key_Tab);
    EXPECT_TRUE(list.IsCancelled());
    EXPECT_FALSE(list.IsWindow());
    EXPECT_EQ(counter.keyPresses(Qt::Key_Tab), 1);
}

TEST_F(CListBoxExTest, ClickOutsideCancelsAndGoesOn) {
    Open("k1");
    QTest::mouseClick(standIn, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_TRUE(list.IsCancelled());
    EXPECT_FALSE(list.IsWindow());
    EXPECT_EQ(counter.nMousePresses, 1);

    Open("k1");
    QTest::mouseClick(standIn, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_TRUE(list.IsCancelled());
    EXPECT_EQ(counter.nMousePresses, 2);
}

TEST_F(CListBoxExTest, LeavingTheApplicationCancels) {
    Open("k1");
    QEvent deactivate(QEvent::ApplicationDeactivate);
    QApplication::sendEvent(qApp, &deactivate);
    EXPECT_TRUE(list.IsCancelled());
    EXPECT_FALSE(list.IsWindow());
}

TEST_F(CListBoxExTest, WheelOutsideTheListIsSwallowed) {
    choices = NumberedChoices(20);
    Open("k0", 5);
    const QPoint pos(5, 5);
    QWheelEvent outside(QPointF(pos), QPointF(standIn->mapToGlobal(pos)), QPoint(), QPoint(0, -120),
                        Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(standIn, &outside);
    EXPECT_EQ(counter.nWheels, 0);
    EXPECT_TRUE(list.IsWindow());
    // Over the list the wheel scrolls it.
    const QPoint inList = ItemCenter(1);
    QWheelEvent inside(QPointF(inList), QPointF(list.viewport()->mapToGlobal(inList)), QPoint(),
                       QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(list.viewport(), &inside);
    EXPECT_GT(list.verticalScrollBar()->value(), 0);
}

TEST_F(CListBoxExTest, SelectionFollowsThePointer) {
    Open("k0");
    SendMouse(list.viewport(), QEvent::MouseMove, ItemCenter(3), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(list.GetCurSel(), 3);
    EXPECT_FALSE(list.IsCommitted());
    // Outside the items nothing changes.
    SendMouse(list.viewport(), QEvent::MouseMove, QPoint(10, -5), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(list.GetCurSel(), 3);
}

TEST_F(CListBoxExTest, DragCommitsTheItemUnderTheReleasePoint) {
    Open("k0");
    QWidget* vp = list.viewport();
    SendMouse(vp, QEvent::MouseButtonPress, ItemCenter(1), Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(list.GetCurSel(), 1);
    EXPECT_TRUE(list.IsTracking());
    SendMouse(vp, QEvent::MouseMove, ItemCenter(3), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(list.GetCurSel(), 3);
    EXPECT_FALSE(list.IsCommitted());
    SendMouse(vp, QEvent::MouseButtonRelease, ItemCenter(3), Qt::LeftButton, Qt::NoButton);
    EXPECT_TRUE(list.IsCommitted());
    EXPECT_FALSE(list.IsTracking());
    EXPECT_FALSE(list.IsWindow());
}

TEST_F(CListBoxExTest, DraggingBelowScrollsOneItemPerTick) {
    choices = NumberedChoices(30);
    Open("k0", 3);
    QWidget* vp = list.viewport();
    SendMouse(vp, QEvent::MouseButtonPress, ItemCenter(0), Qt::LeftButton, Qt::LeftButton);
    QElapsedTimer clock;
    clock.start();
    SendMouse(vp, QEvent::MouseMove, QPoint(10, vp->height() + 10), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(list.GetCurSel(), 0); // the move itself selects nothing
    EXPECT_TRUE(list.IsAutoScrolling());
    // A busy machine runs the timer late, never early: wait for the first step, then check that
    // the steps never outran the ticks.
    ASSERT_TRUE(QTest::qWaitFor([&] { return list.GetCurSel() >= 1; }, 5000));
    QTest::qWait(250);
    const int nSteps = list.GetCurSel();
    EXPECT_LE(nSteps, int(clock.elapsed() / 100));
    EXPECT_GT(list.verticalScrollBar()->value(), 0); // the selection was scrolled into view

    // Back inside the list the timer stops.
    SendMouse(vp, QEvent::MouseMove, QPoint(10, 2), Qt::NoButton, Qt::LeftButton);
    EXPECT_FALSE(list.IsAutoScrolling());
    // Above the list it moves up, never past the first item.
    list.SetCurSel(1);
    SendMouse(vp, QEvent::MouseMove, QPoint(10, -10), Qt::NoButton, Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return list.GetCurSel() == 0; }, 5000));
    QTest::qWait(250);
    EXPECT_EQ(list.GetCurSel(), 0);
    SendMouse(vp, QEvent::MouseButtonRelease, QPoint(10, -10), Qt::LeftButton, Qt::NoButton);
    EXPECT_TRUE(list.IsCommitted());
    EXPECT_FALSE(list.IsAutoScrolling());
}

TEST_F(CListBoxExTest, SelectedItemIsDrawnHighlighted) {
    Open("k2");
    const QImage img = list.grab().toImage();
    const QPoint inList = list.viewport()->mapTo(&list, QPoint(0, 0));
    const QRect selected = list.visualItemRect(list.item(2)).translated(inList);
    const QRect other = list.visualItemRect(list.item(1)).translated(inList);
    EXPECT_EQ(img.pixelColor(selected.left() + 1, selected.top() + 1),
              list.palette().color(QPalette::Active, QPalette::Highlight));
    EXPECT_EQ(img.pixelColor(other.left() + 1, other.top() + 1),
              list.palette().color(QPalette::Active, QPalette::Base));
}

TEST_F(CListBoxExTest, OnlyOneListIsOpenAtATime) {
    CListBoxEx other;
    other.Create(&host, host.font());
    Open("k0");
    other.ShowList(nullptr, &choices, kCell, "k0", 5, RGB(0, 0, 0), RGB(255, 255, 255));
    EXPECT_TRUE(list.IsCancelled());
    EXPECT_FALSE(list.IsWindow());
    EXPECT_EQ(CListBoxEx::GetOpenList(), &other);
    other.DestroyWindow();
    EXPECT_EQ(CListBoxEx::GetOpenList(), nullptr);
}

// ---- with a real grid as the owner ----

class CListBoxExGridTest : public GridTest {
protected:
    void SetUp() override {
        GridTest::SetUp();
        Fill(3, 4);
        const QStringList items{"a|Apple", "b|Banana", "c|Cherry"};
        grid->SetColumnChoiceList(1, &items, 5, QLatin1Char('|'));
        grid->SetItemText(0, 1, "a");
        grid->setFocus();
        grid->viewport()->installEventFilter(&viewportEvents);
        grid->installEventFilter(&gridEvents);
        QApplication::processEvents();
        ASSERT_TRUE(grid->BeginEdit(0, 1));
        list = grid->GetListBox();
        ASSERT_TRUE(list->IsWindow());
    }
    QPoint DropButtonCenter(int nItem, int nCol) const {
        const QRect rc = grid->GetCellRect(nItem, nCol).adjusted(3, 3, -3, -3);
        const int w = grid->GetDropButtonWidth();
        return QRect(rc.right() + 1 - w, rc.top(), w, rc.height()).center();
    }

    EventCounter viewportEvents;
    EventCounter gridEvents;
    CListBoxEx* list = nullptr;
};

TEST_F(CListBoxExGridTest, PickWithKeysIsStoredInTheCell) {
    EXPECT_EQ(list->GetCurSel(), 0);
    QTest::keyClick(grid, Qt::Key_Down);
    QTest::keyClick(grid, Qt::Key_Down);
    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_FALSE(grid->IsEditing());
    EXPECT_FALSE(list->IsWindow());
    EXPECT_EQ(grid->GetItemText(0, 1), "c");
    EXPECT_EQ(CountNotes(Pelmo::GN_CELLCHANGED), 1);
}

TEST_F(CListBoxExGridTest, EscapeLeavesTheCellAsItWas) {
    QTest::keyClick(grid, Qt::Key_Down);
    QTest::keyClick(grid, Qt::Key_Escape);
    EXPECT_FALSE(grid->IsEditing());
    EXPECT_EQ(grid->GetItemText(0, 1), "a");
    EXPECT_EQ(CountNotes(Pelmo::GN_CELLCHANGED), 0);
    EXPECT_EQ(gridEvents.keyPresses(Qt::Key_Escape), 0);
}

TEST_F(CListBoxExGridTest, TabCancelsAndReachesTheGrid) {
    QTest::keyClick(grid, Qt::Key_Down);
    QTest::keyClick(grid, Qt::Key_Tab);
    EXPECT_FALSE(grid->IsEditing());
    EXPECT_EQ(grid->GetItemText(0, 1), "a");
    EXPECT_EQ(gridEvents.keyPresses(Qt::Key_Tab), 1);
}

TEST_F(CListBoxExGridTest, ClickOnTheOpenCellsDropButtonOnlyCloses) {
    const QPoint pt = DropButtonCenter(0, 1);
    ASSERT_TRUE(grid->IsOnDropButton(pt, 0, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, pt);
    EXPECT_FALSE(grid->IsEditing());
    EXPECT_FALSE(list->IsWindow());
    EXPECT_EQ(viewportEvents.nMousePresses, 0); // the press never reached the grid
}

TEST_F(CListBoxExGridTest, ClickOnAnotherCellClosesAndGoesOn) {
    // A cell beside the list, not under it.
    const QPoint pt = grid->GetCellRect(2, 2).center();
    ASSERT_FALSE(list->geometry().contains(grid->viewport()->mapToGlobal(pt)));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, pt);
    EXPECT_TRUE(list->IsCancelled());
    EXPECT_FALSE(grid->IsEditing());
    EXPECT_EQ(grid->GetItemText(0, 1), "a");
    // The press went on to the grid, which moved to the clicked row.
    EXPECT_EQ(viewportEvents.nMousePresses, 1);
    int nRow = -1;
    int nCol = -1;
    grid->GetCurrentCell(&nRow, &nCol, false);
    EXPECT_EQ(nRow, 2);
}

} // namespace
