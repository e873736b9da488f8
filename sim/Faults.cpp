#include "sim/Faults.h"

#include "sim/Switch.h"

#include <algorithm>
#include <charconv>

namespace sim {

bool FaultOptions::any() const {
    return dropKeys > 0 || flipKeys > 0 || delayKeys > 0 || dropOutput > 0 || flipOutput > 0 ||
           delayOutput > 0 || hangUpAfter >= 0 || !hangUpAt.empty() || !powerCycleAt.empty() ||
           !dropKeyAt.screen.empty() || !dropOutputAt.screen.empty() ||
           !flipOutputAt.screen.empty() || loseKey || alterOutput;
}

namespace {

bool ParseChance(const std::string& v, double& out) {
    try {
        size_t used = 0;
        const double d = std::stod(v, &used);
        if (used != v.size() || !(d >= 0 && d <= 1)) return false;
        out = d;
        return true;
    } catch (...) {
        return false;
    }
}

template <class T> bool ParseWhole(const std::string& v, T& out, T low, T high) {
    T n{};
    const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
    if (ec != std::errc() || end != v.data() + v.size() || n < low || n > high) return false;
    out = n;
    return true;
}

// "SCREEN:N" or, with a bit, "SCREEN:N:BIT". Screen names may hold colons
// ("edit:misc"), so the numbers are taken from the right.
bool ParseCounted(const std::string& v, bool withBit, FaultOptions::Counted& out) {
    std::string rest = v;
    int bit = 0;
    if (withBit) {
        const size_t colon = rest.rfind(':');
        if (colon == std::string::npos || !ParseWhole<int>(rest.substr(colon + 1), bit, 0, 7))
            return false;
        rest.resize(colon);
    }
    const size_t colon = rest.rfind(':');
    int64_t n = 0;
    if (colon == std::string::npos || colon == 0 ||
        !ParseWhole<int64_t>(rest.substr(colon + 1), n, 1, INT64_MAX))
        return false;
    out = {rest.substr(0, colon), n, bit};
    return true;
}

} // namespace

bool ParseFaultList(const std::string& list, FaultOptions& out, std::string& error) {
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(',', start);
        if (end == std::string::npos) end = list.size();
        const std::string part = list.substr(start, end - start);
        start = end + 1;
        const size_t eq = part.find('=');
        const std::string name = part.substr(0, eq);
        const std::string v = eq == std::string::npos ? "" : part.substr(eq + 1);
        bool ok = eq != std::string::npos && !v.empty();
        if (!ok) {
        } else if (name == "seed") {
            ok = ParseWhole<uint32_t>(v, out.seed, 0, UINT32_MAX);
        } else if (name == "drop-keys") {
            ok = ParseChance(v, out.dropKeys);
        } else if (name == "flip-keys") {
            ok = ParseChance(v, out.flipKeys);
        } else if (name == "delay-keys") {
            ok = ParseChance(v, out.delayKeys);
        } else if (name == "drop-output") {
            ok = ParseChance(v, out.dropOutput);
        } else if (name == "flip-output") {
            ok = ParseChance(v, out.flipOutput);
        } else if (name == "delay-output") {
            ok = ParseChance(v, out.delayOutput);
        } else if (name == "delay-ms") {
            ok = ParseWhole<int>(v, out.delayMs, 0, 600000);
        } else if (name == "hangup-after") {
            ok = ParseWhole<int64_t>(v, out.hangUpAfter, 0, INT64_MAX);
        } else if (name == "hangup-at") {
            out.hangUpAt = v;
        } else if (name == "power-cycle-at") {
            out.powerCycleAt = v;
        } else if (name == "drop-key-at") {
            ok = ParseCounted(v, false, out.dropKeyAt);
        } else if (name == "drop-output-at") {
            ok = ParseCounted(v, false, out.dropOutputAt);
        } else if (name == "flip-output-at") {
            ok = ParseCounted(v, true, out.flipOutputAt);
        } else {
            ok = false;
        }
        if (!ok) {
            error = "--fault: bad part \"" + part + "\"";
            return false;
        }
    }
    return true;
}

FaultyLine::FaultyLine(Switch& sw, FaultOptions options)
    : sw_(sw), f_(std::move(options)), rng_(f_.seed) {}

bool FaultyLine::chance(double p) {
    if (p <= 0) return false;
    return std::uniform_real_distribution<double>(0, 1)(rng_) < p;
}

