#include "TextScan.h"

#include <QtEndian>
#include <algorithm>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <tmmintrin.h>
#define QUILLET_UTF8_SSSE3 1
#endif

namespace {

using Byte = unsigned char;

// The first byte at or after p that is not ASCII, or end.
const Byte* SkipAscii(const Byte* p, const Byte* end) {
#if defined(__SSE2__)
    while (end - p >= 16) {
        const int high = _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
        if (high != 0)
            return p + __builtin_ctz(unsigned(high));
        p += 16;
    }
#endif
    while (p < end && *p < 0x80)
        ++p;
    return p;
}

bool IsContinuation(Byte c) {
    return (c & 0xC0) == 0x80;
}

// The length of the valid sequence at p (which is not ASCII), or 0 when it is none.
int SequenceLength(const Byte* p, const Byte* end) {
    const Byte c = *p;
    int trail;
    Byte low = 0x80, high = 0xBF; // range of the first trail byte
    if (c >= 0xC2 && c <= 0xDF) {
        trail = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
        trail = 2;
        if (c == 0xE0)
            low = 0xA0; // overlong
        else if (c == 0xED)
            high = 0x9F; // surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        trail = 3;
        if (c == 0xF0)
            low = 0x90; // overlong
        else if (c == 0xF4)
            high = 0x8F; // beyond U+10FFFF
    } else {
        return 0;
    }
    if (end - p <= trail || p[1] < low || p[1] > high)
        return 0;
    for (int i = 2; i <= trail; ++i) {
        if (!IsContinuation(p[i]))
            return 0;
    }
    return trail + 1;
}

// Scalar: the first byte of the first sequence that is no UTF-8, from a sequence boundary.
qsizetype ScalarFirstInvalid(const Byte* const begin, const Byte* const end) {
    for (const Byte* p = SkipAscii(begin, end); p < end; p = SkipAscii(p, end)) {
        // Japanese text comes in runs of three-byte characters: four bytes read at once tell
        // one of them (or of two bytes) from anything else, which the full rules judge.
        while (end - p >= 4) {
            const quint32 w = qFromLittleEndian<quint32>(p);
            if ((w & 0xC0C0F0u) == 0x8080E0u) { // E0..EF and two trail bytes
                if (p[0] == 0xE0 ? p[1] < 0xA0 : p[0] == 0xED && p[1] > 0x9F)
                    return p - begin; // overlong, or a surrogate
                p += 3;
            } else if ((w & 0xC0E0u) == 0x80C0u) { // C0..DF and a trail byte
                if (p[0] < 0xC2)
                    return p - begin; // overlong
                p += 2;
            } else {
                break;
            }
        }
        if (p < end && *p >= 0x80) {
            const int length = SequenceLength(p, end);
            if (length == 0)
                return p - begin;
            p += length;
        }
    }
    return -1;
}

#if defined(QUILLET_UTF8_SSSE3)
// Whole-block UTF-8 validation after Keiser and Lemire, "Validating UTF-8 in less than one
// instruction per byte" (2021): each byte is judged with the one, two and three before it by
// three table lookups. It stops at the first block of 1 KiB with an error in it and says
// whether there was none; the scalar scan then finds where.
constexpr Byte kTooShort = 1 << 0, kTooLong = 1 << 1, kOverlong3 = 1 << 2, kTooLarge = 1 << 3,
               kSurrogate = 1 << 4, kOverlong2 = 1 << 5, kTooLarge1000 = 1 << 6,
               kOverlong4 = 1 << 6, kTwoConts = 1 << 7;
constexpr Byte kCarry = kTooShort | kTooLong | kTwoConts;

__attribute__((target("ssse3"))) __m128i Table(const Byte (&t)[16]) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(t));
}

// The state of the block validation: its tables, the block before and the errors so far.
struct Utf8Blocks {
    __m128i byte1High, byte1Low, byte2High, incomplete;
    __m128i prev, error;

    __attribute__((target("ssse3"))) void check(__m128i input) {
        if (_mm_movemask_epi8(input) == 0) { // ASCII: only a sequence left open before it
            finish();
            prev = input;
            return;
        }
        const __m128i nibble = _mm_set1_epi8(0x0F);
        const __m128i prev1 = _mm_alignr_epi8(input, prev, 15);
        const __m128i special = _mm_and_si128(
            _mm_and_si128(
                _mm_shuffle_epi8(byte1High, _mm_and_si128(_mm_srli_epi16(prev1, 4), nibble)),
                _mm_shuffle_epi8(byte1Low, _mm_and_si128(prev1, nibble))),
            _mm_shuffle_epi8(byte2High, _mm_and_si128(_mm_srli_epi16(input, 4), nibble)));
        // Bytes two and three after a lead of three or four bytes must be trail bytes.
        const __m128i third = _mm_subs_epu8(_mm_alignr_epi8(input, prev, 14), _mm_set1_epi8(0x60));
        const __m128i fourth = _mm_subs_epu8(_mm_alignr_epi8(input, prev, 13), _mm_set1_epi8(0x70));
        const __m128i must23 =
            _mm_and_si128(_mm_or_si128(third, fourth), _mm_set1_epi8(char(0x80)));
        error = _mm_or_si128(error, _mm_xor_si128(must23, special));
        prev = input;
    }
    // A sequence the block before left open, with nothing after it to finish it.
    __attribute__((target("ssse3"))) void finish() {
        error = _mm_or_si128(error, _mm_subs_epu8(prev, incomplete));
    }
    bool failed() const {
        return _mm_movemask_epi8(_mm_cmpeq_epi8(error, _mm_setzero_si128())) != 0xFFFF;
    }
};

