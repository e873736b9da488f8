#pragma once
// Joins a simulated switch to the in-memory serial line: what the program
// writes becomes keys, the switch's timed output becomes what it reads.
#include "platform/MemorySerial.h"
#include "sim/Switch.h"

#include <memory>

namespace sim {

class SimEndpoint : public platform::LineEndpoint {
public:
    // The line carries the faults of the switch's options.
    explicit SimEndpoint(Switch& sw) : line_(sw, sw.options().faults) {}
    void receive(uint8_t byte, int64_t atUs) override { line_.keyIn(byte, atUs); }
    int64_t nextOutputTime() override {
        const int64_t t = line_.nextOutputTime();
        return t == Switch::kNever ? kNever : t;
    }
    uint8_t takeOutput() override { return line_.takeOutput(); }
    bool hungUp() override { return line_.hungUp(); }
    FaultyLine& line() { return line_; }

    // A device on `clock` whose far end is this switch.
    std::unique_ptr<platform::MemorySerialDevice> makeDevice(platform::VirtualClock& clock) {
        return std::make_unique<platform::MemorySerialDevice>(clock, *this);
    }

private:
    FaultyLine line_;
};

} // namespace sim
