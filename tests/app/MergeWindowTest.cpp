#include "AppFixture.h"

#include "app/MergeWindow.h"
#include "compare/IniMerge.h"
#include "grid/ListCtrlEx.h"
#include "view/MergeMode.h"
#include "view/QuilletView.h"

namespace {

constexpr int kMarkColumn = 3;
constexpr int kTheirsKeyColumn = 5;

} // namespace

// Base, ours and theirs of one section: a taken value, an added and a removed key, and two
// conflicts (b and c), with a comment of ours that must stay.
class MergeWindowTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        m_base = WriteText("base.ini", "[s]\na=1\nb=1\nc=1\ngone=1\n");
        m_ours = WriteText("mine.ini", "; mine\n[s]\na=1\nb=ours\nc=ours\ngone=1\n");
        m_theirs = WriteText("new.ini", "[s]\na=2\nb=theirs\nc=theirs\nnew=3\n");
    }
    CQuilletView* View() const { return Frame()->GetView(); }
    Pelmo::CListCtrlEx& Grid() const { return *View()->GetGrid(); }
    CIniData* Ours() const { return Doc()->m_pCompare->m_pIni1.get(); }
    int RowOf(const QString& key) const {
        for (int row = 0; row < Grid().GetItemCount(); ++row) {
            if (Grid().GetItemText(row, 1) == key || Grid().GetItemText(row, 5) == key)
                return row;
        }
        return -1;
    }
    int CurrentRow() const {
        int row = -1;
        int col = -1;
        Grid().GetCurrentCell(&row, &col, false);
        return row;
    }
    void Edit(int row, int col, const QString& text) {
        Grid().setFocus();
        Grid().SetCurrentCell(row, col, true, false);
        QTest::keyClick(&Grid(), Qt::Key_F2);
        ASSERT_TRUE(Grid().IsEditing());
        QTest::keyClicks(QApplication::focusWidget(), text);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }
    QString m_base, m_ours, m_theirs;
};

TEST_F(MergeWindowTest, TakesTheirsMarksConflictsAndSavesOnlyOut) {
    StartOrFail();
    const QString out = Path("out.ini");
    ASSERT_TRUE(Frame()->MergeWindow()->Open(m_base, m_ours, m_theirs, out));
    ASSERT_NE(View()->Merge(), nullptr);
    EXPECT_EQ(Entry(Ours(), "s", "a")->Value(), "2");
    EXPECT_EQ(Entry(Ours(), "s", "gone"), nullptr);
    ASSERT_NE(Entry(Ours(), "s", "new"), nullptr);
    EXPECT_EQ(View()->Merge()->ConflictCount(), 2);
    EXPECT_EQ(Grid().GetItemText(RowOf("b"), kMarkColumn), CMergeMode::ConflictMark());
    EXPECT_TRUE(Frame()->windowTitle().contains(QStringLiteral("基: ") + m_base));
    // Base has no column: hovering a row tells what it held.
    EXPECT_EQ(View()->Merge()->BaseTip(RowOf("b")), u"基: 1"_qs);
    EXPECT_EQ(View()->Merge()->BaseTip(RowOf("new")), u"基: なし"_qs);

    // F8 stops at conflicts only, not at the taken change of a.
    Grid().setFocus();
    Grid().SetCurrentCell(RowOf("a"), 2, true, false);
    QTest::keyClick(&Grid(), Qt::Key_F8);
    EXPECT_EQ(CurrentRow(), RowOf("b"));
    QTest::keyClick(&Grid(), Qt::Key_F8);
    EXPECT_EQ(CurrentRow(), RowOf("c"));

    // Copying across takes theirs; typing takes what was typed; an undo brings the conflict back.
    ASSERT_TRUE(View()->Merge()->DoubleClick(RowOf("b"), kTheirsKeyColumn));
    EXPECT_EQ(Entry(Ours(), "s", "b")->Value(), "theirs");
    Edit(RowOf("c"), 2, "typed");
    EXPECT_EQ(Entry(Ours(), "s", "c")->Value(), "typed");
    EXPECT_EQ(View()->Merge()->ConflictCount(), 0);
    View()->Undo();
    EXPECT_EQ(Entry(Ours(), "s", "c")->Value(), "ours");
    EXPECT_EQ(View()->Merge()->ConflictCount(), 1);

    // With a conflict left the save asks first; no writes nothing at all.
    const QByteArray oursBefore = Read(m_ours);
    m_boxes.Answer(Ui::IDNO);
    Frame()->OnCommand(Res::ID_FILE_SAVE);
    ASSERT_EQ(m_boxes.Boxes().size(), 1u);
    EXPECT_TRUE(m_boxes.LastText().contains(QStringLiteral("解決していない競合が 1 件")));
    EXPECT_FALSE(QFile::exists(out));
    m_boxes.Answer(Ui::IDYES);
    Frame()->OnCommand(Res::ID_FILE_SAVE);
    EXPECT_EQ(Read(out), "; mine\r\n[s]\r\na=2\r\nb=theirs\r\nc=ours\r\nnew=3\r\n");
    EXPECT_EQ(Read(m_ours), oursBefore);
}

