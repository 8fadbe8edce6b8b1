// A write killed before each of its steps in turn, as a crash or a power loss would stop it:
// whatever the step, the old text survives, in the file or in the copy beside it; a copy of
// the old text left behind stops the next write until someone has looked at it, and anything
// else left behind is removed by the next write.

#include "ProfileTestSupport.h"

#include "platform/FileReplacer.h"
#include "platform/ProfileWriter.h"

#include <QDir>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace ProfileTest;
using namespace std::string_literals;

namespace {

struct InterruptCase {
    const char* name;
    bool linked; // a second name: written in place; else a new file renamed over it
    QByteArray oldText;
    QString value;
    QByteArray newText;
};

const QByteArray kShortOld = "[S]\r\nk=1\r\n; after\r\n";
const QByteArray kLongOld = "[S]\r\nk=1111111111\r\n1111111\r\n";
const QByteArray kGrown = "[S]\r\nk=" + QByteArray(40, '2') + "\r\n; after\r\n";
const QByteArray kShrunk = "[S]\r\nk=2\r\n1111111\r\n";

const InterruptCase kCases[] = {
    {"in_place_growing", true, kShortOld, QString(40, u'2'), kGrown},
    // The new text is shorter: killed between the write and the cut, the file ends in a stray
    // piece of the old text.
    {"in_place_shrinking", true, kLongOld, "2", kShrunk},
    {"renamed_growing", false, kShortOld, QString(40, u'2'), kGrown},
    {"renamed_shrinking", false, kLongOld, "2", kShrunk},
};

// A write refused while the copy is there names it and says how to recover.
QString Refusal(const QString& copy) {
    return QStringLiteral("a backup of an interrupted save is beside the file: ") + copy +
           QStringLiteral("; compare the two, copy the backup over the file if the file is "
                          "damaged, then delete the backup");
}

void PrintTo(const InterruptCase& c, std::ostream* os) {
    *os << c.name;
}

class ProfileInterrupt : public ::testing::TestWithParam<InterruptCase> {
protected:
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QStringList sideFiles() const {
        QStringList names = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden);
        names.removeAll(QStringLiteral("file.ini"));
        names.removeAll(QStringLiteral("other-name.ini"));
        return names;
    }
    // The file afresh; with a second name, which a write must keep, it is written in place.
    void makeFile() {
        for (const QString& name : QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden))
            QFile::remove(path(name));
        ASSERT_TRUE(WriteBytes(path("file.ini"), GetParam().oldText));
        if (GetParam().linked) {
            ASSERT_EQ(::link(QFile::encodeName(path("file.ini")).constData(),
                             QFile::encodeName(path("other-name.ini")).constData()),
                      0);
        }
    }
    // Runs the write in a child process that kills itself right before step `killAt` of the
    // write. Returns the child's wait status.
    int writeKilledAt(int killAt) const {
        const pid_t child = ::fork();
        if (child == 0) {
            int step = 0;
            CFileReplacer::SetStepHook([&] {
                if (++step == killAt)
                    ::raise(SIGKILL);
            });
            const bool written =
                WritePrivateProfileStringW("S", "k", GetParam().value, path("file.ini")) != 0;
            ::_exit(written ? 0 : 3);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return status;
    }

    LocaleMode m_locale{true};
    QTemporaryDir m_dir;
};

} // namespace

