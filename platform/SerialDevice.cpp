#include "platform/SerialDevice.h"

#include "platform/NetworkLine.h"
#include "platform/PolledLine.h"
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

class TermiosDevice : public PolledLine {
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

    int write(const uint8_t* buf, int count) override {
        if (fd_ < 0 || buf == nullptr || count <= 0) return 0;
        return putAll(buf, count);
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
    // Reads what the device holds into buf[got..max).
    Take take(uint8_t* buf, int max, int& got) override {
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

    OpenError openError_ = OpenError::None;
    termios saved_{}; // the line's settings before open()
};

// The default device: what the path names decides which line it is.
class LineByPath : public SerialDevice {
public:
    bool open(const std::string& path) override {
        if (line_) line_->close();
        line_ = IsNetworkPath(path) ? CreateNetworkLine() : CreateTermiosDevice();
        return line_->open(path);
    }
    int read(uint8_t* buf, int max) override {
        if (line_) return line_->read(buf, max);
        // Never opened: the read still lasts its window.
        std::this_thread::sleep_for(std::chrono::milliseconds(kReadWindowMs));
        return 0;
    }
    int write(const uint8_t* buf, int count) override {
        return line_ ? line_->write(buf, count) : 0;
    }
    void close() override {
        if (line_) line_->close();
    }
    bool isOpen() const override { return line_ && line_->isOpen(); }
    LineFault lineFault() override { return line_ ? line_->lineFault() : LineFault::None; }
    OpenError openError() const override { return line_ ? line_->openError() : OpenError::Failed; }
    std::string takeNote() override { return line_ ? line_->takeNote() : std::string(); }

private:
    std::unique_ptr<SerialDevice> line_;
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
    return std::make_unique<LineByPath>();
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
    // A network address is checked now: a typing error is refused before
    // anything opens, not found after a connect attempt.
    if (IsNetworkPath(path) && !ParseNetworkAddress(path, nullptr)) return false;
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
