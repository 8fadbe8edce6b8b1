// Undo and redo through the real window: long random runs of what a user changes, undone back
// to the freshly loaded files and redone, and the single steps that could go wrong.
#include "AppFixture.h"

#include "app/PreviewText.h"
#include "dialogs/AddCompareDlg.h"
#include "dialogs/AddDlg.h"
#include "grid/ListCtrlBase.h"
#include "tests/dialogs/AddDlgDriver.h"
#include "valuelist/EntryData.h"
#include "valuelist/ProjectData.h"
#include "valuelist/ProjectDataBase.h"
#include "valuelist/RecordIdFilePath.h"
#include "valuelist/SectionData.h"
#include "view/QuilletView.h"

#include <QTimer>
#include <functional>
#include <random>

namespace {

const char* const kSingleFile = "[全般]\nname=山田\nmode=fast\nlevel=1\n[空]\n[表示]\nwidth=10\n"
                                "height=20\n";
const char* const kFirstFile = "[a]\nx=1\ny=2\n[b]\nz=3\n[only1]\np=q\n";
const char* const kSecondFile = "[a]\nx=1\ny=9\nw=5\n[c]\nr=s\n[b]\n";

// Every cell as the user sees it: text, its own colours, whether it is locked.
std::string GridLook(const Pelmo::CListCtrlEx& grid) {
    QStringList cells;
    for (int row = 0; row < grid.GetItemCount(); ++row) {
        for (int col = 0; col < grid.GetColumnCount(); ++col) {
            COLORREF text = CLR_NOT_SET;
            COLORREF back = CLR_NOT_SET;
            const bool coloured = grid.GetCellColor(row, col, &text, &back);
            cells.append(QStringLiteral("%1,%2:%3 %4/%5%6")
                             .arg(row)
                             .arg(col)
                             .arg(grid.GetItemText(row, col))
                             .arg(coloured ? text : CLR_NOT_SET, 0, 16)
                             .arg(coloured ? back : CLR_NOT_SET, 0, 16)
                             .arg(grid.IsCellReadOnly(row, col) ? " locked" : ""));
        }
    }
    return cells.join(u'\n').toStdString();
}

std::vector<quintptr> RowRecords(const Pelmo::CListCtrlEx& grid) {
    std::vector<quintptr> records;
    for (int row = 0; row < grid.GetItemCount(); ++row)
        records.push_back(grid.GetItemData(row));
    return records;
}

std::string ModelLines(const CIniData& ini) {
    QStringList lines;
    for (const auto& section : ini.m_sections) {
        lines.append(u'[' + section->m_name + u']' + (section->m_isNew ? " new" : ""));
        for (const auto& e : section->m_entries)
            lines.append(e->Key() + u'=' + e->Value() + u'(' + e->SavedValue() + u')' +
                         (e->m_isNew ? " new" : ""));
    }
    return lines.join(u'\n').toStdString();
}

std::unique_ptr<CIniData> FreshLoad(const QString& path) {
    auto ini = std::make_unique<CIniData>();
    QString error;
    EXPECT_TRUE(ini->Load(path, error)) << error.toStdString();
    return ini;
}

class UndoTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        StartOrFail();
    }

    Pelmo::CListCtrlBase* Grid() const {
        return dynamic_cast<Pelmo::CListCtrlBase*>(Frame()->GetView()->GetGrid());
    }
    QWidget* Focused() const {
        QWidget* focus = QApplication::focusWidget();
        return focus ? focus : Grid();
    }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(Focused(), Qt::Key(key), mods);
    }
    void Type(const QString& text) {
        for (QChar ch : text)
            QTest::sendKeyEvent(QTest::Click, Focused(), Qt::Key_unknown, QString(ch),
                                Qt::NoModifier);
    }
    void Undo() { Key(Qt::Key_Z, Qt::ControlModifier); }
    void Redo() { Key(Qt::Key_Y, Qt::ControlModifier); }

    std::pair<int, int> CurrentCell() const {
        int row = -1;
        int col = -1;
        Grid()->GetCurrentCell(&row, &col, false);
        return {row, col};
    }
    void At(int row, int col) {
        Grid()->SetCurrentCell(row, col, true, false);
        Grid()->setFocus(Qt::OtherFocusReason);
    }
    QPoint Center(int row, int col) const { return Grid()->GetCellRect(row, col).center(); }
    void EditCell(int row, int col, const QString& text) {
        At(row, col);
        Key(Qt::Key_F2);
        ASSERT_TRUE(Grid()->IsEditing());
        Type(text);
        Key(Qt::Key_Return);
    }
    void PickFromList(int row, int downs) {
        At(row, 3);
        Key(Qt::Key_F4);
        ASSERT_TRUE(Grid()->IsEditing());
        for (int i = 0; i < downs; ++i)
            Key(Qt::Key_Down);
        Key(Qt::Key_Return);
    }
    void RightClick(int row, int col) {
        At(row, col);
        QTest::mouseClick(Grid()->viewport(), Qt::RightButton, Qt::NoModifier, Center(row, col));
    }
    void DoubleClick(int row, int col) {
        At(row, col);
        const QPoint pt = Center(row, col);
        QTest::mouseClick(Grid()->viewport(), Qt::LeftButton, Qt::NoModifier, pt);
        QTest::mouseDClick(Grid()->viewport(), Qt::LeftButton, Qt::NoModifier, pt);
        QTest::mouseRelease(Grid()->viewport(), Qt::LeftButton, Qt::NoModifier, pt);
    }
    // The add button, and in its dialog one pending row per (section, key), then "確定".
    void Add(const std::vector<std::pair<QString, QString>>& rows, const QString& value) {
        const bool compare = Doc()->m_pCompare != nullptr;
        bool opened = false;
        QTimer::singleShot(0, Frame(), [&] {
            auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dlg)
                return;
            opened = true;
            AddDlgTest::CAddDlgDriver d(*dlg);
            for (const auto& [section, key] : rows) {
                if (compare) {
                    d.Add(section, key, {value, value + u'2'},
                          {Res::IDC_ADD_VALUE1, Res::IDC_ADD_VALUE2});
                } else {
                    d.Add(section, key, {value}, {Res::IDC_ADD_VALUE});
                }
            }
            d.Click(Res::IDC_ADD_COMMIT);
        });
        Click(Res::ID_ADD);
        // The window manager would give the window back its activation once the dialog goes.
        Frame()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Frame()));
        ASSERT_TRUE(opened);
        ASSERT_TRUE(m_boxes.Boxes().empty()) << m_boxes.LastText().toStdString();
    }

    // Opens kSingleFile with a value list for 全般/mode (fast, slow, turbo).
    void OpenSingle() {
        m_path1 = WriteText("one.ini", kSingleFile);
        m_path2.clear();
        if (!m_bListStored)
            StoreList();
        ASSERT_TRUE(Frame()->OpenFile(m_path1, false));
    }
    void StoreList() {
        m_bListStored = true;
        CProjectDataBase* db = Frame()->DataBase();
        auto project = std::make_unique<CProjectData>(-1, QStringLiteral("list"));
        CEntryData* mode = project->AppendSection(QStringLiteral("全般"), QString())
                               ->AppendEntry(QStringLiteral("mode"), QString());
        for (const char* value : {"fast", "slow", "turbo"})
            mode->AppendValue(value, QString(value).toUpper());
        ASSERT_TRUE(db->SaveProject(project.get()));
        ASSERT_TRUE(db->SetHistory(CRecordIdFilePath(project->m_nPid, m_path1)));
    }
    void OpenPair() {
        m_path1 = WriteText("one.ini", kFirstFile);
        m_path2 = WriteText("two.ini", kSecondFile);
        ASSERT_TRUE(Frame()->OpenCompare(m_path1, m_path2));
    }

    std::string Model() const {
        if (Doc()->m_pIniData)
            return ModelLines(*Doc()->m_pIniData);
        return ModelLines(*Doc()->m_pCompare->m_pIni1) + "\n--\n" +
               ModelLines(*Doc()->m_pCompare->m_pIni2);
    }
    std::string FreshModel() const {
        if (m_path2.isEmpty())
            return ModelLines(*FreshLoad(m_path1));
        return ModelLines(*FreshLoad(m_path1)) + "\n--\n" + ModelLines(*FreshLoad(m_path2));
    }

    QString m_path1;
    QString m_path2;
    bool m_bListStored = false;
};

