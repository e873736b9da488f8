// The end of a session from the line's side, with the real windows against
// the simulated switch on the virtual clock: a hang-up or a dead switch ends
// the session with a message and the Welcome window back, a reconnect starts
// afresh, an idle console ends nothing, and a reboot in the middle of an
// Apply types nothing more into the booting switch.
#include "engine/KeyOutput.h"
#include "engine/LinkWatchdog.h"
#include "engine/PageTable.h"
#include "engine/SerialLink.h"
#include "forms/FormRefs.h"
#include "forms/Loginform.h"
#include "forms/Mainform.h"
#include "forms/Messageform.h"
#include "forms/PortModel.h"
#include "forms/Portconfigform.h"
#include "forms/SessionEnd.h"
#include "forms/Staticconfigform.h"
#include "forms/Welcomeform.h"
#include "lang/Language.h"
#include "platform/Ui.h"
#include "shared/Publicunit.h"
#include "tests/harness/LinkHarness.h"
#include "tests/harness/ProgramReset.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>
#include <string>

namespace {

QtMessageHandler s_previousHandler = nullptr;
void QuietOffscreen(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("This plugin does not support"))) return;
    if (s_previousHandler) s_previousHandler(type, context, message);
}

bool Up(TForm* f) {
    return f && f->isVisible() && f->isEnabled() && !frmMessage.get() && !IsSendPending();
}

// The keys of the post-login walk through the trunk screen and back.
const std::string kWalk = "\r\t\r\b\r\b\b\r";

} // namespace

class UiSessionTest : public QObject {
    Q_OBJECT

    std::unique_ptr<LinkHarness> h;
    QStringList boxes; // caption, text of each message box

    bool ConnectAndLogin() {
        frmWelcome->btnConnect->click();
        if (!h->runUntil([] { return Up(frmLogin.get()); }, 20000)) return false;
        frmLogin->edtUsername->setText("admin");
        frmLogin->edtPassword->setText("admin");
        frmLogin->btnLogin->click();
        return h->runUntil([] { return Up(frmMain.get()); }, 60000);
    }
    bool OpenPortWindow() {
        frmMain->btnStaticConfig->click();
        if (!h->runUntil([] { return Up(frmStaticConfig.get()); }, 20000)) return false;
        frmStaticConfig->btnPortConfig->click();
        return h->runUntil([] { return Up(frmPortConfig.get()); }, 60000);
    }
    // Changes port 1's in-rate and presses Apply.
    void StartApply(int rate) {
        frmPortConfig->findChild<QLineEdit*>("edtInRateP01")->setText(QString::number(rate));
        frmPortConfig->btnSave->click();
        QVERIFY(Saving && frmMessage.get());
    }
    // The session is over and everything is as at start-up.
    void VerifyEnded(const QString& message) {
        QCOMPARE(boxes, QStringList({LangText(1223), message}));
        QVERIFY(!IsLinkOpen() && GetParser() == nullptr && !IsSendPending());
        QVERIFY(frmWelcome->isVisible() && frmWelcome->isEnabled());
        QVERIFY(frmWelcome->btnConnect->isEnabled() && !frmWelcome->tmrConnect->isActive());
        QVERIFY(!frmLogin.exists() && !frmMain.exists() && !frmStaticConfig.exists());
        QVERIFY(!frmPortConfig.exists() && !frmMessage.exists() && !AwaitingSwitch());
        QCOMPARE(CurrentForm, int32_t(FORM_WELCOME));
        QVERIFY(!Saving && !Leaving && !ResyncPending && VersionStage == 0);
        QCOMPARE(ModuleTrunk, -1);
        QCOMPARE(int(PortCount), 0);
        QVERIFY(!HasPortName(0));
        boxes.clear();
    }

private slots:
    void initTestCase() { s_previousHandler = qInstallMessageHandler(QuietOffscreen); }
    void init() {
        ResetProgramState();
        boxes.clear();
        platform::SetMessageBoxHandler([this](const QString& text, const QString& caption, int) {
            boxes << caption << text;
            return platform::IDOK;
        });
        sim::Options o;
        // TRUNK2 holds the module port, so a walk that ran is visible.
        o.initial = sim::FactoryState();
        o.initial->trunks[1].isStatic = true;
        o.initial->trunks[1].members[25] = true;
        o.initial->trunks[1].members[24] = true;
        h = std::make_unique<LinkHarness>(o);
        new TfrmWelcome;
        frmWelcome->Show();
    }
    void cleanup() {
        h.reset();
        DestroyParser();
        CloseBusyBox();
        frmPortConfig.clear();
        frmStaticConfig.clear();
        frmMain.clear();
        frmLogin.clear();
        frmWelcome.clear();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        platform::SetMessageBoxHandler(nullptr);
    }

