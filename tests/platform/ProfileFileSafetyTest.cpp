// What a write keeps of the file besides its text (mode bits, extended attributes, hard
// links, owner), and the reasons it gives when it fails.

#include "ProfileTestSupport.h"

#include "platform/ProfileWriter.h"
#include "platform/RegularFile.h"

#include <QDir>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace ProfileTest;

namespace {

const QByteArray kText = "[A]\r\nk=1\r\n";

class ProfileFileSafety : public ::testing::Test {
protected:
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QStringList filesInFolder() const {
        return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }
    static struct stat StatOf(const QString& file) {
        struct stat st {};
        EXPECT_EQ(::stat(QFile::encodeName(file).constData(), &st), 0);
        return st;
    }

    LocaleMode m_locale{true};
    QTemporaryDir m_dir;
};

// Runs a write with the file size limited to `limit` bytes, as `ulimit -f` would.
int WriteUnderSizeLimit(rlim_t limit, const QString& file, const QString& value) {
    struct rlimit previous;
    ::getrlimit(RLIMIT_FSIZE, &previous);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = previous;
    limited.rlim_cur = limit;
    ::setrlimit(RLIMIT_FSIZE, &limited);
    const int ret = WritePrivateProfileStringW("A", "k", value, file);
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);
    return ret;
}

} // namespace

TEST_F(ProfileFileSafety, EveryModeBitSurvives) {
    const QString file = path("mode.ini");
    ASSERT_TRUE(WriteBytes(file, kText));
    for (const mode_t mode : {mode_t(04755), mode_t(02750), mode_t(01644), mode_t(07777)}) {
        ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), mode), 0);
        ASSERT_EQ(WritePrivateProfileStringW("A", "k", QString::number(mode, 8), file), 1);
        EXPECT_EQ(StatOf(file).st_mode & 07777, mode) << std::oct << mode;
    }
}

TEST_F(ProfileFileSafety, UserExtendedAttributesSurvive) {
    const QString file = path("attr.ini");
    ASSERT_TRUE(WriteBytes(file, kText));
    const QByteArray native = QFile::encodeName(file);
    if (::setxattr(native.constData(), "user.quillet.test", "kept", 4, 0) != 0)
        GTEST_SKIP() << "this file system keeps no user extended attributes";
    ASSERT_EQ(WritePrivateProfileStringW("A", "k", "2", file), 1);
    char value[16] = {};
    EXPECT_EQ(::getxattr(native.constData(), "user.quillet.test", value, sizeof value), 4);
    EXPECT_STREQ(value, "kept");
    EXPECT_EQ(ReadBytes(file), "[A]\r\nk=2\r\n");
}

TEST_F(ProfileFileSafety, AHardLinkedFileStaysOneFile) {
    const QString file = path("linked.ini");
    const QString other = path("other-name.ini");
    ASSERT_TRUE(WriteBytes(file, kText));
    ASSERT_EQ(::link(QFile::encodeName(file).constData(), QFile::encodeName(other).constData()), 0);
    const ino_t inode = StatOf(file).st_ino;
    // Growing and shrinking, both written in place.
    ASSERT_EQ(WritePrivateProfileStringW("A", "k", "a longer value than before", file), 1);
    EXPECT_EQ(ReadBytes(other), "[A]\r\nk=a longer value than before\r\n");
    ASSERT_EQ(WritePrivateProfileStringW("A", "k", "2", other), 1);
    EXPECT_EQ(ReadBytes(file), "[A]\r\nk=2\r\n");
    EXPECT_EQ(StatOf(file).st_ino, inode);
    EXPECT_EQ(StatOf(file).st_nlink, 2u);
    EXPECT_EQ(filesInFolder(), (QStringList{"linked.ini", "other-name.ini"}))
        << "the backup copy is left behind";
}

TEST_F(ProfileFileSafety, AFailedWriteInPlaceLeavesTheOldTextAndNoCopy) {
    const QString file = path("linked.ini");
    QByteArray original = kText + QByteArray(1500, ';');
    ASSERT_TRUE(WriteBytes(file, original));
    ASSERT_EQ(::link(QFile::encodeName(file).constData(),
                     QFile::encodeName(path("second.ini")).constData()),
              0);
    // The copy of the old text fits under the limit; the grown file does not.
    EXPECT_EQ(WriteUnderSizeLimit(2000, file, QString(1000, u'x')), 0);
    EXPECT_EQ(CProfileWriter::LastError(), QString::fromLocal8Bit(std::strerror(EFBIG)));
    EXPECT_EQ(ReadBytes(file), original);
    EXPECT_EQ(ReadBytes(path("second.ini")), original);
    EXPECT_EQ(filesInFolder(), (QStringList{"linked.ini", "second.ini"}));
}

