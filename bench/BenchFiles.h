// The generated INI files the benchmarks read: one shape of large file, and the write that makes
// a file look as if the user had not just changed it.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QString>
#include <cstdio>

namespace BenchFiles {

// Sections "s001".., entries "k0001=v00001": short enough that 400 names fit the 2,048-character
// names buffer and 2,000 entries the 32,767-character section buffer, so 400 x 2,000 (about
// 11 MB) is the largest file the loader takes.
inline QByteArray MakeProfile(int sections, int entries) {
    QByteArray text;
    text.reserve(qsizetype(sections) * (entries * 14 + 8));
    char line[32];
    for (int s = 1; s <= sections; ++s) {
        std::snprintf(line, sizeof line, "[s%03d]\r\n", s);
        text += line;
        for (int e = 1; e <= entries; ++e) {
            std::snprintf(line, sizeof line, "k%04d=v%05d\r\n", e, (s * 7 + e) % 100000);
            text += line;
        }
    }
    return text;
}

// Every third value in Japanese, as users' files hold them: "k0003=値00042".
inline QByteArray WithJapaneseValues(const QByteArray& ascii) {
    QByteArray text;
    text.reserve(ascii.size() + ascii.size() / 20);
    int line = 0;
    for (qsizetype at = 0; at < ascii.size();) {
        qsizetype end = ascii.indexOf('\n', at);
        end = end < 0 ? ascii.size() : end + 1;
        const QByteArray piece = ascii.mid(at, end - at);
        text += ++line % 3 == 0 ? QByteArray(piece).replace("=v", "=\xE5\x80\xA4") : piece;
        at = end;
    }
    return text;
}

// Writes text to path, stamped an hour back: the profile layer does not trust its cache for a
// file changed in the last moments. False when the file could not be written.
inline bool WriteAgedFile(const QString& path, const QByteArray& text) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        return false;
    return file.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-3600),
                            QFileDevice::FileModificationTime);
}

} // namespace BenchFiles
