// quillet-cli on files it cannot fully read or write: the messages, the exit status, and the
// files afterwards. Some cases run the real program, for what only a process shows.
#include "tests/cli/CliRun.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Result = CliResult;

class CliFault : public ::testing::Test {
protected:
    static Result RunRaw(const std::vector<QByteArray>& args) { return RunCliRaw(args); }
    static Result Run(const QStringList& args) { return RunCli(args); }

    QString Write(const QString& name, const QByteArray& bytes) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }

    static QByteArray Read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QStringList Files() const {
        return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }

    QTemporaryDir dir;
};

QByteArray BigSection(const QByteArray& name, int lastValue) {
    QByteArray text = "[" + name + "]\r\n";
    for (int i = 0; i < 2500; ++i) // about 37,000 characters
        text += "entry" + QByteArray::number(i) + "=value\r\n";
    return text + "last=" + QByteArray::number(lastValue) + "\r\n";
}

} // namespace

TEST_F(CliFault, FilesThatCannotBeReadAreErrorsNotEmptyFiles) {
    const QString huge = Write("huge.ini", "");
    ASSERT_EQ(::truncate(QFile::encodeName(huge).constData(), 3LL * 1024 * 1024 * 1024), 0);
    struct Case {
        const char* name;
        QStringList args;
        QString err;
    };
    const std::vector<Case> cases = {
        {"an I/O error", {"dump", "/proc/self/mem"}, "ファイルを読み込めません: /proc/self/mem\n"},
        {"a folder", {"dump", dir.path()}, "ファイルを読み込めません: " + dir.path() + "\n"},
        {"too large", {"dump", huge}, "ファイルが大きすぎます: " + huge + "\n"},
        {"set into a file too large",
         {"set", huge, "A", "k", "1"},
         "ファイルが大きすぎます: " + huge + "\n"},
        {"compare, first file",
         {"compare", huge, "/proc/self/mem"},
         "1:ファイルが大きすぎます: " + huge + "\n"},
    };
    for (const Case& c : cases) {
        const Result r = Run(c.args);
        EXPECT_EQ(r.status, 2) << c.name;
        EXPECT_TRUE(r.out.isEmpty()) << c.name;
        EXPECT_EQ(r.err, "quillet-cli: " + c.err) << c.name;
    }
    EXPECT_EQ(QFileInfo(huge).size(), 3LL * 1024 * 1024 * 1024);
}

TEST_F(CliFault, SectionsLeftOutAreNamedAndCompareCannotClaimEquality) {
    const QString one = Write("one.ini", "[A]\r\nx=1\r\n" + BigSection("Big", 1));
    const QString two = Write("two.ini", "[A]\r\nx=1\r\n" + BigSection("Big", 2));
    const QString warning = "quillet-cli: section [Big] left out: larger than the section buffer\n";

    const Result dump = Run({"dump", one});
    EXPECT_EQ(dump.status, 0);
    EXPECT_EQ(dump.out, "A\tx\t1\n");
    EXPECT_EQ(dump.err, warning);

    const Result compare = Run({"compare", one, two});
    EXPECT_EQ(compare.status, 2);
    EXPECT_EQ(compare.err, warning + warning);

    // Without such a section equal files stay equal.
    const QString small = Write("small.ini", "[A]\r\nx=1\r\n");
    EXPECT_EQ(Run({"compare", small, small}).status, 0);
}

TEST_F(CliFault, ArgumentsThatDoNotRoundTripAreRefused) {
    const QByteArray name = QFile::encodeName(dir.path()) + "/caf\xFF.ini";
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "[A]\r\nk=1\r\n", 10), 10);
    ::close(fd);
    const QStringList before = Files();

    const Result dump = RunRaw({"dump", name});
    EXPECT_EQ(dump.status, 2);
    EXPECT_TRUE(dump.err.startsWith("quillet-cli: cannot use the argument \""));
    EXPECT_TRUE(dump.err.contains("caf\\xFF.ini\": it is not valid text in the system's encoding"))
        << dump.err.toStdString();

    const Result set = RunRaw({"set", name, "A", "k", "2"});
    EXPECT_EQ(set.status, 2);
    EXPECT_EQ(Files(), before) << "another file was created";
    const Result value =
        RunRaw({"set", QFile::encodeName(dir.filePath("ok.ini")), "A", "k", "\xFF"});
    EXPECT_EQ(value.status, 2);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("ok.ini")));
    // The decoded name is another file, which is why it is refused.
    EXPECT_FALSE(QFileInfo::exists(QFile::decodeName(name)));
    ::unlink(name.constData()); // the folder's removal could not name it either
}

