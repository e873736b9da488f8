#pragma once
// The steps window tests take through the program's own windows (start
// window, Connect, login, menus), driven through the controls as a user would
// and waiting on something observable; when a window counts as up; the end.
#include "engine/KeyOutput.h"
#include "engine/PageTable.h"
#include "forms/base/FormRefs.h"
#include "forms/base/Memoform.h"
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
#include "lang/Language.h"
#include "shared/Publicunit.h"
#include "tests/harness/GlobalHooks.h"
#include "tests/harness/LinkHarness.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>

#include <memory>

namespace steps {

// Shown, with no busy window over it and no keys still to type.
inline bool Shown(TForm* f) {
    return f && f->isVisible() && frmMessage.get() == nullptr && !IsSendPending();
}
// Shown and enabled: a user can work in it.
inline bool Up(TForm* f) {
    return Shown(f) && f->isEnabled();
}
// The main window up and owning the console.
inline bool MainUp() {
    return Up(frmMain.get()) && CurrentForm == FORM_MAIN;
}

// The start window as the program creates it. languageItem as on its list
// (0 English, 1 Simplified, 2 Traditional Chinese); -1 keeps the default.
inline void ShowWelcome(int languageItem = -1) {
    new TfrmWelcome;
    frmWelcome->Show();
    if (languageItem < 0) return;
    frmWelcome->cboLang->setCurrentIndex(languageItem);
    frmWelcome->cboLangChange();
}

// The login window comes up at the first line of the login page; the rest
// of the page follows at 9600 baud and is waited for too.
inline bool LoginSettled(LinkHarness& h, int64_t maxMs = 60000) {
    if (!h.runUntil([] { return Shown(frmLogin.get()); }, maxMs)) return false;
    h.runFor(1500);
    return Shown(frmLogin.get());
}

inline bool Connect(LinkHarness& h) {
    frmWelcome->btnConnect->click();
    return LoginSettled(h);
}

// Types the account into the login window and presses Login.
inline void EnterAccount(const char* user = "admin", const char* password = "admin") {
    frmLogin->edtUsername->setText(QString::fromLatin1(user));
    frmLogin->edtPassword->setText(QString::fromLatin1(password));
    frmLogin->btnLogin->click();
}

// Logs in; true once the main window is up (the first login's walk of the
// trunk screens included).
inline bool LogIn(LinkHarness& h, const char* user = "admin", const char* password = "admin") {
    EnterAccount(user, password);
    return h.runUntil(MainUp, 120000);
}

inline bool OpenStaticMenu(LinkHarness& h) {
    frmMain->btnStaticConfig->click();
    return h.runUntil([] { return Up(frmStaticConfig.get()); }, 20000);
}

// Port Configuration on the static menu; true once every console page has
// been read and the window shows the first.
inline bool OpenPortWindow(LinkHarness& h) {
    frmStaticConfig->btnPortConfig->click();
    return h.runUntil([] { return frmPortConfig.get() && frmPortConfig->isVisible(); }, 60000);
}

// Start window, Connect, login and the static menu.
inline bool ReachStaticMenu(LinkHarness& h, int languageItem = -1) {
    ShowWelcome(languageItem);
    return Connect(h) && LogIn(h) && OpenStaticMenu(h);
}

template <class... Refs> void ClearRefs(Refs&... refs) {
    (refs.clear(), ...);
}

// Every window a test may have opened, gone with its pending delete.
inline void DropWindows() {
    CloseBusyBox();
    ClearRefs(frmMemo, frmTrkConfig, frmMiscConfigX, frmVlanSupport, frmVlanMemberX, frmEditVlanGrp,
              frmVlanConfig, frmPortConfig, frmStaticConfig, frmRestartConfig, frmMain, frmLogin,
              frmWelcome);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The end of a window test's session, whatever state a failure left: the
// windows, the link, the page table, the hooks and the language.
inline void EndSession() {
    DropWindows();
    if (IsLinkOpen()) CloseComPort();
    DestroyParser();
    // The trunk table would tell the next case's walk its module trunk.
    ReleaseSharedTables();
    RestoreGlobalHooks();
    ResetLanguageState();
}
// The same with a harness: the windows go before the harness that feeds them.
inline void EndSession(std::unique_ptr<LinkHarness>& h) {
    DropWindows();
    h.reset();
    EndSession();
}

} // namespace steps
