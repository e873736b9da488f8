// The VLAN menu and support window end to end, and the VLAN windows under
// Traditional Chinese: keys typed and the switch's stored state after each change.
#include "tests/harness/TableRows.h"
#include "tests/vlan/VlanFlow.h"

namespace {

// Modes chosen in one visit of the support window (0 Disabled, 1 PortBased,
// 2 802.1Q), the keys they type, and how the window is left.
struct ModeVisit {
    const char* tag;
    bool fromDot1q;
    std::vector<int> modes;
    std::string keys;
    const char* leave; // "apply", "exit asks", "exit"
};
// clang-format off
const ModeVisit kModeVisits[] = {
    {"Disabled -> PortBased -> 802.1Q, Apply", false, {1, 2},
     "\t\r \x01\b\t\r \x01\b" + kPages, "apply"},
    {"802.1Q -> Disabled, Exit asks", true, {0}, "\t\r \x01\b", "exit asks"},
    {"802.1Q -> Disabled -> 802.1Q, Exit", true, {0, 2},
     "\t\r \x01\b\t\r  \x01\b" + kPages, "exit"},
};
// clang-format on

} // namespace

class VlanFlowTest : public QObject, public VlanFlow {
    Q_OBJECT

    // Exit on the support window, the question (when `asks`) answered No:
    // the window stays and nothing is typed; then Yes. Back at the menu
    // with Quit's Enter only.
    void ExitSupport(bool asks) {
        boxes.answer = platform::IDNO;
        h->clearKeysTyped();
        support()->btnQuit->click();
        if (asks) {
            QCOMPARE(boxes.size(), 1);
            QCOMPARE(boxes.takeFirst().text, LangText(1387).trimmed());
            h->runFor(1000);
            QVERIFY(Up(support()));
            QCOMPARE(h->keysTyped(), std::string());
            boxes.answer = platform::IDYES;
            support()->btnQuit->click();
            QCOMPARE(boxes.size(), 1);
            boxes.clear();
        }
        QVERIFY(BackAtMenu());
        QCOMPARE(h->keysTyped(), std::string("\r"));
        QVERIFY(boxes.isEmpty());
    }

private slots:
    void init() { StartCase(); }
    void cleanup() { EndCase(); }

    // Disabled -> PortBased, applied: the menu offers the group buttons, and
    // the group list, empty, says so.
    void portBasedEnablesTheGroupButtons() {
        QVERIFY(Open(sim::FactoryState()));
        QVERIFY(!frmVlanConfig->btnCreate->isEnabled() && !frmVlanConfig->btnEdit->isEnabled());
        QVERIFY(OpenSupport());
        QCOMPARE(h->keysTyped(), std::string("\r"));
        QVERIFY(support()->pnlPVID->isHidden());
        QVERIFY(!support()->btnSave->isEnabled()); // nothing could be written
        h->clearKeysTyped();
        ChooseMode(1);
        QVERIFY(h->runUntil([this] { return Up(support()); }));
        QCOMPARE(h->keysTyped(), std::string("\t\r \x01\b"));
        QVERIFY(support()->btnSave->isEnabled());
        QVERIFY(Click(support()->btnSave, MenuUp));
        QCOMPARE(h->keysTyped(), std::string("\t\t\r\r"));
        ExpectBox(Texts(1301, 1302), 1214);
        QVERIFY(frmVlanConfig->btnCreate->isEnabled());
        QVERIFY(frmVlanConfig->btnEdit->isEnabled());
        sim::SwitchState want = before;
        want.vlanMode = sim::kModePortBased;
        QCOMPARE(h->sim().state(), want);

        QVERIFY(OpenList());
        QCOMPARE(list()->lbxVlanGroups->count(), 0);
        list()->lbxVlanGroupsClick();
        ExpectBox(DecodeText(GetLangText(1314)), 1218);
        QVERIFY(!list()->btnEdit->isEnabled());
    }

