#include "forms/Restartconfigform.h"

#include "engine/KeyOutput.h"
#include "forms/FormRefs.h"
#include "forms/Mainform.h"
#include "forms/Welcomeform.h"
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

TfrmRestartConfig::TfrmRestartConfig() : TMenuForm("frmRestartConfig", 1200, 1201) {
    btnDefault = AddMenuButton("btnDefault", 1202);
    btnRestart = AddMenuButton("btnRestart", 1203);
    btnPrevMenu = AddMenuButton("btnPrevMenu", 1204);
    FinishMenu();
    MenuTarget = 0;
    MenuCurrent = 0;

    connect(btnDefault, &QPushButton::clicked, this, [this] { btnDefaultClick(); });
    connect(btnRestart, &QPushButton::clicked, this, [this] { btnRestartClick(); });
    connect(btnPrevMenu, &QPushButton::clicked, this, [this] { btnPrevMenuClick(); });
}

void TfrmRestartConfig::FormActivate() {
    CurrentForm = FORM_RESTART;
    Leaving = false;
    Restarting = false;
    setEnabled(true);
}

void TfrmRestartConfig::btnDefaultClick() {
    MenuTarget = 0;
    const std::string question = std::string(GetLangText(1316)) + "\n" + GetLangText(1317);
    const QPointer<TfrmRestartConfig> self(this);
    if (platform::AppMessageBox(DecodeText(question), LangText(1224), platform::MB_YESNO) !=
            platform::IDYES ||
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
        welcome->memInit->clear();
        welcome->Show();
    }
    BusyText = GetLangText(1280);
    ShowBusyBox();
}

void TfrmRestartConfig::btnRestartClick() {
    MenuTarget = 1;
    const QPointer<TfrmRestartConfig> self(this);
    if (platform::AppMessageBox(LangText(1318), LangText(1225), platform::MB_YESNO) !=
            platform::IDYES ||
        !StillAsked(self))
        return;
    setEnabled(false);
    BusyText = GetLangText(1225);
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
        BusyText = GetLangText(1265);
        ShowBusyBox();
        SendKeys(MakeMoveKeys(2, MenuCurrent).c_str());
    }
    action = caFree;
}
