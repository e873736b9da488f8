#pragma once
// The program without a user: connect, log in, back up (or restore) the
// settings, and end with an exit code. It drives the same windows a user
// would (on Qt's offscreen platform, so no display is needed), answers every
// message box itself and prints its text, and prints one line per step.
#include <QObject>
#include <QString>

#include <cstdio>
#include <string>

class BackupRun;
class RestoreRun;
class QTimer;

struct HeadlessJob {
    bool restore = false;
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
    ExitFailed = 1,  // the file, or anything not below
    ExitUsage = 2,   // the command line (app/main.cpp)
    ExitLink = 3,    // no switch answering, the line died, the switch restarted
    ExitLogin = 4,   // the switch refused the account
    ExitBadFile = 5, // a restore's file was refused; nothing was typed
    ExitVerify = 6,  // the restored settings read back differently (a change refused)
};

class HeadlessRun : public QObject {
    Q_OBJECT
public:
    explicit HeadlessRun(HeadlessJob job, FILE* log = stderr, QObject* parent = nullptr);
    ~HeadlessRun() override;
    // Installs the message-box answerer and presses Connect; the run ends
    // with QCoreApplication::exit(code) unless `exitLoop` is false.
    void Start(bool timer = true, bool exitLoop = true);
    // One look at the windows (the timer calls it).
    void Poll();
    bool finished() const { return finished_; }
    int exitCode() const { return exitCode_; }
    const std::string& reason() const { return reason_; }

private:
    enum class Phase { Connecting, LoggingIn, Working };
    void Step(const QString& line);
    void Finish(int code, const QString& reason);
    HeadlessJob job_;
    FILE* log_;
    Phase phase_ = Phase::Connecting;
    QTimer* timer_ = nullptr;
    BackupRun* backup_ = nullptr;
    RestoreRun* restore_ = nullptr;
    void StartWork();
    bool exitLoop_ = true;
    bool finished_ = false;
    int exitCode_ = ExitFailed;
    std::string reason_;
    QString lastBox_;
    qint64 startedMs_ = 0;
};
