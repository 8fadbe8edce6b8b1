// Loading real files that are unreadable, oversized, partly too large for the section buffer,
// or being saved by another process at the same moment.
#include "ini/IniData.h"
#include "ini/ProfileAccess.h"
#include "platform/ProfileApi.h"
#include "platform/RegularFile.h"
#include "tests/common/LocaleMode.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class IniFault : public ::testing::Test {
protected:
    QString Write(const QString& name, const QByteArray& bytes) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }

    // The load's result and message; the model when it succeeded.
    bool Load(const QString& path, std::unique_ptr<CIniData>& ini, QString& error) {
        ini = std::make_unique<CIniData>();
        return ini->Load(path, error);
    }

    LocaleMode locale{true};
    QTemporaryDir dir;
};

// A section of `entries` lines of about 18 characters each.
QByteArray Section(const QByteArray& name, int entries) {
    QByteArray text = "[" + name + "]\r\n";
    for (int i = 0; i < entries; ++i)
        text += "key" + QByteArray::number(i) + "=value" + QByteArray::number(i) + "\r\n";
    return text;
}

} // namespace

TEST_F(IniFault, FilesThatExistButCannotBeReadFailTheLoad) {
    const QString fifo = dir.filePath("fifo.ini");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    const QString huge = Write("huge.ini", "[A]\r\nk=v\r\n");
    ASSERT_EQ(::truncate(QFile::encodeName(huge).constData(), CRegularFile::kMaxSize + 1), 0);
    const QString sparse = Write("sparse.ini", "");
    ASSERT_EQ(::truncate(QFile::encodeName(sparse).constData(), 100LL * 1024 * 1024 * 1024), 0);

    struct Case {
        const char* name;
        QString path;
        QString error;
    };
    const QString unreadable = QStringLiteral("ファイルを読み込めません: ");
    const QString tooLarge = QStringLiteral("ファイルが大きすぎます: ");
    const std::vector<Case> cases = {
        {"an I/O error on read", "/proc/self/mem", unreadable + "/proc/self/mem"},
        {"a folder", dir.path(), unreadable + dir.path()},
        {"a FIFO, which must not block", fifo, unreadable + fifo},
        {"a device", "/dev/zero", unreadable + "/dev/zero"},
        {"one byte over the limit", huge, tooLarge + huge},
        {"a 100 GB sparse file", sparse, tooLarge + sparse},
    };
    for (const Case& c : cases) {
        std::unique_ptr<CIniData> ini;
        QString error;
        EXPECT_FALSE(Load(c.path, ini, error)) << c.name;
        EXPECT_EQ(error, c.error) << c.name;
        EXPECT_TRUE(ini->m_sections.empty()) << c.name;
        EXPECT_TRUE(ini->m_filePath.isEmpty()) << c.name;
    }
    // A missing file is still an empty model.
    std::unique_ptr<CIniData> ini;
    QString error;
    EXPECT_TRUE(Load(dir.filePath("missing.ini"), ini, error));
    EXPECT_TRUE(error.isEmpty());
}

TEST_F(IniFault, AFileWithoutReadPermissionFailsTheLoad) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads a file of mode 000 anyway";
    const QString path = Write("secret.ini", "[A]\r\nk=v\r\n");
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0), 0);
    std::unique_ptr<CIniData> ini;
    QString error;
    EXPECT_FALSE(Load(path, ini, error));
    EXPECT_EQ(error, QStringLiteral("ファイルを読み込めません: ") + path);
}

TEST_F(IniFault, SectionsLeftOutForTheirSizeAreRecorded) {
    // 2,000 lines of about 18 characters: well past the 32,767-character buffer.
    const QByteArray big = Section("Big", 2000);
    const QString path =
        Write("big.ini", Section("A", 2) + big + Section("B", 1) + Section("Huge", 3000));
    std::unique_ptr<CIniData> ini;
    QString error;
    ASSERT_TRUE(Load(path, ini, error));
    ASSERT_EQ(ini->m_sections.size(), 2u);
    EXPECT_EQ(ini->m_sections[0]->m_name, "A");
    EXPECT_EQ(ini->m_sections[1]->m_name, "B");
    const auto& skipped = ini->SkippedSections();
    ASSERT_EQ(skipped.size(), 2u);
    EXPECT_EQ(skipped[0].name, "Big");
    EXPECT_EQ(skipped[1].name, "Huge");
    // Each line with its NUL: the bytes of the section less its header and two per CRLF.
    EXPECT_EQ(skipped[0].size, big.size() - 7 - 2000);
    EXPECT_GT(skipped[1].size, skipped[0].size);

    std::unique_ptr<CIniData> small;
    ASSERT_TRUE(Load(Write("small.ini", Section("A", 2)), small, error));
    EXPECT_TRUE(small->SkippedSections().empty());
}

