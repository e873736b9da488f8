// The simulated console driven the way the program drives it: the real
// engine types one key per quiet 100 ms read over the in-memory line, and
// before login every recognised entry is answered by the program's own
// default walk (DefaultPageAction).
#include "engine/KeyOutput.h"
#include "engine/LineFraming.h"
#include "engine/SerialLink.h"
#include "platform/Ui.h"
#include "shared/Publicunit.h"
#include "sim/Rules.h"
#include "tests/harness/ConsoleSink.h"
#include "tests/harness/LinkHarness.h"

#include <QtTest>

namespace {

sim::SwitchState Dot1qState() {
    sim::SwitchState s = sim::FactoryState();
    s.vlanMode = sim::kModeDot1q;
    sim::VlanGroup sales;
    sales.id = 10;
    sales.name = "sales";
    sales.member[0] = sim::kMemberUntagged;
    s.dot1qGroups.push_back(sales);
    return s;
}

struct Start {
    const char* name;
    const char* pretype;
    bool dot1q;
    const char* where; // where the console is before the connect keys
};

const std::vector<Start>& Starts() {
    static const std::vector<Start> starts{
        {"login prompt", "", false, "login"},
        {"login, user name typed", "adm", false, "login"},
        {"password prompt", "admin\r", false, "login:password"},
        {"main menu, Logout highlighted", "admin\radmin\r\t\t", false, "main"},
        {"static menu", "admin\radmin\r\r\t\t", false, "static"},
        {"port page 3, Save highlighted", "admin\radmin\r\r\r\b\r\b\r\t\t", false, "port"},
        {"port edit, a speed field", "admin\radmin\r\r\r\t\r\t\t\t\t\t\t\t\t\t\t\t ", false,
         "edit:port"},
        {"port edit, a rate typed", "admin\radmin\r\r\r\t\r12", false, "edit:port"},
        {"save prompt", "admin\radmin\r\r\r\t\t\r", false, "prompt"},
        {"trunk screen", "admin\radmin\r\r\t\r\t", false, "trunk"},
        {"trunk edit", "admin\radmin\r\r\t\r\r \t", false, "edit:trunk"},
        {"misc edit, user name", "admin\radmin\r\r\t\t\t\r\r", false, "edit:misc"},
        {"misc edit, a password typed", "admin\radmin\r\r\t\t\t\r\r\txy", false, "edit:misc"},
        {"VLAN menu, Disabled message", "admin\radmin\r\r\t\t\r\t\r", false, "vlan"},
        {"VLAN support edit, mode", "admin\radmin\r\r\t\t\r\r\t\r ", false, "edit:vlansupport"},
        {"VLAN support edit, PVID", "admin\radmin\r\r\t\t\r\r\t\r\t4", true, "edit:vlansupport"},
        {"group screen edit, name", "admin\radmin\r\r\t\t\r\t\r\t\rab", true, "edit:group"},
        {"group list", "admin\radmin\r\r\t\t\r\t\t\r\t", true, "grouplist"},
        {"group list, row selection", "admin\radmin\r\r\t\t\r\t\t\r\t\r\t", true,
         "grouplist:select"},
        {"restart menu, Restart Switch highlighted", "admin\radmin\r\t\r\t", false, "restart"},
        {"factory-default question", "admin\radmin\r\t\r\r", false, "restart:question"},
    };
    return starts;
}

} // namespace

class SimWalkTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        ResetSharedState();
        ResetScreenStartCheck();
        ResetKeyOutput();
        ResetLinkFlushCountdown();
        platform::SetMessageBoxHandler([](const QString&, const QString&, int) { return 1; });
    }

    void connectKeysReachTheLoginPageUnchanged_data() {
        QTest::addColumn<int>("start");
        for (int i = 0; i < static_cast<int>(Starts().size()); ++i)
            QTest::newRow(Starts()[static_cast<size_t>(i)].name) << i;
    }

    void connectKeysReachTheLoginPageUnchanged() {
        QFETCH(int, start);
        const Start& s = Starts()[static_cast<size_t>(start)];
        sim::Options o;
        o.initial = s.dot1q ? Dot1qState() : sim::FactoryState();
        o.pretype = s.pretype;
        LinkHarness h(o);
        QCOMPARE(h.sim().where(), std::string(s.where));

        // The program's router hands every entry outside 1000-1999 to the
        // default walk until the login page arrives.
        ConsoleSink sink;
        int loginArrivals = 0;
        sink.onEntry = [&](const ConsoleSink::Entry& e) {
            if (e.value >= 1000 && e.value < 2000) {
                ++loginArrivals;
                return;
            }
            if (loginArrivals == 0) DefaultPageAction(e.value, e.text.c_str());
        };
        QVERIFY(sink.openLink(1));
        SendKeys("n\x01\x1b\t");
        const bool reached = h.runUntil(
            [&] { return loginArrivals > 0 && !IsSendPending() && h.sim().where() == "login"; },
            60000);
        h.runFor(1000);
        sink.closeLink();
        QVERIFY2(reached, h.sim().where().c_str());
        QCOMPARE(loginArrivals, 6);
        QCOMPARE(sink.startFailures(), 0);
        QCOMPARE(h.sim().where(), std::string("login"));
        QCOMPARE(h.sim().state(), *o.initial);
        QCOMPARE(h.sim().storeCount(), uint64_t(0));
    }

    void portPagesReadAsTheProgramReadsThem() {
        LinkHarness h;
        ConsoleSink sink;
        QVERIFY(sink.openLink(1));
        SendKeys("\x1b"
                 "admin\radmin\r\r\r");
        QVERIFY(h.runUntil([&] {
            return !sink.values().empty() && sink.values().back() == 4001 && !IsSendPending();
        }));
        std::vector<std::string> names;
        for (int page = 1; page <= 5; ++page) {
            if (page > 1) {
                sink.clear();
                SendKeys("\b\r");
                QVERIFY(h.runUntil([&] {
                    return !sink.values().empty() && sink.values().back() == 4001 &&
                           !IsSendPending();
                }));
            }
            std::map<int, std::string> cells;
            for (const ConsoleSink::Entry& e : sink.entries())
                if (e.value > 4100 && e.value < 4900) cells[e.value] = e.text;
            const int rows = page == 4 ? 2 : 8;
            QCOMPARE(static_cast<int>(cells.size()), rows * 9);
            for (int r = 1; r <= rows; ++r) {
                for (int f = 1; f <= 9; ++f)
                    QVERIFY(cells.count(4000 + r * 100 + f));
                if (page <= 4) names.push_back(cells[4000 + r * 100 + 1]);
            }
            if (page == 5) QCOMPARE(cells[4101], std::string("PORT1"));
        }
        sink.closeLink();
        QCOMPARE(names.size(), size_t(26));
        QCOMPARE(names.front(), std::string("PORT1"));
        QCOMPARE(names.back(), std::string("MOD_2"));
        QCOMPARE(sink.startFailures(), 0);
    }

    // With pacing the whole answer arrives before the engine's next key: a
    // key typed only after a quiet read never lands inside a burst.
    void pacedBurstsEndBeforeTheNextKey() {
        LinkHarness h;
        ConsoleSink sink;
        QVERIFY(sink.openLink(1));
        SendKeys("\x1b"
                 "admin\radmin\r\r\r");
        QVERIFY(h.runUntil([&] { return h.sim().where() == "port" && !IsSendPending(); }));
        h.runFor(3000);
        QVERIFY(h.sim().sendingUntil() <= h.clock().nowUs());
        QCOMPARE(h.keysTyped(), std::string("\x1b"
                                            "admin\radmin\r\r\r"));
        QCOMPARE(sink.values().back(), 4001);
        sink.closeLink();
    }

    void closedLinkLeavesTheFactoryAndClockAlone() {
        {
            LinkHarness h;
            h.setPortAvailable(1, false);
            h.setPortAvailable(3, true);
            ConsoleSink sink;
            QVERIFY(!sink.openLink(1));
            QVERIFY(sink.openLink(3));
            sink.closeLink();
            const int64_t t = h.clock().nowUs();
            h.step();
            QCOMPARE(h.clock().nowUs(), t + 100000);
        }
        QVERIFY(!IsLinkOpen());
    }
};

QTEST_MAIN(SimWalkTest)
#include "sim_walk_test.moc"
