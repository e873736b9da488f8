// Windows and engine end to end against the simulated switch on a virtual
// clock: what the windows show, the keys typed and the switch's state; and the
// end of a session from the line's side (line faults, logout, an idle console).
#include "engine/LinkWatchdog.h"
#include "engine/SerialLink.h"
#include "forms/port/PortModel.h"
#include "forms/session/PageRouter.h"
#include "forms/session/SessionEnd.h"
#include "tests/harness/WindowTest.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QtTest>

#include <memory>
#include <string>

using steps::Shown;

namespace {

// The keys of the post-login walk through the trunk screen and back.
const std::string kWalk = "\r\t\r\b\r\b\b\r";

} // namespace

class SessionFlowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<LinkHarness> h;
    MessageBoxes boxes;
    sim::SwitchState initial; // the switch as set up, before anything was typed

    QString Where() { return QString::fromStdString(h->sim().where()); }
    // The keys typed since the last call.
    std::string Typed() { return h->takeKeysTyped(); }

    template <class Form> bool Until(const FormRef<Form>& form, int64_t ms = 30000) {
        return h->runUntil([&form] { return Shown(form.get()); }, ms);
    }
    bool UntilMain() { return h->runUntil(steps::MainUp, 30000); }

    void Start(sim::Options options = {}) {
        if (!options.initial) options.initial = sim::FactoryState(options.modules);
        initial = *options.initial;
        h = std::make_unique<LinkHarness>(std::move(options));
        steps::ShowWelcome();
    }
    bool LogIn(const char* user = "admin", const char* password = "admin") {
        return steps::LogIn(*h, user, password);
    }

    // TRUNK2 holds the module port, so a walk that ran is visible.
    void StartWithModuleTrunk() {
        sim::Options o;
        o.initial = sim::FactoryState();
        o.initial->trunks[1].isStatic = true;
        o.initial->trunks[1].members[25] = o.initial->trunks[1].members[24] = true;
        Start(o);
    }
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
    void init() { steps::BeginCase(boxes); }
    void cleanup() { steps::EndSession(h); }

    void connectFindsTheLoginPageFromAnywhere_data() {
        QTest::addColumn<QString>("pretype");
        QTest::addColumn<QString>("startsAt");
        auto row = [](const char* name, const char* keys, const char* where) {
            QTest::newRow(name) << QString::fromLatin1(keys) << QString::fromLatin1(where);
        };
        row("login prompt", "", "login");
        row("while it boots", "", "busy");
        // An edit mode with a changed working copy the walk must throw away.
        // Every other screen, item and edit mode the walk starts from is
        // covered against the simulated switch in tests/sim/sim_walk_test.cpp.
        row("port edit, speed changed", "admin\radmin\r\r\r\t\r\t\t\t\t\t\t ", "edit:port");
    }
    void connectFindsTheLoginPageFromAnywhere() {
        QFETCH(QString, pretype);
        QFETCH(QString, startsAt);
        const bool boot = startsAt == QLatin1String("busy");
        sim::Options o;
        o.pretype = pretype.toStdString();
        o.bootAtStart = boot;
        o.bootDelayMs = 300;
        Start(o);
        QCOMPARE(Where(), startsAt);
        frmWelcome->memInit->setPlainText(QStringLiteral("a line of an earlier boot"));
        QVERIFY(steps::Connect(*h));
        QCOMPARE(Where(), QStringLiteral("login"));
        QVERIFY(!frmWelcome->isVisible() && !frmWelcome->tmrConnect->isActive());
        QCOMPARE(CurrentForm, int32_t(FORM_LOGIN));
        QVERIFY(frmLogin->isEnabled() && frmLogin->lblMsg->text().isEmpty()); // no failure
        // The walk answers with Tab and Enter only and never stores anything.
        QCOMPARE(h->sim().storeCount(), uint64_t(0));
        QVERIFY(h->sim().state() == initial);
        QVERIFY(boxes.isEmpty() && frmMain.get() == nullptr);
        // A boot's self-test lines replaced the earlier list at the first.
        const QStringList lines = frmWelcome->memInit->toPlainText().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), boot ? 13 : 1);
        for (int v = 2; boot && v <= 14; ++v)
            QCOMPARE(lines[v - 2], QString::fromLatin1(SelfTestLabel(v)) + QStringLiteral("OK"));
    }

    // A whole session in each language (typed into the box or chosen):
    // login failures, the first login's walk, the menus,
    // logout, restart and factory default.
    void sessionInEachLanguage_data() {
        QTest::addColumn<QString>("choice"); // an item's index, or text typed into the box
        QTest::addColumn<int>("languageId");
        QTest::newRow("typed text, English") << "Klingon" << 1033;
        QTest::newRow("Chinese_CN") << "1" << 2052;
        QTest::newRow("typed Chinese_TW") << "Chinese_TW" << 1028;
    }
    void sessionInEachLanguage() {
        QFETCH(QString, choice);
        QFETCH(int, languageId);
        // Port 26 in trunk 3 (port 25 in trunk 2) and other changes that a
        // factory default must undo.
        sim::Options o;
        o.initial = sim::FactoryState();
        o.initial->trunks[1].isStatic = o.initial->trunks[2].isStatic = true;
        o.initial->trunks[1].members[22] = o.initial->trunks[1].members[24] = true;
        o.initial->trunks[2].members[23] = o.initial->trunks[2].members[25] = true;
        o.initial->retryForever = "Enabled ";
        Start(o);
        bool isIndex = false;
        const int item = choice.toInt(&isIndex);
        frmWelcome->cboLang->setCurrentIndex(item == 1 ? 2 : 1); // away first
        if (isIndex)
            frmWelcome->cboLang->setCurrentIndex(item);
        else
            frmWelcome->cboLang->setEditText(choice);
        QCOMPARE(LanguageId, languageId);
        QCOMPARE(frmWelcome->cboLang->count(), 3); // typed text is not added
        QVERIFY(steps::Connect(*h));

        // An empty user name: a message and nothing typed.
        Typed();
        QVERIFY(!LogIn("", "admin"));
        QCOMPARE(frmLogin->lblMsg->text(), LangText(1220));
        QVERIFY(frmLogin->isEnabled() && Typed().empty());
        // A wrong password is reported once the attempt's sixth login page
        // has been counted whole; each try counts from Login again.
        for (int attempt = 0; attempt < 2; ++attempt) {
            frmLogin->edtUsername->setText(QStringLiteral("admin"));
            frmLogin->edtPassword->setText(QStringLiteral("wrong"));
            frmLogin->btnLogin->click();
            QVERIFY(!frmLogin->isEnabled());
            QCOMPARE(frmLogin->lblMsg->text(), LangText(1221));
            QVERIFY(h->runUntil([this] { return frmLogin->isEnabled(); }, 30000));
            QCOMPARE(frmLogin->LoginPromptCount, 9);
            QCOMPARE(frmLogin->lblMsg->text(), LangText(1219));
            h->runFor(1000);
            QCOMPARE(frmLogin->LoginPromptCount, 9); // the park line is no login page
        }
        QCOMPARE(Where(), QStringLiteral("login"));

        // The first login walks the trunk screens for the module trunk.
        QCOMPARE(ModuleTrunk, -1);
        Typed();
        QVERIFY(LogIn());
        QCOMPARE(Typed(), std::string("\badmin\radmin\r\r\t\r\b\r\b\b\r"));
        QCOMPARE(ModuleTrunk, 2);
        QCOMPARE(frmMain->lblVersion->text(), LangText(3) + QStringLiteral("1.02a - A1 "));
        QVERIFY(!frmLogin->isVisible() && !frmStaticConfig.exists());
        QVERIFY(frmLogin->edtUsername->text().isEmpty() && frmLogin->edtPassword->text().isEmpty());
        QCOMPARE(Where(), QStringLiteral("main"));

        // Main to static and back, twice: a fresh window each time.
        for (int visit = 0; visit < 2; ++visit) {
            frmMain->btnStaticConfig->click();
            QVERIFY(Until(frmStaticConfig));
            QCOMPARE(Typed(), std::string("\r"));
            QCOMPARE(Where(), QStringLiteral("static"));
            QPointer<TfrmStaticConfig> menu = frmStaticConfig.get();
            QVERIFY(menu->btnTrunkConfig->isEnabled() && menu->btnVlanConfig->isEnabled() &&
                    menu->btnMiscConfig->isEnabled());
            menu->btnMainMenu->click();
            QVERIFY(UntilMain());
            QCOMPARE(Typed(), std::string("\t\t\t\t\r"));
            QVERIFY(menu.isNull() && !frmStaticConfig.exists());
        }

        // The restart menu: both confirmations answered No change nothing.
        frmMain->btnReboot->click();
        QVERIFY(Until(frmRestartConfig));
        TfrmRestartConfig* restart = frmRestartConfig.get();
        Typed();
        boxes.answer = platform::IDNO;
        restart->btnDefault->click();
        restart->btnRestart->click();
        h->runFor(2000);
        QCOMPARE(boxes.captions(), QStringList({LangText(1224), LangText(1225)}));
        QVERIFY(Typed().empty());
        QVERIFY(Shown(restart) && restart->isEnabled() && !Restarting);
        QCOMPARE(Where(), QStringLiteral("restart"));
        restart->btnPrevMenu->click();
        QVERIFY(UntilMain());
        QCOMPARE(Typed(), std::string("\t\t\r"));
        QVERIFY(!frmRestartConfig.exists());

        // Logout (the highlight stayed on item 1) and a second login: no walk.
        QPointer<TfrmMain> first = frmMain.get();
        frmMain->btnLogout->click();
        QVERIFY(steps::LoginSettled(*h));
        QCOMPARE(Typed(), std::string("\t\r"));
        QVERIFY(first.isNull() && frmLogin->lblMsg->text().isEmpty());
        QVERIFY(LogIn());
        QCOMPARE(Typed(), std::string("\badmin\radmin\r"));
        QCOMPARE(frmMain->lblVersion->text(), LangText(3) + QStringLiteral("1.02a - A1 "));

        // Restart: the switch reboots, its new self-test lines replace the
        // old ones at the first of them, and the login window comes back.
        boxes.answer = platform::IDYES;
        boxes.clear();
        frmMain->btnReboot->click();
        QVERIFY(Until(frmRestartConfig));
        frmWelcome->memInit->setPlainText(QStringLiteral("lines of the first boot"));
        frmRestartConfig->btnRestart->click();
        QCOMPARE(boxes.captions(), QStringList{LangText(1225)});
        QVERIFY(frmWelcome->isVisible() && !frmMain.exists());
        QCOMPARE(frmWelcome->memInit->toPlainText(), QStringLiteral("lines of the first boot"));
        QVERIFY(h->runUntil([] { return frmWelcome->memInit->blockCount() == 13; }, 30000));
        QVERIFY(Until(frmLogin));
        QVERIFY(frmWelcome->memInit->toPlainText().startsWith(QLatin1String(SelfTestLabel(2))));
        QVERIFY(!frmRestartConfig.exists());
        QVERIFY(h->sim().state() == initial);
        Typed();
        QVERIFY(LogIn());
        QCOMPARE(Typed(), std::string("\badmin\radmin\r"));

        // A reboot under the main window drops it without its logout keys.
        QPointer<TfrmMain> old = frmMain.get();
        h->powerCycle();
        QVERIFY(h->runUntil([&] { return frmWelcome->isVisible() && !(old && old->isVisible()); }));
        QVERIFY(Until(frmLogin) && old.isNull());
        QVERIFY(LogIn());

        // Factory default: "y" to the switch's question, then its reboot.
        frmMain->btnReboot->click();
        QVERIFY(Until(frmRestartConfig));
        boxes.clear();
        Typed();
        frmRestartConfig->btnDefault->click();
        QCOMPARE(boxes.captions(), QStringList{LangText(1224)});
        QVERIFY(frmWelcome->isVisible() && frmWelcome->memInit->toPlainText().isEmpty());
        QCOMPARE(BusyText, std::string(GetLangText(1280)));
        QVERIFY(Until(frmLogin, 60000));
        QCOMPARE(Typed().substr(0, 2), std::string("\ry"));
        QCOMPARE(frmWelcome->memInit->blockCount(), 13);
        QVERIFY(h->sim().state() == sim::FactoryState());
    }

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
        StartWithModuleTrunk();
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

    // Logout offers to disconnect (No, the login window: sessionInEachLanguage); the
    // account is logged out on the switch either way. Yes: the Welcome window,
    // from where Connect starts afresh.
    void logoutAndDisconnect() {
        StartWithModuleTrunk();
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
        StartWithModuleTrunk();
        QVERIFY(ConnectAndLogin());
        h->runFor(5 * 60 * 1000);
        QVERIFY(boxes.isEmpty() && IsLinkOpen() && steps::MainUp());
        QVERIFY(OpenPortWindow());
        QVERIFY(boxes.isEmpty());
    }
};

QTEST_MAIN(SessionFlowTest)
#include "tst_session_flow.moc"
