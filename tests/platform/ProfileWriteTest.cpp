// The writer: the recorded Windows cases as a table, failures that must leave the file
// alone, file properties, and a seeded random test of the in-place editing.

#include "ProfileTestSupport.h"

#include "platform/ProfileWriter.h"
#include "platform/TextCodec.h"
#include "platform/TextUtil.h"
#include "platform/WorkProgress.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <atomic>
#include <csignal>
#include <optional>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace std::string_literals;
using namespace ProfileTest;

namespace {

struct Call {
    QString section, key, value;
};

struct WriteCase {
    const char* id;
    std::optional<std::string> file; // nullopt: no file yet
    std::vector<Call> calls;
    std::string expected;
};

class ProfileWrite : public ::testing::Test {
protected:
    QString path(const QString& name) const { return m_dir.filePath(name); }

    LocaleMode m_locale{true}; // as both programs run
    QTemporaryDir m_dir;
};

bool IsRoot() {
    return ::geteuid() == 0;
}

mode_t ModeOf(const QString& path) {
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

} // namespace

TEST_F(ProfileWrite, Table) {
    const std::vector<WriteCase> cases = {
        {"W1 new file", std::nullopt, {{"App", "key", "string"}}, "[App]\r\nkey=string\r\n"},
        {"W3 new sections and keys in call order",
         std::nullopt,
         {{"App1", "key1", "string1"},
          {"App1", "key2", "string2"},
          {"App1", "key3", "string3"},
          {"App2", "key4", "string4"},
          {"App3", "key5", "string5"}},
         "[App1]\r\nkey1=string1\r\nkey2=string2\r\nkey3=string3\r\n[App2]\r\nkey4=string4\r\n"
         "[App3]\r\nkey5=string5\r\n"},
        {"W4 spelling kept, last line gets a break",
         "[S]\r\nTestKey=TestValue",
         {{"s", "TESTKEY", "v2"}},
         "[S]\r\nTestKey=v2\r\n"},
        {"W5 rewrites in place, additions in order",
         "[S]\r\nb=value\r\na=value\r\n",
         {{"S", "z", ""}, {"S", "b", ""}, {"S", "y", ""}, {"S", "a", ""}},
         "[S]\r\nb=\r\na=\r\nz=\r\ny=\r\n"},
        {"W6 after the last entry, before trailing comments",
         ";c0\r\n[S]\r\n;c1\r\nb=1\r\n;c2\r\na=1\r\n;tail\r\n[T]\r\n",
         {{"S", "z", ""}},
         ";c0\r\n[S]\r\n;c1\r\nb=1\r\n;c2\r\na=1\r\nz=\r\n;tail\r\n[T]\r\n"},
        {"W6 comments written by the writer end up reversed",
         "[S]\r\n",
         {{"S", "z", ""}, {"S", ";y", ""}, {"S", "a", ""}, {"S", ";b", ""}, {"S", ";c", ""}},
         "[S]\r\nz=\r\na=\r\n;c=\r\n;b=\r\n;y=\r\n"},
        {"W7 before trailing blank lines",
         "[S]\r\na=1\r\n\r\n[T]\r\nx=1\r\n",
         {{"S", "b", "2"}},
         "[S]\r\na=1\r\nb=2\r\n\r\n[T]\r\nx=1\r\n"},
        {"W8 NUL bytes before the first header kept",
         "Data \0 x\0 end"s,
         {{"section1", "key1", "string1"}},
         "Data \0 x\0 end\r\n[section1]\r\nkey1=string1\r\n"s},
        {"W9 new section after a blank line",
         "[A]\r\nx=1\r\n\r\n",
         {{"B", "k", "v"}},
         "[A]\r\nx=1\r\n\r\n[B]\r\nk=v\r\n"},
        {"W10 up to the = and its blanks kept",
         "; hdr\r\nfree\r\n[A]\r\n  x = 1 ;note\r\n",
         {{"A", "x", "2"}},
         "; hdr\r\nfree\r\n[A]\r\n  x = 2\r\n"},
        {"W11 first duplicate key",
         "[S]\r\nk=1\r\nk=2\r\n",
         {{"S", "k", "9"}},
         "[S]\r\nk=9\r\nk=2\r\n"},
        {"W12 first duplicate section",
         "[A]\r\nx=1\r\n[B]\r\n[a]\r\ny=2\r\n",
         {{"A", "y", "3"}},
         "[A]\r\nx=1\r\ny=3\r\n[B]\r\n[a]\r\ny=2\r\n"},
        {"W13 spaces trimmed from section and key, value verbatim",
         std::nullopt,
         {{" sec ", " key ", " v "}},
         "[sec]\r\nkey= v \r\n"},
        {"W14 a ;key is written", std::nullopt, {{"S", ";k", "1"}}, "[S]\r\n;k=1\r\n"},
        {"W18 LF file gets LF", "[A]\nx=1\n", {{"A", "y", "2"}}, "[A]\nx=1\ny=2\n"},
        {"CR-only file gets CR",
         "[A]\rx=1\r",
         {{"A", "y", "2"}, {"B", "k", "v"}},
         "[A]\rx=1\ry=2\r[B]\rk=v\r"},
        {"tie between LF and CRLF gives CRLF",
         "[A]\nx=1\r\n",
         {{"B", "k", "v"}},
         "[A]\nx=1\r\n[B]\r\nk=v\r\n"},
        {"rewritten line keeps its own break",
         "[A]\r\nx=1\ny=1\r\n",
         {{"A", "x", "2"}},
         "[A]\r\nx=2\ny=1\r\n"},
        {"zero-byte file: no leading break", "", {{"A", "k", "v"}}, "[A]\r\nk=v\r\n"},
        {"no break at the end before a new section",
         "[A]\r\nx=1",
         {{"B", "k", "v"}},
         "[A]\r\nx=1\r\n[B]\r\nk=v\r\n"},
        {"new key after a last line without break",
         "[A]\nx=1\ny=1",
         {{"A", "z", "2"}},
         "[A]\nx=1\ny=1\nz=2\n"},
        {"section without entries: right after its header",
         "[S]\r\n;c\r\n\r\n[T]\r\n",
         {{"S", "k", "v"}},
         "[S]\r\nk=v\r\n;c\r\n\r\n[T]\r\n"},
        {"blanks around the key in the file",
         "[A]\r\n \t key \v=old\r\n",
         {{"A", " KEY ", "new"}},
         "[A]\r\n \t key \v=new\r\n"},
        {"a tab in the key is significant",
         "[A]\r\nkey=old\r\n",
         {{"A", "\tkey", "new"}},
         "[A]\r\nkey=old\r\n\tkey=new\r\n"},
        {"a line without = is not the key",
         "[A]\r\nname3\r\n",
         {{"A", "name3", "v"}},
         "[A]\r\nname3\r\nname3=v\r\n"},
        {"blank value, and = in the value",
         "[A]\r\nx=\r\ny=1\r\n",
         {{"A", "x", "a=b"}, {"A", "y", ""}},
         "[A]\r\nx=a=b\r\ny=\r\n"},
        {"header with text after ] and one without ]",
         "[A]k=1\r\n[B  \r\nk=1\r\n",
         {{"A", "k", "2"}, {"B", "k", "3"}},
         "[A]k=1\r\nk=2\r\n[B  \r\nk=3\r\n"},
        {"[] section", "k=0\r\n[]\r\nk=1\r\n", {{" ", "k", "2"}}, "k=0\r\n[]\r\nk=2\r\n"},
        {"lines before the first header never match",
         "k=0\r\n[A]\r\n",
         {{"A", "k", "1"}},
         "k=0\r\n[A]\r\nk=1\r\n"},
        {"NUL ends the arguments",
         "[A]\r\n",
         {{QString::fromStdU16String(u"A\0B"s), QString::fromStdU16String(u"k\0x"s),
           QString::fromStdU16String(u"v\0w"s)}},
         "[A]\r\nk=v\r\n"},
        {"fullwidth letters fold", "[Ａ]\r\nＫ=1\r\n", {{"ａ", "ｋ", "2"}}, "[Ａ]\r\nＫ=2\r\n"},
        {"NUL inside a line: the key is what comes before it",
         "[A]\r\nk=1\0tail\r\n"s,
         {{"A", "k", "2"}},
         "[A]\r\nk=2\r\n"},
    };
    for (const WriteCase& c : cases) {
        SCOPED_TRACE(c.id);
        const QString file = path(QString("%1.ini").arg(&c - cases.data()));
        if (c.file) {
            ASSERT_TRUE(WriteBytes(file, Bytes(*c.file)));
        }
        for (const Call& call : c.calls)
            EXPECT_EQ(WritePrivateProfileStringW(call.section, call.key, call.value, file), 1);
        EXPECT_EQ(Printable(ReadBytes(file)), Printable(Bytes(c.expected)));
    }
}

TEST_F(ProfileWrite, W2MissingFolderCreatesNothing) {
    const QString file = path("missing/sub/f.ini");
    EXPECT_EQ(WritePrivateProfileStringW("A", "k", "v", file), 0);
    EXPECT_FALSE(QFileInfo::exists(path("missing")));
}

// A stop asked for while a write runs (or before it, on a thread whose load was stopped) is
// never heard inside it: a write cut off half-way could leave the file half-written.
TEST_F(ProfileWrite, AWriteRunsToItsEndWhateverStopIsAskedFor) {
    const QString file = path("stop.ini");
    ASSERT_TRUE(WriteBytes(file, QByteArray("[S]\r\n") + QByteArray(200000, 'x') + "=1\r\n"));
    const std::atomic<bool> stop = true;
    int reports = 0;
    const CWorkProgress progress([&](qint64, qint64) { ++reports; }, &stop);
    EXPECT_EQ(WritePrivateProfileStringW("S", "k", "v", file), 1);
    EXPECT_TRUE(ReadBytes(file).endsWith("=1\r\nk=v\r\n"));
    EXPECT_GT(reports, 0); // the window still hears how far the write has come
}

TEST_F(ProfileWrite, W14CommentKeyIsGoneOnRead) {
    const QString file = path("w14.ini");
    ASSERT_EQ(WritePrivateProfileStringW("S", ";k", "1", file), 1);
    EXPECT_TRUE(BufferIs(Section(file, "S", 100), u"\0"s));
    ASSERT_EQ(WritePrivateProfileStringW("S", ";k", "2", file), 1); // never matches: added again
    EXPECT_EQ(ReadBytes(file), "[S]\r\n;k=2\r\n;k=1\r\n");
}

TEST_F(ProfileWrite, KeyMatchFollowsTheCaseSwitch) {
    const QString file = path("case.ini");
    ASSERT_TRUE(WriteBytes(file, "[A]\r\nＫ=1\r\n"));
    LocaleMode ascii(false);
    ASSERT_EQ(WritePrivateProfileStringW("A", "ｋ", "2", file), 1);
    EXPECT_EQ(ReadBytes(file), "[A]\r\nＫ=1\r\nｋ=2\r\n");
}

// Failures: each returns 0 and leaves every byte as it was.

namespace {

const QByteArray kOriginal = "[A]\r\nk=1\r\n";

} // namespace

TEST_F(ProfileWrite, ReadOnlyFileIsRefused) {
    const QString file = path("ro.ini");
    ASSERT_TRUE(WriteBytes(file, kOriginal));
    // Without any write bit the file counts as read-only, for root too (whom the kernel
    // would let write): that is how Windows treats its read-only attribute.
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0444), 0);
    EXPECT_EQ(WritePrivateProfileStringW("A", "k", "2", file), 0);
    EXPECT_EQ(ReadBytes(file), kOriginal);
    EXPECT_EQ(ModeOf(file), 0444u);
}

