#pragma once
// Joins a simulated switch to the in-memory serial line: what the program
// writes becomes keys, the switch's timed output becomes what it reads.
#include "platform/MemorySerial.h"
#include "sim/Switch.h"

#include <memory>

namespace sim {

class SimEndpoint : public platform::LineEndpoint {
public:
    explicit SimEndpoint(Switch& sw) : sw_(sw) {}
    void receive(uint8_t byte, int64_t atUs) override { sw_.keyIn(byte, atUs); }
    int64_t nextOutputTime() override {
        const int64_t t = sw_.nextOutputTime();
        return t == Switch::kNever ? kNever : t;
    }
    uint8_t takeOutput() override { return sw_.takeOutput(); }

    // A device on `clock` whose far end is this switch.
    std::unique_ptr<platform::MemorySerialDevice> makeDevice(platform::VirtualClock& clock) {
        return std::make_unique<platform::MemorySerialDevice>(clock, *this);
    }

private:
    Switch& sw_;
};

} // namespace sim
