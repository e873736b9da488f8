#pragma once
#include <cstdint>

// One record of "Parser.tbl" and the result of recognising one console line.
// The on-disk layout is exactly this struct, little-endian, no padding.
struct PageEntry {
    int32_t position; // row * 100 + column; 4099 "$" line; 9999 no position; 10000 sentinel
    char text[80];    // zero-terminated
    int32_t value;    // page state (top list), page * 1000 + item, or -1
};
static_assert(sizeof(PageEntry) == 88, "PageEntry is the 88-byte table record");

constexpr int32_t kNoPosition = 9999;
constexpr int32_t kDollarPosition = 4099;
constexpr int32_t kSentinelPosition = 10000;
// A cursor-address line whose row or column is not a number from 0 to 99.
// Above the sentinel, so it matches no entry of any list.
constexpr int32_t kUnknownPosition = 10001;
