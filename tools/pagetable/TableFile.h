#pragma once
// The page table in memory, its binary file and its readable text form,
// shared by the compiler and the dumper.
#include "engine/PageEntry.h"

#include <array>
#include <cstdio>
#include <string>
#include <vector>

namespace tbl {

constexpr int kPageLists = 16;
constexpr int kLists = kPageLists + 1; // the top list, then page lists 0..15
constexpr size_t kMaxKey = 79;

struct Entry {
    int32_t position = 0;
    std::string key; // at most 79 bytes, no zero byte
    int32_t value = 0;
};

// lists[0] is the top list, lists[1 + i] page list i.
using Table = std::array<std::vector<Entry>, kLists>;

// "TOP" or "0".."15" for a list index.
std::string ListName(int list);

// Parses the readable form. On the first error, fills `error` with
// "LINE: message" and returns false.
bool ParseText(const std::string& text, Table& table, std::string& error);

// The canonical readable form: one TAB-separated line per entry, lists in
// order, entries in table order, no comments. Entries whose key cannot be
// written on one line (it holds a line break) are left out and reported in
// `skipped` (one line each).
std::string FormatText(const Table& table, std::string* skipped = nullptr);

// The binary file: for each list a little-endian int32 count, then 88-byte
// records {int32 position, 80-byte zero-padded key, int32 value}.
std::string EncodeBinary(const Table& table);

// Reads a binary table with the engine's rules: a negative count, or one the
// rest of the file cannot hold, ends the reading after the records that are
// there; nothing past the data is read. Returns false (with `problem` set)
// when the file was cut short or malformed; `table` holds what was read.
bool DecodeBinary(std::FILE* f, Table& table, std::string& problem);

} // namespace tbl
