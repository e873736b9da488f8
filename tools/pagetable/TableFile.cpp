#include "tools/pagetable/TableFile.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace tbl {

namespace {

constexpr size_t kRecordSize = 88;

void putLe32(std::string& out, int32_t v) {
    uint32_t u;
    std::memcpy(&u, &v, sizeof u);
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
}

int32_t getLe32(const unsigned char* p) {
    const uint32_t u = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                       static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
    int32_t v;
    std::memcpy(&v, &u, sizeof v);
    return v;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// Cursor over one source line.
struct LineReader {
    const std::string& s;
    size_t i = 0;

    bool atEnd() const { return i >= s.size(); }
    void skipBlanks() {
        while (i < s.size() && isBlank(s[i]))
            ++i;
    }
    // A field ends at a blank or the end of the line.
    std::string word() {
        const size_t start = i;
        while (i < s.size() && !isBlank(s[i]))
            ++i;
        return s.substr(start, i - start);
    }
};

bool parseInt32(const std::string& w, int32_t& out) {
    if (w.empty() || w.size() > 12) return false;
    size_t i = 0;
    bool negative = false;
    if (w[0] == '+' || w[0] == '-') {
        negative = w[0] == '-';
        i = 1;
    }
    if (i == w.size()) return false;
    long long v = 0;
    for (; i < w.size(); ++i) {
        if (w[i] < '0' || w[i] > '9') return false;
        v = v * 10 + (w[i] - '0');
        if (v > static_cast<long long>(std::numeric_limits<int32_t>::max()) + 1) return false;
    }
    if (negative) v = -v;
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
        return false;
    out = static_cast<int32_t>(v);
    return true;
}

bool parseList(const std::string& w, int& list) {
    if (w == "TOP") {
        list = 0;
        return true;
    }
    if (w.empty() || w.size() > 2) return false;
    int n = 0;
    for (char c : w) {
        if (c < '0' || c > '9') return false;
        n = n * 10 + (c - '0');
    }
    if (n >= kPageLists) return false;
    list = 1 + n;
    return true;
}

// One non-comment line; `why` gets the message on failure.
bool parseEntryLine(const std::string& line, int& list, Entry& e, std::string& why) {
    LineReader r{line};
    r.skipBlanks();
    const std::string listWord = r.word();
    if (!parseList(listWord, list)) {
        why = "bad list \"" + listWord + "\" (TOP or 0 to 15)";
        return false;
    }
    r.skipBlanks();
    const std::string posWord = r.word();
    if (!parseInt32(posWord, e.position)) {
        why = "bad position \"" + posWord + "\"";
        return false;
    }
    r.skipBlanks();
    if (r.atEnd() || line[r.i] != '"') {
        why = "key must be written between double quotes";
        return false;
    }
    ++r.i;
    e.key.clear();
    for (;;) {
        if (r.atEnd()) {
            why = "unterminated quote";
            return false;
        }
        char c = line[r.i++];
        if (c == '"') break;
        if (c == '\\') {
            if (r.atEnd()) {
                why = "unterminated quote";
                return false;
            }
            c = line[r.i++];
            if (c != '"' && c != '\\') {
                why = std::string("bad escape \\") + c + " (only \\\" and \\\\)";
                return false;
            }
        } else if (c == 0) {
            why = "zero byte in key";
            return false;
        } else if (c == '\r') {
            // The text form cannot write it back: a line break ends a line.
            why = "line break in key";
            return false;
        }
        e.key.push_back(c);
    }
    if (e.key.size() > kMaxKey) {
        why = "key longer than 79 bytes (" + std::to_string(e.key.size()) + ")";
        return false;
    }
    if (!r.atEnd() && !isBlank(line[r.i])) {
        why = "expected a blank after the key";
        return false;
    }
    r.skipBlanks();
    const std::string valueWord = r.word();
    if (!parseInt32(valueWord, e.value)) {
        why = valueWord.empty() ? std::string("missing value") : "bad value \"" + valueWord + "\"";
        return false;
    }
    r.skipBlanks();
    if (!r.atEnd()) {
        why = "unexpected text after the value";
        return false;
    }
    return true;
}

} // namespace

std::string ListName(int list) {
    return list == 0 ? "TOP" : std::to_string(list - 1);
}

bool ParseText(const std::string& text, Table& table, std::string& error) {
    for (auto& l : table)
        l.clear();
    size_t start = 0;
    int lineNo = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();

        size_t first = 0;
        while (first < line.size() && isBlank(line[first]))
            ++first;
        if (first == line.size() || line[first] == '#') continue;

        int list = 0;
        Entry e;
        std::string why;
        if (!parseEntryLine(line, list, e, why)) {
            error = std::to_string(lineNo) + ": " + why;
            return false;
        }
        table[list].push_back(std::move(e));
    }
    return true;
}

