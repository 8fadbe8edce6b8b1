// The add dialog of one file, driven through its controls: the layout it is built from, the
// add step's trimming, refusals and grouping, and the road from "確定" to the bytes on disk.

#include "tests/dialogs/AddDlgDriver.h"

#include "dialogs/AddDlg.h"
#include "grid/GridTypes.h"
#include "platform/ui/DialogBuilder.h"
#include "res/DialogTemplates.h"
#include "tests/common/LocaleMode.h"
#include "tests/common/ScriptedBoxes.h"

#include <QHeaderView>
#include <QTimer>
#include <functional>

using namespace AddDlgTest;

namespace {

const std::vector<int> kValue{Res::IDC_ADD_VALUE};

// [設定] key1=1, [Sec] A=old, in CP932 (the Japanese bytes make it no valid UTF-8).
QByteArray Cp932File() {
    return Cp932(QStringLiteral("[設定]\r\nkey1=1\r\n[Sec]\r\nA=old\r\n"));
}

class AddDlg : public ::testing::Test {
protected:
    void SetUp() override { Pelmo::InstallJapaneseFontSubstitutes(); }

    LocaleMode m_locale{true}; // as the program runs
    CScriptedBoxes m_boxes;
    CIniFile m_file{QStringLiteral("a.ini"), Cp932File()};
    std::unique_ptr<CIniData> m_ini = m_file.Load();
};

} // namespace

TEST_F(AddDlg, IsBuiltFromItsTemplate) {
    CAddDlg dlg(m_ini.get());
    CAddDlgDriver d(dlg);
    Ui::CDialogBuilder builder(Res::AddDlgTemplate());
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("追加"));
    EXPECT_EQ(dlg.size(), builder.PixelSize());
    EXPECT_EQ(dlg.font().family(), QStringLiteral("ＭＳ ゴシック"));
    for (const int id : {Res::IDC_ADD_ENTRY, Res::IDC_ADD_VALUE})
        EXPECT_EQ(d.Edit(id)->geometry(), builder.PixelRect(id)) << id;
    ASSERT_TRUE(d.Section()->isEditable());
    EXPECT_EQ(d.Control<QPushButton>(Res::IDOK)->text(), QStringLiteral("追加"));
    EXPECT_TRUE(d.Control<QPushButton>(Res::IDOK)->isDefault());
    EXPECT_EQ(d.Control<QPushButton>(Res::IDC_ADD_COMMIT)->text(), QStringLiteral("確定"));
    EXPECT_EQ(d.Control<QPushButton>(Res::IDCANCEL)->text(), QStringLiteral("キャンセル"));

    CListCtrl* list = d.List();
    ASSERT_EQ(list->GetColumnCount(), 3);
    const std::vector<std::pair<QString, int>> columns{
        {"セクション", 250}, {"エントリ", 260}, {"値", 225}};
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(list->GetColumnHeading(c), columns[c].first);
        EXPECT_EQ(list->GetColumnWidth(c), columns[c].second);
        EXPECT_EQ(list->GetColumnFormat(c), LVCFMT_LEFT);
    }

    // Tab walks the inputs, the add button, the list, then confirm and cancel.
    dlg.findChild<QWidget*>(QString::number(Res::IDC_ADD_SECTION))->setFocus();
    std::vector<int> order{d.FocusedId()};
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order.push_back(d.FocusedId());
    }
    EXPECT_EQ(order,
              (std::vector<int>{Res::IDC_ADD_SECTION, Res::IDC_ADD_ENTRY, Res::IDC_ADD_VALUE,
                                Res::IDOK, Res::IDC_ADD_LIST, Res::IDC_ADD_COMMIT, Res::IDCANCEL}));
}

TEST_F(AddDlg, ComboOffersTheSectionsSortedWithAnEmptyEdit) {
    CIniFile file(QStringLiteral("s.ini"), "[b]\r\nk=1\r\n[C]\r\nk=1\r\n[a]\r\nk=1\r\n");
    auto ini = file.Load();
    CAddDlg dlg(ini.get());
    CAddDlgDriver d(dlg);
    QStringList items;
    for (int i = 0; i < d.Section()->count(); ++i)
        items.append(d.Section()->itemText(i));
    EXPECT_EQ(items, (QStringList{"a", "b", "C"}));
    EXPECT_EQ(d.Section()->currentText(), QString());
}

