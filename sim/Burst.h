#pragma once
// Builds one burst of console output: cursor-addressed segments, the
// message line, raw echo and the final park. Every segment text is cut to
// the 78 columns a screen row offers and stripped of control bytes, so no
// drawn line can reach the program longer than 85 bytes.
#include <string>
#include <string_view>

namespace sim {

constexpr int kMessageRow = 20;
constexpr int kMessageCol = 2;
constexpr int kMessageWidth = 78;

class Burst {
public:
    // ESC[2J ESC[20;02H ESC[01;09H: the start of every full draw.
    Burst& prologue();
    // ESC[rr;ccH followed by the text.
    Burst& at(int row, int col, std::string_view text);
    // The message line: the text padded with blanks to 78 columns.
    Burst& message(std::string_view text);
    Burst& clearMessage() { return message(""); }
    // The cursor rest that ends a burst; nothing may follow it.
    Burst& park(int row, int col);
    // Bytes sent as they are (echo, scrolling output).
    Burst& raw(std::string_view bytes);

    const std::string& bytes() const { return out_; }
    bool empty() const { return out_.empty(); }

private:
    void address(int row, int col);
    std::string out_;
};

// "<" + label + ">" or " " + label + " ".
std::string ItemText(const std::string& label, bool highlighted);
// Pads with blanks to `width` (never cuts).
std::string Pad(std::string text, size_t width);

} // namespace sim
