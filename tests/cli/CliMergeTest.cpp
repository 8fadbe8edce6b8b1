// quillet-cli merge: what it writes where, what it prints, its exit status, and its use as a
// git merge driver in a real repository.
#include "tests/cli/CliRun.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class CliMerge : public ::testing::Test {
protected:
    QString Write(const QString& name, const QByteArray& bytes) {
        QFile file(m_dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }

    static QByteArray Read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    QTemporaryDir m_dir;
};

const QByteArray kBase = "; app\r\n[A]\r\nx=1\r\ny=1\r\nz=1\r\n";
const QByteArray kOurs = "; mine\r\n[A]\r\nx=1\r\ny = 2\r\nz=2\r\n";
const QByteArray kTheirs = "; app 2\r\n[A]\r\nx=3\r\ny=1\r\nz=3\r\n";

} // namespace

TEST_F(CliMerge, WritesOursInPlaceAndExitsOneWithConflicts) {
    const QString base = Write("b.ini", kBase), ours = Write("o.ini", kOurs),
                  theirs = Write("t.ini", kTheirs);
    const CliResult result = RunCli({"merge", base, ours, theirs});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "A\tz\t1\t2\t3\tchanged in both differently\n");
    EXPECT_EQ(result.err, "taken from theirs 1, conflicts 1, comment-only changes left 2\n");
    EXPECT_EQ(Read(ours), QByteArray("; mine\r\n[A]\r\nx=3\r\ny = 2\r\nz=2\r\n"));

    // Merged again: theirs' change is in, the conflict stays, nothing else to write.
    const CliResult json = RunCli({"merge", "--json", base, ours, theirs});
    EXPECT_EQ(json.status, 1);
    const QJsonObject conflict = QJsonDocument::fromJson(json.out.toUtf8()).array()[0].toObject();
    EXPECT_EQ(conflict["key"].toString(), "z");
    EXPECT_EQ(conflict["theirs"].toString(), "3");
}

TEST_F(CliMerge, OutputFileMarkersAndErrors) {
    const QString base = Write("b.ini", kBase), ours = Write("o.ini", kOurs),
                  theirs = Write("t.ini", kTheirs);
    const QString out = m_dir.filePath("out.ini");
    EXPECT_EQ(RunCli({"merge", "--markers", "-o", out, base, ours, theirs}).status, 1);
    EXPECT_EQ(Read(ours), kOurs);
    EXPECT_EQ(Read(out), QByteArray("; mine\r\n[A]\r\nx=3\r\ny = 2\r\n<<<<<<< ours\r\nz=2\r\n"
                                    "=======\r\nz=3\r\n>>>>>>> theirs\r\n"));
    // No conflict: 0. Theirs' values, ours' (here base's) comment.
    EXPECT_EQ(RunCli({"merge", "-o", out, base, base, theirs}).status, 0);
    EXPECT_EQ(Read(out), QByteArray("; app\r\n[A]\r\nx=3\r\ny=1\r\nz=3\r\n"));

    // Errors name the file and write nothing.
    const CliResult missing = RunCli({"merge", base, ours, m_dir.filePath("none.ini")});
    EXPECT_EQ(missing.status, 2);
    EXPECT_TRUE(missing.err.startsWith("2:")) << missing.err.toStdString();
    const QString duplicate = Write("d.ini", "[A]\r\n[a]\r\n");
    EXPECT_TRUE(RunCli({"merge", duplicate, ours, theirs}).err.startsWith("基:同一セクション"));
    // A folder that takes no file: a missing one always, a read-only one unless we are root,
    // whom the mode does not stop.
    QDir(m_dir.path()).mkdir("ro");
    ASSERT_EQ(::chmod(QFile::encodeName(m_dir.filePath("ro")).constData(), 0555), 0);
    for (const QString& folder : {u"missing"_qs, u"ro"_qs}) {
        if (folder == u"ro" && ::geteuid() == 0)
            continue;
        const QString target = m_dir.filePath(folder + "/out.ini");
        const CliResult failed = RunCli({"merge", "-o", target, base, ours, theirs});
        EXPECT_EQ(failed.status, 2) << folder.toStdString();
        EXPECT_TRUE(failed.err.startsWith("quillet-cli: could not write ")) << folder.toStdString();
        EXPECT_FALSE(QFile::exists(target));
    }
    ::chmod(QFile::encodeName(m_dir.filePath("ro")).constData(), 0755);
    EXPECT_EQ(Read(ours), kOurs);
    EXPECT_EQ(RunCli({"merge", base, ours}).status, 2);
}

