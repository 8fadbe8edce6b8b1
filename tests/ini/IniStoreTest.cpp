// Entries read from a file keep their key and value in the load's text store until edited or
// taken out of their section. Edits, undone edits, removals brought back and a save must come
// out exactly as for entries holding strings of their own: what the model says after each step,
// the file's bytes after the save, which must equal the same edits applied one at a time, and
// what a load of them reads.
#include "ini/IniData.h"
#include "platform/ProfileWriter.h"
#include "platform/TextCodec.h"
#include "tests/common/LocaleMode.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <random>

namespace {

using Encoding = CTextCodec::Encoding;

class RandomFile {
public:
    explicit RandomFile(unsigned seed) : m_random(seed) {}

    QByteArray Bytes() {
        static const Encoding kEncodings[] = {Encoding::Utf8, Encoding::Utf8Bom, Encoding::Utf16LE,
                                              Encoding::Utf16BE, Encoding::Cp932};
        static const QString kBreaks[] = {u"\r\n"_qs, u"\n"_qs, u"\r"_qs};
        const Encoding encoding = kEncodings[Pick(5)];
        const QString& lineEnd = kBreaks[Pick(3)];
        QString text = u"; head"_qs + lineEnd;
        for (int s = 0, sections = 1 + Pick(4); s < sections; ++s) {
            text += u"[S"_qs + QString::number(s) + u']' + lineEnd;
            for (int e = Pick(8); e > 0; --e)
                text += Pick({u"k"_qs, u" K "_qs, u"名前"_qs, u"n1"_qs, u";c"_qs, u"\tx"_qs}) +
                        u'=' + Value() + lineEnd;
        }
        QByteArray bytes;
        CTextCodec(encoding).encode(text, bytes);
        return CTextCodec::Bom(encoding) + bytes;
    }

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }
    QString Pick(std::initializer_list<QString> list) {
        return list.begin()[Pick(int(list.size()))];
    }
    QString Value() { return Pick({u"1"_qs, QString(), u"v v"_qs, u" 値 "_qs, u"a=b"_qs}); }

private:
    std::mt19937 m_random;
};

// What an entry must say: its key and the value it was loaded with never change.
struct Expected {
    CIniEntryData* entry;
    QString key;
    QString loaded;
    QString value;
};

void ExpectModel(const std::vector<std::vector<Expected>>& model, const CIniData& ini) {
    ASSERT_EQ(model.size(), ini.m_sections.size());
    for (size_t s = 0; s < model.size(); ++s) {
        const auto& entries = ini.m_sections[s]->m_entries;
        ASSERT_EQ(model[s].size(), entries.size());
        for (size_t e = 0; e < entries.size(); ++e) {
            const Expected& x = model[s][e];
            ASSERT_EQ(x.entry, entries[e].get());
            EXPECT_EQ(x.entry->Key(), x.key);
            EXPECT_EQ(x.entry->KeyView(), x.key);
            EXPECT_EQ(x.entry->Value(), x.value);
            EXPECT_EQ(x.entry->ValueView(), x.value);
            EXPECT_EQ(x.entry->SavedValue(), x.loaded);
            EXPECT_EQ(x.entry->IsChanged(), x.value != x.loaded);
        }
    }
}

} // namespace

TEST(IniStore, EditsUndoesAndASaveOfStoredEntriesMatchEditsOneAtATime) {
    const LocaleMode japanese(true);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"file.ini"_qs);
    for (unsigned seed = 0; seed < 300; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        RandomFile random(seed);
        const QByteArray original = random.Bytes();
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(original);
        file.close();
        CIniData ini;
        QString error;
        ASSERT_TRUE(ini.Load(path, error)) << error.toStdString();
        std::vector<std::vector<Expected>> model;
        for (const auto& section : ini.m_sections) {
            model.emplace_back();
            for (const auto& e : section->m_entries)
                model.back().push_back({e.get(), e->Key(), e->Value(), e->Value()});
        }
        for (int step = random.Pick(12); step > 0 && !model.empty(); --step) {
            std::vector<Expected>& entries = model[size_t(random.Pick(int(model.size())))];
            if (entries.empty())
                continue;
            const size_t i = size_t(random.Pick(int(entries.size())));
            Expected& x = entries[i];
            switch (random.Pick(3)) {
            case 0: // an edit
                x.value = random.Value();
                x.entry->SetValue(x.value);
                break;
            case 1: // the edit undone
                x.value = x.loaded;
                x.entry->SetValue(x.entry->SavedValue());
                break;
            case 2: { // a removal undone: the entry comes back after the section's last one
                CIniSectionData* section = x.entry->m_pSection;
                section->AppendEntry(section->TakeEntry(x.entry));
                std::rotate(entries.begin() + qsizetype(i), entries.begin() + qsizetype(i) + 1,
                            entries.end());
                break;
            }
            }
            ExpectModel(model, ini);
        }
        QByteArray expected = original;
        for (size_t s = 0; s < model.size(); ++s) {
            for (const Expected& x : model[s]) {
                if (x.value == x.loaded)
                    continue;
                const QString value = x.value.isNull() ? u""_qs : x.value;
                expected = *CProfileWriter::Edit(expected, ini.m_sections[s]->m_name, x.key, value);
            }
        }
        ini.Save();
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), expected);
        file.close();
        CIniData reread;
        ASSERT_TRUE(reread.Load(path, error));
        for (auto& entries : model) {
            for (Expected& x : entries) {
                x.loaded = x.value;
                const CIniSectionData* section =
                    reread.FindSection(x.entry->m_pSection->m_name, false);
                const CIniEntryData* read = section ? section->FindEntry(x.key, false) : nullptr;
                ASSERT_NE(read, nullptr);
                EXPECT_EQ(read->Value(), x.value.trimmed()); // a read trims the value's blanks
            }
        }
        ExpectModel(model, ini);
    }
}
