// tavik-tblc SOURCE OUTPUT: compiles the readable page table into the
// binary "Parser.tbl". On any error nothing is written and the exit status
// is 1.
#include "tools/pagetable/TableFile.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SOURCE.txt OUTPUT.tbl\n", argv[0]);
        return 2;
    }
    const std::string source = argv[1];
    const std::string output = argv[2];

    std::ifstream in(source, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "%s: cannot open\n", source.c_str());
        return 1;
    }
    std::ostringstream text;
    text << in.rdbuf();

    tbl::Table table;
    std::string error;
    if (!tbl::ParseText(text.str(), table, error)) {
        std::fprintf(stderr, "%s:%s\n", source.c_str(), error.c_str());
        return 1;
    }

    // Written beside the target and renamed, so a failed write never leaves a
    // half table where the program would load it.
    const std::string bytes = tbl::EncodeBinary(table);
    const std::string temp = output + ".tmp";
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (f == nullptr) {
        std::fprintf(stderr, "%s: cannot write\n", temp.c_str());
        return 1;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed || std::rename(temp.c_str(), output.c_str()) != 0) {
        std::remove(temp.c_str());
        std::fprintf(stderr, "%s: cannot write\n", output.c_str());
        return 1;
    }
    return 0;
}