void FaultyLine::keyIn(uint8_t key, int64_t atUs) {
    if (hungUp_) return;
    noteArrival(taken_ + int64_t(sw_.queuedBytes()));
    ++keys_;
    if (hitsTarget(f_.dropKeyAt, dropKey_, keys_)) return;
    if (f_.loseKey && f_.loseKey(key)) return;
    if (chance(f_.dropKeys)) return;
    if (chance(f_.flipKeys)) key ^= static_cast<uint8_t>(1u << (rng_() % 8));
    if (chance(f_.delayKeys)) atUs += int64_t(f_.delayMs) * 1000;
    // Keys keep their order, whatever was held back.
    atUs = std::max(atUs, lastKeyUs_);
    lastKeyUs_ = atUs;
    const int64_t firstNewByte = taken_ + int64_t(sw_.queuedBytes());
    sw_.keyIn(key, atUs);
    noteArrival(firstNewByte);
    checkScreens(atUs);
}

// Decides once what happens to the byte at the front of the switch's output.
// Only bytes already queued can be lost early: taking a byte that timed work
// (a save's result) would draw runs that work, which must not happen before
// its time.
void FaultyLine::settleFront() {
    while (!frontSettled_ && !hungUp_) {
        const int64_t t = sw_.nextOutputTime();
        if (t == Switch::kNever) return;
        const bool queued = t <= sw_.sendingUntil();
        if (queued &&
            (hitsTarget(f_.dropOutputAt, dropOutput_, taken_ + 1) || chance(f_.dropOutput))) {
            takeFromSwitch();
            continue;
        }
        if (chance(f_.delayOutput))
            stallUntil_ = std::max(stallUntil_, t + int64_t(f_.delayMs) * 1000);
        frontSettled_ = true;
    }
}

int64_t FaultyLine::nextOutputTime() {
    settleFront();
    if (hungUp_) return Switch::kNever;
    const int64_t t = sw_.nextOutputTime();
    return t == Switch::kNever ? t : std::max(t, stallUntil_);
}

uint8_t FaultyLine::takeOutput() {
    const int64_t at = nextOutputTime();
    if (at == Switch::kNever) return 0;
    uint8_t b = takeFromSwitch();
    frontSettled_ = false;
    if (chance(f_.flipOutput)) b ^= static_cast<uint8_t>(1u << (rng_() % 8));
    if (hitsTarget(f_.flipOutputAt, flipOutput_, taken_))
        b ^= static_cast<uint8_t>(1u << f_.flipOutputAt.bit);
    if (f_.alterOutput) b = f_.alterOutput(b);
    if (f_.hangUpAfter >= 0 && ++sent_ >= f_.hangUpAfter) hungUp_ = true;
    checkScreens(at);
    return b;
}

uint8_t FaultyLine::takeFromSwitch() {
    // Taking a byte may run timed work that draws a new screen; its first
    // byte is then this one.
    const int64_t index = taken_;
    const uint8_t b = sw_.takeOutput();
    ++taken_;
    noteArrival(index);
    return b;
}

// The n-th, counted from the arrival; a lost output byte that is not queued
// yet (the first byte of timed work) cannot be taken early, so the next one
// that can is lost instead.
bool FaultyLine::hitsTarget(const FaultOptions::Counted& fault, Target& t, int64_t count) {
    if (t.fired || t.from < 0 || count - t.from < fault.n) return false;
    t.fired = true;
    return true;
}

void FaultyLine::noteArrival(int64_t bytesBefore) {
    auto arrive = [this](const FaultOptions::Counted& fault, Target& t, int64_t before) {
        if (t.from < 0 && !fault.screen.empty() && sw_.where() == fault.screen) t.from = before;
    };
    arrive(f_.dropKeyAt, dropKey_, keys_);
    arrive(f_.dropOutputAt, dropOutput_, bytesBefore);
    arrive(f_.flipOutputAt, flipOutput_, bytesBefore);
}

void FaultyLine::checkScreens(int64_t nowUs) {
    if (f_.hangUpAt.empty() && f_.powerCycleAt.empty()) return;
    const std::string where = sw_.where();
    if (!f_.hangUpAt.empty() && where == f_.hangUpAt) hungUp_ = true;
    if (!cycled_ && !f_.powerCycleAt.empty() && where == f_.powerCycleAt) {
        cycled_ = true;
        sw_.powerCycle(nowUs);
    }
}

} // namespace sim
