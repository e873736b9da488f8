// The simulated console as the program reads it: a tour of every screen
// (entries, texts, every table value), menus, edit modes and saves, the
// switch's own refusals, factory default; and its timing: 9600-baud pacing,
// keys during a burst, a save delay or a restart.
#include "SimDriver.h"

#include <QtTest>

#include <functional>
#include <sstream>

namespace {

// Checks "V=text" (the text of the first V) and ">V" (the last value) items,
// separated by '|'.
void Expect(const Lines& lines, const std::string& expect, const std::string& step) {
    std::istringstream items(expect);
    for (std::string item; std::getline(items, item, '|');) {
        const size_t eq = item.find('=');
        const std::string got = eq == std::string::npos ? ">" + std::to_string(LastValue(lines))
                                                        : TextOf(lines, std::stoi(item));
        QVERIFY2(got == item.substr(eq == std::string::npos ? 0 : eq + 1),
                 (step + ": " + item + " got \"" + got + "\"").c_str());
    }
}

using S = sim::SwitchState;
struct Case {
    const char* name;
    char state;
    std::string pretype, edit, save;     // edit ends in the working copy; save stores it
    int value;                           // the save's result (seen once, a login page six times)
    std::function<void(S&)> change = {}; // what the save stores (nothing when refused)
    std::string message = {};            // the refusal shown
};
const std::vector<Case>& Cases() {
    const std::string press = " Press any key to continue.";
    const auto trunk = [&](const char* name, const std::string& edit, const std::string& why) {
        const std::string message = "Not saved - " + why + press;
        return Case{name, 'f', kToTrunk, "\r" + edit + "\x01", "\t\r", 5005, nullptr, message};
    };
    const auto group = [&](const char* name, char state, const std::string& edit,
                           const std::string& why) {
        const std::string message = "VLAN group NOT saved: " + why + "." + press;
        return Case{name, state, kToGroup, "\t\r" + edit + "\x01", "\t\r", 8007, nullptr, message};
    };
    const auto misc = [&](const char* name, const std::string& edit) {
        const std::string message = "Password error - misc configuration NOT saved." + press;
        return Case{name, 'f', kToMisc, "\r" + edit + "\x01", "\t\r", 11005, nullptr, message};
    };
    const std::string login = "Invalid user name or password. Please try again.";
    static const std::vector<Case> cases{
        {"port: typed rate, auto", 'f', kToPort, "\t\r7x5\t\t\t \x01", "\t\r", 4007,
         [](S& s) { s.ports[0].inRate = 75, s.ports[0].autoNego = "NWAY_FORCE"; }},
        {"port: limits, pages keep the copy", 'f', kToPort,
         "\t\r9999\x01\b\b\r\b\r\b\r\t\r55\t55\x01", "\t\r", 4007,
         [](S& s) { s.ports[0].inRate = 1000; }},
        {"port: ESC drops the copy", 'f', kToPort, "\t\r5\t \x01\x1b", "\t\t\r", 4007},
        {"port: trunk row", 'k', kToPort, "\t\r7\x01", "\t\r", 4007,
         [](S& s) {
             s.ports[0].inRate = s.ports[1].inRate = s.ports[2].inRate = s.ports[3].inRate = 7;
         }},
        {"trunk: members take the first's settings", 'q', kToTrunk, "\r \t \b\b\b\b\b\b\b\b \x01",
         "\t\r", 5005,
         [](S& s) {
             s.trunks[0].isStatic = s.trunks[0].members[0] = s.trunks[0].members[1] = true;
             s.ports[1].inRate = 50, s.ports[1].speed = "  10 Half";
         }},
        {"vlan: mode and PVID", 'f', kToSupport, "\t\r  \x01\r\t7\x01", "\t\r", 7007,
         [](S& s) { s.vlanMode = sim::kModeDot1q, s.ports[0].pvid = 7; }},
        {"vlan: PVID limits, page 4", 'q', kToSupport,
         "\b\b\r\t\r\t255\t0\x01\b\b\r\t\r\t300\t42\x01", "\t\r", 7007,
         [](S& s) { s.ports[24].pvid = 255, s.ports[1].pvid = 42; }},
        {"group: 802.1Q over four pages", 'q', kToGroup,
         "\t\ra b\t20\t \t \x01\b\b\r\b\r\b\r\t\r\t\t\t  \x01", "\t\r", 8006,
         [](S& s) {
             s.dot1qGroups.push_back({20, "a b", {sim::kMemberUntagged, sim::kMemberUntagged}});
             s.dot1qGroups.back().member[25] = sim::kMemberTagged;
         }},
        {"group: port-based, two-digit id", 'p', kToGroup, "\t\reng\t123\t   \x01", "\t\r", 8006,
         [](S& s) {
             s.portBasedGroups = {{12, "eng", {sim::kMemberUntagged}}};
         }},
        {"group: edit from the list", 'q', kToList, "\t\r\t\r\t\rsold\t11\x01", "\t\r", 8006,
         [](S& s) { s.dot1qGroups[1].name = "sold", s.dot1qGroups[1].id = 11; }},
        {"group: delete", 'q', kToList, "\t\t\r\t", "\r", 9006,
         [](S& s) { s.dot1qGroups.pop_back(); }},
        {"misc: account and hash", 'f', kToMisc, "\rboss \tadmin\tsecret\tsecret\t\t\t \x01",
         "\t\r", 11004,
         [](S& s) { s.user = "boss", s.password = "secret", s.macHash = "DirectMap"; }},
        // The switch's own refusals.
        trunk("trunk: one member", " ", "Trunk 1: 2 to 4 members needed."),
        trunk("trunk: five members", " \t \t \t \t ", "Trunk 1: 2 to 4 members needed."),
        trunk("trunk: port in two", " \t " + std::string(25, '\t') + " \t ",
              "Port 1 is in two trunks."),
        trunk("trunk: modules mixed", std::string(23, '\t') + " \t ",
              "Trunk 1: ports 1-24 mixed with M1/M2."),
        group("group: no name", 'q', "\t5", "name missing"),
        group("group: blank name", 'q', "   \t5", "name missing"),
        group("group: port name", 'q', "port3\t5", "name reserved"),
        group("group: trunk name", 'q', "Trk7\t5", "name reserved"),
        group("group: no id", 'q', "eng", "VLAN ID out of range"),
        group("group: id 4095", 'q', "eng\t4095", "VLAN ID out of range"),
        group("group: id 27 port-based", 'p', "eng\t27", "VLAN ID out of range"),
        group("group: id in use", 'q', "eng\t10", "VLAN ID already in use"),
        group("group: table full", 'Q', "x\t99", "table full"),
        {"group: new id while a PVID uses the old", 'v', kToList, "\t\r\t\r\t\rsold\t11\x01",
         "\t\r", 8007, nullptr, "VLAN group NOT saved: VLAN ID is a PVID in use." + press},
        {"group: rename while a PVID uses it", 'v', kToList, "\t\r\t\r\t\rsold\t10\x01", "\t\r",
         8006, [](S& s) { s.dot1qGroups[1].name = "sold"; }},
        {"delete: a PVID", 'q', kToList, "\t\t\r", "\r", 9007, nullptr,
         "VLAN group is a PVID in use and cannot be deleted."},
        {"list: no group", 'p', kToList, "", "\t\r", 9002, nullptr, "No VLAN group exists."},
        {"vlan: mode disabled", 'f', kToVlan, "", "\t\r", 6002, nullptr,
         "VLAN mode is Disabled - set a VLAN mode first."},
        misc("misc: wrong old password", "\tAdmin\tnew\tnew"),
        misc("misc: confirmation differs", "\tadmin\tnew1\tnew2"),
        misc("misc: old password missing", "\t\tnew\tnew"),
        {"login: wrong password", 'f', "", "admin\rAdmin", "\r", 1003, nullptr, login},
        {"login: empty", 'f', "", "\r", "\r", 1003, nullptr, login},
    };
    return cases;
}

constexpr int64_t kMs = 1000;

// Takes everything queued: the bytes and the time each becomes readable.
std::string TakeAll(sim::Switch& sw, std::vector<int64_t>& at) {
    std::string bytes;
    for (int64_t t; (t = sw.nextOutputTime()) != sim::Switch::kNever; at.push_back(t))
        bytes += static_cast<char>(sw.takeOutput());
    return bytes;
}

} // namespace

