#include "grid/EditEx.h"
#include "tests/grid/GridTestFixture.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QInputMethodEvent>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace Pelmo;
using namespace Qt::StringLiterals;

namespace {

// What the callbacks saw, and how they answer.
struct Recorder {
    int nFilterCalls = 0;
    int nCheckCalls = 0;
    int nLastRow = -2;
    int nLastCol = -2;
    QString strLastCheck;
    bool bCheckResult = true;
};

// Refuses digits, turns 'a' into 'A' and 'あ' into 'ア'.
bool NoDigitsFilter(CListCtrlEx*, int nRow, int nCol, QChar ch, QChar* pInsert, void* pData) {
    auto* rec = static_cast<Recorder*>(pData);
    ++rec->nFilterCalls;
    rec->nLastRow = nRow;
    rec->nLastCol = nCol;
    if (ch.isDigit())
        return false;
    if (ch == u'a')
        *pInsert = u'A';
    else if (ch == u'あ')
        *pInsert = u'ア';
    return true;
}

bool RefuseAllFilter(CListCtrlEx*, int, int, QChar, QChar*, void* pData) {
    ++static_cast<Recorder*>(pData)->nFilterCalls;
    return false;
}

bool RecordingCheck(CListCtrlEx*, int nRow, int nCol, const QString& text, void* pData) {
    auto* rec = static_cast<Recorder*>(pData);
    ++rec->nCheckCalls;
    rec->nLastRow = nRow;
    rec->nLastCol = nCol;
    rec->strLastCheck = text;
    return rec->bCheckResult;
}

void TypeChar(QWidget* w, QChar ch) {
    // keyClicks cannot type non-ASCII text.
    QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

void TypeText(QWidget* w, const QString& text) {
    for (QChar ch : text)
        TypeChar(w, ch);
}

class CEditExTest : public ::testing::Test {
protected:
    void SetUp() override {
        parent.resize(300, 100);
        parent.show();
        edit.SetCell(3, 4);
        edit.Create(&parent, QRect(10, 10, 200, 30));
        edit.show();
        edit.setFocus();
        QApplication::processEvents();
    }
    void TearDown() override {
        edit.DestroyWindow();
        QGuiApplication::clipboard()->clear();
    }
    void InstallFilter(PFNCHARFILTER pfn) { edit.SetCharFilter(pfn, &rec); }
    void InstallCheck() { edit.SetTextCheck(RecordingCheck, &rec); }
    void SetClipboard(const QString& text) { QGuiApplication::clipboard()->setText(text); }

    QWidget parent;
    CEditEx edit;
    Recorder rec;
};

TEST_F(CEditExTest, FilterDropsAndReplacesTypedCharacters) {
    InstallFilter(NoDigitsFilter);
    TypeText(&edit, u"a1b2あ"_s);
    EXPECT_EQ(edit.text(), u"Abア"_s);
    EXPECT_EQ(rec.nFilterCalls, 5);
    // The callbacks learn the cell being edited.
    EXPECT_EQ(rec.nLastRow, 3);
    EXPECT_EQ(rec.nLastCol, 4);
}

TEST_F(CEditExTest, EditingKeysBypassTheFilter) {
    InstallFilter(RefuseAllFilter);
    edit.setText("abc");
    QSignalSpy returnPressed(&edit, &QLineEdit::returnPressed);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), "ab");
    QTest::keyClick(&edit, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(edit.selectedText(), "ab");
    QTest::keyClick(&edit, Qt::Key_Return);
    EXPECT_EQ(returnPressed.count(), 1);
    QTest::keyClick(&edit, Qt::Key_Escape);
    EXPECT_EQ(rec.nFilterCalls, 0);
    // Printable keys still go through it.
    QTest::keyClick(&edit, Qt::Key_X);
    EXPECT_EQ(rec.nFilterCalls, 1);
    EXPECT_EQ(edit.text(), "ab");
}

TEST_F(CEditExTest, TextCheckSeesTheTextAfterTheKeystroke) {
    InstallCheck();
    edit.setText("abcdef");
    edit.setSelection(1, 2); // "bc"
    rec.bCheckResult = false;
    QTest::keyClick(&edit, Qt::Key_X, Qt::NoModifier);
    EXPECT_EQ(rec.strLastCheck, "axdef");
    EXPECT_EQ(edit.text(), "abcdef"); // refused: nothing changes
    rec.bCheckResult = true;
    QTest::keyClick(&edit, Qt::Key_X, Qt::NoModifier);
    EXPECT_EQ(edit.text(), "axdef");
    // Without a selection the character goes in at the caret.
    edit.setCursorPosition(0);
    QTest::keyClick(&edit, Qt::Key_Y, Qt::NoModifier);
    EXPECT_EQ(rec.strLastCheck, "yaxdef");
}

TEST_F(CEditExTest, TextCheckGetsTheFilteredCharacter) {
    InstallFilter(NoDigitsFilter);
    edit.SetTextCheck(RecordingCheck, &rec); // same recorder for both
    TypeText(&edit, "1a");
    EXPECT_EQ(rec.nCheckCalls, 1); // the refused digit never reaches the check
    EXPECT_EQ(rec.strLastCheck, "A");
    EXPECT_EQ(edit.text(), "A");
}

TEST_F(CEditExTest, FilterCharOnItsOwn) {
    InstallFilter(NoDigitsFilter);
    InstallCheck();
    QChar ch;
    // Either index -1 stands for the edited cell, both indexes at once.
    EXPECT_TRUE(edit.FilterChar(u'a', &ch, 7, -1));
    EXPECT_EQ(ch, QChar(u'A'));
    EXPECT_EQ(rec.nLastRow, 3);
    EXPECT_EQ(rec.nLastCol, 4);
    EXPECT_TRUE(edit.FilterChar(u'b', &ch, 7, 8));
    EXPECT_EQ(rec.nLastRow, 7);
    EXPECT_EQ(rec.nLastCol, 8);
    EXPECT_FALSE(edit.FilterChar(u'5', &ch));
    EXPECT_EQ(ch, QChar(u'5'));
    // Before the editor opens (a keystroke on a cell starts the edit) the prospective text is
    // the character alone.
    edit.setText("zzz");
    edit.DestroyWindow();
    EXPECT_TRUE(edit.FilterChar(u'q', &ch, 1, 1));
    EXPECT_EQ(rec.strLastCheck, "q");
}

TEST_F(CEditExTest, PasteTakesTheFirstLineOnly) {
    SetClipboard("first\nsecond");
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), "first");
    edit.clear();
    SetClipboard("ab\r\ncd");
    edit.Paste();
    EXPECT_EQ(edit.text(), "ab");
    edit.clear();
    SetClipboard("\r\nabc");
    edit.Paste();
    EXPECT_EQ(edit.text(), "");
    // An empty clipboard changes nothing.
    edit.setText("keep");
    QGuiApplication::clipboard()->clear();
    edit.Paste();
    EXPECT_EQ(edit.text(), "keep");
}

