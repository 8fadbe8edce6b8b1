// The add command through the real window: the dialog it opens for the document's mode, the
// rows confirmed there, and the save that writes exactly those lines into the file(s).

#include "AppFixture.h"

#include "dialogs/AddCompareDlg.h"
#include "dialogs/AddDlg.h"
#include "grid/ListCtrlEx.h"
#include "tests/dialogs/AddDlgDriver.h"
#include "view/QuilletView.h"

#include <QTimer>
#include <functional>

namespace {

class AddCommandTest : public AppTest {
protected:
    // Presses the add button and, once its modal dialog of type Dialog is up, lets fill drive
    // it. False when no such dialog opened.
    template <class Dialog>
    bool RunAdd(const std::function<void(AddDlgTest::CAddDlgDriver&)>& fill) {
        bool opened = false;
        QTimer::singleShot(0, Frame(), [&] {
            auto* dlg = dynamic_cast<Dialog*>(QApplication::activeModalWidget());
            if (!dlg)
                return;
            opened = true;
            AddDlgTest::CAddDlgDriver d(*dlg);
            fill(d);
        });
        Click(Res::ID_ADD);
        return opened;
    }

    // Section, key and value of every grid row.
    std::vector<QStringList> GridRows() const {
        const Pelmo::CListCtrlEx* grid = Frame()->GetView()->GetGrid();
        std::vector<QStringList> rows;
        for (int i = 0; i < grid->GetItemCount(); ++i)
            rows.push_back(
                {grid->GetItemText(i, 0), grid->GetItemText(i, 1), grid->GetItemText(i, 2)});
        return rows;
    }
};

} // namespace

TEST_F(AddCommandTest, OneFileGainsTheConfirmedRowsOnSave) {
    StartOrFail();
    const QString path = WriteText("a.ini", "[s]\nk=v\n");
    ASSERT_TRUE(Frame()->OpenFile(path, false));
    const bool opened = RunAdd<CAddDlg>([](AddDlgTest::CAddDlgDriver& d) {
        const std::vector<int> value{Res::IDC_ADD_VALUE};
        d.Add("S", QStringLiteral("名前"), {QStringLiteral("値")}, value);
        d.Add(QStringLiteral("新規"), "x", {"1"}, value);
        d.Click(Res::IDC_ADD_COMMIT);
    });
    ASSERT_TRUE(opened);
    ASSERT_TRUE(m_boxes.Boxes().empty()) << m_boxes.LastText().toStdString();
    // The view has shown the additions (hint 3), each on its row, and they wait for the save.
    EXPECT_TRUE(Doc()->HasUnsavedChanges());
    EXPECT_EQ(GridRows(),
              (std::vector<QStringList>{{"s", "k", "v"}, {"", "名前", "値"}, {"新規", "x", "1"}}));
    Click(Res::ID_FILE_SAVE);
    EXPECT_EQ(Read(path), QStringLiteral("[s]\r\nk=v\r\n名前=値\r\n[新規]\r\nx=1\r\n").toUtf8());
    // The reload after the save shows what the file now holds.
    EXPECT_NE(Entry(Doc()->m_pIniData.get(), "新規", "x"), nullptr);
}

TEST_F(AddCommandTest, CancelledDialogLeavesTheDocumentUnchanged) {
    StartOrFail();
    const QString path = WriteText("a.ini", "[s]\nk=v\n");
    ASSERT_TRUE(Frame()->OpenFile(path, false));
    ASSERT_TRUE(RunAdd<CAddDlg>([](AddDlgTest::CAddDlgDriver& d) {
        d.Add("s", "n", {"1"}, {Res::IDC_ADD_VALUE});
        d.Click(Res::IDCANCEL);
    }));
    EXPECT_TRUE(AddDlgTest::Added(*Doc()->m_pIniData).empty());
    EXPECT_FALSE(Doc()->HasUnsavedChanges());
}

TEST_F(AddCommandTest, ComparedFilesEachGainTheirValueOnSave) {
    StartOrFail();
    const QString path1 = WriteText("one.ini", "[s]\nk=1\n");
    const QString path2 = WriteText("two.ini", "[t]\nm=2\n");
    ASSERT_TRUE(Frame()->OpenCompare(path1, path2));
    const bool opened = RunAdd<CAddCompareDlg>([](AddDlgTest::CAddDlgDriver& d) {
        d.Add("T", "n", {"a", "b"}, {Res::IDC_ADD_VALUE1, Res::IDC_ADD_VALUE2});
        d.Click(Res::IDC_ADD_COMMIT);
    });
    ASSERT_TRUE(opened);
    ASSERT_TRUE(m_boxes.Boxes().empty()) << m_boxes.LastText().toStdString();
    Click(Res::ID_FILE_SAVE);
    EXPECT_EQ(Read(path1), "[s]\r\nk=1\r\n[T]\r\nn=a\r\n");
    EXPECT_EQ(Read(path2), "[t]\r\nm=2\r\nn=b\r\n");
}

// A section too large to load is not in the model: an entry added to it would overwrite a
// value nobody saw. After 追加 the entry box is ready for the next entry.
TEST_F(AddCommandTest, ASectionLeftOutIsRefusedAndTheEntryBoxIsReadyForTheNextEntry) {
    StartOrFail();
    const QByteArray big = "[Big]\n" + QByteArray(40000, 'x') + "=1\n";
    const QString path1 = WriteText("one.ini", "[s]\nk=v\n");
    const QString path2 = WriteText("two.ini", QString::fromLatin1("[s]\nk=v\n" + big));
    ASSERT_TRUE(Frame()->OpenCompare(path1, path2));
    m_boxes.Clear();
    int focusAfterRefusal = 0;
    int focusAfterAdd = 0;
    QString selectedAfterAdd;
    ASSERT_TRUE(RunAdd<CAddCompareDlg>([&](AddDlgTest::CAddDlgDriver& d) {
        const std::vector<int> values{Res::IDC_ADD_VALUE1, Res::IDC_ADD_VALUE2};
        d.Add("big", "x", {"1", "2"}, values);
        focusAfterRefusal = d.FocusedId();
        d.Add("s", "n", {"1", "2"}, values);
        d.Add("s", "n", {"3", "4"}, values);
        focusAfterAdd = d.FocusedId();
        selectedAfterAdd = d.Edit(Res::IDC_ADD_ENTRY)->selectedText();
        d.Click(Res::IDCANCEL);
    }));
    ASSERT_EQ(m_boxes.Boxes().size(), 1u);
    EXPECT_EQ(m_boxes.Boxes()[0].text, "このセクションは大きすぎるため編集できません");
    EXPECT_EQ(focusAfterRefusal, Res::IDC_ADD_SECTION);
    EXPECT_EQ(focusAfterAdd, Res::IDC_ADD_ENTRY);
    EXPECT_EQ(selectedAfterAdd, "n");
}
