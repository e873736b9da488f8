// The page-table loader on any bytes: the engine's lists must be the
// tool's decoding of the same file, stably sorted by position (equal
// positions in file order), without the entries no line can reach, with the
// end sentinel last; and what the text form can hold survives
// binary -> text -> binary -> text unchanged.
#include "engine/PageTable.h"
#include "tools/pagetable/TableFile.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    char path[] = "/tmp/fuzz_table_XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) return 0;
    std::FILE* f = fdopen(fd, "w+b");
    std::fwrite(data, 1, size, f);
    std::fflush(f);
    Parser parser;
    parser.LoadTable(path);
    std::rewind(f);
    tbl::Table table;
    std::string problem;
    tbl::DecodeBinary(f, table, problem);
    std::fclose(f);
    std::remove(path);

    for (int list = 0; list < tbl::kLists; ++list) {
        const StringPage& page = list == 0 ? parser.TopList() : parser.PageList(list - 1);
        std::vector<tbl::Entry> want;
        for (const tbl::Entry& e : table[list])
            if (e.position <= kNoPosition) want.push_back(e);
        std::stable_sort(want.begin(), want.end(),
                         [](const auto& a, const auto& b) { return a.position < b.position; });
        if (page.Count() != static_cast<int>(want.size()) + 1) std::abort();
        for (size_t i = 0; i < want.size(); ++i) {
            const PageEntry& got = page.At(static_cast<int>(i));
            if (got.position != want[i].position || got.value != want[i].value) std::abort();
            if (memchr(got.text, 0, sizeof got.text) == nullptr) std::abort();
            if (want[i].key.compare(0, std::string::npos, got.text) != 0) std::abort();
        }
        if (page.At(page.Count() - 1).position != kSentinelPosition) std::abort();
    }

    const std::string text = tbl::FormatText(table);
    tbl::Table again;
    std::string error;
    if (!tbl::ParseText(text, again, error)) std::abort();
    if (tbl::FormatText(again) != text) std::abort();
    return 0;
}
