#pragma once
// How a simulated switch is set up: hardware, start-up and console timings.
#include "sim/Faults.h"
#include "sim/SwitchState.h"

#include <array>
#include <functional>
#include <optional>
#include <string>

namespace sim {

struct Options {
    // Module slot types M1, M2 (hardware; a factory default keeps them).
    std::array<std::string, 2> modules{"1000TX", "1000TX"};
    // false: start with the login screen already drawn, silent until a key.
    // true: run the power-on output after bootDelayMs.
    bool bootAtStart = false;
    int bootDelayMs = 0;
    // Keys applied before the line is opened: output discarded, pauses skipped.
    std::string pretype;
    // 9600 baud pacing of the output (about 1.04 ms per byte).
    bool pacing = true;
    int saveDelayMs = 300;
    int restartPauseMs = 1000;
    int selfTestIntervalMs = 150;
    int loginPauseMs = 500;
    // Stored configuration at start; FactoryState(modules) when empty. Its
    // module types win over `modules`.
    std::optional<SwitchState> initial;
    // Called after every Save (or factory default) that changed the stored
    // configuration, on the thread that drives the switch.
    std::function<void(const SwitchState&)> onStored;
    // Faults on the line (none by default); see sim/Faults.h.
    FaultOptions faults;
};

} // namespace sim