TEST_F(ProfileFileSafety, AnOwnerTheWriterMayNotGiveIsKeptByWritingInPlace) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to make a file that belongs to someone else";
    // A file of root's that anyone may write, in a folder anyone may write; a writer that is
    // not root cannot give a new file to root, so the save must keep the old one.
    ASSERT_EQ(::chmod(QFile::encodeName(m_dir.path()).constData(), 0777), 0);
    const QString file = path("roots.ini");
    ASSERT_TRUE(WriteBytes(file, kText));
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0666), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(3);
        ::_exit(WritePrivateProfileStringW("A", "k", "by nobody", file) == 1 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadBytes(file), "[A]\r\nk=by nobody\r\n");
    const struct stat st = StatOf(file);
    EXPECT_EQ(st.st_uid, 0u);
    EXPECT_EQ(st.st_gid, 0u);
    EXPECT_EQ(st.st_mode & 07777, 0666u);
    EXPECT_EQ(filesInFolder(), QStringList{"roots.ini"});
}

TEST_F(ProfileFileSafety, SetuidAndSetgidSurviveAWriteByAnOwnerWhoIsNotRoot) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to hand the file and the folder to another user";
    // The system clears both bits when anyone but root writes to a file, so they must be set
    // after the text is written, not before.
    ASSERT_EQ(::chmod(QFile::encodeName(m_dir.path()).constData(), 0777), 0);
    const QString file = path("owned.ini");
    ASSERT_TRUE(WriteBytes(file, kText));
    const QByteArray native = QFile::encodeName(file);
    ASSERT_EQ(::chown(native.constData(), 65534, 65534), 0);
    ASSERT_EQ(::chmod(native.constData(), 06664), 0);
    for (const char* value : {"2", "3"}) { // once by rename, once in place (a second link)
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(3);
            ::_exit(WritePrivateProfileStringW("A", "k", value, file) == 1 ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << value;
        EXPECT_EQ(ReadBytes(file), QByteArray("[A]\r\nk=") + value + "\r\n");
        EXPECT_EQ(StatOf(file).st_mode & 07777, 06664u) << value;
        EXPECT_EQ(StatOf(file).st_uid, 65534u) << value;
        if (StatOf(file).st_nlink == 1) {
            ASSERT_EQ(::link(native.constData(), QFile::encodeName(path("second.ini")).constData()),
                      0);
        }
    }
}

TEST_F(ProfileFileSafety, FailedWritesSayWhy) {
    const QString readOnly = path("ro.ini");
    ASSERT_TRUE(WriteBytes(readOnly, kText));
    ASSERT_EQ(::chmod(QFile::encodeName(readOnly).constData(), 0444), 0);
    const QString cp932 = path("sjis.ini");
    ASSERT_TRUE(WriteBytes(cp932, Bytes("[\x90\xdd\x92\xe8]\r\nk=1\r\n")));
    QDir(m_dir.path()).mkdir("folder");

    struct Case {
        const char* name;
        QString file, section, key, value;
        QString reason; // the start of LastError()
    };
    const std::vector<Case> cases = {
        {"no write permission", readOnly, "A", "k", "2",
         QString::fromLocal8Bit(std::strerror(EACCES))},
        {"missing folder", path("none/x.ini"), "A", "k", "2",
         QString::fromLocal8Bit(std::strerror(ENOENT))},
        {"a folder", path("folder"), "A", "k", "2", "not a regular file"},
        {"a device", "/dev/null", "A", "k", "2", "not a regular file"},
        {"unencodable", cp932, "設定", "k", "😀", "the file's encoding (CP932) cannot hold"},
        {"line break", readOnly + "2", "A", "k", "a\r\n[B]",
         "the text would change the file's structure"},
        {"= in key", readOnly + "2", "A", "k=x", "1", "the text would change the file's structure"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WritePrivateProfileStringW(c.section, c.key, c.value, c.file), 0) << c.name;
        EXPECT_TRUE(CProfileWriter::LastError().startsWith(c.reason))
            << c.name << ": " << CProfileWriter::LastError().toStdString();
    }
    EXPECT_EQ(ReadBytes(readOnly), kText);
    EXPECT_FALSE(QFileInfo::exists(readOnly + "2"));
    // A success clears the reason.
    ASSERT_EQ(WritePrivateProfileStringW("A", "k", "2", path("fine.ini")), 1);
    EXPECT_TRUE(CProfileWriter::LastError().isEmpty());
}

TEST_F(ProfileFileSafety, OversizedFilesAreNeitherReadNorEdited) {
    const QString file = path("huge.ini");
    ASSERT_TRUE(WriteBytes(file, kText));
    // Sparse: no disk space and no time, but every reader that trusted the size would try.
    ASSERT_EQ(::truncate(QFile::encodeName(file).constData(), CRegularFile::kMaxSize + 1), 0);
    EXPECT_EQ(Names(file, 100).ret, 0u);
    EXPECT_EQ(WritePrivateProfileStringW("A", "k", "2", file), 0);
    EXPECT_EQ(CProfileWriter::LastError(), "the file is too large");
    EXPECT_EQ(QFileInfo(file).size(), CRegularFile::kMaxSize + 1);
    CRegularFile::Status status = CRegularFile::Status::Ok;
    QByteArray bytes;
    EXPECT_FALSE(CRegularFile::Read(file, bytes, nullptr, &status));
    EXPECT_EQ(status, CRegularFile::Status::TooLarge);
    EXPECT_TRUE(bytes.isEmpty());
}
