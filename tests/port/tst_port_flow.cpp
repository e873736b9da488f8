// The port window against the simulated switch: the program's real windows
// (offscreen) and engine on the in-memory line, logged in, Port
// Configuration opened from the static menu, edits made through the
// window's controls, and the switch's stored state checked afterwards.
#include "engine/KeyOutput.h"
#include "engine/LineFraming.h"
#include "engine/PageTable.h"
#include "engine/SerialLink.h"
#include "forms/FormRefs.h"
#include "forms/Loginform.h"
#include "forms/Mainform.h"
#include "forms/Messageform.h"
#include "forms/Portconfigform.h"
#include "forms/Staticconfigform.h"
#include "forms/Welcomeform.h"
#include "lang/Language.h"
#include "platform/Ui.h"
#include "shared/Publicunit.h"
#include "tests/harness/LinkHarness.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>
#include <string>

namespace {

QtMessageHandler s_previousHandler = nullptr;
void QuietRaise(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("does not support raise()"))) return;
    if (s_previousHandler) s_previousHandler(type, context, message);
}

struct Box {
    QString text, caption;
};

// The ports whose stored settings differ, for a failure message.
std::string Diff(const sim::SwitchState& got, const sim::SwitchState& want) {
    std::string out = "ports differing:";
    for (int p = 0; p < sim::kPortCount; ++p)
        if (!(got.ports[p] == want.ports[p])) out += " " + std::to_string(p + 1);
    return got.trunks == want.trunks ? out : out + "; trunks differ";
}

} // namespace

class PortFlowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<LinkHarness> h;
    QList<Box> boxes;

    TfrmPortConfig* win() { return frmPortConfig.get(); }
    template <class T> T* Ctl(const char* base, int row) {
        return win()->findChild<T*>(QStringLiteral("%1%2").arg(QLatin1String(base)).arg(row));
    }
    int VisibleRows() {
        int n = 0;
        for (int r = 1; r <= 8; ++r)
            n += win()->findChild<QFrame*>(QStringLiteral("pnlP0%1").arg(r))->isHidden() ? 0 : 1;
        return n;
    }
    bool StaticMenuInFront() {
        TfrmStaticConfig* s = frmStaticConfig.get();
        return s && s->isVisible() && s->isEnabled() && frmMessage.get() == nullptr;
    }
    bool PortWindowInFront() {
        return win() && win()->isVisible() && win()->isEnabled() && frmMessage.get() == nullptr;
    }

    // Connects, logs in and opens the static menu; languageItem as on the
    // start window (0 English, 2 Traditional Chinese). False when a step
    // never came.
    bool ReachStaticMenu(sim::Options options = {}, int languageItem = 0) {
        h = std::make_unique<LinkHarness>(std::move(options));
        new TfrmWelcome;
        frmWelcome->Show();
        if (languageItem != 0) {
            frmWelcome->cboLang->setCurrentIndex(languageItem);
            frmWelcome->cboLangChange();
        }
        frmWelcome->btnConnect->click();
        // A click types over whatever is still being typed, as a user would
        // not: wait until the connect keys are out.
        if (!h->runUntil([] { return frmLogin.get() && frmLogin->isVisible() && !IsSendPending(); },
                         20000))
            return false;
        frmLogin->edtUsername->setText("admin");
        frmLogin->edtPassword->setText("admin");
        frmLogin->btnLogin->click();
        if (!h->runUntil(
                [] { return frmMain.get() && frmMain->isVisible() && frmMessage.get() == nullptr; },
                60000))
            return false;
        frmMain->btnStaticConfig->click();
        return h->runUntil([this] { return StaticMenuInFront(); }, 20000);
    }

    bool OpenPortWindow() {
        h->clearKeysTyped();
        frmStaticConfig->btnPortConfig->click();
        return h->runUntil([this] { return PortWindowInFront(); }, 60000);
    }

    // Apply, then run until the window has gone and the static menu is back.
    void ApplyAndFinish() {
        win()->btnSave->click();
        QVERIFY(!win()->isEnabled());
        QVERIFY(
            h->runUntil([this] { return !frmPortConfig.exists() && StaticMenuInFront(); }, 120000));
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].text,
                 DecodeText(std::string(GetLangText(1301)) + "\n" + GetLangText(1302)));
        QCOMPARE(boxes[0].caption, LangText(1211));
        QVERIFY(!Saving);
    }

    void GoToPage(int page) {
        while (TablePage < page && win()->btnNextPage->isEnabled())
            win()->btnNextPage->click();
        while (TablePage > page && win()->btnPrevPage->isEnabled())
            win()->btnPrevPage->click();
        QCOMPARE(int(TablePage), page);
    }

