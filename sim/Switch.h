#pragma once
// The simulated switch console. It runs on an injected clock (microseconds):
// keys come in with their arrival time, output leaves as a timed byte queue,
// and every pause (save delay, restart, self-test, login) is measured on the
// same clock. Nothing here sleeps or reads a real clock, so the in-memory
// line and the pseudo-terminal server drive the same engine.
#include "sim/Burst.h"
#include "sim/Options.h"
#include "sim/SwitchState.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace sim {

class Screen;

class Switch {
public:
    static constexpr int64_t kNever = std::numeric_limits<int64_t>::max();

    explicit Switch(Options options = {}, int64_t startUs = 0);
    ~Switch();
    Switch(const Switch&) = delete;
    Switch& operator=(const Switch&) = delete;

    // --- the serial line ---
    // One received byte. Bytes that are no key (LF, other controls, 0x80 and
    // up) are ignored; keys arriving while a burst is being sent are acted on
    // once it has been sent; keys during a save delay or a restart are lost.
    void keyIn(uint8_t key, int64_t atUs);
    // Time at which the next output byte is readable (kNever if none is due).
    // Timed work (a save result, the next self-test line) counts as output
    // due at its time; it runs when that byte is taken.
    int64_t nextOutputTime();
    // Removes and returns the next byte; the caller's clock has reached
    // nextOutputTime().
    uint8_t takeOutput();
    // Removes and returns every byte readable at or before `atUs`.
    std::string takeOutputUntil(int64_t atUs);
    // Time at which everything queued so far has been sent.
    int64_t sendingUntil() const { return burstEnd_; }
    // Bytes queued and not yet taken.
    size_t queuedBytes() const { return out_.size(); }

    // --- test and tooling controls ---
    // Power-cycle: the self-test output without a restart message, after the
    // burst being sent (if any).
    void powerCycle(int64_t atUs);
    // Applies keys at once with their output discarded and every pause
    // skipped (to put the console into a state before the line opens).
    void pretype(const std::string& keys);

    const SwitchState& state() const { return stored_; }
    const Options& options() const { return options_; }
    // How many times a Save or factory default has changed the stored state.
    uint64_t storeCount() const { return storeCount_; }
    // A short name of where the console is ("login", "port", "edit:port",
    // "prompt", "busy" ...), for test diagnostics.
    std::string where() const;

    // --- used by the screens ---
    SwitchState& stored() { return stored_; }
    // Queues a burst, starting when the previous one has been sent.
    void send(const Burst& burst);
    // Makes `screen` current and fully draws it. The previous screen stays
    // alive until the key being handled is done.
    void show(std::unique_ptr<Screen> screen);
    // Fully redraws the current screen.
    void redraw();
    // The save sequence: saving message, save delay (keys lost), then
    // `apply` stores the working copy and returns the result line (without
    // the prompt); the console waits for any key and runs `after`.
    void save(const std::string& savingText, std::function<std::string(SwitchState&)> apply,
              std::function<void()> after);
    // Restart Switch and the confirmed factory default (the preface is the
    // text after which the restart pause begins).
    void restart(const std::string& preface, bool factoryDefault);
    // Records a change of the stored state made outside save() (deletes).
    void noteStored(const SwitchState& before);

private:
    struct Timer {
        int64_t at;
        uint64_t seq;
        std::function<void()> run;
    };

    void schedule(int delayMs, std::function<void()> run);
    void runTimersUntil(int64_t atUs);
    void runAllTimers();
    void startBoot();
    void selfTestStep(int line);
    void enterBusy();
    bool isKey(uint8_t key) const;
    int64_t burstStart() const;

    Options options_;
    SwitchState stored_;
    std::unique_ptr<Screen> screen_;
    std::vector<std::unique_ptr<Screen>> retired_;
    std::function<void()> prompt_; // waiting for any key after a save

    std::deque<std::pair<uint8_t, int64_t>> out_;
    int64_t now_ = 0;          // time of the action being handled
    int64_t burstEnd_ = 0;     // when the last queued byte is readable
    int64_t discardUntil_ = 0; // keys arriving before this are lost
    std::vector<Timer> timers_;
    uint64_t timerSeq_ = 0;
    bool instant_ = false; // pretype: no output, no pauses
    uint64_t storeCount_ = 0;
};

} // namespace sim
