#pragma once
// The real console link engine, stepped by hand on a virtual clock and joined
// in memory to a simulated switch: OpenComPort(1) opens a line to it and
// StartComThread starts no thread. Use: docs/link-harness.md.
#include "platform/MemorySerial.h"
#include "sim/Switch.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>

class LinkHarness {
public:
    // Pacing stays on by default: output arrives at 9600 baud on the clock.
    explicit LinkHarness(sim::Options options = {});
    ~LinkHarness(); // closes the link, puts the device factory and stepping back
    LinkHarness(const LinkHarness&) = delete;
    LinkHarness& operator=(const LinkHarness&) = delete;

    sim::Switch& sim() { return *switch_; }
    platform::VirtualClock& clock() { return clock_; }

    // One reader cycle (a read of at most 100 virtual ms, then deliver, type
    // or flush), then the posted events it caused including deferred deletes;
    // with no link open, 100 ms of the clock and the posted events.
    void step();
    // Steps until `ms` virtual milliseconds have passed.
    void runFor(int64_t ms);
    // Steps until done() or `maxMs` virtual milliseconds; returns done().
    bool runUntil(const std::function<bool()>& done, int64_t maxMs = 120000);

    // Every byte the program wrote to the line since the last take or clear.
    const std::string& keysTyped() const { return keys_; }
    void clearKeysTyped() { keys_.clear(); }
    std::string takeKeysTyped() { return std::exchange(keys_, {}); }

    // Which COM ports open (by default only COM1).
    void setPortAvailable(int comNumber, bool available);

    // Power-cycles the switch now (after the burst being sent, if any).
    void powerCycle();
    // The line with its faults (sim/Faults.h): hangUp(), restore(), and
    // options().loseKey / alterOutput for single bytes.
    sim::FaultyLine& line();
    int64_t nowMs() const { return clock_.nowUs() / 1000; }

private:
    class Endpoint;
    class Device;

    platform::VirtualClock clock_;
    std::unique_ptr<sim::Switch> switch_;
    std::unique_ptr<Endpoint> endpoint_;
    std::set<int> available_{1};
    std::string keys_;
};