// --- the random runs ---

class UndoRandomRunTest : public UndoTest {
protected:
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }
    int RandomRow() { return Pick(Grid()->GetItemCount()); }

    // A section of one file or both, one of neither, or a new one.
    QString SectionForAdd(int step) {
        const QString names[] = {
            "全般", "空", "a", "b", "c", "only1", QStringLiteral("新%1").arg(step)};
        return names[Pick(int(std::size(names)))];
    }
    // A random cell of the section or key columns of either side.
    std::pair<int, int> NameCell() {
        const bool compare = Doc()->m_pCompare != nullptr;
        return {RandomRow(), std::vector<int>{0, 1, 4, 5}[size_t(Pick(compare ? 4 : 2))]};
    }

    void EditSomething(int step) {
        const bool compare = Doc()->m_pCompare != nullptr;
        for (int tries = 0; tries < 50; ++tries) {
            const int row = RandomRow();
            const int col = compare && Pick(2) ? 6 : 2;
            if (!Grid()->IsCellReadOnly(row, col)) {
                m_starts.push_back({row, col});
                EditCell(row, col, QStringLiteral("v%1").arg(step));
                return;
            }
        }
    }
    void ChooseSomething() {
        const int row = 1; // 全般/mode, the row with a value list
        m_starts.push_back({row, 3});
        PickFromList(row, Pick(3));
    }
    // A double-click copies, a right-click takes back, where there is something to copy or
    // to take back; elsewhere they change nothing and make no step.
    void ClickName(Qt::MouseButton button) {
        const auto [row, col] = NameCell();
        m_starts.push_back({row, col});
        button == Qt::LeftButton ? DoubleClick(row, col) : RightClick(row, col);
    }
    void AddSomething(int step) {
        std::vector<std::pair<QString, QString>> rows;
        for (int i = 0, n = 1 + Pick(3); i < n; ++i)
            rows.emplace_back(SectionForAdd(step), QStringLiteral("k%1_%2").arg(step).arg(i));
        m_starts.push_back(CurrentCell());
        Add(rows, QStringLiteral("a%1").arg(step));
    }

    // steps user actions; the first is an edit, which always changes something.
    void RunActions(int steps) {
        const bool compare = Doc()->m_pCompare != nullptr;
        for (int step = 0; step < steps; ++step) {
            const int kind = step == 0 ? 0 : Pick(10);
            if (kind < 3)
                EditSomething(step);
            else if (kind < 5)
                compare ? ClickName(Qt::LeftButton) : ChooseSomething();
            else if (kind < 7)
                AddSomething(step);
            else
                ClickName(Qt::RightButton);
            ASSERT_FALSE(Grid()->IsEditing()) << "step " << step;
        }
    }

    // The run, undone to what the files hold and redone to where it ended.
    void RunUndoAndRedo() {
        const std::string loadedLook = GridLook(*Grid());
        RunActions(200);
        const std::string endLook = GridLook(*Grid());
        const std::string endModel = Model();
        const std::vector<quintptr> endRecords = RowRecords(*Grid());
        ASSERT_NE(endModel, FreshModel());

        for (size_t i = 0; i < m_starts.size(); ++i)
            Undo();
        EXPECT_EQ(GridLook(*Grid()), loadedLook);
        EXPECT_EQ(Model(), FreshModel());
        if (Doc()->m_pCompare) {
            CIniCompare fresh(FreshLoad(m_path1), FreshLoad(m_path2));
            fresh.Compare();
            EXPECT_EQ(Doc()->m_pCompare->m_results.size(), fresh.m_results.size());
        }
        EXPECT_EQ(CurrentCell(), m_starts.front());
        EXPECT_FALSE(Doc()->HasUnsavedChanges());

        // Both redo keys, by turns.
        for (size_t i = 0; i < m_starts.size(); ++i)
            i % 2 ? Redo() : Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(GridLook(*Grid()), endLook);
        EXPECT_EQ(Model(), endModel);
        // The very records come back, not look-alikes.
        EXPECT_EQ(RowRecords(*Grid()), endRecords);
    }

    std::mt19937 m_rng{20261209};
    std::vector<std::pair<int, int>> m_starts; // the current cell as each action began
};

} // namespace

