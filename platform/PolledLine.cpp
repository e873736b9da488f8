#include "platform/PolledLine.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kReadWindow = std::chrono::milliseconds(kReadWindowMs);
constexpr auto kInterCharTimeout = std::chrono::milliseconds(kInterCharTimeoutMs);
// While bytes stream in, the longest a read sleeps between looks at the line
// (each look is a wake-up): in an answer (the reply to a key, a menu), and
// in a page, from the fifth 80-byte read in a row (over 320 bytes without a
// pause; a port page is some 1,300). And how close to a wake-up the last
// byte must have come for the line to count as still busy (two character
// times of jitter).
constexpr auto kStreamCheck = std::chrono::milliseconds(21);
constexpr auto kPageCheck = std::chrono::milliseconds(42);
constexpr int kFullReadsOfAPage = 4;
constexpr auto kStreamSlack = std::chrono::microseconds(2 * kCharTimeUs);

std::atomic<uint64_t> g_wakeups{0};
// A write that cannot make progress for this long is given up (the line has
// no flow control, so this only happens when the far end stops reading).
constexpr auto kWriteStall = std::chrono::milliseconds(500);

// The time left until `deadline` for ppoll(), to the microsecond: a read's
// window ends when it should, not up to a millisecond late before each key.
bool TimeLeft(Clock::time_point deadline, timespec& left) {
    const auto us = std::chrono::ceil<std::chrono::microseconds>(deadline - Clock::now()).count();
    if (us <= 0) return false;
    left.tv_sec = static_cast<time_t>(us / 1000000);
    left.tv_nsec = static_cast<long>(us % 1000000) * 1000;
    return true;
}

int remainingMs(Clock::time_point deadline) {
    const auto left = deadline - Clock::now();
    if (left <= Clock::duration::zero()) return 0;
    // Round up so that the poll never wakes just before the deadline and
    // turns the rest of the window into a spin.
    return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}

} // namespace

uint64_t TermiosReadWakeups() {
    return g_wakeups.load(std::memory_order_relaxed);
}

int PolledLine::read(uint8_t* buf, int max) {
    const auto start = Clock::now();
    const auto deadline = start + kReadWindow;
    if (fd_ < 0 || buf == nullptr || max <= 0) {
        std::this_thread::sleep_until(deadline);
        return 0;
    }
    int got = 0;
    const int fullReads = fullReads_;
    fullReads_ = 0;
    // Deep in a page the looks are further apart: its end is seen about
    // 22 ms after its last byte on average instead of 13 ms, once per
    // page, for half the wake-ups while the page is drawn.
    const auto step = fullReads >= kFullReadsOfAPage ? kPageCheck : kStreamCheck;
    Gathering g{start, start, false, step};
    // After a read the switch filled, the next byte is a millisecond
    // away: a poll would wake for it alone, so this read sleeps to its
    // first look instead.
    if (fullReads > 0) {
        // What piled up meanwhile (the program was held up, or the
        // device hands bytes over in bunches) is taken at once: a
        // backlog drains at the speed of memory, not of the line.
        if (take(buf, max, got) == Take::Dead) return waitOut(deadline, got);
        if (got == max) {
            fullReads_ = fullReads + 1;
            return got;
        }
        std::this_thread::sleep_until(std::min(deadline, nextLook(start, max - got, step)));
        if (look(buf, max, got, g) == Take::Dead) return waitOut(deadline, got);
    }
    // Otherwise, or if that look found nothing, waiting for the first
    // byte is a poll: it wakes once, when the line starts talking.
    while (got == 0) {
        timespec left{};
        if (!TimeLeft(deadline, left)) return 0;
        pollfd p{fd_, POLLIN, 0};
        const int r = ::ppoll(&p, 1, &left, nullptr);
        g_wakeups.fetch_add(1, std::memory_order_relaxed);
        if (r < 0) {
            if (errno == EINTR) continue;
            return waitOut(deadline, 0);
        }
        if (r == 0) return 0; // window over
        // POLLHUP, POLLERR, POLLNVAL without data: a dead line.
        if (!(p.revents & POLLIN)) return waitOut(deadline, 0);
        // After POLLIN, end of file means the line hung up.
        const Take t = take(buf, max, got);
        if (t == Take::End || t == Take::Dead) return waitOut(deadline, got);
        g = {Clock::now(), Clock::now(), false, kStreamCheck};
    }
    got = gather(buf, max, got, deadline, g);
    if (got == max || g.streaming) fullReads_ = fullReads + 1;
    return got;
}

