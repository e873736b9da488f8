// The VLAN screens of the simulated console (menu, support page, group
// screen, group list), and a tour that shows every value of the page table
// is drawn by some screen.
#include "SimDriver.h"
#include "sim/Rules.h"

#include <QtTest>

namespace {

const std::string kToVlan = std::string(keys::kLogin) + "\r\t\t\r";

sim::SwitchState WithMode(const char* mode) {
    sim::SwitchState s = sim::FactoryState();
    s.vlanMode = mode;
    return s;
}

sim::VlanGroup Group(int id, const std::string& name) {
    sim::VlanGroup g;
    g.id = id;
    g.name = name;
    return g;
}

SimDriver At(const std::string& pretype, const sim::SwitchState& state) {
    sim::Options o;
    o.initial = state;
    o.pretype = pretype;
    return SimDriver(o);
}

} // namespace

class SimVlanTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(ConsoleReader().tableLoaded(), "Parser.tbl missing"); }

    void disabledModeKeepsTheGroupScreensClosed() {
        SimDriver d = At(kToVlan, sim::FactoryState());
        QCOMPARE(SimDriver::lastValue(d.lines("\x1b")), 6001);
        for (const char* item : {"\t\r", "\t\r"}) {
            auto lines = d.lines(item);
            QCOMPARE(Message(lines),
                     sim::Pad("VLAN mode is Disabled - set a VLAN mode first.", 78));
            QVERIFY(d.sw().where() == "vlan");
        }
        // The next move clears the message first.
        auto lines = d.lines("\t");
        QCOMPARE(lines[1].line, "[20;02H" + std::string(78, ' '));
        QCOMPARE(SimDriver::lastValue(lines), 6004);
        QCOMPARE(SimDriver::lastValue(d.lines("\r")), 3003);
    }

    void modeEditRedrawsThePagePvidEditDoesNot() {
        SimDriver d = At(kToVlan + "\r", sim::FactoryState());
        auto lines = d.lines("\x1b");
        QCOMPARE(SimDriver::textOf(lines, 7000), std::string("Disabled "));
        QCOMPARE(SimDriver::textOf(lines, 7011), std::string("<absent>"));
        QCOMPARE(SimDriver::lastValue(lines), 7001);
        // Paging outside 802.1Q redraws the one page.
        QCOMPARE(SimDriver::lastValue(d.lines("\b\r")), 7001);

        lines = d.lines("\t\r  ");
        QCOMPARE(lines.back().line, std::string("[03;16H[802.1Q   ]"));
        lines = d.lines("\x01");
        QVERIFY(AllStartsOk(lines));
        QCOMPARE(SimDriver::textOf(lines, 7000), std::string("802.1Q   "));
        QCOMPARE(SimDriver::textOf(lines, 7011), std::string("PORT1"));
        QCOMPARE(SimDriver::textOf(lines, 7021), std::string("1"));
        QCOMPARE(SimDriver::textOf(lines, 7018), std::string("PORT8"));
        QCOMPARE(SimDriver::lastValue(lines), 7002);
        QCOMPARE(d.reader().held(), std::string("[22;19H"));
        QCOMPARE(d.sw().state().vlanMode, std::string(sim::kModeDisabled));

        // Ctrl-A on a PVID field: the normal end of edit, no mode line.
        lines = d.lines("\r\t");
        QCOMPARE(lines.back().line, std::string("[07;19H[1  ]"));
        lines = d.lines("7\x01");
        QCOMPARE(SimDriver::values(lines), std::vector<int>{7002});
        // Ctrl-A with the mode field current redraws even without a change.
        lines = d.lines("\r\x01");
        QCOMPARE(SimDriver::textOf(lines, 7021), std::string("7"));
    }

    void supportSaveStoresModeAndPvids() {
        SimDriver d = At(kToVlan + "\r", WithMode(sim::kModeDot1q));
        d.lines("\x1b");
        auto lines = d.lines("\b\b\r"); // Previous Page from page 1: page 4
        QCOMPARE(SimDriver::textOf(lines, 7011), std::string("MOD_1"));
        QCOMPARE(SimDriver::textOf(lines, 7012), std::string("MOD_2"));
        QCOMPARE(SimDriver::textOf(lines, 7013), std::string("<absent>"));
        QCOMPARE(LineAt(lines, 1602)->text, std::string("Page 4 of 4"));
        // PVIDs 0 and 300 are outside 1-255 and stored as 1; 255 stays.
        d.type("\t\r\t255\t0\x01\b\b\r");
        d.type("\t\r\t300\t42\x01\t\r");
        sim::SwitchState expected = WithMode(sim::kModeDot1q);
        expected.ports[24].pvid = 255;
        expected.ports[0].pvid = 1;
        expected.ports[1].pvid = 42;
        QCOMPARE(d.sw().state(), expected);
        QCOMPARE(d.sw().where(), std::string("prompt"));
        QCOMPARE(SimDriver::lastValue(d.lines("\t")), 6001); // any key: VLAN menu, item 0
    }

    void createGroupOverFourPages() {
        SimDriver d = At(kToVlan + "\t\r", WithMode(sim::kModeDot1q));
        auto lines = d.lines("\x1b");
        QCOMPARE(SimDriver::textOf(lines, 8101), std::string(""));
        QCOMPARE(SimDriver::textOf(lines, 8102), std::string(""));
        QCOMPARE(SimDriver::textOf(lines, 8000), std::string("(1 - 4094)"));
        QCOMPARE(SimDriver::textOf(lines, 8011), std::string("PORT1"));
        QCOMPARE(SimDriver::textOf(lines, 8021), std::string("No      "));
        QCOMPARE(SimDriver::lastValue(lines), 8001);

        lines = d.lines("\t\r");
        QCOMPARE(LineAt(lines, 316)->text, "[" + std::string(6, ' ') + "]");
        QCOMPARE(d.reader().held(), std::string("[03;17H"));
        QCOMPARE(d.type("sa les"), std::string("sa les")); // blanks belong to names
        d.type("\x01\rsales\t10\t \t \x01");
        lines = d.lines("\b\b\r\b\r\b\r"); // pages 2, 3, 4: the copy is kept
        QCOMPARE(SimDriver::textOf(lines, 8101), std::string("sales"));
        QCOMPARE(SimDriver::textOf(lines, 8021), std::string("No      "));
        lines = d.lines("\t\r\t\t\t  \x01\t\r");
        QCOMPARE(SimDriver::lastValue(lines), 8006);
        sim::SwitchState expected = WithMode(sim::kModeDot1q);
        sim::VlanGroup sales = Group(10, "sales");
        sales.member[0] = sales.member[1] = sim::kMemberUntagged;
        sales.member[25] = sim::kMemberTagged;
        expected.dot1qGroups.push_back(sales);
        QCOMPARE(d.sw().state(), expected);
        QCOMPARE(SimDriver::lastValue(d.lines("\r")), 6002); // back on Create
    }

    void groupSaveRefusals_data() {
        QTest::addColumn<QString>("fields"); // typed after Enter on Edit (name current)
        QTest::addColumn<QString>("reason");
        QTest::newRow("no name") << "\t5"
                                 << "name missing";
        QTest::newRow("blank name") << "   \t5"
                                    << "name missing";
        QTest::newRow("port name") << "port3\t5"
                                   << "name reserved";
        QTest::newRow("trunk name") << "Trk7\t5"
                                    << "name reserved";
        QTest::newRow("no id") << "eng"
                               << "VLAN ID out of range";
        QTest::newRow("id zero") << "eng\t0"
                                 << "VLAN ID out of range";
        QTest::newRow("id too big") << "eng\t4095"
                                    << "VLAN ID out of range";
        QTest::newRow("id in use") << "eng\t1"
                                   << "VLAN ID already in use";
    }

    void groupSaveRefusals() {
        QFETCH(QString, fields);
        QFETCH(QString, reason);
        SimDriver d = At(kToVlan + "\t\r", WithMode(sim::kModeDot1q));
        d.lines("\x1b");
        auto lines = d.lines("\t\r" + fields.toStdString() + "\x01\t\r");
        QCOMPARE(SimDriver::lastValue(lines), 8007);
        QCOMPARE(Message(lines), sim::Pad("VLAN group NOT saved: " + reason.toStdString() +
                                              ". Press any key to continue.",
                                          78));
        QCOMPARE(d.sw().state(), WithMode(sim::kModeDot1q));
    }

    void tableFullRefusesANewGroupButNotAnEdit() {
        sim::SwitchState s = WithMode(sim::kModeDot1q);
        for (int id = 2; id <= 26; ++id)
            s.dot1qGroups.push_back(Group(id, "g" + std::to_string(id)));
        SimDriver d = At(kToVlan + "\t\r", s);
        d.lines("\x1b");
        QCOMPARE(Message(d.lines("\t\rx\t99\x01\t\r")),
                 sim::Pad("VLAN group NOT saved: table full. Press any key to continue.", 78));
        QCOMPARE(d.sw().state(), s);
    }

    void portBasedGroupsUseTheirOwnTable() {
        SimDriver d = At(kToVlan + "\t\r", WithMode(sim::kModePortBased));
        auto lines = d.lines("\x1b");
        QCOMPARE(SimDriver::textOf(lines, 8000), std::string("(1 - 26)"));
        QCOMPARE(SimDriver::textOf(lines, 8021), std::string("No    "));
        lines = d.lines("\t\reng\t123\t  ");
        QCOMPARE(lines.back().line, std::string("[07;19H[No    ]")); // toggles back
        QCOMPARE(SimDriver::lastValue(d.lines(" \x01\t\r")), 8006);
        QCOMPARE(d.sw().state().portBasedGroups.size(), size_t(1));
        QCOMPARE(d.sw().state().portBasedGroups[0].id, 12); // two digits at most
        QCOMPARE(d.sw().state().portBasedGroups[0].member[0], int(sim::kMemberUntagged));
        QCOMPARE(d.sw().state().dot1qGroups, sim::FactoryState().dot1qGroups);

        d.type("\r\r"); // answer the prompt, Create again: ID 27 is out of range
        QCOMPARE(
            Message(d.lines("\t\rops\t27\x01\t\r")),
            sim::Pad("VLAN group NOT saved: VLAN ID out of range. Press any key to continue.", 78));
    }

    void groupListEditDeleteAndRefusal() {
        sim::SwitchState s = WithMode(sim::kModeDot1q);
        s.dot1qGroups.push_back(Group(10, "sales"));
        SimDriver d = At(kToVlan + "\t\t\r", s);
        auto lines = d.lines("\x1b");
        QCOMPARE(SimDriver::values(lines), (std::vector<int>{9101, 9201, 9102, 9202, 9001}));
        QCOMPARE(SimDriver::textOf(lines, 9102), std::string("sales"));
        QCOMPARE(SimDriver::textOf(lines, 9202), std::string("10"));
        QCOMPARE(SimDriver::textOf(lines, 9001), std::string("2"));
        QCOMPARE(lines.back().line, std::string("[22;05H<Quit>"));

        // Edit: row selection, then the group's screen; Quit returns to the
        // list with the action still on Edit.
        lines = d.lines("\t\r");
        QCOMPARE(Message(lines),
                 sim::Pad("Select a VLAN group with Tab/BackSpace, then press Enter.", 78));
        QCOMPARE(lines.back().line, std::string("[05;06H[VLAN1   ]"));
        QCOMPARE(d.reader().held(), std::string("[05;16H"));
        QCOMPARE(d.type("n\x01 "), std::string());
        lines = d.lines("\t\r");
        QCOMPARE(SimDriver::textOf(lines, 8101), std::string("sales"));
        QCOMPARE(SimDriver::textOf(lines, 8102), std::string("10"));
        QCOMPARE(SimDriver::lastValue(d.lines("\r")), 9002);

        // Delete VLAN1: the PVID of every port, refused inside one full draw.
        lines = d.lines("\t\r\r");
        QVERIFY(AllStartsOk(lines));
        QCOMPARE(SimDriver::values(lines),
                 (std::vector<int>{9003, 9101, 9201, 9102, 9202, 9001, 9007, 9003}));
        QCOMPARE(d.sw().state(), s);
        // Delete sales: accepted, the list is drawn without it.
        lines = d.lines("\r\t\r");
        QCOMPARE(SimDriver::values(lines), (std::vector<int>{9101, 9201, 9001, 9006, 9003}));
        QCOMPARE(SimDriver::textOf(lines, 9001), std::string("1"));
        QCOMPARE(d.sw().state(), WithMode(sim::kModeDot1q));
        QCOMPARE(d.sw().storeCount(), uint64_t(1));
        // ESC: as entered, Quit highlighted; Quit: VLAN menu on its item 2.
        QCOMPARE(d.lines("\x1b").back().line, std::string("[22;05H<Quit>"));
        QCOMPARE(SimDriver::lastValue(d.lines("\r")), 6003);
    }

    void groupListHalvesAndEmptyList() {
        sim::SwitchState s = WithMode(sim::kModePortBased);
        for (int id = 1; id <= 14; ++id)
            s.portBasedGroups.push_back(Group(id, "g" + std::to_string(id)));
        SimDriver d = At(kToVlan + "\t\t\r", s);
        auto lines = d.lines("\x1b");
        QCOMPARE(LineAt(lines, 1703)->text, std::string("13."));
        QCOMPARE(LineAt(lines, 543)->text, std::string("14."));
        QCOMPARE(SimDriver::textOf(lines, 9114), std::string("g14"));
        QCOMPARE(LineAt(lines, 547)->value, 9114);
        // Port-based groups can always be deleted; row 14 is reached with BackSpace.
        lines = d.lines("\t\t\r\b");
        QCOMPARE(lines.back().line, std::string("[05;46H[g14     ]"));
        d.type("\r");
        QCOMPARE(d.sw().state().portBasedGroups.size(), size_t(13));

        SimDriver empty = At(kToVlan + "\t\t\r", WithMode(sim::kModePortBased));
        lines = empty.lines("\x1b");
        QCOMPARE(SimDriver::values(lines), (std::vector<int>{9008, 9001}));
        QCOMPARE(SimDriver::textOf(lines, 9001), std::string("0"));
        lines = empty.lines("\t\r");
        QCOMPARE(Message(lines), sim::Pad("No VLAN group exists.", 78));
        QCOMPARE(SimDriver::lastValue(lines), 9002);
    }

    // A tour of every screen, edit, save and refusal: each value of the page
    // table must be recognised somewhere, and every page state reached.
    void everyTableValueIsDrawnSomewhere() {
        std::set<int> values, pages;
        int startFailures = 0;
        auto collect = [&](SimDriver& d) {
            d.reader().flush();
            startFailures += d.reader().startFailures;
            values.insert(d.reader().seenValues.begin(), d.reader().seenValues.end());
            pages.insert(d.reader().seenPages.begin(), d.reader().seenPages.end());
        };
        const std::string login = keys::kLogin;
        { // Boot, login, main menu, static menu, port screen with a save.
            sim::Options o;
            o.bootAtStart = true;
            SimDriver d(o);
            d.type(" ");
            d.type(login + "\t\t\t\b\b\b\r\t\t\t\t\t\b\b\b\b");
            d.type("\x1b\r\t\t\t\t\b\b\b\b\t\t\t\t\r\b\r\b\r\b\r\t\r");
            d.type("\x01\t\r\r");
            collect(d);
        }
        { // Trunk screen with a save, misc with an accepted and a refused save.
            SimDriver d = At(login + "\r\t\r", sim::FactoryState());
            d.type("\x1b\t\t\t\r\x01\t\r\r");
            d.type("\t\t\r\t\t\t\b\b\b\r\x01\t\r\r");
            d.type("\r\r\tx\x01\t\r\r");
            collect(d);
        }
        { // VLAN menu, support pages, group create (saved and refused).
            sim::SwitchState s = WithMode(sim::kModeDot1q);
            SimDriver d = At(login + "\r\t\t\r", s);
            d.type("\x1b\t\t\t\b\b\b\r\t\t\t\t\b\b\b\b\b\r\t\r\x01\t\r\r");
            d.type("\t\r\t\t\t\t\b\b\b\b\t\rab\t7\x01\t\r\r");
            d.type("\r\t\rab\t7\x01\t\r\r");
            collect(d);
        }
        { // Group list with 26 groups, an accepted and a refused delete.
            sim::SwitchState s = WithMode(sim::kModeDot1q);
            for (int id = 2; id <= 26; ++id)
                s.dot1qGroups.push_back(Group(id, "g" + std::to_string(id)));
            SimDriver d = At(login + "\r\t\t\r\t\t\r", s);
            d.type("\x1b\t\t\r\r\r\t\r");
            collect(d);
        }
        { // The empty list and the restart menu with its park entry.
            SimDriver d = At(login + "\r\t\t\r\t\t\r", WithMode(sim::kModePortBased));
            d.type("\x1b\r\t\r\t\t\r\t\r");
            collect(d);
            d.type("\t");
            d.reader().flush();
            collect(d);
        }
        ConsoleReader table;
        const Parser& p = table.parser();
        std::vector<int> missing;
        for (int i = 0; i + 1 < p.TopList().Count(); ++i)
            if (!pages.count(p.TopList().At(i).value)) missing.push_back(p.TopList().At(i).value);
        for (int list = 0; list < 16; ++list)
            for (int i = 0; i + 1 < p.PageList(list).Count(); ++i)
                if (!values.count(p.PageList(list).At(i).value))
                    missing.push_back(p.PageList(list).At(i).value);
        QCOMPARE(startFailures, 0); // every full draw of the tour starts as required
        QVERIFY2(missing.empty(), QByteArray::number(missing.empty() ? 0 : missing.front()) +
                                      " and " + QByteArray::number(qsizetype(missing.size())) +
                                      " values in all are never drawn");
    }
};

QTEST_GUILESS_MAIN(SimVlanTest)
#include "sim_vlan_test.moc"