TEST_F(UndoRandomRunTest, TwoHundredSingleFileActionsUndoToTheLoadedFileAndRedo) {
    OpenSingle();
    RunUndoAndRedo();
}

TEST_F(UndoRandomRunTest, TwoHundredComparisonActionsUndoToTheLoadedFilesAndRedo) {
    OpenPair();
    RunUndoAndRedo();
}

// --- single steps ---

TEST_F(UndoTest, OneConfirmOfSeveralEntriesIsOneStepInBothModes) {
    for (bool compare : {false, true}) {
        SCOPED_TRACE(compare ? "comparison" : "one file");
        compare ? OpenPair() : OpenSingle();
        EditCell(0, 2, QStringLiteral("edited"));
        const std::string edited = Model();
        const std::string editedLook = GridLook(*Grid());
        Add({{"a", "n1"}, {"a", "n2"}, {"新", "n3"}}, "v");
        ASSERT_NE(Model(), edited);
        Undo();
        EXPECT_EQ(Model(), edited);
        EXPECT_EQ(GridLook(*Grid()), editedLook);
        Undo();
        EXPECT_EQ(Model(), FreshModel());
    }
}

TEST_F(UndoTest, UndoRestoresTheCellAndItsPreviewWhereverTheCursorWentSince) {
    OpenSingle();
    EditCell(2, 2, QStringLiteral("99"));
    At(0, 0);
    Undo();
    EXPECT_EQ(CurrentCell(), std::make_pair(2, 2));
    EXPECT_EQ(Frame()->PreviewBar()->Edit(Res::IDC_PREVIEW)->SelectedText(),
              QStringLiteral("level=1"));
    EXPECT_EQ(Grid()->GetItemText(2, 2), "1");
    EXPECT_FALSE(Grid()->GetCellColor(2, 2, nullptr, nullptr));
}

