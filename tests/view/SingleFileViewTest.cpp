// One INI file in the view, driven with keys and clicks on the grid: rows, marks, choices,
// removals of unsaved additions, and what Save leaves in the file.
#include "tests/view/ViewFixture.h"

#include <QStringEncoder>

namespace {

TEST_F(ViewTest, RowsShowEachEntryAndEachSectionWithoutEntries) {
    StoreList(u"Sample"_qs, u"速い"_qs, SamplePath());
    Open(SamplePath());
    ASSERT_EQ(grid->GetColumnCount(), 4);
    EXPECT_EQ(grid->GetColumnHeading(0), u"セクション"_qs);
    EXPECT_EQ(grid->GetColumnHeading(3), u"値リスト"_qs);
    EXPECT_EQ(grid->GetRowHeaderWidth(), 50);

    struct Row {
        const char* name;
        QString section, key, value;
        bool valueEditable;
    };
    const Row rows[] = {
        {"first entry names its section", u"Main"_qs, u"mode"_qs, u"fast"_qs, true},
        {"second entry leaves it empty", QString(), u"level"_qs, u"3"_qs, true},
        {"section without entries", u"Empty"_qs, QString(), QString(), false},
        {"next section", u"Other"_qs, u"name"_qs, u"abc"_qs, true},
    };
    ASSERT_EQ(grid->GetItemCount(), int(std::size(rows)));
    for (int r = 0; r < int(std::size(rows)); ++r) {
        SCOPED_TRACE(rows[r].name);
        EXPECT_EQ(Text(r, 0), rows[r].section);
        EXPECT_EQ(Text(r, 1), rows[r].key);
        EXPECT_EQ(Text(r, 2), rows[r].value);
        EXPECT_EQ(Text(r, 3), rows[r].value);
        EXPECT_TRUE(grid->IsCellReadOnly(r, 0));
        EXPECT_TRUE(grid->IsCellReadOnly(r, 1));
        EXPECT_EQ(!grid->IsCellReadOnly(r, 2), rows[r].valueEditable);
        EXPECT_EQ(!grid->IsCellReadOnly(r, 3), rows[r].valueEditable);
        EXPECT_FALSE(HasColor(r, 2));
    }
    EXPECT_NE(dynamic_cast<CIniSectionData*>(RecordOfRow(2)), nullptr);
    EXPECT_EQ(EntryOfRow(3), ini->m_sections[2]->m_entries[0].get());

    // The section row opens no editor.
    Click(2, 2);
    Key(Qt::Key_F2);
    EXPECT_FALSE(grid->IsEditing());
}

TEST_F(ViewTest, WithoutAValueListColumnThreeIsEmptyAndClosed) {
    Open(SamplePath()); // no history row, no list
    EXPECT_EQ(host->m_messages.back().message, Res::WM_REFRESH_VALUE_LISTS);
    EXPECT_EQ(host->m_messages.back().wParam, 0u);
    for (int r = 0; r < grid->GetItemCount(); ++r) {
        EXPECT_TRUE(grid->IsCellReadOnly(r, 3)) << r;
        EXPECT_EQ(ListText(r), QString()) << r;
    }
    Click(0, 3);
    Key(Qt::Key_F4);
    EXPECT_FALSE(grid->IsEditing());
}

TEST_F(ViewTest, ColumnWidthsSurviveFromOneFileToTheNext) {
    window->resize(1300, 500); // room for every column as it is given
    QApplication::processEvents();
    Open(SamplePath());
    EXPECT_EQ(grid->GetColumnWidth(2), 250);
    DragColumnEdge(2, 71); // by hand: the fit leaves it alone from now on
    Open(Write(u"other.ini"_qs, "[A]\r\nk=v\r\n"));
    EXPECT_EQ(grid->GetColumnWidth(2), 321);
    EXPECT_EQ(host->m_widths[2], 321);
    EXPECT_EQ(host->m_compareWidths[2], 250); // the comparison layout keeps its own
}

TEST_F(ViewTest, ValueListColumnNamesValuesAndOffersTheSavedOneFirst) {
    StoreList(u"Sample"_qs, u"速い"_qs, SamplePath());
    Open(SamplePath());
    EXPECT_EQ(ListText(0), u"速い(初期値)"_qs);
    EXPECT_EQ(ListText(1), u"3(初期値)"_qs);   // not in the list, but what the file holds
    EXPECT_EQ(ListText(3), u"abc(初期値)"_qs); // an entry the list does not describe

    Click(0, 3);
    Key(Qt::Key_F4);
    // Each line names the value beside its display name.
    EXPECT_EQ(ListLabels(), (QStringList{u"速い (fast)(初期値)"_qs, u"遅い (slow)"_qs}));
    Key(Qt::Key_Escape);
    Click(1, 3);
    Key(Qt::Key_F4);
    EXPECT_EQ(ListLabels(), (QStringList{u"3(初期値)"_qs, u"一 (1)"_qs, u"二 (2)"_qs}));
    Key(Qt::Key_Down);
    Key(Qt::Key_Return);

    // A choice sets column 2 and marks it.
    EXPECT_EQ(Text(1, 2), u"1"_qs);
    EXPECT_EQ(ini->m_sections[0]->m_entries[1]->Value(), u"1"_qs);
    EXPECT_TRUE(IsYellow(1, 2));
    EXPECT_FALSE(HasColor(1, 3));
    EXPECT_EQ(ListText(1), u"一"_qs);
    // A typed value outside the list shows no name.
    EditCell(1, 2, u"7"_qs);
    EXPECT_EQ(Text(1, 3), u"7"_qs);
    EXPECT_EQ(ListText(1), QString());
    // The initial value chosen back removes the mark.
    PickFromList(1, 1);
    EXPECT_EQ(Text(1, 2), u"3"_qs);
    EXPECT_FALSE(HasColor(1, 2));
}

TEST_F(ViewTest, AValueWithoutADisplayNameIsShownByItsValue) {
    CProjectData project(-1, u"Bare"_qs);
    CEntryData* mode = project.AppendSection(u"Main"_qs, QString())->AppendEntry(u"mode"_qs, {});
    mode->AppendValue(u"fast"_qs, QString());
    mode->AppendValue(u"slow"_qs, QString());
    ASSERT_TRUE(db->SaveProject(&project));
    ASSERT_TRUE(db->SetHistory(CRecordIdFilePath(project.m_nPid, SamplePath())));
    Open(SamplePath());
    EXPECT_EQ(ListText(0), u"fast(初期値)"_qs);
    Click(0, 3);
    Key(Qt::Key_F4);
    EXPECT_EQ(ListLabels(), (QStringList{u"fast(初期値)"_qs, u"slow"_qs}));
    Key(Qt::Key_Down);
    Key(Qt::Key_Return);
    EXPECT_EQ(Text(0, 2), u"slow"_qs);
    EXPECT_EQ(ListText(0), u"slow"_qs);
}

TEST_F(ViewTest, PickingWithNothingSelectedKeepsTheValue) {
    StoreList(u"Sample"_qs, u"速い"_qs, SamplePath());
    Open(SamplePath());
    EditCell(0, 2, u"turbo"_qs);
    Click(0, 3);
    Key(Qt::Key_F4);
    ASSERT_EQ(Pelmo::CListBoxEx::GetOpenList()->GetCurSel(), -1); // "turbo" is no choice
    Key(Qt::Key_Return);
    EXPECT_FALSE(grid->IsEditing());
    EXPECT_EQ(Text(0, 2), u"turbo"_qs);
    EXPECT_EQ(Text(0, 3), u"turbo"_qs);
    Save();
    EXPECT_TRUE(Read(ini->m_filePath).contains("mode=turbo\r\n"));
}

TEST_F(ViewTest, TypingTheSavedValueBackClearsTheMark) {
    Open(SamplePath());
    EditCell(0, 2, u"slow"_qs);
    EXPECT_TRUE(IsYellow(0, 2));
    EXPECT_EQ(Text(0, 3), u"slow"_qs);
    EditCell(0, 2, u"fast"_qs);
    EXPECT_FALSE(HasColor(0, 2));
    EXPECT_FALSE(ini->m_sections[0]->m_entries[0]->IsChanged());
    // Case matters: "Fast" is another value.
    EditCell(0, 2, u"Fast"_qs);
    EXPECT_TRUE(IsYellow(0, 2));
}

TEST_F(ViewTest, MovingTheCurrentCellShowsItsRecordInThePreview) {
    Open(SamplePath());
    CIniSectionData* main = ini->m_sections[0].get();
    struct Step {
        const char* name;
        int row, col;
        CObject* record;
    };
    const Step steps[] = {
        {"value cell: its entry", 1, 2, main->m_entries[1].get()},
        {"section cell of an entry row: the section", 1, 0, main},
        {"key cell of a section row: the section", 2, 1, ini->m_sections[1].get()},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        Click(step.row, step.col);
        ASSERT_EQ(host->m_messages.back().message, Res::WM_SHOW_PREVIEW);
        EXPECT_EQ(host->m_messages.back().lParam, reinterpret_cast<qintptr>(step.record));
    }
    Key(Qt::Key_Down);
    EXPECT_EQ(host->m_messages.back().lParam,
              reinterpret_cast<qintptr>(ini->m_sections[2]->m_entries[0].get()));
}

TEST_F(ViewTest, AddedEntriesAreShownOnceAndMarked) {
    StoreList(u"Sample"_qs, u"速い"_qs, SamplePath());
    Open(SamplePath());
    ini->AddEntry(u"Main"_qs, u"extra"_qs, u"x"_qs);
    ini->AddEntry(u"Empty"_qs, u"filled"_qs, u"y"_qs);
    ini->AddEntry(u"Brand"_qs, u"new"_qs, u"z"_qs);
    view->OnUpdate(nullptr, Res::HINT_ADDED, 0);

    // Main gains a row after its last; Empty's own row becomes the entry's; Brand comes last.
    ASSERT_EQ(grid->GetItemCount(), 6);
    EXPECT_EQ(Text(2, 0), QString());
    EXPECT_EQ(Text(2, 1), u"extra"_qs);
    EXPECT_EQ(Text(3, 0), u"Empty"_qs);
    EXPECT_EQ(Text(3, 1), u"filled"_qs);
    EXPECT_EQ(Text(5, 0), u"Brand"_qs);
    EXPECT_EQ(Text(5, 3), u"z"_qs);
    for (int row : {2, 3}) {
        EXPECT_FALSE(HasColor(row, 0)) << row;
        EXPECT_TRUE(IsYellow(row, 1)) << row;
        EXPECT_TRUE(IsYellow(row, 2)) << row;
        EXPECT_FALSE(HasColor(row, 3)) << row;
        EXPECT_FALSE(grid->IsCellReadOnly(row, 2)) << row;
        EXPECT_FALSE(grid->IsCellReadOnly(row, 3)) << row;
    }
    for (int col = 0; col < 4; ++col)
        EXPECT_TRUE(IsYellow(5, col)) << col;

    // Editing an added entry keeps its yellow, even back to the value it was added with.
    EditCell(3, 2, u"changed"_qs);
    EditCell(3, 2, u"y"_qs);
    EXPECT_TRUE(IsYellow(3, 2));

    // A second add shows only the newer addition.
    ini->AddEntry(u"Other"_qs, u"second"_qs, u"w"_qs);
    view->OnUpdate(nullptr, Res::HINT_ADDED, 0);
    ASSERT_EQ(grid->GetItemCount(), 7);
    EXPECT_EQ(Text(5, 1), u"second"_qs);
    EXPECT_EQ(Text(6, 1), u"new"_qs);
}

TEST_F(ViewTest, RightClickTakesBackOnlyUnsavedAdditions) {
    Open(SamplePath());
    ini->AddEntry(u"Main"_qs, u"extra"_qs, u"x"_qs);
    ini->AddEntry(u"Empty"_qs, u"only"_qs, u"y"_qs);
    ini->AddEntry(u"Brand"_qs, u"b1"_qs, u"1"_qs);
    ini->AddEntry(u"Brand"_qs, u"b2"_qs, u"2"_qs);
    ini->AddEntry(u"Lone"_qs, u"l1"_qs, u"1"_qs);
    ini->AddEntry(u"Gone"_qs, u"g1"_qs, u"1"_qs);
    view->OnUpdate(nullptr, Res::HINT_ADDED, 0);
    // 0 mode, 1 level, 2 extra, 3 Empty/only, 4 Other/name, 5 Brand/b1, 6 b2, 7 Lone, 8 Gone
    ASSERT_EQ(grid->GetItemCount(), 9);

    // What exists in the file stays: a section cell, a section-only row, an entry key.
    Click(0, 0, Qt::RightButton);
    Click(0, 1, Qt::RightButton);
    Click(4, 0, Qt::RightButton);
    EXPECT_EQ(grid->GetItemCount(), 9);
    EXPECT_EQ(ini->m_sections.size(), 6u);

    // The only new entry of a section the file has: the row goes back to the section.
    Click(3, 1, Qt::RightButton);
    ASSERT_EQ(grid->GetItemCount(), 9);
    CIniSectionData* empty = ini->FindSection(u"Empty"_qs, false);
    ASSERT_NE(empty, nullptr);
    EXPECT_TRUE(empty->m_entries.empty());
    EXPECT_EQ(RecordOfRow(3), empty);
    EXPECT_EQ(Text(3, 0), u"Empty"_qs);
    for (int col = 1; col < 4; ++col) {
        EXPECT_EQ(Text(3, col), QString()) << col;
        EXPECT_FALSE(HasColor(3, col)) << col;
    }
    EXPECT_TRUE(grid->IsCellReadOnly(3, 2));
    EXPECT_TRUE(grid->IsCellReadOnly(3, 3));

    // A later new entry of an old section: only its row.
    Click(2, 1, Qt::RightButton);
    ASSERT_EQ(grid->GetItemCount(), 8);
    EXPECT_EQ(ini->m_sections[0]->m_entries.size(), 2u);
    EXPECT_EQ(Text(2, 0), u"Empty"_qs);

    // The first row of a new section's two: the name moves to the next row.
    Click(4, 1, Qt::RightButton);
    ASSERT_EQ(grid->GetItemCount(), 7);
    EXPECT_EQ(Text(4, 0), u"Brand"_qs);
    EXPECT_EQ(Text(4, 1), u"b2"_qs);

    // The only entry of a new section: row and section go.
    Click(5, 1, Qt::RightButton);
    ASSERT_EQ(grid->GetItemCount(), 6);
    EXPECT_EQ(ini->FindSection(u"Lone"_qs, false), nullptr);

    // The section cell of a new section: all of its rows and the section.
    Click(5, 0, Qt::RightButton);
    EXPECT_EQ(grid->GetItemCount(), 5);
    EXPECT_EQ(ini->FindSection(u"Gone"_qs, false), nullptr);
    EXPECT_EQ(ini->m_sections.size(), 4u);

    // What is left is written as the grid shows it.
    Save();
    EXPECT_EQ(Read(ini->m_filePath), SampleBytes() + "[Brand]\r\nb2=2\r\n");
}

TEST_F(ViewTest, SaveChangesOnlyTheEditedLine) {
    StoreList(u"Sample"_qs, u"速い"_qs, SamplePath());
    Open(SamplePath());
    PickFromList(0, 1); // 遅い
    EXPECT_EQ(Text(0, 2), u"slow"_qs);
    Save();
    QByteArray expected = SampleBytes();
    expected.replace("mode=fast", "mode=slow");
    EXPECT_EQ(Read(ini->m_filePath), expected);
    // The reloaded grid shows the file with no marks and the list kept.
    EXPECT_EQ(Text(0, 2), u"slow"_qs);
    EXPECT_FALSE(HasColor(0, 2));
    EXPECT_EQ(ListText(0), u"遅い(初期値)"_qs);
}

TEST_F(ViewTest, Cp932FileKeepsEveryOtherByte) {
    auto cp932 = [](const QString& text) {
        QStringEncoder encoder("CP932");
        QByteArray bytes = encoder.encode(text);
        EXPECT_FALSE(encoder.hasError());
        return bytes;
    };
    const QString original = u"［注］\r\n[設定]\r\n名前=山田\r\n色=赤\r\n[表示]\r\n幅=１０\r\n"_qs;
    const QString path = Write(u"日本語.ini"_qs, cp932(original));
    Open(path);
    ASSERT_EQ(grid->GetItemCount(), 3);
    EXPECT_EQ(Text(0, 0), u"設定"_qs);
    EXPECT_EQ(Text(0, 2), u"山田"_qs);

    EditCell(0, 2, u"鈴"_qs);
    // The rest comes as an input method's confirmed conversion.
    Click(0, 2);
    Key(Qt::Key_F2);
    Key(Qt::Key_End);
    CommitComposition(u"木"_qs);
    Key(Qt::Key_Return);
    EXPECT_EQ(Text(0, 2), u"鈴木"_qs);
    Save();

    QString expected = original;
    expected.replace(u"名前=山田"_qs, u"名前=鈴木"_qs);
    EXPECT_EQ(Read(path), cp932(expected));
}

} // namespace
