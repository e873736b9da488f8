#include "forms/session/Restartconfigform.h"

#include "engine/KeyOutput.h"
#include "forms/base/FormRefs.h"
#include "forms/base/Messageform.h"
#include "forms/session/Mainform.h"
#include "forms/session/Welcomeform.h"
#include "lang/TextIds.h"
#include "platform/Ui.h"
#include "shared/Publicunit.h"

#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

#include <string>

namespace {

// The answer to the switch's factory-default question.
constexpr char kConfirmDefault = 'y';

// The main window goes with the restart; its close handler shows the busy
// window and, Restarting being set, types nothing.
void CloseMainWindow() {
    if (TfrmMain* main = frmMain.get()) main->Close();
    frmMain.clear();
}

// Console lines are handled while a question is open. If the switch
// restarted on its own meanwhile, the window was hidden (nothing may type
// into the booting console) or already dropped by the router; the answer
// then has nothing left to act on.
bool StillAsked(const QPointer<TfrmRestartConfig>& window) {
    return !window.isNull() && window->isVisible();
}

} // namespace

TfrmRestartConfig::TfrmRestartConfig()
    : TMenuForm("frmRestartConfig", txt::RestartCaption, txt::RestartTitle) {
    btnDefault = AddMenuButton("btnDefault", txt::RestartDefault);
    btnRestart = AddMenuButton("btnRestart", txt::RestartSwitch);
    btnPrevMenu = AddMenuButton("btnPrevMenu", txt::RestartPrevious);
    FinishMenu();
    // Enter on a window just opened goes back, never into a restart: the
    // window is often reached by Enter on the main menu's Reboot Switch.
    // The keys typed for each button still follow the console's highlight.
    SetDefaultButton(btnPrevMenu);
    MenuTarget = 0;
    MenuCurrent = 0;

    connect(btnDefault, &QPushButton::clicked, this, [this] { btnDefaultClick(); });
    connect(btnRestart, &QPushButton::clicked, this, [this] { btnRestartClick(); });
    connect(btnPrevMenu, &QPushButton::clicked, this, [this] { btnPrevMenuClick(); });
}

QWidget* TfrmRestartConfig::FirstFocus() {
    return btnPrevMenu;
}

void TfrmRestartConfig::FormActivate() {
    CurrentForm = FORM_RESTART;
    Leaving = false;
    Restarting = false;
    setEnabled(true);
}

void TfrmRestartConfig::btnDefaultClick() {
    MenuTarget = 0;
    const QPointer<TfrmRestartConfig> self(this);
    if (platform::AppMessageBox(LangLines(txt::FactoryDefaultWarn, txt::AskContinue),
                                LangText(txt::CaptionFactoryDefault), platform::MB_YESNO,
                                platform::DefaultNo) != platform::IDYES ||
        !StillAsked(self))
        return;
    setEnabled(false);
    Restarting = true;
    CloseMainWindow();
    std::string keys = MakeMoveKeys(0, MenuCurrent);
    keys += kConfirmDefault;
    SendKeys(keys.c_str());
    Close();
    if (TfrmWelcome* welcome = frmWelcome.get()) {
        welcome->ClearInitLines();
        welcome->Show();
    }
    BusyText = GetLangText(txt::BusyFactoryDefault);
    ShowBusyBox();
}

void TfrmRestartConfig::btnRestartClick() {
    MenuTarget = 1;
    const QPointer<TfrmRestartConfig> self(this);
    if (platform::AppMessageBox(LangText(txt::AskRestart), LangText(txt::CaptionRestart),
                                platform::MB_YESNO) != platform::IDYES ||
        !StillAsked(self))
        return;
    setEnabled(false);
    BusyText = GetLangText(txt::CaptionRestart);
    ShowBusyBox();
    Restarting = true;
    CloseMainWindow();
    SendKeys(MakeMoveKeys(1, MenuCurrent).c_str());
    Close();
    if (TfrmWelcome* welcome = frmWelcome.get()) welcome->Show();
}

void TfrmRestartConfig::btnPrevMenuClick() {
    Close();
}

void TfrmRestartConfig::FormClose(TCloseAction& action) {
    MenuTarget = 2;
    Leaving = true;
    setEnabled(false);
    if (!Restarting) {
        CurrentForm = TargetForm;
        BusyText = GetLangText(txt::BusyToMainMenu);
        ShowBusyBox();
        SendKeys(MakeMoveKeys(2, MenuCurrent).c_str());
    }
    action = caFree;
}

void RestartArrival() {
    if (CurrentForm == FORM_MAIN) {
        if (TfrmMain* main = frmMain.get()) main->Hide();
    }
    if (!frmRestartConfig.exists()) frmRestartConfig.set(new TfrmRestartConfig);
    // Shown whether or not the main window was the one that asked.
    if (!Leaving) {
        CloseBusyBox();
        if (TfrmRestartConfig* menu = frmRestartConfig.get()) menu->Show();
    }
}