TEST_P(ProfileInterrupt, EveryKillPointLeavesTheOldTextInTheFileOrInACompleteCopy) {
    const InterruptCase& c = GetParam();
    int damaged = 0;
    int killAt = 1;
    for (;; ++killAt) {
        makeFile();
        const int status = writeKilledAt(killAt);
        if (WIFEXITED(status)) { // past the last step: the write ran to its end
            EXPECT_EQ(WEXITSTATUS(status), 0);
            EXPECT_EQ(ReadBytes(path("file.ini")), c.newText);
            EXPECT_EQ(sideFiles(), QStringList());
            break;
        }
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "step " << killAt;
        // Whatever a kill leaves beside the file is named so that it is known for what it is.
        for (const QString& side : sideFiles())
            EXPECT_TRUE(side.startsWith(".file.ini.quillet-")) << side.toStdString();
        const QByteArray left = ReadBytes(path("file.ini"));
        const QString copy = CFileReplacer::InterruptedBackup(path("file.ini"));
        if (!copy.isEmpty()) {
            EXPECT_EQ(ReadBytes(copy), c.oldText) << "an incomplete copy, step " << killAt;
        }
        if (left != c.oldText && left != c.newText) {
            ++damaged;
            EXPECT_FALSE(copy.isEmpty())
                << "damaged with no copy, step " << killAt << ": " << Printable(left);
        }
        // The next write: refused while a copy is there, else it goes through and clears what
        // a cut-off copy left.
        const bool written = WritePrivateProfileStringW("S", "k", "3", path("file.ini")) != 0;
        if (copy.isEmpty()) {
            EXPECT_TRUE(written) << "step " << killAt;
            EXPECT_EQ(sideFiles(), QStringList()) << "step " << killAt;
        } else {
            EXPECT_FALSE(written) << "step " << killAt;
            EXPECT_EQ(CProfileWriter::LastError(), Refusal(copy));
            EXPECT_EQ(ReadBytes(path("file.ini")), left) << "step " << killAt;
        }
    }
    // In place: copy written, synced, named, folder synced, the file written, cut, synced,
    // the copy removed, the folder synced. By rename: written, synced, renamed, folder synced.
    EXPECT_GE(killAt, c.linked ? 10 : 5);
    if (c.linked && c.newText.size() < c.oldText.size()) {
        EXPECT_GT(damaged, 0) << "no kill point fell between the write and the cut";
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, ProfileInterrupt, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ProfileInterruptRefusal, ACopyBesideANewlyLinkedFileStopsEveryWriteButNotTheRead) {
    LocaleMode locale{true};
    QTemporaryDir dir;
    const QString file = dir.filePath("a.ini");
    ASSERT_TRUE(WriteBytes(file, "[S]\nk=old\n"));
    const QString copy = dir.filePath(".a.ini.quillet-backup-Ab12Cd");
    ASSERT_TRUE(WriteBytes(copy, "[S]\nk=older\n"));
    // A single-name file is written by rename, yet the copy still guards it.
    EXPECT_EQ(WritePrivateProfileStringW("S", "k", "new", file), 0);
    EXPECT_EQ(CProfileWriter::LastError(), Refusal(copy));
    EXPECT_EQ(ReadBytes(file), QByteArray("[S]\nk=old\n"));
    EXPECT_TRUE(BufferIs(Section(file, "S", 64), u"k=old\0\0"s));
    // Another file of the folder is not held up by it.
    EXPECT_EQ(WritePrivateProfileStringW("S", "k", "v", dir.filePath("b.ini")), 1);
}

TEST(ProfileInterruptRefusal, ACopyGuardsEveryNameOfTheFile) {
    LocaleMode locale{true};
    QTemporaryDir dir;
    const QString file = dir.filePath("f.ini");
    const QString link = dir.filePath("g.ini");
    ASSERT_TRUE(WriteBytes(file, "[S]\nk=damaged\n"));
    ASSERT_EQ(::link(QFile::encodeName(file).constData(), QFile::encodeName(link).constData()), 0);
    const QString copy = dir.filePath(".f.ini.quillet-backup-Ab12Cd");
    ASSERT_TRUE(WriteBytes(copy, "[S]\nk=old\n"));
    EXPECT_EQ(WritePrivateProfileStringW("S", "k", "new", link), 0);
    EXPECT_EQ(CFileReplacer::InterruptedBackup(link), copy);
    EXPECT_EQ(ReadBytes(file), QByteArray("[S]\nk=damaged\n"));
    // A file of its own under a name alike is not held up.
    ASSERT_TRUE(QFile::remove(link));
    ASSERT_TRUE(WriteBytes(link, "[S]\nk=1\n"));
    EXPECT_EQ(WritePrivateProfileStringW("S", "k", "2", link), 1);
}

TEST(ProfileInterruptRefusal, ARestoredCopyReplacesTheDamagedTextWhichIsKept) {
    LocaleMode locale{true};
    QTemporaryDir dir;
    const QString file = dir.filePath("f.ini");
    const QString link = dir.filePath("g.ini");
    const QByteArray damaged = "[T]\r\nx=y\r\n1111\r\n[T]\r\nx=y\r\n";
    ASSERT_TRUE(WriteBytes(file, damaged));
    ASSERT_EQ(::link(QFile::encodeName(file).constData(), QFile::encodeName(link).constData()), 0);
    const QString copy = dir.filePath(".f.ini.quillet-backup-Ab12Cd");
    ASSERT_TRUE(WriteBytes(copy, "[T]\r\nx=y\r\n"));
    QString damagedCopy;
    QString reason;
    ASSERT_TRUE(CFileReplacer::RestoreBackup(file, copy, damagedCopy, reason))
        << reason.toStdString();
    // Put back into the file itself: its other name holds the old text too.
    EXPECT_EQ(ReadBytes(link), QByteArray("[T]\r\nx=y\r\n"));
    EXPECT_TRUE(QFileInfo(damagedCopy).fileName().startsWith("f.ini.damaged-"));
    EXPECT_EQ(ReadBytes(damagedCopy), damaged);
    EXPECT_FALSE(QFileInfo::exists(copy));
    EXPECT_EQ(WritePrivateProfileStringW("T", "x", "z", file), 1);
}
