// Faults on the simulated switch's line: the --fault list, and what each
// fault does to the bytes that pass (same seed, same faults).
#include "sim/Faults.h"
#include "sim/Switch.h"

#include <QtTest>

#include <string>

namespace {

sim::Options Quick() {
    sim::Options o;
    o.pacing = false;
    o.bootAtStart = true;
    return o;
}

// A quick-booting switch behind a faulty line.
struct Faulty {
    sim::Switch sw{Quick(), 0};
    sim::FaultyLine line;
    int64_t now = 0;
    explicit Faulty(const sim::FaultOptions& f) : line(sw, f) {}
    // Types the keys (100 ms apart) and collects everything that comes out.
    std::string run(const std::string& keys = "") {
        std::string out;
        for (size_t i = 0; i <= keys.size(); ++i) {
            for (int64_t t; (t = line.nextOutputTime()) != sim::Switch::kNever;) {
                now = std::max(now, t);
                out += static_cast<char>(line.takeOutput());
            }
            if (i < keys.size()) line.keyIn(static_cast<uint8_t>(keys[i]), now += 100000);
        }
        return out;
    }
};

sim::FaultOptions Parsed(const std::string& list) {
    sim::FaultOptions f;
    std::string error;
    if (!sim::ParseFaultList(list, f, error)) qFatal("%s: %s", list.c_str(), error.c_str());
    return f;
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
        QTest::newRow("targeted") << "drop-key-at=edit:misc:5,drop-output-at=login:password:13,"
                                     "flip-output-at=port:40:7"
                                  << true;
        // Over 1, not a number, unknown, no value, an empty part; a flip
        // without a bit or with bit 8, the 0th key, no screen.
        for (const char* bad :
             {"drop-keys=1.5", "flip-output=x", "melt=1", "seed=", "seed=1,,drop-keys=0",
              "flip-output-at=port:40", "flip-output-at=port:40:8", "drop-key-at=misc:0",
              "drop-output-at=:3"})
            QTest::newRow(bad) << bad << false;
    }
    void faultListParsing() {
        QFETCH(QString, list);
        QFETCH(bool, ok);
        sim::FaultOptions f;
        std::string error;
        QCOMPARE(sim::ParseFaultList(list.toStdString(), f, error), ok);
        QCOMPARE(error.empty(), ok);
        const auto got = [](auto... fields) { return ((QString("%1 ").arg(fields)) + ...); };
        if (list.startsWith("seed=7,"))
            QCOMPARE(got(f.seed, f.delayMs, f.hangUpAfter, f.dropOutput,
                         QString::fromStdString(f.hangUpAt),
                         QString::fromStdString(f.powerCycleAt)),
                     "7 300 50 0.5 edit:port port ");
        if (list.startsWith("drop-key-at=edit:"))
            QCOMPARE(got(QString::fromStdString(f.dropKeyAt.screen), f.dropKeyAt.n,
                         QString::fromStdString(f.dropOutputAt.screen), f.flipOutputAt.n,
                         f.flipOutputAt.bit),
                     "edit:misc 5 login:password 40 7 ");
    }

    // The 5th key typed after the misc screen is drawn (Enter on Edit is
    // the first) is lost: the saved user name misses its "o". The next save
    // goes through whole.
    void droppedKeyOnceWhereTold() {
        Faulty sw(Parsed("drop-key-at=misc:5"));
        const std::string saveUser = "\rnetops\x01\t\r ";
        sw.run("admin\radmin\r\r\t\t\t\r" + saveUser);
        QCOMPARE(sw.sw.state().user, std::string("netps"));
        sw.run("\r" + saveUser);
        QCOMPARE(sw.sw.state().user, std::string("netops"));
    }

    // One output byte, counted from the first byte drawn at the screen, is
    // flipped or lost; the same screen drawn again comes out whole.
    void outputByteOnceWhereTold_data() {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QString>("lead"); // keys up to the one that draws the screen
        QTest::addColumn<QString>("keys"); // that key, then keys that draw it again
        QTest::addColumn<QString>("text"); // n: this text's byte `offset` in the drawing
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("bit"); // -1: lost
        QTest::newRow("PORT4 read as PORT6") << "port"
                                             << "admin\radmin\r\r"
                                             << "\r\x1b"
                                             << "PORT4" << 4 << 1;
        QTest::newRow("Passord") << "login:password"
                                 << "admin"
                                 << "\r\x1b"
                                    "admin\r"
                                 << "Password" << 4 << -1;
    }
    void outputByteOnceWhereTold() {
        QFETCH(QString, screen);
        QFETCH(QString, lead);
        QFETCH(QString, keys);
        QFETCH(QString, text);
        QFETCH(int, offset);
        QFETCH(int, bit);
        Faulty plain({});
        plain.run(lead.toStdString());
        const std::string counted = plain.run(keys.toStdString());
        const size_t at = counted.find(text.toStdString()) + size_t(offset);
        QVERIFY(at < counted.size());

        const std::string n = screen.toStdString() + ":" + std::to_string(at + 1);
        Faulty faulty(Parsed(bit < 0 ? "drop-output-at=" + n
                                     : "flip-output-at=" + n + ":" + std::to_string(bit)));
        faulty.run(lead.toStdString());
        std::string expected = counted;
        if (bit < 0)
            expected.erase(at, 1);
        else
            expected[at] = char(expected[at] ^ (1 << bit));
        QCOMPARE(faulty.run(keys.toStdString()), expected);
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
        QVERIFY(output(Parsed("drop-output=0.1")).size() < clean.size());
    }

    void hangUpAndPowerCycleWhereTold() {
        Faulty after(Parsed("hangup-after=40"));
        QCOMPARE(after.run().size(), size_t(40));
        QVERIFY(after.line.hungUp());
        QCOMPARE(after.line.nextOutputTime(), sim::Switch::kNever);

        // Log in, then open the static menu: the switch restarts there.
        Faulty cycled(Parsed("power-cycle-at=static"));
        cycled.run(); // the boot output
        const std::string out = cycled.run("admin\radmin\r\r");
        const size_t staticMenu = out.find("Static Configuration Menu");
        QVERIFY(staticMenu != std::string::npos);
        QVERIFY(out.find("Power-On Self Test", staticMenu) != std::string::npos);
        QCOMPARE(cycled.sw.where(), std::string("login"));

        Faulty hung(Parsed("hangup-at=main"));
        hung.run("admin\radmin\r");
        QVERIFY(hung.line.hungUp());
        hung.run("\r"); // lost on the closed line
        QCOMPARE(hung.sw.where(), std::string("main"));
    }
};

QTEST_MAIN(SimFaultsTest)
#include "sim_faults_test.moc"