TEST_F(MergeWindowTest, OneUndoTakesTheWholeMergeBack) {
    StartOrFail();
    ASSERT_TRUE(Frame()->MergeWindow()->Open(m_base, m_ours, m_theirs, QString()));
    const int mergedRows = Grid().GetItemCount();
    View()->Undo();
    EXPECT_EQ(Entry(Ours(), "s", "a")->Value(), "1");
    EXPECT_NE(Entry(Ours(), "s", "gone"), nullptr);
    EXPECT_EQ(Entry(Ours(), "s", "new"), nullptr);
    EXPECT_EQ(View()->Merge()->ConflictCount(), 0);
    EXPECT_FALSE(Doc()->HasUnsavedChanges());
    EXPECT_TRUE(Grid().IsCellReadOnly(RowOf("a"), kTheirsKeyColumn + 1)); // still the merge
    View()->Redo();
    EXPECT_EQ(Entry(Ours(), "s", "a")->Value(), "2");
    EXPECT_EQ(Entry(Ours(), "s", "gone"), nullptr);
    EXPECT_EQ(View()->Merge()->ConflictCount(), 2);
    EXPECT_EQ(Grid().GetItemCount(), mergedRows);
    // Saved in place: ours' file takes the merge, theirs is left alone.
    const QByteArray theirsBefore = Read(m_theirs);
    m_boxes.Answer(Ui::IDYES);
    Frame()->OnCommand(Res::ID_FILE_SAVE);
    EXPECT_EQ(Read(m_ours), "; mine\r\n[s]\r\na=2\r\nb=ours\r\nc=ours\r\nnew=3\r\n");
    EXPECT_EQ(Read(m_theirs), theirsBefore);
}

// Every cell as shown: its text and its colours.
QStringList ShownCells(const Pelmo::CListCtrlEx& grid) {
    QStringList cells;
    for (int row = 0; row < grid.GetItemCount(); ++row) {
        for (int col = 0; col < grid.GetColumnCount(); ++col) {
            COLORREF text = CLR_NOT_SET;
            COLORREF back = CLR_NOT_SET;
            grid.GetCellColor(row, col, &text, &back);
            cells.append(QStringLiteral("%1,%2 %3 %4/%5")
                             .arg(row)
                             .arg(col)
                             .arg(grid.GetItemText(row, col))
                             .arg(text)
                             .arg(back));
        }
    }
    return cells;
}

// The undo step keeps only the rows the merge touched: an undo must still give back the very
// comparison the files make, and a redo the merge, with sections and keys taken away and added
// on either edge of a section.
TEST_F(MergeWindowTest, UndoAndRedoOfTheMergeGiveBackEveryRow) {
    m_base =
        WriteText("base.ini",
                  "[a]\nx=1\ny=1\n[g]\nu=1\nw=1\n[b]\nfirst=1\nk=1\nlast=1\n[c]\nz=1\n[d]\nq=1\n");
    m_ours = WriteText(
        "mine.ini",
        "[a]\nx=1\ny=mine\n[g]\nu=1\nw=2\n[b]\nfirst=1\nk=1\nlast=1\n[c]\nz=1\n[d]\nq=1\n");
    m_theirs = WriteText("new.ini",
                         "[a]\nx=2\ny=1\nadded=1\n[g]\nu=1\nw=3\n[b]\nk=1\n[d]\nq=1\n[e]\nn=1\n");
    StartOrFail();
    ASSERT_TRUE(Frame()->OpenCompare(m_ours, m_theirs));
    const QStringList compared = ShownCells(Grid());
    ASSERT_TRUE(Frame()->MergeWindow()->Open(m_base, m_ours, m_theirs, QString()));
    const QStringList merged = ShownCells(Grid());
    ASSERT_NE(merged, compared);
    View()->Undo();
    EXPECT_EQ(ShownCells(Grid()), compared);
    View()->Redo();
    EXPECT_EQ(ShownCells(Grid()), merged);
}

TEST_F(MergeWindowTest, ShowingOnlyTheDifferencesAndBackKeepsConflictsAndLocks) {
    StartOrFail();
    ASSERT_TRUE(Frame()->MergeWindow()->Open(m_base, m_ours, m_theirs, QString()));
    for (bool only : {true, false}) {
        ASSERT_TRUE(View()->SetDifferencesOnly(only));
        EXPECT_EQ(View()->Merge()->ConflictCount(), 2) << only;
        EXPECT_EQ(Grid().GetItemText(RowOf("c"), kMarkColumn), CMergeMode::ConflictMark());
        EXPECT_TRUE(Grid().IsCellReadOnly(RowOf("a"), kTheirsKeyColumn + 1)) << only;
    }
}

TEST_F(MergeWindowTest, AFileThatFailsToLoadIsNamedByItsPart) {
    StartOrFail();
    const struct {
        const char* name;
        QString base, ours, theirs;
        QString prefix;
    } cases[] = {
        {"base", Path("missing.ini"), m_ours, m_theirs, QStringLiteral("基:")},
        {"ours", m_base, Path("missing.ini"), m_theirs, QStringLiteral("1:")},
        {"theirs", m_base, m_ours, Path("missing.ini"), QStringLiteral("2:")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_boxes.Clear();
        EXPECT_FALSE(Frame()->MergeWindow()->Open(c.base, c.ours, c.theirs, QString()));
        EXPECT_TRUE(m_boxes.LastText().startsWith(c.prefix)) << m_boxes.LastText().toStdString();
        EXPECT_EQ(Doc()->m_pMerge, nullptr);
    }
}

// The compare command's second dialog has a box; checked, a third dialog asks for the base.
TEST_F(MergeWindowTest, TheCompareCommandMergesWithABaseWhenAsked) {
    StartOrFail();
    m_boxes.ChooseFile(m_ours);
    m_boxes.ChooseFile(m_theirs, true);
    m_boxes.ChooseFile(m_base);
    Click(Res::ID_COMPARE);
    ASSERT_EQ(m_boxes.FileRequests().size(), 3u);
    EXPECT_FALSE(m_boxes.FileRequests()[1].checkBoxText.isEmpty());
    EXPECT_EQ(m_boxes.FileRequests()[2].title, "開く - 基のファイル (1 と 2 の共通の元)");
    ASSERT_NE(View()->Merge(), nullptr);
    EXPECT_EQ(View()->Merge()->ConflictCount(), 2);
}
