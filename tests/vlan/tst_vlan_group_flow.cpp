// VLAN groups end to end: creating, refusals, editing, the group list and
// deleting; the keys typed and the switch's stored state are checked after
// every change.
#include "tests/vlan/VlanFlow.h"

class VlanGroupFlowTest : public QObject, public VlanFlow {
    Q_OBJECT

private slots:
    void initTestCase() { QuietenOffscreen(); }
    void init() { StartCase(); }
    void cleanup() { EndCase(); }

    // ---- VLAN groups

    void createGroup_data() {
        QTest::addColumn<bool>("dot1q");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("id");
        QTest::addColumn<std::vector<int>>("members"); // port, choice, ...
        QTest::addColumn<QByteArray>("keys");
        QTest::newRow("port-based") << false << "eng"
                                    << "12" << std::vector<int>{1, 1, 26, 1}
                                    << QByteArray("\t\reng\t12\t \t\t\t\t\t\t\t\x01\b\b\r"
                                                  "\b\r\b\r"
                                                  "\t\reng\t12\t\t \x01\b\t\t\r\r");
        QTest::newRow("802.1Q") << true << "sales"
                                << "10" << std::vector<int>{1, 1, 2, 2, 26, 2}
                                << QByteArray("\t\rsales\t10\t \t  \t\t\t\t\t\t\x01\b\b\r"
                                              "\b\r\b\r"
                                              "\t\rsales\t10\t\t  \x01\b\t\t\r\r");
    }
    void createGroup() {
        QFETCH(bool, dot1q);
        QFETCH(QString, name);
        QFETCH(QString, id);
        QFETCH(std::vector<int>, members);
        QFETCH(QByteArray, keys);
        sim::SwitchState start = sim::FactoryState();
        start.vlanMode = dot1q ? sim::kModeDot1q : sim::kModePortBased;
        QVERIFY(Open(start));
        QVERIFY(OpenCreate());
        QCOMPARE(h->keysTyped(), "\t\r" + kPages);
        QCOMPARE(group()->lblRange->text(), dot1q ? "(1 - 4094)" : "(1 - 26)");
        QCOMPARE(group()->MemberList(1)->count(), dot1q ? 3 : 2);
        QCOMPARE(group()->MemberList(1)->itemText(1), dot1q ? "UnTagged" : "Member");
        QCOMPARE(group()->edtVlanID->maxLength(), dot1q ? 4 : 2);
        group()->edtVlanName->setText(name);
        group()->edtVlanID->setText(id);
        sim::VlanGroup want{id.toInt(), name.toStdString(), {}};
        for (size_t i = 0; i < members.size(); i += 2) {
            SetMember(members[i], members[i + 1]);
            want.member[static_cast<size_t>(members[i] - 1)] = members[i + 1];
        }
        QVERIFY(Click(group()->btnSave, MenuUp));
        QVERIFY2(QByteArray::fromStdString(h->keysTyped()) == keys,
                 Shown(h->keysTyped()).constData());
        ExpectBox(Texts(1301, 1302), 1213);
        sim::SwitchState expected = before;
        expected.groups().push_back(want); // the highest ID so far
        QCOMPARE(h->sim().state(), expected);
    }

    void refusedBeforeTyping_data() {
        QTest::addColumn<bool>("dot1q");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("id");
        QTest::addColumn<bool>("idReset");
        QTest::newRow("id 27 port-based") << false << "eng"
                                          << "27" << true;
        QTest::newRow("blank name") << true << "   "
                                    << "5" << false;
    }
    void refusedBeforeTyping() {
        QFETCH(bool, dot1q);
        QFETCH(QString, name);
        QFETCH(QString, id);
        QFETCH(bool, idReset);
        sim::SwitchState start = sim::FactoryState();
        start.vlanMode = dot1q ? sim::kModeDot1q : sim::kModePortBased;
        QVERIFY(Open(start));
        QVERIFY(OpenCreate());
        group()->edtVlanName->setText(name);
        group()->edtVlanID->setText(id);
        h->clearKeysTyped();
        group()->btnSave->click();
        if (idReset) {
            ExpectBox(QStringLiteral("Invalid value for VLAN ID:.\n\n Please input again."), 1216);
            QCOMPARE(group()->edtVlanID->text(), QStringLiteral("1"));
        } else {
            ExpectBox(Texts(1312, 1313), 1216);
        }
        h->runFor(1000);
        QCOMPARE(h->keysTyped(), std::string());
        QVERIFY(group()->isEnabled() && !Saving);
    }