// A folder whose name is not valid text decodes to U+FFFD, which encodes back to the bytes of
// another folder. Whatever reaches a path through such a name is refused and writes nothing;
// a real U+FFFD in a name given whole still works.
TEST_F(CliFault, PathsThroughNamesThatAreNotTextAreRefused) {
    const QByteArray base = QFile::encodeName(dir.path());
    const QByteArray lost = base + "/dir\xFE";              // current folder, not text
    const QByteArray lookAlike = base + "/dir\xEF\xBF\xBD"; // what its decoded name encodes to
    const QByteArray alone = base + "/only\xFE";            // no look-alike beside it
    const QByteArray ini = "[S]\r\nk=1\r\n";
    for (const QByteArray& folder : {lost, lookAlike, alone}) {
        ASSERT_EQ(::mkdir(folder.constData(), 0755), 0);
        QFile file(QFile::decodeName(folder + "/a.ini"));
        if (folder != lookAlike) { // Qt cannot name these: write them by their bytes
            const int fd = ::open((folder + "/a.ini").constData(), O_WRONLY | O_CREAT, 0644);
            ASSERT_EQ(::write(fd, ini.constData(), size_t(ini.size())), ssize_t(ini.size()));
            ::close(fd);
        } else {
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(ini);
        }
    }
    const QString alonePath = QFile::decodeName(alone + "/a.ini");
    const QString exactPath = QFile::decodeName(lookAlike + "/a.ini");
    const QString home = QDir::currentPath();
    ASSERT_EQ(::chdir(lost.constData()), 0);
    const std::vector<std::pair<const char*, std::vector<QByteArray>>> cases = {
        {"dump, relative name", {"dump", "a.ini"}},
        {"set, relative name", {"set", "a.ini", "S", "k", "3"}},
        {"check, relative name", {"check", "a.ini"}},
        {"a name as a file dialog or a drop gives it", {"set", alonePath.toUtf8(), "S", "k", "3"}},
    };
    for (const auto& [name, args] : cases) {
        const Result r = RunRaw(args);
        EXPECT_EQ(r.status, 2) << name;
        EXPECT_TRUE(r.err.contains(QStringLiteral("システムの文字コードで表せないバイト")))
            << name << ": " << r.err.toStdString();
    }
    EXPECT_EQ(::chdir(QFile::encodeName(home).constData()), 0);
    // From elsewhere, the folder whose name holds a real U+FFFD is named exactly.
    EXPECT_EQ(RunRaw({"dump", exactPath.toUtf8()}).status, 0);
    for (const QByteArray& folder : {lost, lookAlike, alone}) {
        QFile file;
        const int fd = ::open((folder + "/a.ini").constData(), O_RDONLY);
        ASSERT_TRUE(file.open(fd, QIODevice::ReadOnly, QFile::AutoCloseHandle));
        EXPECT_EQ(file.readAll(), ini) << folder.toStdString();
        ::unlink((folder + "/a.ini").constData());
        ::rmdir(folder.constData());
    }
}

