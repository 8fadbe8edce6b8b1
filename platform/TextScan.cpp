#include "TextScan.h"

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
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
    const Byte* const end = begin + bytes.size();
    for (const Byte* p = SkipAscii(begin, end); p < end; p = SkipAscii(p, end)) {
        const int length = SequenceLength(p, end);
        if (length == 0)
            return p - begin;
        p += length;
    }
    return -1;
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
