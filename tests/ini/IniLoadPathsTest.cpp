// The platform's single-pass load against the load through the private-profile calls, which
// the loader's rules were first written for: on the same file both must build the same model
// or fail with the same message.
#include "ini/IniData.h"
#include "ini/ProfileAccess.h"
#include "platform/ProfileCache.h"
#include "platform/TextCodec.h"
#include "platform/WorkProgress.h"
#include "tests/common/LocaleMode.h"

#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

using Encoding = CTextCodec::Encoding;

// Everything a load leaves in the model, one line per item.
QString Describe(const CIniData& ini, bool ok, const QString& error) {
    QString out = ok ? u"loaded\n"_qs : u"failed: "_qs + error + u'\n';
    for (const auto& section : ini.m_sections) {
        out += u'[' + section->m_name + u"]\n"_qs;
        for (const auto& e : section->m_entries) {
            out += e->Key() + u'=' + e->Value();
            if (e->SavedValue() != e->Value() || e->m_isNew || e->m_pSection != section.get())
                out += u" (differs from the file)"_qs;
            out += u'\n';
        }
    }
    for (const auto& skipped : ini.SkippedSections())
        out += u"left out "_qs + skipped.name + u' ' + QString::number(skipped.size) + u'\n';
    return out;
}

QString Repeated(const QString& item, int count) {
    QString text;
    for (int i = 0; i < count; ++i)
        text += item.arg(i, 3, 10, QChar(u'0'));
    return text;
}

struct Row {
    const char* name;
    QString text;
    const char* outcome; // how the load ends in the Japanese mode: "loaded" or its message
};

const std::vector<Row>& Rows() {
    static const std::vector<Row> rows = {
        {"lines of every kind",
         u"k0=before any header\r\n; note\r\n[General]\r\na=b=c\r\n=x\r\n b = 1 \r\n;c=1\r\n"
         u"no equals\r\nd=\r\nA=dup\r\n\u3000=z\r\n\u3000k=1\r\n\u3000k=2\r\n\tkey\t=\tv\t\r\n"
         u"[]\r\nlost=1\r\n[Empty]\r\n[Other]ignored\r\nx=1\rx=2\ny=\u00a0v\u00a0\n[Last\r\n"
         u"Ｋｅｙ=1\r\nｋｅｙ=2\r\n"_qs,
         "loaded"},
        {"a name listed twice", u"[Main]\r\nk=1\r\n[Other]\r\n[MAIN]\r\nk=2\r\n[Last]\r\n"_qs,
         "同一セクションが複数存在します[MAIN]"},
        {"full-width names equal in the Japanese mode",
         u"[Ｓｅｃ]\r\nk=1\r\n[ｓｅｃ]\r\nk=2\r\n"_qs, "同一セクションが複数存在します[ｓｅｃ]"},
        {"a section too large, listed twice",
         u"[A]\r\nx=1\r\n[Big]\r\nk="_qs + QString(32762, u'v') +
             u"\r\n[C]\r\ny=2\r\n[BIG]\r\nz=3\r\n[D]\r\n"_qs,
         "loaded"},
        {"sections at the buffer's edge",
         u"[Fits]\r\nk="_qs + QString(32761, u'v') + u"\r\n[Text]\r\nk=1\r\n"_qs +
             Repeated(u"line %1 without equals\r\n"_qs, 1400) + u"[End]\r\nk=2\r\n"_qs,
         "loaded"},
        // 2,045 characters of names with their NULs fit the names buffer, 2,046 do not.
        {"names that just fit", Repeated(u"[Section%1]\r\nk=1\r\n"_qs, 185) + u"[Section12]\r\n"_qs,
         "loaded"},
        {"names one too many after a duplicate",
         u"[section001]\r\n"_qs + Repeated(u"[Section%1]\r\nk=1\r\n"_qs, 185), "バッファ不足です"},
        {"megabytes of entries, read a piece at a time",
         Repeated(u"[Section%1]\r\n"_qs + Repeated(u"key%1 = value of a longer entry\r\n"_qs, 900),
                  40),
         "loaded"},
        {"characters that look like byte order marks",
         u"[\uFEFFS]\r\n\uFEFFk=1\r\n[\uFFFET]\r\n\uFFFEx=2\r\n[\uFEFF]\r\n"_qs, "loaded"},
    };
    return rows;
}

class IniLoadPaths : public ::testing::Test {
protected:
    // Loads path through the platform's pass, or through the calls when `calls` is given.
    QString Load(const QString& path, CProfileAccess* calls) {
        CIniData ini(calls);
        QString error;
        const bool ok = ini.Load(path, error);
        return Describe(ini, ok, error);
    }

