// Flow benchmark: the real program, headless, against the simulated switch
// paced at 9600 baud on a pseudo-terminal (tavik-switch-sim, a process of
// its own, so this process's CPU time is the program's). It connects and
// logs in, opens Port Configuration and applies a change on page 1 and on
// page 4, and prints for each flow the time it took, the bound the line
// itself sets (bytes from the switch / 960 B/s + 100 ms per key typed) and
// their ratio, then the program's CPU per second of line traffic and its
// peak memory.
//
//   scripts/bench            (Release build in build/bench, then runs this)
//   build/bench/bin/flow_bench [--sim PATH]
#include "engine/KeyOutput.h"
#include "engine/SerialLink.h"
#include "forms/base/FormRefs.h"
#include "forms/base/Memoform.h"
#include "forms/base/Messageform.h"
#include "forms/port/Portconfigform.h"
#include "forms/session/Loginform.h"
#include "forms/session/Mainform.h"
#include "forms/session/Staticconfigform.h"
#include "forms/session/Welcomeform.h"
#include "platform/SerialDevice.h"
#include "platform/Ui.h"
#include "sim/StateJson.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kLineBytesPerSecond = 960.0;
constexpr double kSecondsPerKey = 0.1;
constexpr int kReadBytes = 80; // a read that fills up
// Between flows, the line must have been quiet this long (a user reading
// the window); that time is not measured.
constexpr int64_t kSettleMs = 300;
constexpr int kRunLimitMs = 180000;

double Seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

double CpuSeconds(clockid_t clock) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}
double ProcessCpuSeconds() {
    return CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
}
// The CPU clock of another thread of this process, by its thread id (what
// pthread_getcpuclockid computes).
clockid_t ThreadClock(pid_t tid) {
    return static_cast<clockid_t>((~static_cast<unsigned>(tid) << 3) | 6u);
}

// How often the calling thread has gone to sleep and been woken (its
// voluntary context switches).
long ThreadWakes() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nvcsw;
}

// What crossed the line, counted where the program reads and writes it.
struct LineCount {
    std::atomic<uint64_t> in{0};
    std::atomic<uint64_t> keys{0};
    std::atomic<int64_t> lastInNs{0};
    // At the end of every read: what it brought, the CPU used so far (whole
    // program, main thread, reader) and the reader's wake-ups, so that the
    // stretches in which the switch draws without a pause can be picked out.
    struct Mark {
        int bytes;
        uint64_t in;
        double cpu, main, reader;
        long readerWakes;
        uint64_t looks;
    };
    std::mutex mutex;
    std::vector<Mark> marks;
};
LineCount g_line;

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

class CountingDevice : public platform::SerialDevice {
public:
    bool open(const std::string& path) override { return inner_->open(path); }
    int read(uint8_t* buf, int max) override {
        const int n = inner_->read(buf, max);
        if (n > 0) {
            g_line.in += uint64_t(n);
            g_line.lastInNs = NowNs();
        }
        // The main thread's id is the process id.
        const LineCount::Mark mark{n,
                                   g_line.in.load(),
                                   ProcessCpuSeconds(),
                                   CpuSeconds(ThreadClock(getpid())),
                                   CpuSeconds(CLOCK_THREAD_CPUTIME_ID),
                                   ThreadWakes(),
                                   platform::TermiosReadWakeups()};
        std::lock_guard<std::mutex> lock(g_line.mutex);
        g_line.marks.push_back(mark);
        return n;
    }
    int write(const uint8_t* buf, int count) override {
        const int n = inner_->write(buf, count);
        if (n > 0) g_line.keys += uint64_t(n);
        return n;
    }
    void close() override { inner_->close(); }
    bool isOpen() const override { return inner_->isOpen(); }

private:
    std::unique_ptr<platform::SerialDevice> inner_ = platform::CreateTermiosDevice();
};

// In front: shown and enabled, no busy window, no keys still to type.
bool Up(QWidget* w) {
    return w && w->isVisible() && w->isEnabled() && !frmMessage.get() && !IsSendPending();
}

