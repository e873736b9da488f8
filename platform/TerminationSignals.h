#pragma once
// SIGINT and SIGTERM for a run that must end cleanly (log out of the switch
// first). The handler does only what is safe inside a signal handler: the
// first signal writes its number into a pipe, which a QSocketNotifier reads
// on the main thread and hands to `caught`; a second signal writes
// `lastWords` to stderr and ends the process at once with 128 + its number
// (_exit), for a user who will not wait.
#include <QObject>

#include <functional>

class QSocketNotifier;

namespace platform {

class TerminationSignals : public QObject {
public:
    // `lastWords` must outlive the catcher (a string literal).
    TerminationSignals(std::function<void(int signal)> caught, const char* lastWords,
                       QObject* parent = nullptr);
    // Puts the handlers that were there before back; one instance at a time.
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;
    // False when the pipe or the handlers could not be set up.
    bool active() const { return notifier_ != nullptr; }

private:
    void Read();
    std::function<void(int)> caught_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace platform
