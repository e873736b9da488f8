// The VLAN models without a switch: console cells into the tables, and the
// keystroke texts of mode changes and page writes, for the tables and texts
// the simulated switch never produces.
#include "engine/KeyOutput.h"
#include "engine/PageValues.h"
#include "forms/vlan/Editvlangrpform.h"
#include "forms/vlan/VlanMemberModel.h"
#include "forms/vlan/VlanSupportModel.h"
#include "forms/vlan/Vlanmemberxform.h"
#include "shared/FieldText.h"
#include "shared/Publicunit.h"
#include "tests/harness/GlobalHooks.h"
#include "tests/harness/MessageBoxes.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include <string>

namespace {

void NamePorts(int count, bool member) {
    bool complete = false;
    for (int i = 0; i < count; ++i) {
        const std::string name = "PORT" + std::to_string(i + 1);
        if (member)
            AddMemberCell(pv::GroupPortName(i % 8 + 1), name.c_str(), false, complete);
        else
            AddPvidCell(pv::VlanPortName(i % 8 + 1), name.c_str(), false, complete);
    }
}

} // namespace

class VlanModelTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        ResetSharedState();
        ResetPvidTables();
        ResetMemberTables();
        ResetGroupList();
    }

    void modeChangeKeys_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QByteArray>("keys");
        QTest::newRow("802.1Q to Disabled wraps") << 2 << 0 << QByteArray("\t\r \x01\b");
        QTest::newRow("802.1Q to PortBased") << 2 << 1 << QByteArray("\t\r  \x01\b");
        QTest::newRow("Disabled to 802.1Q") << 0 << 2 << QByteArray("\t\r  \x01\b");
        QTest::newRow("unchanged") << 1 << 1 << QByteArray("\t\r\x01\b");
    }
    void modeChangeKeys() {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QByteArray, keys);
        char out[32];
        BuildModeChangeKeys(to, from, out, sizeof out);
        QCOMPARE(QByteArray(out), keys);
    }

    void modeTextsMatchWhole() {
        QCOMPARE(VlanModeIndexOf("802.1q   "), 2);
        QCOMPARE(VlanModeIndexOf("PORTBASED"), 1);
        QCOMPARE(VlanModeIndexOf("Disabled"), -1); // without its blank
    }

    // A short table is one page: a write ends with Save. A PVID that is not
    // a number is stored as 1; the first name again completes the table.
    void fewPortsArePageZero() {
        NamePorts(5, false);
        bool complete = false;
        AddPvidCell(pv::VlanPvid(2), "x7", false, complete);
        AddPvidCell(pv::VlanPvid(3), "42", false, complete);
        QCOMPARE(PvidTable[1].pvid, 1);
        QCOMPARE(PvidTable[2].pvid, 42);
        QCOMPARE(LastPvidPage(), 0);
        VlanMode = kModeDot1q;
        AddPvidCell(pv::VlanPortName(1), "PORT1", true, complete);
        QVERIFY(complete);
        QCOMPARE(int(PortCount), 5);
        TakePvidCopy();
        PvidTable[4].pvid = 200;
        MarkPvidPages();
        char out[150];
        bool last = false;
        BuildPvidPageKeys(0, kModeDot1q, out, sizeof out, last);
        QVERIFY(last);
        QCOMPARE(QByteArray(out), QByteArray("\t\r\t1\t1\t42\t1\t200\x01\b\t\t\r"));
        QCOMPARE(BuildPvidPageKeys(1, kModeDot1q, out, sizeof out, last), 0);
        BuildPvidPageKeys(0, kModePortBased, out, sizeof out, last);
        QCOMPARE(QByteArray(out), QByteArray("\t\t\r"));
    }

    // One page of eight rows with its fourth row damaged in one way: what
    // makes a PVID or member page garbled, and that Apply then passes it.
    void pageLineup_data() {
        QTest::addColumn<bool>("member");
        QTest::addColumn<QString>("damage"); // to row 4's cells
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<bool>("garbled");
        QTest::newRow("PVID 7") << false << "" << QByteArray("7") << false;
        QTest::newRow("PVID 1") << false << "" << QByteArray("  1") << false;
        QTest::newRow("PVID 255") << false << "" << QByteArray("255") << false;
        QTest::newRow("PVID 0") << false << "" << QByteArray("0") << true;
        QTest::newRow("PVID 256") << false << "" << QByteArray("256") << true;
        QTest::newRow("PVID x7") << false << "" << QByteArray("x7") << true;
        QTest::newRow("PVID row without name") << false << "no name" << QByteArray("7") << true;
        QTest::newRow("PVID lost") << false << "no value" << QByteArray("7") << true;
        QTest::newRow("PVID twice") << false << "twice" << QByteArray("7") << true;
        QTest::newRow("Tagged") << true << "" << QByteArray("Tagged  ") << false;
        QTest::newRow("tagged in small letters") << true << "" << QByteArray("tagged  ") << false;
        QTest::newRow("port-based choice in 802.1Q") << true << "" << QByteArray("Member") << true;
        QTest::newRow("choice without its blanks") << true << "" << QByteArray("No") << true;
        QTest::newRow("member row without name")
            << true << "no name" << QByteArray("No      ") << true;
        QTest::newRow("member lost") << true << "no value" << QByteArray("No      ") << true;
        QTest::newRow("member twice") << true << "twice" << QByteArray("No      ") << true;
        QTest::newRow("unknown range: choices not judged")
            << true << "unknown range" << QByteArray("Maybe") << false;
    }
    void pageLineup() {
        QFETCH(bool, member);
        QFETCH(QString, damage);
        QFETCH(QByteArray, value);
        QFETCH(bool, garbled);
        SetField(GroupRangeText,
                 std::string(damage == "unknown range" ? "(1 - 64)" : "(1 - 4094)"));
        bool complete = false;
        auto add = [&](int32_t v, const char* text) {
            if (member)
                AddMemberCell(v, text, false, complete);
            else
                AddPvidCell(v, text, false, complete);
        };
        for (int r = 1; r <= 8; ++r) {
            const std::string name = "PORT" + std::to_string(r);
            const int32_t cell = member ? pv::GroupMember(r) : pv::VlanPvid(r);
            const char* text = r != 4 ? (member ? "No      " : "1") : value.constData();
            if (r != 4 || damage != "no name")
                add(member ? pv::GroupPortName(r) : pv::VlanPortName(r), name.c_str());
            if (r != 4 || damage != "no value") add(cell, text);
            if (r == 4 && damage == "twice") add(cell, text);
        }
        QCOMPARE(member ? FinishMemberRead() : FinishPvidRead(), garbled);
        QCOMPARE(member ? MemberPageGarbled[0] : PvidPageGarbled[0], garbled);
        QCOMPARE(int(PortCount), 8);

        // A change on the page: written when it lined up, else only Save.
        char out[150];
        bool last = false;
        if (member) {
            for (MemberEntry& e : MemberTable)
                e.choice = 0;
            TakeMemberCopy();
            MemberTable[5].choice = 1;
            MarkMemberPages();
            BuildMemberPageKeys(0, false, "", "", 3, out, sizeof out, last);
            QCOMPARE(QByteArray(out), garbled ? QByteArray("\t\t\r")
                                              : QByteArray("\t\r\t\t\t\t\t\t\t \t\t\x01\b\t\t\r"));
            // A new group's name and ID are typed whatever its first page showed.
            BuildMemberPageKeys(0, true, "new", "7", 3, out, sizeof out, last);
            if (garbled) QCOMPARE(QByteArray(out), QByteArray("\t\rnew\t7\x01\b\t\t\r"));
        } else {
            TakePvidCopy();
            PvidTable[5].pvid = 60;
            MarkPvidPages();
            BuildPvidPageKeys(0, kModeDot1q, out, sizeof out, last);
            QCOMPARE(QByteArray(out).startsWith("\t\r\t1\t1\t1\t"), !garbled);
            QVERIFY(QByteArray(out).endsWith("\t\t\r"));
        }
    }

    void portNamesExpanded_data() {
        QTest::addColumn<QByteArray>("console");
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("trunk") << QByteArray("trk2") << QByteArray("TRUNK2");
        QTest::newRow("module") << QByteArray("Mod_1") << QByteArray("MODULE1");
        QTest::newRow("first TRK only") << QByteArray("TRKTRK") << QByteArray("TRUNKTRK");
        QTest::newRow("blanks trimmed") << QByteArray(" PORT3 ") << QByteArray("PORT3");
    }
    void portNamesExpanded() {
        QFETCH(QByteArray, console);
        QFETCH(QByteArray, stored);
        bool complete = false;
        AddMemberCell(pv::GroupPortName(1), console.constData(), false, complete);
        QCOMPARE(QByteArray(MemberTable[0].name), stored);
    }

    void idKindFromRange_data() {
        QTest::addColumn<QByteArray>("range");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("choices");
        QTest::newRow("802.1Q") << QByteArray("(1 - 4094)") << int(kIdDot1q) << 3;
        QTest::newRow("port-based") << QByteArray("(1 - 26)") << int(kIdPortBased) << 2;
        QTest::newRow("unknown") << QByteArray("(1 - 64)") << int(kIdUnknown) << 3;
    }
    void idKindFromRange() {
        QFETCH(QByteArray, range);
        QFETCH(int, kind);
        QFETCH(int, choices);
        QCOMPARE(IdKindOf(range.constData()), kind);
        QCOMPARE(int(MemberChoices(kind).size()), choices);
    }

    void groupInput_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("check");
        auto row = [](const char* tag, const char* name, const char* id, int kind, int check) {
            QTest::newRow(tag) << QString(name) << QString(id) << kind << check;
        };
        row("blank name", "   ", "5", kIdDot1q, GroupNameMissing);
        row("27 port-based", "a", "27", kIdPortBased, GroupIdOutOfRange);
        row("26 port-based", "a", "26", kIdPortBased, GroupOk);
        row("4094", "a", "4094", kIdDot1q, GroupOk);
        row("0", "a", "0", kIdDot1q, GroupIdOutOfRange);
        row("empty id", "a", "", kIdDot1q, GroupIdNotNumber);
    }
    void groupInput() {
        QFETCH(QString, name);
        QFETCH(QString, id);
        QFETCH(int, kind);
        QFETCH(int, check);
        QCOMPARE(int(CheckGroupInput(name.toStdString(), id.toStdString(), kind)), check);
    }

    // A new group's first page is written without any member change; an
    // existing group's unchanged page gets only the page keys; a choice
    // that matched nothing counts from -1.
    void memberPageKeys() {
        NamePorts(10, true);
        for (int i = 0; i < 10; ++i)
            MemberTable[i].choice = 0;
        MemberTable[9].choice = -1;
        TakeMemberCopy();
        MemberTable[9].choice = 2;
        MarkMemberPages();
        char out[60];
        bool last = false;
        BuildMemberPageKeys(0, true, "new", "7", 3, out, sizeof out, last);
        QCOMPARE(QByteArray(out), QByteArray("\t\rnew\t7\t\t\t\t\t\t\t\t\x01\b\b\r"));
        QVERIFY(!last);
        for (bool& d : PageDirty)
            d = false;
        MarkMemberPages();
        BuildMemberPageKeys(0, false, "new", "7", 3, out, sizeof out, last);
        QCOMPARE(QByteArray(out), QByteArray("\b\r"));
        BuildMemberPageKeys(1, false, "new", "7", 3, out, sizeof out, last);
        QCOMPARE(QByteArray(out), QByteArray("\t\r\t\t\t   \x01\b\t\t\r"));
        QVERIFY(last);
    }

    // A range text the program does not know: no member key could be
    // right, so Apply says why and types nothing.
    void unknownRangeTypesNothing() {
        SetField(GroupRangeText, std::string("(1 - 64)"));
        NamePorts(8, true);
        MessageBoxes boxes;
        boxes.record();
        TfrmVlanMemberX window;
        QCOMPARE(window.IdKind, int(kIdUnknown));
        window.edtVlanName->setText("a");
        window.edtVlanID->setText("5");
        window.btnSave->click();
        RestoreGlobalHooks();
        QCOMPARE(boxes.size(), 1);
        QVERIFY(boxes[0].text.contains("\"(1 - 64)\""));
        QVERIFY(!Saving && !IsSendPending() && window.isEnabled());
    }

    // A row without a VID is left out and ends nothing.
    void groupListLines() {
        AddGroupCell(pv::GroupListName(1), "ab");
        AddGroupCell(pv::GroupListVid(1), "10");
        AddGroupCell(pv::GroupListName(2), "gone");
        AddGroupCell(pv::GroupListVid(2), "  ");
        AddGroupCell(pv::GroupListName(3), "after");
        AddGroupCell(pv::GroupListVid(3), "4094");
        TfrmEditVlanGrp list;
        list.FillGroupList();
        QCOMPARE(list.lbxVlanGroups->count(), 2);
        QCOMPARE(list.lbxVlanGroups->item(0)->text(), QStringLiteral("ab          10"));
        QCOMPARE(list.lbxVlanGroups->item(1)->text(), QStringLiteral("after       4094"));
        GroupEntry wide{"123456789", "5"};
        QCOMPARE(GroupLine(wide), std::string("123456789   5"));
        // A new drawing starts at its first row.
        AddGroupCell(pv::GroupListName(1), "x");
        QCOMPARE(Trim(GroupList[2].vid, sizeof GroupList[2].vid), std::string());
    }
};

QTEST_MAIN(VlanModelTest)
#include "tst_vlan_model.moc"
