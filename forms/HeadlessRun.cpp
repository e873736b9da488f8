#include "forms/HeadlessRun.h"

#include "engine/KeyOutput.h"
#include "forms/FormRefs.h"
#include "forms/Loginform.h"
#include "forms/Mainform.h"
#include "forms/Messageform.h"
#include "forms/PortBox.h"
#include "forms/SettingsFile.h"
#include "forms/SettingsRestore.h"
#include "forms/Welcomeform.h"
#include "platform/Secret.h"
#include "platform/SerialDevice.h"
#include "platform/Ui.h"
#include "shared/Publicunit.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

namespace {

constexpr int kPollMs = 20;
// Longer than any walk takes at 9600 baud; the link's own watchdog ends a
// session on a dead line long before.
constexpr qint64 kGiveUpMs = 15 * 60 * 1000;

bool Up(TForm* f) {
    return f && f->isVisible() && f->isEnabled() && !frmMessage.exists() && !IsSendPending();
}

QString OneLine(QString text) {
    return text.trimmed().replace(QLatin1Char('\n'), QLatin1Char(' '));
}

// The language box's item of "en", "cn", "tw".
int LanguageItem(const QString& language) {
    if (language == QLatin1String("cn")) return 1;
    if (language == QLatin1String("tw")) return 2;
    return 0;
}

// The password is no longer needed once the switch took it: the job's copy
// and the login window's field are overwritten.
void ForgetPassword(std::string& password) {
    platform::WipeSecret(password);
    TfrmLogin* login = frmLogin.get();
    if (login == nullptr) return;
    QString held = login->edtPassword->text();
    login->edtPassword->clear();
    // Now the only holder of its characters, it overwrites them in place.
    std::fill(held.begin(), held.end(), QChar());
}

QtMessageHandler s_qtHandler = nullptr;

void DropPlatformNotes(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg && type != QtCriticalMsg) return;
    if (s_qtHandler) s_qtHandler(type, context, text);
}

} // namespace

void QuietHeadlessMessages() {
    s_qtHandler = qInstallMessageHandler(DropPlatformNotes);
}

HeadlessRun::HeadlessRun(HeadlessJob job, FILE* log, QObject* parent)
    : QObject(parent), job_(std::move(job)), log_(log) {}

HeadlessRun::~HeadlessRun() {
    platform::SetMessageBoxHandler(nullptr);
}

void HeadlessRun::Step(const QString& line) {
    std::fprintf(log_, "%s\n", OneLine(line).toLocal8Bit().constData());
    std::fflush(log_);
}

void HeadlessRun::Start(bool timer, bool exitLoop) {
    exitLoop_ = exitLoop;
    startedMs_ = QDateTime::currentMSecsSinceEpoch();
    TfrmWelcome* welcome = frmWelcome.get();
    // The run's own language, before anything is said; a language file that
    // cannot be read is reported (on stderr) and English stays.
    if (welcome != nullptr) welcome->cboLang->setCurrentIndex(LanguageItem(job_.language));
    platform::SetMessageBoxHandler(
        [this](const QString& text, const QString& caption, int buttons) {
            lastBox_ = OneLine(text);
            Step(QStringLiteral("message: ") + OneLine(caption) + QStringLiteral(": ") + lastBox_);
            return buttons == platform::MB_YESNO ? int(platform::IDYES) : int(platform::IDOK);
        });
    // The box shows "COMn - device (description)"; the job names COMn, and
    // only that name, whole, is the port.
    const int n = platform::ComPortNumber(job_.port.toStdString());
    if (welcome == nullptr || n == 0 || !welcome->ports->Select(n)) {
        Finish(ExitUsage, job_.port + QStringLiteral(" is not a port the program offers"));
        return;
    }
    Step(QStringLiteral("connecting on ") + job_.port);
    welcome->btnConnect->click();
    if (timer) {
        timer_ = new QTimer(this);
        connect(timer_, &QTimer::timeout, this, [this] { Poll(); });
        timer_->start(kPollMs);
    }
}

