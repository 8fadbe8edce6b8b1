// Writes from several processes at once, a lock held elsewhere, and a file changed by another
// program in the middle of a write.

#include "ProfileTestSupport.h"

#include "platform/FolderLock.h"
#include "platform/ProfileWriter.h"

#include <QDir>
#include <QElapsedTimer>
#include <sys/wait.h>
#include <unistd.h>

using namespace ProfileTest;

namespace {

class ProfileLock : public ::testing::Test {
protected:
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QStringList filesInFolder() const {
        return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }
    void TearDown() override { CProfileWriter::SetBeforeReplaceHook({}); }

    LocaleMode m_locale{true};
    QTemporaryDir m_dir;
};

QString KeyOf(int writer, int round) {
    return QStringLiteral("w%1_%2").arg(writer).arg(round);
}

// Runs `work` in a child process, which reports one byte per round through a pipe.
pid_t ForkWriter(int& readEnd, const std::function<char(int round)>& work, int rounds) {
    int fds[2];
    if (::pipe(fds) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        for (int r = 0; r < rounds; ++r) {
            const char ok = work(r);
            if (::write(fds[1], &ok, 1) != 1)
                ::_exit(3);
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    readEnd = fds[0];
    return pid;
}

} // namespace

TEST_F(ProfileLock, EightWritersAtOnceLoseNoUpdate) {
    const QString file = path("shared.ini");
    ASSERT_TRUE(WriteBytes(file, "; shared by eight writers\r\n[S]\r\nfirst=1\r\n"));
    constexpr int kWriters = 8, kRounds = 25;
    std::vector<pid_t> pids;
    std::vector<int> pipes(kWriters, -1);
    for (int w = 0; w < kWriters; ++w) {
        pids.push_back(ForkWriter(
            pipes[size_t(w)],
            [&, w](int r) {
                // Two sections, so that some writes add lines in the middle of the file.
                const QString section = r % 2 ? QStringLiteral("S") : QStringLiteral("T");
                return char(WritePrivateProfileStringW(section, KeyOf(w, r), QString::number(r),
                                                       file) == 1);
            },
            kRounds));
        ASSERT_GT(pids.back(), 0);
    }
    std::vector<std::vector<char>> reported(kWriters);
    for (int w = 0; w < kWriters; ++w) {
        char ok;
        while (::read(pipes[size_t(w)], &ok, 1) == 1)
            reported[size_t(w)].push_back(ok);
        ::close(pipes[size_t(w)]);
        int status = 0;
        ::waitpid(pids[size_t(w)], &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "writer " << w;
    }
    const QByteArray text = ReadBytes(file);
    int successes = 0;
    for (int w = 0; w < kWriters; ++w) {
        ASSERT_EQ(reported[size_t(w)].size(), size_t(kRounds)) << "writer " << w;
        for (int r = 0; r < kRounds; ++r) {
            if (!reported[size_t(w)][size_t(r)])
                continue;
            ++successes;
            const QByteArray line = (KeyOf(w, r) + u'=' + QString::number(r)).toUtf8() + "\r\n";
            EXPECT_TRUE(text.contains(line)) << "reported written but missing: " << line.data();
        }
    }
    // The wait for the lock is long enough for every one of these writes.
    EXPECT_EQ(successes, kWriters * kRounds);
    EXPECT_TRUE(text.startsWith("; shared by eight writers\r\n[S]\r\nfirst=1\r\n"));
    EXPECT_EQ(filesInFolder(), QStringList{"shared.ini"}) << "a stray file is left behind";
}

TEST_F(ProfileLock, AWriteGivesUpWhenTheLockIsHeldTooLong) {
    const QString file = path("held.ini");
    ASSERT_TRUE(WriteBytes(file, "[A]\r\nk=1\r\n"));
    // Another description of the folder conflicts even within this process, as another
    // program's would.
    const CFolderLock other(m_dir.path(), CFolderLock::Mode::Exclusive);
    ASSERT_TRUE(other.isHeld());
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(WritePrivateProfileStringW("A", "k", "2", file), 0);
    const qint64 waited = timer.elapsed();
    EXPECT_GE(waited, CFolderLock::kDefaultTimeoutMs - 100);
    EXPECT_LT(waited, CFolderLock::kDefaultTimeoutMs + 3000);
    EXPECT_TRUE(CProfileWriter::LastError().contains("lock"))
        << CProfileWriter::LastError().toStdString();
    EXPECT_EQ(ReadBytes(file), "[A]\r\nk=1\r\n");
}

TEST_F(ProfileLock, AReaderDoesNotTakeAFileWhileAWriteHoldsItTooLong) {
    const QString file = path("r.ini");
    ASSERT_TRUE(WriteBytes(file, "[A]\r\nk=1\r\n"));
    const CFolderLock writer(m_dir.path(), CFolderLock::Mode::Exclusive);
    ASSERT_TRUE(writer.isHeld());
    // A file being written is not read half-done: the reader gives up, as for a file it may
    // not read, rather than take what is there.
    EXPECT_EQ(Items(Section(file, "A", 100)), std::vector<QString>{});
    const CFolderLock reader(m_dir.path(), CFolderLock::Mode::Shared, 0);
    EXPECT_FALSE(reader.isHeld());
}

TEST_F(ProfileLock, AFileReplacedDuringTheWriteIsEditedAsItIsNow) {
    const QString file = path("replaced.ini");
    ASSERT_TRUE(WriteBytes(file, "[A]\r\nk=1\r\n"));
    int calls = 0;
    CProfileWriter::SetBeforeReplaceHook([&](const QString& target) {
        if (calls++ != 0)
            return;
        // Another program saves its own version by a rename.
        ASSERT_TRUE(WriteBytes(target + ".other", "[A]\r\nk=1\r\nother=yes\r\n"));
        ASSERT_EQ(::rename(QFile::encodeName(target + ".other").constData(),
                           QFile::encodeName(target).constData()),
                  0);
    });
    ASSERT_EQ(WritePrivateProfileStringW("A", "k", "2", file), 1);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(ReadBytes(file), "[A]\r\nk=2\r\nother=yes\r\n");
    EXPECT_EQ(filesInFolder(), QStringList{"replaced.ini"});
}

TEST_F(ProfileLock, AFileDeletedDuringTheWriteStartsOverFromNothing) {
    // One name: replaced by rename; a second name: written in place.
    for (const bool linked : {false, true}) {
        SCOPED_TRACE(linked ? "hard-linked" : "one name");
        const QString file = path(linked ? "linked.ini" : "deleted.ini");
        ASSERT_TRUE(WriteBytes(file, "[A]\r\nold=1\r\n"));
        if (linked) {
            ASSERT_EQ(::link(QFile::encodeName(file).constData(),
                             QFile::encodeName(path("other.ini")).constData()),
                      0);
        }
        int calls = 0;
        CProfileWriter::SetBeforeReplaceHook([&](const QString& target) {
            if (calls++ == 0)
                QFile::remove(target);
        });
        ASSERT_EQ(WritePrivateProfileStringW("A", "k", "2", file), 1)
            << CProfileWriter::LastError().toStdString();
        // The old text is not brought back: the write is redone on the file as it is now.
        EXPECT_EQ(ReadBytes(file), "[A]\r\nk=2\r\n");
    }
    EXPECT_EQ(ReadBytes(path("other.ini")), "[A]\r\nold=1\r\n");
}

TEST_F(ProfileLock, AFileThatKeepsChangingFailsTheWrite) {
    const QString file = path("busy.ini");
    ASSERT_TRUE(WriteBytes(file, "[A]\r\nk=1\r\n"));
    int calls = 0;
    CProfileWriter::SetBeforeReplaceHook([&](const QString& target) {
        ++calls;
        ASSERT_TRUE(WriteBytes(target, "[A]\r\nk=" + QByteArray::number(calls + 10) + "\r\n"));
    });
    EXPECT_EQ(WritePrivateProfileStringW("A", "k", "2", file), 0);
    EXPECT_GT(calls, 1);
    EXPECT_TRUE(CProfileWriter::LastError().contains("changing"));
    EXPECT_EQ(ReadBytes(file), "[A]\r\nk=" + QByteArray::number(calls + 10) + "\r\n");
}
