// The add dialog of two compared files: its own layout, the checks against both files, and
// the road from "確定" to both files on disk, each with its own value.

#include "tests/dialogs/AddDlgDriver.h"

#include "compare/IniCompare.h"
#include "dialogs/AddCompareDlg.h"
#include "grid/GridTypes.h"
#include "platform/ui/DialogBuilder.h"
#include "res/DialogTemplates.h"
#include "tests/common/LocaleMode.h"
#include "tests/common/ScriptedBoxes.h"

using namespace AddDlgTest;

namespace {

const std::vector<int> kValues{Res::IDC_ADD_VALUE1, Res::IDC_ADD_VALUE2};

class AddCompareDlg : public ::testing::Test {
protected:
    void SetUp() override {
        Pelmo::InstallJapaneseFontSubstitutes();
        m_compare = std::make_unique<CIniCompare>(m_file1.Load(), m_file2.Load());
        m_compare->Compare();
    }
    CIniData& Ini1() const { return *m_compare->m_pIni1; }
    CIniData& Ini2() const { return *m_compare->m_pIni2; }

    LocaleMode m_locale{true};
    CScriptedBoxes m_boxes;
    // File 1 is UTF-8, file 2 CP932: only file 2 refuses what CP932 lacks.
    CIniFile m_file1{QStringLiteral("one.ini"), "[Both]\r\nx=1\r\n[One]\r\na=1\r\n"};
    CIniFile m_file2{QStringLiteral("two.ini"),
                     Cp932(QStringLiteral("[both]\r\nx=2\r\nonly2=2\r\n[二]\r\nb=2\r\n"))};
    std::unique_ptr<CIniCompare> m_compare;
};

} // namespace

TEST_F(AddCompareDlg, IsBuiltFromItsTemplate) {
    CAddCompareDlg dlg(m_compare.get());
    CAddDlgDriver d(dlg);
    Ui::CDialogBuilder builder(Res::AddCompareDlgTemplate());
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("追加"));
    EXPECT_EQ(dlg.size(), builder.PixelSize());
    for (const int id : {Res::IDC_ADD_ENTRY, Res::IDC_ADD_VALUE1, Res::IDC_ADD_VALUE2})
        EXPECT_EQ(d.Edit(id)->geometry(), builder.PixelRect(id)) << id;
    EXPECT_EQ(d.Control(Res::IDC_ADD_VALUE), nullptr);
    EXPECT_EQ(d.Control(Res::IDC_ADD_LIST)->geometry(), builder.PixelRect(Res::IDC_ADD_LIST));

    CListCtrl* list = d.List();
    ASSERT_EQ(list->GetColumnCount(), 4);
    const std::vector<std::pair<QString, int>> columns{
        {"セクション", 250}, {"エントリ", 260}, {"値1", 240}, {"値2", 240}};
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(list->GetColumnHeading(c), columns[c].first);
        EXPECT_EQ(list->GetColumnWidth(c), columns[c].second);
    }

    // Both files' sections, each name once whatever its case, sorted; the edit empty.
    QStringList items;
    for (int i = 0; i < d.Section()->count(); ++i)
        items.append(d.Section()->itemText(i));
    EXPECT_EQ(items, (QStringList{"Both", "One", "二"}));
    EXPECT_EQ(d.Section()->currentText(), QString());

    dlg.findChild<QWidget*>(QString::number(Res::IDC_ADD_SECTION))->setFocus();
    std::vector<int> order{d.FocusedId()};
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order.push_back(d.FocusedId());
    }
    EXPECT_EQ(order, (std::vector<int>{Res::IDC_ADD_SECTION, Res::IDC_ADD_ENTRY,
                                       Res::IDC_ADD_VALUE1, Res::IDC_ADD_VALUE2, Res::IDOK}));
}

