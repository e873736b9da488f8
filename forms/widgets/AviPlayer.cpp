#include "forms/widgets/AviPlayer.h"

#include <QAbstractEventDispatcher>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QPainter>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace avi {
namespace {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr int kMaxDepth = 4;
constexpr int kMaxChunks = 100000;

uint16_t Le16(const uchar* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t Le32(const uchar* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
bool Is(const uchar* p, const char* cc) {
    return std::memcmp(p, cc, 4) == 0;
}

enum class List { Top, Hdrl, Strl, Movi, Other };

struct FrameRef {
    qint64 offset;
    qint64 size;
};

// The RIFF structure, walked with every size checked against the bytes that
// are really there.
struct Parser {
    const uchar* data = nullptr;
    qint64 size = 0;
    QString error;
    int chunks = 0;

    uint32_t usPerFrame = 0;
    int streams = 0;
    int videoStream = -1;
    bool inVideoStrl = false;
    uint32_t scale = 0, rate = 0;

    bool haveFormat = false;
    int32_t width = 0, height = 0;
    uint16_t bitCount = 0;
    uint32_t compression = 0;
    std::vector<QRgb> palette;

    std::vector<FrameRef> frames;

    bool Fail(const char* why) {
        error = QString::fromLatin1(why);
        return false;
    }

    bool Walk(qint64 begin, qint64 end, int depth, List list) {
        if (depth > kMaxDepth) return Fail("lists nested too deeply");
        qint64 pos = begin;
        // Fewer than 8 bytes left cannot hold a chunk: tolerated as padding.
        while (end - pos >= 8) {
            if (++chunks > kMaxChunks) return Fail("too many chunks");
            const uchar* id = data + pos;
            const qint64 csize = Le32(data + pos + 4);
            const qint64 body = pos + 8;
            if (csize > end - body) return Fail("chunk larger than its container");
            if (Is(id, "LIST") || Is(id, "RIFF")) {
                if (csize < 4) return Fail("list without a type");
                if (!Walk(body + 4, body + csize, depth + 1, SubList(list, data + body)))
                    return false;
            } else if (!Chunk(id, body, csize, list)) {
                return false;
            }
            pos = body + csize + (csize & 1);
        }
        return true;
    }

    List SubList(List parent, const uchar* type) {
        if (parent == List::Top && Is(type, "hdrl")) return List::Hdrl;
        if (parent == List::Hdrl && Is(type, "strl")) {
            ++streams;
            inVideoStrl = false;
            return List::Strl;
        }
        if (parent == List::Top && Is(type, "movi")) return List::Movi;
        if (parent == List::Movi && Is(type, "rec ")) return List::Movi;
        return List::Other;
    }

    bool Chunk(const uchar* id, qint64 body, qint64 csize, List list) {
        const uchar* p = data + body;
        switch (list) {
        case List::Hdrl:
            if (Is(id, "avih") && csize >= 4) usPerFrame = Le32(p);
            return true;
        case List::Strl:
            if (Is(id, "strh") && csize >= 28) {
                inVideoStrl = videoStream < 0 && Is(p, "vids");
                if (inVideoStrl) {
                    videoStream = streams - 1;
                    scale = Le32(p + 20);
                    rate = Le32(p + 24);
                }
            } else if (Is(id, "strf") && inVideoStrl && !haveFormat) {
                return Format(p, csize);
            }
            return true;
        case List::Movi:
            if (videoStream >= 0 && videoStream < 100 && id[0] == '0' + videoStream / 10 &&
                id[1] == '0' + videoStream % 10 && (id[2] == 'd') &&
                (id[3] == 'b' || id[3] == 'c')) {
                if (static_cast<int>(frames.size()) >= kMaxFrames) return Fail("too many frames");
                frames.push_back({body, csize});
            }
            return true;
        default:
            return true;
        }
    }

    // BITMAPINFOHEADER and palette.
    bool Format(const uchar* p, qint64 csize) {
        if (csize < 40) return Fail("video format too short");
        const uint32_t headerSize = Le32(p);
        if (headerSize < 40 || headerSize > csize) return Fail("bad video format size");
        width = static_cast<int32_t>(Le32(p + 4));
        height = static_cast<int32_t>(Le32(p + 8));
        bitCount = Le16(p + 14);
        compression = Le32(p + 16);
        const uint32_t colorsUsed = Le32(p + 32);
        if (width < 1 || width > kMaxDimension || height == 0 || height < -kMaxDimension ||
            height > kMaxDimension)
            return Fail("bad frame size");
        const bool rgb =
            compression == kBiRgb && (bitCount == 8 || bitCount == 24 || bitCount == 32);
        const bool rle = compression == kBiRle8 && bitCount == 8 && height > 0;
        if (!rgb && !rle) return Fail("unsupported frame format");
        if (bitCount == 8) {
            uint32_t n = colorsUsed ? colorsUsed : 256;
            if (n > 256) return Fail("palette too large");
            n = std::min<uint32_t>(n, static_cast<uint32_t>((csize - headerSize) / 4));
            if (n == 0) return Fail("no palette");
            for (uint32_t i = 0; i < n; ++i) {
                const uchar* q = p + headerSize + 4 * i;
                palette.push_back(qRgb(q[2], q[1], q[0]));
            }
        }
        haveFormat = true;
        return true;
    }
};

// Draws an RLE8 frame over the previous frame's pixel indexes (top row
// first in `idx`). Every write is clipped to the frame; a run past the end of
// a line is dropped. Data that ends without an end-of-bitmap code leaves what
// was drawn; an absolute block that runs past the data is an error.
bool DecodeRle8(const uchar* p, qint64 n, int w, int h, std::vector<uint8_t>& idx) {
    int x = 0, y = 0; // y counts rows from the bottom
    auto put = [&](uint8_t v) {
        if (x < w) {
            if (y < h) idx[static_cast<size_t>(h - 1 - y) * w + x] = v;
            ++x;
        }
    };
    qint64 i = 0;
    while (i + 1 < n) {
        const uint8_t a = p[i], b = p[i + 1];
        i += 2;
        if (a) {
            for (int k = 0; k < a; ++k)
                put(b);
        } else if (b == 0) {
            x = 0;
            y = std::min(y + 1, h);
        } else if (b == 1) {
            return true;
        } else if (b == 2) {
            if (i + 1 >= n) return false;
            x = std::min(x + p[i], w);
            y = std::min(y + p[i + 1], h);
            i += 2;
        } else {
            if (b > n - i) return false;
            for (int k = 0; k < b; ++k)
                put(p[i + k]);
            i += b + (b & 1);
        }
    }
    return true;
}

QRgb PaletteColor(const std::vector<QRgb>& palette, uint8_t index) {
    return index < palette.size() ? palette[index] : qRgb(0, 0, 0);
}

} // namespace

bool Decode(const QByteArray& bytes, Clip& clip, QString* error) {
    clip = Clip();
    auto fail = [&](const QString& why) {
        clip = Clip();
        if (error) *error = why;
        return false;
    };
    if (bytes.size() > kMaxFileBytes) return fail(QStringLiteral("file too large"));
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    const qint64 size = bytes.size();
    if (size < 12 || !Is(data, "RIFF") || !Is(data + 8, "AVI "))
        return fail(QStringLiteral("not an AVI file"));
    const qint64 riffEnd = 8 + static_cast<qint64>(Le32(data + 4));
    if (riffEnd > size) return fail(QStringLiteral("file is truncated"));

    Parser parser;
    parser.data = data;
    parser.size = size;
    if (!parser.Walk(12, riffEnd, 0, List::Top)) return fail(parser.error);
    if (parser.videoStream < 0 || !parser.haveFormat)
        return fail(QStringLiteral("no video stream"));
    if (parser.frames.empty()) return fail(QStringLiteral("no frames"));

    const int w = parser.width;
    const int h = std::abs(parser.height);
    const bool bottomUp = parser.height > 0;
    if (static_cast<qint64>(w) * h * static_cast<qint64>(parser.frames.size()) > kMaxTotalPixels)
        return fail(QStringLiteral("animation too large"));

    const qint64 stride = ((static_cast<qint64>(w) * parser.bitCount + 31) / 32) * 4;
    std::vector<uint8_t> indexes(static_cast<size_t>(w) * h, 0);
    QImage canvas(w, h, QImage::Format_RGB32);
    canvas.fill(qRgb(0, 0, 0));

    for (const FrameRef& f : parser.frames) {
        const uchar* p = data + f.offset;
        // An empty chunk repeats the previous frame.
        if (f.size > 0) {
            if (parser.compression == kBiRle8) {
                if (!DecodeRle8(p, f.size, w, h, indexes))
                    return fail(QStringLiteral("corrupt compressed frame"));
                for (int y = 0; y < h; ++y) {
                    auto* line = reinterpret_cast<QRgb*>(canvas.scanLine(y));
                    const uint8_t* src = indexes.data() + static_cast<size_t>(y) * w;
                    for (int x = 0; x < w; ++x)
                        line[x] = PaletteColor(parser.palette, src[x]);
                }
            } else {
                if (f.size < stride * h) return fail(QStringLiteral("frame too short"));
                for (int y = 0; y < h; ++y) {
                    const uchar* src = p + stride * (bottomUp ? h - 1 - y : y);
                    auto* line = reinterpret_cast<QRgb*>(canvas.scanLine(y));
                    for (int x = 0; x < w; ++x) {
                        switch (parser.bitCount) {
                        case 8:
                            line[x] = PaletteColor(parser.palette, src[x]);
                            break;
                        case 24:
                            line[x] = qRgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
                            break;
                        default:
                            line[x] = qRgb(src[4 * x + 2], src[4 * x + 1], src[4 * x]);
                            break;
                        }
                    }
                }
            }
        }
        // The stored frame shares the pixels until the next frame writes to
        // the canvas, which then takes its own copy.
        clip.frames.push_back(canvas);
    }

    clip.size = QSize(w, h);
    qint64 ms = 100;
    if (parser.scale > 0 && parser.rate > 0)
        ms = (1000LL * parser.scale + parser.rate / 2) / parser.rate;
    else if (parser.usPerFrame > 0)
        ms = (parser.usPerFrame + 500) / 1000;
    clip.frameIntervalMs = static_cast<int>(std::clamp<qint64>(ms, 10, 5000));
    return true;
}

} // namespace avi

AviPlayer::AviPlayer(QWidget* parent) : QWidget(parent) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &AviPlayer::nextFrame);
    // A frame that is nearly due is shown when the program wakes for
    // something else anyway (while the switch draws, the reader hands over a
    // read every 83 ms): the animation then costs no wake-ups of its own.
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::awake, this, [this] {
            if (playing_ && sinceFrame_.elapsed() >= clip_.frameIntervalMs * 3 / 4) nextFrame();
        });
}

