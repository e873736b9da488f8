// Headless runs in-process against the simulated switch, on the line's
// virtual clock: how each run ends (exit code, last line, time taken), the
// console left at its login screen wherever the line still answers, and a
// second SIGINT ending the process at once.
#include "forms/backup/HeadlessRun.h"
#include "forms/base/FormRefs.h"
#include "forms/session/Welcomeform.h"
#include "platform/TerminationSignals.h"
#include "sim/SwitchState.h"
#include "tests/harness/WindowTest.h"

#include <QApplication>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <csignal>
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

namespace {

enum class Fault {
    None,
    PasswordPromptGarbled, // one byte of "Password  :" damaged on the line
    RestartInLoginWalk,    // a power cycle at the trunk screen of the walk after login
    WrongPassword,
    MiscNotKept,       // the switch drops the restored misc change again
    SigintDuringRead,  // SIGINT while the port screen is being drawn
    SigtermAfterWrite, // SIGTERM once the restore has stored its change
};

// How a run under `fault` ends: its exit code, the start of its last line,
// whether it logged out, and its longest time on the line's clock.
struct EndingRow {
    const char* name;
    Fault fault;
    int timeout, code;
    const char* last;
    bool loggedOut;
    int maxSeconds;
};
const EndingRow kEndings[] = {
    {"backup, then logout", Fault::None, 900, 0, "done: settings saved to", true, 300},
    {"password prompt garbled", Fault::PasswordPromptGarbled, 900, 3,
     "failed: no screen the program follows came from the switch for 30 s; last screen seen: "
     "the login screen",
     false, 60},
    {"restart during the walk after login", Fault::RestartInLoginWalk, 900, 3,
     "failed: the switch restarted during the walk after the login; last screen seen: the trunk "
     "configuration screen",
     false, 60},
    {"overall limit, then logout", Fault::None, 20, 3,
     "failed: the run did not end within its limit of 20 s", true, 60},
    {"login refused", Fault::WrongPassword, 900, 4, "failed: the switch refused the login as admin",
     false, 60},
    {"restore reads back differently, then logout", Fault::MiscNotKept, 900, 6,
     "failed: Settings restored, but the switch differs from the file", true, 600},
    {"SIGINT during a read, then logout", Fault::SigintDuringRead, 900, 130, "failed: interrupted",
     true, 120},
    {"SIGTERM during a restore, then logout", Fault::SigtermAfterWrite, 900, 143,
     "failed: interrupted", true, 600},
};

struct Ending {
    int code = -1;
    QStringList lines;
    int64_t ms = 0; // on the line's clock, from Start
    std::string where;
    std::vector<std::string> changed;
};

} // namespace

Q_DECLARE_METATYPE(Fault)

class HeadlessRunTest : public QObject {
    Q_OBJECT
    std::unique_ptr<LinkHarness> h;
    QTemporaryDir dir;
    MessageBoxes boxes_;

