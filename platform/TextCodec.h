#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

struct CDecodedText;

// The one place that decides how a text file is encoded and converts between its bytes and
// text. The INI functions and the preview bar both go through it, so they always agree on
// what a file says.
//
// Detection, first match wins:
//   FF FE       UTF-16LE (BOM)
//   FE FF       UTF-16BE (BOM)
//   EF BB BF    UTF-8 (BOM)
//   the whole file is valid UTF-8 (an empty or pure ASCII file too): UTF-8 without BOM
//   anything else: CP932 (Windows-31J as Windows reads it: 0x5C is U+005C, 0x8160 is U+FF5E,
//   codes that encode no character as CCp932Table says)
//
// Decoding never fails: bytes that do not form a character become a replacement character
// (U+FFFD, or U+001A for a CP932 lead byte alone). Bytes below 0x40 (controls, line breaks, blanks,
// '=', ';') are never part of a multi-byte character, and a broken sequence before one never
// swallows it, so line breaks and '=' stay where the bytes put them. (Brackets and letters can be
// the second byte of a CP932 character; that is how CP932 reads, not a decoding fault.) Encoding
// fails instead of substituting: text the encoding cannot hold exactly is refused.
class CTextCodec {
public:
    enum class Encoding { Utf8, Utf8Bom, Utf16LE, Utf16BE, Cp932 };
    enum class LineEnd { CrLf, Lf, Cr };

    explicit CTextCodec(Encoding encoding);

    Encoding encoding() const { return m_encoding; }
    // Bytes per code unit: 2 for UTF-16, 1 otherwise. Line breaks and ASCII characters
    // are exactly one unit.
    int unitSize() const;

    // Decodes bytes that hold no BOM; a BOM-like sequence inside is kept as U+FEFF. Each call
    // stands alone: a broken sequence at the end becomes a replacement character as if a line
    // break followed, so a line decoded alone reads exactly as it does within the whole text.
    QString decode(QByteArrayView bytes) const;
    // The same into `out`, reusing its memory: for decoding a large file piece by piece.
    void decodeInto(QByteArrayView bytes, QString& out) const;
    // Encodes without BOM. Returns false, leaving `out` unspecified, when the encoding cannot
    // hold the text so that it reads back identically (unpaired surrogates, characters
    // outside CP932, CP932's one-way fallbacks such as U+301C or U+00A5).
    bool encode(QStringView text, QByteArray& out) const;

    static Encoding Detect(QByteArrayView bytes);
    static bool IsValidUtf8(QByteArrayView bytes);
    static QByteArray Bom(Encoding encoding);
    static bool HasBom(Encoding encoding) { return !Bom(encoding).isEmpty(); }

    // The line end most used in `payload` (bytes after the BOM): CRLF, LF or CR, each
    // counted as a whole; CRLF when there is none or when two kinds tie for the lead.
    static LineEnd DominantLineEnd(QByteArrayView payload, Encoding encoding);
    static QStringView LineEndText(LineEnd lineEnd);

    // Detects, decodes a whole byte array, and reports what a writer needs to keep.
    static CDecodedText DecodeBytes(QByteArrayView bytes);
    // Reads and decodes a file. False when it cannot be read (missing, a directory, ...).
    static bool DecodeFile(const QString& path, CDecodedText& out);

private:
    Encoding m_encoding;
};

// A whole file as text, with what is needed to write it back the same way.
struct CDecodedText {
    QString text; // without the BOM
    CTextCodec::Encoding encoding = CTextCodec::Encoding::Utf8;
    CTextCodec::LineEnd lineEnd = CTextCodec::LineEnd::CrLf;
    bool hasBom() const { return CTextCodec::HasBom(encoding); }
};