__attribute__((target("ssse3"))) bool IsValidUtf8Blocks(const Byte* p, qsizetype n) {
    static const Byte kByte1High[16] = {kTooLong,
                                        kTooLong,
                                        kTooLong,
                                        kTooLong,
                                        kTooLong,
                                        kTooLong,
                                        kTooLong,
                                        kTooLong,
                                        kTwoConts,
                                        kTwoConts,
                                        kTwoConts,
                                        kTwoConts,
                                        kTooShort | kOverlong2,
                                        kTooShort,
                                        kTooShort | kOverlong3 | kSurrogate,
                                        kTooShort | kTooLarge | kTooLarge1000 | kOverlong4};
    static const Byte kByte1Low[16] = {kCarry | kOverlong3 | kOverlong2 | kOverlong4,
                                       kCarry | kOverlong2,
                                       kCarry,
                                       kCarry,
                                       kCarry | kTooLarge,
                                       kCarry | kTooLarge | kTooLarge1000,
                                       kCarry | kTooLarge | kTooLarge1000,
                                       kCarry | kTooLarge | kTooLarge1000,
                                       kCarry | kTooLarge | kTooLarge1000,
                                       kCarry | kTooLarge | kTooLarge1000,
                                       kCarry | kTooLarge | kTooLarge1000,
                                       kCarry | kTooLarge | kTooLarge1000,
                                       kCarry | kTooLarge | kTooLarge1000,
                                       kCarry | kTooLarge | kTooLarge1000 | kSurrogate,
                                       kCarry | kTooLarge | kTooLarge1000,
                                       kCarry | kTooLarge | kTooLarge1000};
    static const Byte kByte2High[16] = {kTooShort,
                                        kTooShort,
                                        kTooShort,
                                        kTooShort,
                                        kTooShort,
                                        kTooShort,
                                        kTooShort,
                                        kTooShort,
                                        kTooLong | kOverlong2 | kTwoConts | kOverlong3 |
                                            kTooLarge1000 | kOverlong4,
                                        kTooLong | kOverlong2 | kTwoConts | kOverlong3 | kTooLarge,
                                        kTooLong | kOverlong2 | kTwoConts | kSurrogate | kTooLarge,
                                        kTooLong | kOverlong2 | kTwoConts | kSurrogate | kTooLarge,
                                        kTooShort,
                                        kTooShort,
                                        kTooShort,
                                        kTooShort};
    // A block ending in a lead byte whose sequence the block does not finish.
    static const Byte kIncomplete[16] = {255, 255, 255, 255, 255, 255,      255,      255,
                                         255, 255, 255, 255, 255, 0xF0 - 1, 0xE0 - 1, 0xC0 - 1};
    Utf8Blocks blocks{Table(kByte1High),  Table(kByte1Low),    Table(kByte2High),
                      Table(kIncomplete), _mm_setzero_si128(), _mm_setzero_si128()};
    qsizetype i = 0;
    while (n - i >= 16) {
        for (const qsizetype stop = i + std::min<qsizetype>(n - i, 1024) / 16 * 16; i < stop;
             i += 16)
            blocks.check(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)));
        if (blocks.failed())
            return false;
    }
    alignas(16) Byte last[16] = {}; // the rest, then NULs: ASCII that ends any open sequence
    std::copy(p + i, p + n, last);
    blocks.check(_mm_load_si128(reinterpret_cast<const __m128i*>(last)));
    blocks.finish();
    return !blocks.failed();
}

bool HasSsse3() {
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}
#endif

#if defined(__SSE2__)
// The sum of the 16 byte counters in v.
qsizetype SumBytes(__m128i v) {
    const __m128i sums = _mm_sad_epu8(v, _mm_setzero_si128());
    return qsizetype(_mm_cvtsi128_si32(sums)) + qsizetype(_mm_extract_epi16(sums, 4));
}