    // One headless run to its end; `during` is called after each step.
    Ending Run(const HeadlessJob& job, sim::Options o,
               const std::function<void(HeadlessRun&)>& during = {}) {
        steps::EndSession(h);
        ResetProgramState();
        h = std::make_unique<LinkHarness>(std::move(o));
        steps::ShowWelcome();
        FILE* log = std::tmpfile();
        Ending e;
        {
            HeadlessRun run(job, log);
            const int64_t start = h->nowMs();
            run.Start(false, false);
            h->runUntil(
                [&] {
                    run.Poll();
                    if (during && !run.finished()) during(run);
                    return run.finished();
                },
                1800000);
            e.code = run.finished() ? run.exitCode() : -1;
            e.ms = h->nowMs() - start;
            e.changed = run.changed();
        }
        // Whatever the program typed last has reached the switch; a box the
        // windows still show is answered rather than left waiting.
        boxes_.record(platform::IDNO);
        h->runFor(2000);
        e.where = h->sim().where();
        std::rewind(log);
        char line[4096];
        while (std::fgets(line, sizeof line, log))
            e.lines << QString::fromLocal8Bit(line).trimmed();
        std::fclose(log);
        return e;
    }

    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        QuietHeadlessMessages();
    }
    void cleanup() { steps::EndSession(h); }

    void endings_data() {
        QTest::addColumn<int>("row");
        for (const EndingRow& r : kEndings)
            QTest::newRow(r.name) << int(&r - kEndings);
    }
    void endings() {
        QFETCH(int, row);
        const auto [name, fault, timeout, code, last, loggedOut, maxSeconds] = kEndings[row];
        sim::SwitchState state = sim::FactoryState();
        HeadlessJob job;
        job.password = "admin";
        job.timeoutSeconds = timeout;
        job.file = path("factory.json");
        const bool restore = fault == Fault::MiscNotKept || fault == Fault::SigtermAfterWrite;
        if (restore) {
            // A backup of a switch at factory defaults, restored onto one
            // whose MAC hash differs.
            QCOMPARE(Run(job, sim::Options{}).code, 0);
            job.restore = true;
            state.macHash = "DirectMap";
        } else {
            job.file = path("backup.json");
        }
        if (fault == Fault::WrongPassword) job.password = "wrong";

        sim::Options o;
        o.initial = state;
        if (fault == Fault::PasswordPromptGarbled)
            o.faults.alterOutput = [seen = std::string()](uint8_t byte) mutable {
                seen = (seen + char(byte)).substr(seen.size() >= 4 ? 1 : 0);
                return seen == "assw" ? uint8_t('\x7f') : byte;
            };
        if (fault == Fault::RestartInLoginWalk) o.faults.powerCycleAt = "trunk";

        int64_t interruptedMs = -1;
        const Ending e = Run(job, o, [&](HeadlessRun& run) {
            sim::Switch& sw = h->sim();
            if (fault == Fault::MiscNotKept && sw.storeCount() > 0)
                sw.stored().macHash = "DirectMap";
            const bool due = (fault == Fault::SigintDuringRead && sw.where() == "port") ||
                             (fault == Fault::SigtermAfterWrite && sw.storeCount() > 0);
            if (due && interruptedMs < 0) {
                interruptedMs = h->nowMs();
                run.Interrupt(fault == Fault::SigintDuringRead ? SIGINT : SIGTERM);
            }
        });
        const QString all = e.lines.join(QLatin1Char('\n'));
        QCOMPARE(e.code, code);
        QVERIFY2(!e.lines.isEmpty() && e.lines.last().startsWith(last), qPrintable(all));
        QVERIFY2(e.ms < maxSeconds * 1000, qPrintable(QString::number(e.ms)));
        // Logged out from the main menu: the console is back at its login
        // screen, and the run said so before its last line.
        QCOMPARE(e.lines.contains(QStringLiteral("logging out")), loggedOut);
        if (loggedOut) QCOMPARE(e.where, std::string("login"));
        if (interruptedMs >= 0) QVERIFY(h->nowMs() - interruptedMs < kNoProgressUs / 1000);
        QVERIFY(!all.contains(QLatin1String("message: Logout")));
    }

    // A check reads and compares as a restore does but stores nothing; what
    // a run reports as changed: a restore's typed settings, a check's
    // differences, nothing for a switch that holds the file.
    void checkAndChanged_data() {
        QTest::addColumn<bool>("check");
        QTest::addColumn<bool>("differs");
        // The MAC hash changed between the two readings (once the first
        // has read the misc screen and gone back to the main menu), as a
        // value damaged on the line in one reading would read.
        QTest::addColumn<bool>("moves");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("last");
        QTest::newRow("check, equal") << true << false << false << 0
                                      << "done: The switch already holds the settings of the file";
        QTest::newRow("check, differs")
            << true << true << false << 6 << "failed: the switch differs from";
        QTest::newRow("check, the readings disagree")
            << true << false << true << 3
            << "failed: the switch read differently twice (a damaged line, or a change at its "
               "console meanwhile): Misc: MAC hash CRC-Hash -> DirectMap";
        QTest::newRow("restore, equal")
            << false << false << false << 0
            << "done: The switch already holds the settings of the file";
        QTest::newRow("restore, differs")
            << false << true << false << 0 << "done: Settings restored, verified.";
    }

    void checkAndChanged() {
        QFETCH(bool, check);
        QFETCH(bool, differs);
        QFETCH(bool, moves);
        QFETCH(int, code);
        QFETCH(QString, last);

        HeadlessJob job;
        job.password = "admin";
        job.file = path("check.json");
        QCOMPARE(Run(job, sim::Options{}).code, 0);
        job.restore = !check;
        job.check = check;
        sim::SwitchState state = sim::FactoryState();
        if (differs) {
            state.macHash = "DirectMap";
            state.ports[3].inRate = 100;
        }
        sim::Options o;
        o.initial = state;
        bool miscRead = false;
        const Ending e = Run(job, o, [&](HeadlessRun&) {
            sim::Switch& sw = h->sim();
            miscRead = miscRead || sw.where() == "misc";
            if (moves && miscRead && sw.where() == "main") sw.stored().macHash = "DirectMap";
        });
        const QString all = e.lines.join(QLatin1Char('\n'));
        QCOMPARE(e.code, code);
        QVERIFY2(!e.lines.isEmpty() && e.lines.last().startsWith(last), qPrintable(all));
        const std::vector<std::string> differences = {"Port PORT4: in rate 100 -> 0",
                                                      "Misc: MAC hash DirectMap -> CRC-Hash"};
        QCOMPARE(e.changed, differs ? differences : std::vector<std::string>{});
        // Nothing stored by a check, the switch as it was; logged out.
        if (check) {
            QCOMPARE(h->sim().storeCount(), uint64_t(0));
            if (!moves) QCOMPARE(h->sim().stored().macHash, state.macHash);
        } else {
            QCOMPARE(h->sim().storeCount() > 0, differs);
        }
        QCOMPARE(e.where, std::string("login"));
    }

    // A box opened past the message-box call is printed and dismissed
    // instead of waiting for a click on a screen nobody sees.
    void dialogsOpenedDirectlyAreDismissed() {
        FILE* log = std::tmpfile();
        {
            HeadlessRun run(HeadlessJob{}, log);
            // Only if the run failed to dismiss it: the test must not hang.
            QTimer::singleShot(20000, [] {
                if (QWidget* box = QApplication::activeModalWidget()) box->close();
            });
            QMessageBox::critical(nullptr, QStringLiteral("tavik-config"), QStringLiteral("boom"));
        }
        std::rewind(log);
        char line[256] = {};
        QVERIFY(std::fgets(line, sizeof line, log) != nullptr);
        std::fclose(log);
        QCOMPARE(QString::fromLatin1(line).trimmed(),
                 QStringLiteral("message: tavik-config: boom"));
    }

    // The first signal goes to the main thread through the pipe; a second
    // one, while the run is still logging out, ends the process at once.
    void secondSignalEndsAtOnce() {
        int caught = 0;
        {
            platform::TerminationSignals catcher([&caught](int signal) { caught = signal; }, "");
            QVERIFY(catcher.active());
            std::raise(SIGTERM);
            QTRY_COMPARE(caught, SIGTERM);
        }
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            platform::TerminationSignals catcher([](int) {}, "");
            std::raise(SIGINT);
            std::raise(SIGINT);
            _exit(0);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 128 + SIGINT);
    }
};

QTEST_MAIN(HeadlessRunTest)
#include "tst_headless_run.moc"