    // The menu remembers the item last chosen: back from the group list
    // (item 2), VLAN Configure moves back two. Apply without a change passes
    // every page with its page key and still reports. 802.1Q -> Disabled is
    // one Space round; Previous Menu then moves from item 0 to item 3.
    void applyUnchangedThenDisableAndLeave() {
        QVERIFY(Open(Dot1q()));
        QVERIFY(OpenList());
        QCOMPARE(h->keysTyped(), std::string("\t\t\r"));
        QVERIFY(Click(list()->btnQuit, MenuUp));
        QCOMPARE(h->keysTyped(), std::string("\r"));
        QVERIFY(OpenSupport());
        QCOMPARE(h->keysTyped(), "\b\b\r" + kPages);
        steps::SaveScreenshot(support(), QStringLiteral("vlan-support"));
        QVERIFY(Click(support()->btnSave, MenuUp));
        QCOMPARE(h->keysTyped(), std::string("\b\r\b\r\b\r\t\t\r\r"));
        ExpectBox(Texts(1301, 1302), 1214);
        QCOMPARE(h->sim().state(), before);

        QVERIFY(OpenSupport());
        h->clearKeysTyped();
        ChooseMode(0);
        QVERIFY(h->runUntil([this] { return Up(support()); }));
        QVERIFY(Click(support()->btnSave, MenuUp));
        QVERIFY(!frmVlanConfig->btnCreate->isEnabled());
        QVERIFY(!frmVlanConfig->btnEdit->isEnabled());
        QVERIFY(Click(frmVlanConfig->btnPrevMenu, [] { return Up(frmStaticConfig.get()); }));
        QCOMPARE(h->keysTyped(), std::string("\t\t\t\r"));
        QVERIFY(!frmVlanConfig.exists());
        sim::SwitchState want = before;
        want.vlanMode = sim::kModeDisabled;
        QCOMPARE(h->sim().state(), want);
    }

