// The real termios device and reader thread over a pseudo-terminal with the
// real read timing: how a read gathers bytes and ends, lines in, keys out, a
// hung-up line, and closing while data flows.
#include "EngineTestSupport.h"
#include "tests/harness/GlobalHooks.h"

#include <QElapsedTimer>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <functional>
#include <pty.h>
#include <termios.h>
#include <thread>
#include <time.h>
#include <poll.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// Counts the reads of the real device (begun and ended, with the size of the
// last) and the CPU time of the thread doing them.
std::atomic<int> g_reads{0};
std::atomic<int> g_readsDone{0};
std::atomic<int> g_lastReadBytes{0};
std::atomic<int64_t> g_readerCpuNs{0};

int64_t MsSince(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 t)
        .count();
}

// Waits without handling events (the reader's hand-overs stay queued) until
// `done` or 3 s have passed.
bool SpinUntil(const std::function<bool()>& done) {
    const auto start = std::chrono::steady_clock::now();
    while (!done()) {
        if (MsSince(start) > 3000) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

class CountingDevice : public platform::SerialDevice {
public:
    bool open(const std::string& path) override { return inner_->open(path); }
    int read(uint8_t* buf, int max) override {
        ++g_reads;
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        g_readerCpuNs.store(int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec);
        const int n = inner_->read(buf, max);
        g_lastReadBytes.store(n);
        ++g_readsDone;
        return n;
    }
    int write(const uint8_t* buf, int count) override { return inner_->write(buf, count); }
    void close() override { inner_->close(); }
    bool isOpen() const override { return inner_->isOpen(); }

private:
    std::unique_ptr<platform::SerialDevice> inner_ = platform::CreateTermiosDevice();
};

} // namespace

class EnginePtyTest : public QObject {
    Q_OBJECT

    int master = -1, slave = -1;
    std::unique_ptr<Recorder> sink;
    QTimer flood; // while it runs, console lines keep coming from the far end

    // Writes `bytes` to the far end one per character time; `last` gets
    // the time the last one was written.
    std::thread PacedWriter(const std::string& bytes,
                            std::chrono::steady_clock::time_point* last = nullptr) {
        return std::thread([this, bytes, last] {
            auto next = std::chrono::steady_clock::now();
            for (char c : bytes) {
                next += std::chrono::microseconds(platform::kCharTimeUs);
                std::this_thread::sleep_until(next);
                if (::write(master, &c, 1) != 1) return;
            }
            if (last != nullptr) *last = std::chrono::steady_clock::now();
        });
    }
    bool openLink() {
        platform::MapPortName("COM1", ttyname(slave));
        if (OpenComPort(1) != 1) return false;
        StartComThread();
        SetTargetWindow(sink->windowTitle());
        return TargetWindow() == sink.get();
    }
    void closeFd(int& fd) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
    // Closed with data flowing: lines already posted are handled, none come
    // after. A reader left running would deliver within its next read.
    void expectNothingAfterClose() {
        QVERIFY(!IsLinkOpen() && GetComThread() == nullptr);
        QCoreApplication::sendPostedEvents();
        const size_t handled = sink->lines.size();
        QTest::qWait(platform::kReadWindowMs + 50);
        QCOMPARE(sink->lines.size(), handled);
    }

private slots:
    void initTestCase() {
        connect(&flood, &QTimer::timeout, this, [this] {
            const char seg[] = "\x1b[05;10HData line drawn by the switch";
            if (::write(master, seg, sizeof seg - 1) < 0) return; // full: the reader is behind
        });
    }
    void init() {
        MemoryLink::ResetEngine();
        SetManualStepping(false);
        platform::SetSerialDeviceFactory(nullptr);
        QCOMPARE(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
        sink = std::make_unique<Recorder>("pty test sink");
    }
    void cleanup() {
        flood.stop();
        CloseComPort();
        RestoreGlobalHooks();
        sink.reset();
        closeFd(master);
        closeFd(slave);
    }

    // A read ends at once with 80 bytes, at the inter-character time-out once
    // it holds fewer, and only after its whole window when nothing came. Bytes
    // that piled up while the program was busy are read at once, not one
    // line-speed read after another.
    void readEndsAtEightyBytesOrQuietOrItsWindow() {
        // Bytes that reached the port before it was opened belong to no
        // session and are dropped.
        QCOMPARE(::write(master, "stale\n", 6), ssize_t(6)); // a line: seen by poll
        pollfd arrived{slave, POLLIN, 0};
        QCOMPARE(::poll(&arrived, 1, 1000), 1);
        auto device = platform::CreateTermiosDevice();
        QVERIFY(device->open(ttyname(slave)));
        const std::string backlog(820, 'x');
        QCOMPARE(::write(master, backlog.data(), backlog.size()), ssize_t(backlog.size()));
        uint8_t buf[80];
        auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < 10; ++i)
            QCOMPARE(device->read(buf, 80), 80);
        const int64_t drainMs = MsSince(start);
        QVERIFY2(drainMs < 100,
                 qPrintable(QString("800 waiting bytes read in %1 ms").arg(drainMs)));
        // clang-format off
        const struct { int bytes; int64_t minMs, maxMs; } reads[] = {
            {20, platform::kInterCharTimeoutMs, 60}, {0, platform::kReadWindowMs - 5, 1000}};
        // clang-format on
        for (const auto& r : reads) {
            start = std::chrono::steady_clock::now();
            QCOMPARE(device->read(buf, 80), r.bytes);
            const int64_t ms = MsSince(start);
            QVERIFY2(ms >= r.minMs && ms <= r.maxMs,
                     qPrintable(QString("%1 bytes after %2 ms").arg(r.bytes).arg(ms)));
        }
    }

    // The switch draws at 9600 baud, about a byte a millisecond: a read
    // gathers them instead of waking for each one. In an answer it looks at
    // most every 21 ms; deep in a page (a port page is some 1,300 bytes),
    // from its fifth full read on, about twice per 80 bytes.
    void pacedBytesAreGatheredWithoutWakingPerByte_data() {
        QTest::addColumn<int>("bytes");
        QTest::addColumn<int>("fromRead"); // wake-ups counted from this read on
        QTest::addColumn<int>("maxWakeups");
        // The bounds leave room for a busy machine, whose writer thread
        // sends its paced bytes late and in clumps (more, shorter reads);
        // a read that woke per byte would still be far above them.
        QTest::newRow("answer of 100 bytes") << 100 << 0 << 45;
        QTest::newRow("page of 1,300 bytes") << 1300 << 4 << ((1300 - 4 * 80) / 80 * 2 + 6) * 3;
    }
    void pacedBytesAreGatheredWithoutWakingPerByte() {
        QFETCH(int, bytes);
        QFETCH(int, fromRead);
        QFETCH(int, maxWakeups);
        auto device = platform::CreateTermiosDevice();
        QVERIFY(device->open(ttyname(slave)));
        std::string burst;
        for (int i = 0; i < bytes; ++i)
            burst += char('0' + i % 10);
        uint64_t wakes0 = platform::TermiosReadWakeups();
        std::thread writer = PacedWriter(burst);
        std::string got;
        uint8_t buf[80];
        int reads = 0;
        const auto start = std::chrono::steady_clock::now();
        while (got.size() < burst.size() && MsSince(start) < 5000) {
            if (reads == fromRead) wakes0 = platform::TermiosReadWakeups();
            const int n = device->read(buf, 80);
            got.append(reinterpret_cast<const char*>(buf), size_t(n));
            ++reads;
        }
        writer.join();
        QCOMPARE(got, burst);
        const uint64_t wakes = platform::TermiosReadWakeups() - wakes0;
        QVERIFY2(wakes <= uint64_t(maxWakeups),
                 qPrintable(QString("%1 wake-ups in %2 reads").arg(wakes).arg(reads - fromRead)));
    }

    // The reply to a key (here 20 bytes at line speed) is handed over soon
    // after its last byte: the inter-character time-out and a look or so,
    // not the read's whole window. The best of three, as the machine may be
    // busy.
    void shortAnswerIsHandedOverSoonAfterItsLastByte() {
        auto device = platform::CreateTermiosDevice();
        QVERIFY(device->open(ttyname(slave)));
        const std::string answer(20, 'a');
        int64_t bestUs = INT64_MAX;
        for (int attempt = 0; attempt < 3; ++attempt) {
            std::chrono::steady_clock::time_point last;
            std::thread writer = PacedWriter(answer, &last);
            uint8_t buf[80];
            int got = 0;
            const auto start = std::chrono::steady_clock::now();
            while (got < int(answer.size()) && MsSince(start) < 3000)
                got += device->read(buf, 80);
            const auto handed = std::chrono::steady_clock::now();
            writer.join();
            QCOMPARE(got, int(answer.size()));
            bestUs = std::min<int64_t>(
                bestUs,
                std::chrono::duration_cast<std::chrono::microseconds>(handed - last).count());
        }
        QVERIFY2(bestUs <= 25000,
                 qPrintable(QString("handed over %1 us after the last byte").arg(bestUs)));
    }

    void linesInKeysOutAndSettingsRestored() {
        termios before{}, t{};
        QCOMPARE(tcgetattr(slave, &before), 0);
        QVERIFY(openLink());
        QCOMPARE(tcgetattr(slave, &t), 0); // raw, 9600 8N1, no flow control
        QVERIFY(!(t.c_lflag & (ICANON | ECHO | ISIG)) && !(t.c_iflag & (IXON | IXOFF | ICRNL)));
        QVERIFY(!(t.c_oflag & OPOST) && !(t.c_cflag & (PARENB | CSTOPB | CRTSCTS)));
        QCOMPARE(t.c_cflag & CSIZE, tcflag_t(CS8));
        QCOMPARE(cfgetispeed(&t), speed_t(B9600));

        const std::string out = "\x1b[05;10HHello\r\x1b[06;02HWorld\x1b";
        QCOMPARE(::write(master, out.data(), out.size()), ssize_t(out.size()));
        const QByteArrayList expected{"", "[05;10HHello", "", "[06;02HWorld"};
        QTRY_COMPARE_WITH_TIMEOUT(sink->lines, expected, 3000);

        QElapsedTimer timer; // one key per quiet read: the third after at least two more
        timer.start();
        SendKeys("ab\r");
        QTRY_COMPARE_WITH_TIMEOUT(sink->keys, (QList<intptr_t>{'a', 'b', '\r'}), 3000);
        QVERIFY2(timer.elapsed() >= 190, qPrintable(QString("%1 ms").arg(timer.elapsed())));
        char typed[8];
        QCOMPARE(::read(master, typed, sizeof typed), ssize_t(3));
        QCOMPARE(std::string(typed, 3), std::string("ab\r"));

        CloseComPort();
        termios after{};
        QCOMPARE(tcgetattr(slave, &after), 0);
        QVERIFY(after.c_lflag == before.c_lflag && after.c_iflag == before.c_iflag &&
                after.c_cflag == before.c_cflag);
    }

    void hungUpLineKeepsTheReadCadence() {
        platform::SetSerialDeviceFactory([] { return std::make_unique<CountingDevice>(); });
        QVERIFY(openLink());
        closeFd(master);
        // From the first read that saw the hang-up on, five more reads: a
        // reader that spun would be done in no time.
        const int seen = g_reads.load() + 1;
        QVERIFY(SpinUntil([&] { return g_reads.load() > seen; }));
        const auto start = std::chrono::steady_clock::now();
        const int reads0 = g_reads.load();
        const int64_t cpu0 = g_readerCpuNs.load();
        QVERIFY(SpinUntil([&] { return g_reads.load() >= reads0 + 5; }));
        const int64_t ms = MsSince(start);
        const int64_t cpuMs = (g_readerCpuNs.load() - cpu0) / 1000000;
        CloseComPort();
        QVERIFY2(ms >= 5 * platform::kReadWindowMs - 60,
                 qPrintable(QString("5 reads in %1 ms").arg(ms)));
        QVERIFY2(cpuMs < 50, qPrintable(QString("reader used %1 ms of CPU").arg(cpuMs)));
    }

    void closingFromAHandlerWhileDataFlows() {
        QVERIFY(openLink());
        // As the start window does on a failed screen-start check: the reader
        // may be waiting for this very thread at that moment.
        sink->onLine = [&](const QByteArray&) {
            if (IsLinkOpen() && sink->lines.size() >= 50) CloseComPort();
        };
        flood.start(1);
        QTRY_VERIFY_WITH_TIMEOUT(!IsLinkOpen(), 5000);
        expectNothingAfterClose();
    }

    void closingWhileTheReaderWaitsForTheMainThread() {
        platform::SetSerialDeviceFactory([] { return std::make_unique<CountingDevice>(); });
        QVERIFY(openLink());
        flood.start(1);
        QTRY_VERIFY_WITH_TIMEOUT(sink->lines.size() > 10, 3000);
        // The main thread stops handling events: the first read that brings
        // bytes from now on leaves the reader blocked in its hand-over.
        flood.stop();
        const char more[] = "\x1b[07;10HOne more line";
        QCOMPARE(::write(master, more, sizeof more - 1), ssize_t(sizeof more - 1));
        QVERIFY(SpinUntil(
            [] { return g_readsDone.load() == g_reads.load() && g_lastReadBytes.load() > 0; }));
        QElapsedTimer t;
        t.start();
        CloseComPort();
        QVERIFY2(t.elapsed() < 500, qPrintable(QString("close took %1 ms").arg(t.elapsed())));
        expectNothingAfterClose();
    }
};

QTEST_MAIN(EnginePtyTest)
#include "engine_pty_test.moc"