class SimScreensTest : public QObject {
    Q_OBJECT

private slots:
    // Sessions through every screen, edit, save and refusal: each drawing
    // yields the texts the windows compare, every full draw passes the
    // screen-start check, and every value of the page table is drawn.
    void tourDrawsEveryTableValue() {
        struct Step {
            char state; // '-': go on in the previous session; 'b': boot with 'm'
            std::string pretype, keys, expect;
        };
        const std::vector<Step> tour{
            {'b', "", " ", "2=OK|14=OK|1003=|>1003"},
            {'-', "", kLogin, "1004=|2011=1.02 (Jul 12 2004)|2012=a|2013=A1|>2001"},
            {'-', "", "\t\t\t\b\b\b\r\t\t\t\t\t\b\b\b\b", ">3002"},
            {'-', "", "\x1b\r",
             "4101=PORT1|4102=100TX|4103=0|4104=0|4105=Yes|4106=   AUTO   |4107= 100 Full|"
             "4108= On|4109=Off|4801=PORT8|>4001"},
            {'-', "", "\t\t\t\t\b\b\b\b\t\t\t\t\r\b\r", "4101=PORT9|4809=Off|>4001"},
            {'-', "", "\b\r",
             "4101=MOD_1|4102=100FX|4107= 100 Half|4201=MOD_2|4202=NC|4207=   NC    "
             "|4301=<absent>|>4001"},
            {'-', "", "\b\r", "4101=PORT1|>4001"},
            {'-', "", "\t\r7\t\t\t ", "4103=<absent>|4106=<absent>"}, // edits draw no cell
            {'-', "", "\x01\t\r\r", ">3001"},
            {'k', kToPort, "\x1b", "4101=TRK1|4201=PORT5|>4001"},
            {'q', kToTrunk, "\x1b", "5011=Disable|5101=-|5726=-|>5001"},
            {'-', "", "\t\t\t\r\x01\t\r\r", ""},
            {'-', "", "\t\t\r\t\t\t\b\b\b",
             "11101=admin|11105=Disabled|11106=Enabled |11107=CRC-Hash |>11001"},
            {'-', "", "\r\x01\t\r\r\r\r\tx\x01\t\r\r", ""},
            {'q', kToVlan, "\x1b\t\t\t\b\b\b", ">6001"},
            {'-', "", "\r", "7000=802.1Q   |7011=PORT1|7021=1|7018=PORT8|>7001"},
            {'-', "", "\t\t\t\t\b\b\b\b\b\r\t\r\x01\t\r\r", ""},
            {'-', "", "\t\r", "8101=|8102=|8000=(1 - 4094)|8011=PORT1|8021=No      |>8001"},
            {'-', "", "\t\t\t\t\b\b\b\b\t\rab\t7\x01\t\r\r\r\t\rab\t7\x01\t\r\r", ""},
            {'f', kToSupport, "\x1b", "7000=Disabled |7011=<absent>|>7001"},
            {'p', kToGroup, "\x1b", "8000=(1 - 26)|8021=No    |>8001"},
            {'Q', kToList, "\x1b", "9101=VLAN1|9201=1|9114=g14|9226=26|9001=26|>9001"},
            {'-', "", "\t\t\r\r\r\t\r", ""},
            {'p', kToList, "\x1b", "9008=.|9001=0|>9001"},
            {'-', "", "\r\t\r\t\t\r\t\r\t", ">15002"},
        };
        std::set<int> values, pages;
        std::unique_ptr<SimDriver> d;
        auto collect = [&] {
            if (!d) return;
            d->feed("\x1b"); // a held park: the restart menu's 0941 entry
            QCOMPARE(d->startFailures, 0);
            values.insert(d->seenValues.begin(), d->seenValues.end());
            pages.insert(d->seenPages.begin(), d->seenPages.end());
        };
        for (const Step& s : tour) {
            if (s.state != '-') {
                collect();
                d = std::make_unique<SimDriver>(
                    At(s.state == 'b' ? 'm' : s.state, s.pretype, s.state == 'b'));
            }
            Expect(d->lines(s.keys), s.expect, std::to_string(&s - tour.data()));
        }
        collect();
        const Parser& p = d->parser();
        std::vector<int> missing;
        for (int i = 0; i + 1 < p.TopList().Count(); ++i)
            if (!pages.count(p.TopList().At(i).value)) missing.push_back(p.TopList().At(i).value);
        for (int list = 0; list < 16; ++list)
            for (int i = 0; i + 1 < p.PageList(list).Count(); ++i)
                if (!values.count(p.PageList(list).At(i).value))
                    missing.push_back(p.PageList(list).At(i).value);
        QCOMPARE(missing, std::vector<int>{}); // values no screen draws
    }