    void pvidRange_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("passes");
        QTest::newRow("0") << "0" << false;
        QTest::newRow("256") << "256" << false;
        QTest::newRow("-5") << "-5" << false;
        QTest::newRow("1") << "1" << true;
        QTest::newRow("255") << "255" << true;
    }
    void pvidRange() {
        QFETCH(QString, text);
        QFETCH(bool, passes);
        QVERIFY(Open(Dot1q()));
        QVERIFY(OpenSupport());
        Pvid(3)->setText(text);
        h->clearKeysTyped();
        support()->btnSave->click();
        if (!passes) {
            ExpectBox(QStringLiteral("Invalid PVID value for PORT3.\nPlease input again."), 602);
            QCOMPARE(Pvid(3)->text(), QStringLiteral("1"));
            h->runFor(1000);
            QCOMPARE(h->keysTyped(), std::string());
            QVERIFY(support()->isEnabled() && !Saving);
            return;
        }
        QVERIFY(BackAtMenu());
        ExpectBox(Texts(1301, 1302), 1214);
        sim::SwitchState want = before;
        want.ports[2].pvid = text.toInt();
        QCOMPARE(h->sim().state(), want);
        QVERIFY(OpenSupport()); // read back as stored
        QCOMPARE(support()->cboVlanMode->currentText(), QStringLiteral("802.1Q   "));
        QCOMPARE(Pvid(3)->text(), text);
    }

    // Modes changed in one visit: each change types its keys at once (k
    // Spaces forward over Disabled, PortBased, 802.1Q), a change into 802.1Q
    // reads the four PVID pages and fills the table from the switch. Apply
    // stores the last mode; Exit asks only while the mode shown is not the
    // stored one (back at it, the console holds nothing to lose).
    void modeChangesInOneVisit_data() { TableRows(kModeVisits); }
    void modeChangesInOneVisit() {
        const ModeVisit& r = CurrentRow(kModeVisits);
        const std::vector<int>& modes = r.modes;
        const std::string leave = r.leave;
        sim::SwitchState start = r.fromDot1q ? Dot1q() : sim::FactoryState();
        start.ports[20].pvid = 7; // kept by the switch in every mode
        QVERIFY(Open(start));
        QVERIFY(OpenSupport());
        h->clearKeysTyped();
        for (int mode : modes) {
            ChooseMode(mode);
            QVERIFY(h->runUntil([this] { return Up(support()); }));
        }
        QCOMPARE(Shown(h->keysTyped()), Shown(r.keys));
        const bool dot1q = modes.back() == 2;
        QCOMPARE(support()->pnlPVID->isHidden(), !dot1q);
        if (dot1q) {
            QVERIFY(support()->TableComplete);
            QCOMPARE(support()->PortLabel(25)->text(), QStringLiteral("MOD_1"));
            QVERIFY(!support()->PortPanel(26)->isHidden());
            QCOMPARE(Pvid(21)->text(), QStringLiteral("7"));
        }
        sim::SwitchState want = before;
        if (leave == "apply") {
            QVERIFY(Click(support()->btnSave, MenuUp));
            QCOMPARE(h->keysTyped(), std::string("\b\r\b\r\b\r\t\t\r\r"));
            ExpectBox(Texts(1301, 1302), 1214);
            want.vlanMode = sim::kModeDot1q;
        } else {
            ExitSupport(leave == "exit asks");
            if (QTest::currentTestFailed()) return;
        }
        QCOMPARE(h->sim().state(), want);
    }

    // The window system's close while a window waits for the switch (keys
    // of a mode change or a Delete still going out) is refused: no
    // question, no keys of its own. The switch's answer comes as usual and
    // the window goes on from there.
    void closeWhileWaitingIsRefused_data() {
        QTest::addColumn<bool>("deleting");
        QTest::newRow("VLAN support, re-read after a mode change") << false;
        QTest::newRow("group list, Delete") << true;
    }
    void closeWhileWaitingIsRefused() {
        QFETCH(bool, deleting);
        sim::SwitchState start = Dot1q();
        start.dot1qGroups.push_back({5, "g5", {}});
        QVERIFY(Open(start));
        sim::SwitchState want = before;
        TForm* window = nullptr;
        std::string keys;
        if (deleting) {
            QVERIFY(OpenList());
            Select(1);
            h->clearKeysTyped();
            list()->btnDelete->click(); // the question: Yes
            boxes.clear();
            window = list();
            keys = "\t\t\r\t\r"; // from Quit to Delete, row 2
            want.dot1qGroups.erase(want.dot1qGroups.begin() + 1);
        } else {
            QVERIFY(OpenSupport());
            h->clearKeysTyped();
            ChooseMode(0);
            window = support();
            keys = "\t\r \x01\b";
            want.vlanMode = sim::kModeDisabled;
        }
        QVERIFY(h->runUntil([this] { return h->keysTyped().size() == 2; }));
        QVERIFY(!window->isEnabled());
        window->close(); // the title bar's close
        QVERIFY(window->isVisible() && !window->Freed());
        QVERIFY(boxes.isEmpty());
        QVERIFY(h->runUntil([&] { return Up(window) && (!deleting || boxes.size() == 1); }));
        QCOMPARE(Shown(h->keysTyped()), Shown(keys));
        if (deleting) {
            ExpectBox(DecodeText(GetLangText(1305)), 1217);
            QVERIFY(Click(list()->btnQuit, MenuUp));
        } else {
            QVERIFY(Click(support()->btnSave, MenuUp));
            ExpectBox(Texts(1301, 1302), 1214);
        }
        QCOMPARE(h->sim().state(), want);
    }

    // Under Traditional Chinese: 26 ports over four pages, every column of
    // the PVID table shown, a refusal in the language; each VLAN window opens.
    void windowsUnderTraditionalChinese() {
        QVERIFY(Open(Dot1q(), 2));
        QVERIFY(OpenSupport());
        QCOMPARE(h->keysTyped(), "\r" + kPages);
        QCOMPARE(int(PortCount), 26);
        steps::SaveScreenshot(support(), QStringLiteral("vlan-support"), 2);
        for (const char* header : {"lblPort2", "lblPVID2", "lblPort3", "lblPVID3"})
            QVERIFY(!support()->pnlPVID->findChild<QLabel*>(header)->isHidden());
        Pvid(3)->setText("0");
        support()->btnSave->click();
        ExpectBox(QStringLiteral("PORT3 的 PVID 值是不合法的\n\n 請重新輸入"), 602);
        QVERIFY(Click(support()->btnQuit, MenuUp));
        QVERIFY(OpenCreate());
        steps::SaveScreenshot(group(), QStringLiteral("vlan-group"), 2);
        QVERIFY(Click(group()->btnQuit, MenuUp));
        QVERIFY(OpenList());
        steps::SaveScreenshot(list(), QStringLiteral("vlan-group-list"), 2);
        QCOMPARE(h->sim().state(), before);
    }
};

QTEST_MAIN(VlanFlowTest)
#include "tst_vlan_flow.moc"