namespace {

// A git repository in a temporary folder, with quillet-cli as the merge driver of *.ini.
class GitRepo {
public:
    explicit GitRepo(const QString& driverOptions) {
        Git({"init", "-q", "-b", "main"});
        Git({"config", "user.name", "Test"});
        Git({"config", "user.email", "test@example.com"});
        Git({"config", "merge.ini.driver",
             QStringLiteral("'%1' merge %2 %O %A %B").arg(QUILLET_CLI_PATH, driverOptions)});
        Put(".gitattributes", "*.ini merge=ini\n");
    }

    int Git(const QStringList& args) {
        QProcess git;
        git.setWorkingDirectory(m_dir.path());
        git.start("git", args);
        EXPECT_TRUE(git.waitForFinished(30000));
        m_output = git.readAllStandardOutput() + git.readAllStandardError();
        return git.exitCode();
    }

    void Put(const QString& name, const QByteArray& bytes) {
        QFile file(m_dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    void Commit(const QString& message) {
        EXPECT_EQ(Git({"add", "-A"}), 0);
        EXPECT_EQ(Git({"commit", "-q", "-m", message}), 0) << m_output.constData();
    }

    // base on main; one branch writes a.ini as theirs, main writes it as ours; then the merge.
    int Merge(const QByteArray& base, const QByteArray& ours, const QByteArray& theirs) {
        Put("a.ini", base);
        Commit("base");
        Git({"checkout", "-q", "-b", "other"});
        Put("a.ini", theirs);
        Commit("theirs");
        Git({"checkout", "-q", "main"});
        Put("a.ini", ours);
        Commit("ours");
        return Git({"merge", "-q", "--no-edit", "other"});
    }

    QByteArray File() const {
        QFile file(m_dir.filePath("a.ini"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QByteArray m_output;

private:
    QTemporaryDir m_dir;
};

} // namespace

TEST(CliMergeGit, NeighbouringKeysMergeWithoutConflict) {
    GitRepo repo("");
    // Changes on neighbouring lines: a line-based merge would conflict here.
    const int status = repo.Merge("[A]\nx=1\ny=1\n", "[A]\nx=2\ny=1\n", "[A]\nx=1\ny=3\n");
    EXPECT_EQ(status, 0) << repo.m_output.constData();
    EXPECT_EQ(repo.File(), QByteArray("[A]\nx=2\ny=3\n"));
}

TEST(CliMergeGit, ATrueConflictIsReportedWithOursOrTheMarkers) {
    {
        GitRepo repo("");
        EXPECT_NE(repo.Merge("[A]\nx=1\ny=1\n", "[A]\nx=2\ny=1\n", "[A]\nx=3\ny=4\n"), 0);
        EXPECT_TRUE(repo.m_output.contains("CONFLICT")) << repo.m_output.constData();
        EXPECT_EQ(repo.File(), QByteArray("[A]\nx=2\ny=4\n"));
    }
    GitRepo repo("--markers");
    EXPECT_NE(repo.Merge("[A]\nx=1\ny=1\n", "[A]\nx=2\ny=1\n", "[A]\nx=3\ny=4\n"), 0);
    EXPECT_EQ(repo.File(),
              QByteArray("[A]\n<<<<<<< ours\nx=2\n=======\nx=3\n>>>>>>> theirs\ny=4\n"));
}
