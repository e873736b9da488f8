#include "tests/harness/LinkHarness.h"

#include "engine/SerialLink.h"
#include "sim/SimEndpoint.h"

#include <QCoreApplication>
#include <QEvent>

namespace {
constexpr int64_t kIdleStepUs = 100000;
}

// The simulator's end of the line (with the faults of the switch's
// options), recording every byte the program writes.
class LinkHarness::Endpoint : public sim::SimEndpoint {
public:
    Endpoint(sim::Switch& sw, std::string& keys) : SimEndpoint(sw), keys_(keys) {}
    void receive(uint8_t byte, int64_t atUs) override {
        if (!line().hungUp()) keys_ += static_cast<char>(byte);
        SimEndpoint::receive(byte, atUs);
    }

private:
    std::string& keys_;
};

// An in-memory device that opens only the ports the test made available.
class LinkHarness::Device : public platform::MemorySerialDevice {
public:
    Device(platform::VirtualClock& clock, platform::LineEndpoint& peer, std::set<int> available)
        : MemorySerialDevice(clock, peer), available_(std::move(available)) {}
    bool open(const std::string& path) override {
        for (int com : available_)
            if (path == platform::ResolvePortName("COM" + std::to_string(com)))
                return MemorySerialDevice::open(path);
        return false;
    }

private:
    std::set<int> available_;
};

LinkHarness::LinkHarness(sim::Options options)
    : switch_(std::make_unique<sim::Switch>(std::move(options), 0)),
      endpoint_(std::make_unique<Endpoint>(*switch_, keys_)) {
    platform::SetSerialDeviceFactory(
        [this] { return std::make_unique<Device>(clock_, *endpoint_, available_); });
    SetManualStepping(true);
    // The link's watchdog measures silence on the same clock as the line.
    SetLinkClock([this] { return clock_.nowUs(); });
}

LinkHarness::~LinkHarness() {
    if (IsLinkOpen()) CloseComPort();
    platform::SetSerialDeviceFactory(nullptr);
    SetManualStepping(false);
    SetLinkClock(nullptr);
}

void LinkHarness::step() {
    if (IsLinkOpen() && GetComThread() != nullptr)
        StepComThread();
    else
        clock_.advanceBy(kIdleStepUs);
    // Handling an event may post more (a window closing itself, a redraw);
    // a few rounds settle everything a cycle caused.
    for (int round = 0; round < 4; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

void LinkHarness::runFor(int64_t ms) {
    const int64_t end = clock_.nowUs() + ms * 1000;
    while (clock_.nowUs() < end)
        step();
}

bool LinkHarness::runUntil(const std::function<bool()>& done, int64_t maxMs) {
    const int64_t end = clock_.nowUs() + maxMs * 1000;
    while (!done()) {
        if (clock_.nowUs() >= end) return done();
        step();
    }
    return true;
}

void LinkHarness::setPortAvailable(int comNumber, bool available) {
    if (available)
        available_.insert(comNumber);
    else
        available_.erase(comNumber);
}

sim::FaultyLine& LinkHarness::line() {
    return endpoint_->line();
}

void LinkHarness::powerCycle() {
    switch_->powerCycle(clock_.nowUs());
}
