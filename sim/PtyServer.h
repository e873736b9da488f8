#pragma once
// Serves a simulated switch on a pseudo-terminal, on its own thread and the
// real clock, so the program can open it like any serial device.
#include "sim/Faults.h"
#include "sim/Options.h"
#include "sim/SwitchState.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace sim {

class Switch;

class PtyServer {
public:
    PtyServer();
    ~PtyServer(); // stop()
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    // Opens the pseudo-terminal (both sides raw) and starts serving. With a
    // link path, a symbolic link to the device is made there (an existing
    // symbolic link is replaced, anything else is an error) and removed by
    // stop(). Returns false with a reason in `error`.
    bool start(const Options& options, std::string linkPath = "", std::string* error = nullptr);
    // The slave device the program opens ("/dev/pts/N"); empty when stopped.
    std::string devicePath() const { return device_; }
    const std::string& linkPath() const { return link_; }
    bool running() const { return thread_.joinable(); }

    // Power-cycles the switch (after the burst being sent, if any).
    void powerCycle();
    SwitchState stateSnapshot();
    void stop();

private:
    void run();
    void serveOnce();
    int64_t nowUs() const;
    void pumpInput(int64_t now);
    void pumpOutput(int64_t now);
    void dropUnreadOutput(int64_t now);
    void closeAll();

    std::unique_ptr<Switch> switch_;
    std::unique_ptr<FaultyLine> line_; // the line to the program, faults applied
    std::mutex mutex_;                 // guards switch_ between the server thread and callers
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> cycleRequested_{false};
    int master_ = -1;
    int slave_ = -1; // kept open so a program closing the device never hangs us up
    int wake_[2] = {-1, -1};
    std::string device_;
    std::string link_;
    int64_t startNs_ = 0;
    std::string pending_;   // output due but not yet accepted by the terminal
    uint64_t written_ = 0;  // bytes written to the terminal so far
    uint64_t lastRead_ = 0; // written_ minus the slave's unread bytes, last seen
    int64_t readStallSince_ = -1;
};

} // namespace sim
