#pragma once
// The link's watchdog: decides, on every quiet read of the reader, whether
// the switch has stopped answering. It looks only at the line (a hang-up or
// read error the device reports) and at time: 30 s without a byte from the
// switch while the program waits for it (the busy window is up or keys are
// queued) is a dead switch. A switch idle at a menu is never one.
#include <cstdint>
#include <functional>

// Why a session ends from the line's side; carried by WM_CONSOLE_FAULT.
enum LinkFault : int32_t {
    LinkFaultNone = 0,
    LinkFaultHungUp = 1,
    LinkFaultReadError = 2,
    LinkFaultSilent = 3,
};

constexpr int64_t kSilenceLimitUs = 30LL * 1000 * 1000;

// The link's clock in microseconds: a steady clock, or the virtual clock a
// test installs (nullptr restores the steady clock).
int64_t LinkNowUs();
void SetLinkClock(std::function<int64_t()> clock);

// The windows say when the program waits for the switch (the busy window is
// shown). A wait that starts counts its silence from its own start, so an
// idle console before it never counts against it.
void SetAwaitingSwitch(bool awaiting);
bool AwaitingSwitch();

class LinkWatchdog {
public:
    // A byte arrived, or a key was typed (which asks for an answer).
    void Heard(int64_t nowUs) { lastNewsUs_ = nowUs; }
    // Called after a read that brought nothing. `lineFault` is what the
    // device reports; returns the fault to report once, else LinkFaultNone.
    LinkFault Check(int64_t nowUs, LinkFault lineFault, bool keysPending);
    bool Reported() const { return reported_; }
    void Restart(int64_t nowUs) {
        lastNewsUs_ = nowUs;
        reported_ = false;
    }

private:
    int64_t lastNewsUs_ = 0;
    bool reported_ = false;
};
