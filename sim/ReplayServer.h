#pragma once
// Serves a transcript's switch side (sim/Replay.h) on a pseudo-terminal:
// tavik-switch-sim --replay FILE, to show the program the screens a user saw.
#include "sim/Replay.h"

#include <atomic>
#include <string>
#include <thread>

namespace sim {

class ReplayServer {
public:
    ~ReplayServer(); // stop()
    // Reads the transcript and starts serving; false with the reason.
    bool start(const std::string& transcriptFile, std::string& error);
    std::string devicePath() const { return device_; }
    void stop();

private:
    void run();
    TranscriptReplay replay_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    int master_ = -1;
    int slave_ = -1; // kept open: a program closing the device never hangs us up
    std::string device_;
};

} // namespace sim
