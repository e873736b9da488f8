#include "forms/backup/HeadlessRun.h"

#include "engine/KeyOutput.h"
#include "engine/LinkWatchdog.h"
#include "engine/PageValues.h"
#include "engine/SerialLink.h"
#include "forms/backup/SettingsFile.h"
#include "forms/backup/SettingsRestore.h"
#include "forms/base/FormRefs.h"
#include "forms/base/Messageform.h"
#include "forms/misc/Miscconfigxform.h"
#include "forms/port/Portconfigform.h"
#include "forms/session/Loginform.h"
#include "forms/session/Mainform.h"
#include "forms/session/PageRouter.h"
#include "forms/session/Restartconfigform.h"
#include "forms/session/Staticconfigform.h"
#include "forms/session/Welcomeform.h"
#include "forms/trunk/Trunkconfigform.h"
#include "forms/vlan/Editvlangrpform.h"
#include "forms/vlan/Vlanconfigform.h"
#include "forms/vlan/Vlanmemberxform.h"
#include "forms/vlan/Vlansupportform.h"
#include "forms/widgets/PortBox.h"
#include "platform/Secret.h"
#include "platform/SerialDevice.h"
#include "platform/TerminationSignals.h"
#include "platform/Ui.h"
#include "shared/Publicunit.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

constexpr int kPollMs = 20;

// The run whose page observer is installed (one at a time).
HeadlessRun* s_active = nullptr;

bool Up(TForm* f) {
    return f && f->isVisible() && f->isEnabled() && !frmMessage.exists() && !IsSendPending();
}

// The window of a logged-in session that owns the console, if any.
TForm* SessionWindow(int32_t form) {
    const std::pair<int32_t, TForm*> windows[] = {
        {FORM_MAIN, frmMain.get()},
        {FORM_STATIC, frmStaticConfig.get()},
        {FORM_PORT, frmPortConfig.get()},
        {FORM_TRUNK, frmTrkConfig.get()},
        {FORM_VLAN, frmVlanConfig.get()},
        {FORM_VLANSUPPORT, frmVlanSupport.get()},
        {FORM_GROUPLIST, frmEditVlanGrp.get()},
        {FORM_GROUPMEMBERS, frmVlanMemberX.get()},
        {FORM_MISC, frmMiscConfigX.get()},
        {FORM_RESTART, frmRestartConfig.get()},
    };
    for (const auto& [id, window] : windows)
        if (id == form) return window;
    return nullptr;
}

// The console's screens by page number, as a failure names the last one seen.
QString ScreenName(int32_t page) {
    static const char* const kScreens[] = {"the power-on self-test",
                                           "the login screen",
                                           "the main menu",
                                           "the static configuration menu",
                                           "the port configuration screen",
                                           "the trunk configuration screen",
                                           "the VLAN configuration menu",
                                           "the VLAN support screen",
                                           "a VLAN group screen",
                                           "the VLAN group list",
                                           nullptr,
                                           "the misc configuration screen",
                                           nullptr,
                                           nullptr,
                                           nullptr,
                                           "the restart configuration menu"};
    const bool known = page >= 0 && page < int32_t(std::size(kScreens)) && kScreens[page];
    return QString::fromLatin1(known ? kScreens[page] : "no screen of the switch");
}

QString Settings(size_t count) {
    return count == 1 ? QStringLiteral("1 setting") : QStringLiteral("%1 settings").arg(count);
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
    : QObject(parent), job_(std::move(job)), log_(log) {
    // From now on no box or dialog waits for a click nobody can give.
    platform::SetMessageBoxHandler([this](const QString& text, const QString& caption,
                                          int buttons) { return Answer(text, caption, buttons); });
    QCoreApplication::instance()->installEventFilter(this);
}

HeadlessRun::~HeadlessRun() {
    platform::SetMessageBoxHandler(nullptr);
    if (s_active == this) {
        SetPageObserver(nullptr);
        s_active = nullptr;
    }
}

void HeadlessRun::PageSeen(int32_t value) {
    HeadlessRun* run = s_active;
    if (run == nullptr) return;
    run->progressUs_ = LinkNowUs();
    // A self-test line after the login was typed: the switch restarted
    // under the session. The screen before it is the one worth naming.
    if (value == pv::SelfTestFirst && run->phase_ != Phase::Connecting) run->restarted_ = true;
    if (!run->restarted_) run->lastPage_ = pv::PageOf(value);
}

QString HeadlessRun::LastScreen() const {
    return ScreenName(lastPage_);
}

int HeadlessRun::Answer(const QString& text, const QString& caption, int buttons) {
    const bool question = buttons == platform::MB_YESNO;
    // The questions of the way out (log out and disconnect; discard what a
    // window had not applied) are the run's own doing, not news.
    if (question && ending_) return platform::IDYES;
    lastBox_ = OneLine(text);
    Step(QStringLiteral("message: ") + OneLine(caption) + QStringLiteral(": ") + lastBox_);
    return question ? int(platform::IDYES) : int(platform::IDOK);
}

bool HeadlessRun::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Show) return false;
    auto* dialog = qobject_cast<QDialog*>(watched);
    if (dialog == nullptr) return false;
    const auto* box = qobject_cast<QMessageBox*>(dialog);
    Step(QStringLiteral("message: ") + OneLine(dialog->windowTitle()) + QStringLiteral(": ") +
         (box ? OneLine(box->text()) : QString()));
    // Queued: a dialog dismissed before its exec() loop runs would leave
    // that loop waiting.
    QMetaObject::invokeMethod(dialog, &QDialog::reject, Qt::QueuedConnection);
    return false;
}

