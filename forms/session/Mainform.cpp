#include "forms/session/Mainform.h"

#include "engine/KeyOutput.h"
#include "engine/PageValues.h"
#include "forms/base/FormRefs.h"
#include "forms/base/Memoform.h"
#include "forms/base/Messageform.h"
#include "forms/session/Loginform.h"
#include "forms/session/PageRouter.h"
#include "forms/session/Restartconfigform.h"
#include "forms/session/SessionEnd.h"
#include "forms/session/Staticconfigform.h"
#include "lang/TextIds.h"
#include "platform/Ui.h"
#include "shared/Publicunit.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>

namespace {

// Appends to VersionText as far as its 11 characters go.
void AppendVersion(const char* text) {
    const size_t used = std::strlen(VersionText);
    const size_t room = sizeof VersionText - 1 - used;
    std::strncat(VersionText, text, room);
}

} // namespace

void VersionLine(int32_t value, const char* text) {
    if (text == nullptr) text = "";
    if (value == pv::FirmwareVersion) {
        // The firmware version is the first word of the line.
        const char* blank = std::strchr(text, ' ');
        VersionText[0] = 0;
        if (blank != nullptr && blank > text) {
            const size_t n = std::min(static_cast<size_t>(blank - text), sizeof VersionText - 1);
            std::memcpy(VersionText, text, n);
            VersionText[n] = 0;
        } else {
            AppendVersion("?");
        }
    } else if (value == pv::FirmwareRevision) {
        AppendVersion(text);
    } else if (value == pv::HardwareVersion) {
        AppendVersion(" - ");
        AppendVersion(text);
        AppendVersion(" ");
    }
}

namespace {
MainMenuAddition s_addition = nullptr;
} // namespace

void SetMainMenuAddition(MainMenuAddition addition) {
    s_addition = addition;
}

TfrmMain::TfrmMain() : TMenuForm("frmMain", txt::MainCaption, txt::MainTitle) {
    lblVersion = new QLabel(this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblVersion->setStyleSheet(QStringLiteral("color: navy;"));
    MenuLayout()->insertWidget(0, lblVersion);

    btnStaticConfig = AddMenuButton("btnStaticConfig", txt::MainStatic);
    btnReboot = AddMenuButton("btnReboot", txt::MainReboot);
    btnLogout = AddMenuButton("btnLogout", txt::MainLogout);
    if (s_addition) s_addition(this, MenuLayout());
    // The monitor is a tool, not a console item: last, at the side.
    MenuLayout()->addWidget(MakeMonitorButton(this), 0, Qt::AlignRight);
    FinishMenu();

    // The create handler proper.
    MenuTarget = -1;
    MenuCurrent = 0;
    CurrentForm = FORM_MAIN;

    connect(btnStaticConfig, &QPushButton::clicked, this, [this] { btnStaticConfigClick(); });
    connect(btnReboot, &QPushButton::clicked, this, [this] { btnRebootClick(); });
    connect(btnLogout, &QPushButton::clicked, this, [this] { btnLogoutClick(); });
}

void TfrmMain::FormShow() {
    CurrentForm = FORM_MAIN;
}

void TfrmMain::FormActivate() {
    CurrentForm = FORM_MAIN;
    Leaving = false;
    Restarting = false;
    lblVersion->setText(LangText(txt::WelcomeVersion) + QString::fromLatin1(VersionText));
    if (TfrmLogin* login = frmLogin.get()) {
        login->SetMessage(QString(), TfrmLogin::MsgMaroon);
        login->LoginPromptCount = 2;
        login->edtUsername->clear();
        login->edtPassword->clear();
    }
    SetScreenCursor(false);
    setEnabled(true);
}

void TfrmMain::btnStaticConfigClick() {
    MenuSelect(0, FORM_STATIC, txt::BusyOpenStatic);
}

void TfrmMain::btnRebootClick() {
    MenuSelect(1, FORM_RESTART, txt::BusyOpenRestart);
}

void TfrmMain::btnLogoutClick() {
    // Yes: log out, then disconnect and go back to the Welcome window (to
    // connect to another switch); No: log out to the login window.
    if (platform::AppMessageBox(LangText(txt::AskLogoutDisconnect).trimmed(),
                                LangPlain(txt::MainLogout), platform::MB_YESNO) == platform::IDYES)
        DisconnectAtLoginPage();
    Close();
}

void TfrmMain::FormClose(TCloseAction& action) {
    MenuTarget = 2;
    Leaving = true;
    setEnabled(false);
    BusyText = GetLangText(txt::BusyLoggingOut);
    ShowBusyBox();
    // Closed by the restart window, which types its own selection.
    if (!Restarting) SendKeys(MakeMoveKeys(2, MenuCurrent).c_str());
    action = caFree;
}

void MainArrival() {
    if (CurrentForm == FORM_LOGIN) {
        if (TfrmLogin* login = frmLogin.get()) login->Hide();
    } else if (CurrentForm != FORM_MAIN) {
        // Back from the static or restart menu: those windows have freed
        // themselves, and the next visit creates them anew.
        frmStaticConfig.clear();
        frmRestartConfig.clear();
        Leaving = false;
    }
    if (!frmMain.exists() && !ResyncPending) frmMain.set(new TfrmMain);
    if (!Leaving && CurrentForm == TargetForm) {
        if (TfrmMain* main = frmMain.get()) ShowArrived(main);
    }
}
