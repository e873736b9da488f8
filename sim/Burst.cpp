#include "sim/Burst.h"

#include <algorithm>
#include <cstdio>

namespace sim {

Burst& Burst::prologue() {
    out_ += "\x1b[2J\x1b[20;02H\x1b[01;09H";
    return *this;
}

void Burst::address(int row, int col) {
    char seq[16];
    std::snprintf(seq, sizeof seq, "\x1b[%02d;%02dH", std::clamp(row, 1, 99),
                  std::clamp(col, 1, 99));
    out_ += seq;
}

Burst& Burst::at(int row, int col, std::string_view text) {
    address(row, col);
    for (size_t i = 0; i < text.size() && i < static_cast<size_t>(kMessageWidth); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        out_ += (c >= 0x20 && c <= 0x7E) ? static_cast<char>(c) : '?';
    }
    return *this;
}

Burst& Burst::message(std::string_view text) {
    return at(kMessageRow, kMessageCol, Pad(std::string(text), kMessageWidth));
}

Burst& Burst::park(int row, int col) {
    address(row, col);
    return *this;
}

Burst& Burst::raw(std::string_view bytes) {
    out_ += bytes;
    return *this;
}

std::string ItemText(const std::string& label, bool highlighted) {
    return highlighted ? "<" + label + ">" : " " + label + " ";
}

std::string Pad(std::string text, size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

} // namespace sim