    void loginPromptEchoesRawAndStartsOverOnEscape() {
        SimDriver d;
        const Lines lines = d.lines("\x1b");
        QCOMPARE(Values(lines), std::vector<int>(6, 1003));
        QCOMPARE(Message(lines), std::string("<none>")); // no failure text on a plain draw
        QCOMPARE(d.held, std::string("[12;32H"));
        QCOMPARE(d.type("\t\x01 \b\n\x02\x80\xff"), std::string());  // no meaning: no output
        QCOMPARE(d.type("abcdefghijkl"), std::string("abcdefghij")); // ten at most, raw
        QCOMPARE(d.type("\x7f"), std::string("\b \b")); // a terminal's DEL is BackSpace
        QVERIFY(d.lines("x").empty());                  // a typed key never completes a line
        QCOMPARE(Values(d.lines("\r")), std::vector<int>{1004});
        QCOMPARE(d.type("pw"), std::string("**"));
        QCOMPARE(LastValue(d.lines("\x1b" + std::string(kLogin))), 2001); // both inputs cleared
    }

    void menusMoveAndReturnToTheItemThatLedDown() {
        SimDriver d;
        d.type(kLogin);
        const std::vector<std::pair<const char*, int>> steps{
            {"\t", 2002},         {"\t", 2003},           {"\t", 2001},         {"\b", 2003},
            {"n\x01 ", -1},       {"\x1b", 2001},         {"\r", 3001},         {"\r\r", 3001},
            {"\t\r\t\t\r", 3002}, {"\t\r\t\t\t\r", 3003}, {"\t\r\t\t\r", 3004}, {"\t\r", 2001},
            {"\t\r\t\t\r", 2002}, {"\t\r", 1003}};
        for (const auto& [keys, last] : steps)
            QCOMPARE(LastValue(d.lines(keys)), last);
        QCOMPARE(d.startFailures, 0);
    }

