// Three-way merges of real files: the decisions key by key, the bytes of the result, conflict
// lines, and a randomised comparison against a small model of the rules of its own.
#include "compare/IniFileMerge.h"
#include "ini/IniData.h"
#include "platform/TextCodec.h"
#include "platform/TextUtil.h"
#include "tests/common/LocaleMode.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <set>

namespace {

class MergeFiles {
public:
    // Merges the three texts (as files); false when one failed to load.
    bool Run(const QByteArray& base, const QByteArray& ours, const QByteArray& theirs,
             bool markers = false) {
        const QString b = Put(u"base.ini"_qs, base), o = Put(u"ours.ini"_qs, ours),
                      t = Put(u"theirs.ini"_qs, theirs);
        merge = std::make_unique<CIniFileMerge>();
        if (!merge->Load(b, o, t, error))
            return false;
        merge->Merge(markers);
        return true;
    }

    QString Put(const QString& name, const QByteArray& bytes) {
        // A new name each time: a file rewritten within the same tick must not read as cached.
        const QString path = m_dir.filePath(QString::number(++m_count) + name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    std::unique_ptr<CIniFileMerge> merge;
    QString error;

private:
    QTemporaryDir m_dir;
    int m_count = 0;
};

struct RuleCase {
    const char* name;
    const char *base, *ours, *theirs, *expected;
    int conflicts;
};

class IniMergeRules : public ::testing::TestWithParam<RuleCase> {
protected:
    LocaleMode m_locale{true};
    MergeFiles m_files;
};

void PrintTo(const RuleCase& c, std::ostream* os) {
    *os << c.name;
}

const RuleCase kRuleCases[] = {
    {"OnlyTheirsChangedAValue", "[S]\r\na = 1\r\nb=2\r\n", "[S]\r\na = 1\r\nb=2\r\n",
     "[S]\r\na=9\r\nb=2\r\n", "[S]\r\na = 9\r\nb=2\r\n", 0},
    {"OnlyOursChangedAValue", "[S]\r\na=1\r\n", "[S]\r\na=5\r\n", "[S]\r\na=1\r\n",
     "[S]\r\na=5\r\n", 0},
    {"BothChangedAlikeIsTakenOnce", "[S]\r\na=1\r\n", "[S]\r\na=5\r\n", "[S]\r\na=5\r\n",
     "[S]\r\na=5\r\n", 0},
    {"BothChangedDifferentlyKeepsOurs", "[S]\r\na=1\r\nb=1\r\n", "[S]\r\na=5\r\nb=1\r\n",
     "[S]\r\na=6\r\nb=2\r\n", "[S]\r\na=5\r\nb=2\r\n", 1},
    {"ValuesCompareWithCase", "[S]\r\na=On\r\n", "[S]\r\na=On\r\n", "[S]\r\na=on\r\n",
     "[S]\r\na=on\r\n", 0},
    {"NamesPairIgnoringCaseAndOursSpellingStays", "[Sec]\r\nKey=1\r\n", "[Sec]\r\nKey=1\r\n",
     "[SEC]\r\nkey=2\r\n", "[Sec]\r\nKey=2\r\n", 0},
    {"TheirsAddedAKeyAfterOursLastEntry", "[S]\r\na=1\r\n;end\r\n", "[S]\r\na=1\r\nz=0\r\n;end\r\n",
     "[S]\r\na=1\r\nn=7\r\n", "[S]\r\na=1\r\nz=0\r\nn=7\r\n;end\r\n", 0},
    {"BothAddedAKeyDifferently", "[S]\r\n", "[S]\r\nn=1\r\n", "[S]\r\nn=2\r\n", "[S]\r\nn=1\r\n",
     1},
    {"TheirsRemovedAKey", "[S]\r\na=1\r\nb=2\r\n", "[S]\r\na=1\r\nb=2\r\n", "[S]\r\nb=2\r\n",
     "[S]\r\nb=2\r\n", 0},
    {"RemovedInOursChangedInTheirs", "[S]\r\na=1\r\n", "[S]\r\n", "[S]\r\na=2\r\n", "[S]\r\n", 1},
    {"ChangedInOursRemovedInTheirs", "[S]\r\na=1\r\n", "[S]\r\na=3\r\n", "[S]\r\n",
     "[S]\r\na=3\r\n", 1},
    {"TheirsAddedASection", "[S]\r\n", "[S]\r\nx=1", "[S]\r\n[N]\r\nk=1\r\n",
     "[S]\r\nx=1\r\n[N]\r\nk=1\r\n", 0},
    {"TheirsRemovedASectionWithItsComments", "[A]\r\na=1\r\n;b\r\n[B]\r\nb=1\r\n",
     "[A]\r\na=1\r\n;b\r\n[B]\r\nb=1\r\n", "[B]\r\nb=1\r\n", "[B]\r\nb=1\r\n", 0},
    {"TheirsRemovedASectionOursAddedTo", "[A]\r\na=1\r\n[B]\r\n", "[A]\r\na=1\r\nn=1\r\n[B]\r\n",
     "[B]\r\n", "[A]\r\nn=1\r\n[B]\r\n", 1},
    {"OursRemovedASectionTheirsChanged", "[A]\r\na=1\r\nb=1\r\n", "", "[A]\r\na=2\r\nb=1\r\n", "",
     1},
    {"TheirsAddedAnEmptySection", "[A]\r\n", "[A]\r\n", "[A]\r\n[E]\r\n", "[A]\r\n", 1},
    {"CommentsOfTheirsAreNotMerged", ";a\r\n[S]\r\nk=1\r\n", ";a\r\n[S]\r\nk=1\r\n",
     ";b\r\n[S]\r\n; new\r\nk=1\r\n", ";a\r\n[S]\r\nk=1\r\n", 0},
};

} // namespace

TEST_P(IniMergeRules, MergesKeyByKey) {
    const RuleCase& c = GetParam();
    ASSERT_TRUE(m_files.Run(c.base, c.ours, c.theirs)) << m_files.error.toStdString();
    EXPECT_EQ(m_files.merge->Result().toStdString(), std::string(c.expected));
    EXPECT_EQ(int(m_files.merge->Conflicts().size()), c.conflicts);
}

INSTANTIATE_TEST_SUITE_P(Decisions, IniMergeRules, ::testing::ValuesIn(kRuleCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(IniMerge, SummaryCountsTakenChangesAndCommentLines) {
    const LocaleMode locale{true};
    MergeFiles files;
    ASSERT_TRUE(files.Run("[A]\r\na=1\r\nb=1\r\n;x\r\n[B]\r\n",
                          "[A]\r\na=1\r\nb=1\r\n;x\r\n[B]\r\n",
                          "[A]\r\na=2\r\n;y\r\n;z\r\n[C]\r\nc=1\r\nd=1\r\n"));
    // a set, b removed, B removed, C's two keys added; ;x gone and ;y, ;z added.
    EXPECT_EQ(files.merge->TakenCount(), 5);
    EXPECT_EQ(files.merge->CommentChanges(), 3);
    EXPECT_EQ(files.merge->Result(), QByteArray("[A]\r\na=2\r\n;x\r\n[C]\r\nc=1\r\nd=1\r\n"));
}

TEST(IniMerge, ATextOursEncodingCannotHoldIsAConflictAndTheRestIsWritten) {
    const LocaleMode locale{true};
    MergeFiles files;
    // Ours is CP932 ([設定] k=値); theirs, in UTF-8, sets k to an emoji and adds n.
    const QByteArray cp932 = "[\x90\xdd\x92\xe8]\r\nk=\x92\x6c\r\n";
    ASSERT_TRUE(files.Run(cp932, cp932, u"[設定]\r\nk=😀\r\nn=名\r\n"_qs.toUtf8()));
    ASSERT_EQ(files.merge->Conflicts().size(), 1u);
    EXPECT_EQ(files.merge->Conflicts().front().key, u"k"_qs);
    EXPECT_EQ(files.merge->Conflicts().front().reason,
              u"the encoding of ours cannot hold theirs' text"_qs);
    EXPECT_EQ(files.merge->Result(), cp932 + "n=\x96\xbc\r\n");
}

TEST(IniMerge, ConflictLinesHoldBothSidesWhereOursLineWas) {
    const LocaleMode locale{true};
    MergeFiles files;
    ASSERT_TRUE(files.Run("[S]\nk=1\nr=1\n[G]\ng=1\n", "[S]\nk = 2\nr=1\n[G]\ng=1\n",
                          "[S]\nk=3\nr=2\n[G]\ng=1\n", true));
    EXPECT_EQ(files.merge->Result().toStdString(),
              "[S]\n<<<<<<< ours\nk = 2\n=======\nk = 3\n>>>>>>> theirs\nr=2\n[G]\ng=1\n");
    // Ours lacks the key (removed), or the whole section: theirs' part alone, under the header.
    ASSERT_TRUE(files.Run("[S]\r\nk=1\r\n[G]\r\ng=1\r\n", "[S]\r\nx=1",
                          "[S]\r\nk=2\r\n[G]\r\ng=2\r\n", true));
    EXPECT_EQ(files.merge->Result().toStdString(),
              "[S]\r\nx=1\r\n<<<<<<< ours\r\n=======\r\nk=2\r\n>>>>>>> theirs\r\n"
              "<<<<<<< ours\r\n=======\r\n[G]\r\ng=2\r\n>>>>>>> theirs\r\n");
}

TEST(IniMerge, AFileThatFailsToLoadIsNamed) {
    const LocaleMode locale{true};
    MergeFiles files;
    EXPECT_FALSE(files.Run("[A]\r\n", "[A]\r\n[a]\r\n", "[A]\r\n"));
    EXPECT_TRUE(files.error.startsWith(u"1:同一セクションが複数存在します"_qs))
        << files.error.toStdString();
    EXPECT_FALSE(files.Run("[A]\r\n", "[A]\r\n", "[B]\r\n[B]\r\n"));
    EXPECT_TRUE(files.error.startsWith(u"2:"_qs));
}

namespace {

// A file as sections of lines, so that random edits know what each line is.
struct Line {
    enum Kind { Entry, Comment, Blank } kind = Entry;
    QString key, value, text; // text: a comment's
    bool spaced = false;      // "key = value"

    static Line BlankLine() { return {Line::Blank, {}, {}, {}, false}; }
};
struct Section {
    QString name;
    std::vector<Line> lines;
};
using Doc =
    std::vector<Section>; // the first section (name empty) holds the lines before any header

// Folded section -> folded key -> value: what a reader sees, and what the model predicts.
using Map = std::map<QString, std::map<QString, QString>>;

class RandomMerge {
public:
    explicit RandomMerge(unsigned seed) : m_random(seed) {}

    Doc base() {
        Doc doc(1);
        if (pick(2))
            doc[0].lines.push_back(comment());
        for (int s = pick(5); s > 0; --s) {
            Section section{newSectionName(doc), {}};
            for (int e = pick(5); e > 0; --e)
                section.lines.push_back(pick(5) ? entry(section)
                                                : (pick(2) ? comment() : Line::BlankLine()));
            doc.push_back(section);
        }
        return doc;
    }

    Doc edited(Doc doc) {
        for (int i = 1 + pick(4); i > 0; --i)
            edit(doc);
        return doc;
    }

    QByteArray render(const Doc& doc, CTextCodec::Encoding encoding, int lineEnd) {
        static const QString kBreaks[] = {u"\r\n"_qs, u"\n"_qs, u"\r"_qs};
        const QString& br = kBreaks[lineEnd];
        QString text;
        for (const Section& section : doc) {
            if (!section.name.isNull())
                text += u'[' + section.name + u']' + br;
            for (const Line& line : section.lines) {
                if (line.kind == Line::Entry)
                    text += line.key + (line.spaced ? u" = "_qs : u"="_qs) + line.value + br;
                else if (line.kind == Line::Comment)
                    text += line.text + br;
                else
                    text += br;
            }
        }
        QByteArray bytes;
        EXPECT_TRUE(CTextCodec(encoding).encode(text, bytes));
        return CTextCodec::Bom(encoding) + bytes;
    }

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }

private:
    // Small pools, so that both sides often touch the same names and values.
    QString pickOf(std::initializer_list<const char16_t*> list) {
        return QString::fromUtf16(list.begin()[pick(int(list.size()))]);
    }
    QString value() { return pickOf({u"1", u"2", u"on", u"On", u"値", u"設定 x", u""}); }
    Line comment() { return {Line::Comment, {}, {}, pickOf({u";c", u"; 注", u"  ;x=1"}), false}; }
    Line entry(const Section& section) {
        return {Line::Entry, newKey(section), value(), {}, pick(3) == 0};
    }
    QString flipCase(const QString& name) {
        return name == name.toUpper() ? name.toLower() : name.toUpper();
    }
    static bool Has(const Section& s, const QString& key) {
        return std::any_of(s.lines.begin(), s.lines.end(), [&](const Line& l) {
            return l.kind == Line::Entry && Text::EqualNoCase(l.key, key);
        });
    }
    QString newKey(const Section& section) {
        for (;;) {
            const QString key = pickOf({u"a", u"b", u"c", u"d", u"名前", u"e", u"f"});
            if (!Has(section, key))
                return key;
        }
    }
    QString newSectionName(const Doc& doc) {
        for (;;) {
            const QString name = pickOf({u"A", u"B", u"C", u"設定", u"D", u"E", u"F", u"G"});
            if (std::none_of(doc.begin(), doc.end(), [&](const Section& s) {
                    return !s.name.isNull() && Text::EqualNoCase(s.name, name);
                }))
                return name;
        }
    }
    std::vector<Line*> entries(Doc& doc) {
        std::vector<Line*> all;
        for (size_t s = 1; s < doc.size(); ++s)
            for (Line& line : doc[s].lines)
                if (line.kind == Line::Entry)
                    all.push_back(&line);
        return all;
    }

    void edit(Doc& doc) {
        std::vector<Line*> all = entries(doc);
        Section* section = doc.size() > 1 ? &doc[1 + size_t(pick(int(doc.size()) - 1))] : nullptr;
        switch (pick(9)) {
        case 0:
        case 1:
            if (!all.empty())
                all[size_t(pick(int(all.size())))]->value = value();
            break;
        case 2:
            if (section && section->lines.size() < 7)
                section->lines.insert(section->lines.begin() + pick(int(section->lines.size()) + 1),
                                      entry(*section));
            break;
        case 3:
            if (section && !section->lines.empty())
                section->lines.erase(section->lines.begin() + pick(int(section->lines.size())));
            break;
        case 4:
            if (section)
                doc.erase(doc.begin() + (section - doc.data()));
            break;
        case 5: {
            Section added{newSectionName(doc), {}};
            for (int e = pick(3); e > 0; --e)
                added.lines.push_back(entry(added));
            doc.push_back(added);
            break;
        }
        case 6: {
            Section& target = section ? *section : doc[0];
            target.lines.insert(target.lines.begin() + pick(int(target.lines.size()) + 1),
                                pick(2) ? comment() : Line::BlankLine());
            break;
        }
        case 7:
            if (!all.empty()) {
                Line& line = *all[size_t(pick(int(all.size())))];
                line.key = flipCase(line.key);
                line.spaced = !line.spaced;
            }
            break;
        case 8:
            if (section)
                section->name = flipCase(section->name);
            break;
        }
    }

    std::mt19937 m_random;
};

Map MapOf(const CIniData& ini) {
    Map map;
    for (const auto& section : ini.m_sections) {
        auto& keys = map[Text::FoldCase(section->m_name)];
        for (const auto& entry : section->m_entries)
            keys[Text::FoldCase(entry->Key())] = entry->Value();
    }
    return map;
}

// The rules, on maps alone: what the merged file must read as, and how many conflicts.
Map Predict(const Map& base, const Map& ours, const Map& theirs, int& conflicts) {
    using Keys = std::map<QString, QString>;
    const auto get = [](const Map& m, const QString& s) -> const Keys* {
        const auto it = m.find(s);
        return it == m.end() ? nullptr : &it->second;
    };
    const auto value = [](const Keys* keys, const QString& k) -> std::optional<QString> {
        if (!keys || !keys->count(k))
            return std::nullopt;
        return keys->at(k);
    };
    std::set<QString> names;
    for (const Map* m : {&base, &ours, &theirs})
        for (const auto& [name, keys] : *m)
            names.insert(name);
    Map result;
    conflicts = 0;
    for (const QString& name : names) {
        const Keys *b = get(base, name), *o = get(ours, name), *t = get(theirs, name);
        if (!o && !t)
            continue;
        if (!o) { // theirs only: added by theirs, or removed by ours
            if (b) {
                for (const auto& [k, v] : *t)
                    conflicts += value(b, k) != v;
            } else if (t->empty()) {
                ++conflicts;
            } else {
                result[name] = *t;
            }
            continue;
        }
        std::set<QString> keys;
        for (const Keys* side : {b, o, t})
            if (side)
                for (const auto& [k, v] : *side)
                    keys.insert(k);
        Keys merged;
        int here = 0;
        for (const QString& k : keys) {
            const auto bv = value(b, k), ov = value(o, k), tv = value(t, k);
            std::optional<QString> out = ov;
            if (!t && b && ov && !bv)
                ++here; // ours added it to a section theirs removed
            else if (ov != tv && tv != bv)
                (ov == bv) ? void(out = tv) : void(++here);
            if (out)
                merged[k] = *out;
        }
        conflicts += here;
        if (t || !b || here > 0 || !merged.empty())
            result[name] = merged;
    }
    return result;
}

int CaseCount(int inSuite) {
    const char* count = std::getenv("QUILLET_MERGE_CASES");
    return count ? std::atoi(count) : inSuite;
}

// Ours' text with the lines of the given keys (and of removed sections) taken out, by the
// model's names; the rest must come through a merge unchanged.
QStringList UntouchedLines(const QByteArray& bytes, const Map& touched) {
    const QString text = CTextCodec::DecodeBytes(bytes).text;
    QStringList kept;
    QString section;
    bool inTouched = false;
    // Each line with its break, so that line ends are compared too.
    static const QRegularExpression kLine(u"[^\r\n]*(\r\n|\r|\n|$)"_qs);
    for (const auto& match : kLine.globalMatch(text)) {
        const QString raw = match.captured();
        if (raw.isEmpty())
            continue;
        const QString line = raw.trimmed();
        if (line.startsWith(u'[')) {
            section = Text::FoldCase(line.mid(1, line.indexOf(u']') - 1).trimmed());
            inTouched = touched.count(section) && touched.at(section).count(QString());
            if (inTouched)
                continue;
        } else if (inTouched) {
            continue;
        } else if (const qsizetype eq = line.indexOf(u'='); eq > 0 && !line.startsWith(u';')) {
            const QString key = Text::FoldCase(line.left(eq).trimmed());
            if (touched.count(section) && touched.at(section).count(key))
                continue;
        }
        kept.append(raw);
    }
    return kept;
}

// What differs between ours and the result: keys by section, and "" for a whole section.
Map Touched(const Map& ours, const Map& result) {
    Map touched;
    for (const auto& [name, keys] : ours) {
        const auto it = result.find(name);
        if (it == result.end()) {
            touched[name][QString()] = {};
            continue;
        }
        for (const auto& [k, v] : keys)
            if (!it->second.count(k) || it->second.at(k) != v)
                touched[name][k] = {};
    }
    for (const auto& [name, keys] : result) {
        if (!ours.count(name))
            touched[name][QString()] = {};
        for (const auto& [k, v] : keys)
            if (!ours.count(name) || !ours.at(name).count(k))
                touched[name][k] = {};
    }
    return touched;
}

} // namespace

TEST(IniMerge, RandomMergesReadAsTheModelPredictsAndKeepOursBytes) {
    const LocaleMode locale{true};
    static const CTextCodec::Encoding kEncodings[] = {
        CTextCodec::Encoding::Utf8, CTextCodec::Encoding::Utf8Bom, CTextCodec::Encoding::Utf16LE,
        CTextCodec::Encoding::Utf16BE, CTextCodec::Encoding::Cp932};
    MergeFiles files;
    const auto load = [&](const QByteArray& bytes) {
        CIniData ini;
        QString error;
        EXPECT_TRUE(ini.Load(files.Put(u"read.ini"_qs, bytes), error)) << error.toStdString();
        return MapOf(ini);
    };
    const int cases = CaseCount(300);
    for (int seed = 0; seed < cases; ++seed) {
        RandomMerge random{unsigned(seed)};
        const CTextCodec::Encoding encoding = kEncodings[random.pick(5)];
        const int lineEnd = random.pick(3);
        const Doc baseDoc = random.base();
        const QByteArray base = random.render(baseDoc, encoding, lineEnd);
        const QByteArray ours = random.render(random.edited(baseDoc), encoding, lineEnd);
        const QByteArray theirs = random.render(random.edited(baseDoc), encoding, random.pick(3));
        const std::string where = "seed " + std::to_string(seed);

        ASSERT_TRUE(files.Run(base, ours, theirs)) << where << ": " << files.error.toStdString();
        const QByteArray merged = files.merge->Result();
        int conflicts = 0;
        const Map ourMap = load(ours);
        const Map expected = Predict(load(base), ourMap, load(theirs), conflicts);
        ASSERT_EQ(load(merged), expected) << where;
        ASSERT_EQ(int(files.merge->Conflicts().size()), conflicts) << where;
        ASSERT_EQ(UntouchedLines(merged, Touched(ourMap, expected)),
                  UntouchedLines(ours, Touched(ourMap, expected)))
            << where << "\n"
            << CTextCodec::DecodeBytes(ours).text.toStdString() << "\n--\n"
            << CTextCodec::DecodeBytes(merged).text.toStdString();
        ASSERT_EQ(CTextCodec::Bom(CTextCodec::Detect(merged)), CTextCodec::Bom(encoding)) << where;

        // Theirs the same as ours: ours byte for byte. Ours the same as base: reads as theirs.
        ASSERT_TRUE(files.Run(base, ours, ours));
        ASSERT_EQ(files.merge->Result(), ours) << where;
        ASSERT_TRUE(files.Run(base, base, theirs));
        if (files.merge->Conflicts().empty()) { // only an empty section theirs added stays out
            ASSERT_EQ(load(files.merge->Result()), load(theirs)) << where;
        }
        ASSERT_TRUE(files.Run(theirs, theirs, theirs));
        ASSERT_EQ(files.merge->Result(), theirs) << where;
        ASSERT_EQ(files.merge->TakenCount() + int(files.merge->Conflicts().size()), 0) << where;
    }
}
