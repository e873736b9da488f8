// The simulated console driven the way the program drives it: the real
// engine types one key per quiet 100 ms read over the in-memory line (paced
// at 9600 baud), and before login every entry is answered by the program's
// own default walk (DefaultPageAction).
#include "SimDriver.h"
#include "engine/KeyOutput.h"
#include "engine/SerialLink.h"
#include "shared/Publicunit.h"
#include "tests/harness/ConsoleSink.h"
#include "tests/harness/GlobalHooks.h"
#include "tests/harness/LinkHarness.h"
#include "tests/harness/WindowTest.h"

#include <QtTest>

namespace {

struct Start {
    char state;
    std::string pretype;
    const char* where; // where the console is before the connect keys
};
// States the menu rows below do not reach: inputs, edits, questions, later pages.
const std::vector<Start> kStarts{
    {'f', "", "login"},
    {'f', "adm", "login"},
    {'f', "admin\r", "login:password"},
    {'f', kToPort + "\b\r\b\r\t\t", "port"},
    {'f', kToPort + "\t\r" + std::string(11, '\t') + " ", "edit:port"},
    {'f', kToPort + "\t\r12", "edit:port"},
    {'f', kToPort + "\t\t\r", "prompt"},
    {'f', kToTrunk + "\r \t", "edit:trunk"},
    {'f', kToMisc + "\r", "edit:misc"},
    {'f', kToMisc + "\r\txy", "edit:misc"},
    {'f', kToVlan + "\t\r", "vlan"},
    {'f', kToSupport + "\t\r ", "edit:vlansupport"},
    {'q', kToSupport + "\t\r\t4", "edit:vlansupport"},
    {'q', kToGroup + "\t\rab", "edit:group"},
    {'q', kToList + "\t\r\t", "grouplist:select"},
    {'f', kToRestart + "\r", "restart:question"},
};

// Every menu and action bar, to be started from with the highlight on each
// of its items: whichever item a screen was left on, the walk must find its
// way out.
struct Menu {
    char state;
    std::string path;
    const char* where;
    int items;
};
const std::vector<Menu> kMenus{
    {'f', kLogin, "main", 3},    {'f', kToStatic, "static", 5},
    {'f', kToPort, "port", 5},   {'f', kToTrunk, "trunk", 3},
    {'f', kToVlan, "vlan", 4},   {'f', kToSupport, "vlansupport", 5},
    {'q', kToGroup, "group", 5}, {'q', kToList, "grouplist", 3},
    {'f', kToMisc, "misc", 3},   {'f', kToRestart, "restart", 3},
};

} // namespace

Q_DECLARE_METATYPE(Start)

class SimWalkTest : public QObject {
    Q_OBJECT
    MessageBoxes boxes_;

private slots:
    void init() { steps::BeginCase(boxes_); }
    void cleanup() {
        if (IsLinkOpen()) CloseComPort();
        DestroyParser();
        RestoreGlobalHooks();
    }

    void connectKeysReachTheLoginPageUnchanged_data() {
        QTest::addColumn<Start>("s");
        for (size_t i = 0; i < kStarts.size(); ++i)
            QTest::addRow("%zu %s", i, kStarts[i].where) << kStarts[i];
        for (const Menu& m : kMenus)
            for (int item = 0; item < m.items; ++item)
                QTest::addRow("%s, item %d", m.where, item)
                    << Start{m.state, m.path + std::string(size_t(item), '\t'), m.where};
    }

    void connectKeysReachTheLoginPageUnchanged() {
        QFETCH(Start, s);
        LinkHarness h(At(s.state, s.pretype));
        QCOMPARE(h.sim().where(), std::string(s.where));
        // The program's router hands every entry outside 1000-1999 to the
        // default walk until the login page arrives.
        ConsoleSink sink;
        int loginArrivals = 0;
        sink.onEntry = [&](const ConsoleSink::Entry& e) {
            if (e.value >= 1000 && e.value < 2000)
                ++loginArrivals;
            else if (loginArrivals == 0)
                DefaultPageAction(e.value, e.text.c_str());
        };
        QVERIFY(sink.openLink(1));
        SendKeys("n\x01\x1b\t");
        QVERIFY2(h.runUntil([&] { return loginArrivals > 0 && !IsSendPending(); }, 60000),
                 h.sim().where().c_str());
        h.runFor(1000);
        sink.closeLink();
        QCOMPARE(loginArrivals, 6);
        QCOMPARE(sink.startFailures(), 0);
        QCOMPARE(h.sim().where(), std::string("login"));
        QCOMPARE(h.sim().state(), State(s.state));
        QCOMPARE(h.sim().storeCount(), uint64_t(0));
    }
};

QTEST_MAIN(SimWalkTest)
#include "sim_walk_test.moc"
