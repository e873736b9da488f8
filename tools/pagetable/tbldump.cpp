// tavik-tbldump TABLE [OUTPUT]: writes a "Parser.tbl" back as canonical
// readable text (to OUTPUT, or standard output). A damaged table is dumped
// as far as it could be read, with the problem on standard error and exit
// status 1.
#include "tools/pagetable/TableFile.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s TABLE.tbl [OUTPUT.txt]\n", argv[0]);
        return 2;
    }
    std::FILE* f = std::fopen(argv[1], "rb");
    if (f == nullptr) {
        std::fprintf(stderr, "%s: cannot open\n", argv[1]);
        return 1;
    }
    tbl::Table table;
    std::string problem;
    bool ok = tbl::DecodeBinary(f, table, problem);
    std::fclose(f);
    if (!ok) std::fprintf(stderr, "%s: %s\n", argv[1], problem.c_str());

    std::string skipped;
    const std::string text = tbl::FormatText(table, &skipped);
    if (!skipped.empty()) {
        std::fprintf(stderr, "%s: entries that the text form cannot hold:\n%s", argv[1],
                     skipped.c_str());
        ok = false;
    }

    std::FILE* out = stdout;
    if (argc == 3) {
        out = std::fopen(argv[2], "wb");
        if (out == nullptr) {
            std::fprintf(stderr, "%s: cannot write\n", argv[2]);
            return 1;
        }
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    if (out != stdout ? std::fclose(out) != 0 : std::fflush(out) != 0) ok = false;
    if (!written) {
        std::fprintf(stderr, "cannot write the text\n");
        return 1;
    }
    return ok ? 0 : 1;
}
