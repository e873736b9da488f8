#include "platform/NetworkLine.h"

#include "platform/PolledLine.h"
#include "platform/TelnetCodec.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace platform {

namespace {

std::atomic<int> g_connectTimeoutMs{0};

bool StartsWithNoCase(const std::string& s, const char* prefix, size_t n) {
    if (s.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
    return true;
}

constexpr char kTcp[] = "tcp://";
constexpr char kTelnet[] = "telnet://";

// A connect() under way on a non-blocking socket, waited for until
// `deadline`. 0 when connected, else the errno that ended it (ETIMEDOUT at
// the deadline).
int FinishConnect(int fd, std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) return ETIMEDOUT;
        pollfd p{fd, POLLOUT, 0};
        const int r = ::poll(&p, 1, static_cast<int>(left));
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return errno;
        if (r == 0) return ETIMEDOUT;
        int err = 0;
        socklen_t len = sizeof err;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) return errno;
        return err;
    }
}

// getaddrinfo() for `address`, its answer in `result` and `found`; false
// when it was given up at `deadline`: a name server that does not answer can hold a lookup
// for longer than the whole connect may take. The lookup runs on a thread
// of its own, which frees its result itself when nobody waits any more.
bool Resolve(const NetworkAddress& address, std::chrono::steady_clock::time_point deadline,
             int* result, addrinfo** found) {
    struct Lookup {
        std::mutex m;
        std::condition_variable done;
        bool finished = false;
        bool abandoned = false;
        int result = 0;
        addrinfo* list = nullptr;
    };
    auto lookup = std::make_shared<Lookup>();
    std::thread([lookup, host = address.host, service = std::to_string(address.port)] {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_flags = AI_NUMERICSERV;
        addrinfo* list = nullptr;
        const int r = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &list);
        std::lock_guard<std::mutex> lock(lookup->m);
        if (lookup->abandoned) {
            if (r == 0) ::freeaddrinfo(list);
            return;
        }
        lookup->result = r;
        lookup->list = r == 0 ? list : nullptr;
        lookup->finished = true;
        lookup->done.notify_one();
    }).detach();
    std::unique_lock<std::mutex> lock(lookup->m);
    if (!lookup->done.wait_until(lock, deadline, [&lookup] { return lookup->finished; })) {
        lookup->abandoned = true;
        return false;
    }
    *result = lookup->result;
    *found = lookup->list;
    return true;
}

class NetworkLine : public PolledLine {
public:
    ~NetworkLine() override { close(); }

    bool open(const std::string& path) override {
        close();
        NetworkAddress address;
        if (!ParseNetworkAddress(path, &address)) {
            openError_ = OpenError::BadAddress;
            return false;
        }
        const int fd = connectTo(address);
        if (fd < 0) return false;
        openError_ = OpenError::None;
        fd_ = fd;
        fullReads_ = 0;
        peerGone_ = false;
        telnet_ = address.telnet;
        codec_ = TelnetCodec();
        if (telnet_) {
            const std::string start = codec_.start();
            std::lock_guard<std::mutex> lock(sendMutex_);
            putAll(reinterpret_cast<const uint8_t*>(start.data()), static_cast<int>(start.size()));
        }
        return true;
    }

    int write(const uint8_t* buf, int count) override {
        if (fd_ < 0 || buf == nullptr || count <= 0) return 0;
        std::lock_guard<std::mutex> lock(sendMutex_);
        if (!telnet_) return putAll(buf, count);
        // All or nothing: the wire carries more bytes than the console's.
        const std::string wire = codec_.encode(buf, count);
        const int sent =
            putAll(reinterpret_cast<const uint8_t*>(wire.data()), static_cast<int>(wire.size()));
        return sent == static_cast<int>(wire.size()) ? count : 0;
    }

    void close() override {
        if (fd_ < 0) return;
        ::close(fd_);
        fd_ = -1;
    }

    bool isOpen() const override { return fd_ >= 0; }
    OpenError openError() const override { return openError_; }

    // The server closing or resetting the connection is the network's
    // hang-up: the session ends as when a serial line is hung up.
    LineFault lineFault() override {
        if (fd_ < 0) return LineFault::None;
        if (peerGone_) return LineFault::HungUp;
        pollfd p{fd_, POLLRDHUP, 0};
        if (::poll(&p, 1, 0) < 0) return errno == EINTR ? LineFault::None : LineFault::Error;
        if (p.revents & (POLLHUP | POLLRDHUP | POLLERR)) return LineFault::HungUp;
        if (p.revents & POLLNVAL) return LineFault::Error;
        return LineFault::None;
    }

    std::string takeNote() override {
        std::lock_guard<std::mutex> lock(sendMutex_);
        return codec_.takeNote();
    }

private:
    Take take(uint8_t* buf, int max, int& got) override {
        for (;;) {
            // Decoding never makes more console bytes than it was given, so
            // what fits the buffer is read.
            const ssize_t n = ::recv(fd_, buf + got, static_cast<size_t>(max - got), MSG_DONTWAIT);
            if (n > 0) return telnet_ ? decode(buf, got, static_cast<int>(n)) : added(got, n);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return Take::None;
            peerGone_ = true;
            return n == 0 ? Take::End : Take::Dead;
        }
    }

    static Take added(int& got, ssize_t n) {
        got += static_cast<int>(n);
        return Take::Some;
    }