std::string FormatText(const Table& table, std::string* skipped) {
    std::string out;
    for (int list = 0; list < kLists; ++list) {
        int index = 0;
        for (const Entry& e : table[list]) {
            ++index;
            if (e.key.find_first_of("\r\n") != std::string::npos) {
                if (skipped)
                    *skipped += "list " + ListName(list) + " entry " + std::to_string(index) +
                                ": key holds a line break\n";
                continue;
            }
            out += ListName(list);
            out += '\t';
            out += std::to_string(e.position);
            out += "\t\"";
            for (char c : e.key) {
                if (c == '"' || c == '\\') out += '\\';
                out += c;
            }
            out += "\"\t";
            out += std::to_string(e.value);
            out += '\n';
        }
    }
    return out;
}

std::string EncodeBinary(const Table& table) {
    std::string out;
    for (const auto& list : table) {
        putLe32(out, static_cast<int32_t>(list.size()));
        for (const Entry& e : list) {
            putLe32(out, e.position);
            char key[80] = {};
            std::memcpy(key, e.key.data(), std::min(e.key.size(), kMaxKey));
            out.append(key, sizeof key);
            putLe32(out, e.value);
        }
    }
    return out;
}

bool DecodeBinary(std::FILE* f, Table& table, std::string& problem) {
    for (auto& l : table)
        l.clear();
    long long remaining = -1;
    if (std::fseek(f, 0, SEEK_END) == 0) {
        const long size = std::ftell(f);
        if (size >= 0) remaining = size;
    }
    if (std::fseek(f, 0, SEEK_SET) != 0) remaining = -1;
    long long offset = 0;

    for (int list = 0; list < kLists; ++list) {
        unsigned char countBytes[4];
        if (std::fread(countBytes, 1, 4, f) != 4) {
            problem = "file ends before the count of list " + ListName(list) + " (offset " +
                      std::to_string(offset) + ")";
            return false;
        }
        offset += 4;
        if (remaining >= 0) remaining -= 4;
        const int32_t count = getLe32(countBytes);
        if (count < 0) {
            problem = "negative count " + std::to_string(count) + " for list " + ListName(list);
            return false;
        }
        if (remaining >= 0 && count > remaining / static_cast<long long>(kRecordSize)) {
            problem = "list " + ListName(list) + " announces " + std::to_string(count) +
                      " records, the file holds at most " +
                      std::to_string(remaining / static_cast<long long>(kRecordSize));
            return false;
        }
        for (int32_t i = 0; i < count; ++i) {
            unsigned char record[kRecordSize];
            if (std::fread(record, 1, kRecordSize, f) != kRecordSize) {
                problem = "file ends inside record " + std::to_string(i + 1) + " of list " +
                          ListName(list);
                return false;
            }
            offset += static_cast<long long>(kRecordSize);
            if (remaining >= 0) remaining -= static_cast<long long>(kRecordSize);
            Entry e;
            e.position = getLe32(record);
            const char* key = reinterpret_cast<const char*>(record + 4);
            e.key.assign(key, strnlen(key, kMaxKey));
            e.value = getLe32(record + 84);
            table[list].push_back(std::move(e));
        }
    }
    return true;
}

} // namespace tbl