    // Each edit mode changes its working copy only; Save stores exactly the
    // fields edited, and nothing before the save; a refusal stores nothing.
    void editsAreStoredBySaveOnly_data() {
        QTest::addColumn<int>("row");
        for (size_t i = 0; i < Cases().size(); ++i)
            QTest::newRow(Cases()[i].name) << int(i);
    }

    void editsAreStoredBySaveOnly() {
        QFETCH(int, row);
        const Case& c = Cases()[size_t(row)];
        SimDriver d(At(c.state, c.pretype));
        d.type("\x1b" + c.edit); // ESC: the reader learns the page
        QCOMPARE(d.sw().state(), State(c.state));
        const Lines lines = d.lines(c.save);
        QCOMPARE(std::ranges::count(Values(lines), c.value), c.value == 1003 ? 6 : 1);
        if (!c.message.empty()) QCOMPARE(Message(lines), c.message);
        sim::SwitchState expected = State(c.state);
        if (c.change) c.change(expected);
        QCOMPARE(d.sw().state(), expected);
        QCOMPARE(d.sw().storeCount(), uint64_t(expected != State(c.state)));
        QCOMPARE(d.startFailures, 0);
    }

    // A trunk save copies port 25's settings to port 26 of a module trunk,
    // the speed only where port 26's type offers it; a speed the row's last
    // save left on port 26 alone does not survive.
    void trunkSaveCopiesTheLowestMembersSettings() {
        const struct {
            std::string m25, m26, speed26; // module types; port 26's speed before the save
            std::string after25, after26;
        } rows[] = {{"100FX", "1000TX", "1000 Full", " 100 Half", " 100 Half"},
                    {"1000FX", "1000TX", " 100 Full", "1000 Full", "1000 Full"},
                    {"1000TX", "100FX", " 100 Half", "  10 Full", " 100 Half"}};
        for (const auto& r : rows) {
            sim::Options o = At('f', kToTrunk);
            o.initial = sim::FactoryState({r.m25, r.m26});
            S& s = *o.initial;
            s.trunks[1].isStatic = s.trunks[1].members[24] = s.trunks[1].members[25] = true;
            if (r.m25 == "1000TX") s.ports[24].speed = "  10 Full";
            s.ports[24].enabled = false, s.ports[24].autoNego = "   FORCE  ";
            s.ports[24].flowFull = false, s.ports[24].flowHalf = true;
            s.ports[25].speed = r.speed26, s.ports[25].pvid = 5;
            SimDriver d(o);
            QCOMPARE(LastValue(d.lines("\x1b\t\r")), 5005); // Save, nothing edited
            const sim::Port& p25 = d.sw().state().ports[24];
            const sim::Port& p26 = d.sw().state().ports[25];
            QCOMPARE(QString::fromStdString(r.m25 + ": " + p25.speed + "|" + p26.speed),
                     QString::fromStdString(r.m25 + ": " + r.after25 + "|" + r.after26));
            QCOMPARE(
                std::tie(p26.enabled, p26.autoNego, p26.flowFull, p26.flowHalf, p26.pvid),
                std::tie(p25.enabled, p25.autoNego, p25.flowFull, p25.flowHalf, s.ports[25].pvid));
        }
    }

