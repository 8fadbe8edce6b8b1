// Many keys in one write: the bytes and the refusals must be exactly those of the same keys
// written one at a time, whatever the file looks like.

#include "ProfileTestSupport.h"

#include "platform/ProfileRemoval.h"
#include "platform/ProfileWriter.h"
#include "platform/TextCodec.h"

#include <QDir>
#include <cstdlib>
#include <random>
#include <sys/stat.h>

using namespace ProfileTest;
using Change = CProfileWriter::Change;

namespace {

// Random INI files and random keys to set in them, from one seed.
class RandomProfile {
public:
    explicit RandomProfile(unsigned seed) : m_random(seed) {}

    QByteArray file() {
        static const CTextCodec::Encoding kEncodings[] = {
            CTextCodec::Encoding::Utf8, CTextCodec::Encoding::Utf8Bom,
            CTextCodec::Encoding::Utf16LE, CTextCodec::Encoding::Utf16BE,
            CTextCodec::Encoding::Cp932};
        static const QString kBreaks[] = {u"\r\n"_qs, u"\n"_qs, u"\r"_qs};
        const CTextCodec::Encoding encoding = kEncodings[pick(5)];
        const int style = pick(4); // one of the three, or every line its own
        m_nonAscii = pick(3) == 0;
        QString text;
        const auto line = [&](const QString& s) {
            text += s + (style == 3 ? kBreaks[pick(3)] : kBreaks[style]);
        };
        for (int i = pick(3); i > 0; --i)
            line(pickOf({u"; head"_qs, u"free"_qs, u"k=0"_qs, QString()}));
        for (int s = pick(5); s > 0; --s) {
            line(Fill(pickOf({u"[%1]"_qs, u"[ %1 ]"_qs, u"[%1"_qs, u" \t[%1]x=1"_qs}), section()));
            for (int e = pick(6); e > 0; --e)
                line(Fill(pickOf({u"%1=%2"_qs, u"  %1 =  %2  "_qs, u";%1=%2"_qs, u"%1"_qs,
                                  QString(), u"=%2"_qs, u"\t%1=%2"_qs}),
                          key(), value()));
        }
        if (pick(3) == 0) // a last line without a break
            text += key() + u'=' + value();
        QByteArray bytes;
        CTextCodec(encoding).encode(text, bytes);
        return CTextCodec::Bom(encoding) + bytes;
    }

    std::vector<Change> changes() {
        std::vector<Change> list;
        for (int i = 1 + pick(10); i > 0; --i) {
            QString s = section(), k = key(), v = value();
            switch (pick(12)) { // now and then a name as the caller might spell it
            case 0:
                s = u' ' + s.toUpper() + u' ';
                break;
            case 1:
                k = u"\t"_qs + k;
                break;
            case 2:
                k = u";"_qs + k;
                break;
            case 3:
                k = u"\t[k"_qs;
                break; // reads back as a section header
            case 4:
                v = pickOf({u"a\r\n[B]"_qs, u"😀"_qs, u"〜"_qs, u"a\0b"_qs, u"  x=y"_qs});
                break;
            case 5:
                k = pickOf({u"k=x"_qs, u"[k"_qs, QString()});
                break;
            case 6:
                s = pickOf({u"a]b"_qs, u"\tA"_qs, QString()});
                break;
            case 7:
                list.push_back({s, k, QString(), Change::Kind::RemoveKey});
                continue;
            case 8:
                list.push_back({s, QString(), QString(), Change::Kind::RemoveSection});
                continue;
            }
            list.push_back({s, k, v});
        }
        return list;
    }

private:
    static QString Fill(QString pattern, const QString& name, const QString& value = QString()) {
        return pattern.replace(u"%1"_qs, name).replace(u"%2"_qs, value);
    }
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }
    QString pickOf(std::initializer_list<QString> list) {
        return list.begin()[pick(int(list.size()))];
    }
    QString section() { return pickOf({u"A"_qs, u"a"_qs, u"B"_qs, u"Sec"_qs, u"New"_qs}); }
    QString key() { return pickOf({u"k"_qs, u"K"_qs, u"n1"_qs, u"name"_qs, u"x"_qs}); }
    QString value() {
        if (m_nonAscii && pick(4) == 0)
            return pickOf({u"値"_qs, u"設定"_qs});
        return pickOf({u"1"_qs, QString(), u"v v"_qs, u" lead"_qs});
    }

    std::mt19937 m_random;
    bool m_nonAscii = false;
};

// The same changes one Edit (or one removal) at a time.
QByteArray EditOneByOne(QByteArray bytes, const std::vector<Change>& changes,
                        std::vector<QString>& reasons) {
    reasons.assign(changes.size(), QString());
    for (size_t i = 0; i < changes.size(); ++i) {
        const Change& c = changes[i];
        if (c.kind != Change::Kind::Set) {
            std::vector<QString> one;
            bytes = CProfileRemoval::Apply(
                bytes, {{c.section, c.key, c.kind == Change::Kind::RemoveSection}}, one);
            reasons[i] = one.front();
        } else if (auto edited =
                       CProfileWriter::Edit(bytes, c.section, c.key, c.value, &reasons[i])) {
            bytes = *edited;
        }
    }
    return bytes;
}

int CaseCount(int inSuite) {
    const char* count = std::getenv("QUILLET_WRITE_MANY_CASES");
    return count ? std::atoi(count) : inSuite;
}

class ProfileWriteMany : public ::testing::Test {
protected:
    LocaleMode m_locale{true};
    QTemporaryDir m_dir;
};

} // namespace

