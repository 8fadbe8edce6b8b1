#pragma once

// Helpers shared by the private-profile tests: files in a temporary folder, byte-exact
// reads, and the reader calls returned as strings that keep their NULs.

#include "platform/ProfileApi.h"
#include "tests/common/LocaleMode.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ProfileTest {

inline QByteArray Bytes(const std::string& s) {
    return QByteArray(s.data(), qsizetype(s.size()));
}

inline bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

inline QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

inline QByteArray Fixture(const char* name) {
    return ReadBytes(QStringLiteral(QUILLET_TEST_DATA_DIR "/profile/") + QLatin1String(name));
}

// Shows bytes so that a failed comparison can be read: printable ASCII as is, the rest hex.
inline std::string Printable(const QByteArray& bytes) {
    std::string out;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7F && u != '\\') {
            out += c;
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", u);
            out += hex;
        }
    }
    return out;
}

inline std::string Printable(const std::u16string& s) {
    return Printable(QString::fromStdU16String(s).toUtf8());
}

// What a reader call produced: its result and the buffer, with the places the call must
// not touch marked by a guard character.
struct ReadResult {
    unsigned ret = 0;
    std::u16string buffer; // `size` characters plus a guard area after them
};

constexpr char16_t kGuard = 0xFFFF;
constexpr size_t kGuardArea = 8;

inline ReadResult Names(const QString& path, unsigned size) {
    ReadResult r;
    r.buffer.assign(size + kGuardArea, kGuard);
    r.ret = GetPrivateProfileSectionNamesW(r.buffer.data(), size, path);
    return r;
}

inline ReadResult Section(const QString& path, const QString& section, unsigned size) {
    ReadResult r;
    r.buffer.assign(size + kGuardArea, kGuard);
    r.ret = GetPrivateProfileSectionW(section, r.buffer.data(), size, path);
    return r;
}

// The buffer must start with `expected` and hold nothing but guards after it: the call
// wrote exactly what the contract says and no more.
inline ::testing::AssertionResult BufferIs(const ReadResult& r, const std::u16string& expected) {
    if (r.buffer.compare(0, expected.size(), expected) != 0)
        return ::testing::AssertionFailure()
               << "buffer starts " << Printable(r.buffer.substr(0, expected.size()))
               << ", expected " << Printable(expected);
    for (size_t i = expected.size(); i < r.buffer.size(); ++i) {
        if (r.buffer[i] != kGuard)
            return ::testing::AssertionFailure() << "buffer written at " << i;
    }
    return ::testing::AssertionSuccess();
}

// The items of a complete list (as the readers fill it) split at their NULs.
inline std::vector<QString> Items(const ReadResult& r) {
    std::vector<QString> items;
    size_t start = 0;
    while (start < r.buffer.size() && r.buffer[start] != u'\0') {
        const size_t end = r.buffer.find(u'\0', start);
        items.push_back(QString::fromStdU16String(r.buffer.substr(start, end - start)));
        start = end + 1;
    }
    return items;
}

} // namespace ProfileTest
