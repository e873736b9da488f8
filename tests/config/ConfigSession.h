#pragma once
// A logged-in session of the real windows (offscreen) against the simulated
// switch over the in-memory line, ending on the static configuration menu:
// what the trunk and misc window tests start from.
#include "forms/misc/Miscconfigxform.h"
#include "forms/session/PageRouter.h"
#include "forms/trunk/Trunkconfigform.h"
#include "platform/Ui.h"
#include "tests/harness/ProgramReset.h"
#include "tests/harness/WindowSteps.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringList>

#include <string>

using steps::Up;

// A text read straight from the language file of the start window's item
// (0 English, 1 Simplified, 2 Traditional Chinese), decoded with the file's
// own code page: what a caption must show.
inline QString FileText(int languageItem, int id) {
    static const char* const kFiles[3][2] = {{"Language_EN.txt", "Windows-1252"},
                                             {"Language_CN.txt", "GBK"},
                                             {"Language_TW.txt", "Big5"}};
    QFile f(QString::fromLatin1(kFiles[languageItem][0]));
    QStringDecoder decode(kFiles[languageItem][1]);
    const QString text = f.open(QIODevice::ReadOnly) ? decode(f.readAll()) : QString();
    const QRegularExpression entry(QStringLiteral("^[ \\t]*%1[ \\t](.*?)\\r?$").arg(id),
                                   QRegularExpression::MultilineOption);
    return entry.match(text).captured(1);
}

// The labels (object name, text id) whose text is not the file's, or is
// cut because the label is narrower than its text.
template <size_t N>
QStringList WrongLabels(QWidget* w, int languageItem,
                        const std::pair<const char*, int> (&labels)[N]) {
    QStringList wrong;
    for (auto [name, id] : labels) {
        auto* l = w->findChild<QLabel*>(QLatin1String(name));
        if (!l || l->text() != FileText(languageItem, id) ||
            l->fontMetrics().horizontalAdvance(l->text()) > l->width())
            wrong << QLatin1String(name);
    }
    return wrong;
}

// The offscreen platform's complaints about window management are noise.
inline QtMessageHandler previousMessageHandler = nullptr;
inline void QuietOffscreen(QtMsgType type, const QMessageLogContext& context,
                           const QString& message) {
    if (message.contains(QLatin1String("This plugin does not support"))) return;
    if (previousMessageHandler) previousMessageHandler(type, context, message);
}

// With TAVIK_SCREENSHOTS set to a folder, the window's picture is saved
// there as <name><suffix of the language item>.png (how the screenshots in
// docs/ are made).
inline void SaveScreenshot(QWidget* w, const QString& name, int languageItem = 0) {
    const QString dir = qEnvironmentVariable("TAVIK_SCREENSHOTS");
    const char* const suffix[3] = {"", "-cn", "-tw"};
    if (!dir.isEmpty())
        w->grab().save(dir + QLatin1Char('/') + name + QLatin1String(suffix[languageItem]) +
                       QStringLiteral(".png"));
}

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
    QStringList boxes, captions; // the message boxes shown

    ConfigSession() {
        if (!previousMessageHandler)
            previousMessageHandler = qInstallMessageHandler(QuietOffscreen);
        ResetProgramState();
        platform::SetMessageBoxHandler([this](const QString& text, const QString& caption, int) {
            boxes << text;
            captions << caption;
            return platform::IDOK;
        });
    }
    ~ConfigSession() {
        frmTrkConfig.clear();
        frmMiscConfigX.clear();
        steps::EndSession(h);
        ReleaseSharedTables();
    }

    sim::Switch& sim() { return h->sim(); }
    // The keys typed since the last call.
    std::string Typed() {
        const std::string keys = h->keysTyped();
        h->clearKeysTyped();
        return keys;
    }

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