TEST_F(AddDlg, TypedStartOfASectionStaysAsTyped) {
    CAddDlg dlg(m_ini.get());
    CAddDlgDriver d(dlg);
    d.Add("Se", "new", {"1"}, kValue); // "Sec" exists: no completion may turn it into that
    ASSERT_EQ(d.Rows(), (std::vector<QStringList>{{"Se", "new", "1"}}));
}

TEST_F(AddDlg, BlanksAroundTheInputsAreDropped) {
    CAddDlg dlg(m_ini.get());
    CAddDlgDriver d(dlg);
    d.Add(QStringLiteral("\u3000新規 "), "  key \t", {QStringLiteral(" 値 ")}, kValue);
    EXPECT_EQ(d.Rows(), (std::vector<QStringList>{{"新規", "key", "値"}}));
    // The entry and value edits are cleared for the next row; the section stays.
    EXPECT_EQ(d.Edit(Res::IDC_ADD_ENTRY)->text(), QString());
    EXPECT_EQ(d.Edit(Res::IDC_ADD_VALUE)->text(), QString());
    EXPECT_EQ(d.Section()->currentText(), QStringLiteral("\u3000新規 "));
    EXPECT_TRUE(m_boxes.Boxes().empty());
}

// Every refusal: its message in an OK box with the program's title, the focus on the control
// at fault, the inputs as they were and nothing pending. The rows that mix two faults prove
// the order of the checks.
TEST_F(AddDlg, RefusalsNameTheFaultAndKeepTheInputs) {
    struct Case {
        const char* id;
        QString section, entry, value;
        QString message;
        int focus;
    };
    const QString noSection = "セクションを入力してください";
    const QString noEntry = "エントリを入力してください";
    const QString semicolon = "エントリの先頭にセミコロンは使用できません";
    const QString exists = "エントリはすでに存在します";
    const QString lineBreak = "改行は使用できません";
    const QString bracket = "セクションに「]」は使用できません";
    const QString equals = "エントリに「=」は使用できません";
    const QString opening = "エントリの先頭に「[」は使用できません";
    const QString encoding = "ファイルの文字コードで保存できない文字が含まれています";
    const int S = Res::IDC_ADD_SECTION, E = Res::IDC_ADD_ENTRY, V = Res::IDC_ADD_VALUE;
    const std::vector<Case> cases = {
        {"blank section", "  ", "k", "v", noSection, S},
        {"blank entry", "Sec", " \u3000", "v", noEntry, E},
        {"entry starting with a semicolon", "Sec", ";k", "v", semicolon, E},
        {"semicolon after blanks", "Sec", "  ;k", "v", semicolon, E},
        {"entry of the file in other case", "sec", "a", "v", exists, S},
        {"Japanese entry of the file", "設定", "KEY1", "v", exists, S},
        {"line break in the section", "a\nb", "k", "v", lineBreak, S},
        {"line break in the entry", "Sec", "k\r\nz", "v", lineBreak, E},
        {"line break in the value", "Sec", "k", "x\n[B]", lineBreak, V},
        {"']' in the section", "a]b", "k", "v", bracket, S},
        {"'=' in the entry", "Sec", "k=1", "v", equals, E},
        {"entry starting with '['", "Sec", "[k", "v", opening, E},
        {"emoji in the value of a CP932 file", "Sec", "k", "😀", encoding, V},
        {"emoji in the entry", "Sec", "k😀", "v", encoding, E},
        {"emoji in the section", "😀", "k", "v", encoding, S},
        {"WAVE DASH has no way back from CP932", "Sec", "k", "\u301C", encoding, V},
        {"semicolon before '='", "Sec", ";a=b", "v", semicolon, E},
        {"line break before ']'", "a]", "k", "x\ny", lineBreak, V},
        {"']' before '='", "a]", "k=v", "v", bracket, S},
        {"unstorable before existing", "sec", "a", "😀", encoding, V},
    };
    CAddDlg dlg(m_ini.get());
    CAddDlgDriver d(dlg);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        m_boxes.Clear();
        d.Add(c.section, c.entry, {c.value}, kValue);
        ASSERT_EQ(m_boxes.Boxes().size(), 1u);
        EXPECT_EQ(m_boxes.Boxes()[0].text, c.message);
        EXPECT_EQ(m_boxes.Boxes()[0].caption, QStringLiteral("Quillet"));
        EXPECT_EQ(m_boxes.Boxes()[0].type, unsigned(Ui::MB_OK));
        EXPECT_EQ(d.FocusedId(), c.focus);
        EXPECT_EQ(d.Section()->currentText(), c.section);
        EXPECT_EQ(d.Edit(Res::IDC_ADD_ENTRY)->text(), c.entry);
        EXPECT_EQ(d.Edit(Res::IDC_ADD_VALUE)->text(), c.value);
        EXPECT_EQ(d.List()->GetItemCount(), 0);
    }
}

