// Timing of the simulated console on its injected clock: pacing, keys that
// arrive during a burst or while the switch is busy, power cycles, boot and
// pre-typed keys.
#include "SimDriver.h"

#include <QtTest>

namespace {

constexpr int64_t kMs = 1000;

struct TimedByte {
    char byte;
    int64_t at;
};

// Takes everything queued, with the time each byte becomes readable.
std::vector<TimedByte> TakeAll(sim::Switch& sw) {
    std::vector<TimedByte> out;
    for (int64_t t; (t = sw.nextOutputTime()) != sim::Switch::kNever;)
        out.push_back({static_cast<char>(sw.takeOutput()), t});
    return out;
}

std::string Bytes(const std::vector<TimedByte>& v) {
    std::string s;
    for (const TimedByte& b : v)
        s += b.byte;
    return s;
}

sim::Options Paced(const std::string& pretype) {
    sim::Options o;
    o.pretype = pretype;
    return o;
}

} // namespace

class SimTimingTest : public QObject {
    Q_OBJECT

private slots:
    void outputIsPacedAt9600BaudWithoutGaps() {
        sim::Switch sw(Paced(keys::kLogin));
        sw.keyIn('\x1b', 1000 * kMs);
        const auto out = TakeAll(sw);
        QVERIFY(out.size() > 200);
        QVERIFY(Bytes(out).starts_with("\x1b[2J\x1b[20;02H\x1b[01;09H"));
        QCOMPARE(out.front().at, 1000 * kMs + 1041);
        for (size_t i = 1; i < out.size(); ++i) {
            const int64_t gap = out[i].at - out[i - 1].at;
            QVERIFY(gap >= 1041 && gap <= 1042);
        }
        QCOMPARE(out.back().at, 1000 * kMs + int64_t(out.size()) * 1000000 / 960);
        QCOMPARE(sw.sendingUntil(), out.back().at);

        // Without pacing the whole burst is readable at once.
        sim::Options fast = Paced(keys::kLogin);
        fast.pacing = false;
        sim::Switch quick(fast);
        quick.keyIn('\x1b', 5 * kMs);
        const auto all = TakeAll(quick);
        QCOMPARE(all.front().at, 5 * kMs);
        QCOMPARE(all.back().at, 5 * kMs);
        QCOMPARE(Bytes(all), Bytes(out));
    }

    void aKeyDuringABurstWaitsForTheWholeBurst() {
        sim::Switch sw(Paced(keys::kLogin));
        sw.keyIn('\x1b', 0);
        const int64_t end = sw.sendingUntil();
        sw.keyIn('\t', 20 * kMs); // the draw takes far longer than 20 ms
        const auto out = TakeAll(sw);
        const std::string bytes = Bytes(out);
        const size_t park = bytes.find("\x1b[09;47H");
        QVERIFY(park != std::string::npos);
        const size_t tabStart = park + 8;
        QCOMPARE(out[tabStart - 1].at, end);
        QVERIFY(out[tabStart].at > end);
        QCOMPARE(bytes.substr(tabStart, 8), std::string("\x1b[09;25H"));
        QVERIFY(bytes.ends_with("<Restart Configuration>\x1b[11;48H"));
    }

    void saveDelayDiscardsKeysAndStoresOnlyAtItsEnd() {
        sim::Options o = Paced(std::string(keys::kLogin) + "\r\r\t\r5\x01\t");
        o.pacing = false;
        o.saveDelayMs = 1000;
        sim::Switch sw(o);
        QCOMPARE(sw.where(), std::string("port"));
        sw.keyIn('\r', 100 * kMs);
        QCOMPARE(sw.takeOutputUntil(100 * kMs),
                 "\x1b[20;02H" + sim::Pad("Saving port configuration ...", 78) + "\x1b[20;31H");
        sw.keyIn('\x1b', 600 * kMs); // lost in the save delay
        QCOMPARE(sw.takeOutputUntil(1099 * kMs), std::string());
        QCOMPARE(sw.state().ports[0].inRate, 0);
        QCOMPARE(sw.storeCount(), uint64_t(0));
        QCOMPARE(sw.nextOutputTime(), 1100 * kMs);
        QVERIFY(sw.takeOutputUntil(1100 * kMs).find("Port configuration saved.") !=
                std::string::npos);
        QCOMPARE(sw.state().ports[0].inRate, 5);
        QCOMPARE(sw.storeCount(), uint64_t(1));
        QCOMPARE(sw.where(), std::string("prompt")); // the ESC did not answer it
        sw.keyIn('\x1b', 1200 * kMs);
        QCOMPARE(sw.where(), std::string("static"));
    }