TEST_F(UndoTest, TakingBackAnAddedRowOfItsOwnAndUndoingBringsTheRowBack) {
    OpenPair();
    Add({{"c", "extra"}}, "w"); // file 1 gains [c]: a row of its own, "extra" on both sides
    const std::string added = GridLook(*Grid());
    const size_t results = Doc()->m_pCompare->m_results.size();
    int row = 0;
    while (row < Grid()->GetItemCount() && Grid()->GetItemText(row, 5) != "extra")
        ++row;
    ASSERT_LT(row, Grid()->GetItemCount());
    RightClick(row, 1);
    RightClick(row, 5); // both sides gone: the row goes with its record
    ASSERT_EQ(Doc()->m_pCompare->m_results.size(), results - 1);
    Undo();
    Undo();
    EXPECT_EQ(GridLook(*Grid()), added);
    EXPECT_EQ(Doc()->m_pCompare->m_results.size(), results);
    Redo();
    Redo();
    EXPECT_EQ(Doc()->m_pCompare->m_results.size(), results - 1);
}

TEST_F(UndoTest, SaveReloadOpenAndCompareStartANewHistory) {
    const struct {
        const char* name;
        std::function<void()> act;
    } cases[] = {
        {"save", [this] { Click(Res::ID_FILE_SAVE); }},
        {"reload",
         [this] {
             m_boxes.Answer(Ui::IDNO); // drop the edit
             Click(Res::ID_RELOAD);
         }},
        {"open",
         [this] {
             m_boxes.ChooseFile(m_path1);
             m_boxes.Answer(Ui::IDNO);
             Click(Res::ID_FILE_OPEN);
         }},
        {"compare",
         [this] {
             m_boxes.ChooseFile(m_path1);
             m_boxes.ChooseFile(m_path1);
             m_boxes.Answer(Ui::IDNO);
             Click(Res::ID_COMPARE);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_boxes.Clear();
        OpenSingle();
        Add({{"全般", "z"}}, "v"); // a row in the middle: a stale step would show
        c.act();
        ASSERT_EQ(m_boxes.Boxes().size(), std::string(c.name) == "save" ? 0u : 1u);
        const std::string look = GridLook(*Grid());
        const std::string model = Model();
        Undo();
        EXPECT_EQ(GridLook(*Grid()), look);
        EXPECT_EQ(Model(), model);
    }
}

TEST_F(UndoTest, AnOpenEditorKeepsCtrlZForItsTextAndItsCommitIsOneStep) {
    OpenSingle();
    EditCell(0, 2, QStringLiteral("first"));
    At(2, 2);
    Key(Qt::Key_F2);
    Type(QStringLiteral("xyz"));
    Undo(); // the editor's own undo: its typing goes, the earlier edit stays
    ASSERT_TRUE(Grid()->IsEditing());
    auto* editor = qobject_cast<QLineEdit*>(Focused());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "1");
    EXPECT_EQ(Grid()->GetItemText(0, 2), "first");
    Key(Qt::Key_End);
    Type(QStringLiteral("7"));
    Key(Qt::Key_Return);
    EXPECT_EQ(Grid()->GetItemText(2, 2), "17");
    Undo();
    EXPECT_EQ(Grid()->GetItemText(2, 2), "1");
    EXPECT_EQ(Grid()->GetItemText(0, 2), "first");
}

TEST_F(UndoTest, AfterUndoingEverythingTheUnsavedQuestionAsksNothing) {
    OpenSingle();
    EditCell(0, 2, QStringLiteral("x"));
    Add({{"新", "k"}}, "v");
    RightClick(Grid()->GetItemCount() - 1, 0);
    Undo();
    Undo();
    Undo();
    Click(Res::ID_RELOAD);
    EXPECT_TRUE(m_boxes.Boxes().empty()) << m_boxes.LastText().toStdString();
}

TEST_F(UndoTest, ARowBroughtBackLocksItsListCellAsTheListChosenNowWants) {
    OpenSingle();
    Add({{"全般", "new"}}, "v");
    const int row = 3;
    ASSERT_EQ(Grid()->GetItemText(row, 1), "new");
    ASSERT_FALSE(Grid()->IsCellReadOnly(row, 3));
    RightClick(row, 1);
    Frame()->SendMessage(Res::WM_SELECT_VALUE_LIST, 0, 0); // the bar: no value list now
    Undo();
    ASSERT_EQ(Grid()->GetItemText(row, 1), "new");
    EXPECT_TRUE(Grid()->IsCellReadOnly(row, 3));
}
