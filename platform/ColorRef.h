#pragma once

#include <cstdint>

// Windows colour values (0x00BBGGRR). Kept as plain 32-bit numbers because the grid gives
// meaning to values outside the colour range: 0xFF000000 "not set" and -1 "leave unchanged".
using COLORREF = std::uint32_t;

constexpr COLORREF RGB(int r, int g, int b) {
    return COLORREF(r & 0xFF) | (COLORREF(g & 0xFF) << 8) | (COLORREF(b & 0xFF) << 16);
}
constexpr int GetRValue(COLORREF c) {
    return int(c & 0xFF);
}
constexpr int GetGValue(COLORREF c) {
    return int((c >> 8) & 0xFF);
}
constexpr int GetBValue(COLORREF c) {
    return int((c >> 16) & 0xFF);
}

constexpr COLORREF CLR_NOT_SET = 0xFF000000u;
constexpr COLORREF CLR_UNCHANGED = 0xFFFFFFFFu;