// A section of a UTF-16 file can start with U+FEFF; given as UTF-8 it must reach the file as
// it was typed, not lose its first character to byte-order-mark handling.
TEST_F(CliFault, ValidUtf8ArgumentsAreTakenAsTheyAreALeadingBomIncluded) {
    const auto utf16 = [](const QString& text) {
        return QByteArray("\xFF\xFE", 2) +
               QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    };
    const QString file = Write("bom.ini", utf16(u"[\uFEFFB]\r\nk=1\r\n[B]\r\nk=1\r\n"_qs));
    const Result set = RunRaw({"set", QFile::encodeName(file),
                               "\xEF\xBB\xBF"
                               "B",
                               "k", "\xEF\xBB\xBFv"});
    EXPECT_EQ(set.status, 0) << set.err.toStdString();
    EXPECT_EQ(Read(file), utf16(u"[\uFEFFB]\r\nk=\uFEFFv\r\n[B]\r\nk=1\r\n"_qs));
}

TEST_F(CliFault, FailedWritesSayWhy) {
    const QString readOnly = Write("ro.ini", "[A]\r\nx=1\r\n");
    ASSERT_EQ(::chmod(QFile::encodeName(readOnly).constData(), 0444), 0);
    const QString cp932 = Write("sjis.ini", "[\x90\xdd\x92\xe8]\r\nk=1\r\n");
    struct Case {
        const char* name;
        QStringList args;
        QString reason;
    };
    const std::vector<Case> cases = {
        {"read-only", {"set", readOnly, "A", "x", "2"}, QString::fromLocal8Bit(strerror(EACCES))},
        {"missing folder",
         {"set", dir.filePath("no/x.ini"), "A", "x", "2"},
         QString::fromLocal8Bit(strerror(ENOENT))},
        {"unencodable",
         {"set", cp932, "設定", "k", "😀"},
         "the file's encoding (CP932) cannot hold a character of the text"},
    };
    for (const Case& c : cases) {
        const Result r = Run(c.args);
        EXPECT_EQ(r.status, 2) << c.name;
        const QString file = QFileInfo(c.args[1]).absoluteFilePath();
        EXPECT_EQ(r.err, "quillet-cli: could not write " + file + ": " + c.reason + "\n") << c.name;
    }
    EXPECT_EQ(Read(readOnly), "[A]\r\nx=1\r\n");
}

TEST_F(CliFault, AFileSizeLimitIsAFailedWriteNotASilentDeath) {
    QByteArray original = "[A]\r\nk=1\r\n" + QByteArray(3000, ';');
    const QString path = Write("limit.ini", original);
    QProcess process;
    // ulimit -f counts blocks of 512 bytes: the new file cannot be written whole.
    process.start("/bin/sh", {"-c", "ulimit -f 2; exec \"$0\" \"$@\"", QUILLET_CLI_PATH, "set",
                              path, "A", "k", "2"});
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 2);
    EXPECT_EQ(QString::fromUtf8(process.readAllStandardError()),
              "quillet-cli: could not write " + path + ": " +
                  QString::fromLocal8Bit(strerror(EFBIG)) + "\n");
    EXPECT_EQ(Read(path), original);
    EXPECT_EQ(Files(), QStringList{"limit.ini"});
}

TEST_F(CliFault, ParallelSetCommandsAllLand) {
    const QString path = Write("parallel.ini", "[S]\r\n");
    constexpr int kWriters = 8, kRounds = 4;
    for (int round = 0; round < kRounds; ++round) {
        std::vector<std::unique_ptr<QProcess>> processes;
        for (int w = 0; w < kWriters; ++w) {
            processes.push_back(std::make_unique<QProcess>());
            processes.back()->start(QUILLET_CLI_PATH,
                                    {"set", path, "S", QStringLiteral("k%1_%2").arg(w).arg(round),
                                     QString::number(round)});
        }
        for (auto& p : processes) {
            ASSERT_TRUE(p->waitForFinished(20000));
            EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().constData();
        }
    }
    const Result dump = Run({"dump", path});
    EXPECT_EQ(dump.out.count('\n'), kWriters * kRounds);
    for (int round = 0; round < kRounds; ++round)
        for (int w = 0; w < kWriters; ++w)
            EXPECT_TRUE(dump.out.contains(QStringLiteral("S\tk%1_%2\t%2\n").arg(w).arg(round)));
}