    void storedCallbackSeesEveryStoredChange() {
        sim::Options o;
        o.pacing = false;
        std::vector<sim::SwitchState> seen;
        o.onStored = [&](const sim::SwitchState& s) { seen.push_back(s); };
        o.pretype = std::string(keys::kLogin) + "\r\r\t\t\r\r"; // a save that changes nothing
        o.pretype += "\r\t\r7\x01\t\r\r";                       // a save that does
        o.pretype += "\t\r\r \x01\t\r\r";                       // a refused trunk save
        sim::Switch sw(o);
        QCOMPARE(seen.size(), size_t(1));
        QCOMPARE(seen[0].ports[0].inRate, 7);
        QCOMPARE(sw.storeCount(), uint64_t(1));
    }

    void powerCycleWaitsForTheBurstAndKeepsTheStoredState() {
        sim::SwitchState s = sim::FactoryState();
        s.user = "boss";
        sim::Options o = Paced("boss\radmin\r");
        o.initial = s;
        sim::Switch sw(o);
        QCOMPARE(sw.where(), std::string("main"));
        sw.keyIn('\x1b', 0);
        const int64_t end = sw.sendingUntil();
        sw.powerCycle(30 * kMs);
        sw.keyIn('\r', 40 * kMs); // lost: the switch is booting
        const auto out = TakeAll(sw);
        const std::string bytes = Bytes(out);
        const size_t banner = bytes.find("\r\nPower-On Self Test ...\r\n");
        QVERIFY(banner != std::string::npos);
        QVERIFY(bytes.substr(0, banner).ends_with("\x1b[09;47H")); // the draw was finished
        QVERIFY(out[banner].at > end);
        QCOMPARE(bytes.find("Restarting"), std::string::npos);
        // Thirteen test lines 150 ms apart, then the login screen 500 ms on.
        std::vector<int64_t> lineStarts; // each line: a 30-character label, then "OK"
        for (size_t ok = bytes.find("OK\r\n"); ok != std::string::npos;
             ok = bytes.find("OK\r\n", ok + 1))
            lineStarts.push_back(out[ok - 30].at);
        QCOMPARE(lineStarts.size(), size_t(13));
        for (size_t i = 1; i < lineStarts.size(); ++i)
            QVERIFY(lineStarts[i] - lineStarts[i - 1] >= 150 * kMs);
        const size_t login = bytes.find("\x1b[2J", banner);
        const size_t completed = bytes.find("Self test completed.");
        QVERIFY(out[login].at - out[completed + 21].at >= 500 * kMs); // after its CR LF
        QCOMPARE(sw.where(), std::string("login"));
        QCOMPARE(sw.state(), s);
    }

    void bootAtStartWaitsItsDelayAndDiscardsKeys() {
        sim::Options o;
        o.bootAtStart = true;
        o.bootDelayMs = 500;
        o.pacing = false;
        o.selfTestIntervalMs = 10;
        o.loginPauseMs = 20;
        sim::Switch sw(o);
        QCOMPARE(sw.where(), std::string("busy"));
        sw.keyIn('a', 100 * kMs);
        QCOMPARE(sw.nextOutputTime(), 500 * kMs);
        std::string all = sw.takeOutputUntil(10000 * kMs);
        QVERIFY(
            all.starts_with("\r\nPower-On Self Test ...\r\nSwitch Register R/W Test .... OK\r\n"));
        QVERIFY(all.ends_with("User Name : \x1b[12;32H"));
        // The login input is empty: the early "a" was not kept.
        sw.keyIn('\r', 11000 * kMs);
        sw.keyIn('\r', 11100 * kMs);
        QVERIFY(sw.takeOutputUntil(12000 * kMs).find("Invalid user name") != std::string::npos);
    }

    void pretypeAppliesKeysSilentlyAndSkipsPauses() {
        sim::Options o;
        o.saveDelayMs = 5000;
        o.pretype = std::string(keys::kLogin) + "\r\t\t\t\r\r\t\t\txy\x01\t\r";
        sim::Switch sw(o);
        QCOMPARE(sw.nextOutputTime(), sim::Switch::kNever);
        QCOMPARE(sw.where(), std::string("prompt"));
        QCOMPARE(sw.state(), sim::FactoryState()); // refused: password fields typed
        // A restart in the pretype also completes at once.
        sim::Options r;
        r.pretype = std::string(keys::kLogin) + "\t\r\t\r";
        sim::Switch restarted(r);
        QCOMPARE(restarted.where(), std::string("login"));
        QCOMPARE(restarted.nextOutputTime(), sim::Switch::kNever);
    }

    void bytesThatAreNoKeysAreIgnored() {
        sim::Options o;
        o.pacing = false;
        sim::Switch sw(o);
        int64_t t = 0;
        for (uint8_t b : {0x00, 0x02, 0x0A, 0x7E + 2, 0x80, 0xFF})
            sw.keyIn(b, t += 100 * kMs);
        QCOMPARE(sw.takeOutputUntil(t), std::string());
        sw.keyIn('x', t += 100 * kMs);
        sw.keyIn(0x7F, t += 100 * kMs); // a terminal's DEL acts as BackSpace
        QCOMPARE(sw.takeOutputUntil(t), std::string("x\b \b"));
    }
};

QTEST_GUILESS_MAIN(SimTimingTest)
#include "sim_timing_test.moc"
