// Two folders compared file by file on real trees in a temporary folder: how files pair, what
// the walk skips, when two files count as the same, and the ignore patterns.
#include "compare/FolderCompare.h"
#include "compare/IniCompare.h"
#include "tests/common/LocaleMode.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class FolderCompareTest : public ::testing::Test {
protected:
    QString Write(const QString& relative, const QByteArray& bytes) {
        const QString path = dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
        file.write(bytes);
        return path;
    }
    void Link(const QString& target, const QString& relative) {
        QDir().mkpath(QFileInfo(dir.filePath(relative)).absolutePath());
        ASSERT_EQ(::symlink(QFile::encodeName(target).constData(),
                            QFile::encodeName(dir.filePath(relative)).constData()),
                  0);
    }

    // Each pair as "kind path1 | path2", after a full comparison.
    QStringList Pairs(CFolderCompare& folders) {
        EXPECT_TRUE(folders.Scan()) << folders.ErrorText().toStdString();
        folders.CompareAll();
        QStringList lines;
        for (const CFilePairStatus& p : folders.Pairs())
            lines.append(p.KindName() + u' ' + p.path1 + QStringLiteral(" | ") + p.path2);
        return lines;
    }

    const CFilePairStatus& Status(CFolderCompare& folders, const QString& path) {
        for (const CFilePairStatus& p : folders.Pairs()) {
            if (p.Path() == path)
                return p;
        }
        static const CFilePairStatus none;
        ADD_FAILURE() << "no pair " << path.toStdString();
        return none;
    }

    LocaleMode locale{true};
    QTemporaryDir dir;
};

TEST_F(FolderCompareTest, PairsByPathWithCaseFirstThenWithoutAcrossNestedFolders) {
    Write("1/a.ini", "[S]\nk=1\n");
    Write("2/a.ini", "[S]\nk=1\n");
    Write("1/Sub/Deep/b.INI", "[S]\n");
    Write("2/sub/deep/B.ini", "[S]\n");
    // An exact match wins over a case-insensitive one, whatever the order of the walk.
    Write("1/c.ini", "[S]\n");
    Write("2/C.ini", "[S]\n");
    Write("2/c.ini", "[S]\n");
    Write("1/only.ini", "[S]\n");
    Write("1/notes.txt", "[S]\n");
    Write("2/sub/new.ini", "[S]\n");
    CFolderCompare folders(dir.filePath("1"), dir.filePath("2"), {});
    EXPECT_EQ(Pairs(folders), (QStringList{
                                  "identical a.ini | a.ini",
                                  "only-in-2  | C.ini",
                                  "identical c.ini | c.ini",
                                  "only-in-1 only.ini | ",
                                  "identical Sub/Deep/b.INI | sub/deep/B.ini",
                                  "only-in-2  | sub/new.ini",
                              }));
}

TEST_F(FolderCompareTest, LinksLoopsAndSpecialFilesAreSkippedAndCountedUnreadableFilesListed) {
    Write("outside/far.ini", "[S]\n");
    Write("1/real/x.ini", "[S]\nk=1\n");
    Write("2/real/x.ini", "[S]\nk=1\n");
    Write("2/inside.ini", "[S]\nk=1\n");
    Link("real/x.ini", "1/inside.ini");      // a link within the folder is followed
    Link("..", "1/real/up");                 // back to the folder it is in: a loop
    Link(dir.filePath("outside"), "1/away"); // out of the folder
    Link("../outside/far.ini", "1/far.ini"); // likewise, to a file
    Link("missing.ini", "1/broken.ini");     // leads nowhere: listed with its reason
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("1/pipe.ini")).constData(), 0600), 0);
    Write("1/dup.ini", "[S]\n[S]\n");
    Write("2/dup.ini", "[S]\n");
    CFolderCompare folders(dir.filePath("1"), dir.filePath("2"), {});
    EXPECT_EQ(Pairs(folders), (QStringList{
                                  "unreadable broken.ini | ",
                                  "unreadable dup.ini | dup.ini",
                                  "identical inside.ini | inside.ini",
                                  "identical real/x.ini | real/x.ini",
                              }));
    EXPECT_EQ(Status(folders, "dup.ini").Detail(), u"1:同一セクションが複数存在します[S]"_qs);
    EXPECT_FALSE(Status(folders, "broken.ini").errorText.isEmpty());
    EXPECT_EQ(folders.Scan1().specialFiles, 1);
    EXPECT_EQ(folders.Scan1().linkLoops, 1);
    EXPECT_EQ(folders.Scan1().linksOutside, 2);
}