    void factoryDefaultOnlyOnYes() {
        sim::Options o = At('m', "admin\rsecret\r\t\r");
        o.initial->password = "secret";
        o.initial->ports[3].pvid = 9;
        SimDriver d(o);
        // The question goes out raw: the program sees no complete line.
        QCOMPARE(d.type("\r"), std::string(" Restore factory defaults (y/n)? "));
        QCOMPARE(LastValue(d.lines("n")), 15001); // any other key: the menu again
        QCOMPARE(d.sw().state(), *o.initial);
        d.type("\r");
        QVERIFY(d.type("y").starts_with(
            "y\r\nRestoring factory defaults ...\r\nRestarting the switch ...\r\n"));
        QCOMPARE(d.sw().state(), State('m')); // module types are hardware and stay
        QCOMPARE(LastValue(d.lines(kLogin)), 2001);
    }

    // --- timing on the injected clock, with pacing ---

    void pacedAt9600BaudAndAKeyWaitsForTheWholeBurst() {
        sim::Switch sw(At('f', kLogin));
        sw.keyIn('\x1b', 1000 * kMs);
        const int64_t end = sw.sendingUntil();
        sw.keyIn('\t', 1020 * kMs); // the draw takes far longer than 20 ms
        std::vector<int64_t> at;
        const std::string bytes = TakeAll(sw, at);
        QVERIFY(bytes.starts_with("\x1b[2J\x1b[20;02H\x1b[01;09H"));
        QCOMPARE(at.front(), 1000 * kMs + 1041);
        for (size_t i = 1; i < at.size(); ++i)
            QVERIFY(at[i] - at[i - 1] >= 1041 && at[i] - at[i - 1] <= 1042);
        const size_t tab = bytes.find("\x1b[09;47H") + 8; // the park ends the draw
        QCOMPARE(at[tab - 1], end);
        QCOMPARE(end, 1000 * kMs + int64_t(tab) * 1000000 / 960);
        QCOMPARE(bytes.substr(tab), std::string("\x1b[09;25H Static Configuration "
                                                "\x1b[11;25H<Restart Configuration>\x1b[11;48H"));
    }