void HeadlessRun::Poll() {
    if (finished_) return;
    if (backup_) {
        backup_->Poll();
        return;
    }
    if (restore_) {
        restore_->Poll();
        return;
    }
    if (QDateTime::currentMSecsSinceEpoch() - startedMs_ > kGiveUpMs) {
        Finish(ExitLink, QStringLiteral("the switch did not get through the steps in time"));
        return;
    }
    switch (phase_) {
    case Phase::Connecting:
        if (Up(frmLogin.get()) && CurrentForm == FORM_LOGIN) {
            Step(QStringLiteral("logging in as ") + QString::fromStdString(job_.user));
            frmLogin->edtUsername->setText(QString::fromStdString(job_.user));
            frmLogin->edtPassword->setText(QString::fromStdString(job_.password));
            frmLogin->btnLogin->click();
            phase_ = Phase::LoggingIn;
        } else if (!lastBox_.isEmpty()) {
            // Before the login page, any message is the link's failure.
            Finish(ExitLink, lastBox_);
        }
        break;
    case Phase::LoggingIn:
        if (CurrentForm == FORM_MAIN && Up(frmMain.get())) {
            phase_ = Phase::Working;
            Step(QStringLiteral("logged in, firmware ") + QString::fromLatin1(VersionText));
            StartWork();
        } else if (frmLogin.get() && Up(frmLogin.get()) &&
                   LoginRefused(frmLogin->LoginPromptCount)) {
            Finish(ExitLogin, QStringLiteral("the switch refused the login as ") +
                                  QString::fromStdString(job_.user));
        } else if (CurrentForm == FORM_WELCOME && !lastBox_.isEmpty()) {
            Finish(ExitLink, lastBox_);
        }
        break;
    case Phase::Working:
        break;
    }
}

void HeadlessRun::Finish(int code, const QString& reason) {
    if (finished_) return;
    finished_ = true;
    exitCode_ = code;
    reason_ = OneLine(reason).toStdString();
    if (timer_) timer_->stop();
    CloseBusyBox();
    Step((code == ExitOk ? QStringLiteral("done: ") : QStringLiteral("failed: ")) +
         OneLine(reason));
    if (exitLoop_) QCoreApplication::exit(code);
}

void HeadlessRun::StartWork() {
    ForgetPassword(job_.password);
    auto step = [this](const std::string& line) { Step(DecodeText(line)); };
    if (job_.restore) {
        restore_ = new RestoreRun(job_.file, nullptr, this);
        restore_->progress = step;
        restore_->SetFinished([this](RestoreRun::Outcome outcome, const QString& message) {
            switch (outcome) {
            case RestoreRun::Outcome::Verified:
            case RestoreRun::Outcome::Unchanged:
                Finish(ExitOk, message);
                break;
            case RestoreRun::Outcome::BadFile:
                Finish(ExitBadFile, job_.file + QStringLiteral(": ") + message);
                break;
            case RestoreRun::Outcome::Differs:
                Finish(ExitVerify, message);
                break;
            case RestoreRun::Outcome::Cancelled:
                Finish(ExitFailed, message);
                break;
            case RestoreRun::Outcome::Lost:
                Finish(ExitLink, lastBox_.isEmpty()
                                     ? message
                                     : message.trimmed() + QLatin1Char(' ') + lastBox_);
                break;
            }
        });
        restore_->Start(false);
        return;
    }
    backup_ = new BackupRun(job_.file, nullptr, this);
    backup_->walk().progress = step;
    backup_->SetFinished([this](bool ok, const QString& message) {
        if (ok)
            Finish(ExitOk, QStringLiteral("settings saved to ") + message);
        else if (lastBox_.isEmpty())
            Finish(ExitLink, message);
        else
            Finish(ExitLink, message.trimmed() + QLatin1Char(' ') + lastBox_);
    });
    backup_->Start(false);
}
