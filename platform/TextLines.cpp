#include "TextLines.h"

#include "WorkProgress.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

// The first CR or LF in t[from, size), or size. This runs over every character of every file
// read, so it skips four characters at a time while none of them is below U+000E.
qsizetype FindBreak(const char16_t* t, qsizetype from, qsizetype size) {
    constexpr std::uint64_t kOnes = 0x0001000100010001ULL, kHigh = 0x8000800080008000ULL;
    qsizetype i = from;
    for (;;) {
        while (size - i >= 4) {
            std::uint64_t word;
            std::memcpy(&word, t + i, sizeof word);
            if (((word - kOnes * 0x000E) & ~word & kHigh) != 0)
                break; // maybe a character below U+000E: look closer
            i += 4;
        }
        for (const qsizetype stop = std::min(size, i + 4); i < stop; ++i) {
            if (t[i] == u'\n' || t[i] == u'\r')
                return i;
        }
        if (i >= size)
            return size;
    }
}

} // namespace

CTextLines::CTextLines(QByteArrayView payload, CTextCodec::Encoding encoding)
    : m_bytes(payload), m_codec(encoding), m_unit(m_codec.unitSize()),
      m_bigEndian(encoding == CTextCodec::Encoding::Utf16BE) {}

unsigned CTextLines::unitAt(qsizetype offset) const {
    const auto* p = reinterpret_cast<const unsigned char*>(m_bytes.data()) + offset;
    if (m_unit == 1)
        return p[0];
    return m_bigEndian ? (unsigned(p[0]) << 8) | p[1] : (unsigned(p[1]) << 8) | p[0];
}

qsizetype CTextLines::breakAt(qsizetype offset) const {
    const qsizetype size = m_bytes.size();
    // Only whole units count; half a UTF-16 unit at the very end belongs to the last line.
    const qsizetype lastUnit = size - size % m_unit;
    if (m_unit == 1) {
        const char* p = m_bytes.data();
        while (offset < size && p[offset] != '\n' && p[offset] != '\r')
            ++offset;
    } else {
        while (offset < lastUnit && unitAt(offset) != '\n' && unitAt(offset) != '\r')
            offset += m_unit;
    }
    return offset < lastUnit ? offset : size;
}

qsizetype CTextLines::pastBreak(qsizetype offset) const {
    const qsizetype size = m_bytes.size();
    if (offset >= size)
        return size;
    const qsizetype lastUnit = size - size % m_unit;
    const bool cr = unitAt(offset) == '\r';
    offset += m_unit;
    if (cr && offset < lastUnit && unitAt(offset) == '\n')
        offset += m_unit; // CRLF is one break, never split between pieces
    return offset;
}

bool CTextLines::decodeNextPiece() {
    // Pieces small enough to stay in the processor's cache, ending after a line break.
    constexpr qsizetype kPiece = qsizetype(64) * 1024;
    while (m_decoded < m_bytes.size()) {
        const qsizetype begin = m_decoded;
        m_decoded = pastBreak(breakAt(std::min(m_bytes.size(), begin + kPiece)));
        // Before the piece is used, so that a stopped load never works on with it.
        CWorkProgress::Step(m_decoded, m_bytes.size());
        m_codec.decodeInto(m_bytes.sliced(begin, m_decoded - begin), m_text);
        m_textPos = 0;
        if (!m_text.isEmpty())
            return true;
    }
    return false;
}

bool CTextLines::next(Line& line) {
    if (m_pos >= m_bytes.size())
        return false;
    line.begin = m_pos;
    line.end = breakAt(m_pos);
    line.next = pastBreak(line.end);
    m_pos = line.next;
    // The text, split the same way.
    if (!nextText(line.text))
        line.text = QStringView();
    return true;
}

bool CTextLines::nextText(QStringView& text) {
    if (m_textPos >= m_text.size() && !decodeNextPiece())
        return false;
    const char16_t* t = QStringView(m_text).utf16();
    const qsizetype size = m_text.size();
    const qsizetype end = FindBreak(t, m_textPos, size);
    text = QStringView(m_text).sliced(m_textPos, end - m_textPos);
    m_textPos = end;
    if (m_textPos < size && t[m_textPos++] == u'\r' && m_textPos < size && t[m_textPos] == u'\n')
        ++m_textPos;
    return true;
}
