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
#include "forms/FormRefs.h"
#include "forms/Loginform.h"
#include "forms/Mainform.h"
#include "forms/Memoform.h"
#include "forms/Messageform.h"
#include "forms/Portconfigform.h"
#include "forms/Staticconfigform.h"
#include "forms/Welcomeform.h"
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
    // At every key: the bytes read so far and the CPU used so far, so that
    // the stretches in which the switch draws can be told apart.
    struct Mark {
        uint64_t in;
        double cpu, main, reader;
        long mainWakes, readerWakes;
    };
    std::atomic<long> readerWakes{0};
    std::atomic<pid_t> readerTid{0};
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
        if (g_line.readerTid.load() == 0) g_line.readerTid = pid_t(gettid());
        g_line.readerWakes = ThreadWakes();
        const int n = inner_->read(buf, max);
        if (n > 0) {
            g_line.in += uint64_t(n);
            g_line.lastInNs = NowNs();
        }
        return n;
    }
    int write(const uint8_t* buf, int count) override {
        const int n = inner_->write(buf, count);
        if (n > 0) {
            g_line.keys += uint64_t(n);
            std::lock_guard<std::mutex> lock(g_line.mutex);
            // Keys are typed on the main thread.
            const pid_t reader = g_line.readerTid.load();
            g_line.marks.push_back({g_line.in.load(), ProcessCpuSeconds(),
                                    CpuSeconds(CLOCK_THREAD_CPUTIME_ID),
                                    reader ? CpuSeconds(ThreadClock(reader)) : 0, ThreadWakes(),
                                    g_line.readerWakes.load()});
        }
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
    size_t firstMark = 0, endMark = 0; // keys typed during the flow
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
            std::lock_guard<std::mutex> lock(g_line.mutex);
            results.back().firstMark = g_line.marks.size();
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
            std::lock_guard<std::mutex> lock(g_line.mutex);
            r.endMark = g_line.marks.size();
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

// CPU per second of line traffic over the stretches in which the switch
// draws whole console pages: between the second and the last key of the
// first port read (pages 2 to 4), so creating and showing the window is not
// counted. Whole program, main thread, reader thread.
struct Share {
    double all = -1, main = -1, reader = -1;
    double mainWakes = -1, readerWakes = -1; // per second of line traffic
};
Share DrawingCpuShare(const FlowResult& open) {
    std::lock_guard<std::mutex> lock(g_line.mutex);
    if (open.endMark < open.firstMark + 3) return {};
    const auto& a = g_line.marks[open.firstMark + 1];
    const auto& b = g_line.marks[open.endMark - 1];
    const double lineSeconds = double(b.in - a.in) / kLineBytesPerSecond;
    if (lineSeconds <= 0) return {};
    return {(b.cpu - a.cpu) / lineSeconds, (b.main - a.main) / lineSeconds,
            (b.reader - a.reader) / lineSeconds, double(b.mainWakes - a.mainWakes) / lineSeconds,
            double(b.readerWakes - a.readerWakes) / lineSeconds};
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
    for (const FlowResult& r : driver.results) {
        if (!r.name.startsWith(QLatin1String("open"))) continue;
        const Share share = DrawingCpuShare(r);
        std::printf("CPU per second of line traffic while the switch draws pages: %.2f %% of a "
                    "core (goal < 0.5 %%; main thread %.2f %%, reader %.2f %%)\n",
                    share.all * 100, share.main * 100, share.reader * 100);
        std::printf("wake-ups per second of line traffic while the switch draws pages: main "
                    "thread %.0f, reader %.0f\n",
                    share.mainWakes, share.readerWakes);
        break;
    }
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
