// What the configuration windows (trunk, misc, VLAN support, port) do alike:
// Exit with changes not applied asks first, a close waits for an Apply's
// answer, and a hang-up or reboot in the middle of an Apply stores nothing.
#include "engine/LinkWatchdog.h"
#include "engine/SerialLink.h"
#include "forms/session/SessionEnd.h"
#include "tests/harness/ConfigSession.h"

#include <QtTest>

namespace {

bool VlanMenuUp() {
    return Up(frmVlanConfig.get()) && !VlanProbe;
}

// A window: how the static menu opens it, one change through its controls,
// the keys its Exit types, and the console's edit screen with the keys of
// a whole Apply.
struct Window {
    const char* name;
    int form;
    bool (*open)(ConfigSession&);
    void (*change)();
    const char* exitKeys;
    const char* editScreen;
    int applyKeys;
};
const Window kWindows[] = {
    {"trunk", FORM_TRUNK, [](ConfigSession& s) { return s.OpenTrunkWindow(); },
     [] {
         QTest::mouseClick(TrunkCell(3, 1), Qt::LeftButton);
         QTest::mouseClick(TrunkCell(3, 2), Qt::LeftButton);
     },
     "\t\t\r", "edit:trunk", 188},
    {"misc", FORM_MISC, [](ConfigSession& s) { return s.OpenMiscWindow(); },
     [] { frmMiscConfigX->chkAutoAging->click(); }, "\b\r", "edit:misc", 18},
    {"VLAN support", FORM_VLANSUPPORT,
     [](ConfigSession& s) {
         frmStaticConfig->btnVlanConfig->click();
         if (!s.h->runUntil(VlanMenuUp, 30000)) return false;
         frmVlanConfig->btnConfig->click();
         return s.h->runUntil([] { return Up(frmVlanSupport.get()); }, 60000);
     },
     [] { frmVlanSupport->PvidEdit(20)->setText("20"); }, "\r", "edit:vlansupport", 30},
    {"port", FORM_PORT, [](ConfigSession& s) { return s.OpenPortWindow(); },
     [] { steps::Ctl<QLineEdit>(frmPortConfig.get(), "edtOutRateP0", 3)->setText("55"); }, "\r", "",
     0},
};
enum { Trunk, Misc, VlanSupport, Port };

TForm* Shown(const Window& w) {
    return WindowOf(w.form);
}
QPushButton* Button(const Window& w, const char* name) {
    return steps::Ctl<QPushButton>(Shown(w), QLatin1String(name));
}
// The menu the window returns to is up again.
bool MenuBack(ConfigSession& s, const Window& w) {
    return w.form == FORM_VLANSUPPORT ? s.h->runUntil(VlanMenuUp, 60000) : s.StaticMenuBack();
}
void WindowRows(std::initializer_list<int> windows) {
    QTest::addColumn<int>("row");
    for (int w : windows)
        QTest::newRow(kWindows[w].name) << w;
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
    void exitAsksAboutChanges_data() { WindowRows({Trunk, Misc, VlanSupport, Port}); }
    void exitAsksAboutChanges() {
        QFETCH(int, row);
        const Window& window = kWindows[row];
        const std::string exitKeys = window.exitKeys;
        ConfigSession s;
        QVERIFY(s.Open(Dot1qSwitch()) && window.open(s));
        const sim::SwitchState before = s.sim().state();
        s.Typed();
        Button(window, "btnQuit")->click();
        QVERIFY(MenuBack(s, window) && s.boxes.isEmpty());
        QCOMPARE(s.Typed(), exitKeys);
        if (window.form == FORM_VLANSUPPORT) {
            frmVlanConfig->btnPrevMenu->click();
            QVERIFY(s.StaticMenuBack());
        }
        QVERIFY(window.open(s));
        window.change();
        s.Typed();
        Button(window, "btnQuit")->click();
        const QString question = LangText(1387).trimmed();
        QCOMPARE(s.boxes.texts(), QStringList{question});
        s.h->runFor(1000);
        QVERIFY(Up(Shown(window)));
        QCOMPARE(s.Typed(), std::string());
        if (window.form == FORM_PORT) {
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
        QCOMPARE(s.Typed(), exitKeys);
        QVERIFY(s.sim().state() == before);
    }

    // Between an Apply and the switch's answer the window cannot be closed,
    // not even by the program (the window system's close is refused anyway,
    // the window being disabled): closed, the busy window would stay over a
    // console waiting for a key. The answer then closes it, asking nothing.
    void closeWaitsForTheSavesAnswer_data() { WindowRows({Trunk, Misc, Port}); }
    void closeWaitsForTheSavesAnswer() {
        QFETCH(int, row);
        const Window& window = kWindows[row];
        ConfigSession s;
        QVERIFY(s.Open(Dot1qSwitch()) && window.open(s));
        window.change();
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
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("hangUp"); // else a reboot
        for (int w : {Trunk, Misc, VlanSupport}) {
            QTest::addRow("%s: hang-up", kWindows[w].name) << w << true;
            QTest::addRow("%s: reboot", kWindows[w].name) << w << false;
        }
    }
    void faultDuringApply() {
        QFETCH(int, row);
        QFETCH(bool, hangUp);
        const Window& w = kWindows[row];
        ConfigSession s;
        sim::Options o = Dot1qSwitch();
        const sim::SwitchState before = *o.initial;
        (hangUp ? o.faults.hangUpAt : o.faults.powerCycleAt) = w.editScreen;
        QVERIFY(s.Open(o) && w.open(s));
        w.change();
        s.Typed();
        Button(w, "btnSave")->click();
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
            QVERIFY2(int(typed.size()) < w.applyKeys, qPrintable(QString::number(typed.size())));
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