TEST_F(CEditExTest, PasteRunsEachCharacterThroughTheFilter) {
    InstallFilter(NoDigitsFilter);
    SetClipboard(u"x1y2あ3z\nq"_s);
    edit.Paste();
    EXPECT_EQ(edit.text(), u"xyアz"_s);
    // Shift+Insert takes the same road.
    edit.clear();
    SetClipboard("9a9");
    QTest::keyClick(&edit, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(edit.text(), "A");
}

TEST_F(CEditExTest, ContextMenuPasteGoesThroughTheFilter) {
    InstallFilter(NoDigitsFilter);
    SetClipboard("b2c");
    bool bTriggered = false;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        for (QAction* action : menu->actions()) {
            if (action->text().contains("Paste")) {
                action->trigger();
                bTriggered = true;
            }
        }
        menu->close();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), edit.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&edit, &event);
    ASSERT_TRUE(bTriggered);
    EXPECT_EQ(edit.text(), "bc");
}

TEST_F(CEditExTest, PasteWithoutFilterSkipsTheTextCheck) {
    InstallCheck();
    rec.bCheckResult = false;
    SetClipboard("xyz");
    edit.Paste();
    EXPECT_EQ(edit.text(), "xyz");
    EXPECT_EQ(rec.nCheckCalls, 0);
    QTest::keyClick(&edit, Qt::Key_Q);
    EXPECT_EQ(edit.text(), "xyz");
    EXPECT_EQ(rec.nCheckCalls, 1);
}

TEST_F(CEditExTest, ControlShortcutsCopyCutPasteUndo) {
    edit.setText("hello");
    edit.selectAll();
    QTest::keyClick(&edit, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "hello");
    EXPECT_EQ(edit.text(), "hello");
    QTest::keyClick(&edit, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), "");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "hello");
    InstallFilter(NoDigitsFilter);
    SetClipboard("a1b");
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), "Ab");
    QTest::keyClick(&edit, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_NE(edit.text(), "Ab");
}

TEST_F(CEditExTest, CaretPlacementWhenShown) {
    struct Case {
        int mode;
        int caret;
        QString selected;
    };
    for (const Case& c : {Case{0, 0, ""}, Case{1, 6, ""}, Case{2, 6, "abcdef"}}) {
        edit.hide();
        edit.SetCaretOnShow(c.mode);
        edit.setText("abcdef");
        edit.setSelection(2, 2);
        edit.show();
        EXPECT_EQ(edit.cursorPosition(), c.caret) << "mode " << c.mode;
        EXPECT_EQ(edit.selectedText(), c.selected) << "mode " << c.mode;
    }
}