    // The switch refuses an ID in use: its message, the window closes,
    // nothing stored.
    void switchRefusesAnIdInUse() {
        QVERIFY(Open(Dot1q()));
        QVERIFY(OpenCreate());
        group()->edtVlanName->setText("dup");
        group()->edtVlanID->setText("1");
        QVERIFY(Click(group()->btnSave, MenuUp));
        ExpectBox(Texts(1303, 1302), 1216);
        QVERIFY(!frmVlanMemberX.exists());
        QCOMPARE(h->sim().state(), before);
    }

    // An edit after a create in the same run types only the pages that
    // changed and never the name or the ID; Tagged -> No is one Space.
    void editAfterCreateTypesOnlyChangedPages() {
        QVERIFY(Open(Dot1q()));
        QVERIFY(OpenCreate());
        group()->edtVlanName->setText("t");
        group()->edtVlanID->setText("20");
        SetMember(26, 2);
        QVERIFY(Click(group()->btnSave, MenuUp));
        boxes.clear();
        QVERIFY(OpenList());
        Select(1);
        QVERIFY(Click(list()->btnEdit, [this] { return Up(group()); }));
        QCOMPARE(h->keysTyped(), "\t\r\t\r" + kPages);
        QVERIFY(group()->edtVlanName->isReadOnly() && group()->edtVlanID->isReadOnly());
        QCOMPARE(group()->edtVlanName->text(), QStringLiteral("t"));
        QCOMPARE(group()->MemberList(26)->currentText(), QStringLiteral("Tagged  "));
        SetMember(9, 1);
        SetMember(26, 0);
        QVERIFY(Click(group()->btnSave, [this] { return Up(list()); }));
        QVERIFY2(h->keysTyped() ==
                     "\b\r\t\r\t\t \t\t\t\t\t\t\t\x01\b\b\r\b\r\t\r\t\t\t \x01\b\t\t\r\r",
                 Shown(h->keysTyped()).constData());
        ExpectBox(Texts(1301, 1302), 1213);
        sim::SwitchState want = before;
        want.dot1qGroups.push_back({20, "t", {}});
        want.dot1qGroups.back().member[8] = sim::kMemberUntagged;
        QCOMPARE(h->sim().state(), want);
    }

    // ---- Group list

    // Listed as name, blanks to 12, VID. Delete row 4 after an edit through
    // the same window, then row 1 (a PVID: refused), then a declined one.
    void listEditAndDelete() {
        sim::SwitchState start = Dot1q();
        for (int id : {2, 3, 10, 40})
            start.dot1qGroups.push_back({id, id == 10 ? "ab" : "g" + std::to_string(id), {}});
        QVERIFY(Open(start));
        QVERIFY(OpenList());
        QCOMPARE(list()->lbxVlanGroups->count(), 5);
        QCOMPARE(list()->lbxVlanGroups->item(3)->text(), QStringLiteral("ab          10"));
        QVERIFY(!list()->btnEdit->isEnabled());
        Select(1);
        QVERIFY(list()->btnEdit->isEnabled() && list()->btnDelete->isEnabled());
        QVERIFY(Click(list()->btnEdit, [this] { return Up(group()); }));
        QVERIFY(Click(group()->btnQuit, [this] { return Up(list()); }));
        QCOMPARE(h->keysTyped(), std::string("\r"));

        Select(3);
        QVERIFY(Click(list()->btnDelete, [this] { return Up(list()) && boxes.size() == 2; }));
        QCOMPARE(h->keysTyped(), std::string("\t\r\t\t\t\r"));
        QCOMPARE(boxes.takeFirst().text, DecodeText(GetLangText(1315)));
        ExpectBox(DecodeText(GetLangText(1305)), 1217);
        sim::SwitchState want = start;
        want.dot1qGroups.erase(want.dot1qGroups.begin() + 3);
        QCOMPARE(h->sim().state(), want);
        QCOMPARE(list()->lbxVlanGroups->count(), 4);

        Select(0);
        QVERIFY(Click(list()->btnDelete, [this] { return Up(list()) && boxes.size() == 2; }));
        QCOMPARE(h->keysTyped(), std::string("\r\r"));
        boxes.removeFirst();
        ExpectBox(DecodeText(GetLangText(1306)), 1217);
        QCOMPARE(h->sim().state(), want);

        answer = platform::IDNO;
        Select(0);
        h->clearKeysTyped();
        list()->btnDelete->click();
        h->runFor(1000);
        QCOMPARE(h->keysTyped(), std::string());
        QCOMPARE(boxes.size(), 1);
        QVERIFY(list()->isEnabled());
    }