TEST_F(AddCompareDlg, RefusesWhatEitherFileHoldsOrCannotStore) {
    struct Case {
        const char* id;
        QString section, entry, value1, value2;
        QString message;
        int focus;
    };
    const QString exists = "エントリはすでに存在します";
    const QString encoding = "ファイルの文字コードで保存できない文字が含まれています";
    const QString lineBreak = "改行は使用できません";
    const std::vector<Case> cases = {
        {"entry only in file 1", "one", "A", "1", "2", exists, Res::IDC_ADD_SECTION},
        {"entry only in file 2", "BOTH", "Only2", "1", "2", exists, Res::IDC_ADD_SECTION},
        {"entry in both", "Both", "X", "1", "2", exists, Res::IDC_ADD_SECTION},
        {"emoji for the CP932 file 2", "Both", "k", "1", "😀", encoding, Res::IDC_ADD_VALUE2},
        {"emoji in the section goes into file 2 too", "😀", "k", "1", "2", encoding,
         Res::IDC_ADD_SECTION},
        {"line break in value 2", "Both", "k", "1", "a\nb", lineBreak, Res::IDC_ADD_VALUE2},
        {"line break in value 1 comes first", "Both", "k", "a\rb", "c\nd", lineBreak,
         Res::IDC_ADD_VALUE1},
    };
    CAddCompareDlg dlg(m_compare.get());
    CAddDlgDriver d(dlg);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        m_boxes.Clear();
        d.Add(c.section, c.entry, {c.value1, c.value2}, kValues);
        ASSERT_EQ(m_boxes.Boxes().size(), 1u);
        EXPECT_EQ(m_boxes.Boxes()[0].text, c.message);
        EXPECT_EQ(d.FocusedId(), c.focus);
        EXPECT_EQ(d.Edit(Res::IDC_ADD_VALUE1)->text(), c.value1);
        EXPECT_EQ(d.Edit(Res::IDC_ADD_VALUE2)->text(), c.value2);
        EXPECT_EQ(d.List()->GetItemCount(), 0);
    }
    // The UTF-8 file 1 takes the emoji that file 2 could not.
    m_boxes.Clear();
    d.Add("Both", "k", {"😀", "2"}, kValues);
    EXPECT_TRUE(m_boxes.Boxes().empty());
    EXPECT_EQ(d.Rows(), (std::vector<QStringList>{{"Both", "k", "😀", "2"}}));
}

TEST_F(AddCompareDlg, SameEntryAgainReplacesBothValues) {
    CAddCompareDlg dlg(m_compare.get());
    CAddDlgDriver d(dlg);
    d.Add("New", "k", {"1", "2"}, kValues);
    d.Add("Other", "m", {"5", "6"}, kValues);
    d.Add("NEW", "K", {"3", ""}, kValues);
    d.Add("new", "j", {"7", "8"}, kValues);
    EXPECT_EQ(d.Rows(), (std::vector<QStringList>{
                            {"New", "k", "3", ""}, {"", "j", "7", "8"}, {"Other", "m", "5", "6"}}));
}

// Each row goes into both files with that file's value; saved, each file gains exactly its
// new lines in its own encoding.
TEST_F(AddCompareDlg, ConfirmAddsToBothFilesAndSaveWritesThem) {
    CAddCompareDlg dlg(m_compare.get());
    {
        CAddDlgDriver d(dlg);
        d.Add("both", QStringLiteral("新"), {"1", QStringLiteral("二")}, kValues);
        d.Add(QStringLiteral("二"), "c", {"", "3"}, kValues);
        ASSERT_TRUE(m_boxes.Boxes().empty()) << m_boxes.LastText().toStdString();
        d.Click(Res::IDC_ADD_COMMIT);
    }
    ASSERT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(Added(Ini1()), (std::vector<QStringList>{{"Both", "新", "1"}, {"二", "c", ""}}));
    EXPECT_EQ(Added(Ini2()), (std::vector<QStringList>{{"both", "新", "二"}, {"二", "c", "3"}}));
    Ini1().Save();
    Ini2().Save();
    EXPECT_EQ(m_file1.Bytes(), QStringLiteral("[Both]\r\nx=1\r\n新=1\r\n[One]\r\na=1\r\n"
                                              "[二]\r\nc=\r\n")
                                   .toUtf8());
    EXPECT_EQ(m_file2.Bytes(),
              Cp932(QStringLiteral("[both]\r\nx=2\r\nonly2=2\r\n新=二\r\n[二]\r\nb=2\r\nc=3\r\n")));
}