bool AviPlayer::open(const QString& path) {
    // The busy window opens its animation every time it appears, hundreds
    // of times in a session: a file is decoded once and kept while its size
    // and time stay the same.
    struct Decoded {
        QString path;
        qint64 size = -1;
        QDateTime modified;
        avi::Clip clip;
        bool ok = false;
    };
    static Decoded last;
    const QFileInfo info(path);
    const bool same = info.exists() && last.path == path && last.size == info.size() &&
                      last.modified == info.lastModified();
    if (!same) {
        last = {path, info.size(), info.lastModified(), avi::Clip(), false};
        QFile file(path);
        if (file.open(QIODevice::ReadOnly) && file.size() <= avi::kMaxFileBytes)
            last.ok = avi::Decode(file.readAll(), last.clip);
    }
    load(last.clip);
    return last.ok;
}

bool AviPlayer::openData(const QByteArray& data) {
    avi::Clip clip;
    const bool ok = avi::Decode(data, clip);
    load(clip);
    return ok;
}

void AviPlayer::load(const avi::Clip& clip) {
    stop();
    current_ = 0;
    clip_ = clip;
    updateGeometry();
    update();
}

void AviPlayer::play() {
    if (frameCount() <= 1) return;
    playing_ = true;
    sinceFrame_.start();
    timer_.start(clip_.frameIntervalMs);
}

void AviPlayer::stop() {
    playing_ = false;
    timer_.stop();
}

void AviPlayer::nextFrame() {
    sinceFrame_.start();
    timer_.start(clip_.frameIntervalMs);
    advance();
}

QImage AviPlayer::frame(int i) const {
    if (i < 0 || i >= frameCount()) return QImage();
    return clip_.frames[static_cast<size_t>(i)];
}

void AviPlayer::advance() {
    if (frameCount() == 0) return;
    current_ = (current_ + 1) % frameCount();
    update();
}

QSize AviPlayer::sizeHint() const {
    return clip_.size.isValid() ? clip_.size : QSize(0, 0);
}

void AviPlayer::paintEvent(QPaintEvent*) {
    if (frameCount() == 0) return;
    QPainter painter(this);
    const QImage& img = clip_.frames[static_cast<size_t>(current_)];
    painter.drawImage((width() - img.width()) / 2, (height() - img.height()) / 2, img);
}
