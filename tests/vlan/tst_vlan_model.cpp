// The VLAN models without a switch: console cells into the tables and the
// keystroke texts, for the tables and texts the simulated switch never produces.
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
#include "tests/harness/TableRows.h"

#include <QComboBox>
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

struct ModeChange {
    const char* tag;
    int from, to;
    const char* keys;
};
const ModeChange kModeChanges[] = {
    {"802.1Q to Disabled wraps", 2, 0, "\t\r \x01\b"},
    {"802.1Q to PortBased", 2, 1, "\t\r  \x01\b"},
    {"Disabled to 802.1Q", 0, 2, "\t\r  \x01\b"},
    {"unchanged", 1, 1, "\t\r\x01\b"},
};

// Row 4 of a PVID or member page: its value, and damage to its cells.
struct Lineup {
    const char* tag;
    bool member;
    const char* damage;
    const char* value;
    bool garbled;
};
const Lineup kLineups[] = {
    {"PVID 7", false, "", "7", false},
    {"PVID 1", false, "", "  1", false},
    {"PVID 255", false, "", "255", false},
    {"PVID 0", false, "", "0", true},
    {"PVID 256", false, "", "256", true},
    {"PVID x7", false, "", "x7", true},
    {"PVID row without name", false, "no name", "7", true},
    {"PVID lost", false, "no value", "7", true},
    {"PVID twice", false, "twice", "7", true},
    {"Tagged", true, "", "Tagged  ", false},
    {"tagged in small letters", true, "", "tagged  ", false},
    {"port-based choice in 802.1Q", true, "", "Member", true},
    {"choice without its blanks", true, "", "No", true},
    {"member row without name", true, "no name", "No      ", true},
    {"member lost", true, "no value", "No      ", true},
    {"member twice", true, "twice", "No      ", true},
    {"unknown range: choices not judged", true, "unknown range", "Maybe", false},
};

struct GroupInput {
    const char* tag;
    const char *name, *id;
    int kind, check;
};
const GroupInput kGroupInputs[] = {
    {"26 port-based", "a", "26", kIdPortBased, GroupOk},
    {"4094", "a", "4094", kIdDot1q, GroupOk},
    {"0", "a", "0", kIdDot1q, GroupIdOutOfRange},
    {"empty id", "a", "", kIdDot1q, GroupIdNotNumber},
};

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

    void modeChangeKeys_data() { TableRows(kModeChanges); }
    void modeChangeKeys() {
        const ModeChange& r = CurrentRow(kModeChanges);
        char out[32];
        BuildModeChangeKeys(r.to, r.from, out, sizeof out);
        QCOMPARE(QByteArray(out), QByteArray(r.keys));
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
    void pageLineup_data() { TableRows(kLineups); }
    void pageLineup() {
        const Lineup& r = CurrentRow(kLineups);
        const bool member = r.member, garbled = r.garbled;
        const QString damage = QString::fromLatin1(r.damage);
        const QByteArray value(r.value);
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

    void portNamesExpanded() {
        const std::pair<const char*, const char*> names[] = {
            {"trk2", "TRUNK2"}, {"Mod_1", "MODULE1"}, {"TRKTRK", "TRUNKTRK"}, {" PORT3 ", "PORT3"}};
        bool complete = false;
        for (const auto& [console, stored] : names) {
            ResetMemberTables();
            AddMemberCell(pv::GroupPortName(1), console, false, complete);
            QCOMPARE(QByteArray(MemberTable[0].name), QByteArray(stored));
        }
    }

    // The limits of each kind of ID (a blank name and 27 port-based are the
    // group flow's refusals).
    void groupInput_data() { TableRows(kGroupInputs); }
    void groupInput() {
        const GroupInput& r = CurrentRow(kGroupInputs);
        QCOMPARE(int(CheckGroupInput(r.name, r.id, r.kind)), r.check);
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
        QCOMPARE(window.MemberList(1)->count(), 3); // every choice a group can have
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
