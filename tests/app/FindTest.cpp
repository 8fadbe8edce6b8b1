#include "app/FindDlg.h"
#include "app/FindEdit.h"
#include "app/MainFrame.h"
#include "app/QuilletDoc.h"
#include "compare/CompareResult.h"
#include "grid/GridAccessible.h"
#include "grid/ListCtrlBase.h"
#include "ini/IniData.h"
#include "platform/ui/ListCtrlAccessible.h"
#include "res/Resource.h"
#include "tests/common/LocaleMode.h"
#include "valuelist/ProjectDataBase.h"
#include "view/QuilletView.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QInputMethodEvent>
#include <QLabel>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

// The cells a focus event named, as row and column.
std::vector<std::pair<int, int>> g_focusedCells;

void RecordFocus(QAccessibleEvent* event) {
    QAccessibleInterface* iface = event->accessibleInterface();
    QAccessibleTableCellInterface* cell = iface ? iface->tableCellInterface() : nullptr;
    if (event->type() == QAccessible::Focus && cell)
        g_focusedCells.emplace_back(cell->rowIndex(), cell->columnIndex());
}

// Counts the times a widget comes up: a status line's showing is what a reader announces.
class CShowCounter : public QObject {
public:
    explicit CShowCounter(QWidget* watched) { watched->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        shows += event->type() == QEvent::Show;
        return false;
    }
    int shows = 0;
};

// The real main window, with the preview messages the view sends it on record.
class CRecordingFrame : public CMainFrame {
public:
    using CMainFrame::CMainFrame;
    struct Preview {
        unsigned message;
        quintptr side;
        const CObject* record;
    };
    qintptr SendMessage(unsigned message, quintptr wParam, qintptr lParam) override {
        if (message == Res::WM_SHOW_PREVIEW || message == Res::WM_SHOW_COMPARE_PREVIEW)
            previews.push_back({message, wParam, reinterpret_cast<const CObject*>(lParam)});
        return CMainFrame::SendMessage(message, wParam, lParam);
    }
    std::vector<Preview> previews;
};

// A main window on a document of its own, with a value-list database in a temporary folder.
class FindTest : public ::testing::Test {
protected:
    void SetUp() override {
        Pelmo::InstallJapaneseFontSubstitutes();
        Pelmo::CGridAccessible::InstallFactory(); // as the application does, before any grid
        ASSERT_TRUE(dir.isValid());
        db = std::make_unique<CProjectDataBase>(dir.filePath(u"Quillet.db"_qs));
        ASSERT_TRUE(db->Open() && db->CreateTables());
        frame = std::make_unique<CRecordingFrame>(&doc, db.get());
        frame->resize(1200, 700);
        frame->show();
        Activate(frame.get());
        grid = frame->GetView()->GetGrid();
    }
    QString Write(const QString& name, const QString& text) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("\xEF\xBB\xBF" + text.toUtf8());
        return file.fileName();
    }
    // Rows: 0 Alpha/key1=apple, 1 Alpha/key2=日本語, 2 Alpha/Key3=Banana, 3 日本/名前=ａｂｃ,
    // 4 Empty (no entries).
    void OpenSingle() {
        ASSERT_TRUE(frame->OpenFile(Write(u"a.ini"_qs,
                                          u"[Alpha]\nkey1=apple\nkey2=日本語\nKey3=Banana\n[日本]\n"
                                          u"名前=ａｂｃ\n[Empty]\n"_qs),
                                    false));
        grid->SetCurrentCell(0, 0, true, false);
        frame->previews.clear();
    }
    // Window shortcuts reach only the active window.
    static void Activate(QWidget* window) {
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    }
    CFindDlg* OpenDialog() {
        Activate(frame.get());
        QTest::keyClick(frame.get(), Qt::Key_F, Qt::ControlModifier);
        CFindDlg* dlg = frame->findChild<CFindDlg*>();
        if (dlg && dlg->isVisible()) {
            EXPECT_TRUE(QTest::qWaitForWindowActive(dlg));
        }
        return dlg;
    }
    void Type(QWidget* w, const QString& text) {
        for (QChar ch : text)
            QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
    std::pair<int, int> Current() const {
        int row = -1;
        int col = -1;
        grid->GetCurrentCell(&row, &col, false);
        return {row, col};
    }
    CObject* Record(int row) const { return reinterpret_cast<CObject*>(grid->GetItemData(row)); }
    CObject* SectionOf(int row) const {
        return dynamic_cast<CIniEntryData*>(Record(row))->m_pSection;
    }
    static QString Status(CFindDlg* dlg) {
        return dlg->findChild<QLabel*>(QString::number(Res::IDC_FIND_STATUS))->text();
    }
    static QCheckBox* Box(CFindDlg* dlg, int id) {
        return dlg->findChild<QCheckBox*>(QString::number(id));
    }

    QTemporaryDir dir;
    std::unique_ptr<CProjectDataBase> db;
    CQuilletDoc doc;
    std::unique_ptr<CRecordingFrame> frame;
    Pelmo::CListCtrlEx* grid = nullptr;
};