// CPU time of each thread of this process so far (ms, in clock ticks).
QString ThreadCpu() {
    QStringList parts;
    const double msPerTick = 1000.0 / double(sysconf(_SC_CLK_TCK));
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(tasks.filePath(tid + QStringLiteral("/stat")));
        if (!stat.open(QIODevice::ReadOnly)) continue;
        const QByteArray line = stat.readAll();
        // "tid (name) state ...": utime and stime are fields 14 and 15.
        const int open = line.indexOf('('), close = line.lastIndexOf(')');
        const QList<QByteArray> f = line.mid(close + 2).split(' ');
        if (open < 0 || close < 0 || f.size() < 13) continue;
        const double ms = (f[11].toDouble() + f[12].toDouble()) * msPerTick;
        parts << QStringLiteral("%1 %2")
                     .arg(QString::fromLatin1(line.mid(open + 1, close - open - 1)))
                     .arg(ms, 0, 'f', 0);
    }
    return parts.join(QStringLiteral(", "));
}

struct Step {
    QString flow; // empty: not measured
    bool settleFirst;
    std::function<void()> start;
    std::function<bool()> done;
};

struct FlowResult {
    QString name;
    double seconds = 0, cpu = 0;
    uint64_t in = 0, keys = 0;
    double bound() const {
        return double(in) / kLineBytesPerSecond + double(keys) * kSecondsPerKey;
    }
};

class Driver : public QObject {
public:
    std::vector<Step> steps;
    std::vector<FlowResult> results;
    QStringList boxes;
    QString failure;
    QString threads;

    void run() {
        connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
                [this] { check(); });
        connect(&settle_, &QTimer::timeout, this, [this] { trySettle(); });
        QTimer::singleShot(kRunLimitMs, this, [this] {
            fail(QStringLiteral("no progress within %1 s").arg(kRunLimitMs / 1000));
        });
        QTimer::singleShot(0, this, [this] { next(); });
    }

private:
    void fail(const QString& why) {
        if (failure.isEmpty())
            failure = QStringLiteral("step %1: %2").arg(int(index_) + 1).arg(why);
        QCoreApplication::exit(1);
    }
    void next() {
        if (index_ >= steps.size()) {
            threads = ThreadCpu(); // the reader stops when the loop ends
            QCoreApplication::exit(0);
            return;
        }
        if (steps[index_].settleFirst)
            settle_.start(20);
        else
            begin();
    }
    void trySettle() {
        const int64_t quietMs = (NowNs() - g_line.lastInNs.load()) / 1000000;
        if (quietMs < kSettleMs || IsSendPending()) return;
        settle_.stop();
        begin();
    }
    void begin() {
        const Step& s = steps[index_];
        if (!s.flow.isEmpty() && !open_) {
            FlowResult r;
            r.name = s.flow;
            results.push_back(r);
            t0_ = Clock::now();
            in0_ = g_line.in;
            keys0_ = g_line.keys;
            cpu0_ = ProcessCpuSeconds();
            open_ = true;
        }
        running_ = true;
        s.start();
    }
    // Runs each time the main thread is about to wait: right after whatever
    // made the step's condition true.
    void check() {
        if (!running_ || !steps[index_].done()) return;
        running_ = false;
        const bool flowEnds = index_ + 1 >= steps.size() ||
                              steps[index_ + 1].flow != steps[index_].flow ||
                              steps[index_ + 1].settleFirst;
        if (open_ && flowEnds) {
            FlowResult& r = results.back();
            r.seconds = Seconds(t0_, Clock::now());
            r.cpu = ProcessCpuSeconds() - cpu0_;
            r.in = g_line.in - in0_;
            r.keys = g_line.keys - keys0_;
            open_ = false;
        }
        ++index_;
        QTimer::singleShot(0, this, [this] { next(); });
    }

    size_t index_ = 0;
    bool running_ = false, open_ = false;
    QTimer settle_;
    Clock::time_point t0_;
    uint64_t in0_ = 0, keys0_ = 0;
    double cpu0_ = 0;
};

template <class T> T* PortControl(const char* name) {
    TfrmPortConfig* w = frmPortConfig.get();
    return w ? w->findChild<T*>(QString::fromLatin1(name)) : nullptr;
}

bool Applied(const QStringList& boxes, int count) {
    return boxes.size() == count && !frmPortConfig.exists() && Up(frmStaticConfig.get());
}