private slots:
    void initTestCase() { s_previousHandler = qInstallMessageHandler(QuietRaise); }
    void init() {
        ResetSharedState();
        ResetScreenStartCheck();
        ResetKeyOutput();
        ResetLinkFlushCountdown();
        TForm::ResetActiveForm();
        boxes.clear();
        platform::SetMessageBoxHandler([this](const QString& text, const QString& caption, int) {
            boxes.append({text, caption});
            return platform::IDOK;
        });
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
        ResetLanguageState();
    }

    void readsAllPortsAndPagesThroughThem() {
        QVERIFY(ReachStaticMenu());
        QVERIFY(OpenPortWindow());
        // Enter on the menu, then BackSpace, Enter for pages 2, 3, 4 and
        // back to page 1.
        QCOMPARE(h->keysTyped(), std::string("\r\b\r\b\r\b\r\b\r"));
        QCOMPARE(int(PortCount), 26);
        QCOMPARE(PortTable[25].name, "MODULE2");
        QVERIFY(!frmStaticConfig->isVisible());

        const int rows[4] = {8, 8, 8, 2};
        QVERIFY(!win()->btnPrevPage->isEnabled());
        for (int p = 0; p < 4; ++p) {
            GoToPage(p);
            QCOMPARE(VisibleRows(), rows[p]);
            QCOMPARE(Ctl<QLabel>("lblNameP0", 1)->text(),
                     p < 3 ? QStringLiteral("PORT%1").arg(p * 8 + 1) : QStringLiteral("MODULE1"));
            QCOMPARE(win()->btnNextPage->isEnabled(), p < 3);
            QCOMPARE(win()->btnPrevPage->isEnabled(), p > 0);
        }
        QVERIFY(Ctl<QLineEdit>("edtInRateP0", 1)->isHidden());
        QVERIFY(Ctl<QLineEdit>("edtOutRateP0", 2)->isHidden());
        win()->btnPrevPage->click();
        QVERIFY(!Ctl<QLineEdit>("edtInRateP0", 8)->isHidden());
        QCOMPARE(Ctl<QComboBox>("cboSpdP0", 8)->count(), 4);
        // Paging is the window's own: nothing went to the console.
        QCOMPARE(h->keysTyped(), std::string("\r\b\r\b\r\b\r\b\r"));
    }

    void moduleTypesChooseTheSpeedLists_data() {
        QTest::addColumn<QString>("m1");
        QTest::addColumn<QString>("m2");
        QTest::addColumn<int>("count1");
        QTest::addColumn<int>("count2");
        QTest::newRow("fibre") << "1000FX"
                               << "100FX" << 1 << 1;
        QTest::newRow("no module") << "NC"
                                   << "1000TX" << 1 << 6;
    }
    void moduleTypesChooseTheSpeedLists() {
        QFETCH(QString, m1);
        QFETCH(QString, m2);
        QFETCH(int, count1);
        QFETCH(int, count2);
        sim::Options options;
        options.modules = {m1.toStdString(), m2.toStdString()};
        QVERIFY(ReachStaticMenu(options));
        QVERIFY(OpenPortWindow());
        GoToPage(3);
        QCOMPARE(Ctl<QComboBox>("cboSpdP0", 1)->count(), count1);
        QCOMPARE(Ctl<QComboBox>("cboSpdP0", 2)->count(), count2);
        QCOMPARE(Ctl<QComboBox>("cboSpdP0", 1)->currentText(),
                 m1 == "NC" ? QString() : LangText(308));
        QCOMPARE(Ctl<QComboBox>("cboSpdP0", 2)->currentText(),
                 m2 == "100FX" ? LangText(305) : LangText(308));
        if (m1 == "NC") QCOMPARE(Ctl<QComboBox>("cboSpdP0", 1)->itemText(0), QString("   NC    "));

        // A change on the module rows reaches the switch; the fixed speed
        // lists type no Space.
        const sim::SwitchState before = h->sim().state();
        Ctl<QCheckBox>("chkEnableP0", 1)->setChecked(false);
        Ctl<QComboBox>("cboAutoP0", 2)->setCurrentIndex(0);
        ApplyAndFinish();
        sim::SwitchState want = before;
        want.ports[24].enabled = false;
        want.ports[25].autoNego = "   FORCE  ";
        QVERIFY2(h->sim().state() == want, Diff(h->sim().state(), want).c_str());
    }

    void moduleTrunkShowsNoRatesAndAllSpeeds() {
        sim::Options options;
        sim::SwitchState initial = sim::FactoryState({"100FX", "100FX"});
        initial.trunks[1].isStatic = true;
        initial.trunks[1].members[24] = initial.trunks[1].members[25] = true;
        initial.trunks[0].isStatic = true;
        initial.trunks[0].members[0] = initial.trunks[0].members[1] = true;
        options.initial = initial;
        QVERIFY(ReachStaticMenu(options));
        QCOMPARE(ModuleTrunk, 1);
        QVERIFY(OpenPortWindow());
        QCOMPARE(int(PortCount), 24);
        QCOMPARE(PortTable[0].name, "TRUNK1");
        QVERIFY(!Ctl<QLineEdit>("edtInRateP0", 1)->isHidden());
        GoToPage(2);
        QCOMPARE(VisibleRows(), 8);
        QCOMPARE(Ctl<QLabel>("lblNameP0", 8)->text(), QStringLiteral("TRUNK2"));
        QVERIFY(Ctl<QLineEdit>("edtInRateP0", 8)->isHidden());
        QCOMPARE(Ctl<QComboBox>("cboSpdP0", 8)->count(), 6);
        QVERIFY(!win()->btnNextPage->isEnabled());

        // A change on the first trunk is stored on both its members.
        GoToPage(0);
        Ctl<QLineEdit>("edtInRateP0", 1)->setText("12");
        const sim::SwitchState before = h->sim().state();
        ApplyAndFinish();
        sim::SwitchState want = before;
        want.ports[0].inRate = want.ports[1].inRate = 12;
        QVERIFY2(h->sim().state() == want, Diff(h->sim().state(), want).c_str());
    }

    void applyWithoutChangesPassesEveryPage() {
        QVERIFY(ReachStaticMenu());
        QVERIFY(OpenPortWindow());
        const sim::SwitchState before = h->sim().state();
        h->clearKeysTyped();
        ApplyAndFinish();
        // Pages passed, Quit on the last, the static menu's resume Enter,
        // then the window's own Enter on Quit.
        QCOMPARE(h->keysTyped(), std::string("\b\r\b\r\b\r\r\r\r"));
        QVERIFY2(h->sim().state() == before, Diff(h->sim().state(), before).c_str());
        QCOMPARE(CurrentForm, int(FORM_STATIC));
    }

    void changesOnTheFirstAndLastPagesAreStored() {
        QVERIFY(ReachStaticMenu());
        QVERIFY(OpenPortWindow());
        const sim::SwitchState before = h->sim().state();
        Ctl<QLineEdit>("edtInRateP0", 1)->setText("100");
        Ctl<QLineEdit>("edtOutRateP0", 1)->setText("1000");
        Ctl<QCheckBox>("chkEnableP0", 1)->setChecked(false);
        Ctl<QComboBox>("cboAutoP0", 1)->setCurrentIndex(0); // AUTO -> FORCE, back
        Ctl<QComboBox>("cboSpdP0", 1)->setCurrentIndex(0);  // 100 Full -> 10 Half, back
        Ctl<QCheckBox>("chkFullP0", 1)->setChecked(false);
        Ctl<QCheckBox>("chkHalfP0", 1)->setChecked(true);
        Ctl<QComboBox>("cboAutoP0", 3)->setCurrentIndex(2); // forward
        Ctl<QComboBox>("cboSpdP0", 3)->setCurrentIndex(2);  // back by one
        Ctl<QLineEdit>("edtOutRateP0", 8)->setText("7");
        Ctl<QCheckBox>("chkEnableP0", 5)->setChecked(false); // off and on again
        Ctl<QCheckBox>("chkEnableP0", 5)->setChecked(true);
        GoToPage(3);
        Ctl<QCheckBox>("chkEnableP0", 1)->setChecked(false);
        Ctl<QComboBox>("cboAutoP0", 1)->setCurrentIndex(2);
        Ctl<QComboBox>("cboSpdP0", 1)->setCurrentIndex(4); // 1000 Full -> 1000 Half
        Ctl<QCheckBox>("chkFullP0", 2)->setChecked(false);
        ApplyAndFinish();

        sim::SwitchState want = before;
        sim::Port& p1 = want.ports[0];
        p1.inRate = 100;
        p1.outRate = 1000;
        p1.enabled = false;
        p1.autoNego = "   FORCE  ";
        p1.speed = "  10 Half";
        p1.flowFull = false;
        p1.flowHalf = true;
        want.ports[2].autoNego = "NWAY_FORCE";
        want.ports[2].speed = " 100 Half";
        want.ports[7].outRate = 7;
        want.ports[24].enabled = false;
        want.ports[24].autoNego = "NWAY_FORCE";
        want.ports[24].speed = "1000 Half";
        want.ports[25].flowFull = false;
        QVERIFY2(h->sim().state() == want, Diff(h->sim().state(), want).c_str());
    }

    void writesResumeAfterTheConsoleReturnsToTheMenu() {
        // Pages 2 and 3 changed: after each save the console goes back to
        // the static menu, the menu sends the console to the port screen
        // again and the write catches up page by page.
        QVERIFY(ReachStaticMenu());
        QVERIFY(OpenPortWindow());
        const sim::SwitchState before = h->sim().state();
        GoToPage(1);
        Ctl<QLineEdit>("edtInRateP0", 2)->setText("55"); // PORT10
        GoToPage(2);
        Ctl<QComboBox>("cboSpdP0", 8)->setCurrentIndex(1); // PORT24: 10 Full
        h->clearKeysTyped();
        ApplyAndFinish();
        // Page 1 passed, page 2 written and saved; Enter on the prompt, the
        // menu's Enter, two pages passed to catch up, page 3 written and
        // saved; again, three pages passed, Quit on the last page; the
        // menu's Enter, and the window's Enter on Quit.
        const std::string clean = "0\t0\t\t\t\t\t\t";
        std::string page2 = "\t\r" + clean + "55\t0\t\t\t\t\t\t";
        std::string page3 = "\t\r";
        for (int k = 0; k < 6; ++k)
            page2 += clean;
        for (int k = 0; k < 7; ++k)
            page3 += clean;
        page2 += "\x01\t\r";
        page3 += "0\t0\t\t\t  \t\t\t\x01\t\r";
        QCOMPARE(h->keysTyped(),
                 "\b\r" + page2 + "\r\r\b\r\b\r" + page3 + "\r\r\b\r\b\r\b\r\r\r\r");
        sim::SwitchState want = before;
        want.ports[9].inRate = 55;
        want.ports[23].speed = "  10 Full";
        QVERIFY2(h->sim().state() == want, Diff(h->sim().state(), want).c_str());
    }

    void badRatesAreRefusedBeforeAnythingIsTyped_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("rangeMessage");
        QTest::newRow("english") << 0
                                 << "Invalid value of InRate for PORT2\n(Value range: 0 - 1000)";
        QTest::newRow("traditional chinese")
            << 2 << QStringLiteral("PORT2 的 InRate 值是不合法的 \n\n ( 值域範圍: 0 - 1000 ) ");
    }
    void badRatesAreRefusedBeforeAnythingIsTyped() {
        QFETCH(int, language);
        QFETCH(QString, rangeMessage);
        QVERIFY(ReachStaticMenu({}, language));
        QCOMPARE(LanguageId, language == 2 ? int32_t(0x404) : int32_t(0));
        QVERIFY(OpenPortWindow());
        const sim::SwitchState before = h->sim().state();
        QLineEdit* edit = Ctl<QLineEdit>("edtInRateP0", 2);
        h->clearKeysTyped();
        for (const char* text : {"1001", "-1", "abc"}) {
            edit->setText(text);
            win()->btnSave->click();
            QCOMPARE(edit->text(), QStringLiteral("0"));
            QCOMPARE(win()->focusWidget(), edit);
            h->runFor(1000);
        }
        QCOMPARE(boxes.size(), 3);
        QCOMPARE(boxes[0].text, rangeMessage);
        QCOMPARE(boxes[1].text, rangeMessage);
        QVERIFY2(boxes[2].text.startsWith("'abc'"), qPrintable(boxes[2].text));
        QCOMPARE(boxes[2].caption, LangText(402));
        QVERIFY(!Saving && win()->isEnabled());
        QCOMPARE(h->keysTyped(), std::string());
        QVERIFY(h->sim().state() == before);
    }

    void exitTypesOnlyTheCloseKey() {
        QVERIFY(ReachStaticMenu());
        QVERIFY(OpenPortWindow());
        const sim::SwitchState before = h->sim().state();
        Ctl<QLineEdit>("edtInRateP0", 4)->setText("300"); // dropped by Exit
        h->clearKeysTyped();
        win()->btnQuit->click();
        QVERIFY(
            h->runUntil([this] { return !frmPortConfig.exists() && StaticMenuInFront(); }, 20000));
        QCOMPARE(h->keysTyped(), std::string("\r"));
        QCOMPARE(LastPortIndex, -1);
        QVERIFY(boxes.isEmpty());
        QVERIFY(h->sim().state() == before);

        // The next visit reads afresh into a new window.
        QVERIFY(OpenPortWindow());
        QCOMPARE(int(PortCount), 26);
        QCOMPARE(Ctl<QLineEdit>("edtInRateP0", 4)->text(), QStringLiteral("0"));
    }
};

QTEST_MAIN(PortFlowTest)
#include "tst_port_flow.moc"
