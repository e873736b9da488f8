#include "engine/LinkWatchdog.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>

namespace {

std::mutex g_clockMutex;
std::function<int64_t()> g_clock;
std::atomic<bool> g_awaiting{false};
std::atomic<int64_t> g_awaitStartUs{0};

} // namespace

int64_t LinkNowUs() {
    {
        std::lock_guard<std::mutex> lock(g_clockMutex);
        if (g_clock) return g_clock();
    }
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void SetLinkClock(std::function<int64_t()> clock) {
    std::lock_guard<std::mutex> lock(g_clockMutex);
    g_clock = std::move(clock);
}

void SetAwaitingSwitch(bool awaiting) {
    if (awaiting && !g_awaiting.load()) g_awaitStartUs.store(LinkNowUs());
    g_awaiting.store(awaiting);
}

bool AwaitingSwitch() {
    return g_awaiting.load();
}

LinkFault LinkWatchdog::Check(int64_t nowUs, LinkFault lineFault, bool keysPending) {
    if (reported_) return LinkFaultNone;
    LinkFault fault = lineFault;
    if (fault == LinkFaultNone && (keysPending || g_awaiting.load())) {
        const int64_t since = std::max(lastNewsUs_, g_awaitStartUs.load());
        if (nowUs - since >= kSilenceLimitUs) fault = LinkFaultSilent;
    }
    if (fault != LinkFaultNone) reported_ = true;
    return fault;
}
