#pragma once

#include <QString>

class CIniEntryData;

// The writer says why a write failed in English, the words quillet-cli prints; the window
// speaks Japanese. Every reason the writer can give, the system's errors among them, is
// turned into the window's words here; a refusal by the file's encoding also names the
// character and the key it is about.
class CWriteReasonText {
public:
    // The reason in Japanese; a system error no table knows keeps its own words after a
    // Japanese lead.
    static QString Japanese(const QString& reason);
    // The reason why entry, of the file at path, was not written.
    static QString ForEntry(const QString& reason, const CIniEntryData& entry, const QString& path);
    // 「😀」は CP932 で書けません (キー32)
    static QString Unencodable(const QString& character, const QString& encoding,
                               const QString& key);

private:
    static QString SystemError(const QString& reason);
};
