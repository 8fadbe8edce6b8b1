// Value lists as .qvl.json files: the layout, the way back through a database, the refusals.
#include "SqliteProbe.h"
#include "TreeDump.h"

#include "tests/common/LocaleMode.h"
#include "valuelist/ProjectDataBase.h"
#include "valuelist/RecordIdFilePath.h"
#include "valuelist/ValueListFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// What the editing dialog can make: Japanese names, empty labels, sections without entries,
// entries without values, texts JSON must escape (a lone surrogate, which has no UTF-8
// form, among them), and one entry with 10,000 values.
std::unique_ptr<CProjectData> EverythingTheDialogMakes() {
    auto project = std::make_unique<CProjectData>(-1, QStringLiteral("ゲーム設定"));
    CSectionData* screen = project->AppendSection(QStringLiteral("画面"), QString());
    CEntryData* quality = screen->AppendEntry(QStringLiteral("画質"), QString());
    quality->AppendValue(QStringLiteral("0"), QStringLiteral("低"));
    quality->AppendValue(QStringLiteral("1"), QString());
    quality->AppendValue(QString(), QStringLiteral("空"));
    screen->AppendEntry(QStringLiteral("フルスクリーン"), QString());
    CEntryData* path = screen->AppendEntry(QStringLiteral("Path"), QString());
    path->AppendValue(QStringLiteral("C:\\\"a b\"\tc"), QStringLiteral("引用符\\と\ttab"));
    path->AppendValue(QStringLiteral("on"), QString());
    path->AppendValue(QStringLiteral("ON"), QStringLiteral("大文字は別の値"));
    path->AppendValue(QStringLiteral("half") + QChar(0xD800), QStringLiteral("😀\x01"));
    project->AppendSection(QStringLiteral("空のセクション"), QString());
    CEntryData* many =
        project->AppendSection(QStringLiteral("Many"), QString())->AppendEntry("Level", QString());
    CValueData* last = nullptr;
    for (int i = 0; i < 10000; ++i)
        last = many->AppendValue(QString::number(i), QStringLiteral("値%1").arg(i), last);
    return project;
}

// The stored rows of one value list, with the PID left out. The order of sections and entries
// is the order of the file, which the byte comparison checks; the values' order is DISP.
QStringList Rows(const QString& dbPath, int pid) {
    SqliteProbe probe(dbPath);
    const QString where = QStringLiteral(" WHERE PID = %1 ORDER BY 1").arg(pid);
    return probe.Column("SELECT NAME FROM PROJECT" + where) +
           probe.Column("SELECT SCODE || '|' || NAME FROM SECTION" + where) +
           probe.Column("SELECT SCODE || '|' || ECODE || '|' || NAME FROM ENTRY" + where) +
           probe.Column("SELECT SCODE || '|' || ECODE || '|' || VALUE || '|' || NAME || '|' || "
                        "DISP FROM VALUE" +
                        where);
}

class ValueListFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    std::unique_ptr<CProjectDataBase> NewDataBase(const QString& name) {
        auto db = std::make_unique<CProjectDataBase>(dir.filePath(name));
        EXPECT_TRUE(db->Open() && db->CreateTables());
        return db;
    }

    QByteArray Export(CProjectDataBase& db, int pid) {
        const auto project = db.LoadProject(pid);
        QString error;
        const QByteArray bytes = project ? CValueListFile::ToJson(*project, error) : QByteArray();
        EXPECT_EQ(error, QString());
        return bytes;
    }

    LocaleMode japanese{true};
    QTemporaryDir dir;
};

