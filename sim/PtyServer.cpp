#include "sim/PtyServer.h"

#include "sim/Switch.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

namespace {

// A serial line whose far end nobody reads loses what the switch sends; a
// pseudo-terminal would keep it and hand a stale screen to the next program
// that opens it. Output nobody has read for this long is dropped.
constexpr int64_t kUnreadDropUs = 1000000;
constexpr size_t kMaxPending = 64 * 1024;
constexpr int kMaxPollMs = 50;

bool MakeRaw(int fd) {
    termios t{};
    if (tcgetattr(fd, &t) != 0) return false;
    cfmakeraw(&t);
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    t.c_cflag |= CLOCAL | CREAD;
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

void SetFlag(int fd, int flag) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | flag);
}

std::string Errno(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

// Wakes the server thread out of its poll.
void Poke(int fd, char why) {
    if (fd < 0) return;
    [[maybe_unused]] const ssize_t n = write(fd, &why, 1);
}

} // namespace

PtyServer::PtyServer() = default;

PtyServer::~PtyServer() {
    stop();
}

int64_t PtyServer::nowUs() const {
    const int64_t ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
                           std::chrono::steady_clock::now().time_since_epoch())
                           .count();
    return (ns - startNs_) / 1000;
}

bool PtyServer::start(const Options& options, std::string linkPath, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        closeAll();
        return false;
    };
    if (running()) return fail("already running");
    if (openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0) return fail(Errno("openpty"));
    const char* name = ttyname(slave_);
    if (name == nullptr) return fail(Errno("ttyname"));
    device_ = name;
    if (!MakeRaw(slave_) || !MakeRaw(master_)) return fail(Errno("raw mode"));
    SetFlag(master_, O_NONBLOCK);
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    fcntl(slave_, F_SETFD, FD_CLOEXEC);
    if (pipe(wake_) != 0) return fail(Errno("pipe"));
    SetFlag(wake_[0], O_NONBLOCK);
    SetFlag(wake_[1], O_NONBLOCK);

    if (!linkPath.empty()) {
        struct stat st {};
        if (lstat(linkPath.c_str(), &st) == 0) {
            if (!S_ISLNK(st.st_mode)) return fail(linkPath + ": exists and is not a symbolic link");
            unlink(linkPath.c_str());
        }
        if (symlink(device_.c_str(), linkPath.c_str()) != 0) return fail(Errno(linkPath.c_str()));
        link_ = linkPath;
    }

    startNs_ = std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
                   .count();
    switch_ = std::make_unique<Switch>(options, 0);
    line_ = std::make_unique<FaultyLine>(*switch_, options.faults);
    stop_ = false;
    cycleRequested_ = false;
    pending_.clear();
    written_ = lastRead_ = 0;
    readStallSince_ = -1;
    thread_ = std::thread([this] { run(); });
    return true;
}

void PtyServer::powerCycle() {
    cycleRequested_ = true;
    Poke(wake_[1], 'c');
}

SwitchState PtyServer::stateSnapshot() {
    std::lock_guard<std::mutex> lock(mutex_);
    return switch_ ? switch_->state() : SwitchState{};
}

void PtyServer::stop() {
    if (thread_.joinable()) {
        stop_ = true;
        Poke(wake_[1], 's');
        thread_.join();
    }
    closeAll();
}

void PtyServer::closeAll() {
    if (!link_.empty()) {
        // Only our own link: someone may have pointed the path elsewhere.
        char target[4096];
        const ssize_t n = readlink(link_.c_str(), target, sizeof target - 1);
        if (n > 0 && std::string(target, static_cast<size_t>(n)) == device_) unlink(link_.c_str());
        link_.clear();
    }
    for (int* fd : {&master_, &slave_, &wake_[0], &wake_[1]}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
    device_.clear();
}

void PtyServer::run() {
    while (!stop_)
        serveOnce();
}

void PtyServer::serveOnce() {
    int timeoutMs = kMaxPollMs;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const int64_t now = nowUs();
        if (cycleRequested_.exchange(false)) switch_->powerCycle(now);
        pumpOutput(now);
        if (line_->hungUp()) {
            // A hang-up fault: the line closes, as a pulled cable would; the
            // program sees the hang-up on its end of the terminal.
            ::close(master_);
            master_ = -1;
            stop_ = true;
            return;
        }
        dropUnreadOutput(now);
        const int64_t next = line_->nextOutputTime();
        if (!pending_.empty())
            timeoutMs = 5;
        else if (next != Switch::kNever)
            timeoutMs =
                static_cast<int>(std::clamp<int64_t>((next - now + 999) / 1000, 0, kMaxPollMs));
    }
    pollfd fds[2] = {{master_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    if (poll(fds, 2, timeoutMs) < 0 && errno != EINTR) {
        std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
        return;
    }
    if (fds[1].revents & POLLIN) {
        char drain[16];
        while (read(wake_[0], drain, sizeof drain) > 0) {
        }
    }
    if (fds[0].revents & POLLIN) {
        std::lock_guard<std::mutex> lock(mutex_);
        pumpInput(nowUs());
    }
}

void PtyServer::pumpInput(int64_t now) {
    uint8_t buf[256];
    ssize_t n;
    while ((n = read(master_, buf, sizeof buf)) > 0)
        for (ssize_t i = 0; i < n; ++i)
            line_->keyIn(buf[i], now);
}

void PtyServer::pumpOutput(int64_t now) {
    while (line_->nextOutputTime() <= now && pending_.size() < kMaxPending)
        pending_ += static_cast<char>(line_->takeOutput());
    while (!pending_.empty()) {
        const ssize_t n = write(master_, pending_.data(), pending_.size());
        if (n <= 0) break; // the terminal is full: try again shortly
        written_ += static_cast<uint64_t>(n);
        pending_.erase(0, static_cast<size_t>(n));
    }
}

void PtyServer::dropUnreadOutput(int64_t now) {
    int unread = 0;
    if (ioctl(slave_, FIONREAD, &unread) != 0 || unread <= 0) {
        readStallSince_ = -1;
        lastRead_ = written_;
        return;
    }
    const uint64_t consumed = written_ - static_cast<uint64_t>(unread);
    if (consumed != lastRead_ || readStallSince_ < 0) {
        lastRead_ = consumed;
        readStallSince_ = now;
        return;
    }
    if (now - readStallSince_ >= kUnreadDropUs) {
        tcflush(slave_, TCIFLUSH);
        pending_.clear();
        readStallSince_ = -1;
    }
}

} // namespace sim
