#include "platform/SerialDevice.h"

#include "platform/PortDiscovery.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <grp.h>
#include <map>
#include <mutex>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

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

class TermiosDevice : public SerialDevice {
public:
    ~TermiosDevice() override { close(); }

    bool open(const std::string& path) override {
        close();
        const int fd = openExclusive(path);
        if (fd < 0) return false;
        openError_ = OpenError::None;
        fd_ = fd;
        fullReads_ = 0;
        // openExclusive read the line's settings into saved_.
        termios t = saved_;
        ::cfmakeraw(&t);
        ::cfsetispeed(&t, B9600);
        ::cfsetospeed(&t, B9600);
        t.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
        t.c_cflag |= CS8 | CLOCAL | CREAD;
        t.c_iflag &= ~(IXON | IXOFF | IXANY);
        t.c_cc[VMIN] = 0;
        t.c_cc[VTIME] = 0;
        // Like the line's other settings, a failure here is not fatal: the
        // device stays usable with whatever it accepted.
        (void)::tcsetattr(fd_, TCSANOW, &t);
        // Bytes that reached the port before it was opened (the end of an
        // earlier session, an adapter's buffer) belong to no session: a
        // line drawn before the connect keys' Ctrl-A would make the walk
        // answer it and drop that Ctrl-A.
        (void)::tcflush(fd_, TCIFLUSH);
        return true;
    }

    int read(uint8_t* buf, int max) override {
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

    int write(const uint8_t* buf, int count) override {
        if (fd_ < 0 || buf == nullptr || count <= 0) return 0;
        int done = 0;
        auto stallLimit = Clock::now() + kWriteStall;
        while (done < count) {
            const ssize_t n = ::write(fd_, buf + done, static_cast<size_t>(count - done));
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

    void close() override {
        if (fd_ < 0) return;
        (void)::tcsetattr(fd_, TCSANOW, &saved_);
        // The exclusive mode belongs to the terminal, not to this descriptor:
        // left set, it would refuse the next open while anyone else (a
        // pseudo-terminal's server) still holds the device.
        (void)::ioctl(fd_, TIOCNXCL);
        ::close(fd_);
        fd_ = -1;
    }

    bool isOpen() const override { return fd_ >= 0; }
    OpenError openError() const override { return openError_; }

    LineFault lineFault() override {
        if (fd_ < 0) return LineFault::None;
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 0) < 0) return errno == EINTR ? LineFault::None : LineFault::Error;
        if (p.revents & POLLHUP) return LineFault::HungUp;
        if (p.revents & (POLLERR | POLLNVAL)) return LineFault::Error;
        return LineFault::None;
    }

private:
    enum class Take { Some, None, End, Dead };

    // Reads what the device holds into buf[got..max).
    Take take(uint8_t* buf, int max, int& got) {
        for (;;) {
            const ssize_t n = ::read(fd_, buf + got, static_cast<size_t>(max - got));
            if (n > 0) {
                got += static_cast<int>(n);
                return Take::Some;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno == EAGAIN) return Take::None;
            // A terminal with VMIN = VTIME = 0 reads 0 when it holds nothing.
            if (n == 0) return Take::End;
            return Take::Dead; // EIO (hung up) and the like
        }
    }

    // What a read knows about the line while it gathers bytes. The poll
    // wakes at the first byte; later ones are only seen after a sleep. The
    // line brings at most one byte per character time, so the last of k new
    // bytes came at least k characters after the previous wake-up. Taking
    // that as its time can only end a read early (when the switch paused in
    // between), which costs a hand-over, never a key.
    struct Gathering {
        Clock::time_point lastByte; // estimated arrival of the last byte
        Clock::time_point wake;     // the last wake-up
        bool streaming;             // bytes kept coming right up to it
        Clock::duration step;       // the longest sleep while they do
    };

    // Takes what came since the last wake-up and updates `g`.
    Take look(uint8_t* buf, int max, int& got, Gathering& g) {
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
    static Clock::time_point nextLook(Clock::time_point from, int missing, Clock::duration step) {
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
    int gather(uint8_t* buf, int max, int got, Clock::time_point deadline, Gathering& g) {
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

    // The descriptor of a character device nobody else has open through
    // this program, or -1 with openError_ set.
    int openExclusive(const std::string& path) {
        openError_ = OpenError::Failed;
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0 && !S_ISCHR(st.st_mode)) {
            // A regular file would be read as console output and written to.
            openError_ = OpenError::NotSerialDevice;
            return -1;
        }
        // Non-blocking so that the open never waits for a modem line, and so
        // that reads and writes are driven by poll() with our own time limits.
        const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            // EBUSY: another program's TIOCEXCL.
            openError_ = ClassifyOpenFailure(errno);
            return -1;
        }
        // Checked again on what was opened: the path may have changed. A
        // character device without terminal settings (/dev/null, /dev/zero,
        // /dev/urandom) is no line either: it would swallow the keys or
        // answer them with noise until the connect gives up.
        if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode) || ::tcgetattr(fd, &saved_) != 0) {
            openError_ = OpenError::NotSerialDevice;
            ::close(fd);
            return -1;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            if (errno == EWOULDBLOCK) openError_ = OpenError::InUse;
            ::close(fd);
            return -1;
        }
        (void)::ioctl(fd, TIOCEXCL);
        return fd;
    }