TEST_F(FindTest, TypingSearchesOnFromTheCellAfterTheCurrentOneAndThePreviewFollows) {
    OpenSingle();
    CFindDlg* dlg = OpenDialog();
    ASSERT_TRUE(dlg && dlg->isVisible());
    struct Step {
        QChar typed;
        std::pair<int, int> cell;
        int recordRow;
        bool section;
    };
    // "日" stops on the value 日本語; "本" passes it over although 日本 still matches there,
    // finding the section 日本; "語" wraps around to the value again.
    const Step steps[] = {
        {u'日', {1, 2}, 1, false}, {u'本', {3, 0}, 3, true}, {u'語', {1, 2}, 1, false}};
    for (const Step& step : steps) {
        frame->previews.clear();
        Type(dlg->Edit(), QString(step.typed));
        EXPECT_EQ(Current(), step.cell) << QString(step.typed).toStdString();
        ASSERT_EQ(frame->previews.size(), 1u);
        EXPECT_EQ(frame->previews[0].message, unsigned(Res::WM_SHOW_PREVIEW));
        EXPECT_EQ(frame->previews[0].record,
                  step.section ? SectionOf(step.recordRow) : Record(step.recordRow));
    }
    EXPECT_EQ(Status(dlg), QString());
}

// The dialog keeps the focus, so the grid would not tell a screen reader where a search went;
// from the grid, the move is announced once, for the found cell only.
TEST_F(FindTest, TheFoundCellIsAnnouncedThoughTheDialogKeepsTheFocus) {
    OpenSingle();
    CFindDlg* dlg = OpenDialog();
    ASSERT_TRUE(dlg && dlg->isVisible());
    g_focusedCells.clear();
    CListCtrlAccessible::SetEventSink(&RecordFocus);
    Type(dlg->Edit(), u"日"_qs);
    EXPECT_EQ(g_focusedCells, (std::vector<std::pair<int, int>>{{1, 2}}));
    // The table the cell is in has a name to be announced by.
    EXPECT_EQ(QAccessible::queryAccessibleInterface(grid)->text(QAccessible::Name),
              u"エントリ一覧"_qs);
    // With the grid focused (F3 from the grid) the grid announces it once, itself.
    Activate(frame.get());
    grid->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(grid->hasFocus());
    g_focusedCells.clear();
    QTest::keyClick(grid, Qt::Key_F3);
    EXPECT_EQ(g_focusedCells, (std::vector<std::pair<int, int>>{{3, 0}}));
    CListCtrlAccessible::SetEventSink(nullptr);
}

// The focus stays in the search box, so Enter's match and "not found" are told by events.
TEST_F(FindTest, EnterAndNotFoundAreAnnouncedInTheDialog) {
    OpenSingle();
    CFindDlg* dlg = OpenDialog();
    ASSERT_TRUE(dlg && dlg->isVisible());
    auto* status = dlg->findChild<QLabel*>(QString::number(Res::IDC_FIND_STATUS));
    CShowCounter counter(status);
    CListCtrlAccessible::SetEventSink(&RecordFocus);
    Type(dlg->Edit(), u"key"_qs);
    g_focusedCells.clear();
    QTest::keyClick(dlg->Edit(), Qt::Key_Return);
    // "key" stopped on Key3; Enter wraps round to key1.
    EXPECT_EQ(g_focusedCells, (std::vector<std::pair<int, int>>{{0, 1}}));
    CListCtrlAccessible::SetEventSink(nullptr);
    // Empty, the status line is no notification for a reader to present with the dialog.
    EXPECT_FALSE(status->isVisible());
    EXPECT_EQ(counter.shows, 0);
    Type(dlg->Edit(), u"zz"_qs);
    QTest::keyClick(dlg->Edit(), Qt::Key_Return);
    // Each search that fails comes up anew, the one Enter starts included.
    EXPECT_EQ(counter.shows, 3);
    QAccessibleInterface* line = QAccessible::queryAccessibleInterface(status);
    EXPECT_EQ(line->role(), QAccessible::Notification);
    EXPECT_EQ(line->text(QAccessible::Name), u"見つかりませんでした。"_qs);
}

