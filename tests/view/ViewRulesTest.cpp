// A value list with rules on the open file: marks and tooltips on what breaks a rule, the
// default in the value-list column and the reset to it, the required keys the file lacks.
#include "tests/common/ScriptedBoxes.h"
#include "tests/view/ViewFixture.h"

#include <QHelpEvent>
#include <QToolTip>

namespace {

constexpr COLORREF kBreachText = RGB(200, 0, 0);
constexpr COLORREF kUnknownKeyText = RGB(176, 96, 0);

class ViewRulesTest : public ViewTest {
protected:
    // [Main] mode a choice of fast/slow, level an integer 0..10 defaulting to 5, speed required
    // with default 7; [Net] port required without a default; unknown keys reported.
    void StoreRuledList(const QString& path) {
        CProjectData project(-1, u"Rules"_qs);
        project.m_bReportUnknownKeys = true;
        CSectionData* main = project.AppendSection(u"Main"_qs, QString());
        CEntryData* mode = main->AppendEntry(u"mode"_qs, QString());
        mode->m_rule.m_type = EValueType::Choice;
        mode->AppendValue(u"fast"_qs, u"速い"_qs);
        mode->AppendValue(u"slow"_qs, u"遅い"_qs);
        mode->m_rule.m_default = u"fast"_qs;
        CEntryData* level = main->AppendEntry(u"level"_qs, QString());
        level->m_rule.m_type = EValueType::Integer;
        level->m_rule.m_min = 0;
        level->m_rule.m_max = 10;
        level->m_rule.m_default = u"5"_qs;
        level->m_rule.m_strDescription = u"難しさ"_qs;
        CEntryData* speed = main->AppendEntry(u"speed"_qs, QString());
        speed->m_rule.m_bRequired = true;
        speed->m_rule.m_default = u"7"_qs;
        project.AppendSection(u"Net"_qs, QString())
            ->AppendEntry(u"port"_qs, QString())
            ->m_rule.m_bRequired = true;
        project.AppendSection(u"Empty"_qs, QString());
        ASSERT_TRUE(db->SaveProject(&project));
        ASSERT_TRUE(db->SetHistory(CRecordIdFilePath(project.m_nPid, path)));
    }

    COLORREF TextColour(int row, int col) const {
        COLORREF text = CLR_NOT_SET;
        COLORREF back = CLR_NOT_SET;
        grid->GetCellColor(row, col, &text, &back);
        return text;
    }

