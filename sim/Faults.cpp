#include "sim/Faults.h"

#include "sim/Switch.h"

#include <algorithm>
#include <charconv>

namespace sim {

bool FaultOptions::any() const {
    return dropKeys > 0 || flipKeys > 0 || delayKeys > 0 || dropOutput > 0 || flipOutput > 0 ||
           delayOutput > 0 || hangUpAfter >= 0 || !hangUpAt.empty() || !powerCycleAt.empty() ||
           loseKey || alterOutput;
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
    if (f_.loseKey && f_.loseKey(key)) return;
    if (chance(f_.dropKeys)) return;
    if (chance(f_.flipKeys)) key ^= static_cast<uint8_t>(1u << (rng_() % 8));
    if (chance(f_.delayKeys)) atUs += int64_t(f_.delayMs) * 1000;
    // Keys keep their order, whatever was held back.
    atUs = std::max(atUs, lastKeyUs_);
    lastKeyUs_ = atUs;
    sw_.keyIn(key, atUs);
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
        if (t <= sw_.sendingUntil() && chance(f_.dropOutput)) {
            sw_.takeOutput();
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
    uint8_t b = sw_.takeOutput();
    frontSettled_ = false;
    if (chance(f_.flipOutput)) b ^= static_cast<uint8_t>(1u << (rng_() % 8));
    if (f_.alterOutput) b = f_.alterOutput(b);
    if (f_.hangUpAfter >= 0 && ++sent_ >= f_.hangUpAfter) hungUp_ = true;
    checkScreens(at);
    return b;
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
