// Page recognition with the program's own Parser.tbl: every line of the
// input goes through the screen-start check and Parser::Parse. A recognised
// entry must be one the current page's list holds at that position, whose
// key the line contains; texts stay terminated inside their field.
#include "engine/LineFraming.h"
#include "engine/PageTable.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {
Parser* g_parser = nullptr;
std::string g_table;
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char*** argv) {
    // Built beside the fuzzer by the page-table target.
    std::string dir = (*argv)[0];
    dir = dir.find('/') == std::string::npos ? "." : dir.substr(0, dir.rfind('/'));
    g_table = dir + "/Parser.tbl";
    g_parser = new Parser;
    if (!g_parser->LoadTable(g_table)) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    // Every input starts from no page, as a new connection does.
    g_parser->LoadTable(g_table);
    ResetScreenStartCheck();
    size_t start = 0;
    while (start <= input.size()) {
        size_t end = input.find('\n', start);
        if (end == std::string::npos) end = input.size();
        std::string line = input.substr(start, end - start);
        line = line.substr(0, line.find('\0'));
        start = end + 1;
        CheckScreenStart(line.c_str());
        const auto made = MakeEntry(line.c_str());
        if (std::strlen(made->text) > 79) std::abort();
        const auto e = g_parser->Parse(line.c_str());
        if (memchr(e->text, 0, sizeof e->text) == nullptr) std::abort();
        if (e->value == -1) continue;
        const int state = g_parser->PageState();
        if (state < 0 || state > 15) std::abort();
        const StringPage& list = g_parser->PageList(state);
        bool found = false;
        for (int i = 0; i < list.Count() && !found; ++i)
            found = list.At(i).position == e->position && list.At(i).value == e->value &&
                    FindKey(made->text, list.At(i).text) >= 0;
        if (!found) std::abort();
    }
    return 0;
}
