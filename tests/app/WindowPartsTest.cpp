// What the window says about the document around the grid: the title's mark of unsaved
// changes and the status bar's word after a save.

#include "AppFixture.h"

#include "grid/ListCtrlEx.h"
#include "view/QuilletView.h"

#include <QStatusBar>

TEST_F(AppTest, TheTitleMarksUnsavedChangesAndTheStatusBarSaysWhatWasSaved) {
    StartOrFail();
    const QString path = WriteText("a.ini", "[s]\nk=v\n");
    ASSERT_TRUE(Frame()->OpenFile(path, false));
    const QString title = "Quillet - " + path;
    EXPECT_EQ(Frame()->windowTitle(), title);
    Pelmo::CListCtrlEx* grid = Frame()->GetView()->GetGrid();
    grid->SetCurrentCell(0, 2, true, false);
    QTest::keyClick(grid, Qt::Key_F2);
    QTest::keyClicks(QApplication::focusWidget(), "w");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(Frame()->windowTitle(), title + " *");
    QTest::keyClick(grid, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Frame()->windowTitle(), title);
    QTest::keyClick(grid, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(Frame()->windowTitle(), title + " *");

    QTest::keyClick(grid, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(Read(path), "[s]\r\nk=w\r\n");
    EXPECT_EQ(Frame()->windowTitle(), title);
    EXPECT_EQ(Frame()->statusBar()->currentMessage(), "保存しました: " + path);
    EXPECT_TRUE(Frame()->statusBar()->isVisible());
}