TEST_F(ValueListFileTest, WritesTwoSpaceLayoutWithKeysInOrderAndFinalLineFeed) {
    CProjectData project(-1, QStringLiteral("ゲーム設定"));
    CSectionData* screen = project.AppendSection(QStringLiteral("画面"), QString());
    CEntryData* quality = screen->AppendEntry(QStringLiteral("画質"), QString());
    quality->AppendValue(QStringLiteral("0"), QStringLiteral("低"));
    quality->AppendValue(QStringLiteral("1"), QStringLiteral("中"));
    screen->AppendEntry(QStringLiteral("フルスクリーン"), QString());
    CSectionData* labelled =
        project.AppendSection(QStringLiteral("音"), QStringLiteral("サウンド"));
    labelled->AppendEntry(QStringLiteral("音量"), QStringLiteral("ボリューム"));
    QString error;
    EXPECT_EQ(QString::fromUtf8(CValueListFile::ToJson(project, error)),
              QStringLiteral("{\n"
                             "  \"format\": \"quillet-value-list\",\n"
                             "  \"version\": 1,\n"
                             "  \"name\": \"ゲーム設定\",\n"
                             "  \"sections\": [\n"
                             "    {\n"
                             "      \"name\": \"画面\",\n"
                             "      \"entries\": [\n"
                             "        {\n"
                             "          \"name\": \"画質\",\n"
                             "          \"values\": [\n"
                             "            { \"value\": \"0\", \"label\": \"低\" },\n"
                             "            { \"value\": \"1\", \"label\": \"中\" }\n"
                             "          ]\n"
                             "        },\n"
                             "        {\n"
                             "          \"name\": \"フルスクリーン\",\n"
                             "          \"values\": []\n"
                             "        }\n"
                             "      ]\n"
                             "    },\n"
                             "    {\n"
                             "      \"name\": \"音\",\n"
                             "      \"label\": \"サウンド\",\n"
                             "      \"entries\": [\n"
                             "        {\n"
                             "          \"name\": \"音量\",\n"
                             "          \"label\": \"ボリューム\",\n"
                             "          \"values\": []\n"
                             "        }\n"
                             "      ]\n"
                             "    }\n"
                             "  ]\n"
                             "}\n"));
    EXPECT_EQ(error, QString());
}

TEST_F(ValueListFileTest, RulesAreWrittenAsVersionTwoAndReadBack) {
    CProjectData project(-1, QStringLiteral("ゲーム"));
    project.m_bReportUnknownKeys = true;
    CSectionData* video = project.AppendSection(QStringLiteral("Video"), QString());
    CEntryData* fov = video->AppendEntry(QStringLiteral("FOV"), QString());
    fov->m_rule.m_type = EValueType::Number;
    fov->m_rule.m_min = -0.5;
    fov->m_rule.m_max = 1e20;
    fov->m_rule.m_default = QStringLiteral("90");
    fov->m_rule.m_bRequired = true;
    fov->m_rule.m_strDescription = QStringLiteral("視野角 \"度\"");
    CEntryData* mode = video->AppendEntry(QStringLiteral("Mode"), QString());
    mode->m_rule.m_type = EValueType::Choice;
    mode->AppendValue(QStringLiteral("a"), QString());
    QString error;
    const QByteArray bytes = CValueListFile::ToJson(project, error);
    EXPECT_EQ(QString::fromUtf8(bytes),
              QStringLiteral("{\n"
                             "  \"format\": \"quillet-value-list\",\n"
                             "  \"version\": 2,\n"
                             "  \"name\": \"ゲーム\",\n"
                             "  \"reportUnknownKeys\": true,\n"
                             "  \"sections\": [\n"
                             "    {\n"
                             "      \"name\": \"Video\",\n"
                             "      \"entries\": [\n"
                             "        {\n"
                             "          \"name\": \"FOV\",\n"
                             "          \"type\": \"number\",\n"
                             "          \"min\": -0.5,\n"
                             "          \"max\": 1e+20,\n"
                             "          \"default\": \"90\",\n"
                             "          \"required\": true,\n"
                             "          \"description\": \"視野角 \\\"度\\\"\",\n"
                             "          \"values\": []\n"
                             "        },\n"
                             "        {\n"
                             "          \"name\": \"Mode\",\n"
                             "          \"type\": \"choice\",\n"
                             "          \"values\": [\n"
                             "            { \"value\": \"a\", \"label\": \"\" }\n"
                             "          ]\n"
                             "        }\n"
                             "      ]\n"
                             "    }\n"
                             "  ]\n"
                             "}\n"));
    const auto read = CValueListFile::FromJson(bytes, error);
    ASSERT_TRUE(read) << error.toStdString();
    EXPECT_EQ(DumpTree(*read), DumpTree(project));

    // A version 1 file reads as a list without rules, and such a list is written as version 1.
    project.m_bReportUnknownKeys = false;
    fov->m_rule = CEntryRule();
    mode->m_rule = CEntryRule();
    EXPECT_TRUE(CValueListFile::ToJson(project, error).contains("\"version\": 1,"));
    const auto older = CValueListFile::FromJson(CValueListFile::ToJson(project, error), error);
    ASSERT_TRUE(older) << error.toStdString();
    EXPECT_FALSE(older->HasRules());
}

