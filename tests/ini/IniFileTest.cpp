// The model through real files and the platform's profile functions: reading, writing back and
// what stays untouched in the file.
#include "ini/IniData.h"
#include "platform/WorkProgress.h"
#include "tests/ini/FakeProfile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <atomic>
#include <gtest/gtest.h>

namespace {

class IniFile : public ::testing::Test {
protected:
    QString Path(const QString& name) const { return dir.filePath(name); }

    QString Write(const QString& name, const QByteArray& bytes) {
        QFile file(Path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return Path(name);
    }

    static QByteArray Read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static QByteArray Cp932(const QString& text) {
        QStringEncoder encoder("CP932");
        QByteArray bytes = encoder.encode(text);
        EXPECT_FALSE(encoder.hasError());
        return bytes;
    }

    static QByteArray Utf16Le(const QString& text) {
        QByteArray bytes("\xFF\xFE", 2);
        for (QChar c : text) {
            bytes.append(char(c.unicode() & 0xFF));
            bytes.append(char(c.unicode() >> 8));
        }
        return bytes;
    }

    // Loads path into a fresh model; the error text, if any, lands in error.
    std::unique_ptr<CIniData> Load(const QString& path) {
        auto ini = std::make_unique<CIniData>();
        error.clear();
        if (!ini->Load(path, error))
            return nullptr;
        return ini;
    }

    QTemporaryDir dir;
    QString error;
};

TEST_F(IniFile, SectionsDifferingOnlyInCaseRefuseToLoad) {
    LocaleMode mode(true);
    const QString path = Write(u"dup.ini"_qs, "[Main]\r\nk=1\r\n[Other]\r\n[MAIN]\r\nk=2\r\n");
    EXPECT_EQ(Load(path), nullptr);
    EXPECT_EQ(error, u"同一セクションが複数存在します[MAIN]"_qs);
}

TEST_F(IniFile, ASectionTooLargeForTheBufferIsLeftOutAndStaysInTheFile) {
    QByteArray bytes = "[Before]\r\nx=1\r\n[Huge]\r\n";
    for (int i = 0; i < 3000; ++i)
        bytes += "key" + QByteArray::number(i) + "=value\r\n"; // about 40,000 characters
    bytes += "[After]\r\ny=2\r\n";
    const QString path = Write(u"huge.ini"_qs, bytes);
    auto ini = Load(path);
    ASSERT_NE(ini, nullptr) << error.toStdString();
    ASSERT_EQ(ini->m_sections.size(), 2u);
    EXPECT_EQ(ini->m_sections[0]->m_name, u"Before"_qs);
    EXPECT_EQ(ini->m_sections[1]->m_name, u"After"_qs);

    ini->m_sections[1]->m_entries[0]->SetValue(u"3"_qs);
    ini->Save();
    QByteArray expected = bytes;
    expected.replace("y=2", "y=3");
    EXPECT_EQ(Read(path), expected);
}

TEST_F(IniFile, LinesBecomeEntriesByTheLoadersRules) {
    const QString path = Write(u"lines.ini"_qs, "; header\r\n[S]\r\na=b=c\r\n=x\r\n b = 1 \r\n"
                                                ";c=1\r\nno equals\r\nd=\r\nA=dup\r\n");
    auto ini = Load(path);
    ASSERT_NE(ini, nullptr);
    ASSERT_EQ(ini->m_sections.size(), 1u);
    const auto& entries = ini->m_sections[0]->m_entries;
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0]->Key(), u"a"_qs);
    EXPECT_EQ(entries[0]->Value(), u"b=c"_qs);
    EXPECT_EQ(entries[1]->Key(), u"b"_qs);
    EXPECT_EQ(entries[1]->Value(), u"1"_qs);
    EXPECT_EQ(entries[2]->Key(), u"d"_qs);
    EXPECT_TRUE(entries[2]->Value().isEmpty());
}

TEST_F(IniFile, MissingAndEmptyFilesLoadAsEmptyModels) {
    for (const QString& path : {Path(u"missing.ini"_qs), Write(u"empty.ini"_qs, "")}) {
        auto ini = Load(path);
        ASSERT_NE(ini, nullptr);
        EXPECT_TRUE(ini->m_sections.empty());
        EXPECT_EQ(ini->m_filePath, path);
        EXPECT_TRUE(error.isEmpty());
    }
}

