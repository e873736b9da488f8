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

    void silenceCountsOnlyWhileWaiting() {
        const struct {
            const char* name;
            int64_t quietMs, waitStartMs; // since the last byte or key; -1: not waiting
            bool pending;
            LinkFault expected;
        } rows[] = {
            {"idle at a menu for an hour", 3600000, -1, false, LinkFaultNone},
            {"busy, 29.9 s quiet", 29900, 40000, false, LinkFaultNone},
            {"busy, 30 s quiet", 30000, 40000, false, LinkFaultSilent},
            {"wait began 10 s ago after an idle hour", 3600000, 10000, false, LinkFaultNone},
            {"wait began 30 s ago after an idle hour", 3600000, 30000, false, LinkFaultSilent},
            {"keys pending, 30 s quiet", 30000, -1, true, LinkFaultSilent}};
        const int64_t end = now_;
        for (const auto& r : rows) {
            LinkWatchdog w;
            w.Heard(end - r.quietMs * 1000);
            SetAwaitingSwitch(false);
            now_ = end - r.waitStartMs * 1000;
            SetAwaitingSwitch(r.waitStartMs >= 0);
            now_ = end;
            QVERIFY2(w.Check(now_, LinkFaultNone, r.pending) == r.expected, r.name);
        }
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
