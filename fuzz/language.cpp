// The language-file loader on any bytes: at most the table's room, every
// text terminated and within its line limit (plus the kept line end of a
// message), no line end inside a caption, and a lookup of each loaded id
// finds its first entry.
#include "lang/Language.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ResetLanguageState();
    if (size == 0) return 0;
    std::FILE* f = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (f == nullptr) return 0;
    const int n = LoadLanguageFile(f);
    if (n < 0 || n > kLangTableSize) std::abort();
    for (int i = 0; i < n; ++i) {
        const LangEntry& e = LangTable[i];
        const void* end = memchr(e.text, 0, sizeof e.text);
        if (end == nullptr) std::abort();
        const size_t len = static_cast<const char*>(end) - e.text;
        const bool message = e.id >= 1300;
        if (len > static_cast<size_t>(kLangMaxLineText) + (message ? 1 : 0)) std::abort();
        if (!message && std::strpbrk(e.text, "\r\n") != nullptr) std::abort();
        int first = 0;
        while (LangTable[first].id != e.id)
            ++first;
        if (LookupLangText(e.id) != LangTable[first].text) std::abort();
    }
    return 0;
}