TEST_F(FolderCompareTest, AFolderThatCannotBeWalkedIsNamedAndNothingIsCompared) {
    Write("file.ini", "[S]\n");
    for (const QString& bad : {dir.filePath("missing"), dir.filePath("file.ini")}) {
        CFolderCompare folders(bad, dir.path(), {});
        EXPECT_FALSE(folders.Scan());
        EXPECT_TRUE(folders.ErrorText().contains(bad)) << folders.ErrorText().toStdString();
        EXPECT_TRUE(folders.Pairs().empty());
    }
}

struct SameCase {
    const char* name;
    QByteArray file1, file2;
    bool ignoreValueCase;
    CFilePairStatus::Kind kind;
    bool textDiffers;
    int differing;
};

class FileIdentity : public ::testing::TestWithParam<SameCase> {
protected:
    LocaleMode locale{true};
};

TEST_P(FileIdentity, EntriesDecideTheBytesOnlyTellTextDiffers) {
    const SameCase& c = GetParam();
    QTemporaryDir dir;
    const auto write = [&](const char* name, const QByteArray& bytes) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    };
    CRowRules rules;
    rules.ignoreValueCase = c.ignoreValueCase;
    const CFilePairStatus status =
        CFilePairStatus::CompareFiles(write("1.ini", c.file1), write("2.ini", c.file2), rules);
    EXPECT_EQ(status.kind, c.kind) << status.errorText.toStdString();
    EXPECT_EQ(status.textDiffers, c.textDiffers);
    EXPECT_EQ(status.differingRows, c.differing);
}

const SameCase kSameCases[] = {
    {"SameBytes", "[S]\na=1\n", "[S]\na=1\n", false, CFilePairStatus::Identical, false, 0},
    {"ReorderedKeysAndSections", "[S]\na=1\nb=2\n[T]\nc=3\n", "[T]\nc=3\n[S]\nb=2\na=1\n", false,
     CFilePairStatus::Identical, true, 0},
    {"ChangedComments", "; one\n[S]\na=1\n", "[S]\n; two\na=1\n", false, CFilePairStatus::Identical,
     true, 0},
    {"ChangedSpacingAndLineEnds", "[S]\na=1\n", "[ S ]\r\n  a =  1  \r\n\r\n", false,
     CFilePairStatus::Identical, true, 0},
    {"KeyCase", "[S]\nkey=1\n", "[s]\nKEY=1\n", false, CFilePairStatus::Identical, true, 0},
    {"ChangedValue", "[S]\na=1\nb=2\n", "[S]\na=1\nb=3\n", false, CFilePairStatus::Differs, false,
     1},
    {"ValueCaseCounts", "[S]\na=On\n", "[S]\na=on\n", false, CFilePairStatus::Differs, false, 1},
    {"ValueCaseIgnored", "[S]\na=On\n", "[S]\na=on\n", true, CFilePairStatus::Identical, true, 0},
    {"MissingEntryAndSection", "[S]\na=1\n[T]\n", "[S]\n", false, CFilePairStatus::Differs, false,
     2},
};