TEST_F(ProfileWrite, FileWritableOnlyByOthersIsRefused) {
    if (IsRoot())
        GTEST_SKIP() << "root passes every permission check but the no-write-bit one";
    const QString file = path("others.ini");
    ASSERT_TRUE(WriteBytes(file, kOriginal));
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0466), 0);
    EXPECT_EQ(WritePrivateProfileStringW("A", "k", "2", file), 0);
    EXPECT_EQ(ReadBytes(file), kOriginal);
}

TEST_F(ProfileWrite, ReadOnlyFolderIsRefused) {
    if (IsRoot())
        GTEST_SKIP() << "root may create files in a folder without write permission, so the "
                        "temporary file cannot be refused";
    QDir(m_dir.path()).mkdir("ro");
    const QString file = path("ro/f.ini");
    ASSERT_TRUE(WriteBytes(file, kOriginal));
    ASSERT_EQ(::chmod(QFile::encodeName(path("ro")).constData(), 0555), 0);
    EXPECT_EQ(WritePrivateProfileStringW("A", "k", "2", file), 0);
    EXPECT_EQ(WritePrivateProfileStringW("A", "k", "2", path("ro/new.ini")), 0);
    ::chmod(QFile::encodeName(path("ro")).constData(), 0755);
    EXPECT_EQ(ReadBytes(file), kOriginal);
    EXPECT_EQ(QDir(path("ro")).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST_F(ProfileWrite, PathThatIsNoFileIsRefused) {
    QDir(m_dir.path()).mkdir("dir.ini");
    EXPECT_EQ(WritePrivateProfileStringW("A", "k", "v", path("dir.ini")), 0);
    EXPECT_TRUE(QFileInfo(path("dir.ini")).isDir());
    EXPECT_TRUE(QDir(path("dir.ini")).isEmpty());
    EXPECT_EQ(WritePrivateProfileStringW("A", "k", "v", ""), 0);
    // A folder where a file's parent should be.
    ASSERT_TRUE(WriteBytes(path("plain"), kOriginal));
    EXPECT_EQ(WritePrivateProfileStringW("A", "k", "v", path("plain/f.ini")), 0);
    EXPECT_EQ(ReadBytes(path("plain")), kOriginal);
}

TEST_F(ProfileWrite, UnencodableValueIsRefused) {
    struct Case {
        const char* id;
        QByteArray file;
        QString section, key, value;
    };
    const QByteArray cp932 = "[\x90\xDD\x92\xE8]\r\nk=1\r\n"; // [設定] in CP932
    const std::vector<Case> cases = {
        {"emoji into CP932", cp932, "設定", "k", "😀"},
        {"emoji key into CP932", cp932, "設定", "😀", "1"},
        {"emoji section into CP932", cp932, "😀", "k", "1"},
        {"WAVE DASH maps to 0x8160 only one way", cp932, "設定", "k", "\u301C"},
        {"YEN SIGN would come back as a backslash", cp932, "設定", "k", "\u00A5"},
        {"unpaired surrogate into UTF-8", kOriginal, "A", "k", QString(QChar(0xD800))},
        {"unpaired surrogate at the start", kOriginal, "A", "k", QString(QChar(0xDC00)) + "x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const QString file = path("enc.ini");
        ASSERT_TRUE(WriteBytes(file, c.file));
        EXPECT_EQ(WritePrivateProfileStringW(c.section, c.key, c.value, file), 0);
        EXPECT_EQ(ReadBytes(file), c.file);
    }
    // The same emoji is fine in every Unicode encoding.
    const QString file = path("utf8.ini");
    ASSERT_TRUE(WriteBytes(file, kOriginal));
    EXPECT_EQ(WritePrivateProfileStringW("A", "k", "😀", file), 1);
    EXPECT_EQ(ReadBytes(file), "[A]\r\nk=\xF0\x9F\x98\x80\r\n");
}

// Asked before a write, the answer must be the writer's own: a value it refuses for its
// encoding is one CanHold refuses, and one it takes is one CanHold takes.
TEST_F(ProfileWrite, CanHoldAnswersAsTheWriteWill) {
    struct Case {
        const char* id;
        std::optional<QByteArray> file; // nullopt: no file yet
        QString text;
        bool holds;
    };
    const QByteArray cp932 = "[\x90\xDD\x92\xE8]\r\nk=1\r\n"; // [設定] in CP932
    const QByteArray utf16("\xFF\xFE[\0A\0]\0\r\0\n\0k\0=\0\x31\0\r\0\n\0", 20);
    const std::vector<Case> cases = {
        {"Japanese into CP932", cp932, "値です", true},
        {"emoji into CP932", cp932, "a😀", false},
        {"WAVE DASH into CP932", cp932, "\u301C", false},
        {"emoji into UTF-8", kOriginal, "😀", true},
        {"emoji into UTF-16LE", utf16, "😀", true},
        {"unpaired surrogate into UTF-8", kOriginal, QString(QChar(0xD800)), false},
        {"emoji into a file not there yet", std::nullopt, "😀", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const QString file = path("hold.ini");
        QFile::remove(file);
        if (c.file) {
            ASSERT_TRUE(WriteBytes(file, *c.file));
        }
        EXPECT_EQ(CProfileWriter::CanHold(file, c.text), c.holds);
        EXPECT_EQ(WritePrivateProfileStringW("A", "k", c.text, file), c.holds ? 1 : 0);
    }
}

TEST_F(ProfileWrite, TextThatWouldAddLinesIsRefused) {
    struct Case {
        const char* id;
        QString section, key, value;
    };
    const std::vector<Case> cases = {
        {"line break in the value adds a section", "A", "k", "x\r\n[B]\r\ny=1"},
        {"LF alone in the value", "A", "k", "x\ny=1"},
        {"CR alone in the value", "A", "k", "x\ry=1"},
        {"line break in the key", "A", "k\nz", "1"},
        {"line break in the section", "A\r\n[B", "k", "1"},
        {"'=' in the key reads back as another key", "A", "k=1", "v"},
        {"key starting with '[' would be a header", "A", "[k", "v"},
        {"']' in the section name cuts the header", "a]b", "k", "v"},
    };
    for (const bool existing : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.id) + (existing ? ", existing file" : ", new file"));
            const QString file = path("lines.ini");
            QFile::remove(file);
            if (existing) {
                ASSERT_TRUE(WriteBytes(file, kOriginal));
            }
            EXPECT_EQ(WritePrivateProfileStringW(c.section, c.key, c.value, file), 0);
            if (existing) {
                EXPECT_EQ(ReadBytes(file), kOriginal);
            } else {
                EXPECT_FALSE(QFileInfo::exists(file));
            }
        }
    }
    // What stays allowed: '=', ';' and '[' inside a value, ';' and ']' inside a key.
    const QString file = path("ok.ini");
    ASSERT_TRUE(WriteBytes(file, kOriginal));
    EXPECT_EQ(WritePrivateProfileStringW("A", "k]", "=;[x]", file), 1);
    EXPECT_EQ(ReadBytes(file), "[A]\r\nk=1\r\nk]==;[x]\r\n");
}

TEST_F(ProfileWrite, DamagedUtf16IsRefused) {
    const QString file = path("odd.ini");
    const QByteArray odd("\xFF\xFE[\0A\0]\0\r\0\n\0x", 13);
    ASSERT_TRUE(WriteBytes(file, odd));
    EXPECT_EQ(WritePrivateProfileStringW("A", "k", "v", file), 0);
    EXPECT_EQ(ReadBytes(file), odd);
}

TEST_F(ProfileWrite, FailedWriteLeavesTheOldFile) {
    // A file size limit makes the write of the temporary file fail part way, as a full disk
    // would; unlike permissions, it stops root too.
    const QString file = path("full.ini");
    QByteArray original = "[A]\r\nk=1\r\n";
    original.append(QByteArray(3000, ';'));
    ASSERT_TRUE(WriteBytes(file, original));
    struct rlimit previous;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = previous;
    limited.rlim_cur = 2000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const int ret = WritePrivateProfileStringW("A", "k", "2", file);
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(ret, 0);
    EXPECT_EQ(ReadBytes(file), original);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1)
        << "the temporary file is left behind";
}