    // What the tooltip says when the mouse rests on the cell; empty when none shows.
    QString Tip(int row, int col) {
        QToolTip::hideText(); // fades out: wait until it is gone
        for (int i = 0; i < 200 && QToolTip::isVisible(); ++i)
            QTest::qWait(10);
        const QPoint at = grid->GetCellRect(row, col).center();
        QHelpEvent help(QEvent::ToolTip, at, grid->viewport()->mapToGlobal(at));
        QApplication::sendEvent(grid->viewport(), &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    }

    CScriptedBoxes boxes;
};

TEST_F(ViewRulesTest, BreachesAndUnknownKeysAreMarkedWithTheirReasons) {
    const QString path = Write(u"sample.ini"_qs, "[Main]\r\nmode=fast\r\nlevel=30\r\nspeed=1\r\n"
                                                 "[Net]\r\nport=80\r\n[Other]\r\nname=abc\r\n");
    StoreRuledList(path);
    boxes.Answer(Ui::IDNO);
    Open(path);
    EXPECT_TRUE(boxes.Boxes().empty()); // nothing required is missing
    EXPECT_EQ(TextColour(1, 2), kBreachText);
    EXPECT_EQ(Tip(1, 2), u"範囲外 (0〜10)"_qs);
    EXPECT_EQ(Tip(1, 1), u"難しさ"_qs);
    EXPECT_EQ(TextColour(0, 2), CLR_NOT_SET);
    EXPECT_EQ(Tip(0, 2), QString());
    EXPECT_EQ(TextColour(4, 1), kUnknownKeyText);
    EXPECT_EQ(Tip(4, 1), u"値リストにないキーです"_qs);
    EXPECT_EQ(ListText(0), u"速い(初期値)(既定値)"_qs);

    // The mark follows the value as it is edited, whichever column edits it.
    EditCell(1, 2, u"x"_qs);
    EXPECT_EQ(Tip(1, 2), u"整数ではありません"_qs);
    EditCell(1, 2, u"5"_qs);
    EXPECT_EQ(TextColour(1, 2), CLR_NOT_SET);
    EXPECT_TRUE(IsYellow(1, 2));
    EXPECT_EQ(ListText(1), u"5(既定値)"_qs);
    PickFromList(0, 1);
    EXPECT_EQ(ListText(0), u"遅い"_qs);
}

TEST_F(ViewRulesTest, ResetToDefaultIsAnEditThatUndoesAndSaves) {
    const QString path = Write(u"sample.ini"_qs, "[Main]\r\nmode=slow\r\nlevel=30\r\nspeed=1\r\n"
                                                 "[Net]\r\nport=80\r\n");
    StoreRuledList(path);
    Open(path);
    Click(1, 2);
    ASSERT_TRUE(view->ResetToDefault());
    EXPECT_EQ(Text(1, 2), u"5"_qs);
    EXPECT_EQ(Text(1, 3), u"5"_qs);
    EXPECT_TRUE(IsYellow(1, 2));          // yellow, and no longer marked as out of range
    EXPECT_FALSE(view->ResetToDefault()); // already the default
    view->Undo();
    EXPECT_EQ(Text(1, 2), u"30"_qs);
    EXPECT_EQ(TextColour(1, 2), kBreachText);
    view->Redo();
    EXPECT_EQ(Text(1, 2), u"5"_qs);
    Save();
    EXPECT_EQ(Read(path),
              QByteArray("[Main]\r\nmode=slow\r\nlevel=5\r\nspeed=1\r\n[Net]\r\nport=80\r\n"));
}

TEST_F(ViewRulesTest, MissingRequiredKeysAreNamedOnOpenAndAddedWithTheirDefaults) {
    const QString path = Write(u"sample.ini"_qs, "[Main]\r\nmode=fast\r\n");
    StoreRuledList(path);
    boxes.Answer(Ui::IDYES);
    Open(path);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_TRUE(boxes.LastText().contains(u"[Main] speed\n[Net] port"_qs))
        << boxes.LastText().toStdString();
    ASSERT_EQ(grid->GetItemCount(), 3);
    EXPECT_EQ(Text(1, 1), u"speed"_qs);
    EXPECT_EQ(Text(1, 2), u"7"_qs);
    EXPECT_TRUE(IsYellow(1, 2));
    EXPECT_EQ(Text(2, 0), u"Net"_qs);
    view->Undo(); // one step, as an addition through the add dialog
    EXPECT_EQ(grid->GetItemCount(), 1);
    view->Redo();
    Save();
    EXPECT_EQ(Read(path), QByteArray("[Main]\r\nmode=fast\r\nspeed=7\r\n[Net]\r\nport=\r\n"));
    // A reload after the save asks nothing again, and nothing is missing any more.
    EXPECT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_FALSE(view->AddMissingRequired());
}

TEST_F(ViewRulesTest, FilterShowsWhatDiffersFromTheDefaultsAndKeepsTheCurrentEntry) {
    const QString path = Write(u"sample.ini"_qs, "[Main]\r\nmode=fast\r\nlevel=3\r\nspeed=7\r\n"
                                                 "[Net]\r\nport=80\r\n[Empty]\r\n");
    StoreRuledList(path);
    Open(path);
    EditCell(3, 2, u"8080"_qs); // before the filter: its step must stay in the history
    Click(1, 2);
    ASSERT_TRUE(view->SetDefaultFilter(true));
    // mode and speed hold their defaults; port has none; a section without entries stays.
    ASSERT_EQ(grid->GetShownCount(), 3);
    EXPECT_TRUE(grid->IsRowHidden(0));
    EXPECT_TRUE(grid->IsRowHidden(2));
    EXPECT_EQ(grid->GetCellDisplayText(1, 0), u"Main"_qs); // its first row is hidden
    int row = -1;
    int col = -1;
    ASSERT_TRUE(grid->GetCurrentCell(&row, &col, false));
    EXPECT_EQ(row, 1);
    view->Undo();
    EXPECT_EQ(Text(3, 2), u"80"_qs);
    view->Redo();
    Click(3, 1);

    ASSERT_TRUE(view->SetDefaultFilter(false));
    ASSERT_EQ(grid->GetShownCount(), 5);
    ASSERT_TRUE(grid->GetCurrentCell(&row, &col, false));
    EXPECT_EQ(row, 3);
    EXPECT_EQ(col, 1);
    EXPECT_EQ(Text(3, 2), u"8080"_qs);
    EXPECT_TRUE(IsYellow(3, 2));
    EXPECT_FALSE(view->SetDefaultFilter(false));
}

} // namespace