TEST_F(CEditExTest, BackgroundAndFrameColours) {
    const COLORREF crFrame = RGB(0x21, 0x73, 0x46);
    const COLORREF crBack = RGB(255, 255, 0);
    KeyColorMap colors;
    colors.insert(CK_EDIT_FRAME, crFrame);
    edit.SetColorMap(&colors);
    edit.SetColors(RGB(0, 0, 0), crBack);
    edit.setText("ab");
    const int w = edit.width();
    const int y = edit.height() / 2;

    QImage img = edit.grab().toImage();
    for (int x : {0, 1, w - 2, w - 1})
        EXPECT_EQ(img.pixelColor(x, y), ToQColor(crFrame)) << "x " << x;
    EXPECT_EQ(img.pixelColor(w / 2, 0), ToQColor(crFrame));
    EXPECT_EQ(img.pixelColor(w / 2, edit.height() - 1), ToQColor(crFrame));
    EXPECT_EQ(img.pixelColor(w - 10, y), ToQColor(crBack)); // right of the text
    EXPECT_NE(img.pixelColor(2, y), ToQColor(crFrame));     // the frame is 2 pixels wide

    // Without the frame colour only the ordinary border remains.
    colors.remove(CK_EDIT_FRAME);
    img = edit.grab().toImage();
    for (int x : {0, 1})
        EXPECT_NE(img.pixelColor(x, y), ToQColor(crFrame));
    EXPECT_EQ(img.pixelColor(w - 10, y), ToQColor(crBack));

    // No background colour: the ordinary base colour.
    edit.SetColors(CLR_UNCHANGED, CLR_UNCHANGED);
    EXPECT_FALSE(edit.HasBackgroundColor());
    img = edit.grab().toImage();
    EXPECT_EQ(img.pixelColor(w - 10, y), edit.palette().color(QPalette::Base));
    EXPECT_NE(img.pixelColor(w - 10, y), ToQColor(crBack));
}

TEST_F(CEditExTest, PendingCompositionIsCommittedBeforeReading) {
    edit.setText("ab");
    edit.setCursorPosition(1);
    QInputMethodEvent preedit(u"かな"_s, {});
    QApplication::sendEvent(&edit, &preedit);
    EXPECT_TRUE(edit.HasComposition());
    EXPECT_EQ(edit.text(), "ab"); // a composition is not text yet
    edit.CommitComposition();
    EXPECT_FALSE(edit.HasComposition());
    EXPECT_EQ(edit.text(), u"aかなb"_s);
    // Nothing pending: nothing happens.
    edit.CommitComposition();
    EXPECT_EQ(edit.text(), u"aかなb"_s);
}

TEST_F(CEditExTest, InputMethodCommitGoesThroughTheFilter) {
    InstallFilter(NoDigitsFilter);
    QInputMethodEvent preedit(u"あ1"_s, {});
    QApplication::sendEvent(&edit, &preedit);
    // The input method commits and starts the next composition in one event.
    QInputMethodEvent commit(u"い"_s, {});
    commit.setCommitString(u"あ1a"_s);
    QApplication::sendEvent(&edit, &commit);
    EXPECT_EQ(edit.text(), u"アA"_s);
    EXPECT_TRUE(edit.HasComposition());
    edit.CommitComposition();
    EXPECT_EQ(edit.text(), u"アAい"_s);
}

TEST_F(CEditExTest, FormattingRectangleRoundTrip) {
    const int h = edit.fontMetrics().height();
    const QRect wanted(4, 5, edit.width() - 12, h);
    edit.SetRect(wanted);
    EXPECT_EQ(edit.GetRect(), wanted);
    const QRect narrower = wanted.adjusted(6, 0, -6, 0);
    edit.SetRect(narrower);
    EXPECT_EQ(edit.GetRect(), narrower);
}

// ---- the editor as the grid opens it ----

class CEditExGridTest : public GridTest {
protected:
    void SetUp() override {
        GridTest::SetUp();
        Fill(2, 3);
        grid->setFocus();
        QApplication::processEvents();
    }
    CEditEx* Open(int nRow, int nCol) {
        EXPECT_TRUE(grid->BeginEdit(nRow, nCol));
        CEditEx* edit = grid->GetEdit();
        EXPECT_TRUE(edit->IsWindow());
        return edit;
    }
};

TEST_F(CEditExGridTest, PendingCompositionEndsUpInTheCell) {
    grid->SetCaretOnShow(1);
    CEditEx* edit = Open(1, 1);
    QInputMethodEvent preedit(u"かな"_s, {});
    QApplication::sendEvent(edit, &preedit);
    EXPECT_TRUE(grid->EndEdit());
    EXPECT_EQ(grid->GetItemText(1, 1), u"r1c1かな"_s);
}

TEST_F(CEditExGridTest, GridCallbacksAndColoursReachTheEditor) {
    Recorder rec;
    grid->SetCharFilter(NoDigitsFilter, &rec);
    grid->SetKeyColor(CK_EDIT_FRAME, RGB(255, 0, 0));
    grid->SetCellColor(2, 0, CLR_UNCHANGED, RGB(0, 0, 255));
    grid->SetCaretOnShow(1);
    CEditEx* edit = Open(2, 0);
    TypeText(edit, "1a");
    EXPECT_EQ(edit->text(), "r2c0A");
    EXPECT_EQ(rec.nLastRow, 2);
    EXPECT_EQ(rec.nLastCol, 0);
    const QImage img = edit->grab().toImage();
    EXPECT_EQ(img.pixelColor(0, edit->height() / 2), QColor(255, 0, 0));
    EXPECT_EQ(img.pixelColor(edit->width() - 6, edit->height() / 2), QColor(0, 0, 255));
}

} // namespace
