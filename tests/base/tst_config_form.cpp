// What every configuration window does alike (trunk, misc, VLAN support and
// port): Exit with changes not applied asks first and No keeps everything;
// and faults on the line in the middle of an Apply, injected by the simulated
// switch when its screen goes into edit mode: a hang-up ends the session
// (message, Welcome window back, nothing stored); a reboot drops the keys
// still queued, types nothing into the booting switch and says the settings
// were not saved.
#include "engine/LinkWatchdog.h"
#include "engine/SerialLink.h"
#include "forms/session/SessionEnd.h"
#include "tests/harness/ConfigSession.h"

#include <QtTest>

namespace {

enum Window { Trunk, Misc, VlanSupport, Port };

TForm* Shown(int window) {
    switch (window) {
    case Trunk:
        return frmTrkConfig.get();
    case Misc:
        return frmMiscConfigX.get();
    case VlanSupport:
        return frmVlanSupport.get();
    default:
        return frmPortConfig.get();
    }
}
QPushButton* Button(int window, const char* name) {
    return steps::Ctl<QPushButton>(Shown(window), QLatin1String(name));
}

// The window up, or false.
bool Open(ConfigSession& s, int window) {
    switch (window) {
    case Trunk:
        return s.OpenTrunkWindow();
    case Misc:
        return s.OpenMiscWindow();
    case Port:
        return s.OpenPortWindow();
    default:
        frmStaticConfig->btnVlanConfig->click();
        if (!s.h->runUntil([] { return Up(frmVlanConfig.get()) && !VlanProbe; }, 30000))
            return false;
        frmVlanConfig->btnConfig->click();
        return s.h->runUntil([] { return Up(frmVlanSupport.get()); }, 60000);
    }
}

// One change in the window, through its controls.
void Change(int window) {
    switch (window) {
    case Trunk:
        QTest::mouseClick(TrunkCell(3, 1), Qt::LeftButton);
        QTest::mouseClick(TrunkCell(3, 2), Qt::LeftButton);
        break;
    case Misc:
        frmMiscConfigX->chkAutoAging->click();
        break;
    case VlanSupport:
        frmVlanSupport->PvidEdit(20)->setText("20");
        break;
    default:
        steps::Ctl<QLineEdit>(frmPortConfig.get(), "edtOutRateP0", 3)->setText("55");
    }
}

// The menu the window returns to is up again.
bool MenuBack(ConfigSession& s, int window) {
    if (window == VlanSupport)
        return s.h->runUntil([] { return Up(frmVlanConfig.get()) && !VlanProbe; }, 60000);
    return s.StaticMenuBack();
}

bool AnyWindowLeft() {
    return frmTrkConfig.exists() || frmMiscConfigX.exists() || frmVlanSupport.exists() ||
           frmVlanConfig.exists() || frmStaticConfig.exists() || frmMain.exists();
}

sim::Options Dot1qSwitch() {
    sim::Options o;
    o.initial = sim::FactoryState();
    o.initial->vlanMode = sim::kModeDot1q;
    return o;
}

} // namespace

class ConfigFormTest : public QObject {
    Q_OBJECT

private slots:
    // Exit without a change asks nothing and leaves with the window's keys.
    // After a change Exit asks: No keeps the window, the change and types
    // nothing; the title bar's close asks too, and Yes leaves the switch as
    // it was. The port window also asks about a change on a page left, and
    // not once the switch has reported an Apply.
    void exitAsksAboutChanges_data() {
        QTest::addColumn<int>("window");
        QTest::addColumn<QByteArray>("exitKeys");
        QTest::newRow("trunk") << int(Trunk) << QByteArray("\t\t\r");
        QTest::newRow("misc") << int(Misc) << QByteArray("\b\r");
        QTest::newRow("VLAN support") << int(VlanSupport) << QByteArray("\r");
        QTest::newRow("port") << int(Port) << QByteArray("\r");
    }
    void exitAsksAboutChanges() {
        QFETCH(int, window);
        QFETCH(QByteArray, exitKeys);
        ConfigSession s;
        QVERIFY(s.Open(Dot1qSwitch()) && Open(s, window));
        const sim::SwitchState before = s.sim().state();
        s.Typed();
        Button(window, "btnQuit")->click();
        QVERIFY(MenuBack(s, window) && s.boxes.isEmpty());
        QCOMPARE(QByteArray::fromStdString(s.Typed()), exitKeys);
        if (window == VlanSupport) {
            frmVlanConfig->btnPrevMenu->click();
            QVERIFY(s.StaticMenuBack());
        }
        QVERIFY(Open(s, window));
        Change(window);
        s.Typed();
        Button(window, "btnQuit")->click();
        const QString question = LangText(1387).trimmed();
        QCOMPARE(s.boxes.texts(), QStringList{question});
        s.h->runFor(1000);
        QVERIFY(Up(Shown(window)));
        QCOMPARE(s.Typed(), std::string());
        if (window == Port) {
            frmPortConfig->btnNextPage->click(); // the change now sits on a page left
            frmPortConfig->btnQuit->click();
            QCOMPARE(s.boxes.size(), 2);
            frmPortConfig->btnSave->click();
            QVERIFY(s.StaticMenuBack() && !frmPortConfig.exists());
            // Only the completion message came after: closing asked nothing.
            QCOMPARE(s.boxes.texts().count(question), 2);
            QCOMPARE(s.boxes.size(), 3);
            QCOMPARE(s.sim().state().ports[2].outRate, 55);
            return;
        }
        s.boxes.answer = platform::IDYES;
        Shown(window)->close();
        QCOMPARE(s.boxes.size(), 2);
        QVERIFY(MenuBack(s, window) && !Shown(window));
        QCOMPARE(QByteArray::fromStdString(s.Typed()), exitKeys);
        QVERIFY(s.sim().state() == before);
    }

