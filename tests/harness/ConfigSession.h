#pragma once
// A logged-in session of the real windows (offscreen) against the simulated
// switch over the in-memory line, usually ending on the static configuration
// menu: what the trunk, misc and configuration-window tests start from.
#include "tests/harness/WindowTest.h"

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>

#include <string>

using steps::Up;

inline QRadioButton* TrunkCell(int trunk, int port) {
    return frmTrkConfig->findChild<QRadioButton*>(
        QStringLiteral("optP%1K%2").arg(port, 2, 10, QLatin1Char('0')).arg(trunk));
}
inline QCheckBox* TrunkStatus(int trunk) {
    return frmTrkConfig->findChild<QCheckBox*>(QStringLiteral("chkTrk%1").arg(trunk));
}

inline void EnterPasswords(const char* old, const char* fresh, const char* again) {
    frmMiscConfigX->edtOldPassword->setText(QString::fromLatin1(old));
    frmMiscConfigX->edtNewPassword->setText(QString::fromLatin1(fresh));
    frmMiscConfigX->edtPasswordAgain->setText(QString::fromLatin1(again));
}

class ConfigSession {
public:
    std::unique_ptr<LinkHarness> h;
    MessageBoxes boxes;

    // Questions are answered No unless the test says otherwise.
    explicit ConfigSession(int answer = platform::IDNO) { steps::BeginCase(boxes, answer); }
    ~ConfigSession() {
        steps::EndSession(h);
    }

    sim::Switch& sim() { return h->sim(); }
    std::string Typed() { return h->takeKeysTyped(); }

    // Connects in the language of the start window's item and logs in.
    bool Connect(sim::Options options = {}, int languageItem = 0, const char* user = "admin",
                 const char* password = "admin") {
        h = std::make_unique<LinkHarness>(std::move(options));
        steps::ShowWelcome(languageItem);
        frmWelcome->btnConnect->click();
        return h->runUntil([] { return Up(frmLogin.get()); }, 20000) && LogIn(user, password);
    }
    bool LogIn(const char* user, const char* password) {
        steps::EnterAccount(user, password);
        return h->runUntil(steps::MainUp, 60000);
    }
    // From the main window to the static menu.
    bool ToStaticMenu() {
        frmMain->btnStaticConfig->click();
        return StaticMenuBack();
    }
    bool StaticMenuBack(int64_t ms = 60000) {
        return h->runUntil([] { return Up(frmStaticConfig.get()) && CurrentForm == FORM_STATIC; },
                           ms);
    }
    // Presses the window's Apply, then its title bar's close, and runs until
    // the static menu is back: the close waits for the switch's answer, and
    // the window is gone once the answer closed it.
    template <class W> bool ApplyAndReturn(FormRef<W>& window) {
        window->btnSave->click();
        window->close();
        return window.get() && window->isVisible() && !window->isEnabled() && StaticMenuBack() &&
               !window.exists();
    }
    bool Open(sim::Options options = {}, int languageItem = 0) {
        return Connect(std::move(options), languageItem) && ToStaticMenu();
    }
    bool OpenTrunkWindow() {
        frmStaticConfig->btnTrunkConfig->click();
        return h->runUntil([] { return Up(frmTrkConfig.get()); }, 30000);
    }
    bool OpenMiscWindow() {
        frmStaticConfig->btnMiscConfig->click();
        return h->runUntil([] { return Up(frmMiscConfigX.get()); }, 30000);
    }
    bool OpenPortWindow() {
        frmStaticConfig->btnPortConfig->click();
        return h->runUntil([] { return Up(frmPortConfig.get()); }, 60000);
    }
};
