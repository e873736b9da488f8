#include "forms/SessionEnd.h"

#include "engine/KeyOutput.h"
#include "engine/LineFraming.h"
#include "engine/LinkWatchdog.h"
#include "engine/PageTable.h"
#include "engine/SerialLink.h"
#include "forms/FormRefs.h"
#include "forms/Messageform.h"
#include "forms/PageRouter.h"
#include "forms/Welcomeform.h"
#include "lang/TextIds.h"
#include "platform/Ui.h"
#include "shared/Publicunit.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

namespace {

// Hidden at once: the references below free them only later, and none of
// them may stay on screen under the message.
void HideSessionWindowsNow() {
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows) {
        auto* form = qobject_cast<TForm*>(w);
        if (form == nullptr || form == frmWelcome.get() || form->inherits("TfrmMemo")) continue;
        if (form->inherits("TfrmMessage")) continue; // CloseBusyBox closes it
        form->Hide();
    }
}

} // namespace

QString MessageText(int32_t id, const QString& arg) {
    QString text = LangText(id);
    while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    return arg.isNull() ? text : text.arg(arg);
}

QString DataFileMessage(int32_t id, const char* bareName, int32_t tailId) {
    QString text = MessageText(id, QString::fromLocal8Bit(bareName));
    for (const std::string& place : DataFilePlaces(bareName))
        text += QStringLiteral("\n    ") + QString::fromLocal8Bit(place.c_str());
    return text + QStringLiteral("\n\n") + MessageText(tailId);
}

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

    HideSessionWindowsNow();
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
