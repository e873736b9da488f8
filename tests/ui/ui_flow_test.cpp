// The start window, login, main, static and restart windows end to end: the
// program's real windows (offscreen) and engine, joined in memory to the
// simulated switch, on a virtual clock. Each case checks what the windows
// show and what the switch ended up with, not only the keys typed.
#include "engine/KeyOutput.h"
#include "engine/LineFraming.h"
#include "engine/PageTable.h"
#include "engine/SerialLink.h"
#include "forms/FormRefs.h"
#include "forms/Loginform.h"
#include "forms/Mainform.h"
#include "forms/Messageform.h"
#include "forms/Restartconfigform.h"
#include "forms/Staticconfigform.h"
#include "forms/Welcomeform.h"
#include "lang/Language.h"
#include "platform/Ui.h"
#include "shared/Publicunit.h"
#include "tests/harness/LinkHarness.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringDecoder>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <string>
#include <vector>

namespace {

QtMessageHandler s_previousHandler = nullptr;
void QuietOffscreen(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("This plugin does not support"))) return;
    if (s_previousHandler) s_previousHandler(type, context, message);
}

struct Box {
    QString text, caption;
    int buttons;
};

const std::string kConnectKeys = "n\x01\x1b";
const std::string kWalkStart = "\r\t\r\b";
const std::string kWalkEnd = "\r\b\b\r";

bool Visible(TForm* f) {
    return f && f->isVisible();
}
bool NoBusyBox() {
    return frmMessage.get() == nullptr;
}

// A language text read straight from a language file, decoded with the
// file's own code page: what a window caption must show.
QString FileText(const char* file, const char* codec, int id) {
    QFile f(QString::fromLatin1(file));
    if (!f.open(QIODevice::ReadOnly)) return QStringLiteral("<no file>");
    while (!f.atEnd()) {
        QByteArray line = f.readLine();
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        int i = 0;
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        const int start = i;
        while (i < line.size() && line[i] >= '0' && line[i] <= '9')
            ++i;
        if (i == start || line.mid(start, i - start).toInt() != id) continue;
        QStringDecoder decode(codec);
        return decode(line.mid(i + 1));
    }
    return QStringLiteral("<no id>");
}

} // namespace

class UiFlowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<LinkHarness> h;
    std::vector<Box> boxes;
    int answer = platform::IDYES;

    TfrmWelcome* welcome() { return frmWelcome.get(); }
    TfrmLogin* login() { return frmLogin.get(); }
    TfrmMain* mainWin() { return frmMain.get(); }

    bool LoginInFront() { return Visible(login()) && NoBusyBox() && !IsSendPending(); }
    bool MainInFront() {
        return Visible(mainWin()) && mainWin()->isEnabled() && NoBusyBox() &&
               CurrentForm == FORM_MAIN && !IsSendPending();
    }

    // The switch as the test set it up, before anything was typed.
    sim::SwitchState initial;

    void Start(sim::Options options = {}) {
        if (!options.initial) options.initial = sim::FactoryState(options.modules);
        initial = *options.initial;
        h = std::make_unique<LinkHarness>(std::move(options));
        new TfrmWelcome;
        welcome()->Show();
    }

    // The login window is up at the first line of the login page; the rest
    // of the page follows at 9600 baud.
    bool LoginSettled() {
        if (!h->runUntil([this] { return LoginInFront(); }, 60000)) return false;
        h->runFor(1500);
        return LoginInFront();
    }

    bool Connect() {
        welcome()->btnConnect->click();
        return LoginSettled();
    }

    bool Login(const char* user = "admin", const char* password = "admin") {
        login()->edtUsername->setText(QString::fromLatin1(user));
        login()->edtPassword->setText(QString::fromLatin1(password));
        login()->btnLogin->click();
        return h->runUntil([this] { return MainInFront(); }, 120000);
    }

    // Connected and logged in: the main window in front, console idle.
    bool ReachMain(sim::Options options = {}) {
        Start(std::move(options));
        return Connect() && Login();
    }

    std::string Where() { return h->sim().where(); }

