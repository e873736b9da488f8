#pragma once
// Faults on the simulated switch's serial line, for tests and for trying the
// program by hand (tavik-switch-sim --fault): bytes lost, bits flipped or
// bytes held back in either direction (random, from a seed), the line
// closed after some bytes or when the console reaches a named screen, a
// power cycle at a named screen, and single bytes lost or changed at a
// counted place after a named screen.
#include <cstdint>
#include <functional>
#include <random>
#include <string>

namespace sim {

class Switch;

struct FaultOptions {
    uint32_t seed = 1;
    // Chances per byte, 0..1. "Keys" are the program's bytes to the switch,
    // "output" the switch's bytes to the program.
    double dropKeys = 0, flipKeys = 0, delayKeys = 0;
    double dropOutput = 0, flipOutput = 0, delayOutput = 0;
    int delayMs = 200; // how long a held-back byte waits (and what follows it)
    // Close the line after the switch has sent this many bytes (-1: never),
    // or once the console is at this screen (Switch::where(), "" never).
    int64_t hangUpAfter = -1;
    std::string hangUpAt;
    // Power-cycle once, the first time the console is at this screen.
    std::string powerCycleAt;
    // Targeted faults, each fired once. Counting starts when the console
    // first arrives at `screen` (Switch::where()) and goes on wherever it
    // goes next. Keys: every byte the program sends after that arrival, 1
    // the first; output: every byte the switch sends from the first byte of
    // the burst that arrival drew, 1 the first.
    struct Counted {
        std::string screen; // "" off
        int64_t n = 0;
        int bit = 0; // flips only
    };
    Counted dropKeyAt;    // the n-th key is lost
    Counted dropOutputAt; // the n-th output byte is lost
    Counted flipOutputAt; // bit `bit` (0-7) of the n-th output byte flips
    // Tests: decide for each key whether it is lost, and change each output
    // byte, exactly (after the random faults).
    std::function<bool(uint8_t key)> loseKey;
    std::function<uint8_t(uint8_t byte)> alterOutput;

    bool any() const;
};

// Parses "name=value,name=value..." (seed, drop-keys, flip-keys, delay-keys,
// drop-output, flip-output, delay-output, delay-ms, hangup-after, hangup-at,
// power-cycle-at, and the targeted drop-key-at=SCREEN:N,
// drop-output-at=SCREEN:N, flip-output-at=SCREEN:N:BIT) into `out`. False
// with a message naming the bad part.
bool ParseFaultList(const std::string& list, FaultOptions& out, std::string& error);

// The line between the program and a Switch, with the faults applied. Use it
// in place of the switch's own keyIn / nextOutputTime / takeOutput.
class FaultyLine {
public:
    FaultyLine(Switch& sw, FaultOptions options);

    void keyIn(uint8_t key, int64_t atUs);
    // kNever (the switch's) while hung up or when nothing is due.
    int64_t nextOutputTime();
    uint8_t takeOutput();

    bool hungUp() const { return hungUp_; }
    void hangUp() { hungUp_ = true; }
    // Tests: the line plugged in again (the switch kept running meanwhile).
    void restore() { hungUp_ = false; }
    FaultOptions& options() { return f_; }

private:
    // Progress of one targeted fault: -1 until the console arrives at its
    // screen, then the count (keys) or the index of its first byte (output).
    struct Target {
        int64_t from = -1;
        bool fired = false;
    };

    bool chance(double p);
    void settleFront();
    uint8_t takeFromSwitch();
    bool hitsTarget(const FaultOptions::Counted& fault, Target& t, int64_t index);
    void noteArrival(int64_t firstNewByte);
    void checkScreens(int64_t nowUs);

    Switch& sw_;
    FaultOptions f_;
    std::mt19937 rng_;
    bool hungUp_ = false;
    bool cycled_ = false;
    bool frontSettled_ = false;
    int64_t stallUntil_ = 0;
    int64_t lastKeyUs_ = 0;
    int64_t sent_ = 0;
    int64_t keys_ = 0;  // bytes the program sent
    int64_t taken_ = 0; // bytes taken from the switch, lost ones included
    Target dropKey_, dropOutput_, flipOutput_;
};

} // namespace sim