TEST_F(ValueListFileTest, ExportImportExportGivesTheSameBytesAndTheSameRows) {
    auto first = NewDataBase("first.db");
    auto original = EverythingTheDialogMakes();
    ASSERT_TRUE(first->SaveProject(original.get()));
    const QByteArray exported = Export(*first, original->m_nPid);
    ASSERT_FALSE(exported.isEmpty());

    QString error;
    auto read = CValueListFile::FromJson(exported, error);
    ASSERT_TRUE(read) << error.toStdString();
    EXPECT_EQ(read->m_nPid, -1);
    auto second = NewDataBase("second.db");
    ASSERT_TRUE(second->ImportProject(*read, {}));
    EXPECT_EQ(Export(*second, read->m_nPid), exported);
    EXPECT_EQ(Rows(dir.filePath("second.db"), read->m_nPid),
              Rows(dir.filePath("first.db"), original->m_nPid));
    EXPECT_EQ(DumpTree(*second->LoadProject(read->m_nPid)),
              DumpTree(*first->LoadProject(original->m_nPid)));
}

struct Refusal {
    const char* name;
    const char* json;
    const char* message;
};

// A failing case is named by its row, not by its bytes.
void PrintTo(const Refusal& c, std::ostream* os) {
    *os << c.name;
}

const char* const kHead = "{\"format\": \"quillet-value-list\", \"version\": 1, ";

class ValueListFileRefusal : public ValueListFileTest,
                             public ::testing::WithParamInterface<Refusal> {};

TEST_P(ValueListFileRefusal, SaysWhatAndWhere) {
    const Refusal& row = GetParam();
    QByteArray json(row.json);
    json.replace("HEAD", kHead);
    QString error;
    EXPECT_EQ(CValueListFile::FromJson(json, error), nullptr);
    EXPECT_EQ(error, QString::fromUtf8(row.message));
}

