// The real reader thread over a pseudo-terminal, with the real 100 ms read
// timing: lines in, keys out, a dead line, and closing while data flows.
#include "EngineTestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <thread>
#include <time.h>
#include <unistd.h>

namespace {

struct Pty {
    int master = -1;
    int slave = -1;
    std::string path;

    bool open() {
        reset();
        if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return false;
        path = ttyname(slave);
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
        return true;
    }
    void closeMaster() {
        if (master >= 0) ::close(master);
        master = -1;
    }
    void reset() {
        closeMaster();
        if (slave >= 0) ::close(slave);
        slave = -1;
    }
    ~Pty() { reset(); }
    // Reads what the program typed, up to `n` bytes or `ms` milliseconds,
    // with the arrival time of each byte.
    std::vector<std::pair<char, std::chrono::steady_clock::time_point>> readTyped(size_t n,
                                                                                  int ms) {
        std::vector<std::pair<char, std::chrono::steady_clock::time_point>> out;
        QElapsedTimer t;
        t.start();
        while (out.size() < n && t.elapsed() < ms) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            char c;
            while (::read(master, &c, 1) == 1)
                out.emplace_back(c, std::chrono::steady_clock::now());
        }
        return out;
    }
};

// Writes console lines to the far end until stopped.
class Flood {
public:
    explicit Flood(int fd) {
        thread_ = std::thread([this, fd] {
            const std::string seg = "\x1b[05;10HData line drawn by the switch";
            size_t at = 0;
            while (!stop_.load()) {
                const ssize_t n = ::write(fd, seg.data() + at, seg.size() - at);
                if (n > 0) {
                    at = (at + static_cast<size_t>(n)) % seg.size();
                    continue;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
    }
    ~Flood() {
        stop_.store(true);
        thread_.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Counts the reads of the real device and the CPU time of the thread that
// does them.
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

    Pty pty;
    std::unique_ptr<Recorder> sink;

    bool openLink() {
        platform::MapPortName("COM1", pty.path);
        if (OpenComPort(1) != 1) return false;
        StartComThread();
        SetTargetWindow(sink->windowTitle());
        return TargetWindow() == sink.get();
    }

private slots:
    void init() {
        MemoryLink::ResetEngine();
        SetManualStepping(false);
        platform::SetSerialDeviceFactory(nullptr);
        QVERIFY(pty.open());
        sink = std::make_unique<Recorder>("pty test sink");
    }
    void cleanup() {
        CloseComPort();
        platform::SetSerialDeviceFactory(nullptr);
        platform::ClearPortMappings();
        sink.reset();
        pty.reset();
    }

    void linesInKeysOutAndSettingsRestored() {
        termios before{};
        QCOMPARE(tcgetattr(pty.slave, &before), 0);
        QVERIFY(before.c_lflag & ICANON);
        QVERIFY(openLink());

        termios t{};
        QCOMPARE(tcgetattr(pty.slave, &t), 0);
        QVERIFY(!(t.c_lflag & (ICANON | ECHO | ISIG)));
        QVERIFY(!(t.c_iflag & (IXON | IXOFF | ICRNL)));
        QVERIFY(!(t.c_oflag & OPOST));
        QCOMPARE(t.c_cflag & CSIZE, tcflag_t(CS8));
        QVERIFY(!(t.c_cflag & (PARENB | CSTOPB | CRTSCTS)));
        QVERIFY((t.c_cflag & (CLOCAL | CREAD)) == (CLOCAL | CREAD));
        QCOMPARE(cfgetispeed(&t), speed_t(B9600));
        QCOMPARE(cfgetospeed(&t), speed_t(B9600));

        const std::string out = "\x1b[05;10HHello\r\x1b[06;02HWorld\x1b";
        QCOMPARE(::write(pty.master, out.data(), out.size()), ssize_t(out.size()));
        const std::vector<QByteArray> expected{"", "[05;10HHello", "", "[06;02HWorld"};
        QTRY_VERIFY_WITH_TIMEOUT(sink->lines() == expected, 3000);

        SendKeys("ab\r");
        const auto typed = pty.readTyped(3, 3000);
        QCOMPARE(typed.size(), size_t(3));
        QCOMPARE(typed[0].first, 'a');
        QCOMPARE(typed[1].first, 'b');
        QCOMPARE(typed[2].first, '\r');
        // One key per quiet read: each follows a 100 ms read that found nothing.
        using std::chrono::milliseconds;
        QVERIFY(typed[1].second - typed[0].second >= milliseconds(90));
        QVERIFY(typed[2].second - typed[1].second >= milliseconds(90));
        QTRY_COMPARE_WITH_TIMEOUT(sink->keys(), (std::vector<intptr_t>{'a', 'b', '\r'}), 2000);

        CloseComPort();
        termios after{};
        QCOMPARE(tcgetattr(pty.slave, &after), 0);
        QCOMPARE(after.c_lflag, before.c_lflag);
        QCOMPARE(after.c_iflag, before.c_iflag);
        QCOMPARE(after.c_cflag, before.c_cflag);
    }

    void hungUpLineKeepsTheReadCadence() {
        platform::SetSerialDeviceFactory([] { return std::make_unique<CountingDevice>(); });
        QVERIFY(openLink());
        pty.closeMaster();
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        const int reads0 = g_reads.load();
        const int64_t cpu0 = g_readerCpuNs.load();
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        const int reads = g_reads.load() - reads0;
        const int64_t cpuMs = (g_readerCpuNs.load() - cpu0) / 1000000;
        CloseComPort();
        QVERIFY2(reads >= 6 && reads <= 12, qPrintable(QString("%1 reads in 1 s").arg(reads)));
        QVERIFY2(cpuMs < 100, qPrintable(QString("reader used %1 ms of CPU").arg(cpuMs)));
    }

    void closingFromAHandlerWhileDataFlows() {
        QVERIFY(openLink());
        size_t closedAt = 0;
        sink->onMessage = [&](const ConsoleMsg& m) {
            // As the start window does on a failed screen-start check: the
            // reader may be waiting for this very thread at that moment.
            if (m.type == WM_CONSOLE_LINE && closedAt == 0 && sink->lines().size() >= 50) {
                CloseComPort();
                closedAt = sink->lines().size();
            }
        };
        Flood flood(pty.master);
        QTRY_VERIFY_WITH_TIMEOUT(closedAt > 0, 5000);
        QVERIFY(!IsLinkOpen());
        // Lines posted before the close are still handled; none come after.
        QCoreApplication::sendPostedEvents();
        const size_t handled = sink->lines().size();
        QTest::qWait(300);
        QCOMPARE(sink->lines().size(), handled);
    }

    void closingWhileTheReaderWaitsForTheMainThread() {
        QVERIFY(openLink());
        Flood flood(pty.master);
        QTRY_VERIFY_WITH_TIMEOUT(sink->lines().size() > 10, 3000);
        // The main thread stops handling events: the reader blocks in its
        // hand-over with data pending.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        QElapsedTimer t;
        t.start();
        CloseComPort();
        QVERIFY2(t.elapsed() < 500, qPrintable(QString("close took %1 ms").arg(t.elapsed())));
        QCoreApplication::sendPostedEvents();
        const size_t handled = sink->lines().size();
        QTest::qWait(200);
        QCOMPARE(sink->lines().size(), handled);
    }

    void linesKeepComingWhileAMessageBoxIsOpen() {
        QVERIFY(openLink());
        size_t atOpen = 0;
        size_t atClose = 0;
        sink->onMessage = [&](const ConsoleMsg& m) {
            if (m.type != WM_CONSOLE_LINE || atOpen != 0) return;
            atOpen = sink->lines().size();
            QTimer::singleShot(400, [] {
                for (QWidget* w : QApplication::topLevelWidgets())
                    if (auto* box = qobject_cast<QMessageBox*>(w)) box->accept();
            });
            platform::AppMessageBox("Saved.", "Test", platform::MB_OK);
            atClose = sink->lines().size();
        };
        Flood flood(pty.master);
        QTRY_VERIFY_WITH_TIMEOUT(atClose != 0, 5000);
        QVERIFY2(atClose > atOpen + 10,
                 qPrintable(QString("%1 lines during the box").arg(atClose - atOpen)));
    }
};

QTEST_MAIN(EnginePtyTest)
#include "engine_pty_test.moc"