    // The telnet bytes just read at buf[got..got+n) become the console's
    // bytes in place; negotiation answers go out at once.
    Take decode(uint8_t* buf, int& got, int n) {
        std::string data;
        std::string reply;
        std::lock_guard<std::mutex> lock(sendMutex_);
        codec_.receive(buf + got, n, data, reply);
        std::copy(data.begin(), data.end(), buf + got);
        got += static_cast<int>(data.size());
        if (!reply.empty())
            putAll(reinterpret_cast<const uint8_t*>(reply.data()), static_cast<int>(reply.size()));
        return data.empty() ? Take::None : Take::Some;
    }

    ssize_t put(const uint8_t* buf, size_t count) override {
        // A server gone must not kill the program with SIGPIPE.
        return ::send(fd_, buf, count, MSG_NOSIGNAL | MSG_DONTWAIT);
    }

    // A connected socket, or -1 with openError_ set. Every address the name
    // has is tried within the one time-out; a refusal anywhere is reported
    // over a time-out elsewhere (it says more about what is wrong).
    int connectTo(const NetworkAddress& address) {
        openError_ = OpenError::ConnectFailed;
        const int timeoutMs =
            g_connectTimeoutMs.load() > 0 ? g_connectTimeoutMs.load() : kConnectTimeoutMs;
        // The name lookup counts against the same limit as the connect.
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        addrinfo* found = nullptr;
        int r = 0;
        if (!Resolve(address, deadline, &r, &found)) {
            openError_ = OpenError::ConnectTimedOut;
            return -1;
        }
        if (r != 0) {
            // EAI_AGAIN: no name server answered, which to the user is the
            // same: the name could not be found.
            if (r == EAI_NONAME || r == EAI_AGAIN || r == EAI_FAIL
#ifdef EAI_NODATA
                || r == EAI_NODATA
#endif
            )
                openError_ = OpenError::UnknownHost;
            return -1;
        }
        int fd = -1;
        bool refused = false;
        bool timedOut = false;
        for (addrinfo* a = found; a != nullptr && fd < 0; a = a->ai_next) {
            const int s = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                                   a->ai_protocol);
            if (s < 0) continue;
            int err = ::connect(s, a->ai_addr, a->ai_addrlen) == 0 ? 0 : errno;
            if (err == EINPROGRESS || err == EINTR) err = FinishConnect(s, deadline);
            if (err == 0) {
                fd = s;
                break;
            }
            ::close(s);
            refused = refused || err == ECONNREFUSED;
            timedOut = timedOut || err == ETIMEDOUT;
        }
        ::freeaddrinfo(found);
        if (fd < 0) {
            if (refused)
                openError_ = OpenError::ConnectRefused;
            else if (timedOut)
                openError_ = OpenError::ConnectTimedOut;
            return -1;
        }
        // Keys go out one at a time and each waits for its echo: no batching.
        const int one = 1;
        (void)::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        return fd;
    }

    OpenError openError_ = OpenError::None;
    bool telnet_ = false;
    // Set on the reader thread, read there by lineFault().
    bool peerGone_ = false;
    // The codec and the socket's sending side are shared by the reader
    // (negotiation answers) and the main thread (keys): one at a time, so
    // an answer never lands inside a key's bytes.
    std::mutex sendMutex_;
    TelnetCodec codec_;
};

} // namespace

bool IsNetworkPath(const std::string& path) {
    return StartsWithNoCase(path, kTcp, sizeof kTcp - 1) ||
           StartsWithNoCase(path, kTelnet, sizeof kTelnet - 1);
}

bool ParseNetworkAddress(const std::string& path, NetworkAddress* address) {
    NetworkAddress a;
    std::string rest;
    if (StartsWithNoCase(path, kTcp, sizeof kTcp - 1)) {
        rest = path.substr(sizeof kTcp - 1);
    } else if (StartsWithNoCase(path, kTelnet, sizeof kTelnet - 1)) {
        a.telnet = true;
        rest = path.substr(sizeof kTelnet - 1);
    } else {
        return false;
    }
    size_t colon = std::string::npos;
    if (!rest.empty() && rest[0] == '[') {
        const size_t close = rest.find(']');
        if (close == std::string::npos || close + 1 >= rest.size() || rest[close + 1] != ':')
            return false;
        a.host = rest.substr(1, close - 1);
        colon = close + 1;
    } else {
        colon = rest.rfind(':');
        if (colon == std::string::npos) return false;
        a.host = rest.substr(0, colon);
        // An IPv6 address without its brackets cannot be told from its port.
        if (a.host.find(':') != std::string::npos) return false;
    }
    const std::string port = rest.substr(colon + 1);
    if (a.host.empty() || port.empty() || port.size() > 5) return false;
    for (const char c : port)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    for (const char c : a.host)
        if (std::isspace(static_cast<unsigned char>(c)) || c == '/') return false;
    a.port = std::stoi(port);
    if (a.port < 1 || a.port > 65535) return false;
    if (address != nullptr) *address = a;
    return true;
}

void SetConnectTimeoutForTests(int ms) {
    g_connectTimeoutMs.store(ms);
}

std::unique_ptr<SerialDevice> CreateNetworkLine() {
    return std::make_unique<NetworkLine>();
}

} // namespace platform