INSTANTIATE_TEST_SUITE_P(
    , ValueListFileRefusal,
    ::testing::Values(
        Refusal{
            "BrokenJsonAtLineAndColumn",
            "{\n  \"format\": \"quillet-value-list\",\n  \"名\": \"値\" \"version\": 1}",
            "JSON として読めません: 3 行 12 列 (オブジェクトが閉じていないか \",\" がありません)"},
        Refusal{"AnotherFormat", "{\"format\": \"other\", \"version\": 1}",
                "値リストのファイルではありません (\"format\" が \"quillet-value-list\" "
                "ではありません)"},
        Refusal{"LaterVersion", "{\"format\": \"quillet-value-list\", \"version\": 3}",
                "この版では読めない値リストのファイルです (version 3; 2 まで読めます)"},
        Refusal{"WrongTypeName",
                "HEAD\"name\": \"n\", \"sections\": [{\"name\": \"s\", \"entries\": "
                "[{\"name\": \"k\", \"type\": \"int\", \"values\": []}]}]}",
                "\"type\" は text, integer, number, boolean, choice のどれかです: "
                "セクション「s」のエントリ「k」"},
        Refusal{"MinNotANumber",
                "HEAD\"name\": \"n\", \"sections\": [{\"name\": \"s\", \"entries\": "
                "[{\"name\": \"k\", \"type\": \"integer\", \"min\": \"0\", \"values\": []}]}]}",
                "\"min\" が数値ではありません: セクション「s」のエントリ「k」"},
        Refusal{"DefaultOutsideTheRange",
                "HEAD\"name\": \"n\", \"sections\": [{\"name\": \"s\", \"entries\": "
                "[{\"name\": \"k\", \"type\": \"number\", \"min\": 0, \"max\": 1, "
                "\"default\": \"1.5\", \"values\": []}]}]}",
                "既定値が範囲外です: セクション「s」のエントリ「k」"},
        Refusal{"RequiredNotABoolean",
                "HEAD\"name\": \"n\", \"sections\": [{\"name\": \"s\", \"entries\": "
                "[{\"name\": \"k\", \"required\": 1, \"values\": []}]}]}",
                "\"required\" の形が正しくありません: セクション「s」のエントリ「k」"},
        Refusal{"MissingListName", "HEAD\"sections\": []}", "名前がありません: 値リスト"},
        Refusal{"BlankSectionName",
                "HEAD\"name\": \"n\", \"sections\": [{\"name\": \" \", "
                "\"entries\": []}]}",
                "名前がありません: セクション 1"},
        Refusal{"MissingEntryName",
                "HEAD\"name\": \"n\", \"sections\": [{\"name\": \"画面\", \"entries\": "
                "[{\"values\": []}]}]}",
                "名前がありません: セクション「画面」のエントリ 1"},
        Refusal{"SectionsIgnoringCase",
                "HEAD\"name\": \"n\", \"sections\": [{\"name\": \"Ａb\", \"entries\": []}, "
                "{\"name\": \"ａB\", \"entries\": []}]}",
                "セクションが重複しています: セクション「ａB」"},
        Refusal{"EntriesIgnoringCase",
                "HEAD\"name\": \"n\", \"sections\": [{\"name\": \"s\", \"entries\": "
                "[{\"name\": \"Key\", \"values\": []}, {\"name\": \"KEY\", \"values\": []}]}]}",
                "エントリが重複しています: セクション「s」のエントリ「KEY」"},
        Refusal{"ValuesWithCase",
                "HEAD\"name\": \"n\", \"sections\": [{\"name\": \"s\", \"entries\": "
                "[{\"name\": \"k\", \"values\": [{\"value\": \"on\"}, {\"value\": \"ON\"}, "
                "{\"value\": \"on\", \"label\": \"x\"}]}]}]}",
                "値が重複しています: セクション「s」のエントリ「k」の値「on」"},
        Refusal{
            "LineBreakInLabel",
            "HEAD\"name\": \"n\", \"sections\": [{\"name\": \"s\", \"entries\": "
            "[{\"name\": \"k\", \"values\": [{\"value\": \"1\", \"label\": \"a\\nb\"}]}]}]}",
            "改行、NUL または先頭の BOM を含んでいます: セクション「s」のエントリ「k」の値「1」"},
        Refusal{"NulInSectionName",
                "HEAD\"name\": \"n\", \"sections\": [{\"name\": \"a\\u0000b\", \"entries\": []}]}",
                "改行、NUL または先頭の BOM を含んでいます: セクション 1"},
        Refusal{"EntriesNotAnArray",
                "HEAD\"name\": \"n\", \"sections\": [{\"name\": \"s\", \"entries\": {}}]}",
                "\"entries\" の形が正しくありません: セクション「s」"},
        Refusal{"RepeatedKey",
                "HEAD\"name\": \"n\", \"sections\": [{\"name\": \"s\",\n\"n\\u0061me\": \"t\"}]}",
                "同じキー \"name\" が繰り返されています: 2 行 1 列"},
        Refusal{"BracketInSectionName", "HEAD\"name\": \"n\", \"sections\": [{\"name\": \"a]\"}]}",
                "INI ファイルのセクション名には「]」を書けません: セクション「a]」"},
        Refusal{"EqualsInKey",
                "HEAD\"name\": \"n\", \"sections\": [{\"name\": \"s\", \"entries\": "
                "[{\"name\": \"a=b\"}]}]}",
                "INI ファイルのキーには「=」を書けません: セクション「s」のエントリ「a=b」"}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

TEST_F(ValueListFileTest, IgnoresUnknownKeysForLaterVersions) {
    QString error;
    const auto project = CValueListFile::FromJson(
        QByteArray(kHead) + "\"name\": \"n\", \"comment\": [1], \"sections\": [{\"name\": \"s\", "
                            "\"colour\": 3, \"entries\": []}]}",
        error);
    ASSERT_TRUE(project) << error.toStdString();
    EXPECT_EQ(DumpTree(*project), QStringList({"P[n]", " S[s][]"}));
}

// A hand-written file may leave out empty "entries" and "values"; a value is kept exactly as
// written, spaces included, since it is compared with the INI file's text as it is.
TEST_F(ValueListFileTest, MissingListsAreEmptyAndValuesKeepTheirExactText) {
    QString error;
    const auto project = CValueListFile::FromJson(
        QByteArray(kHead) + "\"name\": \"n\", \"sections\": [{\"name\": \"s\", \"entries\": "
                            "[{\"name\": \"k\", \"values\": [{\"value\": \" 1 \"}]}, "
                            "{\"name\": \"free\"}]}, {\"name\": \"t\"}]}",
        error);
    ASSERT_TRUE(project) << error.toStdString();
    EXPECT_EQ(DumpTree(*project), QStringList({"P[n]", " S[s][]", "  E[k][]", "   V[ 1 ][]",
                                               "  E[free][]", " S[t][]"}));
    EXPECT_EQ(CValueListFile::FromJson(QByteArray(kHead) + "\"name\": \"n\"}", error), nullptr);
    EXPECT_EQ(error, QStringLiteral("\"sections\" の形が正しくありません: 値リスト"));
}

TEST_F(ValueListFileTest, RefusesFilesOver64MiBBeforeReadingThem) {
    const QString path = dir.filePath("big.qvl.json");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(CValueListFile::kMaxSize + 1));
    file.close();
    QString error;
    EXPECT_EQ(CValueListFile::ReadFile(path, error), nullptr);
    EXPECT_EQ(error, "ファイルが大きすぎます (64 MiB まで): " + path);
}

TEST_F(ValueListFileTest, WriterRefusesWhatTheReaderWouldRefuseAndLeavesNoFile) {
    CProjectData project(-1, QStringLiteral("n"));
    project.AppendSection("s", QString());
    project.AppendSection("S", QString());
    const QString path = dir.filePath("out.qvl.json");
    QString error;
    EXPECT_FALSE(CValueListFile::WriteFile(path, project, error));
    EXPECT_EQ(error, QStringLiteral("セクションが重複しています: セクション「S」"));
    EXPECT_FALSE(QFile::exists(path));
}

// A failure after the content is written (here the history row, which the database cannot
// store) must take the content back with it: both for a new list and for a replaced one.
TEST_F(ValueListFileTest, ImportIsOneTransaction) {
    auto db = NewDataBase("Quillet.db");
    auto kept = EverythingTheDialogMakes();
    ASSERT_TRUE(db->SaveProject(kept.get()));
    ASSERT_TRUE(db->SetHistory(CRecordIdFilePath(kept->m_nPid, "app.ini")));
    const QStringList before = Rows(dir.filePath("Quillet.db"), kept->m_nPid);
    const QString unstorable = QChar(0xFEFF) + QStringLiteral("x.ini");

    CProjectData fresh(-1, QStringLiteral("新"));
    fresh.AppendSection("s", QString());
    EXPECT_FALSE(db->ImportProject(fresh, {QStringLiteral("a.ini"), unstorable}));
    EXPECT_EQ(fresh.m_nPid, -1);

    CProjectData replacement(kept->m_nPid, QStringLiteral("置き換え"));
    EXPECT_FALSE(db->ImportProject(replacement, {unstorable}));

    SqliteProbe probe(dir.filePath("Quillet.db"));
    EXPECT_EQ(probe.Int("SELECT COUNT(*) FROM PROJECT"), 1);
    EXPECT_EQ(probe.Column("SELECT FILEPATH || '=' || PID FROM HISTORY"),
              QStringList{QStringLiteral("app.ini=%1").arg(kept->m_nPid)});
    EXPECT_EQ(Rows(dir.filePath("Quillet.db"), kept->m_nPid), before);
}

} // namespace
