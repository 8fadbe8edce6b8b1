#pragma once

#include <QString>

// SQLite says why in English, the words quillet-cli prints; the window speaks Japanese. Each
// result code SQLite can give has a Japanese text here, its number kept for whoever looks
// further.
class CSqliteReasonText {
public:
    // The text of a result code (primary or extended).
    static QString Japanese(int resultCode);
};