// The flows, each step starting once the one before it is done.
std::vector<Step> Flows(Driver& d) {
    const QString login = QStringLiteral("connect + login");
    const QString open = QStringLiteral("open Port Configuration");
    // Port 1's in-rate on page 1; port 25's full-duplex flow control on page
    // 4 (module ports have no rate control).
    auto apply = [](int page, std::function<void()> edit) {
        return [page, edit] {
            for (int p = 0; p < page; ++p)
                frmPortConfig->btnNextPage->click();
            edit();
            frmPortConfig->btnSave->click();
        };
    };
    auto setRate = [] { PortControl<QLineEdit>("edtInRateP01")->setText(QStringLiteral("12")); };
    auto flipFlow = [] { PortControl<QCheckBox>("chkFullP01")->toggle(); };
    auto portUp = [] {
        return Up(frmPortConfig.get()) && PortControl<QLineEdit>("edtInRateP01") != nullptr;
    };
    return {
        {login, true, [] { frmWelcome->btnConnect->click(); },
         // A user waits for the whole login page before typing.
         [] { return Up(frmLogin.get()) && frmLogin->LoginPromptCount >= 6; }},
        {login, false,
         [] {
             frmLogin->edtUsername->setText(QStringLiteral("admin"));
             frmLogin->edtPassword->setText(QStringLiteral("admin"));
             frmLogin->btnLogin->click();
         },
         [] { return Up(frmMain.get()); }},
        {QString(), true, [] { frmMain->btnStaticConfig->click(); },
         [] { return Up(frmStaticConfig.get()); }},
        {open, true, [] { frmStaticConfig->btnPortConfig->click(); }, portUp},
        {QStringLiteral("Apply on page 1"), true, apply(0, setRate),
         [&d] { return Applied(d.boxes, 1); }},
        {open, true, [] { frmStaticConfig->btnPortConfig->click(); }, portUp},
        {QStringLiteral("Apply on page 4"), true, apply(3, flipFlow),
         [&d] { return Applied(d.boxes, 2); }},
    };
}

// Starts tavik-switch-sim and returns the device it serves on ("" on failure).
QString StartSwitch(QProcess& sim, const QString& program, const QString& dump) {
    sim.setProgram(program);
    sim.setArguments({QStringLiteral("--dump-state"), dump});
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start();
    if (!sim.waitForStarted(5000)) return {};
    QByteArray out;
    while (!out.contains('\n') && sim.waitForReadyRead(5000))
        out += sim.readAllStandardOutput();
    const auto m =
        QRegularExpression(QStringLiteral("serving on (\\S+)")).match(QString::fromLocal8Bit(out));
    return m.hasMatch() ? m.captured(1) : QString();
}

// Whether the switch stored both changes.
bool SwitchStoredTheChanges(const QString& dump, QString& why) {
    QFile f(dump);
    if (!f.open(QIODevice::ReadOnly)) {
        why = QStringLiteral("no state dump");
        return false;
    }
    sim::SwitchState state = sim::FactoryState();
    std::string error;
    if (!sim::LoadStateJson(f.readAll(), state, error)) {
        why = QString::fromStdString(error);
        return false;
    }
    if (state.ports[0].inRate != 12 || state.ports[24].flowFull) {
        why = QStringLiteral("port 1 in-rate %1, port 25 full-duplex flow control %2")
                  .arg(state.ports[0].inRate)
                  .arg(state.ports[24].flowFull ? "on" : "off");
        return false;
    }
    return true;
}

// CPU and wake-ups per second of line traffic while the switch draws
// without a pause: over every stretch from the end of one read to the end of
// the next in which both reads filled up, in all flows. The pauses around
// keys (a quiet read of 100 ms before each) are left out, as are the
// windows' creation and first showing.
struct Share {
    double seconds = 0; // of line traffic
    double all = 0, main = 0, reader = 0, readerWakes = 0, looks = 0;
};
Share DrawingShare() {
    std::lock_guard<std::mutex> lock(g_line.mutex);
    Share sum;
    const auto& m = g_line.marks;
    for (size_t i = 1; i < m.size(); ++i) {
        if (m[i].bytes != kReadBytes || m[i - 1].bytes != kReadBytes) continue;
        sum.seconds += double(m[i].in - m[i - 1].in) / kLineBytesPerSecond;
        sum.all += m[i].cpu - m[i - 1].cpu;
        sum.main += m[i].main - m[i - 1].main;
        sum.reader += m[i].reader - m[i - 1].reader;
        sum.readerWakes += double(m[i].readerWakes - m[i - 1].readerWakes);
        sum.looks += double(m[i].looks - m[i - 1].looks);
    }
    if (sum.seconds <= 0) return {};
    return {sum.seconds,
            sum.all / sum.seconds,
            sum.main / sum.seconds,
            sum.reader / sum.seconds,
            sum.readerWakes / sum.seconds,
            sum.looks / sum.seconds};
}