private slots:
    void initTestCase() { s_previousHandler = qInstallMessageHandler(QuietOffscreen); }

    void init() {
        ResetSharedState();
        ResetScreenStartCheck();
        ResetKeyOutput();
        ResetLinkFlushCountdown();
        TForm::ResetActiveForm();
        boxes.clear();
        answer = platform::IDYES;
        platform::SetMessageBoxHandler([this](const QString& t, const QString& c, int b) {
            boxes.push_back({t, c, b});
            return b == platform::MB_YESNO ? answer : int(platform::IDOK);
        });
    }

    void cleanup() {
        CloseBusyBox();
        frmMain.clear();
        frmStaticConfig.clear();
        frmRestartConfig.clear();
        frmLogin.clear();
        frmWelcome.clear();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        h.reset();
        DestroyParser();
        platform::SetMessageBoxHandler(nullptr);
        ResetLanguageState();
    }

    // --- connecting from wherever the console is --------------------------

    void connectFindsTheLoginPageFromAnywhere_data() {
        QTest::addColumn<QString>("pretype");
        QTest::addColumn<QString>("startsAt");
        QTest::newRow("login prompt") << ""
                                      << "login";
        QTest::newRow("main menu, item 1") << "admin\radmin\r\t"
                                           << "main";
        QTest::newRow("static menu, item 3") << "admin\radmin\r\r\t\t\t"
                                             << "static";
        QTest::newRow("port screen, Save") << "admin\radmin\r\r\r\t\t"
                                           << "port";
        QTest::newRow("port screen, page 3") << "admin\radmin\r\r\r\b\r\b\r"
                                             << "port";
        QTest::newRow("trunk screen") << "admin\radmin\r\r\t\r"
                                      << "trunk";
        QTest::newRow("restart menu, Restart") << "admin\radmin\r\t\r\t"
                                               << "restart";
        QTest::newRow("factory-default question") << "admin\radmin\r\t\r\r"
                                                  << "restart:question";
        // Edit modes with a changed working copy the walk must throw away.
        QTest::newRow("port edit, speed changed") << "admin\radmin\r\r\r\t\r\t\t\t\t\t\t "
                                                  << "edit:port";
        QTest::newRow("misc edit, user name") << "admin\radmin\r\r\t\t\t\r\r"
                                              << "edit:misc";
        QTest::newRow("trunk edit, member set") << "admin\radmin\r\r\t\r\r\t\t\t "
                                                << "edit:trunk";
        QTest::newRow("password prompt") << "admin\r"
                                         << "login:password";
    }
    void connectFindsTheLoginPageFromAnywhere() {
        QFETCH(QString, pretype);
        QFETCH(QString, startsAt);
        sim::Options o;
        o.pretype = pretype.toStdString();
        Start(o);
        QCOMPARE(QString::fromStdString(Where()), startsAt);
        QVERIFY(Connect());
        QCOMPARE(Where(), std::string("login"));
        QVERIFY(!Visible(welcome()));
        QCOMPARE(CurrentForm, int32_t(FORM_LOGIN));
        QVERIFY(login()->isEnabled());
        QCOMPARE(login()->lblMsg->text(), QString()); // one login draw is no failure
        QCOMPARE(h->keysTyped().substr(0, 1), std::string("n"));
        // The walk answers with Tab and Enter only and never stores anything.
        QCOMPARE(h->sim().storeCount(), uint64_t(0));
        QVERIFY(h->sim().state() == initial);
        QVERIFY(boxes.empty());
        QVERIFY(frmMain.get() == nullptr);
    }

    void connectWhileTheSwitchBootsShowsItsSelfTest() {
        sim::Options o;
        o.bootAtStart = true;
        o.bootDelayMs = 300;
        Start(o);
        welcome()->memInit->setPlainText(QStringLiteral("a line of an earlier boot"));
        welcome()->btnConnect->click();
        QVERIFY(h->runUntil([this] { return welcome()->memInit->blockCount() == 3; }, 10000));
        // The first test line emptied the list; the window is in front and
        // the countdown's busy window gone.
        QVERIFY(Visible(welcome()));
        QVERIFY(NoBusyBox());
        QVERIFY(!welcome()->tmrConnect->isActive());
        QVERIFY(h->runUntil([this] { return LoginInFront(); }, 30000));
        const QStringList lines = welcome()->memInit->toPlainText().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 13);
        for (int v = 2; v <= 14; ++v)
            QCOMPARE(lines[v - 2], QString::fromLatin1(SelfTestLabel(v)) + QStringLiteral("OK"));
        QVERIFY(h->sim().state() == initial);
    }

    // --- login, post-login walk, logout ------------------------------------

    void firstLoginReadsTrunksThenShowsTheMainWindow() {
        sim::Options o;
        o.initial = sim::FactoryState();
        o.initial->trunks[2].isStatic = true;
        o.initial->trunks[2].members[24] = true;
        o.initial->trunks[2].members[25] = true;
        Start(o);
        QVERIFY(Connect());
        h->clearKeysTyped();
        QCOMPARE(ModuleTrunk, -1);
        QVERIFY(Login());
        QCOMPARE(mainWin()->lblVersion->text(), QStringLiteral("Version: 1.02a - A1 "));
        QCOMPARE(ModuleTrunk, 2);
        QCOMPARE(VersionStage, 2);
        QVERIFY(!ResyncPending);
        QCOMPARE(h->keysTyped(), "\badmin\radmin\r" + kWalkStart + kWalkEnd);
        QVERIFY(!Visible(login()));
        QVERIFY(!frmStaticConfig.exists()); // the walk's hidden static window is dropped
        QCOMPARE(Where(), std::string("main"));
        QCOMPARE(mainWin()->MenuCurrent, 0);
        QVERIFY(h->sim().state() == initial);
        // The login window was made clean for the next time.
        QCOMPARE(login()->edtUsername->text(), QString());
        QCOMPARE(login()->edtPassword->text(), QString());
        QCOMPARE(login()->LoginPromptCount, 2);
    }

    void wrongPasswordIsReportedAtTheSixthLoginPage() {
        Start();
        QVERIFY(Connect());
        login()->edtUsername->setText(QStringLiteral("admin"));
        login()->edtPassword->setText(QStringLiteral("wrong"));
        login()->btnLogin->click();
        QVERIFY(!login()->isEnabled());
        QCOMPARE(login()->lblMsg->text(), LangText(1221));
        // The window comes back only with the failure text, and only once
        // the failed attempt's login page has been counted whole.
        QVERIFY(h->runUntil([this] { return login()->isEnabled(); }, 30000));
        QCOMPARE(login()->LoginPromptCount, 9);
        QCOMPARE(login()->lblMsg->text(), LangText(1219));
        QVERIFY(login()->lblMsg->styleSheet().contains(QLatin1String("red")));
        h->runFor(1000);
        QCOMPARE(login()->LoginPromptCount, 9); // the park line is no login page
        // A second try counts from Login again.
        login()->btnLogin->click();
        QVERIFY(!login()->isEnabled());
        QVERIFY(h->runUntil([this] { return login()->isEnabled(); }, 30000));
        QCOMPARE(login()->LoginPromptCount, 9);
        QVERIFY(frmMain.get() == nullptr);
        QCOMPARE(Where(), std::string("login"));
        // And the right password still gets in.
        QVERIFY(Login("admin", "admin"));
    }

    void emptyUserNameSendsNothing() {
        Start();
        QVERIFY(Connect());
        h->clearKeysTyped();
        login()->edtUsername->clear();
        login()->edtPassword->setText(QStringLiteral("admin"));
        login()->btnLogin->click();
        QCOMPARE(login()->lblMsg->text(), LangText(1220));
        QVERIFY(login()->isEnabled());
        h->runFor(2000);
        QVERIFY(h->keysTyped().empty());
        QCOMPARE(login()->edtUsername->maxLength(), 10);
        QCOMPARE(login()->edtPassword->maxLength(), 10);
        QCOMPARE(login()->edtPassword->echoMode(), QLineEdit::Password);
    }

    void logoutAndSecondLoginSkipTheWalk() {
        QVERIFY(ReachMain());
        QPointer<TfrmMain> first = mainWin();
        h->clearKeysTyped();
        mainWin()->btnLogout->click();
        QVERIFY(LoginSettled());
        QCOMPARE(h->keysTyped(), std::string("\t\t\r"));
        QVERIFY(!frmMain.exists());
        QCOMPARE(login()->LoginPromptCount, 8); // 2 from the main window, six pages
        QCOMPARE(login()->lblMsg->text(), QString());
        h->clearKeysTyped();
        QVERIFY(Login());
        QCOMPARE(h->keysTyped(), std::string("\badmin\radmin\r")); // no walk this time
        QVERIFY(mainWin() != first.data());
        QCOMPARE(mainWin()->MenuCurrent, 0);
        QCOMPARE(mainWin()->lblVersion->text(), QStringLiteral("Version: 1.02a - A1 "));
    }

    // --- menus -------------------------------------------------------------

    void mainToStaticAndBack() {
        QVERIFY(ReachMain());
        h->clearKeysTyped();
        mainWin()->btnStaticConfig->click();
        QVERIFY(!Visible(mainWin()));
        QVERIFY(h->runUntil(
            [] { return Visible(frmStaticConfig.get()) && NoBusyBox() && !IsSendPending(); },
            30000));
        QCOMPARE(h->keysTyped(), std::string("\r")); // item 0 was highlighted
        QCOMPARE(CurrentForm, int32_t(FORM_STATIC));
        QCOMPARE(Where(), std::string("static"));
        QPointer<TfrmStaticConfig> menu = frmStaticConfig.get();
        QVERIFY(!menu->btnTrunkConfig->isEnabled()); // windows not in the program yet
        h->clearKeysTyped();
        menu->btnMainMenu->click();
        QVERIFY(h->runUntil([this] { return MainInFront(); }, 30000));
        QCOMPARE(h->keysTyped(), std::string("\t\t\t\t\r"));
        QVERIFY(!frmStaticConfig.exists());
        QVERIFY(menu.isNull());
        QCOMPARE(Where(), std::string("main"));
        // A second visit gets a fresh window, highlight back on item 0.
        h->clearKeysTyped();
        mainWin()->btnStaticConfig->click();
        QVERIFY(h->runUntil([] { return Visible(frmStaticConfig.get()) && NoBusyBox(); }, 30000));
        QCOMPARE(frmStaticConfig->MenuCurrent, 0);
        QCOMPARE(h->keysTyped(), std::string("\r"));
    }

    void restartMenuPreviousMenuThenLogout() {
        QVERIFY(ReachMain());
        h->clearKeysTyped();
        mainWin()->btnReboot->click();
        QVERIFY(h->runUntil([] { return Visible(frmRestartConfig.get()) && NoBusyBox(); }, 30000));
        QCOMPARE(h->keysTyped(), std::string("\t\r"));
        QCOMPARE(CurrentForm, int32_t(FORM_RESTART));
        h->clearKeysTyped();
        frmRestartConfig->btnPrevMenu->click();
        QVERIFY(h->runUntil([this] { return MainInFront(); }, 30000));
        QCOMPARE(h->keysTyped(), std::string("\t\t\r"));
        QVERIFY(!frmRestartConfig.exists());
        // The main menu's highlight stayed on item 1: Logout is one Tab away.
        h->clearKeysTyped();
        mainWin()->btnLogout->click();
        QVERIFY(h->runUntil([this] { return LoginInFront(); }, 30000));
        QCOMPARE(h->keysTyped(), std::string("\t\r"));
        QVERIFY(h->sim().state() == initial);
    }

    void restartConfirmationsAnsweredNoChangeNothing() {
        QVERIFY(ReachMain());
        mainWin()->btnReboot->click();
        QVERIFY(h->runUntil([] { return Visible(frmRestartConfig.get()) && NoBusyBox(); }, 30000));
        TfrmRestartConfig* menu = frmRestartConfig.get();
        h->clearKeysTyped();
        answer = platform::IDNO;
        menu->btnDefault->click();
        menu->btnRestart->click();
        h->runFor(2000);
        QCOMPARE(boxes.size(), size_t(2));
        QCOMPARE(boxes[0].caption, LangText(1224));
        QCOMPARE(boxes[1].caption, LangText(1225));
        QVERIFY(h->keysTyped().empty());
        QVERIFY(Visible(menu) && menu->isEnabled());
        QVERIFY(!Restarting);
        QCOMPARE(menu->MenuCurrent, 0);
        QVERIFY(frmMain.get() != nullptr);
        QCOMPARE(Where(), std::string("restart"));
        menu->btnPrevMenu->click();
        QVERIFY(h->runUntil([this] { return MainInFront(); }, 30000));
        QCOMPARE(h->keysTyped(), std::string("\t\t\r"));
    }

    void restartRebootsTheSwitchAndComesBackToLogin() {
        QVERIFY(ReachMain());
        mainWin()->btnReboot->click();
        QVERIFY(h->runUntil([] { return Visible(frmRestartConfig.get()) && NoBusyBox(); }, 30000));
        welcome()->memInit->setPlainText(QStringLiteral("lines of the first boot"));
        h->clearKeysTyped();
        answer = platform::IDYES;
        frmRestartConfig->btnRestart->click();
        QCOMPARE(boxes.size(), size_t(1));
        QCOMPARE(boxes[0].caption, LangText(1225));
        QVERIFY(Visible(welcome()));
        QVERIFY(frmMain.get() == nullptr && !frmMain.exists());
        QVERIFY(!NoBusyBox());
        // The old lines stay until the new boot's first test line.
        QCOMPARE(welcome()->memInit->toPlainText(), QStringLiteral("lines of the first boot"));
        QVERIFY(h->runUntil([] { return frmWelcome->memInit->blockCount() == 13; }, 30000));
        QVERIFY(h->runUntil([this] { return LoginInFront(); }, 30000));
        QVERIFY(welcome()->memInit->toPlainText().startsWith(QLatin1String(SelfTestLabel(2))));
        QVERIFY(!frmRestartConfig.exists());
        QVERIFY(h->sim().state() == initial);
        // Logging in again creates a new main window without the walk.
        h->clearKeysTyped();
        QVERIFY(Login());
        QCOMPARE(h->keysTyped(), std::string("\badmin\radmin\r"));
    }

    void factoryDefaultRestoresTheSwitch() {
        sim::Options o;
        o.initial = sim::FactoryState();
        o.initial->ports[3].inRate = 300;
        o.initial->retryForever = "Enabled ";
        o.initial->trunks[0].isStatic = true;
        o.initial->trunks[0].members[0] = o.initial->trunks[0].members[1] = true;
        QVERIFY(ReachMain(o));
        mainWin()->btnReboot->click();
        QVERIFY(h->runUntil([] { return Visible(frmRestartConfig.get()) && NoBusyBox(); }, 30000));
        welcome()->memInit->setPlainText(QStringLiteral("old"));
        h->clearKeysTyped();
        frmRestartConfig->btnDefault->click();
        QCOMPARE(boxes.size(), size_t(1));
        QCOMPARE(boxes[0].caption, LangText(1224));
        QCOMPARE(welcome()->memInit->toPlainText(), QString());
        QVERIFY(Visible(welcome()));
        QCOMPARE(BusyText, std::string(GetLangText(1280)));
        QVERIFY(h->runUntil([this] { return LoginInFront(); }, 60000));
        QCOMPARE(h->keysTyped().substr(0, 2), std::string("\ry"));
        QCOMPARE(welcome()->memInit->blockCount(), 13);
        QVERIFY(h->sim().state() == sim::FactoryState());
    }

    void switchRebootingUnderTheMainWindow() {
        QVERIFY(ReachMain());
        QPointer<TfrmMain> old = mainWin();
        welcome()->memInit->setPlainText(QStringLiteral("old"));
        h->powerCycle();
        QVERIFY(h->runUntil([this] { return Visible(welcome()); }, 30000));
        QVERIFY(!Visible(old.data())); // nothing of the old session to click
        QVERIFY(h->runUntil([this] { return LoginInFront(); }, 30000));
        QCOMPARE(welcome()->memInit->blockCount(), 13);
        QVERIFY(old.isNull()); // dropped without typing its logout keys
        QVERIFY(!frmMain.exists());
        QVERIFY(Login());
        QVERIFY(h->sim().state() == initial);
    }

    // --- languages ---------------------------------------------------------

    void captionsFollowTheChosenLanguage_data() {
        QTest::addColumn<int>("item");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("codec");
        QTest::addColumn<int>("languageId");
        QTest::newRow("English") << 0 << "Language_EN.txt"
                                 << "Windows-1252" << 1033;
        QTest::newRow("Chinese_CN") << 1 << "Language_CN.txt"
                                    << "GBK" << 2052;
        QTest::newRow("Chinese_TW") << 2 << "Language_TW.txt"
                                    << "Big5" << 1028;
    }
    void captionsFollowTheChosenLanguage() {
        QFETCH(int, item);
        QFETCH(QString, file);
        QFETCH(QString, codec);
        QFETCH(int, languageId);
        const QByteArray fileName = file.toLatin1();
        const QByteArray codecName = codec.toLatin1();
        auto expect = [&](int id) { return FileText(fileName, codecName, id); };
        auto check = [&](const QString& shown, int id) {
            const QString want = expect(id);
            QVERIFY2(!want.startsWith(QLatin1Char('<')), qPrintable(want));
            QCOMPARE(shown, want);
        };

        Start();
        if (item == 0) welcome()->cboLang->setCurrentIndex(2); // away and back again
        welcome()->cboLang->setCurrentIndex(item);
        QCOMPARE(LanguageId, languageId);
        check(welcome()->windowTitle(), 0);
        check(welcome()->Label1->text(), 1);
        check(welcome()->btnConnect->text(), 5);
        check(welcome()->Label2->text(), 7);

        QVERIFY(Connect());
        check(login()->windowTitle(), 100);
        check(login()->Label1->text(), 102);
        check(login()->btnLogin->text(), 104);
        check(login()->btnExit->text(), 6);
        QVERIFY(Login());
        check(mainWin()->windowTitle(), 200);
        check(mainWin()->btnStaticConfig->text(), 202);
        check(mainWin()->btnLogout->text(), 204);
        mainWin()->btnStaticConfig->click();
        QVERIFY(h->runUntil([] { return Visible(frmStaticConfig.get()) && NoBusyBox(); }, 30000));
        check(frmStaticConfig->windowTitle(), 400);
        check(frmStaticConfig->btnPortConfig->text(), 402);
        check(frmStaticConfig->btnMainMenu->text(), 406);
        frmStaticConfig->btnMainMenu->click();
        QVERIFY(h->runUntil([this] { return MainInFront(); }, 30000));
        mainWin()->btnReboot->click();
        QVERIFY(h->runUntil([] { return Visible(frmRestartConfig.get()) && NoBusyBox(); }, 30000));
        check(frmRestartConfig->windowTitle(), 1200);
        check(frmRestartConfig->btnDefault->text(), 1202);
        check(frmRestartConfig->btnPrevMenu->text(), 1204);
    }

    void typedLanguageNameMeansEnglish() {
        Start();
        welcome()->cboLang->setCurrentIndex(2);
        QCOMPARE(LanguageId, 1028);
        welcome()->cboLang->setEditText(QStringLiteral("Klingon"));
        QCOMPARE(LanguageId, 1033);
        QCOMPARE(welcome()->windowTitle(), FileText("Language_EN.txt", "Windows-1252", 0));
        QCOMPARE(welcome()->cboLang->count(), 3); // typed text is not added
        welcome()->cboLang->setEditText(QStringLiteral("Chinese_TW"));
        QCOMPARE(LanguageId, 1028); // an item's exact name is that item
    }
};

QTEST_MAIN(UiFlowTest)
#include "ui_flow_test.moc"
