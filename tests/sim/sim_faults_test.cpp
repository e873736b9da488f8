// Faults on the simulated switch's line: the --fault list, and what each
// fault does to the bytes that pass (same seed, same faults).
#include "sim/Faults.h"
#include "sim/Switch.h"

#include <QtTest>

#include <string>

namespace {

// A quick-booting switch behind a faulty line.
struct Faulty {
    sim::Switch sw;
    sim::FaultyLine line;
    int64_t now = 0;
    explicit Faulty(const sim::FaultOptions& f) : sw(Quick(), 0), line(sw, f) {}
    static sim::Options Quick() {
        sim::Options o;
        o.pacing = false;
        o.bootAtStart = true;
        return o;
    }
    // Types the keys (100 ms apart) and collects everything that comes out.
    std::string run(const std::string& keys = "") {
        std::string out;
        auto drain = [&] {
            for (int64_t t; (t = line.nextOutputTime()) != sim::Switch::kNever;) {
                now = std::max(now, t);
                out += static_cast<char>(line.takeOutput());
            }
        };
        drain();
        for (char k : keys) {
            line.keyIn(static_cast<uint8_t>(k), now += 100000);
            drain();
        }
        return out;
    }
};

} // namespace

class SimFaultsTest : public QObject {
    Q_OBJECT

private slots:
    void faultListParsing_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<bool>("ok");
        QTest::newRow("all") << "seed=7,drop-keys=0.1,flip-keys=0,delay-keys=1,drop-output=0.5,"
                                "flip-output=0.01,delay-output=0.2,delay-ms=300,hangup-after=50,"
                                "hangup-at=edit:port,power-cycle-at=port"
                             << true;
        QTest::newRow("chance over 1") << "drop-keys=1.5" << false;
        QTest::newRow("not a number") << "flip-output=x" << false;
        QTest::newRow("unknown") << "melt=1" << false;
        QTest::newRow("no value") << "seed=" << false;
        QTest::newRow("empty part") << "seed=1,,drop-keys=0" << false;
        QTest::newRow("targeted") << "drop-key-at=edit:misc:5,drop-output-at=login:password:13,"
                                     "flip-output-at=port:40:7"
                                  << true;
        QTest::newRow("flip without a bit") << "flip-output-at=port:40" << false;
        QTest::newRow("bit 8") << "flip-output-at=port:40:8" << false;
        QTest::newRow("0th key") << "drop-key-at=misc:0" << false;
        QTest::newRow("no screen") << "drop-output-at=:3" << false;
    }
    void faultListParsing() {
        QFETCH(QString, list);
        QFETCH(bool, ok);
        sim::FaultOptions f;
        std::string error;
        QCOMPARE(sim::ParseFaultList(list.toStdString(), f, error), ok);
        QCOMPARE(error.empty(), ok);
        if (list.startsWith("seed=7,")) {
            QCOMPARE(f.seed, 7u);
            QCOMPARE(f.delayMs, 300);
            QCOMPARE(f.hangUpAfter, int64_t(50));
            QCOMPARE(QString::fromStdString(f.hangUpAt), QStringLiteral("edit:port"));
            QCOMPARE(QString::fromStdString(f.powerCycleAt), QStringLiteral("port"));
            QCOMPARE(f.dropOutput, 0.5);
        }
        if (list.startsWith("drop-key-at=edit:")) {
            QCOMPARE(QString::fromStdString(f.dropKeyAt.screen), QStringLiteral("edit:misc"));
            QCOMPARE(f.dropKeyAt.n, int64_t(5));
            QCOMPARE(QString::fromStdString(f.dropOutputAt.screen),
                     QStringLiteral("login:password"));
            QCOMPARE(f.flipOutputAt.n, int64_t(40));
            QCOMPARE(f.flipOutputAt.bit, 7);
        }
    }

    // The 5th key typed after the misc screen is drawn (Enter on Edit is
    // the first) is lost: the saved user name misses its "o". The next save
    // goes through whole.
    void droppedKeyOnceWhereTold() {
        sim::FaultOptions f;
        std::string error;
        QVERIFY(sim::ParseFaultList("drop-key-at=misc:5", f, error));
        Faulty sw(f);
        sw.run();
        const std::string saveUser = "\rnetops\x01\t\r ";
        sw.run("admin\radmin\r\r\t\t\t\r" + saveUser);
        QCOMPARE(QString::fromStdString(sw.sw.state().user), QStringLiteral("netps"));
        sw.run("\r" + saveUser);
        QCOMPARE(QString::fromStdString(sw.sw.state().user), QStringLiteral("netops"));
    }

    // One output byte, counted from the first byte drawn at the screen, is
    // flipped or lost; the same screen drawn again comes out whole.
    void outputByteOnceWhereTold_data() {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QString>("before"); // keys up to the one that draws the screen
        QTest::addColumn<QString>("after");  // keys that draw it again
        QTest::addColumn<QString>("text");   // n: this text's byte `offset` in the drawing
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("bit"); // -1: lost
        QTest::newRow("PORT4 read as PORT6") << "port"
                                             << "admin\radmin\r\r\r"
                                             << "\x1b"
                                             << "PORT4" << 4 << 1;
        QTest::newRow("Passord") << "login:password"
                                 << "admin\r"
                                 << "\x1b"
                                    "admin\r"
                                 << "Password" << 4 << -1;
    }
    void outputByteOnceWhereTold() {
        QFETCH(QString, screen);
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(QString, text);
        QFETCH(int, offset);
        QFETCH(int, bit);
        std::string lead = before.toStdString();
        lead.pop_back(); // the key that draws the screen: its output is counted
        Faulty plain({});
        plain.run();
        plain.run(lead);
        const std::string counted = plain.run(before.right(1).toStdString() + after.toStdString());
        const size_t at = counted.find(text.toStdString()) + size_t(offset);
        QVERIFY(at < counted.size());

        const std::string n = std::to_string(at + 1);
        const std::string list = bit < 0 ? "drop-output-at=" + screen.toStdString() + ":" + n
                                         : "flip-output-at=" + screen.toStdString() + ":" + n +
                                               ":" + std::to_string(bit);
        sim::FaultOptions f;
        std::string error;
        QVERIFY(sim::ParseFaultList(list, f, error));
        Faulty faulty(f);
        faulty.run();
        faulty.run(lead);
        std::string expected = counted;
        if (bit < 0)
            expected.erase(at, 1);
        else
            expected[at] = char(expected[at] ^ (1 << bit));
        QCOMPARE(faulty.run(before.right(1).toStdString() + after.toStdString()), expected);
    }

    // The same seed gives the same damage; flips change bytes, drops lose
    // them, and a clean line passes the switch's output unchanged.
    void randomFaultsFollowTheSeed() {
        auto output = [](const sim::FaultOptions& f) { return Faulty(f).run(); };
        const std::string clean = output({});
        QVERIFY(clean.find("Vlan Initialize") != std::string::npos);
        sim::FaultOptions flips;
        flips.seed = 3;
        flips.flipOutput = 0.05;
        const std::string flipped = output(flips);
        QCOMPARE(flipped.size(), clean.size());
        QVERIFY(flipped != clean);
        QCOMPARE(output(flips), flipped);
        sim::FaultOptions drops;
        drops.dropOutput = 0.1;
        QVERIFY(output(drops).size() < clean.size());
    }

    void hangUpAndPowerCycleWhereTold() {
        sim::FaultOptions f;
        f.hangUpAfter = 40;
        Faulty after(f);
        QCOMPARE(after.run().size(), size_t(40));
        QVERIFY(after.line.hungUp());
        QCOMPARE(after.line.nextOutputTime(), sim::Switch::kNever);

        // Log in, then open the static menu: the switch restarts there.
        f = {};
        f.powerCycleAt = "static";
        Faulty cycled(f);
        cycled.run(); // the boot output
        const std::string out = cycled.run("admin\radmin\r\r");
        const size_t staticMenu = out.find("Static Configuration Menu");
        QVERIFY(staticMenu != std::string::npos);
        QVERIFY(out.find("Power-On Self Test", staticMenu) != std::string::npos);
        QCOMPARE(cycled.sw.where(), std::string("login"));

        f = {};
        f.hangUpAt = "main";
        Faulty hung(f);
        hung.run("admin\radmin\r");
        QVERIFY(hung.line.hungUp());
        hung.run("\r"); // lost on the closed line
        QCOMPARE(hung.sw.where(), std::string("main"));
    }
};

QTEST_MAIN(SimFaultsTest)
#include "sim_faults_test.moc"
