// tavik-mkavi: draws the busy window's animation, two computers joined by a
// serial cable with packets travelling both ways, and writes it as an RLE8
// AVI ("net_comm.avi").
//
// Usage: tavik-mkavi <output.avi>
#include "tools/avi/AviWriter.h"

#include <cstdio>
#include <vector>

namespace {

constexpr int kWidth = 272;
constexpr int kHeight = 60;
constexpr int kFrames = 16;

// Palette indexes. The background matches the usual window face so the
// animation blends into the busy window.
enum : uint8_t {
    Background = 0,
    Black,
    DarkGrey,
    MidGrey,
    CaseGrey,
    White,
    ScreenBlue,
    ScreenText,
    Cable,
    PacketOut,
    PacketIn,
    LedOn,
    LedOff,
};

const std::vector<aviwriter::Rgb> kPalette = {
    {240, 240, 240}, {0, 0, 0},    {96, 96, 96},    {160, 160, 160}, {200, 200, 200},
    {255, 255, 255}, {0, 64, 160}, {120, 170, 240}, {40, 40, 40},    {0, 170, 0},
    {240, 140, 0},   {0, 230, 0},  {0, 90, 0},
};

struct Canvas {
    std::vector<uint8_t> px = std::vector<uint8_t>(kWidth * kHeight, Background);
    void Fill(int x0, int y0, int x1, int y1, uint8_t c) { // inclusive, clipped
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                if (x >= 0 && x < kWidth && y >= 0 && y < kHeight) px[y * kWidth + x] = c;
    }
    void Frame(int x0, int y0, int x1, int y1, uint8_t c) {
        Fill(x0, y0, x1, y0, c);
        Fill(x0, y1, x1, y1, c);
        Fill(x0, y0, x0, y1, c);
        Fill(x1, y0, x1, y1, c);
    }
};

// One computer: monitor with a blue screen, stand and base with a LED. `left`
// is the monitor's left edge; the screen shows a few lines of "text" that
// scroll with the frame number.
void DrawComputer(Canvas& c, int left, int frame, bool ledOn) {
    c.Fill(left, 4, left + 55, 43, CaseGrey);
    c.Frame(left, 4, left + 55, 43, Black);
    c.Fill(left + 5, 9, left + 50, 38, ScreenBlue);
    for (int line = 0; line < 2; ++line) {
        int len = 10 + ((frame + line * 5) % 4) * 6;
        c.Fill(left + 8, 12 + line * 4, left + 8 + len, 13 + line * 4, ScreenText);
    }
    c.Fill(left + 22, 44, left + 33, 49, DarkGrey);
    c.Fill(left + 10, 50, left + 45, 55, MidGrey);
    c.Frame(left + 10, 50, left + 45, 55, Black);
    c.Fill(left + 40, 52, left + 42, 53, ledOn ? LedOn : LedOff);
}

std::vector<uint8_t> DrawFrame(int f) {
    Canvas c;
    const int leftPc = 8, rightPc = kWidth - 8 - 56;
    DrawComputer(c, leftPc, f, f % 2 == 0);
    DrawComputer(c, rightPc, f + 2, f % 2 == 1);
    // Two cable lanes between the monitors: out (left to right) above, in
    // (right to left) below.
    const int cableX0 = leftPc + 56, cableX1 = rightPc - 1;
    c.Fill(cableX0, 18, cableX1, 19, Cable);
    c.Fill(cableX0, 30, cableX1, 31, Cable);
    const int packetW = 10, travel = cableX1 - cableX0 - packetW - 3;
    const int out = cableX0 + 2 + f * travel / (kFrames - 1);
    const int in = cableX1 - 2 - packetW + 1 - f * travel / (kFrames - 1);
    c.Fill(out, 16, out + packetW - 1, 21, PacketOut);
    c.Fill(in, 28, in + packetW - 1, 33, PacketIn);
    return c.px;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tavik-mkavi <output.avi>\n");
        return 2;
    }
    aviwriter::Movie m;
    m.width = kWidth;
    m.height = kHeight;
    m.bitCount = 8;
    m.compression = aviwriter::kBiRle8;
    m.palette = kPalette;
    m.palette.resize(256, aviwriter::Rgb{0, 0, 0});
    m.microSecPerFrame = 100000;
    for (int f = 0; f < kFrames; ++f)
        m.frames.push_back(aviwriter::EncodeRle8(DrawFrame(f), kWidth, kHeight));
    std::vector<uint8_t> bytes = aviwriter::WriteAvi(m);

    FILE* out = std::fopen(argv[1], "wb");
    if (!out) {
        std::perror(argv[1]);
        return 1;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    ok = std::fclose(out) == 0 && ok;
    if (!ok) {
        std::fprintf(stderr, "tavik-mkavi: could not write %s\n", argv[1]);
        std::remove(argv[1]);
        return 1;
    }
    return 0;
}
