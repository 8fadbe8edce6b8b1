#include "Cp932Table.h"

#include <QStringDecoder>

namespace {

constexpr char16_t kDefaultChar = 0x30FB; // what Windows reads an unassigned code as
constexpr char16_t kBrokenChar = 0x001A;  // a lead byte with no trail byte after it

unsigned PairIndex(unsigned char lead, unsigned char trail) {
    return unsigned(lead) << 8 | trail;
}

// The rows Windows reads but never writes: each of their characters has a code elsewhere.
bool IsNecSelectedRow(unsigned code) {
    const unsigned lead = code >> 8;
    return lead == 0xED || lead == 0xEE;
}

} // namespace

const CCp932Table& CCp932Table::Get() {
    static const CCp932Table table;
    return table;
}

CCp932Table::CCp932Table() : m_pair(0x10000, kDefaultChar), m_code(0x10000, kNoCode) {
    for (unsigned b = 0; b < 0x80; ++b)
        m_single[b] = char16_t(b);
    for (unsigned b = 0xA1; b <= 0xDF; ++b)
        m_single[b] = char16_t(0xFF61 + (b - 0xA1)); // half-width katakana
    m_single[0x80] = 0x0080;
    m_single[0xA0] = 0xF8F0;
    m_single[0xFD] = 0xF8F1;
    m_single[0xFE] = 0xF8F2;
    m_single[0xFF] = 0xF8F3;
    for (unsigned b = 0; b < 0x100; ++b) {
        if (IsLeadByte(static_cast<unsigned char>(b)))
            m_single[b] = kBrokenChar;
    }
    chooseCodes(readPairsFromIcu());
}

// Every lead/trail pair decoded in one call, each followed by a line break, which ends any
// broken sequence before it and is never swallowed. A pair that gives one character other
// than ICU's substitutes is assigned; anything else keeps Windows' default character.
std::vector<unsigned> CCp932Table::readPairsFromIcu() {
    QByteArray bytes;
    std::vector<unsigned> pairs;
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
            if (!IsLeadByte(static_cast<unsigned char>(lead)) ||
                !IsTrailByte(static_cast<unsigned char>(trail)))
                continue;
            pairs.push_back(
                PairIndex(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)));
            bytes.append(char(lead)).append(char(trail)).append('\n');
        }
    }
    QStringDecoder decoder("CP932", QStringConverter::Flag::Stateless);
    std::vector<unsigned> assigned;
    if (!decoder.isValid())
        return assigned;
    const QString text = decoder.decode(bytes);
    qsizetype from = 0;
    for (const unsigned pair : pairs) {
        const qsizetype end = text.indexOf(u'\n', from);
        if (end < 0)
            break;
        if (end - from == 1) {
            const char16_t c = text.at(from).unicode();
            if (c != kBrokenChar && c != QChar::ReplacementCharacter) {
                m_pair[pair] = c;
                assigned.push_back(pair);
            }
        }
        from = end + 1;
    }
    return assigned;
}

// Single bytes first, then the assigned pairs in ascending order, the first code of a character
// winning; the NEC-selected rows only for characters nothing else holds.
void CCp932Table::chooseCodes(const std::vector<unsigned>& assigned) {
    for (unsigned b = 0; b < 0x100; ++b) {
        if (!IsLeadByte(static_cast<unsigned char>(b)))
            m_code[m_single[b]] = quint16(b);
    }
    for (const bool necSelected : {false, true}) {
        for (const unsigned code : assigned) {
            const char16_t c = m_pair[code];
            if (IsNecSelectedRow(code) == necSelected && m_code[c] == kNoCode)
                m_code[c] = quint16(code);
        }
    }
}

QChar* CCp932Table::decode(QByteArrayView bytes, QChar* out) const {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    while (p < end) {
        const unsigned char c = *p++;
        if (c < 0x80) {
            *out++ = QChar(c);
        } else if (IsLeadByte(c) && p < end && IsTrailByte(*p)) {
            *out++ = QChar(m_pair[PairIndex(c, *p++)]);
        } else {
            *out++ = QChar(m_single[c]);
        }
    }
    return out;
}

bool CCp932Table::encode(QStringView text, QByteArray& out) const {
    out.reserve(out.size() + 2 * text.size());
    for (const QChar ch : text) {
        const quint16 code = m_code[ch.unicode()];
        if (code == kNoCode)
            return false; // surrogates are never given a code
        if (code > 0xFF)
            out.append(char(code >> 8));
        out.append(char(code & 0xFF));
    }
    return true;
}