TEST_F(FindTest, ACommittedCompositionSearchesOnceAndAPendingOneNotAtAll) {
    OpenSingle();
    CFindDlg* dlg = OpenDialog();
    ASSERT_NE(dlg, nullptr);
    Type(dlg->Edit(), u"key"_qs);
    ASSERT_EQ(Current(), std::make_pair(2, 1)); // key1, key2, Key3
    dlg->Edit()->selectAll();
    frame->previews.clear();
    // The composition replaces the selection at once ("" would search nothing, "ke" would
    // move): neither may search while the pre-edit is pending.
    for (const QString& preedit : {u"に"_qs, u"にほ"_qs}) {
        QInputMethodEvent event(preedit, {});
        QApplication::sendEvent(dlg->Edit(), &event);
        EXPECT_EQ(Current(), std::make_pair(2, 1));
        EXPECT_TRUE(frame->previews.empty());
    }
    QInputMethodEvent commit;
    commit.setCommitString(u"日本"_qs);
    QApplication::sendEvent(dlg->Edit(), &commit);
    EXPECT_EQ(dlg->Edit()->text(), u"日本"_qs);
    EXPECT_EQ(Current(), std::make_pair(3, 0));
    EXPECT_EQ(frame->previews.size(), 1u);
}

TEST_F(FindTest, CaseIsIgnoredForEveryCasedLetterUnderTheJapaneseLocale) {
    LocaleMode japanese(true);
    struct Row {
        const char* name;
        QString typed;
        std::pair<int, int> cell;
    } rows[] = {{"fullwidth upper finds lower", u"Ａ"_qs, {3, 2}},
                {"ascii lower finds mixed", u"bana"_qs, {2, 2}},
                {"ascii upper finds lower", u"APP"_qs, {0, 2}}};
    OpenSingle();
    CFindDlg* dlg = OpenDialog();
    ASSERT_NE(dlg, nullptr);
    for (const Row& row : rows) {
        grid->SetCurrentCell(0, 0, true, false);
        dlg->Edit()->clear();
        Type(dlg->Edit(), row.typed);
        EXPECT_EQ(Current(), row.cell) << row.name;
    }
}

TEST_F(FindTest, NothingSelectedOrNothingTypedFindsNothing) {
    OpenSingle();
    CFindDlg* dlg = OpenDialog();
    ASSERT_NE(dlg, nullptr);
    for (int id : {Res::IDC_FIND_SECTION, Res::IDC_FIND_ENTRY, Res::IDC_FIND_VALUE})
        QTest::mouseClick(Box(dlg, id), Qt::LeftButton);
    Type(dlg->Edit(), u"a"_qs);
    EXPECT_EQ(Status(dlg), u"見つかりませんでした。"_qs);
    EXPECT_EQ(Current(), std::make_pair(0, 0));
    // Back to an empty box: the status goes and nothing moves.
    QTest::keyClick(dlg->Edit(), Qt::Key_Backspace);
    EXPECT_EQ(Status(dlg), QString());
    QTest::mouseClick(Box(dlg, Res::IDC_FIND_VALUE), Qt::LeftButton);
    EXPECT_EQ(Current(), std::make_pair(0, 0));
    EXPECT_TRUE(frame->previews.empty());
}