// The sum of the 8 counters of 16 bits in v.
qsizetype SumWords(__m128i v) {
    const __m128i pairs = _mm_madd_epi16(v, _mm_set1_epi16(1));
    alignas(16) std::int32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), pairs);
    return qsizetype(lanes[0]) + lanes[1] + lanes[2] + lanes[3];
}
#endif

// Raw counts: every CR, every LF, and every CR followed by LF.
struct RawCounts {
    qsizetype cr = 0, lf = 0, pairs = 0;
};

void CountBytes(const Byte* p, qsizetype n, RawCounts& counts) {
    qsizetype i = 0;
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
    // The byte after each block is read too, for the pairs: a block needs one more byte.
    while (n - i > 16) {
        __m128i crs = _mm_setzero_si128(), lfs = crs, pairs = crs;
        // Byte counters hold up to 255 matches each.
        for (int round = 0; round < 255 && n - i > 16; ++round, i += 16) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 1));
            const __m128i isCr = _mm_cmpeq_epi8(a, cr);
            crs = _mm_sub_epi8(crs, isCr);
            lfs = _mm_sub_epi8(lfs, _mm_cmpeq_epi8(a, lf));
            pairs = _mm_sub_epi8(pairs, _mm_and_si128(isCr, _mm_cmpeq_epi8(b, lf)));
        }
        counts.cr += SumBytes(crs);
        counts.lf += SumBytes(lfs);
        counts.pairs += SumBytes(pairs);
    }
#endif
    for (; i < n; ++i) {
        if (p[i] == '\r') {
            ++counts.cr;
            if (i + 1 < n && p[i + 1] == '\n')
                ++counts.pairs;
        } else if (p[i] == '\n') {
            ++counts.lf;
        }
    }
}

void CountUnits(const Byte* p, qsizetype units, bool bigEndian, RawCounts& counts) {
    qsizetype i = 0;
#if defined(__SSE2__)
    // A unit loaded in the machine's (little-endian) order: big-endian units come swapped.
    const __m128i cr = _mm_set1_epi16(short(bigEndian ? 0x0D00 : 0x000D));
    const __m128i lf = _mm_set1_epi16(short(bigEndian ? 0x0A00 : 0x000A));
    while (units - i > 8) {
        __m128i crs = _mm_setzero_si128(), lfs = crs, pairs = crs;
        for (int round = 0; round < 32767 && units - i > 8; ++round, i += 8) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 2 * i));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 2 * i + 2));
            const __m128i isCr = _mm_cmpeq_epi16(a, cr);
            crs = _mm_sub_epi16(crs, isCr);
            lfs = _mm_sub_epi16(lfs, _mm_cmpeq_epi16(a, lf));
            pairs = _mm_sub_epi16(pairs, _mm_and_si128(isCr, _mm_cmpeq_epi16(b, lf)));
        }
        counts.cr += SumWords(crs);
        counts.lf += SumWords(lfs);
        counts.pairs += SumWords(pairs);
    }
#endif
    const int high = bigEndian ? 0 : 1;
    const auto unitAt = [&](qsizetype k) {
        return unsigned(p[2 * k + high]) << 8 | p[2 * k + 1 - high];
    };
    for (; i < units; ++i) {
        const unsigned u = unitAt(i);
        if (u == '\r') {
            ++counts.cr;
            if (i + 1 < units && unitAt(i + 1) == '\n')
                ++counts.pairs;
        } else if (u == '\n') {
            ++counts.lf;
        }
    }
}

} // namespace

namespace TextScan {

qsizetype FirstInvalidUtf8(QByteArrayView bytes) {
    const auto* const begin = reinterpret_cast<const Byte*>(bytes.data());
#if defined(QUILLET_UTF8_SSSE3)
    if (HasSsse3() && IsValidUtf8Blocks(begin, bytes.size()))
        return -1;
#endif
    return ScalarFirstInvalid(begin, begin + bytes.size());
}

qsizetype FindBreak(QByteArrayView text, qsizetype from) {
    const auto* p = reinterpret_cast<const Byte*>(text.data());
    const qsizetype size = text.size();
    qsizetype i = from;
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
    for (; size - i >= 16; i += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const int found =
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, lf)));
        if (found != 0)
            return i + __builtin_ctz(unsigned(found));
    }
#endif
    while (i < size && p[i] != '\r' && p[i] != '\n')
        ++i;
    return i;
}

LineEnds CountLineEnds(QByteArrayView text, int unit, bool bigEndian) {
    const auto* p = reinterpret_cast<const Byte*>(text.data());
    RawCounts raw;
    if (unit == 1)
        CountBytes(p, text.size(), raw);
    else
        CountUnits(p, text.size() / 2, bigEndian, raw);
    // A CR and an LF that form a pair are each counted once alone too.
    return {raw.pairs, raw.lf - raw.pairs, raw.cr - raw.pairs};
}

} // namespace TextScan