TEST_F(ProfileWrite, FileModeSurvives) {
    const QString file = path("mode.ini");
    ASSERT_TRUE(WriteBytes(file, kOriginal));
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0640), 0);
    ASSERT_EQ(WritePrivateProfileStringW("A", "k", "2", file), 1);
    EXPECT_EQ(ModeOf(file), 0640u);
    // A new file gets the usual mode for new files, not a temporary file's 0600.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ASSERT_EQ(WritePrivateProfileStringW("A", "k", "2", path("new.ini")), 1);
    EXPECT_EQ(ModeOf(path("new.ini")), 0666u & ~mask);
}

TEST_F(ProfileWrite, OwnerSurvivesWhereItMay) {
    if (!IsRoot())
        GTEST_SKIP() << "only root may give a file to another user";
    const QString file = path("owned.ini");
    ASSERT_TRUE(WriteBytes(file, kOriginal));
    ASSERT_EQ(::chown(QFile::encodeName(file).constData(), 65534, 65534), 0);
    ASSERT_EQ(WritePrivateProfileStringW("A", "k", "2", file), 1);
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
}

TEST_F(ProfileWrite, SymlinkedPathReplacesTheTarget) {
    QDir(m_dir.path()).mkdir("real");
    const QString target = path("real/t.ini");
    const QString link = path("link.ini");
    ASSERT_TRUE(WriteBytes(target, kOriginal));
    ASSERT_TRUE(QFile::link(target, link));
    ASSERT_EQ(WritePrivateProfileStringW("A", "k", "2", link), 1);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(ReadBytes(target), "[A]\r\nk=2\r\n");
    // A link whose target does not exist yet creates the target.
    const QString dangling = path("dangling.ini");
    ASSERT_TRUE(QFile::link(path("real/later.ini"), dangling));
    ASSERT_EQ(WritePrivateProfileStringW("A", "k", "3", dangling), 1);
    EXPECT_TRUE(QFileInfo(dangling).isSymLink());
    EXPECT_EQ(ReadBytes(path("real/later.ini")), "[A]\r\nk=3\r\n");
}

