#include "AppFixture.h"

#include "app/PreviewText.h"
#include "grid/ListCtrlEx.h"
#include "view/QuilletView.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QToolTip>

namespace {

// Rows 1 and 3 differ; the rest are equal.
const char* const kFile1 = "[s]\na=1\nb=2\nc=3\nd=4\ne=5\n";
const char* const kFile2 = "[s]\na=1\nb=X\nc=3\nd=Y\ne=5\n";

} // namespace

class NavigateTest : public AppTest {
protected:
    Pelmo::CListCtrlEx* Grid() const { return Frame()->GetView()->GetGrid(); }
    void OpenPair(const QString& text1, const QString& text2) {
        ASSERT_TRUE(Frame()->OpenCompare(WriteText("a.ini", text1), WriteText("b.ini", text2)));
        Grid()->setFocus();
    }
    void Press(const QKeyCombination& key) {
        QTest::keyClick(Grid(), key.key(), key.keyboardModifiers());
    }
    int CurrentRow() const {
        int row = -1;
        int col = -1;
        Grid()->GetCurrentCell(&row, &col, false);
        return row;
    }
    int CurrentCol() const {
        int row = -1;
        int col = -1;
        Grid()->GetCurrentCell(&row, &col, false);
        return col;
    }
    QString Highlighted(int editId) const {
        return Frame()->PreviewBar()->Edit(editId)->SelectedText();
    }
    // The tooltip column 3's header shows when the pointer rests on it.
    QString MarkHeaderToolTip() const {
        // The grid's own header: the visible one of its header views.
        QHeaderView* header = nullptr;
        for (QHeaderView* candidate : Grid()->findChildren<QHeaderView*>()) {
            if (candidate->isVisible())
                header = candidate;
        }
        if (!header)
            return QString();
        const QPoint pos(header->sectionViewportPosition(3) + header->sectionSize(3) / 2,
                         header->height() / 2);
        QHelpEvent help(QEvent::ToolTip, pos, header->viewport()->mapToGlobal(pos));
        QApplication::sendEvent(header->viewport(), &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    }
};

TEST_F(NavigateTest, EachKeyMovesToTheNextOrPreviousDifferenceInTheSameColumn) {
    StartOrFail();
    struct Case {
        const char* name;
        QKeyCombination key;
        int from;
        int to; // from: nothing moves
    };
    const Case cases[] = {
        {"Alt+Down", Qt::ALT | Qt::Key_Down, 0, 1},
        {"F8", QKeyCombination(Qt::Key_F8), 1, 3},
        {"F8 at the last difference", QKeyCombination(Qt::Key_F8), 3, 3},
        {"F8 below the last difference", QKeyCombination(Qt::Key_F8), 4, 4},
        {"Alt+Up", Qt::ALT | Qt::Key_Up, 4, 3},
        {"Shift+F8", Qt::SHIFT | Qt::Key_F8, 3, 1},
        {"Shift+F8 at the first difference", Qt::SHIFT | Qt::Key_F8, 1, 1},
    };
    OpenPair(kFile1, kFile2);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Grid()->SetCurrentCell(c.from, 2, true, false));
        Frame()->PreviewBar()->Edit(Res::IDC_PREVIEW1)->MoveCaretToStart();
        Frame()->PreviewBar()->Edit(Res::IDC_PREVIEW2)->MoveCaretToStart();
        Press(c.key);
        EXPECT_EQ(CurrentRow(), c.to);
        EXPECT_EQ(CurrentCol(), 2);
        if (c.to == c.from) {
            EXPECT_EQ(Highlighted(Res::IDC_PREVIEW1), "");
        } else {
            const QString key = Grid()->GetItemText(c.to, 1);
            EXPECT_EQ(Highlighted(Res::IDC_PREVIEW1), key + "=" + Grid()->GetItemText(c.to, 2));
            EXPECT_EQ(Highlighted(Res::IDC_PREVIEW2), key + "=" + Grid()->GetItemText(c.to, 6));
        }
    }
}

TEST_F(NavigateTest, TheColumnIsKeptAndTheDifferenceScrolledIntoView) {
    StartOrFail();
    QString equal = "[s]\n";
    for (int i = 0; i < 200; ++i)
        equal += QString("k%1=v\n").arg(i);
    OpenPair(equal + "last=1\n", equal + "last=2\n");
    ASSERT_TRUE(Grid()->SetCurrentCell(0, 5, true, false));
    ASSERT_EQ(Grid()->GetTopIndex(), 0);
    Press(QKeyCombination(Qt::Key_F8));
    EXPECT_EQ(CurrentRow(), 200);
    EXPECT_EQ(CurrentCol(), 5);
    EXPECT_LE(Grid()->GetTopIndex(), 200);
    EXPECT_GT(Grid()->GetTopIndex() + Grid()->GetCountPerPage(), 200);
    EXPECT_EQ(Highlighted(Res::IDC_PREVIEW2), "last=2");
}

TEST_F(NavigateTest, TheKeysMoveNothingOutsideComparisonMode) {
    StartOrFail();
    ASSERT_TRUE(Frame()->OpenFile(WriteText("a.ini", kFile1), false));
    Grid()->setFocus();
    ASSERT_TRUE(Grid()->SetCurrentCell(0, 2, true, false));
    Press(QKeyCombination(Qt::Key_F8));
    EXPECT_EQ(CurrentRow(), 0);
}

TEST_F(NavigateTest, TheMarkColumnsHeaderTellsHowManyRowsDifferNow) {
    StartOrFail();
    // Column 3 starts to the right of the first side's 650 pixels.
    Frame()->resize(1400, 700);
    OpenPair(kFile1, kFile2);
    EXPECT_EQ(MarkHeaderToolTip(), "差のある行: 2 行");

    // Editing row 1's second value to match takes its mark away, and the next jump skips it.
    ASSERT_TRUE(Grid()->BeginEdit(1, 6));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_2);
    ASSERT_TRUE(Grid()->EndEdit());
    ASSERT_EQ(Grid()->GetItemText(1, 6), "2");
    EXPECT_EQ(MarkHeaderToolTip(), "差のある行: 1 行");
    ASSERT_TRUE(Grid()->SetCurrentCell(0, 0, true, false));
    Press(QKeyCombination(Qt::Key_F8));
    EXPECT_EQ(CurrentRow(), 3);
}
