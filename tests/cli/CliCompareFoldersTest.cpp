// quillet-cli compare over folders, with ignore options and reports.
#include "tests/cli/CliRun.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class CliCompareFolders : public ::testing::Test {
protected:
    QString Write(const QString& relative, const QByteArray& bytes) {
        const QString path = dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    QString Path(const char* relative) const { return dir.filePath(relative); }

    QTemporaryDir dir;
};

TEST_F(CliCompareFolders, PrintsOneLinePerFileAndExitsLikeDiffR) {
    Write("1/same.ini", "[S]\na=1\nb=2\n");
    Write("2/same.ini", "[S]\nb=2\na=1\n");
    Write("1/sub/d.ini", "[S]\na=1\n[Window]\nx=1\n");
    Write("2/sub/d.ini", "[S]\na=2\n[Window]\nx=2\n");
    Write("1/only.ini", "[S]\n");
    Write("2/.quillet-ignore", "Window/*\n");
    const CliResult r = RunCli({"compare", Path("1"), Path("2")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "only-in-1\t0\t0\tonly.ini\t\n"
                     "identical\t0\t0\tsame.ini\ttext differs\n"
                     "differs\t1\t1\tsub/d.ini\t\n");
    const CliResult json = RunCli({"compare", "--json", Path("1"), Path("2")});
    EXPECT_TRUE(json.out.contains(
        "{\"status\": \"differs\", \"differing\": 1, \"ignored\": 1, \"path1\": \"sub/d.ini\", "
        "\"path2\": \"sub/d.ini\", \"textDiffers\": false, \"error\": null}"))
        << json.out.toStdString();

    // The ignore file of the folders compared counts, not one above them.
    EXPECT_EQ(RunCli({"compare", "--ignore", "S/a", Path("1/sub"), Path("2/sub")}).status, 1);
    EXPECT_EQ(
        RunCli({"compare", "--ignore", "S/a", "--ignore", "window", Path("1/sub"), Path("2/sub")})
            .status,
        0);
    Write("2/only.ini", "[S]\n[S]\n");
    const CliResult broken = RunCli({"compare", Path("1"), Path("2")});
    EXPECT_EQ(broken.status, 2);
    EXPECT_TRUE(broken.out.contains(
        u"unreadable\t0\t0\tonly.ini\t2:同一セクションが複数存在します[S]\n"_qs))
        << broken.out.toStdString();
    EXPECT_TRUE(broken.out.contains("differs\t1\t1\tsub/d.ini")) << broken.out.toStdString();

    const CliResult missing = RunCli({"compare", Path("1"), Path("none")});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.out, "");
    EXPECT_TRUE(missing.err.contains(Path("none"))) << missing.err.toStdString();
}

TEST_F(CliCompareFolders, IgnoreOptionsApplyToAPairOfFiles) {
    const QString one = Write("1.ini", "[S]\nk=On\n[Window]\nleft=1\n");
    const QString two = Write("2.ini", "[S]\nk=on\n[Window]\nleft=2\n");
    EXPECT_EQ(RunCli({"compare", one, two}).status, 1);
    const CliResult r = RunCli({"compare", "--ignore-case", "--ignore", "window/*", one, two});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "S\tk\tOn\t\tS\tk\ton\nWindow\tleft\t1\t\tWindow\tleft\t2\n");
    const CliResult json = RunCli({"compare", "--json", "--ignore", "window/*", one, two});
    EXPECT_TRUE(json.out.contains("\"value2\": \"2\", \"ignored\": true}"))
        << json.out.toStdString();
}

TEST_F(CliCompareFolders, ReportsGoWholeToTheFileNamedAndBadRequestsAreRefused) {
    const QString one = Write("1.ini", "[S]\nk=a&b\n");
    const QString two = Write("2.ini", "[S]\nk=c\n");
    const QString html = Path("out/report.html");
    QDir().mkpath(Path("out"));
    const CliResult r = RunCli({"compare", "--report", "html", "-o", html, one, two});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    QFile file(html);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("<td>a&amp;b</td>"));

    const CliResult csv = RunCli({"compare", "--report", "csv", one, two});
    EXPECT_EQ(csv.out, u"section1,key1,value1,mark,section2,key2,value2\r\nS,k,a&b,○,S,k,c\r\n"_qs);

    for (const QStringList& bad :
         {QStringList{"compare", "--report", "xml", one, two},
          QStringList{"compare", "-o", html, one, two},
          QStringList{"compare", "--report", "html", "-o", Path("no/such/dir/r.html"), one, two},
          QStringList{"compare", dir.path(), one}}) {
        const CliResult refused = RunCli(bad);
        EXPECT_EQ(refused.status, 2) << bad.join(' ').toStdString();
        EXPECT_FALSE(refused.err.isEmpty()) << bad.join(' ').toStdString();
    }
}

} // namespace
