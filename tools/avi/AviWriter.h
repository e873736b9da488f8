#pragma once
// Writes the subset of AVI that the busy window's player reads: one video
// stream of DIB frames (uncompressed or RLE8), with an index. Standard C++
// only, so the animation can be made at build time without the toolkit.
#include <cstdint>
#include <string>
#include <vector>

namespace aviwriter {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;

struct Rgb {
    uint8_t r, g, b;
};

struct Movie {
    int32_t width = 0;
    int32_t height = 0;    // positive: rows stored bottom-up
    uint16_t bitCount = 8; // 8, 24 or 32
    uint32_t compression = kBiRgb;
    std::vector<Rgb> palette; // 8-bit frames only
    uint32_t microSecPerFrame = 100000;
    std::vector<std::vector<uint8_t>> frames; // each frame's chunk data, as stored
};

namespace detail {
inline void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
inline void PutFourCc(std::vector<uint8_t>& out, const char* cc) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(cc[i]));
}
inline void Patch32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
// Starts a chunk (or a LIST with its type) and returns where its size goes.
inline size_t Begin(std::vector<uint8_t>& out, const char* id, const char* listType = nullptr) {
    PutFourCc(out, id);
    size_t at = out.size();
    Put32(out, 0);
    if (listType) PutFourCc(out, listType);
    return at;
}
inline void End(std::vector<uint8_t>& out, size_t sizeAt) {
    Patch32(out, sizeAt, static_cast<uint32_t>(out.size() - sizeAt - 4));
    if (out.size() % 2) out.push_back(0); // chunks are word aligned
}
} // namespace detail

// Row stride of an uncompressed DIB: rows are padded to 4 bytes.
inline uint32_t DibStride(int32_t width, uint16_t bitCount) {
    return ((static_cast<uint32_t>(width) * bitCount + 31) / 32) * 4;
}

// RLE8 encoding of an 8-bit image given top row first (`pixels` holds
// width * height indices); rows are written bottom-up as DIBs are. Runs of
// three or more equal pixels are encoded runs; everything else goes into
// absolute blocks.
inline std::vector<uint8_t> EncodeRle8(const std::vector<uint8_t>& pixels, int32_t width,
                                       int32_t height) {
    std::vector<uint8_t> out;
    for (int32_t y = height - 1; y >= 0; --y) {
        const uint8_t* row = pixels.data() + static_cast<size_t>(y) * width;
        int32_t x = 0;
        while (x < width) {
            int32_t run = 1;
            while (x + run < width && run < 255 && row[x + run] == row[x])
                ++run;
            if (run >= 3) {
                out.push_back(static_cast<uint8_t>(run));
                out.push_back(row[x]);
                x += run;
                continue;
            }
            // Gather literals until the next run of three (or the limit).
            int32_t lit = 0;
            while (x + lit < width && lit < 255) {
                int32_t ahead = 1;
                while (x + lit + ahead < width && ahead < 3 && row[x + lit + ahead] == row[x + lit])
                    ++ahead;
                if (ahead >= 3) break;
                ++lit;
            }
            if (lit < 3) {
                // Absolute blocks need at least three pixels: short ones are
                // written as runs of one or two.
                for (int32_t k = 0; k < lit; ++k) {
                    out.push_back(1);
                    out.push_back(row[x + k]);
                }
            } else {
                out.push_back(0);
                out.push_back(static_cast<uint8_t>(lit));
                out.insert(out.end(), row + x, row + x + lit);
                if (lit % 2) out.push_back(0);
            }
            x += lit;
        }
        out.push_back(0);
        out.push_back(y == 0 ? 1 : 0); // end of line, or end of bitmap after the last
    }
    return out;
}