void HeadlessRun::Step(const QString& line) {
    std::fprintf(log_, "%s\n", OneLine(line).toLocal8Bit().constData());
    std::fflush(log_);
}

void HeadlessRun::Start(bool timer, bool exitLoop) {
    exitLoop_ = exitLoop;
    startedUs_ = progressUs_ = LinkNowUs();
    s_active = this;
    SetPageObserver(&HeadlessRun::PageSeen);
    if (timer)
        new platform::TerminationSignals([this](int signal) { Interrupt(signal); },
                                         "failed: interrupted again, not logged out\n", this);
    TfrmWelcome* welcome = frmWelcome.get();
    // The run's own language, before anything is said; a language file that
    // cannot be read is reported (on stderr) and English stays.
    if (welcome != nullptr) welcome->cboLang->setCurrentIndex(LanguageItem(job_.language));
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
    const int64_t now = LinkNowUs();
    if (ending_) {
        WindDown(now);
        return;
    }
    if (OutOfTime(now)) return;
    if (backup_) {
        backup_->Poll();
    } else if (restore_) {
        restore_->Poll();
    } else if (phase_ == Phase::Connecting) {
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
    } else if (phase_ == Phase::LoggingIn) {
        PollLogin();
    }
}

bool HeadlessRun::OutOfTime(int64_t nowUs) {
    if (nowUs - startedUs_ > int64_t(job_.timeoutSeconds) * 1000000) {
        End(ExitLink, QStringLiteral("the run did not end within its limit of %1 s (--timeout); "
                                     "last screen seen: %2")
                          .arg(job_.timeoutSeconds)
                          .arg(LastScreen()));
        return true;
    }
    if (nowUs - progressUs_ > kNoProgressUs) {
        End(ExitLink, QStringLiteral("no screen the program follows came from the switch for "
                                     "%1 s; last screen seen: %2")
                          .arg(kNoProgressUs / 1000000)
                          .arg(LastScreen()));
        return true;
    }
    return false;
}

void HeadlessRun::PollLogin() {
    if (restarted_) {
        // The walk after the login was cut off; the switch boots to its login
        // screen, where nothing must be typed again without a user.
        End(ExitLink, QStringLiteral("the switch restarted during the walk after the login; "
                                     "last screen seen: ") +
                          LastScreen());
    } else if (CurrentForm == FORM_MAIN && Up(frmMain.get())) {
        phase_ = Phase::Working;
        Step(QStringLiteral("logged in, firmware ") + QString::fromLatin1(VersionText));
        StartWork();
    } else if (frmLogin.get() && Up(frmLogin.get()) && LoginRefused(frmLogin->LoginPromptCount)) {
        Finish(ExitLogin, QStringLiteral("the switch refused the login as ") +
                              QString::fromStdString(job_.user));
    } else if (CurrentForm == FORM_WELCOME && !lastBox_.isEmpty()) {
        Finish(ExitLink, lastBox_);
    }
}

void HeadlessRun::Interrupt(int signal) {
    // Once the outcome is known, the logout under way is the quickest end;
    // the outcome stands.
    if (finished_ || ending_) return;
    End(ExitSignal + signal, QStringLiteral("interrupted"));
}

void HeadlessRun::End(int code, const QString& reason) {
    if (finished_ || ending_) return;
    // Logged in (or about to be) on a line that still answers: back to the
    // main menu and Logout, so the console is left at its login screen.
    if (phase_ == Phase::Connecting || !IsLinkOpen() || CurrentForm == FORM_WELCOME || restarted_ ||
        LinkNowUs() - progressUs_ > kNoProgressUs) {
        Finish(code, reason);
        return;
    }
    ending_ = true;
    endCode_ = code;
    endReason_ = reason;
    WindDown(LinkNowUs());
}