TEST_F(IniFile, JapaneseKeysRoundTripInShiftJisAndUtf16) {
    const QString text =
        u"; 設定ファイル\r\n[設定]\r\n名前=値\r\n色＝=赤\r\n[ＡＢＣ]\r\nｷｰ=～①\r\n"_qs;
    const QList<QPair<QString, QByteArray>> files = {{u"sjis.ini"_qs, Cp932(text)},
                                                     {u"utf16.ini"_qs, Utf16Le(text)}};
    LocaleMode mode(true);
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name.toStdString());
        const QString path = Write(name, bytes);
        auto ini = Load(path);
        ASSERT_NE(ini, nullptr);
        ASSERT_EQ(ini->m_sections.size(), 2u);
        CIniSectionData* settings = ini->FindSection(u"[設定]"_qs, true);
        ASSERT_NE(settings, nullptr);
        ASSERT_EQ(settings->m_entries.size(), 2u);
        EXPECT_EQ(settings->m_entries[0]->Key(), u"名前"_qs);
        EXPECT_EQ(settings->m_entries[1]->Key(), u"色＝"_qs);
        CIniSectionData* abc = ini->FindSection(u"ａｂｃ"_qs, false);
        ASSERT_NE(abc, nullptr);
        CIniEntryData* kana = abc->FindEntry(u"ｷｰ=x"_qs, true);
        ASSERT_NE(kana, nullptr);
        EXPECT_EQ(kana->Value(), u"～①"_qs);

        settings->m_entries[0]->SetValue(u"新しい値"_qs);
        ini->Save();
        const QString changed = QString(text).replace(u"名前=値"_qs, u"名前=新しい値"_qs);
        EXPECT_EQ(Read(path), name == u"sjis.ini" ? Cp932(changed) : Utf16Le(changed));
    }
}

TEST_F(IniFile, SavingChangesOnlyTheEditedKey) {
    const QByteArray original = "; comment\r\n\r\n[General]\r\nname = old  \r\nsize=1\r\n"
                                ";size=commented\r\n\r\n[Other]\r\nname=keep\r\nno equals here\r\n";
    const QString path = Write(u"edit.ini"_qs, original);
    auto ini = Load(path);
    ASSERT_NE(ini, nullptr);
    ini->FindSection(u"general"_qs, false)->FindEntry(u"NAME"_qs, false)->SetValue(u"new"_qs);
    ini->Save();

    QByteArray expected = original;
    expected.replace("name = old  ", "name = new");
    EXPECT_EQ(Read(path), expected);
    auto reloaded = Load(path);
    ASSERT_NE(reloaded, nullptr);
    EXPECT_EQ(reloaded->m_sections[0]->m_entries[0]->Value(), u"new"_qs);
    EXPECT_EQ(reloaded->m_sections[1]->m_entries[0]->Value(), u"keep"_qs);
}

TEST_F(IniFile, AddedEntriesAreWrittenEvenWithAnEmptyValue) {
    const QString path = Write(u"add.ini"_qs, "[A]\r\nx=1\r\n");
    auto ini = Load(path);
    ASSERT_NE(ini, nullptr);
    ini->AddEntry(u"a"_qs, u"empty"_qs, QString());
    ini->AddEntry(u"B"_qs, u"k"_qs, u"v"_qs);
    ini->Save();
    EXPECT_EQ(Read(path), QByteArray("[A]\r\nx=1\r\nempty=\r\n[B]\r\nk=v\r\n"));
    auto reloaded = Load(path);
    ASSERT_NE(reloaded, nullptr);
    CIniEntryData* empty = reloaded->m_sections[0]->FindEntry(u"empty"_qs, false);
    ASSERT_NE(empty, nullptr);
    EXPECT_TRUE(empty->Value().isEmpty());
}

