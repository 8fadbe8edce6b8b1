// The two readers: the recorded Windows cases as tables, the buffer contract, bad input.

#include "ProfileTestSupport.h"

#include "platform/ProfileCache.h"
#include "platform/TextUtil.h"

#include <QDir>
#include <QElapsedTimer>
#include <ctime>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>

using namespace std::string_literals;
using namespace ProfileTest;

namespace {

const std::string F1 = "[section1]\r\nname1=val1\r\nname2=\r\nname3\r\nname4=val4\r\n"
                       "[section2]\r\n[section3]\r\n=val5\r\n";
const std::string F3 = "[section1]\r\n[section2]\r\n[section3]\r\n";
const std::string kMissing = "<missing>";

class ProfileRead : public ::testing::Test {
protected:
    QString file(const std::string& bytes) {
        const QString path = m_dir.filePath(QString("f%1.ini").arg(m_count++));
        if (bytes != kMissing) {
            EXPECT_TRUE(WriteBytes(path, Bytes(bytes)));
        }
        return path;
    }

    LocaleMode m_locale{true}; // as both programs run
    QTemporaryDir m_dir;
    int m_count = 0;
};

struct NamesCase {
    const char* id;
    std::string file;
    unsigned size;
    unsigned ret;
    std::u16string buffer; // what the call must write, no more
};

struct SectionCase {
    const char* id;
    std::string file;
    QString section;
    unsigned size;
    unsigned ret;
    std::u16string buffer;
};

} // namespace

TEST_F(ProfileRead, SectionNames) {
    const std::vector<NamesCase> cases = {
        {"N1 fits", F3, 29, 27, u"section1\0section2\0section3\0\0"s},
        {"N2 exact fit counts as too small", F3, 28, 26, u"section1\0section2\0section3\0\0"s},
        {"N3 cut mid-name", F3, 27, 25, u"section1\0section2\0section\0\0"s},
        {"N4 trimmed, indented header, text after ]", "[ section1 ]\r\n \t[b]x=1\r\n", 100, 11,
         u"section1\0b\0\0"s},
        {"N5 duplicates listed", "[A]\r\nk=1\r\n[B]\r\n[a]\r\n", 100, 6, u"A\0B\0a\0\0"s},
        {"N6 missing file", kMissing, 10, 0, u"\0"s},
        {"N6 no header", "k=v\r\n;x\r\n", 10, 0, u"\0"s},
        {"N7 first ], no ]", "[a]b]\r\n[c  \r\nd]\r\n", 100, 4, u"a\0c\0\0"s},
        {"N8 CR only", "[s1]\r[s2]\r", 100, 6, u"s1\0s2\0\0"s},
        {"N9 UTF-8 BOM honoured", "\xEF\xBB\xBF[A]\r\n[B]\r\n", 100, 4, u"A\0B\0\0"s},
        {"empty file", "", 100, 0, u"\0"s},
        {"[] is not listed", "[]\r\nk=1\r\n[A]\r\n", 100, 2, u"A\0\0"s},
        {"lines before the first header", "k=0\r\nx]\r\n  ;[c]\r\n[A]\r\n", 100, 2, u"A\0\0"s},
        {"LF only, blank lines, VT", "\n[A]\n\n\v[B]\v\n", 100, 4, u"A\0B\0\0"s},
        {"quotes and ; are name characters", "[\"q\";x]\r\n", 100, 6, u"\"q\";x\0\0"s},
        {"size 1", F3, 1, 0, u"\0"s},
        {"size 2", F3, 2, 0, u"\0\0"s},
        {"size 2, missing file", kMissing, 2, 0, u"\0"s},
        {"size 3", F3, 3, 1, u"s\0\0"s},
    };
    for (const NamesCase& c : cases) {
        SCOPED_TRACE(c.id);
        const ReadResult r = Names(file(c.file), c.size);
        EXPECT_EQ(r.ret, c.ret);
        EXPECT_TRUE(BufferIs(r, c.buffer));
    }
}

