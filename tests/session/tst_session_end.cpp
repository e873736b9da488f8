// The end of a session from the line's side (real windows, simulated switch,
// virtual clock): line faults, logout, an idle console.
#include "engine/LinkWatchdog.h"
#include "engine/SerialLink.h"
#include "forms/port/PortModel.h"
#include "forms/session/SessionEnd.h"
#include "tests/harness/WindowTest.h"

#include <QtTest>

#include <memory>
#include <string>

namespace {

// The keys of the post-login walk through the trunk screen and back.
const std::string kWalk = "\r\t\r\b\r\b\b\r";

} // namespace

class SessionEndTest : public QObject {
    Q_OBJECT

    std::unique_ptr<LinkHarness> h;
    MessageBoxes boxes;

    bool ConnectAndLogin() { return steps::Connect(*h) && steps::LogIn(*h); }
    bool OpenPortWindow() {
        return steps::OpenStaticMenu(*h) && steps::OpenPortWindow(*h) &&
               h->runUntil([] { return steps::Up(frmPortConfig.get()); }, 60000);
    }
    // Changes port 1's in-rate and presses Apply.
    void StartApply(int rate) {
        frmPortConfig->findChild<QLineEdit*>("edtInRateP01")->setText(QString::number(rate));
        frmPortConfig->btnSave->click();
        QVERIFY(Saving && frmMessage.get());
    }
    // The session is over and everything is as at start-up.
    void VerifyEnded(const QString& message) {
        QCOMPARE(boxes.pairs(), QStringList({LangText(1223), message}));
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
    void init() {
        steps::BeginCase(boxes);
        sim::Options o;
        // TRUNK2 holds the module port, so a walk that ran is visible.
        o.initial = sim::FactoryState();
        o.initial->trunks[1].isStatic = true;
        o.initial->trunks[1].members[25] = true;
        o.initial->trunks[1].members[24] = true;
        h = std::make_unique<LinkHarness>(o);
        steps::ShowWelcome();
    }
    void cleanup() { steps::EndSession(h); }

    void lineFaultEndsTheSession_data() {
        QTest::addColumn<bool>("duringApply");
        QTest::addColumn<QString>("fault");
        QTest::newRow("hang-up at the main menu") << false << "hang-up";
        QTest::newRow("hang-up during Apply") << true << "hang-up";
        // The switch's own line closes when its port screen goes into edit
        // mode (a fault of the simulated switch).
        QTest::newRow("switch hangs up during Apply") << true << "switch hangs up";
        QTest::newRow("lost key during Apply") << true << "lost key";
    }
    void lineFaultEndsTheSession() {
        QFETCH(bool, duringApply);
        QFETCH(QString, fault);
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
            return fault == "lost key" && recent == std::string("\x01\t\r");
        };
        if (fault == "switch hangs up") h->line().options().hangUpAt = "edit:port";
        if (duringApply) StartApply(300);
        if (fault == "lost key") {
            QVERIFY(h->runUntil([this] { return !boxes.isEmpty(); }, 60000));
            const int64_t silentMs = h->nowMs() - lastKeyMs;
            QVERIFY2(silentMs >= 30000 && silentMs <= 30200, qPrintable(QString::number(silentMs)));
            VerifyEnded(LinkFaultMessage(LinkFaultSilent));
        } else {
            // During Apply: in the middle of the page's edit, right after the
            // new in-rate, whatever the pace of the keys.
            if (duringApply)
                QVERIFY(h->runUntil([&] { return recent == "300" || !boxes.isEmpty(); }, 5000));
            else
                h->runFor(1000);
            if (fault == "hang-up") h->line().hangUp();
            QVERIFY(h->runUntil([this] { return !boxes.isEmpty(); }, 10000));
            VerifyEnded(LinkFaultMessage(LinkFaultHungUp));
        }
        QCOMPARE(h->sim().state().ports[0].inRate, 0); // nothing was saved
        h->line().options() = {};
        h->line().restore();
        if (fault == "switch hangs up") {
            // The switch still holds the output of its edit screen: drawn
            // before the connect keys' Ctrl-A, it is answered with Tab, which
            // replaces that Ctrl-A and walks the edit fields round and round.
            // The walk gives up after 200 keys; the next Connect, on a quiet
            // line (what the switch sent meanwhile is lost), leaves the edit
            // mode and gets home.
            boxes.clear();
            h->clearKeysTyped();
            frmWelcome->btnConnect->click();
            QVERIFY(h->runUntil([this] { return !boxes.isEmpty(); }, 120000));
            VerifyEnded(MessageText(1334));
            QCOMPARE(h->keysTyped(), std::string(201, '\t'));
            QCOMPARE(h->sim().where(), std::string("edit:port"));
            boxes.clear();
            h->runFor(1000); // the user reads the message; the switch falls quiet
        }
        h->clearKeysTyped();
        // A reconnect starts afresh: the walk runs again after login.
        QVERIFY(ConnectAndLogin());
        QVERIFY(QString::fromStdString(h->keysTyped()).contains(QString::fromStdString(kWalk)));
        QCOMPARE(ModuleTrunk, 1);
    }

    // Logout offers to disconnect (No, the login window: tst_session_flow); the
    // account is logged out on the switch either way. Yes: the Welcome window,
    // from where Connect starts afresh.
    void logoutAndDisconnect() {
        QVERIFY(ConnectAndLogin());
        frmMain->btnLogout->click();
        QCOMPARE(boxes.texts(), QStringList{LangText(1386).trimmed()});
        QVERIFY(h->runUntil([] { return !IsLinkOpen(); }, 30000));
        QVERIFY(frmWelcome->isVisible() && frmWelcome->btnConnect->isEnabled());
        QVERIFY(!frmLogin.exists() && !frmMain.exists());
        QCOMPARE(h->sim().where(), std::string("login"));
        QCOMPARE(boxes.size(), 1); // no message at the end
        QVERIFY(ConnectAndLogin());
    }

    // Waiting at a menu is no fault, however long; the first key after it
    // gets its full 30 s.
    void idleConsoleEndsNothing() {
        QVERIFY(ConnectAndLogin());
        h->runFor(5 * 60 * 1000);
        QVERIFY(boxes.isEmpty() && IsLinkOpen() && steps::MainUp());
        QVERIFY(OpenPortWindow());
        QVERIFY(boxes.isEmpty());
    }
};

QTEST_MAIN(SessionEndTest)
#include "tst_session_end.moc"
