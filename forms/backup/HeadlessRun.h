#pragma once
// The program without a user: connect, log in, back up, restore or check
// the settings, log out, and end with an exit code. It drives the same windows a
// user would (on Qt's offscreen platform, so no display is needed), answers
// every message box itself and prints its text, and prints one line per step.
// No wait is unbounded: 30 s without a screen of the switch the program
// recognises ends the run, and so does the whole run's own limit.
#include <QObject>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class BackupRun;
class RestoreRun;
class QTimer;

struct HeadlessJob {
    bool restore = false;
    // Compare the switch with the file and type nothing but navigation.
    bool check = false;
    QString file;
    QString port = QStringLiteral("COM1");
    std::string user = "admin";
    std::string password;
    // Texts of the run: "en", "cn" or "tw" (--language); never the windows'
    // remembered language.
    QString language = QStringLiteral("en");
    // The whole run's limit (--timeout); a wait without a recognised page
    // has its own, shorter one.
    int timeoutSeconds = 900;
};

// Keeps the offscreen platform's notes about window management (which has
// none) and similar chatter off stderr, so that it holds the run's lines.
void QuietHeadlessMessages();

// Exit codes of a headless run.
enum HeadlessExit : int {
    ExitOk = 0,
    ExitFailed = 1,   // the file, or anything not below
    ExitUsage = 2,    // the command line (app/main.cpp)
    ExitLink = 3,     // no switch answering, the line died, the switch restarted
    ExitLogin = 4,    // the switch refused the account
    ExitBadFile = 5,  // a restore's file was refused; nothing was typed
    ExitVerify = 6,   // the restored settings read back differently (a change refused),
                      // or a check found the switch differs from the file
    ExitSignal = 128, // plus the signal's number: SIGINT 130, SIGTERM 143
};

// How long a headless run waits without a recognised screen of the switch.
constexpr int64_t kNoProgressUs = 30LL * 1000 * 1000;

class HeadlessRun : public QObject {
    Q_OBJECT
public:
    // Answers every message box and dismisses every other dialog from here
    // on, printing their texts to `log`.
    explicit HeadlessRun(HeadlessJob job, FILE* log = stderr, QObject* parent = nullptr);
    ~HeadlessRun() override;
    // Presses Connect; the run ends
    // with QCoreApplication::exit(code) unless `exitLoop` is false. `timer`:
    // the program's own run, which polls on a timer and catches SIGINT and
    // SIGTERM; tests call Poll() and Interrupt() themselves.
    void Start(bool timer = true, bool exitLoop = true);
    // One look at the windows and the clock (the timer calls it). The clock
    // is the link's (LinkNowUs), so tests run it on their virtual clock.
    void Poll();
    // A signal asked the run to end: it logs out first (as soon as the
    // screen being drawn has ended), then fails as interrupted with exit
    // code 128 + signal.
    void Interrupt(int signal);
    bool finished() const { return finished_; }
    int exitCode() const { return exitCode_; }
    const std::string& reason() const { return reason_; }
    // The settings a restore typed (its summary, once it began to write),
    // or the differences a check found; empty for a backup.
    const std::vector<std::string>& changed() const { return changed_; }

protected:
    // A dialog shown by anything but the message-box call (a QMessageBox or
    // file dialog opened directly) would wait for ever on a screen nobody
    // sees: its text is printed and it is dismissed.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Phase { Connecting, LoggingIn, Working };
    static void PageSeen(int32_t value);
    int Answer(const QString& text, const QString& caption, int buttons);
    void Step(const QString& line);
    bool OutOfTime(int64_t nowUs);
    void PollLogin();
    // The run's outcome is known: log out first where the console is logged
    // in and answers, then Finish.
    void End(int code, const QString& reason);
    void WindDown(int64_t nowUs);
    void Finish(int code, const QString& reason);
    QString LastScreen() const;
    HeadlessJob job_;
    FILE* log_;
    Phase phase_ = Phase::Connecting;
    QTimer* timer_ = nullptr;
    BackupRun* backup_ = nullptr;
    RestoreRun* restore_ = nullptr;
    void StartWork();
    void StartRestore();
    bool exitLoop_ = true;
    bool finished_ = false;
    int exitCode_ = ExitFailed;
    std::string reason_;
    std::vector<std::string> changed_;
    QString lastBox_;
    int64_t startedUs_ = 0;
    int64_t progressUs_ = 0; // the last recognised screen
    int32_t lastPage_ = -1;  // its page number (-1: none yet)
    bool restarted_ = false; // a power-on self-test since the login was typed
    // The outcome End() holds while the console is being logged out.
    bool ending_ = false;
    bool loggingOut_ = false;
    int endCode_ = ExitFailed;
    QString endReason_;
};
