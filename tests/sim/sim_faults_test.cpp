// Faults on the simulated switch's line: the --fault list, and what each
// fault does to the bytes that pass (same seed, same faults).
#include "sim/Faults.h"
#include "sim/Switch.h"

#include <QtTest>

#include <string>

namespace {

// Types the keys (100 ms apart) and collects everything that comes out.
std::string Run(sim::Switch& sw, sim::FaultyLine& line, const std::string& keys, int64_t& now) {
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
    (void)sw;
    return out;
}

sim::Options Quick() {
    sim::Options o;
    o.pacing = false;
    o.bootAtStart = true;
    return o;
}

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
        auto output = [](sim::FaultOptions f) {
            sim::Options o = Quick();
            sim::Switch sw(o, 0);
            sim::FaultyLine line(sw, f);
            int64_t now = 0;
            return Run(sw, line, "", now);
        };
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
        sim::Options o = Quick();
        sim::Switch sw(o, 0);
        sim::FaultOptions f;
        f.hangUpAfter = 40;
        sim::FaultyLine line(sw, f);
        int64_t now = 0;
        QCOMPARE(Run(sw, line, "", now).size(), size_t(40));
        QVERIFY(line.hungUp());
        QCOMPARE(line.nextOutputTime(), sim::Switch::kNever);

        // Log in, then open the static menu: the switch restarts there.
        sim::Switch sw2(Quick(), 0);
        sim::FaultOptions g;
        g.powerCycleAt = "static";
        sim::FaultyLine line2(sw2, g);
        now = 0;
        Run(sw2, line2, "", now); // the boot output
        const std::string out = Run(sw2, line2, "admin\radmin\r\r", now);
        const size_t staticMenu = out.find("Static Configuration Menu");
        QVERIFY(staticMenu != std::string::npos);
        QVERIFY(out.find("Power-On Self Test", staticMenu) != std::string::npos);
        QCOMPARE(QString::fromStdString(sw2.where()), QStringLiteral("login"));

        sim::Switch sw3(Quick(), 0);
        sim::FaultOptions h;
        h.hangUpAt = "main";
        sim::FaultyLine line3(sw3, h);
        now = 0;
        Run(sw3, line3, "", now);
        Run(sw3, line3, "admin\radmin\r", now);
        QVERIFY(line3.hungUp());
        Run(sw3, line3, "\r", now); // lost on the closed line
        QCOMPARE(QString::fromStdString(sw3.where()), QStringLiteral("main"));
    }
};

QTEST_MAIN(SimFaultsTest)
#include "sim_faults_test.moc"