// One step of the way out, taken only when the window owning the console is
// up (the screen being drawn has ended and no keys are still going out):
// its own close (the keys its Quit or Previous Menu types) until the main
// menu, then the main window's Logout, which disconnects once the login
// screen is drawn.
void HeadlessRun::WindDown(int64_t nowUs) {
    const bool atLogin = frmLogin.get() && Up(frmLogin.get()) && CurrentForm == FORM_LOGIN;
    if (!IsLinkOpen() || CurrentForm == FORM_WELCOME || atLogin) {
        Finish(endCode_, endReason_);
        return;
    }
    if (nowUs - progressUs_ > kNoProgressUs) {
        Finish(endCode_, endReason_ +
                             QStringLiteral(" (not logged out: the switch stopped "
                                            "answering at ") +
                             LastScreen() + QLatin1Char(')'));
        return;
    }
    // The way out may take one no-progress limit past the whole run's limit,
    // however often the switch draws a screen.
    if (nowUs - startedUs_ > int64_t(job_.timeoutSeconds) * 1000000 + kNoProgressUs) {
        Finish(endCode_, endReason_ + QStringLiteral(" (not logged out in time)"));
        return;
    }
    TForm* window = SessionWindow(CurrentForm);
    if (!Up(window) || VlanProbe || loggingOut_) return;
    if (window != frmMain.get()) {
        window->Close();
        return;
    }
    loggingOut_ = true;
    Step(QStringLiteral("logging out"));
    frmMain->btnLogout->click();
}

void HeadlessRun::Finish(int code, const QString& reason) {
    if (finished_) return;
    finished_ = true;
    exitCode_ = code;
    reason_ = OneLine(reason).toStdString();
    if (timer_) timer_->stop();
    // Whatever the end (a refused login, a dead line), the password goes.
    ForgetPassword(job_.password);
    CloseBusyBox();
    Step((code == ExitOk ? QStringLiteral("done: ") : QStringLiteral("failed: ")) +
         OneLine(reason));
    if (exitLoop_) QCoreApplication::exit(code);
}

void HeadlessRun::StartWork() {
    ForgetPassword(job_.password);
    if (job_.restore || job_.check) {
        StartRestore();
        return;
    }
    backup_ = new BackupRun(job_.file, nullptr, this);
    backup_->walk().progress = [this](const std::string& line) { Step(DecodeText(line)); };
    backup_->SetFinished([this](bool ok, const QString& message) {
        if (ok)
            End(ExitOk, QStringLiteral("settings saved to ") + message);
        else if (backup_->writeFailed())
            End(ExitFailed, message);
        else if (lastBox_.isEmpty())
            End(ExitLink, message);
        else
            End(ExitLink, message.trimmed() + QLatin1Char(' ') + lastBox_);
    });
    backup_->Start(false);
}

// A restore, or a check: the restore's reading and comparison without its
// writes.
void HeadlessRun::StartRestore() {
    restore_ = new RestoreRun(job_.file, nullptr, this);
    restore_->SetCheckOnly(job_.check);
    restore_->progress = [this](const std::string& line) { Step(DecodeText(line)); };
    restore_->SetFinished([this](RestoreRun::Outcome outcome, const QString& message) {
        // What a restore may have typed counts as changed, even when it
        // failed after; a check reports its differences.
        if (job_.check ? outcome == RestoreRun::Outcome::Differs : restore_->Typed())
            changed_ = restore_->Changes();
        switch (outcome) {
        case RestoreRun::Outcome::Verified:
        case RestoreRun::Outcome::Unchanged:
            End(ExitOk, message);
            break;
        case RestoreRun::Outcome::BadFile:
            End(ExitBadFile, job_.file + QStringLiteral(": ") + message);
            break;
        case RestoreRun::Outcome::Differs:
            End(ExitVerify, job_.check ? QStringLiteral("the switch differs from %1 in %2")
                                             .arg(job_.file, Settings(changed_.size()))
                                       : message);
            break;
        case RestoreRun::Outcome::Cancelled:
            End(ExitFailed, message);
            break;
        case RestoreRun::Outcome::Lost:
            End(ExitLink,
                lastBox_.isEmpty() ? message : message.trimmed() + QLatin1Char(' ') + lastBox_);
            break;
        }
    });
    restore_->Start(false);
}