TEST_F(ProfileRead, Section) {
    const std::vector<SectionCase> cases = {
        {"S1", F1, "section1", 100, 35, u"name1=val1\0name2=\0name3\0name4=val4\0\0"s},
        {"S1 case", F1, "SECTION1", 100, 35, u"name1=val1\0name2=\0name3\0name4=val4\0\0"s},
        {"S1 spaces", F1, " section1 ", 100, 35, u"name1=val1\0name2=\0name3\0name4=val4\0\0"s},
        {"tab in the request is significant", F1, "\tsection1", 100, 0, u"\0"s},
        {"S2 cut", F1, "section1", 24, 22, u"name1=val1\0name2=\0name\0\0"s},
        {"S3 empty section", F1, "section2", 100, 0, u"\0"s},
        {"S3 empty key", F1, "section3", 100, 6, u"=val5\0\0"s},
        {"missing section", F1, "section4", 100, 0, u"\0"s},
        {"missing file", kMissing, "section1", 100, 0, u"\0"s},
        {"S4 blanks around =, quotes kept", "[S]\r\n  key2 = \"bar\"  \r\nkey4 =   meh   \r\n", "S",
         100, 20, u"key2=\"bar\"\0key4=meh\0\0"s},
        {"S5 comments and blank lines dropped, # kept",
         "[S]\r\n;c=1\r\n \t;d\r\n\r\n#h=2\r\nk=v\r\n", "S", 100, 9, u"#h=2\0k=v\0\0"s},
        {"S6 first block of a duplicate section", "[A]\r\nx=1\r\n[B]\r\ny=2\r\n[a]\r\nz=3\r\n", "A",
         100, 4, u"x=1\0\0"s},
        {"S7 lines before the first header", "k=0\r\n[A]\r\nx=1\r\n", "", 100, 0, u"\0"s},
        {"S8 [] is a section", "k=0\r\n[]\r\nk=1\r\n", "", 100, 4, u"k=1\0\0"s},
        {"S8 [] by spaces", "k=0\r\n[ ]\r\nk=1\r\n", "  ", 100, 4, u"k=1\0\0"s},
        {"S9 no ]", "[A   \r\nk=v\r\n[B]k=w\r\nx=1\r\n", "A", 100, 4, u"k=v\0\0"s},
        {"S9 text after ]", "[A   \r\nk=v\r\n[B]k=w\r\nx=1\r\n", "B", 100, 4, u"x=1\0\0"s},
        {"S10 exact fit", "[A]\r\nab\r\ncd\r\n", "A", 7, 5, u"ab\0cd\0\0"s},
        {"S10 fits", "[A]\r\nab\r\ncd\r\n", "A", 8, 6, u"ab\0cd\0\0"s},
        {"S11 LF only", "[A]\nx = 1\n", "A", 100, 4, u"x=1\0\0"s},
        {"S12 duplicate keys", "[A]\r\nk=1\r\nk=2\r\n", "A", 100, 8, u"k=1\0k=2\0\0"s},
        {"CR only", "[A]\rx=1\r\ry=2\r[B]\rz=3", "A", 100, 8, u"x=1\0y=2\0\0"s},
        {"split at the first =", "[A]\r\na = b = c\r\n", "A", 100, 8, u"a=b = c\0\0"s},
        {"VT and tab are blanks, U+3000 is not", "[A]\r\n\v\tk\t=\vv\u3000\r\n", "A", 100, 0,
         u""s}, // replaced below: the line holds U+3000 as UTF-8
        {"size 1", F1, "section1", 1, 0, u"\0"s},
        {"size 2", F1, "section1", 2, 0, u"\0\0"s},
        {"size 3", F1, "section1", 3, 1, u"n\0\0"s},
    };
    for (SectionCase c : cases) {
        SCOPED_TRACE(c.id);
        if (c.buffer.empty()) { // the U+3000 case, spelled in UTF-8
            c.file = "[A]\r\n\v\tk\t=\vv\xE3\x80\x80\r\n";
            c.ret = 5;
            c.buffer = u"k=v\u3000\0\0"s;
        }
        const ReadResult r = Section(file(c.file), c.section, c.size);
        EXPECT_EQ(r.ret, c.ret);
        EXPECT_TRUE(BufferIs(r, c.buffer));
    }
}