TEST_F(IniFile, RemovalsAreSavedWithTheEditsAndAnUndoneOneIsNot) {
    const QString path =
        Write(u"remove.ini"_qs, "[A]\r\nx=1\r\ny=2\r\n;about B\r\n[B]\r\nb=1\r\n[C]\r\nc=1\r\n");
    auto ini = Load(path);
    ASSERT_NE(ini, nullptr);
    CIniSectionData* a = ini->FindSection(u"A"_qs, false);
    a->FindEntry(u"x"_qs, false)->SetValue(u"9"_qs);
    EXPECT_NE(ini->RemoveEntryFromFile(a->FindEntry(u"y"_qs, false)), nullptr);
    EXPECT_NE(ini->RemoveSectionFromFile(ini->FindSection(u"B"_qs, false)), nullptr);
    // Taken out and linked back in, as an undo does: the file keeps it.
    ini->AppendSection(ini->RemoveSectionFromFile(ini->FindSection(u"C"_qs, false)));
    // An entry that never reached the file leaves nothing to remove there.
    EXPECT_NE(ini->RemoveEntryFromFile(ini->AddEntry(u"A"_qs, u"new"_qs, u"1"_qs)), nullptr);
    ini->Save();
    EXPECT_EQ(Read(path), QByteArray("[A]\r\nx=9\r\n;about B\r\n[C]\r\nc=1\r\n"));
    EXPECT_TRUE(ini->PendingChanges().empty());
}

TEST_F(IniFile, NothingChangedLeavesTheFileAlone) {
    const QByteArray original = "[A]\nx = 1\n";
    const QString path = Write(u"same.ini"_qs, original);
    const QDateTime past = QDateTime::currentDateTimeUtc().addDays(-3);
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(past, QFileDevice::FileModificationTime));
    }
    auto ini = Load(path);
    ASSERT_NE(ini, nullptr);
    ini->m_sections[0]->m_entries[0]->SetValue(u"2"_qs);
    ini->m_sections[0]->m_entries[0]->SetValue(u"1"_qs);
    ini->Save();
    EXPECT_EQ(Read(path), original);
    EXPECT_EQ(QFileInfo(path).lastModified().toUTC(), past);
}

TEST_F(IniFile, AWriteIntoAMissingFolderFailsAndKeepsTheEntryDirty) {
    const QString path = Path(u"no/such/folder/x.ini"_qs);
    auto ini = Load(path);
    ASSERT_NE(ini, nullptr);
    CIniEntryData* entry = ini->AddEntry(u"S"_qs, u"k"_qs, u"v"_qs);
    ini->Save();
    EXPECT_TRUE(entry->m_isNew);
    EXPECT_TRUE(entry->m_pSection->m_isNew);
    EXPECT_FALSE(QFileInfo::exists(Path(u"no"_qs)));
}

// A load reports its way through the text and, asked to stop part-way, fails with the stop
// message and leaves no half-read file cached for the next load.
TEST_F(IniFile, AStoppedLoadFailsAndTheNextLoadReadsTheWholeFile) {
    QByteArray text;
    for (int s = 0; s < 40; ++s) {
        text += "[s" + QByteArray::number(s) + "]\r\n";
        for (int e = 0; e < 500; ++e)
            text += "key" + QByteArray::number(e) + "=value\r\n";
    }
    const QString path = Write(u"big.ini"_qs, text); // several pieces of text to decode

    std::atomic<bool> stop = false;
    std::vector<std::pair<qint64, qint64>> reports;
    {
        const CWorkProgress progress(
            [&](qint64 done, qint64 total) {
                reports.emplace_back(done, total);
                stop = true; // asked to stop after the first piece
            },
            &stop);
        EXPECT_EQ(Load(path), nullptr);
        EXPECT_EQ(error, u"読み込みを中止しました"_qs);
    }
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_LT(reports[0].first, reports[0].second);

    reports.clear();
    const CWorkProgress progress(
        [&](qint64 done, qint64 total) { reports.emplace_back(done, total); });
    const auto ini = Load(path);
    ASSERT_NE(ini, nullptr) << error.toStdString();
    ASSERT_EQ(ini->m_sections.size(), 40u);
    EXPECT_EQ(ini->m_sections.back()->m_entries.size(), 500u);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back().first, reports.back().second);
}

} // namespace