    QTemporaryDir dir;
};

TEST_F(IniLoadPaths, OnePassBuildsWhatTheCallsBuild) {
    CProfileAccess calls; // the platform's calls, without its single pass
    CProfileCache& cache = CProfileCache::Instance();
    for (const Encoding encoding : {Encoding::Utf8, Encoding::Utf8Bom, Encoding::Utf16LE,
                                    Encoding::Utf16BE, Encoding::Cp932}) {
        for (const Row& row : Rows()) {
            QByteArray bytes;
            if (!CTextCodec(encoding).encode(row.text, bytes))
                continue; // CP932 holds neither U+00A0 nor U+FEFF
            SCOPED_TRACE(std::string(row.name) + ", encoding " + std::to_string(int(encoding)));
            const QString path = dir.filePath(u"file.ini"_qs);
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(CTextCodec::Bom(encoding) + bytes);
            file.close();
            for (const bool japanese : {false, true}) {
                const LocaleMode mode(japanese);
                const std::uint64_t parsed = cache.parseCount();
                const QString onePass = Load(path, nullptr);
                EXPECT_EQ(cache.parseCount(), parsed); // no parsed copy of the file was made
                EXPECT_EQ(onePass, Load(path, &calls)) << "Japanese mode " << japanese;
                if (japanese) {
                    const QString outcome = QString::fromUtf8(row.outcome);
                    EXPECT_TRUE(onePass.startsWith(outcome + u'\n') ||
                                onePass.startsWith(u"failed: "_qs + outcome + u'\n'))
                        << onePass.left(200).toStdString();
                }
            }
        }
    }
}

TEST_F(IniLoadPaths, MissingAndEmptyFilesAgree) {
    CProfileAccess calls;
    QFile empty(dir.filePath(u"empty.ini"_qs));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    for (const QString& path : {dir.filePath(u"missing.ini"_qs), empty.fileName()}) {
        EXPECT_EQ(Load(path, nullptr), u"loaded\n"_qs);
        EXPECT_EQ(Load(path, &calls), u"loaded\n"_qs);
    }
}

TEST_F(IniLoadPaths, AStoppedLoadLeavesNoHalfModel) {
    const QString path = dir.filePath(u"stop.ini"_qs);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(Repeated(u"[Section%1]\r\n"_qs + Repeated(u"key%1=value\r\n"_qs, 500), 40).toUtf8());
    file.close();
    std::atomic<bool> stop = false;
    const CWorkProgress progress([&](qint64, qint64) { stop = true; }, &stop); // after a piece
    CIniData ini;
    QString error;
    EXPECT_FALSE(ini.Load(path, error));
    EXPECT_EQ(error, u"読み込みを中止しました"_qs);
    EXPECT_TRUE(ini.m_sections.empty());
    EXPECT_TRUE(ini.m_filePath.isEmpty());
}

// Loaded keys and values share blocks of memory and entries share slabs; each must still
// behave as a string and an object of its own, on any thread, after its file is gone.
TEST_F(IniLoadPaths, LoadedTextAndEntriesOutliveTheirFileAndThread) {
    const QString path = dir.filePath(u"share.ini"_qs);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[S]\r\na=1\r\nb=22\r\nc=333\r\n");
    file.close();
    std::unique_ptr<CIniData> ini;
    std::thread loader([&] {
        ini = std::make_unique<CIniData>();
        QString error;
        ini->Load(path, error);
    });
    loader.join();
    ASSERT_EQ(ini->m_sections.size(), 1u);
    CIniSectionData& section = *ini->m_sections[0];
    ASSERT_EQ(section.m_entries.size(), 3u);

    const QString b = section.m_entries[1]->Value();
    EXPECT_EQ(b.utf16()[b.size()], u'\0');
    QString a = section.m_entries[0]->Value();
    a.append(u"x"_qs);
    EXPECT_EQ(a, u"1x"_qs);
    EXPECT_EQ(section.m_entries[0]->Value(), u"1"_qs);
    EXPECT_EQ(section.m_entries[1]->Value(), u"22"_qs);

    std::unique_ptr<CIniEntryData> kept = section.TakeEntry(section.m_entries[2].get());
    QString value = kept->Value();
    ini.reset();
    EXPECT_EQ(kept->Key(), u"c"_qs);
    kept.reset();
    value.append(u"4"_qs); // the last string of its block may grow in place
    EXPECT_EQ(value, u"3334"_qs);
}

} // namespace