TEST_F(FindTest, F3AndShiftF3RepeatTheSearchFromTheGridAndFromTheDialog) {
    OpenSingle();
    QTest::keyClick(grid, Qt::Key_F3); // no search yet: nothing happens
    EXPECT_EQ(Current(), std::make_pair(0, 0));
    EXPECT_TRUE(frame->previews.empty());

    CFindDlg* dlg = OpenDialog();
    ASSERT_NE(dlg, nullptr);
    QTest::mouseClick(Box(dlg, Res::IDC_FIND_ENTRY), Qt::LeftButton);
    QTest::mouseClick(Box(dlg, Res::IDC_FIND_VALUE), Qt::LeftButton);
    Type(dlg->Edit(), u"alpha"_qs); // each letter moves on: rows 1, 2, 0, 1, 2
    EXPECT_EQ(Current(), std::make_pair(2, 0));
    QTest::keyClick(dlg->Edit(), Qt::Key_F3); // past 日本 and Empty, round to the top
    EXPECT_EQ(Current(), std::make_pair(0, 0));
    // The section name counts on every row of the section, where the cell stands empty.
    QTest::keyClick(dlg->Edit(), Qt::Key_F3);
    EXPECT_EQ(Current(), std::make_pair(1, 0));
    EXPECT_EQ(grid->GetItemText(1, 0), QString());
    EXPECT_EQ(frame->previews.back().record, SectionOf(1));
    QTest::keyClick(dlg->Edit(), Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(Current(), std::make_pair(0, 0));
    QTest::keyClick(dlg->Edit(), Qt::Key_F3, Qt::ShiftModifier); // round to the bottom
    EXPECT_EQ(Current(), std::make_pair(2, 0));

    // Values only; the one match is the current cell, found again after all others.
    dlg->Edit()->clear();
    QTest::mouseClick(Box(dlg, Res::IDC_FIND_SECTION), Qt::LeftButton);
    QTest::mouseClick(Box(dlg, Res::IDC_FIND_VALUE), Qt::LeftButton);
    Type(dlg->Edit(), u"語"_qs);
    Activate(frame.get());
    for (auto key : {Qt::NoModifier, Qt::ShiftModifier}) {
        frame->previews.clear();
        QTest::keyClick(grid, Qt::Key_F3, key);
        EXPECT_EQ(Current(), std::make_pair(1, 2));
        EXPECT_EQ(frame->previews.size(), 1u);
    }
}

// The dialog never hides what it found: laid over the cell, it moves above or below it.
TEST_F(FindTest, TheDialogStepsAsideFromTheCellItFound) {
    OpenSingle();
    CFindDlg* dlg = OpenDialog();
    ASSERT_NE(dlg, nullptr);
    QTest::mouseClick(Box(dlg, Res::IDC_FIND_SECTION), Qt::LeftButton);
    QTest::mouseClick(Box(dlg, Res::IDC_FIND_ENTRY), Qt::LeftButton);
    for (int row : {0, 3}) {
        SCOPED_TRACE(row);
        QRect cell;
        ASSERT_TRUE(grid->GetSubItemRect(row, 2, LVIR_BOUNDS, &cell));
        const QPoint cellOnScreen = grid->viewport()->mapToGlobal(cell.center());
        dlg->move(cellOnScreen - dlg->rect().center());
        ASSERT_TRUE(dlg->frameGeometry().contains(cellOnScreen));
        dlg->Edit()->clear();
        Type(dlg->Edit(), row == 0 ? u"apple"_qs : u"ａｂｃ"_qs);
        ASSERT_EQ(Current(), std::make_pair(row, 2));
        EXPECT_FALSE(dlg->frameGeometry().contains(cellOnScreen));
        EXPECT_TRUE(dlg->screen()->availableGeometry().contains(dlg->frameGeometry()));
    }
}

TEST_F(FindTest, ASearchThatMovesAwayFromAnOpenEditorKeepsWhatWasTyped) {
    OpenSingle();
    CFindDlg* dlg = OpenDialog();
    ASSERT_NE(dlg, nullptr);
    Type(dlg->Edit(), u"日本語"_qs);
    dlg->reject();
    Activate(frame.get());
    grid->SetCurrentCell(0, 2, true, false);
    ASSERT_TRUE(grid->BeginEdit(0, 2));
    Type(QApplication::focusWidget(), u"pear"_qs);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F3);
    EXPECT_FALSE(grid->IsEditing());
    EXPECT_EQ(Current(), std::make_pair(1, 2));
    EXPECT_EQ(dynamic_cast<CIniEntryData*>(Record(0))->Value(), u"pear"_qs);
}

TEST_F(FindTest, AValueEditedAfterASearchIsFoundByItsNewTextOnly) {
    OpenSingle();
    CQuilletView* view = frame->GetView();
    ASSERT_TRUE(view->Find(u"APPLE"_qs, CQuilletView::FIND_VALUE, true));
    ASSERT_EQ(Current(), std::make_pair(0, 2));
    ASSERT_TRUE(grid->BeginEdit(0, 2));
    Type(QApplication::focusWidget(), u"cherry"_qs);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    ASSERT_EQ(dynamic_cast<CIniEntryData*>(Record(0))->Value(), u"cherry"_qs);
    grid->SetCurrentCell(2, 2, true, false);
    EXPECT_FALSE(view->Find(u"APPLE"_qs, CQuilletView::FIND_VALUE, true));
    EXPECT_TRUE(view->Find(u"CHERRY"_qs, CQuilletView::FIND_VALUE, true));
    EXPECT_EQ(Current(), std::make_pair(0, 2));
}