void Quiet(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (message.contains(QLatin1String("This plugin does not support"))) return;
    if (type != QtDebugMsg) std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(Quiet);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    QString simProgram =
        QCoreApplication::applicationDirPath() + QStringLiteral("/tavik-switch-sim");
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--sim") && i + 1 < args.size()) {
            simProgram = args[++i];
        } else {
            std::fprintf(stderr, "usage: flow_bench [--sim PATH-OF-tavik-switch-sim]\n");
            return 2;
        }
    }

    QTemporaryDir dir;
    const QString dump = dir.path() + QStringLiteral("/state.json");
    QProcess sim;
    const QString device = StartSwitch(sim, simProgram, dump);
    if (device.isEmpty()) {
        std::fprintf(stderr, "flow_bench: cannot start %s\n", qPrintable(simProgram));
        return 1;
    }
    platform::MapPortName("COM1", device.toStdString());
    platform::SetSerialDeviceFactory([] { return std::make_unique<CountingDevice>(); });

    Driver driver;
    platform::SetMessageBoxHandler([&driver](const QString& text, const QString&, int buttons) {
        driver.boxes << text;
        return buttons == platform::MB_YESNO ? int(platform::IDYES) : int(platform::IDOK);
    });
    new TfrmWelcome;
    frmMemo.set(new TfrmMemo);
    frmWelcome->Show();
    driver.steps = Flows(driver);
    driver.run();
    const int result = QApplication::exec();

    if (IsLinkOpen()) CloseComPort();
    sim.terminate();
    sim.waitForFinished(5000);
    if (result != 0) {
        std::fprintf(stderr, "flow_bench: %s\n", qPrintable(driver.failure));
        return 1;
    }
    std::printf("%-26s %8s %8s %6s %6s %9s %5s %8s\n", "flow", "time s", "bound s", "ratio", "goal",
                "bytes in", "keys", "CPU ms");
    double cpu = 0, lineSeconds = 0;
    for (const FlowResult& r : driver.results) {
        const double goal = r.name.startsWith(QLatin1String("open")) ? 1.05 : 1.10;
        std::printf("%-26s %8.2f %8.2f %6.3f %6.2f %9llu %5llu %8.1f\n", qPrintable(r.name),
                    r.seconds, r.bound(), r.seconds / r.bound(), goal,
                    static_cast<unsigned long long>(r.in), static_cast<unsigned long long>(r.keys),
                    r.cpu * 1000);
        cpu += r.cpu;
        lineSeconds += double(r.in) / kLineBytesPerSecond;
    }
    const Share share = DrawingShare();
    std::printf("CPU per second of line traffic while the switch draws (%.0f s of it): %.2f %% of "
                "a core (goal < 0.5 %%; main thread %.2f %%, reader %.2f %%)\n",
                share.seconds, share.all * 100, share.main * 100, share.reader * 100);
    std::printf("reader wake-ups per second of line traffic while the switch draws: %.0f (%.0f "
                "looks at the line)\n",
                share.readerWakes, share.looks);
    std::printf("CPU per second of line traffic over all flows: %.2f %% of a core\n",
                lineSeconds > 0 ? cpu / lineSeconds * 100 : 0.0);
    std::printf("CPU by thread over the whole run, ms: %s\n", qPrintable(driver.threads));
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory: %.1f MiB\n", double(usage.ru_maxrss) / 1024.0);
    for (const QString& box : driver.boxes)
        std::printf("message box: %s\n", qPrintable(QString(box).replace('\n', ' ')));
    QString why;
    if (!SwitchStoredTheChanges(dump, why)) {
        std::fprintf(stderr, "flow_bench: the switch did not store the changes: %s\n",
                     qPrintable(why));
        return 1;
    }

    return 0;
}