// Seeded random files and writes: after each write every line but the one written is byte
// for byte as before, and the reader returns what was written.

namespace {

using Encoding = CTextCodec::Encoding;

class RandomProfile {
public:
    explicit RandomProfile(unsigned seed) : m_random(seed) {}

    int below(int n) { return int(m_random() % unsigned(n)); }
    bool chance(int percent) { return below(100) < percent; }

    // Characters every encoding can hold, CP932 included, and some that only Unicode can.
    QString word(int maxLength, bool unicodeOnly) {
        static const QString pool = QStringLiteral("abcXYZ019_-.:@#!\"'()~\\"
                                                   "あいカナ漢字設定値名前ＡＢａｂΩω"
                                                   "\uFF5E\u2225\uFF0D\u2460");
        static const QStringList wide = {QStringLiteral("\U0001F600"), QStringLiteral("\u20AC"),
                                         QStringLiteral("\u00A5"), QStringLiteral("\u301C")};
        QString s;
        for (int length = below(maxLength + 1); length > 0; --length) {
            if (unicodeOnly && chance(10))
                s += wide.at(below(int(wide.size())));
            else
                s += pool.at(below(int(pool.size())));
        }
        return s;
    }

    QString blanks() {
        static const char16_t blank[] = {u' ', u'\t', u'\v'};
        QString s;
        for (int n = below(3); n > 0; --n)
            s += QChar(blank[below(3)]);
        return s;
    }