INSTANTIATE_TEST_SUITE_P(Cases, FileIdentity, ::testing::ValuesIn(kSameCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct PatternCase {
    const char* name;
    const char* pattern;
    const char* section;
    const char* key;
    bool matches;
};

class IgnorePattern : public ::testing::TestWithParam<PatternCase> {
protected:
    LocaleMode locale{true};
};

TEST_P(IgnorePattern, MatchesSectionSlashKeyWithoutCase) {
    const PatternCase& c = GetParam();
    CIgnoreRules rules;
    rules.Add(QString::fromUtf8(c.pattern));
    EXPECT_EQ(rules.Matches(QString::fromUtf8(c.section), QString::fromUtf8(c.key)), c.matches);
}

const PatternCase kPatterns[] = {
    {"SectionStar", "Window/*", "window", "Left", true},
    {"SectionStarOtherSection", "Window/*", "Windows", "Left", false},
    {"SectionStarEmptySection", "Window/*", "Window", "", true},
    {"StarKeyPrefix", "*/Last*", "Files", "lastOpened", true},
    {"StarKeyPrefixNotInside", "*/Last*", "Files", "PastLast", false},
    {"SectionPrefixStar", "Recent*/*", "RecentFiles", "1", true},
    {"SectionPrefixNotKey", "Recent*/*", "Files", "Recent", false},
    {"BareSectionMeansAllItsKeys", "Cache", "CACHE", "x", true},
    {"BareSectionWholeName", "Cache", "Cache2", "x", false},
    {"QuestionMarkOneCharacter", "S/k?", "S", "k1", true},
    {"QuestionMarkNotTwo", "S/k?", "S", "k12", false},
    {"SetOfCharacters", "S/[ab]x", "S", "Bx", true},
    {"NegatedSet", "S/[!ab]x", "S", "ax", false},
    {"RangeInSet", "S/v[0-9]", "S", "v7", true},
    {"FullwidthFolds", "ＡＢ/*", "ａｂ", "k", true},
    {"ExactName", "S/k", "S", "k", true},
    {"ExactNameNoPrefix", "S/k", "S", "kk", false},
};

INSTANTIATE_TEST_SUITE_P(Forms, IgnorePattern, ::testing::ValuesIn(kPatterns),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FolderCompareTest, IgnoreFileOfEitherFolderJoinsTheGivenPatterns) {
    Write("1/a.ini", "[Window]\nleft=1\n[Files]\nLast=x\n[S]\nk=1\n");
    Write("2/a.ini", "[Window]\nleft=2\n[Files]\nLast=y\n[S]\nk=1\n");
    Write("1/b.ini", "[S]\nk=1\nRecent=1\n");
    Write("2/b.ini", "[S]\nk=2\nRecent=2\n");
    Write("2/.quillet-ignore", "# volatile\n\n  window/*  \n");
    CRowRules rules;
    rules.ignore.Add("*/last");
    rules.ignore.Add("S/Recent");
    CFolderCompare folders(dir.filePath("1"), dir.filePath("2"), rules);
    EXPECT_EQ(Pairs(folders), (QStringList{"identical a.ini | a.ini", "differs b.ini | b.ini"}));
    EXPECT_EQ(Status(folders, "a.ini").ignoredRows, 2);
    EXPECT_EQ(Status(folders, "b.ini").differingRows, 1);
    EXPECT_EQ(Status(folders, "b.ini").ignoredRows, 1);
}

// Broken bytes decode to one of a few characters whatever they were, so equal text may hide
// different bytes; the comparison then looks at the bytes.
struct BytesCase {
    const char* name;
    const char* file1;
    const char* file2;
    bool differs;
};

class BrokenBytes : public FolderCompareTest, public ::testing::WithParamInterface<BytesCase> {};

TEST_P(BrokenBytes, CountAsDifferentOnlyWhenTheBytesDiffer) {
    const BytesCase& c = GetParam();
    const CFilePairStatus status = CFilePairStatus::CompareFiles(
        Write("1.ini", c.file1), Write("2.ini", c.file2), CRowRules());
    EXPECT_EQ(status.KindName(), c.differs ? "differs" : "identical");
}

const BytesCase kBytes[] = {
    {"LoneLeadBytes", "[S]\nk=a\x81\n", "[S]\nk=a\x82\n", true},
    {"CodesNamingNoCharacter", "[S]\nk=\x85\x40\n", "[S]\nk=\x86\x40\n", true},
    {"NoCharacterAgainstRealOne", "[S]\nk=\x85\x40\n", "[S]\nk=\x81\x45\n", true},
    {"InvalidUtf8BehindBom", "\xef\xbb\xbf[S]\nk=\xff\n", "\xef\xbb\xbf[S]\nk=\xfe\n", true},
    {"SameBrokenBytes", "[S]\nk=\x85\x40\x81\n", "[s]\nK=\x85\x40\x81\n", false},
    {"BlanksAroundLikeTheText", "[S]\nk = \x81 \n", "[S]\nk=\x81\n", false},
    {"OnlyTheKeysFirstLineCounts", "[S]\nk=\x81\x45\nk=\x85\x40\n", "[S]\nk=\x81\x45\n", false},
};
INSTANTIATE_TEST_SUITE_P(Kinds, BrokenBytes, ::testing::ValuesIn(kBytes),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