TEST_F(ProfileRead, NullOrEmptyBufferIsLeftAlone) {
    const QString path = file(F1);
    EXPECT_EQ(GetPrivateProfileSectionNamesW(nullptr, 100, path), 0u);
    EXPECT_EQ(GetPrivateProfileSectionW("section1", nullptr, 100, path), 0u);
    char16_t c = kGuard;
    EXPECT_EQ(GetPrivateProfileSectionNamesW(&c, 0, path), 0u);
    EXPECT_EQ(GetPrivateProfileSectionW("section1", &c, 0, path), 0u);
    EXPECT_EQ(c, kGuard);
}

TEST_F(ProfileRead, SectionLookupFollowsTheCaseSwitch) {
    const QString path = file("[Ａｂ]\r\nk=1\r\n[ab]\r\nk=2\r\n");
    Text::SetJapaneseLocale(false);
    EXPECT_TRUE(BufferIs(Section(path, "ＡＢ", 100), u"\0"s));
    EXPECT_TRUE(BufferIs(Section(path, "AB", 100), u"k=2\0\0"s));
    Text::SetJapaneseLocale(true); // the same cached file, looked up by the other rule
    EXPECT_TRUE(BufferIs(Section(path, "ＡＢ", 100), u"k=1\0\0"s));
    EXPECT_TRUE(BufferIs(Section(path, "ａｂ", 100), u"k=1\0\0"s));
}

TEST_F(ProfileRead, UnreadablePathsReadAsMissing) {
    EXPECT_TRUE(BufferIs(Names(m_dir.path(), 10), u"\0"s)); // a directory
    EXPECT_TRUE(BufferIs(Names("", 10), u"\0"s));
    EXPECT_TRUE(BufferIs(Names("/dev/null", 10), u"\0"s));
    // A FIFO would block a plain open(); it must read as missing at once.
    const QString fifo = m_dir.filePath("fifo.ini");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_TRUE(BufferIs(Names(fifo, 10), u"\0"s));
    EXPECT_TRUE(BufferIs(Section(fifo, "A", 10), u"\0"s));
}

TEST_F(ProfileRead, RelativePathsStartAtTheCurrentDirectory) {
    file("[A]\r\n"); // f0.ini
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_dir.path()));
    const ReadResult r = Names("f0.ini", 10);
    QDir::setCurrent(previous);
    EXPECT_TRUE(BufferIs(r, u"A\0\0"s));
}

// Bad input: every case must give a defined result quickly and never crash.

TEST_F(ProfileRead, NulBytesEndTheirLine) {
    const QString path = file("[A]\r\nk=v\0junk=x\r\n\0[x]\r\n[B\0]x\r\n;\0\r\nq\0=1\r\n"s);
    EXPECT_TRUE(BufferIs(Names(path, 100), u"A\0B\0\0"s));
    EXPECT_TRUE(BufferIs(Section(path, "A", 100), u"k=v\0\0"s));
    EXPECT_TRUE(BufferIs(Section(path, "B", 100), u"q\0\0"s));
}

