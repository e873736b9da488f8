// The real reader thread over a pseudo-terminal with the real 100 ms read
// timing: lines in, keys out, a hung-up line, and closing while data flows.
#include "EngineTestSupport.h"
#include "tests/harness/GlobalHooks.h"

#include <QElapsedTimer>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <thread>
#include <time.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// Counts the reads of the real device and the CPU time of the thread doing them.
std::atomic<int> g_reads{0};
std::atomic<int64_t> g_readerCpuNs{0};

class CountingDevice : public platform::SerialDevice {
public:
    bool open(const std::string& path) override { return inner_->open(path); }
    int read(uint8_t* buf, int max) override {
        ++g_reads;
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        g_readerCpuNs.store(int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec);
        return inner_->read(buf, max);
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
    // Closed with data flowing: lines already posted are handled, none come after.
    void expectNothingAfterClose() {
        QVERIFY(!IsLinkOpen());
        QCoreApplication::sendPostedEvents();
        const size_t handled = sink->lines.size();
        QTest::qWait(300);
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
        std::this_thread::sleep_for(150ms);
        const int reads0 = g_reads.load();
        const int64_t cpu0 = g_readerCpuNs.load();
        std::this_thread::sleep_for(1000ms);
        const int reads = g_reads.load() - reads0;
        const int64_t cpuMs = (g_readerCpuNs.load() - cpu0) / 1000000;
        CloseComPort();
        QVERIFY2(reads >= 6 && reads <= 12, qPrintable(QString("%1 reads in 1 s").arg(reads)));
        QVERIFY2(cpuMs < 100, qPrintable(QString("reader used %1 ms of CPU").arg(cpuMs)));
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
        QVERIFY(openLink());
        flood.start(1);
        QTRY_VERIFY_WITH_TIMEOUT(sink->lines.size() > 10, 3000);
        // The main thread stops handling events: the reader blocks in its
        // hand-over with data pending.
        std::this_thread::sleep_for(300ms);
        QElapsedTimer t;
        t.start();
        CloseComPort();
        QVERIFY2(t.elapsed() < 500, qPrintable(QString("close took %1 ms").arg(t.elapsed())));
        expectNothingAfterClose();
    }
};

QTEST_MAIN(EnginePtyTest)
#include "engine_pty_test.moc"
