// The page table's readable form: whatever the compiler accepts, the dumper
// writes back whole (no entry skipped), and the canonical text is a fixed
// point: text -> table -> text -> table gives the same table bytes.
#include "tools/pagetable/TableFile.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string source(reinterpret_cast<const char*>(data), size);
    tbl::Table table;
    std::string error;
    if (!tbl::ParseText(source, table, error)) return 0;
    std::string skipped;
    const std::string text = tbl::FormatText(table, &skipped);
    if (!skipped.empty()) std::abort(); // accepted, but cannot be written back
    tbl::Table again;
    if (!tbl::ParseText(text, again, error)) std::abort();
    if (tbl::EncodeBinary(again) != tbl::EncodeBinary(table)) std::abort();
    if (tbl::FormatText(again) != text) std::abort();
    return 0;
}