// A Unicode file takes what CP932 cannot.
TEST_F(AddDlg, EmojiGoesIntoAUtf8File) {
    CIniFile file(QStringLiteral("u.ini"), "[Sec]\r\nA=1\r\n");
    auto ini = file.Load();
    CAddDlg dlg(ini.get());
    CAddDlgDriver d(dlg);
    d.Add("Sec", "k", {"😀"}, kValue);
    EXPECT_TRUE(m_boxes.Boxes().empty());
    EXPECT_EQ(d.Rows(), (std::vector<QStringList>{{"Sec", "k", "😀"}}));
}

TEST_F(AddDlg, RowsOfASectionStayTogetherUnderItsName) {
    CAddDlg dlg(m_ini.get());
    CAddDlgDriver d(dlg);
    d.Add("New", "A", {"1"}, kValue);
    d.Add("Other", "B", {"2"}, kValue);
    d.Add("new", "C", {"3"}, kValue);
    d.Add("Other", "D", {"4"}, kValue);
    EXPECT_EQ(d.Rows(),
              (std::vector<QStringList>{
                  {"New", "A", "1"}, {"", "C", "3"}, {"Other", "B", "2"}, {"", "D", "4"}}));
    d.Click(Res::IDC_ADD_COMMIT);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(Added(*m_ini),
              (std::vector<QStringList>{
                  {"New", "A", "1"}, {"New", "C", "3"}, {"Other", "B", "2"}, {"Other", "D", "4"}}));
}

TEST_F(AddDlg, SameEntryAgainReplacesThePendingValue) {
    CAddDlg dlg(m_ini.get());
    CAddDlgDriver d(dlg);
    d.Add("New", "A", {"1"}, kValue);
    d.Add("Other", "B", {"2"}, kValue);
    d.Add("new", "a", {"3"}, kValue);
    EXPECT_EQ(d.Rows(), (std::vector<QStringList>{{"New", "A", "3"}, {"Other", "B", "2"}}));
    // Nothing else changes: the edits keep what was typed.
    EXPECT_EQ(d.Edit(Res::IDC_ADD_ENTRY)->text(), QStringLiteral("a"));
    EXPECT_EQ(d.Edit(Res::IDC_ADD_VALUE)->text(), QStringLiteral("3"));
    d.Click(Res::IDC_ADD_COMMIT);
    EXPECT_EQ(Added(*m_ini), (std::vector<QStringList>{{"New", "A", "3"}, {"Other", "B", "2"}}));
}

TEST_F(AddDlg, SectionInOtherCaseTakesTheNewEntry) {
    CAddDlg dlg(m_ini.get());
    CAddDlgDriver d(dlg);
    d.Add("SEC", "B", {"2"}, kValue);
    ASSERT_TRUE(m_boxes.Boxes().empty());
    d.Click(Res::IDC_ADD_COMMIT);
    ASSERT_EQ(m_ini->m_sections.size(), 2u);
    const CIniSectionData* sec = m_ini->m_sections[1].get();
    ASSERT_EQ(sec->m_entries.size(), 2u);
    EXPECT_EQ(sec->m_entries[1]->Key(), QStringLiteral("B"));
    EXPECT_TRUE(sec->m_entries[1]->m_isAdded);
    EXPECT_FALSE(sec->m_isAdded);
}

