#pragma once
// A small animation player: the subset of AVI that the classic animation
// control plays. One video stream of DIB frames, uncompressed (8-bit
// palettised, 24-bit, 32-bit) or RLE8, shown in a loop at the file's frame
// rate. A file it cannot read fully is refused and the widget shows nothing.
#include <QByteArray>
#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <QWidget>

#include <vector>

namespace avi {

struct Clip {
    QSize size;
    int frameIntervalMs = 100;
    std::vector<QImage> frames; // Format_RGB32, all of `size`
};

// Limits that keep a hostile file from costing much memory or time.
constexpr qint64 kMaxFileBytes = 64 * 1024 * 1024;
constexpr int kMaxDimension = 2048;
constexpr int kMaxFrames = 4096;
constexpr qint64 kMaxTotalPixels = 16 * 1024 * 1024;

// Decodes a whole file held in memory. On failure returns false, leaves
// `clip` empty and, if given, says why in `error`.
bool Decode(const QByteArray& data, Clip& clip, QString* error = nullptr);

} // namespace avi

class AviPlayer : public QWidget {
    Q_OBJECT
public:
    explicit AviPlayer(QWidget* parent = nullptr);

    // Loads the file; false (and nothing shown) when it is missing, too large
    // or not a playable AVI. Stops any playing animation first.
    bool open(const QString& path);
    bool openData(const QByteArray& data);
    void play();
    void stop();
    bool isPlaying() const { return playing_; }

    int frameCount() const { return static_cast<int>(clip_.frames.size()); }
    QSize frameSize() const { return clip_.size; }
    QImage frame(int i) const;
    int currentFrame() const { return current_; }
    int frameIntervalMs() const { return clip_.frameIntervalMs; }
    // The next frame, wrapping to the first.
    void advance();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void load(const avi::Clip& clip);
    void nextFrame();
    avi::Clip clip_;
    int current_ = 0;
    bool playing_ = false;
    QTimer timer_;
    QElapsedTimer sinceFrame_;
};
