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
