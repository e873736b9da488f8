// Line framing through the real reader cycle: the input is cut into reads of
// arbitrary sizes (quiet reads included, so held lines are flushed), every
// read goes through ComThread::Cycle, and the posted lines must rebuild the
// input: every byte up to a read's first zero byte, in order, with ESC and
// CR as the only cuts, no line over 99 bytes.
#include "engine/KeyOutput.h"
#include "engine/SerialLink.h"
#include "platform/SerialDevice.h"
#include "platform/Ui.h"

#include <QApplication>
#include <QWidget>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace {

std::deque<std::string> g_reads; // what each read returns

class ChunkDevice : public platform::SerialDevice {
public:
    bool open(const std::string&) override { return open_ = true; }
    int read(uint8_t* buf, int max) override {
        if (g_reads.empty()) return 0;
        std::string r = std::move(g_reads.front());
        g_reads.pop_front();
        const int n = static_cast<int>(std::min<size_t>(r.size(), static_cast<size_t>(max)));
        std::memcpy(buf, r.data(), static_cast<size_t>(n));
        return n;
    }
    int write(const uint8_t*, int count) override { return count; }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }

private:
    bool open_ = false;
};

class Sink : public QWidget {
public:
    std::vector<std::string> lines;
    bool event(QEvent* e) override {
        if (static_cast<int>(e->type()) != WM_CONSOLE_LINE) return QWidget::event(e);
        auto* c = dynamic_cast<platform::ConsoleEvent*>(e);
        const char* line = c ? c->line() : nullptr;
        if (line == nullptr) std::abort();
        const size_t n = std::strlen(line);
        if (n > 99 || std::strpbrk(line, "\x1b\r") != nullptr) std::abort();
        lines.emplace_back(line, n);
        return true;
    }
};

Sink* g_sink = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QApplication app(*argc, *argv);
    g_sink = new Sink;
    g_sink->setWindowTitle(QStringLiteral("fuzz sink"));
    SetManualStepping(true);
    platform::SetSerialDeviceFactory([] { return std::make_unique<ChunkDevice>(); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Each read: one length byte (0..80; 0 is a quiet read), then its bytes.
    g_reads.clear();
    std::string expected;
    for (size_t i = 0; i < size;) {
        const size_t n = std::min<size_t>(data[i++] % 81, size - i);
        std::string r(reinterpret_cast<const char*>(data + i), n);
        i += n;
        for (char c : r.substr(0, r.find('\0')))
            if (c != '\x1b' && c != '\r') expected += c;
        g_reads.push_back(std::move(r));
    }
    if (OpenComPort(1) != 1) std::abort();
    ResetLinkFlushCountdown();
    SetTargetWindow(g_sink->windowTitle());
    g_sink->lines.clear();
    const size_t reads = g_reads.size();
    for (size_t k = 0; k < reads + 5; ++k) // five quiet reads flush the last line
        StepComThread();
    QCoreApplication::sendPostedEvents();
    if (GetComThread()->lineLength != 0) std::abort();
    CloseComPort();
    std::string rebuilt;
    for (const std::string& line : g_sink->lines)
        rebuilt += line;
    if (rebuilt != expected) std::abort();
    return 0;
}