    // An error must not turn the reader into a busy loop: the read still
    // lasts its full window.
    static int waitOut(Clock::time_point deadline, int got) {
        std::this_thread::sleep_until(deadline);
        return got;
    }

    int fd_ = -1;
    int fullReads_ = 0; // reads in a row that ended with the switch still sending
    OpenError openError_ = OpenError::None;
    termios saved_{}; // the line's settings before open()
};

std::mutex& registryMutex() {
    static std::mutex m;
    return m;
}

std::map<std::string, std::string>& portMap() {
    static std::map<std::string, std::string> m;
    return m;
}

SerialDeviceFactory& factory() {
    static SerialDeviceFactory f;
    return f;
}

// "COMn" in its canonical spelling, or "" when the name is not a port name
// the program takes.
std::string canonicalComName(const std::string& name) {
    const int n = ComPortNumber(name);
    return n == 0 ? std::string() : "COM" + std::to_string(n);
}

} // namespace

int ComPortNumber(const std::string& name) {
    // Three letters and one to three digits, the first not 0: "COM011" or
    // "COM1x" would otherwise be taken for a name it is not.
    if (name.size() < 4 || name.size() > 6 || name[3] == '0') return 0;
    for (int i = 0; i < 3; ++i)
        if (std::toupper(static_cast<unsigned char>(name[i])) != "COM"[i]) return 0;
    int n = 0;
    for (size_t i = 3; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) return 0;
        n = n * 10 + (name[i] - '0');
    }
    return n <= kMaxComPort ? n : 0;
}

SerialDevice::OpenError ClassifyOpenFailure(int err) {
    using Error = SerialDevice::OpenError;
    switch (err) {
    case EACCES:
    case EPERM:
        return Error::NoPermission;
    case EBUSY:
        return Error::InUse;
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return Error::NotThere;
    default:
        return Error::Failed;
    }
}

std::string DeviceGroup(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    // getgrgid_r with a buffer that grows: some group databases are large.
    std::vector<char> buf(1024);
    for (;;) {
        group g{};
        group* found = nullptr;
        const int r = ::getgrgid_r(st.st_gid, &g, buf.data(), buf.size(), &found);
        if (r == ERANGE && buf.size() < (1u << 20)) {
            buf.resize(buf.size() * 2);
            continue;
        }
        if (r == 0 && found != nullptr) return found->gr_name;
        return std::to_string(st.st_gid);
    }
}

std::unique_ptr<SerialDevice> CreateTermiosDevice() {
    return std::make_unique<TermiosDevice>();
}

uint64_t TermiosReadWakeups() {
    return g_wakeups.load(std::memory_order_relaxed);
}

void SetSerialDeviceFactory(SerialDeviceFactory f) {
    std::lock_guard<std::mutex> lock(registryMutex());
    factory() = std::move(f);
}

std::unique_ptr<SerialDevice> CreateSerialDevice() {
    SerialDeviceFactory f;
    {
        std::lock_guard<std::mutex> lock(registryMutex());
        f = factory();
    }
    if (f) {
        if (auto device = f()) return device;
    }
    return CreateTermiosDevice();
}

std::string ResolvePortName(const std::string& comName) {
    const std::string canonical = canonicalComName(comName);
    if (canonical.empty()) return comName;
    {
        std::lock_guard<std::mutex> lock(registryMutex());
        auto it = portMap().find(canonical);
        if (it != portMap().end()) return it->second;
    }
    const unsigned long n = std::stoul(canonical.substr(3));
    const std::string found = DiscoveredPortPath(static_cast<int>(n));
    if (!found.empty()) return found;
    return "/dev/ttyS" + std::to_string(n - 1);
}

void MapPortName(const std::string& comName, const std::string& path) {
    std::string canonical = canonicalComName(comName);
    if (canonical.empty()) canonical = comName;
    std::lock_guard<std::mutex> lock(registryMutex());
    portMap()[canonical] = path;
}

bool MapPortOption(const std::string& option, std::string* name) {
    const auto eq = option.find('=');
    if (eq == std::string::npos) return false;
    const std::string canonical = canonicalComName(option.substr(0, eq));
    const std::string path = option.substr(eq + 1);
    if (canonical.empty() || path.empty()) return false;
    MapPortName(canonical, path);
    if (name != nullptr) *name = canonical;
    return true;
}

std::map<int, std::string> ExplicitPortMappings() {
    std::map<int, std::string> given;
    std::lock_guard<std::mutex> lock(registryMutex());
    for (const auto& [name, path] : portMap())
        if (!canonicalComName(name).empty()) given[std::stoi(name.substr(3))] = path;
    return given;
}

void ClearPortMappings() {
    std::lock_guard<std::mutex> lock(registryMutex());
    portMap().clear();
}

} // namespace platform
