#pragma once
// An in-memory serial line on a virtual clock, for deterministic tests.
// The far end is any LineEndpoint (a scripted peer, or the switch simulator).
#include "platform/SerialDevice.h"

#include <cstdint>
#include <deque>
#include <limits>
#include <string>

namespace platform {

class VirtualClock {
public:
    int64_t nowUs() const { return now_; }
    void advanceTo(int64_t us) {
        if (us > now_) now_ = us;
    }
    void advanceBy(int64_t us) { now_ += us; }

private:
    int64_t now_ = 0;
};

class LineEndpoint {
public:
    static constexpr int64_t kNever = std::numeric_limits<int64_t>::max();
    virtual ~LineEndpoint() = default;
    // A byte written by the program at time `atUs`.
    virtual void receive(uint8_t byte, int64_t atUs) = 0;
    // Time at which the next byte of output becomes readable (kNever if none
    // is due). May run the endpoint's own timed work up to that point.
    virtual int64_t nextOutputTime() = 0;
    // Removes and returns that byte.
    virtual uint8_t takeOutput() = 0;
    // The far end has closed the line (a test's hang-up).
    virtual bool hungUp() { return false; }
};

// A scripted far end: bytes pushed at given times, bytes written collected.
class ScriptedEndpoint : public LineEndpoint {
public:
    void push(const std::string& bytes, int64_t atUs);
    void receive(uint8_t byte, int64_t atUs) override;
    int64_t nextOutputTime() override;
    uint8_t takeOutput() override;
    std::string written; // every byte the program wrote, in order
    std::deque<int64_t> writeTimes;

private:
    std::deque<std::pair<uint8_t, int64_t>> out_;
};

// SerialDevice over a LineEndpoint, timed as the termios device is. read()
// takes the bytes due within its 100 ms window (at most `max`), stopping
// early at a gap of 10 ms or more after a byte it took, and advances the
// clock: to the last byte's arrival when the read filled up, to 10 ms after
// it when the line went quiet, else to the end of the window.
class MemorySerialDevice : public SerialDevice {
public:
    MemorySerialDevice(VirtualClock& clock, LineEndpoint& peer);
    bool open(const std::string& path) override;
    int read(uint8_t* buf, int max) override;
    int write(const uint8_t* buf, int count) override;
    void close() override;
    bool isOpen() const override { return open_; }
    LineFault lineFault() override { return peer_.hungUp() ? LineFault::HungUp : LineFault::None; }
    // When set, open() of any path other than this one fails.
    std::string onlyPath;
    std::string openedPath;

private:
    VirtualClock& clock_;
    LineEndpoint& peer_;
    bool open_ = false;
};

} // namespace platform
