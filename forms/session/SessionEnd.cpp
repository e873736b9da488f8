#include "forms/session/SessionEnd.h"

#include "engine/KeyOutput.h"
#include "engine/LineFraming.h"
#include "engine/LinkWatchdog.h"
#include "engine/PageTable.h"
#include "engine/PageValues.h"
#include "engine/SerialLink.h"
#include "forms/base/FormRefs.h"
#include "forms/base/Messageform.h"
#include "forms/session/PageRouter.h"
#include "forms/session/PostLoginWalk.h"
#include "forms/session/Welcomeform.h"
#include "lang/TextIds.h"
#include "platform/Ui.h"
#include "shared/Publicunit.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

QString LinkFaultMessage(int32_t fault) {
    // A console server's connection closed says nothing about a cable.
    if (fault == LinkFaultHungUp && LinkIsNetwork()) return MessageText(txt::NetServerClosed);
    int32_t reason = txt::ReasonSilent;
    if (fault == LinkFaultHungUp) reason = txt::ReasonHungUp;
    if (fault == LinkFaultReadError) reason = txt::ReasonReadError;
    return MessageText(txt::SwitchStopped, MessageText(reason));
}

namespace {
// The login page is six recognised lines. The session ends after the last
// one: ended earlier, the rest of the page would still be on its way and
// its lines would be answered (with the default walk's Tab) in place of the
// next Connect's keys.
constexpr int kLoginPageLines = 6;
int g_loginLinesToDisconnect = 0;
} // namespace

void DisconnectAtLoginPage() {
    g_loginLinesToDisconnect = kLoginPageLines;
}

bool LoginLineBeforeDisconnect() {
    if (g_loginLinesToDisconnect <= 0) return false;
    if (--g_loginLinesToDisconnect == 0) EndSession(QString());
    return true;
}

void EndSession(const QString& message) {
    g_loginLinesToDisconnect = 0;
    // First nothing more may reach the line, then the line goes.
    CancelPendingKeys();
    if (IsLinkOpen()) CloseComPort();
    DestroyParser();
    CloseBusyBox();
    SetAwaitingSwitch(false);

    // Hidden at once: the references below free them only later, and none
    // of them may stay on screen under the message.
    HideSessionWindows();
    if (TForm* login = frmLogin.window()) login->Hide();
    ClearSessionWindows();
    frmLogin.clear();
    ReleaseSharedTables();
    ResetSharedState();
    ResetScreenStartCheck();
    ResetLinkFlushCountdown();

    if (TfrmWelcome* welcome = frmWelcome.get()) {
        welcome->tmrConnect->stop();
        welcome->Show();
        welcome->btnConnect->setEnabled(true);
        welcome->setEnabled(true);
    }
    if (!message.isEmpty())
        platform::AppMessageBox(message, LangText(txt::CaptionConnect), platform::MB_OK);
}

void SwitchSelfTestLine(int32_t value, const char* text) {
    if (value == pv::SelfTestFirst) {
        if (CurrentForm != FORM_WELCOME) {
            // Whatever was still being typed would land in the booting
            // console; a save it belonged to is lost, and the user is told.
            const bool saveLost = Saving;
            CancelPendingKeys();
            SwitchRestarted = true;
            HideSessionWindows();
            Saving = false;
            CutPostLoginWalk();
            if (saveLost)
                platform::AppMessageBox(MessageText(txt::RestartLostSave),
                                        LangText(txt::CaptionRestart), platform::MB_OK);
        }
        ClearInitLines();
    }
    AddInitLine(SelfTestLabel(value), text);
}
