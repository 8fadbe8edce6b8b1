#pragma once

#include "TextCodec.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Walks the lines of encoded text, giving for each its byte range and its decoded text, so
// that a writer can find a line by what it says and still splice bytes without re-encoding
// anything else. A line ends at CR, LF or CRLF (CR alone too); the last line may have no
// break. Text that ends with a break has no empty line after it.
//
// The text is decoded in pieces of whole lines (so a large file never needs all its text in
// memory at once) and split at its line breaks; the bytes are split at theirs, one code unit
// at a time. The two splits agree line for line: CR and LF never occur inside a CP932 or
// UTF-8 character, they are whole units in UTF-16, no decoder makes them from other bytes or
// swallows them into a broken sequence, and CTextCodec decodes a line alone exactly as it
// decodes it within the whole text.
class CTextLines {
public:
    struct Line {
        qsizetype begin = 0; // first byte of the line, relative to the payload
        qsizetype end = 0;   // first byte of its break (or of the next line when it has none)
        qsizetype next = 0;  // first byte of the next line
        QStringView text;    // decoded, without the break; valid until the next call
        bool hasBreak() const { return next > end; }
    };

    // `payload` is the text without its BOM and must outlive this object.
    CTextLines(QByteArrayView payload, CTextCodec::Encoding encoding);

    // Moves to the next line; false after the last one.
    bool next(Line& line);
    // The same for a reader that needs no byte offsets: only the text. Use one or the other.
    bool nextText(QStringView& text);

    // Bytes from the start of the payload that nextText() has decoded and never reads again.
    qsizetype decodedSize() const { return m_decoded; }

    // No text is longer than this, in UTF-16 code units: one per byte or per UTF-16 unit.
    qsizetype maxTextSize() const { return m_bytes.size() / m_unit + 1; }

private:
    unsigned unitAt(qsizetype offset) const;
    // The first line break at or after `offset`, or the end of the bytes.
    qsizetype breakAt(qsizetype offset) const;
    // Just past the line break at `offset` (CRLF counts as one).
    qsizetype pastBreak(qsizetype offset) const;
    bool decodeNextPiece();

    QByteArrayView m_bytes;
    CTextCodec m_codec;
    int m_unit;
    bool m_bigEndian;
    qsizetype m_pos = 0;     // next byte line
    qsizetype m_decoded = 0; // bytes decoded so far
    QString m_text;          // the current piece of text
    qsizetype m_textPos = 0; // next text line in it
};