    void saveDelayDiscardsKeysAndStoresOnlyAtItsEnd() {
        sim::Options o = At('f', kToPort + "\t\r5\x01\t");
        o.pacing = false;
        o.saveDelayMs = 1000;
        sim::Switch sw(o);
        sw.keyIn('\r', 100 * kMs);
        QCOMPARE(sw.takeOutputUntil(100 * kMs),
                 "\x1b[20;02H" + sim::Pad("Saving port configuration ...", 78) + "\x1b[20;31H");
        sw.keyIn('\x1b', 600 * kMs); // lost in the save delay
        QCOMPARE(sw.takeOutputUntil(1099 * kMs), std::string());
        QCOMPARE(sw.storeCount(), uint64_t(0));
        QVERIFY(sw.takeOutputUntil(1100 * kMs).find("Port configuration saved.") !=
                std::string::npos);
        QCOMPARE(sw.state().ports[0].inRate, 5);
        QCOMPARE(sw.where(), std::string("prompt")); // the ESC did not answer it
        sw.keyIn('\x1b', 1200 * kMs);
        QCOMPARE(sw.where(), std::string("static"));
    }

    void restartPausesDiscardKeysAndKeepTheState() {
        sim::Options o = At('f', "boss\radmin\r\t\r\t"); // Restart Switch highlighted
        o.initial->user = "boss";
        sim::Switch sw(o);
        sw.keyIn('\r', 0);
        sw.keyIn('\x1b', 500 * kMs); // lost: the switch is restarting
        std::vector<int64_t> at;
        const std::string bytes = TakeAll(sw, at);
        const size_t banner = bytes.find("\r\nPower-On Self Test ...\r\n");
        QVERIFY(bytes.starts_with("\r\nRestarting the switch ...\r\n\r\nPower-On"));
        QVERIFY(at[banner] - at[banner - 1] >= 1000 * kMs); // the restart pause
        std::vector<int64_t> starts; // each test line: a 30-character label, then "OK"
        for (size_t ok = bytes.find("OK\r\n"); ok != std::string::npos;
             ok = bytes.find("OK\r\n", ok + 1))
            starts.push_back(at[ok - 30]);
        QCOMPARE(starts.size(), size_t(13));
        for (size_t i = 1; i < starts.size(); ++i)
            QVERIFY(starts[i] - starts[i - 1] >= 150 * kMs);
        const size_t login = bytes.find("\x1b[2J"); // 500 ms after the last line's CR LF
        QVERIFY(at[login] - at[bytes.find("Self test completed.") + 21] >= 500 * kMs);
        QCOMPARE(bytes.find("\x1b[2J", login + 1), std::string::npos); // the ESC was not kept
        QCOMPARE(sw.where(), std::string("login"));
        QCOMPARE(sw.state(), *o.initial);
    }
};

QTEST_GUILESS_MAIN(SimScreensTest)
#include "sim_screens_test.moc"