TEST_F(FindTest, CtrlFNeedsContentThenReusesTheDialogWithItsTextSelected) {
    EXPECT_EQ(OpenDialog(), nullptr);
    OpenSingle();
    CFindDlg* dlg = OpenDialog();
    ASSERT_NE(dlg, nullptr);
    for (int id : {Res::IDC_FIND_SECTION, Res::IDC_FIND_ENTRY, Res::IDC_FIND_VALUE})
        EXPECT_TRUE(Box(dlg, id)->isChecked());
    Type(dlg->Edit(), u"zz"_qs);
    EXPECT_EQ(Status(dlg), u"見つかりませんでした。"_qs);
    QTest::keyClick(dlg->Edit(), Qt::Key_Escape);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(Status(dlg), QString());
    Activate(frame.get());
    EXPECT_EQ(OpenDialog(), dlg);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->Edit()->selectedText(), u"zz"_qs);
    frame.reset(); // the dialog goes with its window, clearing the frame's pointer on the way
}

// Rows (in the comparison's order) are found by their records, so the test does not depend
// on how the comparison orders one-sided rows.
class FindCompareTest : public FindTest {
protected:
    void OpenCompare() {
        ASSERT_TRUE(frame->OpenCompare(Write(u"1.ini"_qs, u"[S]\na=1\nb=2\n"_qs),
                                       Write(u"2.ini"_qs, u"[S]\nb=3\n[Zz]\nzz=zz\n"_qs)));
        frame->previews.clear();
    }
    const COMPARE_REULT* Result(int row) const {
        return reinterpret_cast<const COMPARE_REULT*>(grid->GetItemData(row));
    }
    void ExpectPreviews(const CObject* first, const CObject* second) {
        ASSERT_EQ(frame->previews.size(), 2u);
        EXPECT_EQ(frame->previews[0].message, unsigned(Res::WM_SHOW_COMPARE_PREVIEW));
        EXPECT_EQ(frame->previews[0].side, 0u);
        EXPECT_EQ(frame->previews[0].record, first);
        EXPECT_EQ(frame->previews[1].side, 1u);
        EXPECT_EQ(frame->previews[1].record, second);
        frame->previews.clear();
    }
};

TEST_F(FindCompareTest, BothSidesArePreviewedAndTheMarkColumnIsNeverSearched) {
    OpenCompare();
    CQuilletView* view = frame->GetView();
    ASSERT_GT(grid->GetItemCount(), 0);
    const int last = grid->GetItemCount() - 1;
    const COMPARE_REULT* zz = Result(last);
    ASSERT_TRUE(zz->pEntry2 && !zz->pSection1);
    grid->ResetSelection();
    // Backwards from no cell, the last row's value column is the first one looked at.
    ASSERT_TRUE(view->Find(u"ZZ"_qs, 7, false));
    EXPECT_EQ(Current(), std::make_pair(last, 6));
    ExpectPreviews(nullptr, zz->pEntry2);
    ASSERT_TRUE(view->Find(u"ZZ"_qs, 7, false));
    EXPECT_EQ(Current(), std::make_pair(last, 5));
    ExpectPreviews(nullptr, zz->pEntry2);
    ASSERT_TRUE(view->Find(u"ZZ"_qs, 7, false));
    EXPECT_EQ(Current(), std::make_pair(last, 4));
    ExpectPreviews(nullptr, zz->pSection2);

    // A file-1 key on a row without file 2's entry shows file 2's section beside it.
    ASSERT_TRUE(view->Find(u"A"_qs, 2, true));
    const auto [row, col] = Current();
    EXPECT_EQ(col, 1);
    ExpectPreviews(Result(row)->pEntry1, Result(row)->pSection2);

    // Every row differs and shows the mark, yet the mark is no cell text to find.
    ASSERT_EQ(grid->GetItemText(row, 3), u"○"_qs);
    CFindDlg* dlg = OpenDialog();
    ASSERT_NE(dlg, nullptr);
    Type(dlg->Edit(), u"○"_qs);
    EXPECT_EQ(Status(dlg), u"見つかりませんでした。"_qs);
}

} // namespace