    // A first VLAN from factory settings: 802.1Q, VLAN 10 with ports 1-4
    // untagged and port 26 tagged, PVID 10 on ports 1-4, all seen again on
    // reopening; the group cannot be deleted while those ports use it, and
    // can once they are back on PVID 1.
    void firstVlanFromFactorySettings() {
        QVERIFY(Open(sim::FactoryState()));
        QVERIFY(OpenSupport());
        ChooseMode(2);
        QVERIFY(h->runUntil([this] { return Up(support()); }));
        QVERIFY(Click(support()->btnSave, MenuUp));
        QVERIFY(OpenCreate());
        group()->edtVlanName->setText("v10");
        group()->edtVlanID->setText("10");
        for (int port : {1, 2, 3, 4})
            SetMember(port, 1);
        SetMember(26, 2);
        QVERIFY(Click(group()->btnSave, MenuUp));
        QVERIFY(OpenSupport());
        for (int port : {1, 2, 3, 4})
            Pvid(port)->setText("10");
        QVERIFY(Click(support()->btnSave, MenuUp));
        QCOMPARE(boxes.size(), 3); // each save reported
        boxes.clear();

        QVERIFY(OpenSupport());
        QCOMPARE(support()->cboVlanMode->currentText(), QStringLiteral("802.1Q   "));
        QCOMPARE(Pvid(4)->text(), QStringLiteral("10"));
        QCOMPARE(Pvid(5)->text(), QStringLiteral("1"));
        QVERIFY(Click(support()->btnQuit, MenuUp));
        QVERIFY(OpenList());
        QCOMPARE(list()->lbxVlanGroups->item(1)->text(), QStringLiteral("v10         10"));
        Select(1);
        QVERIFY(Click(list()->btnEdit, [this] { return Up(group()); }));
        QCOMPARE(group()->MemberList(4)->currentText(), QStringLiteral("UnTagged"));
        QCOMPARE(group()->MemberList(5)->currentText(), QStringLiteral("No      "));
        QCOMPARE(group()->MemberList(26)->currentText(), QStringLiteral("Tagged  "));
        QVERIFY(Click(group()->btnQuit, [this] { return Up(list()); }));
        Select(1);
        QVERIFY(Click(list()->btnDelete, [this] { return Up(list()) && boxes.size() == 2; }));
        QCOMPARE(boxes[1].text, DecodeText(GetLangText(1306)));
        boxes.clear();
        QCOMPARE(list()->lbxVlanGroups->count(), 2);

        QVERIFY(Click(list()->btnQuit, MenuUp));
        QVERIFY(OpenSupport());
        for (int port : {1, 2, 3, 4})
            Pvid(port)->setText("1");
        QVERIFY(Click(support()->btnSave, MenuUp));
        QVERIFY(OpenList());
        Select(1);
        QVERIFY(Click(list()->btnDelete, [this] { return Up(list()) && boxes.size() == 3; }));
        QCOMPARE(boxes[2].text, DecodeText(GetLangText(1305)));
        QCOMPARE(list()->lbxVlanGroups->count(), 1);
        QCOMPARE(h->sim().state(), Dot1q());
    }

    void emptyListMessage() {
        sim::SwitchState start = sim::FactoryState();
        start.vlanMode = sim::kModePortBased;
        QVERIFY(Open(start));
        QVERIFY(OpenList());
        QCOMPARE(list()->lbxVlanGroups->count(), 0);
        list()->lbxVlanGroupsClick();
        ExpectBox(DecodeText(GetLangText(1314)), 1218);
        QVERIFY(!list()->btnEdit->isEnabled());
    }
};

QTEST_MAIN(VlanGroupFlowTest)
#include "tst_vlan_group_flow.moc"