TEST_F(ProfileWriteMany, EditsInOnePassEqualEditsOneAtATime) {
    const int cases = CaseCount(600);
    for (int seed = 0; seed < cases; ++seed) {
        RandomProfile random(seed);
        const QByteArray file = random.file();
        const std::vector<Change> changes = random.changes();
        std::vector<QString> expectedReasons, reasons;
        const QByteArray expected = EditOneByOne(file, changes, expectedReasons);
        ASSERT_EQ(Printable(CProfileWriter::EditMany(file, changes, reasons)), Printable(expected))
            << "seed " << seed << ", file " << Printable(file);
        ASSERT_EQ(reasons, expectedReasons) << "seed " << seed;
    }
}

TEST_F(ProfileWriteMany, EditsThatChangeHowTheFileReadsEqualEditsOneAtATime) {
    struct Case {
        const char* name;
        QByteArray file;
        std::vector<Change> changes;
    };
    const QByteArray sjisValue = "[A]\r\nk=\x92\x6C\r\nx=1\r\n"; // k=値 in CP932
    const std::vector<Case> cases = {
        {"the last CP932 text goes, so the next key is UTF-8",
         sjisValue,
         {{"A", "k", "1"}, {"A", "y", "値"}, {"A", "k", "設定"}}},
        {"a key that reads back as a header",
         "[A]\r\nk=1\r\n",
         {{"A", "\t[h", "1"}, {"A", "k", "2"}, {"H", "z", "3"}}},
        {"lone CRs", "[A]\rk=1\r\n[B]\r", {{"A", "n", "1"}, {"B", "n", "2"}, {"C", "n", "3"}}},
        {"no break at the end", "[A]\nk=1", {{"A", "k", "2"}, {"A", "n", "3"}, {"B", "x", "4"}}},
        {"a CP932 character whose second byte is '[' starts a line",
         "[A]\r\n\x81\x5B=1\r\n[B]\r\nk=1\r\n", // ー=1
         {{"A", "ー", "2"}, {"A", "n", "3"}, {"B", "k", "4"}}},
        {"comment keys go in reverse",
         "[A]\r\nb=1\r\n;t\r\n",
         {{"A", "z", ""}, {"A", ";y", ""}, {"A", "a", ""}, {"A", ";c", ""}}},
    };
    for (const Case& c : cases) {
        std::vector<QString> expectedReasons, reasons;
        const QByteArray expected = EditOneByOne(c.file, c.changes, expectedReasons);
        EXPECT_EQ(Printable(CProfileWriter::EditMany(c.file, c.changes, reasons)),
                  Printable(expected))
            << c.name;
        EXPECT_EQ(reasons, expectedReasons) << c.name;
    }
}

TEST_F(ProfileWriteMany, OneWriteOnDiskEqualsWritesOneAtATime) {
    const int cases = CaseCount(60) / 10 + 1;
    int writes = 0;
    CProfileWriter::SetBeforeReplaceHook([&](const QString&) { ++writes; });
    for (int seed = 0; seed < cases; ++seed) {
        RandomProfile random(1000 + seed);
        const QByteArray file = random.file();
        const std::vector<Change> changes = random.changes();
        const QString once = m_dir.filePath(u"once.ini"_qs), each = m_dir.filePath(u"each.ini"_qs);
        ASSERT_TRUE(WriteBytes(once, file) && WriteBytes(each, file));
        std::vector<QString> expected;
        for (const Change& c : changes) {
            expected.push_back(CProfileWriter::WriteMany({c}, each).front());
        }
        writes = 0;
        EXPECT_EQ(CProfileWriter::WriteMany(changes, once), expected) << "seed " << seed;
        EXPECT_LE(writes, 1) << "seed " << seed;
        EXPECT_EQ(Printable(ReadBytes(once)), Printable(ReadBytes(each))) << "seed " << seed;
    }
    CProfileWriter::SetBeforeReplaceHook({});
}

TEST_F(ProfileWriteMany, AFailedWriteWritesNoneAndReportsAll) {
    const QString file = m_dir.filePath(u"ro.ini"_qs);
    const QByteArray text = "[\x90\xdd\x92\xe8]\r\nk=1\r\n"; // [設定] in CP932
    ASSERT_TRUE(WriteBytes(file, text));
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0444), 0);
    std::vector<size_t> heard;
    QStringList heardReasons;
    const std::vector<QString> reasons = CProfileWriter::WriteMany(
        {{"設定", "k", "2"}, {"設定", "e", "😀"}, {"B", "n", "1"}}, file, [&](size_t i) {
            heard.push_back(i);
            heardReasons.append(CProfileWriter::LastError());
        });
    const QString denied = QString::fromLocal8Bit(std::strerror(EACCES));
    EXPECT_EQ(reasons, (std::vector<QString>{denied, denied, denied}));
    EXPECT_EQ(heard, (std::vector<size_t>{0, 1, 2}));
    EXPECT_EQ(heardReasons, (QStringList{denied, denied, denied}));
    EXPECT_EQ(ReadBytes(file), text);

    // Writable again: the one its encoding cannot hold is left out, the others written.
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0644), 0);
    const std::vector<QString> partly =
        CProfileWriter::WriteMany({{"設定", "k", "2"}, {"設定", "e", "😀"}, {"B", "n", "1"}}, file);
    EXPECT_TRUE(partly[0].isEmpty() && partly[2].isEmpty());
    EXPECT_TRUE(partly[1].startsWith(u"the file's encoding (CP932) cannot hold"_qs));
    EXPECT_EQ(CProfileWriter::LastError(), partly[1]);
    EXPECT_EQ(ReadBytes(file), QByteArray("[\x90\xdd\x92\xe8]\r\nk=2\r\n[B]\r\nn=1\r\n"));
}
