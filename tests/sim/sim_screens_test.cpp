// The simulated console's screens as the program reads them: the entries the
// page table recognises in each drawing, the edit modes, saves and the
// switch's own refusals, restart and factory default.
#include "SimDriver.h"
#include "sim/Rules.h"

#include <QtTest>

namespace {

const std::string kToStatic = std::string(keys::kLogin) + "\r";
const std::string kToPort = kToStatic + "\r";
const std::string kToTrunk = kToStatic + "\t\r";
const std::string kToMisc = kToStatic + "\t\t\t\r";
const std::string kToRestart = std::string(keys::kLogin) + "\t\r";

sim::Options At(const std::string& pretype, sim::Options o = {}) {
    o.pretype = pretype;
    return o;
}

} // namespace

class SimScreensTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(ConsoleReader().tableLoaded(), "Parser.tbl missing"); }

    void loginScreenDrawAndPrompts() {
        SimDriver d;
        auto lines = d.lines("\x1b");
        QVERIFY(AllStartsOk(lines));
        QCOMPARE(lines[1].line, std::string("[2J"));
        QCOMPARE(lines[2].line, std::string("[20;02H"));
        QCOMPARE(lines[3].line, std::string("[01;09H"));
        QCOMPARE(Count(lines, 1003), 6);
        QCOMPARE(SimDriver::textOf(lines, 1003), std::string(""));
        QCOMPARE(Message(lines), std::string("<none>")); // no failure text on a plain draw
        QCOMPARE(d.reader().held(), std::string("[12;32H"));

        // Keys that mean nothing at the prompt draw nothing at all.
        QCOMPARE(d.type("\t\x01 \b"), std::string());
        // Input is echoed raw, at most ten characters, never a complete line.
        QCOMPARE(d.type("abcdefghijkl"), std::string("abcdefghij"));
        QCOMPARE(d.type("\b"), std::string("\b \b"));
        QVERIFY(d.lines("x").empty());

        lines = d.lines("\r");
        QCOMPARE(SimDriver::values(lines), std::vector<int>{1004});
        QCOMPARE(d.reader().held(), std::string("[14;32H"));
        QCOMPARE(d.type("pw"), std::string("**"));

        // ESC starts over at the user name, without the failure text.
        lines = d.lines("\x1b");
        QCOMPARE(Count(lines, 1003), 6);
        QCOMPARE(Message(lines), std::string("<none>"));
        QCOMPARE(d.sw().where(), std::string("login"));
    }

    void loginSuccessAndFailure() {
        SimDriver d;
        d.lines("\x1b");
        auto lines = d.lines("admin\radmx\bin\r");
        QCOMPARE(SimDriver::values(lines), (std::vector<int>{1004, 2011, 2012, 2013, 2001}));
        QCOMPARE(SimDriver::textOf(lines, 2011), std::string("1.02 (Jul 12 2004)"));
        QCOMPARE(SimDriver::textOf(lines, 2012), std::string("a"));
        QCOMPARE(SimDriver::textOf(lines, 2013), std::string("A1"));
        QVERIFY(AllStartsOk(lines));

        // Logout, then a wrong password: exactly one redraw with six arrivals
        // and the failure message; a user name the switch does not know, even
        // an empty one, still reaches the password prompt and fails.
        lines = d.lines("\t\t\r");
        QCOMPARE(SimDriver::lastValue(lines), 1003);
        for (const std::string attempt : {"admin\rAdmin\r", "\r\r", "root\radmin\r"}) {
            lines = d.lines(attempt);
            QCOMPARE(Count(lines, 1004), 1);
            QCOMPARE(Count(lines, 1003), 6);
            QCOMPARE(Message(lines),
                     sim::Pad("Invalid user name or password. Please try again.", 78));
            QCOMPARE(d.sw().where(), std::string("login"));
        }
    }

    void menusMoveChooseAndReturnToTheirItem() {
        SimDriver d(At(keys::kLogin));
        QCOMPARE(SimDriver::lastValue(d.lines("\x1b")), 2001);
        // Highlight moves draw the old item plain, the new one bracketed,
        // then park right after it.
        auto lines = d.lines("\t");
        QCOMPARE(LineAt(lines, 925)->text, std::string(" Static Configuration "));
        QCOMPARE(lines.back().line, std::string("[11;25H<Restart Configuration>"));
        QCOMPARE(SimDriver::lastValue(lines), 2002);
        QCOMPARE(d.reader().held(), std::string("[11;48H"));
        QCOMPARE(SimDriver::lastValue(d.lines("\t")), 2003);
        QCOMPARE(SimDriver::lastValue(d.lines("\t")), 2001); // wraps
        QCOMPARE(SimDriver::lastValue(d.lines("\b")), 2003); // and back
        QCOMPARE(d.type("n\x01 "), std::string());
        QCOMPARE(SimDriver::lastValue(d.lines("\x1b")), 2001); // ESC: item 0

        // Static menu, and back from each screen below it to the item that
        // led there.
        lines = d.lines("\r");
        QCOMPARE(SimDriver::lastValue(lines), 3001);
        QVERIFY(AllStartsOk(lines));
        QCOMPARE(SimDriver::lastValue(d.lines("\r\r")), 3001);         // port, Quit
        QCOMPARE(SimDriver::lastValue(d.lines("\t\r\t\t\r")), 3002);   // trunk, Quit
        QCOMPARE(SimDriver::lastValue(d.lines("\t\r\t\t\t\r")), 3003); // VLAN, Previous
        QCOMPARE(SimDriver::lastValue(d.lines("\t\r\t\t\r")), 3004);   // misc, Quit
        QCOMPARE(SimDriver::lastValue(d.lines("\t\r")), 2001);         // Previous Menu
        QCOMPARE(SimDriver::lastValue(d.lines("\t\r\t\t\r")), 2002);   // restart, Previous
        QCOMPARE(SimDriver::lastValue(d.lines("\t\r")), 1003);         // Logout
        QVERIFY(AllStartsOk(lines));
    }

    void portPagesShowEveryPortOncePerRound() {
        sim::Options o = At(kToPort);
        o.modules = {"100FX", "NC"};
        SimDriver d(o);
        std::vector<std::string> names;
        for (int page = 1; page <= 5; ++page) {
            auto lines = d.lines(page == 1 ? "\x1b" : "\b\r");
            QVERIFY(AllStartsOk(lines));
            QCOMPARE(SimDriver::lastValue(lines), 4001);
            const int rows = page == 4 ? 2 : 8;
            for (int r = 1; r <= 8; ++r)
                QCOMPARE(SimDriver::textOf(lines, 4000 + r * 100 + 1) != "<absent>", r <= rows);
            for (int r = 1; r <= rows && page <= 4; ++r)
                names.push_back(SimDriver::textOf(lines, 4001 + r * 100));
            const SeenLine* indicator = LineAt(lines, 1502);
            QVERIFY(indicator);
            QCOMPARE(indicator->text, "Page " + std::to_string((page - 1) % 4 + 1) + " of 4");
            if (page == 1) {
                const std::vector<std::pair<int, std::string>> row1{
                    {4101, "PORT1"},     {4102, "100TX"}, {4103, "0"},
                    {4104, "0"},         {4105, "Yes"},   {4106, "   AUTO   "},
                    {4107, " 100 Full"}, {4108, " On"},   {4109, "Off"}};
                for (const auto& [value, text] : row1)
                    QCOMPARE(SimDriver::textOf(lines, value), text);
            }
            if (page == 4) {
                QCOMPARE(SimDriver::textOf(lines, 4102), std::string("100FX"));
                QCOMPARE(SimDriver::textOf(lines, 4107), std::string(" 100 Half"));
                QCOMPARE(SimDriver::textOf(lines, 4202), std::string("NC"));
                QCOMPARE(SimDriver::textOf(lines, 4207), std::string("   NC    "));
            }
            if (page == 5) QCOMPARE(SimDriver::textOf(lines, 4101), std::string("PORT1"));
        }
        QCOMPARE(names.size(), size_t(26));
        QCOMPARE(names[23], std::string("PORT24"));
        QCOMPARE(names[24], std::string("MOD_1"));
        QCOMPARE(names[25], std::string("MOD_2"));
    }

    void staticTrunksAreOneRowOnThePortScreen() {
        sim::SwitchState s = sim::FactoryState();
        for (int p : {1, 2, 3, 4})
            s.trunks[0].members[p - 1] = true;
        s.trunks[0].isStatic = true;
        s.trunks[2].members[24] = s.trunks[2].members[25] = true; // not static: no row
        sim::Options o = At(kToPort);
        o.initial = s;
        SimDriver d(o);
        auto lines = d.lines("\x1b");
        QCOMPARE(SimDriver::textOf(lines, 4101), std::string("TRK1"));
        QCOMPARE(SimDriver::textOf(lines, 4201), std::string("PORT5"));
        QCOMPARE(LineAt(lines, 1502)->text, std::string("Page 1 of 3"));
        d.lines("\b\r");
        lines = d.lines("\b\r");
        QCOMPARE(SimDriver::textOf(lines, 4701), std::string("MOD_2"));
        QCOMPARE(SimDriver::textOf(lines, 4801), std::string("<absent>"));

        // A change on the trunk row is stored on every member.
        d.type("\x1b\t\r7\x01\t\r\r");
        for (int p = 0; p < 4; ++p)
            QCOMPARE(d.sw().state().ports[p].inRate, 7);
        QCOMPARE(d.sw().state().ports[4].inRate, 0);
    }

    void portEditChangesExactlyItsFieldOnSave() {
        SimDriver d(At(kToPort));
        const sim::SwitchState before = d.sw().state();
        d.lines("\x1b");
        auto lines = d.lines("\t\r");
        QCOMPARE(
            Message(lines),
            sim::Pad("Edit: Tab/BackSpace = next/previous field, Space = change, Ctrl-A = done",
                     78));
        QCOMPARE(LineAt(lines, 616)->text, std::string("[0   ]"));
        QCOMPARE(d.reader().held(), std::string("[06;18H"));
        // The first character replaces the value, later ones append, a fifth
        // digit and non-digits are refused without output.
        QCOMPARE(d.type("1"), std::string("\b1"));
        QCOMPARE(d.type("2x34"), std::string("234"));
        QCOMPARE(d.type("5"), std::string());
        // Retyping a field with several characters shown erases the rest.
        d.type("\t\b");
        QCOMPARE(d.type("9"), std::string("\b\b\b\b9   \b\b\b"));
        // Space cycles a choice field and leaves number fields alone.
        QCOMPARE(d.type(" "), std::string());
        lines = d.lines("\t\t\t ");
        QCOMPARE(LineAt(lines, 636)->text, std::string("[NWAY_FORCE]"));
        QCOMPARE(d.reader().held(), std::string("[06;47H"));
        lines = d.lines("\x01");
        QCOMPARE(LineAt(lines, 636)->text, std::string(" NWAY_FORCE "));
        QCOMPARE(SimDriver::lastValue(lines), 4002);
        QCOMPARE(d.sw().state(), before); // nothing stored before Save

        d.type("\t\r");
        QCOMPARE(d.sw().where(), std::string("prompt"));
        sim::SwitchState expected = before;
        expected.ports[0].inRate = 9;
        expected.ports[0].autoNego = "NWAY_FORCE";
        QCOMPARE(d.sw().state(), expected);
        QCOMPARE(SimDriver::lastValue(d.lines("n")), 3001); // any key: static menu, item 0
    }

    void portSaveLimitsRatesAndKeepsPagesEdits() {
        SimDriver d(At(kToPort));
        // Page 1 row 1 in-rate 9999; page 4 (modules) both rates 55.
        d.type("\t\r9999\x01");
        d.type("\b\b\r\b\r\b\r");
        auto lines = d.lines("\x01"); // nothing: not in edit mode
        QVERIFY(lines.empty());
        d.type("\t\r55\t55\x01\t\r");
        QCOMPARE(d.sw().state().ports[0].inRate, 1000);
        QCOMPARE(d.sw().state().ports[24].inRate, 0);
        QCOMPARE(d.sw().state().ports[24].outRate, 0);
        QCOMPARE(d.sw().storeCount(), uint64_t(1));
    }

    void escapeThrowsTheWorkingCopyAway() {
        SimDriver d(At(kToPort));
        d.type("\t\r5\t \x01");
        auto lines = d.lines("\x1b");
        QCOMPARE(SimDriver::textOf(lines, 4103), std::string("0"));
        QCOMPARE(SimDriver::lastValue(lines), 4001);
        d.type("\t\t\r\r"); // Save the untouched copy
        QCOMPARE(d.sw().state(), sim::FactoryState());
        QCOMPARE(d.sw().storeCount(), uint64_t(0));
    }

    void trunkDrawEditAndAcceptedSave() {
        sim::SwitchState s = sim::FactoryState();
        s.ports[0].inRate = 50;
        s.ports[0].speed = "  10 Half";
        sim::Options o = At(kToTrunk);
        o.initial = s;
        SimDriver d(o);
        auto lines = d.lines("\x1b");
        QVERIFY(AllStartsOk(lines));
        QCOMPARE(SimDriver::lastValue(lines), 5001);
        QCOMPARE(SimDriver::textOf(lines, 5011), std::string("Disable"));
        QCOMPARE(SimDriver::textOf(lines, 5726), std::string("-"));
        int cells = 0;
        for (const SeenLine& l : lines)
            cells += l.value >= 5101 && l.value <= 5726;
        QCOMPARE(cells, 182);

        lines = d.lines("\r");
        QCOMPARE(LineAt(lines, 619)->text, std::string("[-]"));
        QCOMPARE(d.reader().held(), std::string("[06;21H"));
        // Ports 1 and 2 into trunk 1; seven BackSpaces from the first cell
        // reach trunk 1's status.
        lines = d.lines(" \t \b" + keys::Repeat("\b", 7));
        QCOMPARE(lines.back().line, std::string("[06;09H[Disable]"));
        d.type(" \x01");
        QCOMPARE(d.sw().state().trunks, s.trunks);
        lines = d.lines("\t\r");
        QCOMPARE(SimDriver::values(lines), (std::vector<int>{5002, 5004, 5005}));
        QCOMPARE(Message(lines),
                 sim::Pad("Trunk configuration saved. Press any key to continue.", 78));
        const sim::SwitchState& after = d.sw().state();
        QVERIFY(after.trunks[0].isStatic);
        QVERIFY(after.trunks[0].members[0] && after.trunks[0].members[1]);
        QVERIFY(!after.trunks[0].members[2]);
        // The second member takes the first member's port settings.
        QCOMPARE(after.ports[1].inRate, 50);
        QCOMPARE(after.ports[1].speed, std::string("  10 Half"));
        QCOMPARE(SimDriver::lastValue(d.lines("\r")), 3002);
    }

    void trunkRefusalsStoreNothing_data() {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("reason");
        // Keys after Enter on Edit (current field: trunk 1, port 1).
        QTest::newRow("one member") << " "
                                    << "Trunk 1: 2 to 4 members needed.";
        QTest::newRow("five members")
            << QString::fromStdString(keys::Repeat(" \t", 5)) << "Trunk 1: 2 to 4 members needed.";
        QTest::newRow("port in two trunks")
            << QString::fromStdString(" \t " + keys::Repeat("\t", 25) + " \t ")
            << "Port 1 is in two trunks.";
        QTest::newRow("module mixed") << QString::fromStdString(keys::Repeat("\t", 23) + " \t ")
                                      << "Trunk 1: ports 1-24 mixed with M1/M2.";
    }

    void trunkRefusalsStoreNothing() {
        QFETCH(QString, edit);
        QFETCH(QString, reason);
        SimDriver d(At(kToTrunk));
        auto lines = d.lines("\x1b\r" + edit.toStdString() + "\x01\t\r");
        QCOMPARE(SimDriver::lastValue(lines), 5005);
        QCOMPARE(
            Message(lines),
            sim::Pad("Not saved - " + reason.toStdString() + " Press any key to continue.", 78));
        QCOMPARE(d.sw().state(), sim::FactoryState());
    }

    void miscAccountChangeAndRefusals() {
        SimDriver d(At(kToMisc));
        auto lines = d.lines("\x1b");
        QCOMPARE(SimDriver::textOf(lines, 11101), std::string("admin"));
        QCOMPARE(SimDriver::textOf(lines, 11105), std::string("Disabled"));
        QCOMPARE(SimDriver::textOf(lines, 11106), std::string("Enabled "));
        QCOMPARE(SimDriver::textOf(lines, 11107), std::string("CRC-Hash "));
        QCOMPARE(SimDriver::lastValue(lines), 11001);

        lines = d.lines("\r");
        QCOMPARE(LineAt(lines, 425)->text, std::string("[admin     ]"));
        QCOMPARE(d.reader().held(), std::string("[04;31H"));
        QCOMPARE(d.type("b"), std::string("\b\b\b\b\bb    \b\b\b\b"));
        QCOMPARE(d.type("oss "), std::string("oss")); // no blanks in a user name
        d.type("\t");
        QCOMPARE(d.type("admin"), std::string("*****"));
        lines = d.lines("\tsecret\tsecret\t\t\t ");
        QCOMPARE(lines.back().line, std::string("[12;25H[DirectMap]"));
        lines = d.lines("\x01\t\r");
        QCOMPARE(SimDriver::lastValue(lines), 11004);
        sim::SwitchState expected = sim::FactoryState();
        expected.user = "boss";
        expected.password = "secret";
        expected.macHash = "DirectMap";
        QCOMPARE(d.sw().state(), expected);
        QCOMPARE(SimDriver::lastValue(d.lines("\x1b")), 3004);

        // The new account is the one the login takes.
        d.type("\t\r\t\t\r");
        QCOMPARE(Count(d.lines("admin\radmin\r"), 1003), 6);
        QCOMPARE(SimDriver::lastValue(d.lines("boss\rsecret\r")), 2001);

        // Wrong old password, then a confirmation that differs: refused.
        for (const char* fields : {"\tadmin\tnew\tnew", "\tsecret\tnew1\tnew2", "\t\tnew\tnew"}) {
            d.lines("\r\t\t\t\r\r"); // to misc, Edit
            lines = d.lines(std::string(fields) + "\x01\t\r");
            QVERIFY2(SimDriver::lastValue(lines) == 11005, fields);
            QCOMPARE(d.sw().state(), expected);
            d.lines("\r\t\r"); // answer the prompt, Previous Menu to main
        }
    }

    void restartRunsTheSelfTestAndDiscardsKeys() {
        SimDriver d(At(kToRestart));
        auto lines = d.lines("\x1b\t");
        QCOMPARE(SimDriver::lastValue(lines), 15002);
        QCOMPARE(d.reader().held(), std::string("[09;41H"));
        QCOMPARE(SimDriver::values(d.reader().flush()), std::vector<int>{15003});

        d.sw().keyIn('\r', d.now() + 100000);
        const int64_t t0 = d.now() + 100000;
        std::string out = d.sw().takeOutputUntil(t0 + 999000);
        QCOMPARE(out, std::string("\r\nRestarting the switch ...\r\n"));
        d.sw().keyIn('\x1b', t0 + 500000); // lost: the switch is restarting
        out = d.sw().takeOutputUntil(t0 + 1000000);
        QCOMPARE(out, std::string("\r\nPower-On Self Test ...\r\n"));
        lines = d.reader().feed(out + d.sw().takeOutputUntil(t0 + 10000000));
        std::vector<int> expected;
        for (int v = 2; v <= 14; ++v)
            expected.push_back(v);
        expected.insert(expected.end(), 6, 1003);
        QCOMPARE(SimDriver::values(lines), expected);
        QCOMPARE(SimDriver::textOf(lines, 14), std::string("OK"));
        QCOMPARE(lines[1].line, std::string("\nPower-On Self Test ..."));
        QVERIFY(AllStartsOk(lines));
        QCOMPARE(d.sw().where(), std::string("login"));
        QCOMPARE(d.sw().state(), sim::FactoryState());
    }

    void factoryDefaultOnlyOnYes() {
        sim::SwitchState changed = sim::FactoryState({"100FX", "NC"});
        changed.password = "secret";
        changed.vlanMode = sim::kModeDot1q;
        changed.ports[3].pvid = 9;
        sim::Options o;
        o.initial = changed;
        o.pretype = "admin\rsecret\r\t\r";
        SimDriver d(o);
        // The question goes out raw, so the program sees no complete line.
        const std::string question = d.type("\r");
        QCOMPARE(question, std::string(" Restore factory defaults (y/n)? "));
        auto lines = d.lines("n");
        QCOMPARE(SimDriver::lastValue(lines), 15001);
        QCOMPARE(d.sw().state(), changed);

        d.type("\r");
        const std::string out = d.type("y");
        QVERIFY(out.starts_with(
            "y\r\nRestoring factory defaults ...\r\nRestarting the switch ...\r\n"));
        QCOMPARE(d.sw().state(), sim::FactoryState({"100FX", "NC"}));
        QCOMPARE(d.sw().where(), std::string("login"));
        QCOMPARE(SimDriver::lastValue(d.lines(keys::kLogin)), 2001);
    }
};

QTEST_GUILESS_MAIN(SimScreensTest)
#include "sim_screens_test.moc"