// However the dialog is left without "確定", the model is as it was.
TEST_F(AddDlg, LeavingWithoutConfirmAddsNothing) {
    const std::vector<std::pair<const char*, std::function<void(CAddDlgDriver&, QDialog&)>>> ways =
        {
            {"cancel button", [](CAddDlgDriver& d, QDialog&) { d.Click(Res::IDCANCEL); }},
            {"Escape",
             [](CAddDlgDriver&, QDialog&) {
                 QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
             }},
            {"close box", [](CAddDlgDriver&, QDialog& dlg) { dlg.close(); }},
        };
    for (const auto& [id, leave] : ways) {
        SCOPED_TRACE(id);
        CAddDlg dlg(m_ini.get());
        CAddDlgDriver d(dlg);
        d.Add("New", "A", {"1"}, kValue);
        ASSERT_EQ(d.List()->GetItemCount(), 1);
        leave(d, dlg);
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_EQ(dlg.result(), QDialog::Rejected);
        EXPECT_TRUE(Added(*m_ini).empty());
        EXPECT_EQ(m_ini->m_sections.size(), 2u);
    }
}

// A keyboard user tabs to a button and presses Enter: that button acts, not the add button.
TEST_F(AddDlg, EnterPressesTheFocusedButton) {
    const std::vector<std::pair<int, QDialog::DialogCode>> buttons = {
        {Res::IDC_ADD_COMMIT, QDialog::Accepted}, {Res::IDCANCEL, QDialog::Rejected}};
    for (const auto& [id, result] : buttons) {
        SCOPED_TRACE(id);
        auto ini = m_file.Load();
        CAddDlg dlg(ini.get());
        CAddDlgDriver d(dlg);
        d.Add("New", "A", {"1"}, kValue);
        d.Type(Res::IDC_ADD_ENTRY, "B");
        d.Control(id)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_EQ(dlg.result(), result);
        EXPECT_EQ(d.List()->GetItemCount(), 1);
        EXPECT_EQ(Added(*ini).size(), result == QDialog::Accepted ? 1u : 0u);
    }
}

TEST_F(AddDlg, ExecAnswersAcceptedAfterConfirm) {
    for (const bool withRow : {true, false}) {
        SCOPED_TRACE(withRow ? "one row" : "empty list");
        CAddDlg dlg(m_ini.get());
        QTimer::singleShot(0, &dlg, [&] {
            CAddDlgDriver d(dlg);
            if (withRow)
                d.Add("New", QStringLiteral("名前"), {"1"}, kValue);
            d.Click(Res::IDC_ADD_COMMIT);
        });
        EXPECT_EQ(dlg.exec(), QDialog::Accepted);
    }
    EXPECT_EQ(Added(*m_ini), (std::vector<QStringList>{{"New", "名前", "1"}}));
}

// The whole road: Japanese typed into a CP932 file, confirmed, saved; the file gains exactly
// the new lines, in its own encoding, and nothing else changes.
TEST_F(AddDlg, SavedFileGainsExactlyTheNewLines) {
    CAddDlg dlg(m_ini.get());
    {
        CAddDlgDriver d(dlg);
        d.Add(QStringLiteral("設定"), QStringLiteral("名前"), {QStringLiteral("値です")}, kValue);
        d.Add(QStringLiteral("新規"), QStringLiteral("キー"), {QString()}, kValue);
        d.Add("sec", "B", {"x=y;z"}, kValue);
        ASSERT_TRUE(m_boxes.Boxes().empty()) << m_boxes.LastText().toStdString();
        d.Click(Res::IDC_ADD_COMMIT);
    }
    ASSERT_EQ(dlg.result(), QDialog::Accepted);
    ASSERT_EQ(Added(*m_ini).size(), 3u);
    m_ini->Save();
    EXPECT_EQ(m_file.Bytes(), Cp932(QStringLiteral("[設定]\r\nkey1=1\r\n名前=値です\r\n"
                                                   "[Sec]\r\nA=old\r\nB=x=y;z\r\n"
                                                   "[新規]\r\nキー=\r\n")));
}