    void lineFaultEndsTheSession_data() {
        QTest::addColumn<bool>("duringApply");
        QTest::addColumn<bool>("hangUp"); // else the switch stops answering
        QTest::newRow("hang-up at the main menu") << false << true;
        QTest::newRow("hang-up during Apply") << true << true;
        QTest::newRow("lost key during Apply") << true << false;
    }
    void lineFaultEndsTheSession() {
        QFETCH(bool, duringApply);
        QFETCH(bool, hangUp);
        QVERIFY(ConnectAndLogin());
        QCOMPARE(ModuleTrunk, 1);
        if (duringApply) QVERIFY(OpenPortWindow());
        int64_t lastKeyMs = -1;
        std::string recent;
        h->line().options().loseKey = [&](uint8_t key) {
            lastKeyMs = h->nowMs();
            recent += char(key);
            if (recent.size() > 3) recent.erase(0, recent.size() - 3);
            // The Enter after Ctrl-A, Tab saves the page: without it the
            // switch waits in its edit screen and says nothing more.
            return !hangUp && recent == std::string("\x01\t\r");
        };
        if (duringApply) StartApply(300);
        if (hangUp) {
            // During Apply: in the middle of the page's edit, right after the
            // new in-rate, whatever the pace of the keys.
            if (duringApply)
                QVERIFY(h->runUntil([&] { return recent == "300"; }, 5000));
            else
                h->runFor(1000);
            h->line().hangUp();
            QVERIFY(h->runUntil([this] { return !boxes.isEmpty(); }, 1000));
            VerifyEnded(LinkFaultMessage(LinkFaultHungUp));
        } else {
            QVERIFY(h->runUntil([this] { return !boxes.isEmpty(); }, 60000));
            const int64_t silentMs = h->nowMs() - lastKeyMs;
            QVERIFY2(silentMs >= 30000 && silentMs <= 30200, qPrintable(QString::number(silentMs)));
            VerifyEnded(LinkFaultMessage(LinkFaultSilent));
            QCOMPARE(h->sim().state().ports[0].inRate, 0); // nothing was saved
        }
        h->line().options().loseKey = nullptr;
        h->line().restore();
        h->clearKeysTyped();
        // A reconnect starts afresh: the walk runs again after login.
        QVERIFY(ConnectAndLogin());
        QVERIFY(QString::fromStdString(h->keysTyped()).contains(QString::fromStdString(kWalk)));
        QCOMPARE(ModuleTrunk, 1);
    }

    // The switch's own line closes when its port screen goes into edit mode,
    // that is in the middle of Apply (a fault of the simulated switch).
    void lineClosedByTheSwitchDuringApply() {
        sim::Options o;
        o.faults.hangUpAt = "edit:port";
        h.reset(); // one harness at a time: each installs the line for the program
        h = std::make_unique<LinkHarness>(o);
        QVERIFY(ConnectAndLogin());
        QVERIFY(OpenPortWindow());
        StartApply(300);
        QVERIFY(h->runUntil([this] { return !boxes.isEmpty(); }, 10000));
        VerifyEnded(LinkFaultMessage(LinkFaultHungUp));
        QCOMPARE(h->sim().state().ports[0].inRate, 0);
    }

    // Waiting at a menu is no fault, however long; the first key after it
    // gets its full 30 s.
    void idleConsoleEndsNothing() {
        QVERIFY(ConnectAndLogin());
        h->runFor(5 * 60 * 1000);
        QVERIFY(boxes.isEmpty() && IsLinkOpen() && Up(frmMain.get()));
        QVERIFY(OpenPortWindow());
        QVERIFY(boxes.isEmpty());
    }

    // A reboot one second into an Apply: the keys still queued are dropped
    // at the first self-test line, and the user learns the save was lost.
    void rebootDuringApplyTypesNothingMore() {
        QVERIFY(ConnectAndLogin());
        QVERIFY(OpenPortWindow());
        StartApply(300);
        h->runFor(1000);
        QVERIFY(IsSendPending());
        h->powerCycle();
        QVERIFY(h->runUntil([] { return SwitchRestarted; }, 10000));
        QVERIFY(!IsSendPending());
        const size_t typed = h->keysTyped().size();
        QCOMPARE(boxes, QStringList({LangText(1225), MessageText(1335)}));
        QVERIFY(h->runUntil([] { return Up(frmLogin.get()); }, 30000));
        QCOMPARE(QByteArray::fromStdString(h->keysTyped().substr(typed)).toHex(), QByteArray());
        QCOMPARE(h->sim().state().ports[0].inRate, 0);
        QVERIFY(!Saving);
    }
};

QTEST_MAIN(UiSessionTest)
#include "ui_session_test.moc"
