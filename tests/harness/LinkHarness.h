#pragma once
// The real console link engine, stepped by hand on a virtual clock and joined
// in memory to a simulated switch. While a LinkHarness exists, OpenComPort(1)
// opens a line to its switch and StartComThread starts no thread: each
// step() is one reader cycle (a read of at most 100 virtual ms, then deliver,
// type or flush) followed by the posted events it caused. How to write an
// end-to-end test with it: docs/link-harness.md.
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
    // Closes the link if still open, restores the default device factory and
    // turns manual stepping off.
    ~LinkHarness();
    LinkHarness(const LinkHarness&) = delete;
    LinkHarness& operator=(const LinkHarness&) = delete;

    sim::Switch& sim() { return *switch_; }
    platform::VirtualClock& clock() { return clock_; }

    // One reader cycle (StepComThread), then QCoreApplication's posted events
    // including deferred deletes. With no link open it only advances the
    // clock by 100 ms (and still delivers posted events).
    void step();
    // Steps until `ms` virtual milliseconds have passed.
    void runFor(int64_t ms);
    // Steps until done() is true or `maxMs` virtual milliseconds have passed;
    // returns done().
    bool runUntil(const std::function<bool()>& done, int64_t maxMs = 120000);

    // Every byte the program wrote to the line, in order.
    const std::string& keysTyped() const { return keys_; }
    void clearKeysTyped() { keys_.clear(); }
    // The bytes written since the last take or clear.
    std::string takeKeysTyped() { return std::exchange(keys_, {}); }

    // Which COM ports open (by default only COM1).
    void setPortAvailable(int comNumber, bool available);

    // Power-cycles the switch now (after the burst being sent, if any).
    void powerCycle();
    // The line with its faults (sim/Faults.h): hangUp() closes it (nothing
    // more arrives, written bytes are lost, the device reports a hang-up),
    // restore() plugs it back; options().loseKey / alterOutput fault single
    // bytes exactly.
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
