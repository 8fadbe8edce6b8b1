#pragma once

#include "ini/ProfileAccess.h"
#include "tests/common/LocaleMode.h"

#include <QList>
#include <QMap>
#include <QStringList>
#include <algorithm>
#include <optional>

// Stands in for the platform's private-profile functions: hands out scripted section names
// and lines under the same buffer contract, and records every call.
class FakeProfile : public CProfileAccess {
public:
    struct WriteCall {
        QString section, key, value, path;
    };

    QStringList names;
    QMap<QString, QStringList> sections;   // looked up by the exact name asked for
    std::optional<unsigned> namesResult;   // forces the count the names call returns
    QMap<QString, unsigned> sectionResult; // forces the count for one section
    int writeResult = 1;

    QList<unsigned> namesSizes;
    QList<QPair<QString, unsigned>> sectionCalls;
    QList<WriteCall> writes;

    // Fills buffer as the platform does: items each ended by NUL, one more NUL at the end;
    // when that does not fit, size-2 characters, two NULs and size-2.
    static unsigned FillList(const QStringList& items, char16_t* buffer, unsigned size) {
        QString all;
        for (const QString& item : items)
            all += item + QChar(u'\0');
        if (size < 3)
            return 0;
        if (unsigned(all.size()) <= size - 2) {
            std::copy(all.utf16(), all.utf16() + all.size(), buffer);
            buffer[all.size()] = u'\0';
            return unsigned(all.size());
        }
        std::copy(all.utf16(), all.utf16() + size - 2, buffer);
        buffer[size - 2] = buffer[size - 1] = u'\0';
        return size - 2;
    }

    unsigned GetPrivateProfileSectionNamesW(char16_t* buffer, unsigned size,
                                            const QString&) override {
        namesSizes.append(size);
        const unsigned count = FillList(names, buffer, size);
        return namesResult.value_or(count);
    }

    unsigned GetPrivateProfileSectionW(const QString& section, char16_t* buffer, unsigned size,
                                       const QString&) override {
        sectionCalls.append({section, size});
        const unsigned count = FillList(sections.value(section), buffer, size);
        return sectionResult.value(section, count);
    }

    int WritePrivateProfileStringW(const QString& section, const QString& key, const QString& value,
                                   const QString& path) override {
        writes.append({section, key, value, path});
        return writeResult;
    }

    // One call per change, so that the tests see each key the model asks for; a removal as
    // Windows takes it, with a null value (a key) or a null key and value (a section).
    std::vector<bool>
    WritePrivateProfileStrings(const std::vector<CProfileWriter::Change>& changes,
                               const QString& path,
                               const std::function<void(size_t)>& failed) override {
        std::vector<bool> written;
        for (size_t i = 0; i < changes.size(); ++i) {
            const auto& c = changes[i];
            using Kind = CProfileWriter::Change::Kind;
            const QString key = c.kind == Kind::RemoveSection ? QString() : c.key;
            const QString value = c.kind == Kind::Set ? c.value : QString();
            written.push_back(WritePrivateProfileStringW(c.section, key, value, path) != 0);
            if (!written.back() && failed)
                failed(i);
        }
        return written;
    }
};