TEST_F(ProfileRead, BinaryFileGivesWellFormedLists) {
    std::mt19937 random(1234);
    for (int round = 0; round < 20; ++round) {
        std::string bytes(20'000, '\0');
        for (char& c : bytes)
            c = char(random() % 256);
        // Sprinkle headers and line breaks so that there is something to find.
        for (int i = 0; i < 200; ++i)
            bytes.replace(random() % (bytes.size() - 8), 5, random() % 2 ? "\r\n[A]" : "\n[b\r");
        if (round % 4 == 1)
            bytes.replace(0, 2, "\xFF\xFE");
        if (round % 4 == 2)
            bytes.replace(0, 2, "\xFE\xFF");
        const QString path = file(bytes);
        for (const unsigned size : {2048u, 64u}) {
            for (const ReadResult& r : {Names(path, size), Section(path, "A", size)}) {
                ASSERT_LE(r.ret, size - 2);
                // The list ends with two NULs and holds no empty item before them.
                ASSERT_EQ(r.buffer[r.ret], u'\0');
                if (r.ret > 0 && r.ret < size - 2) {
                    ASSERT_EQ(r.buffer[r.ret - 1], u'\0');
                }
                if (r.ret > 0) {
                    ASSERT_NE(r.buffer[0], u'\0');
                }
                for (unsigned i = 1; i + 1 < r.ret; ++i)
                    ASSERT_FALSE(r.buffer[i] == u'\0' && r.buffer[i - 1] == u'\0') << i;
            }
        }
    }
}

TEST_F(ProfileRead, TenMegabyteLineIsCutNotHung) {
    std::string bytes = "[A]\r\nk=";
    bytes.append(10 * 1024 * 1024, 'x');
    bytes += "\r\n[B]\r\ny=1\r\n[C" + std::string(10 * 1024 * 1024, 'c');
    QElapsedTimer timer;
    timer.start();
    const QString path = file(bytes);
    const ReadResult a = Section(path, "A", 32767);
    EXPECT_EQ(a.ret, 32765u);
    EXPECT_EQ(a.buffer.substr(0, 4), u"k=xx");
    EXPECT_EQ(a.buffer.substr(32765, 2), u"\0\0"s);
    EXPECT_TRUE(BufferIs(Section(path, "B", 32767), u"y=1\0\0"s));
    const ReadResult names = Names(path, 2048);
    EXPECT_EQ(names.ret, 2046u); // the third name alone is ten million characters
    EXPECT_EQ(names.buffer.substr(0, 6), u"A\0B\0Cc"s);
    // A hang guard, not a speed figure: reading such lines quadratically takes hours, while a
    // sanitized build on a busy machine needs several seconds for the linear read.
    EXPECT_LT(timer.elapsed(), 30000);
}

TEST_F(ProfileRead, InvalidSequencesStayInTheirLine) {
    // UTF-8 BOM with broken UTF-8, and CP932 with lone lead bytes right before line breaks
    // and '=': what follows a broken sequence is never swallowed into it.
    const QString utf8 = file("\xEF\xBB\xBF[A\xE3]\r\nk\xE3=\xC0\x80v\xE3\r\n[B]\r\n");
    EXPECT_TRUE(BufferIs(Names(utf8, 100), u"A\uFFFD\0B\0\0"s));
    EXPECT_TRUE(BufferIs(Section(utf8, "A\uFFFD", 100), u"k\uFFFD=\uFFFD\uFFFDv\uFFFD\0\0"s));

    const QString cp932 = file("[\x90\xDD\x81\r\nk\x81=v\x81\r\nx=\x81\n[B]\r\n");
    EXPECT_TRUE(BufferIs(Names(cp932, 100), u"\u8A2D\u001A\0B\0\0"s));
    EXPECT_TRUE(BufferIs(Section(cp932, "\u8A2D\u001A", 100), u"k\u001A=v\u001A\0x=\u001A\0\0"s));
}

TEST_F(ProfileRead, Utf16WithOddLengthAndBigEndian) {
    QByteArray le("\xFF\xFE", 2);
    for (const char16_t c : u"[A]\r\nk=v\r\n"s) {
        le.append(char(c & 0xFF));
        le.append(char(c >> 8));
    }
    le.append('x'); // half a unit at the end
    const QString path = file(le.toStdString());
    EXPECT_TRUE(BufferIs(Section(path, "A", 100), u"k=v\0\uFFFD\0\0"s));

    QByteArray be("\xFE\xFF", 2);
    for (const char16_t c : u"[A]\rk=\u5024\r"s) {
        be.append(char(c >> 8));
        be.append(char(c & 0xFF));
    }
    EXPECT_TRUE(BufferIs(Section(file(be.toStdString()), "A", 100), u"k=\u5024\0\0"s));
}

// The cache: a file read section by section is parsed once, and changes are seen.

namespace {

void SetMtime(const QString& path, std::int64_t secondsAgo, long nanoseconds = 0) {
    struct timespec times[2];
    times[0].tv_sec = times[1].tv_sec = ::time(nullptr) - secondsAgo;
    times[0].tv_nsec = times[1].tv_nsec = nanoseconds;
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

std::string ManySections(int count, char value) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += "[s" + std::to_string(i) + "]\r\nk=" + value + "\r\n";
    return text;
}

// Rewrites a file in place (same inode), then gives it back the modification time it had:
// what a coarse file system timestamp would show after a quick edit.
void EditInPlaceKeepingTime(const QString& path, const std::string& bytes) {
    struct stat before;
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &before), 0);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite)); // no truncation: the inode stays
    ASSERT_EQ(f.write(bytes.data(), qint64(bytes.size())), qint64(bytes.size()));
    f.close();
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

} // namespace

