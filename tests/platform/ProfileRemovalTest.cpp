// Removing keys and sections as Windows does with a null value or a null key: which lines go,
// and that every other byte stays.

#include "ProfileTestSupport.h"

#include "platform/ProfileRemoval.h"
#include "platform/ProfileWriter.h"

using namespace ProfileTest;
using Change = CProfileWriter::Change;

namespace {

Change RemoveKey(const char* section, const char* key) {
    return {QString::fromUtf8(section), QString::fromUtf8(key), QString(), Change::Kind::RemoveKey};
}

Change RemoveSection(const char* section) {
    return {QString::fromUtf8(section), QString(), QString(), Change::Kind::RemoveSection};
}

struct RemovalCase {
    const char* name;
    std::string file;
    std::vector<Change> changes;
    std::string expected;
};

class ProfileRemoval : public ::testing::TestWithParam<RemovalCase> {
protected:
    LocaleMode m_locale{true};
};

void PrintTo(const RemovalCase& c, std::ostream* os) {
    *os << c.name;
}

const RemovalCase kRemovalCases[] = {
    {"KeyLineGoesWithItsBreak",
     "[S]\r\na=1\r\n  B = 2 ;c\r\nc=3\r\n",
     {RemoveKey(" s ", "b")},
     "[S]\r\na=1\r\nc=3\r\n"},
    {"MissingKeyOrSectionChangesNothing",
     "[S]\r\na=1\r\n",
     {RemoveKey("S", "x"), RemoveKey("T", "a"), RemoveSection("T")},
     "[S]\r\na=1\r\n"},
    {"CommentsNeverMatchAKey", "[S]\r\n;a=1\r\na=2\r\n", {RemoveKey("S", "a")}, "[S]\r\n;a=1\r\n"},
    {"OnlyTheFirstBlockOfASectionIsSearched",
     "[S]\r\nx=1\r\n[T]\r\n[s]\r\na=1\r\n",
     {RemoveKey("S", "a")},
     "[S]\r\nx=1\r\n[T]\r\n[s]\r\na=1\r\n"},
    {"SectionGoesWithItsCommentsAndBlankLines",
     ";top\r\n[A]\r\nx=1\r\n;about B\r\n\r\n[B]\r\n;c\r\ny=2\r\n\r\n[C]\r\n",
     {RemoveSection("b")},
     ";top\r\n[A]\r\nx=1\r\n;about B\r\n\r\n[C]\r\n"},
    {"ALaterBlockOfTheSameNameStays",
     "[A]\r\nx=1\r\n[B]\r\n[a]\r\ny=2\r\n",
     {RemoveSection("A")},
     "[B]\r\n[a]\r\ny=2\r\n"},
    {"RemovingTwiceTakesTheNextBlockAndTheNextLine",
     "[A]\r\nk=1\r\nk=2\r\n[A]\r\nz=1\r\n[B]\r\n",
     {RemoveKey("A", "k"), RemoveKey("A", "k"), RemoveSection("A"), RemoveSection("A")},
     "[B]\r\n"},
    {"AKeyOfASectionRemovedBeforeIsLookedForInTheNextBlock",
     "[A]\r\nk=1\r\n[a]\r\nk=2\r\nj=3\r\n",
     {RemoveSection("A"), RemoveKey("A", "k")},
     "[a]\r\nj=3\r\n"},
    {"ALastLineWithoutBreakLeavesThePreviousBreak",
     "[S]\nx=1\ny=2",
     {RemoveKey("S", "y")},
     "[S]\nx=1\n"},
    {"ALineWithoutEqualsIsTheKeyWhenNoEntryLineIs",
     "[S]\r\nflag\r\nx=1\r\n",
     {RemoveKey("S", "FLAG")},
     "[S]\r\nx=1\r\n"},
    {"LinesBeforeTheFirstHeaderStay",
     "k=0\r\n[S]\r\nk=1\r\n",
     {RemoveKey("S", "k"), RemoveSection("")},
     "k=0\r\n[S]\r\n"},
    {"LoneCrLinesKeepTheirBreaks",
     "[S]\rx=1\ry=2\r[T]\r",
     {RemoveKey("S", "x"), RemoveSection("T")},
     "[S]\ry=2\r"},
    {"SetsBeforeAndAfterRemovalsAreAppliedInOrder",
     "[S]\r\nx=1\r\n",
     {{"S", "x", "2"}, RemoveKey("S", "x"), {"S", "x", "3"}},
     "[S]\r\nx=3\r\n"},
};

} // namespace

TEST_P(ProfileRemoval, RemovesTheLinesWindowsRemoves) {
    const RemovalCase& c = GetParam();
    std::vector<QString> reasons;
    EXPECT_EQ(Printable(CProfileWriter::EditMany(Bytes(c.file), c.changes, reasons)),
              Printable(Bytes(c.expected)));
    for (const QString& reason : reasons)
        EXPECT_TRUE(reason.isEmpty()) << reason.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Rules, ProfileRemoval, ::testing::ValuesIn(kRemovalCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ProfileRemovalEncoding, UnicodeAndCp932FilesKeepEveryOtherByte) {
    const LocaleMode locale{true};
    // UTF-16LE with BOM, CRLF: the key line goes, BOM and the rest stay.
    const QString text = u"[設定]\r\n名前=値\r\nk=1\r\n"_qs;
    QByteArray utf16("\xFF\xFE", 2), expected16("\xFF\xFE", 2);
    for (QChar ch : text)
        utf16.append(char(ch.unicode() & 0xFF)).append(char(ch.unicode() >> 8));
    for (QChar ch : u"[設定]\r\nk=1\r\n"_qs)
        expected16.append(char(ch.unicode() & 0xFF)).append(char(ch.unicode() >> 8));
    std::vector<QString> reasons;
    EXPECT_EQ(Printable(CProfileWriter::EditMany(utf16, {RemoveKey("設定", "名前")}, reasons)),
              Printable(expected16));
    // CP932 [設定] k=値 x=1: removing x leaves the CP932 bytes as they were.
    const QByteArray cp932 = "[\x90\xdd\x92\xe8]\r\nk=\x92\x6c\r\nx=1\r\n";
    EXPECT_EQ(Printable(CProfileWriter::EditMany(cp932, {RemoveKey("設定", "x")}, reasons)),
              Printable(QByteArray("[\x90\xdd\x92\xe8]\r\nk=\x92\x6c\r\n")));
    // Damaged UTF-16 (odd length) is refused, not guessed at.
    const QByteArray damaged = utf16 + 'x';
    EXPECT_EQ(CProfileWriter::EditMany(damaged, {RemoveSection("設定")}, reasons), damaged);
    EXPECT_FALSE(reasons.front().isEmpty());
}
