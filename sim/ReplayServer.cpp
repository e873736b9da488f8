#include "sim/ReplayServer.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

namespace {

void MakeRaw(int fd) {
    termios t{};
    if (tcgetattr(fd, &t) != 0) return;
    cfmakeraw(&t);
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    t.c_cflag |= CLOCAL | CREAD;
    tcsetattr(fd, TCSANOW, &t);
}

void WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, 100);
        } else {
            return;
        }
    }
}

} // namespace

ReplayServer::~ReplayServer() {
    stop();
}

bool ReplayServer::start(const std::string& transcriptFile, std::string& error) {
    QFile f(QString::fromStdString(transcriptFile));
    if (!f.open(QIODevice::ReadOnly)) {
        error = transcriptFile + ": " + f.errorString().toStdString();
        return false;
    }
    if (!replay_.Load(f.readAll().toStdString(), error)) {
        error = transcriptFile + ": " + error;
        return false;
    }
    if (openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0) {
        error = std::string("openpty: ") + std::strerror(errno);
        return false;
    }
    device_ = ttyname(slave_) ? ttyname(slave_) : "";
    MakeRaw(master_);
    MakeRaw(slave_);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    stop_ = false;
    thread_ = std::thread([this] { run(); });
    return true;
}

void ReplayServer::run() {
    // What the switch had drawn before the first key waits for the program
    // to open the device and type: a pseudo-terminal keeps nobody's output.
    bool started = false;
    while (!stop_.load()) {
        pollfd p{master_, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0 || !(p.revents & POLLIN)) continue;
        char buf[256];
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n <= 0) continue;
        std::string out;
        if (!started) out = replay_.KeysTyped(0);
        started = true;
        out += replay_.KeysTyped(static_cast<int>(n));
        WriteAll(master_, out);
    }
}

void ReplayServer::stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (master_ >= 0) ::close(master_);
    if (slave_ >= 0) ::close(slave_);
    master_ = slave_ = -1;
    device_.clear();
}

} // namespace sim