    // A key the writer can find again: no '=', no line break, not a comment or header, no
    // tab or VT at its ends (only spaces, which the writer trims as well).
    QString key(bool unicodeOnly) {
        QString k = word(6, unicodeOnly);
        k.remove(u'=');
        while (!k.isEmpty() && (k.front() == u';' || k.front() == u'['))
            k.remove(0, 1);
        if (chance(20))
            k = u' ' + k + u' ';
        return k;
    }

    QString value(bool unicodeOnly) {
        QString v;
        for (int parts = below(4); parts > 0; --parts) {
            switch (below(6)) {
            case 0:
                v += blanks();
                break;
            case 1:
                v += u'=';
                break;
            case 2:
                v += u';';
                break;
            case 3:
                v += u'[';
                break;
            default:
                v += word(5, unicodeOnly);
                break;
            }
        }
        return v;
    }

    QString sectionName() {
        QString s = word(4, false);
        s.remove(u']');
        return s;
    }

    // A file of random lines, as text with mixed line ends.
    QString text(std::vector<QString>& sections) {
        static const char16_t* const ends[] = {u"\r\n", u"\n", u"\r"};
        const int mainEnd = below(3);
        QString text;
        for (int lines = below(30); lines > 0; --lines) {
            QString line;
            switch (below(8)) {
            case 0:
                line = blanks() + u';' + word(8, false);
                break;
            case 1:
                line = blanks();
                break;
            case 2:
                line = word(8, false).remove(u'=').remove(u'[');
                break; // text line
            case 3:
            case 4: {
                const QString name = chance(30) && !sections.empty()
                                         ? sections[size_t(below(int(sections.size())))]
                                         : sectionName();
                sections.push_back(name);
                line = blanks() + u'[' + blanks() + name + blanks() +
                       QString::fromUtf16(chance(90) ? u"]" : u"") +
                       QString::fromUtf16(chance(20) ? u"x=1" : u"");
                break;
            }
            default:
                line = blanks() + key(false).trimmed() + blanks() + u'=' + blanks() + value(false);
                break;
            }
            text += line + QString::fromUtf16(chance(90) ? ends[mainEnd] : ends[below(3)]);
        }
        if (chance(20))
            text.chop(text.endsWith(u"\r\n") ? 2 : (text.isEmpty() ? 0 : 1));
        return text;
    }

private:
    std::mt19937 m_random;
};

QByteArray Encode(const QString& text, Encoding encoding) {
    QByteArray bytes;
    EXPECT_TRUE(CTextCodec(encoding).encode(text, bytes));
    return CTextCodec::Bom(encoding) + bytes;
}

QString TrimBlanks(QString s) {
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t' || c == u'\v'; };
    while (!s.isEmpty() && blank(s.back()))
        s.chop(1);
    while (!s.isEmpty() && blank(s.front()))
        s.remove(0, 1);
    return s;
}

// Lines of encoded text, each with its own break, split without the code under test.
std::vector<QByteArray> RawLines(const QByteArray& bytes, Encoding encoding) {
    const int unit = (encoding == Encoding::Utf16LE || encoding == Encoding::Utf16BE) ? 2 : 1;
    const auto unitAt = [&](qsizetype i) -> unsigned {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData()) + i;
        if (unit == 1)
            return p[0];
        return encoding == Encoding::Utf16BE ? (p[0] << 8 | p[1]) : (p[1] << 8 | p[0]);
    };
    std::vector<QByteArray> lines;
    qsizetype start = 0, i = 0;
    while (i + unit <= bytes.size()) {
        const unsigned u = unitAt(i);
        i += unit;
        if (u == '\r' && i + unit <= bytes.size() && unitAt(i) == '\n')
            i += unit;
        if (u == '\r' || u == '\n') {
            lines.push_back(bytes.mid(start, i - start));
            start = i;
        }
    }
    if (start < bytes.size())
        lines.push_back(bytes.mid(start));
    return lines;
}

