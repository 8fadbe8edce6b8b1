// The reports read back as a browser or a spreadsheet would read them.
#include "compare/CompareReport.h"
#include "compare/FolderCompare.h"
#include "compare/IniCompare.h"
#include "ini/IniData.h"
#include "tests/common/LocaleMode.h"

#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

namespace {

// The page as rows of cell texts, each row's class first; fails the test on anything that
// would run or fetch something.
QList<QStringList> TableRows(const QByteArray& html) {
    QList<QStringList> rows;
    QXmlStreamReader xml(html);
    QStringList row;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        const QString name = xml.name().toString();
        EXPECT_NE(name, u"script");
        EXPECT_NE(name, u"link");
        EXPECT_NE(name, u"img");
        for (const QXmlStreamAttribute& a : xml.attributes()) {
            EXPECT_NE(a.name(), u"src");
            EXPECT_NE(a.name(), u"href");
        }
        if (name == u"tr") {
            if (!row.isEmpty())
                rows.append(row);
            row = QStringList{xml.attributes().value("class").toString()};
        } else if (name == u"td") {
            row.append(xml.readElementText());
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    if (!row.isEmpty())
        rows.append(row);
    return rows;
}

class CompareReportTest : public ::testing::Test {
protected:
    QString Write(const QString& name, const QByteArray& bytes) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }
    std::unique_ptr<CIniData> Load(const QString& path) {
        auto ini = std::make_unique<CIniData>();
        QString error;
        EXPECT_TRUE(ini->Load(path, error)) << error.toStdString();
        return ini;
    }

    LocaleMode locale{true};
    QTemporaryDir dir;
};

TEST_F(CompareReportTest, PairHtmlKeepsEscapedTextJapaneseAndTheWindowsMarks) {
    const QString one = Write("1.ini", "[S]\nk=a<b & \"c\" 'd' \xE6\x97\xA5\xE6\x9C\xAC\n"
                                       "same=1\n[Window]\nleft=1\n");
    const QString two = Write("2.ini", "[S]\nk=x</td>\nsame=1\n[Window]\nleft=2\n");
    CIniCompare compare(Load(one), Load(two));
    compare.Compare();
    std::vector<const COMPARE_REULT*> rows;
    for (const auto& r : compare.m_results)
        rows.push_back(r.get());
    CRowRules rules;
    rules.ignore.Add("window/*");
    const QByteArray html = CompareReport::PairHtml(one, two, rows, rules);
    EXPECT_TRUE(html.contains("<meta charset=\"utf-8\" />"));
    const QList<QStringList> table = TableRows(html);
    ASSERT_EQ(table.size(), 4);
    EXPECT_EQ(table[1], (QStringList{"differs", "S", "k", u"a<b & \"c\" 'd' 日本"_qs, u"○"_qs, "S",
                                     "k", "x</td>"}));
    EXPECT_EQ(table[2], (QStringList{"same", "", "same", "1", "", "", "same", "1"}));
    EXPECT_EQ(table[3], (QStringList{"ignored", "Window", "left", "1", "", "Window", "left", "2"}));
}

TEST_F(CompareReportTest, FolderReportsListEveryPairAndTheDifferingRows) {
    Write("a.ini", "[S]\nk=1\n");
    QDir(dir.path()).mkpath("1");
    QDir(dir.path()).mkpath("2");
    Write("1/a.ini", "[S]\nk=1,\"2\"\n");
    Write("2/a.ini", "[S]\nk=2\n");
    Write("1/only.ini", "[S]\n");
    CFolderCompare folders(dir.filePath("1"), dir.filePath("2"), {});
    ASSERT_TRUE(folders.Scan());
    folders.CompareAll();
    const QList<QStringList> html = TableRows(CompareReport::FoldersHtml(folders));
    ASSERT_EQ(html.size(), 5);
    EXPECT_EQ(html[1], (QStringList{"differs", u"異なる"_qs, "1", "", "a.ini", ""}));
    EXPECT_EQ(html[2], (QStringList{"differs", u"1 のみ"_qs, "", "", "only.ini", ""}));
    EXPECT_EQ(html[4], (QStringList{"differs", "S", "k", "1,\"2\"", u"○"_qs, "S", "k", "2"}));
    EXPECT_EQ(CompareReport::FoldersCsv(folders),
              "status,differing,ignored,path,text_differs,detail\r\n"
              "differs,1,0,a.ini,no,\r\n"
              "only-in-1,0,0,only.ini,no,\r\n");
}

struct CsvCase {
    const char* name;
    const char* text;
    const char* field;
};

class CsvFieldTest : public ::testing::TestWithParam<CsvCase> {};

TEST_P(CsvFieldTest, QuotesOnlyWhatMustBeQuoted) {
    EXPECT_EQ(CompareReport::CsvField(QString::fromUtf8(GetParam().text)),
              QString::fromUtf8(GetParam().field));
}

const CsvCase kCsvCases[] = {
    {"Plain", "abc 日本", "abc 日本"},
    {"Comma", "a,b", "\"a,b\""},
    {"Quote", "say \"hi\"", "\"say \"\"hi\"\"\""},
    {"LineBreak", "a\r\nb", "\"a\r\nb\""},
    {"Empty", "", ""},
};

INSTANTIATE_TEST_SUITE_P(Fields, CsvFieldTest, ::testing::ValuesIn(kCsvCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