ssize_t PolledLine::put(const uint8_t* buf, size_t count) {
    return ::write(fd_, buf, count);
}

int PolledLine::putAll(const uint8_t* buf, int count) {
    if (fd_ < 0 || buf == nullptr || count <= 0) return 0;
    int done = 0;
    auto stallLimit = Clock::now() + kWriteStall;
    while (done < count) {
        const ssize_t n = put(buf + done, static_cast<size_t>(count - done));
        if (n > 0) {
            done += static_cast<int>(n);
            stallLimit = Clock::now() + kWriteStall;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            const int wait = remainingMs(stallLimit);
            if (wait <= 0) break;
            pollfd p{fd_, POLLOUT, 0};
            if (::poll(&p, 1, wait) < 0 && errno != EINTR) break;
            if (p.revents & (POLLERR | POLLHUP | POLLNVAL)) break;
            continue;
        }
        break;
    }
    return done;
}

// Takes what came since the last wake-up and updates `g`.
PolledLine::Take PolledLine::look(uint8_t* buf, int max, int& got, Gathering& g) {
    g_wakeups.fetch_add(1, std::memory_order_relaxed);
    const auto previous = g.wake;
    g.wake = Clock::now();
    g.streaming = false;
    const int before = got;
    const Take t = take(buf, max, got);
    if (t == Take::Some) {
        const auto paced = std::chrono::time_point_cast<Clock::duration>(
            previous + std::chrono::microseconds(int64_t(got - before) * kCharTimeUs));
        g.lastByte = std::min(g.wake, paced);
        g.streaming = g.wake - g.lastByte < kStreamSlack;
    }
    return t;
}

// While bytes stream in, the reader looks at most every `step`, spread
// evenly up to the time the buffer fills at line speed: four looks per
// 80-byte read in an answer, two in a page.
PolledLine::Clock::time_point PolledLine::nextLook(Clock::time_point from, int missing,
                                                   Clock::duration step) {
    const int64_t fillUs = int64_t(missing) * kCharTimeUs;
    const int64_t stepUs = std::chrono::duration_cast<std::chrono::microseconds>(step).count();
    const int64_t looks = std::max<int64_t>((fillUs + stepUs - 1) / stepUs, 1);
    // The last look two characters late: bytes come in small bunches,
    // and a look just before the last one would cost another wake-up.
    const int64_t lateUs = looks == 1 ? 2 * kCharTimeUs : 0;
    return from + std::chrono::microseconds(fillUs / looks + lateUs);
}

// The rest of a read that holds bytes. Polling again would wake for
// every byte (about 960 times a second while the switch draws), so the
// reader sleeps instead and takes what came meanwhile. It ends when the
// buffer is full, at the deadline, or once the line has been quiet for
// the inter-character time-out after its last byte, so the next read is
// 100 ms of real silence. While bytes keep coming it looks less often
// than every 10 ms (which would wake the reader a hundred times a
// second), so the end of an answer is seen 10 ms after its last byte or
// at the next look, about 13 ms on average. An answer shorter than the
// time-out, such as the echo of a key, ends 10 ms after its last byte.
int PolledLine::gather(uint8_t* buf, int max, int got, Clock::time_point deadline, Gathering& g) {
    while (got < max) {
        const auto now = Clock::now();
        if (now >= deadline || now - g.lastByte >= kInterCharTimeout) break;
        const auto next = g.streaming ? nextLook(g.wake, max - got, g.step)
                                      : std::min(g.lastByte + kInterCharTimeout,
                                                 nextLook(now, max - got, g.step));
        std::this_thread::sleep_until(std::min(deadline, next));
        if (look(buf, max, got, g) == Take::Dead) return waitOut(deadline, got);
    }
    return got;
}

// An error must not turn the reader into a busy loop: the read still
// lasts its full window.
int PolledLine::waitOut(Clock::time_point deadline, int got) {
    std::this_thread::sleep_until(deadline);
    return got;
}

} // namespace platform
