// Faults on the line in the middle of a trunk, misc or VLAN support Apply,
// injected by the simulated switch when its screen goes into edit mode: a
// hang-up ends the session (message, Welcome window back, nothing stored);
// a reboot drops the keys still queued, types nothing into the booting
// switch and says the settings were not saved.
#include "tests/config/ConfigSession.h"

#include "engine/LinkWatchdog.h"
#include "engine/SerialLink.h"
#include "forms/session/SessionEnd.h"
#include "forms/vlan/Vlanconfigform.h"
#include "forms/vlan/Vlansupportform.h"

#include <QtTest>

namespace {

enum Window { Trunk, Misc, VlanSupport };

// The window up and one change made in it: its Apply button, or null when
// the window did not come up.
QPushButton* OpenAndChange(ConfigSession& s, int window) {
    switch (window) {
    case Trunk:
        if (!s.OpenTrunkWindow()) return nullptr;
        QTest::mouseClick(TrunkCell(3, 1), Qt::LeftButton);
        QTest::mouseClick(TrunkCell(3, 2), Qt::LeftButton);
        return frmTrkConfig->btnSave;
    case Misc:
        if (!s.OpenMiscWindow()) return nullptr;
        frmMiscConfigX->chkAutoAging->click();
        return frmMiscConfigX->btnSave;
    default:
        frmStaticConfig->btnVlanConfig->click();
        if (!s.h->runUntil([] { return Up(frmVlanConfig.get()) && !VlanProbe; }, 30000))
            return nullptr;
        frmVlanConfig->btnConfig->click();
        if (!s.h->runUntil([] { return Up(frmVlanSupport.get()); }, 60000)) return nullptr;
        frmVlanSupport->PvidEdit(20)->setText("20");
        return frmVlanSupport->btnSave;
    }
}

bool AnyWindowLeft() {
    return frmTrkConfig.exists() || frmMiscConfigX.exists() || frmVlanSupport.exists() ||
           frmVlanConfig.exists() || frmStaticConfig.exists() || frmMain.exists();
}

} // namespace

class ConfigFaultsTest : public QObject {
    Q_OBJECT

private slots:
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
        sim::Options o;
        o.initial = sim::FactoryState();
        o.initial->vlanMode = sim::kModeDot1q;
        const sim::SwitchState before = *o.initial;
        (hangUp ? o.faults.hangUpAt : o.faults.powerCycleAt) = editScreen.toStdString();
        QVERIFY(s.Open(o));
        QPushButton* apply = OpenAndChange(s, window);
        QVERIFY(apply);
        s.Typed();
        apply->click();
        QVERIFY(Saving);

        if (hangUp) {
            QVERIFY(s.h->runUntil([&s] { return !s.boxes.isEmpty(); }, 10000));
            QCOMPARE(s.boxes, QStringList{LinkFaultMessage(LinkFaultHungUp)});
            QCOMPARE(s.captions[0], LangText(1223));
            QVERIFY(!IsLinkOpen() && !IsSendPending() && !Saving);
            QVERIFY(frmWelcome->isVisible() && frmWelcome->btnConnect->isEnabled());
            QCOMPARE(CurrentForm, int32_t(FORM_WELCOME));
            QVERIFY(!AnyWindowLeft());
        } else {
            QVERIFY(s.h->runUntil([] { return SwitchRestarted; }, 10000));
            // Dropped at the first self-test line, before the whole Apply
            // was out.
            QVERIFY(!IsSendPending() && !Saving);
            const std::string typed = s.Typed();
            QVERIFY2(int(typed.size()) < applyKeys, qPrintable(QString::number(typed.size())));
            QCOMPARE(s.boxes, QStringList{MessageText(1335)});
            QCOMPARE(s.captions[0], LangText(1225));
            QVERIFY(s.h->runUntil([] { return Up(frmLogin.get()); }, 30000));
            QCOMPARE(QByteArray::fromStdString(s.Typed()).toHex(), QByteArray());
            QVERIFY(!AnyWindowLeft()); // the login page drops them
        }
        QVERIFY(s.sim().state() == before);
        frmVlanSupport.clear();
        frmVlanConfig.clear();
    }
};

QTEST_MAIN(ConfigFaultsTest)
#include "tst_config_faults.moc"