// Old and new differ in at most one old line; up to three new lines take its place (a
// line that gained a break, and a header and key).
::testing::AssertionResult OneLineChanged(const QByteArray& before, const QByteArray& after,
                                          Encoding encoding) {
    const std::vector<QByteArray> a = RawLines(before, encoding), b = RawLines(after, encoding);
    size_t head = 0;
    while (head < a.size() && head < b.size() && a[head] == b[head])
        ++head;
    size_t tail = 0;
    while (tail < a.size() - head && tail < b.size() - head &&
           a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
        ++tail;
    const size_t removed = a.size() - head - tail, added = b.size() - head - tail;
    if (removed <= 1 && added >= removed && added <= 3)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << removed << " lines replaced by " << added << "\nbefore "
                                         << Printable(before) << "\nafter  " << Printable(after);
}

} // namespace

TEST_F(ProfileWrite, RandomEditsKeepEveryOtherLine) {
    const Encoding encodings[] = {Encoding::Utf8, Encoding::Utf8Bom, Encoding::Utf16LE,
                                  Encoding::Utf16BE, Encoding::Cp932};
    // Every write syncs its file to disk; in memory that costs nothing, so the many small
    // writes here run in /dev/shm where there is one.
    const bool shm = QFileInfo(QStringLiteral("/dev/shm")).isWritable();
    QTemporaryDir dir(shm ? QStringLiteral("/dev/shm/quillet-profile-XXXXXX") : QString());
    ASSERT_TRUE(dir.isValid());
    RandomProfile random(20240607);
    int writes = 0, refused = 0;
    for (int round = 0; round < 150; ++round) {
        const Encoding encoding = encodings[round % 5];
        std::vector<QString> sections;
        const QString file = dir.filePath(QString("r%1.ini").arg(round));
        QByteArray bytes = Encode(random.text(sections), encoding);
        // Now and then, bytes no decoder likes, in a line of their own.
        if (random.chance(15) && encoding == Encoding::Cp932)
            bytes += "junk\x81\x7F\xFF\x80=\x81\r\n";
        ASSERT_TRUE(WriteBytes(file, bytes));
        const Encoding detected = CTextCodec::Detect(bytes);

        for (int step = 0; step < 6; ++step) {
            const bool unicode = detected != Encoding::Cp932;
            QString section = !sections.empty() && random.chance(70)
                                  ? sections[size_t(random.below(int(sections.size())))]
                                  : random.sectionName();
            if (random.chance(20))
                section = section.toUpper();
            if (random.chance(20))
                section = u' ' + section + u' ';
            const QString key = random.key(unicode || random.chance(10));
            const QString value = random.value(unicode || random.chance(10));

            const QByteArray before = ReadBytes(file);
            const int ret = WritePrivateProfileStringW(section, key, value, file);
            const QByteArray after = ReadBytes(file);
            SCOPED_TRACE(Printable(before));
            SCOPED_TRACE(Printable((section + u'|' + key + u'|' + value).toUtf8()));
            QByteArray probe;
            const bool encodable = CTextCodec(detected).encode(section + key + value, probe);
            if (!encodable) {
                ++refused;
                ASSERT_EQ(ret, 0);
                ASSERT_EQ(after, before);
                continue;
            }
            ++writes;
            ASSERT_EQ(ret, 1);
            ASSERT_TRUE(OneLineChanged(before, after, detected));

            // The first line of that key in that section reads back as written, trimmed.
            const ReadResult r = Section(file, section, 32767);
            ASSERT_LT(r.ret, 32765u);
            const QString wanted = QString(key).trimmed();
            std::optional<QString> found;
            for (const QString& item : Items(r)) {
                const qsizetype eq = item.indexOf(u'=');
                if (eq >= 0 && Text::EqualNoCase(QStringView(item).first(eq), wanted)) {
                    found = item.mid(eq + 1);
                    break;
                }
            }
            ASSERT_TRUE(found.has_value());
            EXPECT_EQ(*found, TrimBlanks(value));
        }
    }
    EXPECT_GT(writes, 600);
    EXPECT_GT(refused, 5);
}