// The platform's profile functions, with a save by "another program" right after the load has
// read its first section.
class SaveDuringLoad : public CProfileAccess {
public:
    unsigned GetPrivateProfileSectionW(const QString& section, char16_t* buffer, unsigned size,
                                       const QString& path) override {
        const unsigned count =
            CProfileAccess::GetPrivateProfileSectionW(section, buffer, size, path);
        if (!saved)
            saved = ::WritePrivateProfileStringW("B", "n", "changed", path) == 1;
        return count;
    }
    bool saved = false;
};

TEST_F(IniFault, ASaveInTheMiddleOfALoadDoesNotShowInIt) {
    const QString path = Write("mid.ini", "[A]\r\nn=old\r\n[B]\r\nn=old\r\n");
    SaveDuringLoad profile;
    CIniData ini(&profile);
    QString error;
    ASSERT_TRUE(ini.Load(path, error));
    ASSERT_TRUE(profile.saved);
    ASSERT_EQ(ini.m_sections.size(), 2u);
    EXPECT_EQ(ini.m_sections[1]->m_entries[0]->Value(), "old");
    // The next load sees the save.
    CIniData after;
    ASSERT_TRUE(after.Load(path, error));
    EXPECT_EQ(after.m_sections[1]->m_entries[0]->Value(), "changed");
}

TEST_F(IniFault, ALoadDuringSavesSeesOneVersionOfTheFile) {
    // The writer sets A's counter, then B's, round after round: on disk B is always A or
    // A - 1. A load that mixed two versions would show B ahead of A, or behind by more. The
    // sections between them make each load long enough for a save to fall inside it. The
    // file has a second name, so that the writes are made in place: a reader must not see
    // one half done either.
    QByteArray between;
    for (int i = 0; i < 200; ++i)
        between += "[F" + QByteArray::number(i) + "]\r\nf=" + QByteArray(100, 'f') + "\r\n";
    const QString path = Write("live.ini", "[A]\r\nn=0\r\npad=" + QByteArray(4000, 'a') + "\r\n" +
                                               between + "[B]\r\nn=0\r\n");
    ASSERT_EQ(::link(QFile::encodeName(path).constData(),
                     QFile::encodeName(dir.filePath("link.ini")).constData()),
              0);
    const pid_t writer = ::fork();
    if (writer == 0) {
        for (int i = 1; i <= 150; ++i) {
            const QString n = QString::number(i);
            if (!WritePrivateProfileStringW("A", "n", n, path) ||
                !WritePrivateProfileStringW("B", "n", n, path))
                ::_exit(1);
            ::usleep(200); // as a script between two commands, not one endless write
        }
        ::_exit(0);
    }
    ASSERT_GT(writer, 0);
    int loads = 0, status = 0;
    while (::waitpid(writer, &status, WNOHANG) == 0) {
        std::unique_ptr<CIniData> ini;
        QString error;
        ASSERT_TRUE(Load(path, ini, error)) << error.toStdString();
        ASSERT_EQ(ini->m_sections.size(), 202u);
        ASSERT_EQ(ini->m_sections[0]->m_entries.size(), 2u);
        EXPECT_EQ(ini->m_sections[0]->m_entries[1]->Value().size(), 4000);
        const int a = ini->m_sections[0]->m_entries[0]->Value().toInt();
        const int b = ini->m_sections[201]->m_entries[0]->Value().toInt();
        EXPECT_TRUE(b == a || b == a - 1) << "A=" << a << " B=" << b;
        ++loads;
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_GT(loads, 5);
}

TEST_F(IniFault, KeysRepeatedAcrossSectionsKeepTheirOwnSpelling) {
    // Equal keys of one load share their text; keys that differ only in case must not.
    const QString path = Write("keys.ini", "[A]\r\nName=1\r\nport=2\r\n[B]\r\nname=3\r\nport=4\r\n"
                                           "[C]\r\nNAME=5\r\nport =6\r\n");
    std::unique_ptr<CIniData> ini;
    QString error;
    ASSERT_TRUE(Load(path, ini, error));
    ASSERT_EQ(ini->m_sections.size(), 3u);
    QStringList keys;
    for (const auto& section : ini->m_sections)
        for (const auto& entry : section->m_entries)
            keys << entry->Key() + u'=' + entry->Value();
    EXPECT_EQ(keys, (QStringList{"Name=1", "port=2", "name=3", "port=4", "NAME=5", "port=6"}));
    // An edit of one shared key's entry leaves the others alone.
    QString key = ini->m_sections[1]->m_entries[1]->Key();
    key.append(u'x');
    EXPECT_EQ(ini->m_sections[0]->m_entries[1]->Key(), "port");
    EXPECT_EQ(ini->m_sections[1]->m_entries[1]->Key(), "port");
}