    // Between an Apply and the switch's answer the window cannot be closed,
    // not even by the program (the window system's close is refused anyway,
    // the window being disabled): closed, the busy window would stay over a
    // console waiting for a key. The answer then closes it, asking nothing.
    void closeWaitsForTheSavesAnswer_data() {
        QTest::addColumn<int>("window");
        QTest::newRow("trunk") << int(Trunk);
        QTest::newRow("misc") << int(Misc);
        QTest::newRow("port") << int(Port);
    }
    void closeWaitsForTheSavesAnswer() {
        QFETCH(int, window);
        ConfigSession s;
        QVERIFY(s.Open(Dot1qSwitch()) && Open(s, window));
        Change(window);
        Button(window, "btnSave")->click();
        s.Typed();
        Shown(window)->Close();
        QVERIFY(Shown(window) && !Shown(window)->Freed());
        QVERIFY(s.boxes.isEmpty());
        QVERIFY(s.StaticMenuBack());
        QCOMPARE(s.boxes.size(), 1);                           // the save's own answer, no question
        QVERIFY(!(s.sim().state() == *Dot1qSwitch().initial)); // the change stored
    }

    void faultDuringApply_data() {
        QTest::addColumn<int>("window");
        QTest::addColumn<QString>("editScreen");
        QTest::addColumn<int>("applyKeys"); // the whole Apply, had it gone through
        QTest::addColumn<bool>("hangUp");   // else a reboot
        const struct {
            const char* name;
            int window;
            const char* screen;
            int keys;
        } windows[] = {{"trunk", Trunk, "edit:trunk", 188},
                       {"misc", Misc, "edit:misc", 18},
                       {"VLAN support", VlanSupport, "edit:vlansupport", 30}};
        for (const auto& w : windows) {
            QTest::addRow("%s: hang-up", w.name) << w.window << w.screen << w.keys << true;
            QTest::addRow("%s: reboot", w.name) << w.window << w.screen << w.keys << false;
        }
    }
    void faultDuringApply() {
        QFETCH(int, window);
        QFETCH(QString, editScreen);
        QFETCH(int, applyKeys);
        QFETCH(bool, hangUp);
        ConfigSession s;
        sim::Options o = Dot1qSwitch();
        const sim::SwitchState before = *o.initial;
        (hangUp ? o.faults.hangUpAt : o.faults.powerCycleAt) = editScreen.toStdString();
        QVERIFY(s.Open(o) && Open(s, window));
        Change(window);
        s.Typed();
        Button(window, "btnSave")->click();
        QVERIFY(Saving);

        if (hangUp) {
            QVERIFY(s.h->runUntil([&s] { return !s.boxes.isEmpty(); }, 10000));
            QCOMPARE(s.boxes.pairs(),
                     QStringList({LangText(1223), LinkFaultMessage(LinkFaultHungUp)}));
            QVERIFY(!IsLinkOpen() && !IsSendPending() && !Saving);
            QVERIFY(frmWelcome->isVisible() && frmWelcome->btnConnect->isEnabled());
            QCOMPARE(CurrentForm, int32_t(FORM_WELCOME));
        } else {
            QVERIFY(s.h->runUntil([] { return SwitchRestarted; }, 10000));
            // Dropped at the first self-test line, before the whole Apply
            // was out.
            QVERIFY(!IsSendPending() && !Saving);
            const std::string typed = s.Typed();
            QVERIFY2(int(typed.size()) < applyKeys, qPrintable(QString::number(typed.size())));
            QCOMPARE(s.boxes.pairs(), QStringList({LangText(1225), MessageText(1335)}));
            QVERIFY(s.h->runUntil([] { return Up(frmLogin.get()); }, 30000));
            QCOMPARE(QByteArray::fromStdString(s.Typed()).toHex(), QByteArray());
        }
        QVERIFY(!AnyWindowLeft()); // a reboot's login page drops them too
        QVERIFY(s.sim().state() == before);
    }
};

QTEST_MAIN(ConfigFormTest)
#include "tst_config_form.moc"