inline std::vector<uint8_t> WriteAvi(const Movie& m) {
    using namespace detail;
    const uint32_t nFrames = static_cast<uint32_t>(m.frames.size());
    const uint32_t paletteCount = m.bitCount <= 8 ? static_cast<uint32_t>(m.palette.size()) : 0;
    const uint32_t imageSize =
        DibStride(m.width, m.bitCount) * static_cast<uint32_t>(m.height < 0 ? -m.height : m.height);
    uint32_t largest = 0;
    for (const auto& f : m.frames)
        largest = f.size() > largest ? static_cast<uint32_t>(f.size()) : largest;
    const char* chunkId = m.compression == kBiRgb ? "00db" : "00dc";

    std::vector<uint8_t> out;
    size_t riff = Begin(out, "RIFF", "AVI ");
    size_t hdrl = Begin(out, "LIST", "hdrl");
    size_t avih = Begin(out, "avih");
    Put32(out, m.microSecPerFrame);
    Put32(out,
          largest * (1000000 / (m.microSecPerFrame ? m.microSecPerFrame : 1) + 1)); // max bytes/s
    Put32(out, 0);       // padding granularity
    Put32(out, 0x10);    // AVIF_HASINDEX
    Put32(out, nFrames); // total frames
    Put32(out, 0);       // initial frames
    Put32(out, 1);       // streams
    Put32(out, largest); // suggested buffer size
    Put32(out, static_cast<uint32_t>(m.width));
    Put32(out, static_cast<uint32_t>(m.height < 0 ? -m.height : m.height));
    for (int i = 0; i < 4; ++i)
        Put32(out, 0); // reserved
    End(out, avih);

    size_t strl = Begin(out, "LIST", "strl");
    size_t strh = Begin(out, "strh");
    PutFourCc(out, "vids");
    if (m.compression == kBiRle8)
        PutFourCc(out, "RLE ");
    else
        PutFourCc(out, "DIB ");
    Put32(out, 0);                  // flags
    Put16(out, 0);                  // priority
    Put16(out, 0);                  // language
    Put32(out, 0);                  // initial frames
    Put32(out, m.microSecPerFrame); // scale
    Put32(out, 1000000);            // rate: rate / scale = frames per second
    Put32(out, 0);                  // start
    Put32(out, nFrames);            // length
    Put32(out, largest);            // suggested buffer size
    Put32(out, 0xFFFFFFFF);         // quality: default
    Put32(out, 0);                  // sample size
    Put16(out, 0);                  // frame rectangle
    Put16(out, 0);
    Put16(out, static_cast<uint32_t>(m.width));
    Put16(out, static_cast<uint32_t>(m.height < 0 ? -m.height : m.height));
    End(out, strh);

    size_t strf = Begin(out, "strf");
    Put32(out, 40);
    Put32(out, static_cast<uint32_t>(m.width));
    Put32(out, static_cast<uint32_t>(m.height));
    Put16(out, 1);
    Put16(out, m.bitCount);
    Put32(out, m.compression);
    Put32(out, m.compression == kBiRgb ? imageSize : 0);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, paletteCount);
    Put32(out, 0);
    for (uint32_t i = 0; i < paletteCount; ++i) {
        out.push_back(m.palette[i].b);
        out.push_back(m.palette[i].g);
        out.push_back(m.palette[i].r);
        out.push_back(0);
    }
    End(out, strf);
    End(out, strl);
    End(out, hdrl);

    size_t movi = Begin(out, "LIST", "movi");
    std::vector<std::pair<uint32_t, uint32_t>> index; // offset from "movi", size
    for (const auto& f : m.frames) {
        index.emplace_back(static_cast<uint32_t>(out.size() - (movi + 4)),
                           static_cast<uint32_t>(f.size()));
        size_t c = Begin(out, chunkId);
        out.insert(out.end(), f.begin(), f.end());
        End(out, c);
    }
    End(out, movi);

    size_t idx1 = Begin(out, "idx1");
    for (const auto& [offset, size] : index) {
        PutFourCc(out, chunkId);
        Put32(out, 0x10); // AVIIF_KEYFRAME
        Put32(out, offset);
        Put32(out, size);
    }
    End(out, idx1);
    End(out, riff);
    return out;
}

} // namespace aviwriter
