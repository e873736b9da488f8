#include "platform/MemorySerial.h"

#include <algorithm>

namespace platform {

namespace {
constexpr int64_t kReadWindowUs = int64_t(kReadWindowMs) * 1000;
constexpr int64_t kInterCharTimeoutUs = int64_t(kInterCharTimeoutMs) * 1000;
} // namespace

void ScriptedEndpoint::push(const std::string& bytes, int64_t atUs) {
    for (char c : bytes)
        out_.emplace_back(static_cast<uint8_t>(c), atUs);
}

void ScriptedEndpoint::receive(uint8_t byte, int64_t atUs) {
    written.push_back(static_cast<char>(byte));
    writeTimes.push_back(atUs);
}

int64_t ScriptedEndpoint::nextOutputTime() {
    return out_.empty() ? kNever : out_.front().second;
}

uint8_t ScriptedEndpoint::takeOutput() {
    if (out_.empty()) return 0;
    const uint8_t b = out_.front().first;
    out_.pop_front();
    return b;
}

MemorySerialDevice::MemorySerialDevice(VirtualClock& clock, LineEndpoint& peer)
    : clock_(clock), peer_(peer) {}

bool MemorySerialDevice::open(const std::string& path) {
    if (!onlyPath.empty() && path != onlyPath) return false;
    openedPath = path;
    open_ = true;
    // What the far end sent while the line was not open is lost, as on a
    // real serial port: a new session hears the switch from now on.
    while (peer_.nextOutputTime() < clock_.nowUs())
        peer_.takeOutput();
    return true;
}

int MemorySerialDevice::read(uint8_t* buf, int max) {
    const int64_t start = clock_.nowUs();
    const int64_t windowEnd = start + kReadWindowUs;
    if (!open_ || buf == nullptr || max <= 0) {
        clock_.advanceTo(windowEnd);
        return 0;
    }
    int got = 0;
    int64_t lastArrival = start;
    while (got < max) {
        const int64_t due = peer_.nextOutputTime();
        if (due == LineEndpoint::kNever || due > windowEnd) break;
        // Bytes that waited for the read arrive, for its purposes, when it begins.
        const int64_t arrival = due > start ? due : start;
        if (got > 0 && arrival - lastArrival >= kInterCharTimeoutUs) break;
        buf[got++] = peer_.takeOutput();
        lastArrival = arrival;
    }
    int64_t end = windowEnd;
    if (got == max)
        end = lastArrival;
    else if (got > 0)
        end = std::min(lastArrival + kInterCharTimeoutUs, windowEnd);
    clock_.advanceTo(end);
    return got;
}

int MemorySerialDevice::write(const uint8_t* buf, int count) {
    if (!open_ || buf == nullptr || count <= 0) return 0;
    for (int i = 0; i < count; ++i)
        peer_.receive(buf[i], clock_.nowUs());
    return count;
}

void MemorySerialDevice::close() {
    open_ = false;
}

} // namespace platform
