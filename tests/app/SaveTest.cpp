#include "AppFixture.h"

#include <QFileDevice>

namespace {

void MakeReadOnly(const QString& path) {
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
}

} // namespace

// The question before unsaved changes are dropped, with each answer, on a reload.
TEST_F(AppTest, UnsavedChangesAreAskedAboutBeforeTheyAreDropped) {
    StartOrFail();
    struct Case {
        const char* name;
        int answer;
        QByteArray fileAfter;
        QString valueAfter;
        bool reloaded;
    };
    const Case cases[] = {
        {"yes saves", Ui::IDYES, "[s]\r\nk=edited\r\n", "edited", true},
        {"no discards", Ui::IDNO, "[s]\r\nk=v\r\n", "v", true},
        {"cancel keeps", Ui::IDCANCEL, "[s]\r\nk=v\r\n", "edited", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = WriteText("a.ini", "[s]\nk=v\n");
        ASSERT_TRUE(Frame()->OpenFile(path, false));
        CIniData* before = Doc()->m_pIniData.get();
        Entry(before, "s", "k")->SetValue("edited");
        MarkModel(before);
        m_boxes.Clear();
        m_boxes.Answer(c.answer);
        Click(Res::ID_RELOAD);
        ASSERT_EQ(m_boxes.Boxes().size(), 1u);
        EXPECT_EQ(m_boxes.Boxes()[0].text, "変更が保存されていません。保存しますか？");
        EXPECT_EQ(m_boxes.Boxes()[0].caption, "Quillet");
        EXPECT_EQ(m_boxes.Boxes()[0].type, unsigned(Ui::MB_YESNOCANCEL | Ui::MB_ICONQUESTION));
        EXPECT_EQ(Read(path), c.fileAfter);
        EXPECT_EQ(!IsMarked(Doc()->m_pIniData.get()), c.reloaded);
        EXPECT_EQ(Entry(Doc()->m_pIniData.get(), "s", "k")->Value(), c.valueAfter);
    }
}

TEST_F(AppTest, AnAddedSectionOrEntryCountsAsUnsavedAndNothingElseDoes) {
    StartOrFail();
    const QString path = WriteText("a.ini", "[s]\nk=v\n");
    const QString other = WriteText("b.ini", "[t]\nx=y\n");
    struct Case {
        const char* name;
        std::function<void(CIniData&)> change;
        bool asks;
    };
    const Case cases[] = {
        {"nothing", [](CIniData&) {}, false},
        {"value set back", [](CIniData& ini) { ini.m_sections[0]->m_entries[0]->SetValue("v"); },
         false},
        {"added entry", [](CIniData& ini) { ini.AddEntry("s", "new", "1"); }, true},
        {"added section", [](CIniData& ini) { ini.AddSection("empty"); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Frame()->OpenFile(path, false));
        c.change(*Doc()->m_pIniData);
        m_boxes.Clear();
        m_boxes.Answer(Ui::IDNO);
        Frame()->DropFiles({other});
        EXPECT_EQ(m_boxes.Boxes().size(), c.asks ? 1u : 0u);
        EXPECT_EQ(Doc()->m_pIniData->m_filePath, other);
    }
}

TEST_F(AppTest, ASaveThatCannotWriteSaysWhatWasLostAndKeepsTheValues) {
    StartOrFail();
    const QString path = WriteText("ro.ini", "[s]\nk=v\n");
    ASSERT_TRUE(Frame()->OpenFile(path, false));
    MakeReadOnly(path);
    CIniData* before = Doc()->m_pIniData.get();
    Entry(before, "s", "k")->SetValue("edited");
    before->AddEntry("新", "キー", "値");
    MarkModel(before);
    Click(Res::ID_FILE_SAVE);
    ASSERT_EQ(m_boxes.Boxes().size(), 1u);
    EXPECT_EQ(
        m_boxes.Boxes()[0].text,
        "ファイルへの書き込みに失敗しました。\n" + path +
            "\n理由: 書き込む権限がありません\n\n書き込めなかったエントリ:\n[s] k\n[新] キー");
    EXPECT_EQ(m_boxes.Boxes()[0].type, unsigned(Ui::MB_OK | Ui::MB_ICONERROR));
    EXPECT_TRUE(IsMarked(Doc()->m_pIniData.get()));
    EXPECT_EQ(Entry(Doc()->m_pIniData.get(), "s", "k")->Value(), "edited");
    EXPECT_EQ(Read(path), "[s]\r\nk=v\r\n");

    // Once the file can be written again, the same values go out.
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    m_boxes.Clear();
    Click(Res::ID_FILE_SAVE);
    EXPECT_TRUE(m_boxes.Boxes().empty());
    EXPECT_EQ(Read(path), "[s]\r\nk=edited\r\n[新]\r\nキー=値\r\n");
}

TEST_F(AppTest, TheSaveFailureMessageListsTwentyEntriesAndCountsTheRest) {
    StartOrFail();
    const QString path = WriteText("ro.ini", "[s]\nk=v\n");
    ASSERT_TRUE(Frame()->OpenFile(path, false));
    MakeReadOnly(path);
    for (int i = 1; i <= 23; ++i)
        Doc()->m_pIniData->AddEntry("s", QString("k%1").arg(i), "x");
    Click(Res::ID_FILE_SAVE);
    ASSERT_EQ(m_boxes.Boxes().size(), 1u);
    const QStringList lines = m_boxes.Boxes()[0].text.split(u'\n');
    // One reason for all: they met the same read-only file.
    ASSERT_EQ(lines.size(), 2 + 1 + 2 + 20 + 1);
    EXPECT_EQ(lines[2], "理由: 書き込む権限がありません");
    EXPECT_EQ(lines[5], "[s] k1");
    EXPECT_EQ(lines[24], "[s] k20");
    EXPECT_EQ(lines[25], "ほか 3 件");
}

// In comparison mode each file is judged alone: the written file is read again, the other keeps
// its unsaved values.
TEST_F(AppTest, ComparisonSaveReloadsOnlyTheFileThatWasWritten) {
    StartOrFail();
    const QString a = WriteText("a.ini", "[s]\nk=1\n");
    const QString b = WriteText("b.ini", "[s]\nk=2\n");
    ASSERT_TRUE(Frame()->OpenCompare(a, b));
    MakeReadOnly(b);
    CIniData* ini2 = Doc()->m_pCompare->m_pIni2.get();
    Entry(Doc()->m_pCompare->m_pIni1.get(), "s", "k")->SetValue("one");
    Entry(ini2, "s", "k")->SetValue("two");
    Click(Res::ID_FILE_SAVE);
    ASSERT_EQ(m_boxes.Boxes().size(), 1u);
    EXPECT_TRUE(m_boxes.Boxes()[0].text.contains(b));
    EXPECT_EQ(Read(a), "[s]\r\nk=one\r\n");
    ASSERT_NE(Doc()->m_pCompare, nullptr);
    EXPECT_EQ(Doc()->m_pCompare->m_pIni2.get(), ini2);
    EXPECT_EQ(Entry(ini2, "s", "k")->Value(), "two");
    EXPECT_EQ(Entry(Doc()->m_pCompare->m_pIni1.get(), "s", "k")->SavedValue(), "one");
    EXPECT_EQ(Doc()->m_pCompare->GetTitle(0), a);
    EXPECT_EQ(Doc()->m_pCompare->GetTitle(1), b);
}

TEST_F(AppTest, ComparisonSaveWritesBothFilesAndReloadsThem) {
    StartOrFail();
    const QString a = WriteText("a.ini", "[s]\nk=1\n");
    const QString b = WriteText("b.ini", "[s]\nk=2\n");
    ASSERT_TRUE(Frame()->OpenCompare(a, b));
    MarkModel(Doc()->m_pCompare->m_pIni1.get());
    Entry(Doc()->m_pCompare->m_pIni1.get(), "s", "k")->SetValue("one");
    Entry(Doc()->m_pCompare->m_pIni2.get(), "s", "k")->SetValue("two");
    Click(Res::ID_FILE_SAVE);
    EXPECT_TRUE(m_boxes.Boxes().empty());
    EXPECT_EQ(Read(a), "[s]\r\nk=one\r\n");
    EXPECT_EQ(Read(b), "[s]\r\nk=two\r\n");
    EXPECT_FALSE(IsMarked(Doc()->m_pCompare->m_pIni1.get()));
    EXPECT_FALSE(Doc()->HasUnsavedChanges());
}
