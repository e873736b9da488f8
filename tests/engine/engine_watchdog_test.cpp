// The link's watchdog: when silence is a dead switch and when it is an idle
// one, faults reported once, and a main-thread step that throws.
#include "engine/LinkWatchdog.h"
#include "platform/Ui.h"

#include <QDeadlineTimer>
#include <QtTest>

#include <atomic>
#include <stdexcept>
#include <thread>

namespace {
constexpr int64_t kS = 1000 * 1000;
}

class EngineWatchdogTest : public QObject {
    Q_OBJECT
    int64_t now_ = 0;

private slots:
    void init() {
        now_ = 1000 * kS;
        SetLinkClock([this] { return now_; });
        SetAwaitingSwitch(false);
    }
    void cleanup() {
        SetAwaitingSwitch(false);
        SetLinkClock(nullptr);
    }

    void silenceCountsOnlyWhileWaiting_data() {
        QTest::addColumn<int64_t>("quietMs");     // since the last byte or key
        QTest::addColumn<int64_t>("waitStartMs"); // before now; -1: not waiting
        QTest::addColumn<bool>("pending");
        QTest::addColumn<int>("expected");
        QTest::newRow("idle at a menu for an hour")
            << int64_t(3600000) << int64_t(-1) << false << int(LinkFaultNone);
        QTest::newRow("busy, 29.9 s quiet")
            << int64_t(29900) << int64_t(40000) << false << int(LinkFaultNone);
        QTest::newRow("busy, 30 s quiet")
            << int64_t(30000) << int64_t(40000) << false << int(LinkFaultSilent);
        QTest::newRow("wait began 10 s ago after an idle hour")
            << int64_t(3600000) << int64_t(10000) << false << int(LinkFaultNone);
        QTest::newRow("wait began 30 s ago after an idle hour")
            << int64_t(3600000) << int64_t(30000) << false << int(LinkFaultSilent);
        QTest::newRow("keys pending, 30 s quiet")
            << int64_t(30000) << int64_t(-1) << true << int(LinkFaultSilent);
    }
    void silenceCountsOnlyWhileWaiting() {
        QFETCH(int64_t, quietMs);
        QFETCH(int64_t, waitStartMs);
        QFETCH(bool, pending);
        QFETCH(int, expected);
        LinkWatchdog w;
        const int64_t end = now_;
        w.Heard(end - quietMs * 1000);
        if (waitStartMs >= 0) {
            now_ = end - waitStartMs * 1000;
            SetAwaitingSwitch(true);
        }
        now_ = end;
        QCOMPARE(int(w.Check(now_, LinkFaultNone, pending)), expected);
    }

    void aFaultIsReportedOnceAndTheLineGoesFirst() {
        LinkWatchdog w;
        w.Heard(now_);
        SetAwaitingSwitch(true);
        now_ += 60 * kS;
        QCOMPARE(int(w.Check(now_, LinkFaultHungUp, false)), int(LinkFaultHungUp));
        QCOMPARE(int(w.Check(now_, LinkFaultHungUp, false)), int(LinkFaultNone));
        QVERIFY(w.Reported());
        w.Restart(now_);
        QCOMPARE(int(w.Check(now_, LinkFaultReadError, false)), int(LinkFaultReadError));
    }

    // A step handed to the main thread that throws is still done: the
    // reader waiting for it goes on, so closing the link can join it.
    void aThrowingMainThreadStepReleasesTheReader() {
        std::atomic<bool> returned{false};
        std::thread reader([&] {
            platform::Synchronize([] { throw std::runtime_error("step"); }, [] { return false; });
            returned = true;
        });
        bool caught = false;
        QDeadlineTimer deadline(5000);
        while (!returned && !deadline.hasExpired()) {
            try {
                QCoreApplication::sendPostedEvents();
            } catch (const std::runtime_error&) {
                caught = true;
            }
            QThread::msleep(1);
        }
        QVERIFY(returned); // else the join below never ends
        reader.join();
        QVERIFY(caught);
    }
};

QTEST_MAIN(EngineWatchdogTest)
#include "engine_watchdog_test.moc"
