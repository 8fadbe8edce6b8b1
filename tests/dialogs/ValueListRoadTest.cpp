// The road of a value list from the open file to another copy of that file: made by import
// in the editor that the management dialog opens, attached by bare file name, found again for
// a file of that name in another folder, and one of its values saved into that file.
#include "dialogs/ProjectDlg.h"
#include "dialogs/ProjectEditDlg.h"
#include "ini/IniData.h"
#include "res/Resource.h"
#include "tests/dialogs/ValueListDlgFixture.h"
#include "tests/valuelist/QStringPrinter.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace {

using ValueListRoad = ValueListDlgTest;

// In the editor: import the open file, give Main/Mode the values 1 and 2 with display names,
// name the list and press OK.
void MakeListFromOpenFile(CProjectEditDlg* editor) {
    auto* sections = ValueListDlgTest::Grid(editor, Res::IDC_SECTION_GRID);
    auto* entries = ValueListDlgTest::Grid(editor, Res::IDC_ENTRY_GRID);
    auto* values = ValueListDlgTest::Grid(editor, Res::IDC_VALUE_GRID);
    editor->findChild<QPushButton*>(QString::number(Res::IDC_IMPORT))->click();
    ValueListDlgTest::Click(sections, 0, 1);
    ValueListDlgTest::Click(entries, 0, 1);
    ValueListDlgTest::Click(values, 0, 2);
    for (const QString& text :
         {QString("1"), QString::fromUtf8("一"), QString("2"), QString::fromUtf8("二")}) {
        ValueListDlgTest::Type(values, text);
        ValueListDlgTest::Key(values, Qt::Key_Return);
    }
    editor->findChild<QLineEdit*>(QString::number(Res::IDC_PROJECT_NAME))->setText("Road");
    editor->findChild<QPushButton*>(QString::number(Res::IDOK))->click();
}

TEST_F(ValueListRoad, AListMadeFromTheOpenFileAndRegisteredByNameServesTheSameNameElsewhere) {
    const QString first = WriteIni("a/app.ini", "[Main]\r\nMode=1\r\n[Other]\r\nX=y\r\n");
    auto ini = LoadIni(first);
    CProjectDlg dlg(db.get(), ini.get());
    ShowActive(&dlg);

    WhenModalOpens<CProjectEditDlg>(&MakeListFromOpenFile);
    Control<QPushButton>(&dlg, Res::IDC_PROJECT_NEW)->click();
    auto* combo = Control<QComboBox>(&dlg, Res::IDC_PROJECT_LIST);
    ASSERT_EQ(combo->currentText(), "Road");

    boxes.ChooseFile(first, true);
    Control<QPushButton>(&dlg, Res::IDC_FILE_ADD)->click();
    auto* list = Control<CListCtrl>(&dlg, Res::IDC_FILE_LIST);
    ASSERT_EQ(list->GetItemCount(), 1);
    EXPECT_EQ(list->GetItemText(0, 0), "app.ini");
    EXPECT_TRUE(list->GetCheck(0));
    dlg.reject();

    // Another file of that name, somewhere else, gets the list by its bare name.
    const QString second = WriteIni("b/app.ini", "[Main]\r\nMode=1\r\n");
    std::unique_ptr<CProjectData> project = db->LoadProjectByFilePath(second);
    ASSERT_NE(project, nullptr);
    EXPECT_EQ(project->m_strName, "Road");
    QStringList choices;
    EXPECT_TRUE(project->GetValueChoices("Main", "Mode", "1", choices));
    EXPECT_EQ(choices,
              (QStringList{QString::fromUtf8("1\n一(初期値)"), QString::fromUtf8("2\n二")}));

    // The choice writes its value, the text before the line break, and saving keeps it.
    auto other = LoadIni(second);
    CIniEntryData* entry = other->FindSection("Main", false)->FindEntry("Mode", false);
    ASSERT_NE(entry, nullptr);
    entry->SetValue(choices[1].section(u'\n', 0, 0));
    other->Save();
    auto reloaded = LoadIni(second);
    EXPECT_EQ(reloaded->FindSection("Main", false)->FindEntry("Mode", false)->Value(), "2");
}

} // namespace