TEST_F(ProfileRead, CacheParsesOnceWhenReadSectionBySection) {
    CProfileCache& cache = CProfileCache::Instance();
    for (const bool old : {true, false}) {
        SCOPED_TRACE(old ? "old file" : "file written just now");
        const QString path = file(ManySections(100, '1'));
        if (old)
            SetMtime(path, 3600);
        const std::uint64_t before = cache.parseCount();
        EXPECT_EQ(Names(path, 2048).ret, 390u);
        for (int i = 0; i < 100; ++i)
            ASSERT_TRUE(BufferIs(Section(path, QString("S%1").arg(i), 100), u"k=1\0\0"s));
        EXPECT_EQ(cache.parseCount() - before, 1u);
    }
}

TEST_F(ProfileRead, CacheSeesExternalChanges) {
    const QString path = file(ManySections(3, '1'));
    // An old file: a new modification time is enough.
    SetMtime(path, 3600);
    EXPECT_TRUE(BufferIs(Section(path, "s1", 100), u"k=1\0\0"s));
    ASSERT_TRUE(WriteBytes(path, Bytes(ManySections(3, '2'))));
    SetMtime(path, 1800);
    EXPECT_TRUE(BufferIs(Section(path, "s1", 100), u"k=2\0\0"s));
    // A file as another program leaves it: replaced by rename, new inode.
    const QString other = file(ManySections(3, '3'));
    SetMtime(other, 1800); // the very same time and size
    ASSERT_EQ(::rename(QFile::encodeName(other).constData(), QFile::encodeName(path).constData()),
              0);
    EXPECT_TRUE(BufferIs(Section(path, "s1", 100), u"k=3\0\0"s));
    // A young file edited in place within its timestamp's resolution: same inode, size and
    // time, so only the content tells. Young entries are checked by content.
    SetMtime(path, 0, 0);
    EXPECT_TRUE(BufferIs(Section(path, "s1", 100), u"k=3\0\0"s));
    EditInPlaceKeepingTime(path, ManySections(3, '4'));
    EXPECT_TRUE(BufferIs(Section(path, "s1", 100), u"k=4\0\0"s));
    // A deleted file is gone at once.
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_TRUE(BufferIs(Section(path, "s1", 100), u"\0"s));
}

TEST_F(ProfileRead, CacheTrustsAStampOnlyPastItsResolution) {
    constexpr std::int64_t kSecond = 1'000'000'000;
    CFileStamp whole; // as a file system with whole-second stamps leaves it
    whole.mtimeNs = 1'700'000'000 * kSecond;
    EXPECT_FALSE(CProfileCache::IsSettled(whole, whole.mtimeNs + kSecond));
    EXPECT_TRUE(CProfileCache::IsSettled(whole, whole.mtimeNs + 2 * kSecond));
    CFileStamp fine = whole;
    fine.mtimeNs += 123'456'789;
    EXPECT_FALSE(CProfileCache::IsSettled(fine, fine.mtimeNs + 50'000'000));
    EXPECT_TRUE(CProfileCache::IsSettled(fine, fine.mtimeNs + 100'000'000));

    // A file just written, with the sub-second stamp this file system gives, and edited in
    // place before its stamp moved on: the entry read while it was young is checked by
    // content, however late the next read comes.
    const QString path = file(ManySections(3, '1'));
    EXPECT_TRUE(BufferIs(Section(path, "s1", 100), u"k=1\0\0"s));
    EditInPlaceKeepingTime(path, ManySections(3, '2'));
    EXPECT_TRUE(BufferIs(Section(path, "s1", 100), u"k=2\0\0"s));
}

TEST_F(ProfileRead, CacheSeesOwnWrites) {
    const QString path = file(ManySections(3, '1'));
    SetMtime(path, 3600);
    EXPECT_TRUE(BufferIs(Section(path, "s1", 100), u"k=1\0\0"s));
    ASSERT_EQ(WritePrivateProfileStringW("s1", "k", "2", path), 1);
    EXPECT_TRUE(BufferIs(Section(path, "s1", 100), u"k=2\0\0"s));
    ASSERT_EQ(WritePrivateProfileStringW("s9", "k", "9", path), 1);
    EXPECT_EQ(Items(Names(path, 100)).size(), 4u);
}
