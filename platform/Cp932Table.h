#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QChar>
#include <QStringView>

#include <array>
#include <vector>

// CP932 converted the way Windows converts it, codes that encode no character included, so a
// file written on Windows reads here as it reads there:
//   0x80 <-> U+0080; 0xA0 <-> U+F8F0; 0xFD, 0xFE, 0xFF <-> U+F8F1, U+F8F2, U+F8F3
//   a lead byte and a trail byte that name no character -> U+30FB (CP932's default character)
//   a lead byte without a trail byte after it -> U+001A, and the next byte reads on its own
// The assigned double-byte codes come from ICU's Windows-31J table. Encoding picks, for a
// character several codes read as, the lowest code outside the NEC-selected rows 0xED/0xEE,
// as Windows does (U+2252 -> 0x81E0, U+2170 -> 0xFA40).
class CCp932Table {
public:
    static const CCp932Table& Get();

    // Decodes `bytes` into `out`, which must have room for bytes.size() characters; returns
    // the end of what was written. Bytes below 0x40 are never a trail byte, so a line break or
    // '=' is always read where the bytes put it.
    QChar* decode(QByteArrayView bytes, QChar* out) const;
    // Appends the bytes of `text`; false when a character has no code (unpaired surrogates,
    // characters outside CP932, and ICU's one-way fallbacks such as U+301C or U+00A5).
    bool encode(QStringView text, QByteArray& out) const;

    static bool IsLeadByte(unsigned char c) {
        return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    }
    static bool IsTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

private:
    CCp932Table();
    std::vector<unsigned> readPairsFromIcu(); // the assigned codes, ascending
    void chooseCodes(const std::vector<unsigned>& assigned);

    static constexpr quint16 kNoCode = 0xFFFF; // no code is 0xFFFF: 0xFF is never a trail byte

    std::array<char16_t, 256> m_single{}; // what a byte that is no lead byte reads as
    std::vector<char16_t> m_pair;         // indexed by lead << 8 | trail
    std::vector<quint16> m_code;          // a character's code, or kNoCode
};
