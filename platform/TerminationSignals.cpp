#include "platform/TerminationSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM};

// Shared with the handler, so plain values only.
int s_pipe[2] = {-1, -1};
volatile sig_atomic_t s_caught = 0;
const char* s_lastWords = nullptr;
size_t s_lastWordsSize = 0;
struct sigaction s_previous[2];

void OnSignal(int signal) {
    if (s_caught != 0) {
        [[maybe_unused]] const ssize_t said = write(STDERR_FILENO, s_lastWords, s_lastWordsSize);
        _exit(128 + signal);
    }
    s_caught = signal;
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    // A full pipe cannot happen (one byte, once); a failed write loses
    // nothing the second signal cannot still do.
    [[maybe_unused]] const ssize_t written = write(s_pipe[1], &byte, 1);
    errno = saved;
}

void ClosePipe() {
    for (int& fd : s_pipe) {
        if (fd >= 0) close(fd);
        fd = -1;
    }
}

} // namespace

TerminationSignals::TerminationSignals(std::function<void(int)> caught, const char* lastWords,
                                       QObject* parent)
    : QObject(parent), caught_(std::move(caught)) {
    s_caught = 0;
    s_lastWords = lastWords ? lastWords : "";
    s_lastWordsSize = std::strlen(s_lastWords);
    if (pipe2(s_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    // Each signal blocks the other while its handler runs, so two signals
    // arriving together still count as a first and a second.
    sigemptyset(&action.sa_mask);
    for (int signal : kSignals)
        sigaddset(&action.sa_mask, signal);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 2; ++i)
        if (sigaction(kSignals[i], &action, &s_previous[i]) != 0) {
            ClosePipe();
            return;
        }
    notifier_ = new QSocketNotifier(s_pipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { Read(); });
}

TerminationSignals::~TerminationSignals() {
    if (notifier_ == nullptr) return;
    for (int i = 0; i < 2; ++i)
        sigaction(kSignals[i], &s_previous[i], nullptr);
    delete notifier_;
    ClosePipe();
    s_caught = 0;
}

void TerminationSignals::Read() {
    unsigned char byte = 0;
    if (read(s_pipe[0], &byte, 1) == 1 && caught_) caught_(byte);
}

} // namespace platform
