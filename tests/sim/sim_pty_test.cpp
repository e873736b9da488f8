// The simulated switch over a real pseudo-terminal, with real time: the
// tavik-switch-sim program as a child process (link, keys, a drawn screen,
// state dump, SIGUSR1, SIGTERM), and the in-process PtyServer.
#include "sim/PtyServer.h"
#include "sim/StateJson.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

// The program's end of the line: raw, like the engine's termios device.
class Line {
public:
    ~Line() { close(); }
    bool open(const std::string& path) {
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0) return false;
        termios t{};
        tcgetattr(fd_, &t);
        cfmakeraw(&t);
        tcsetattr(fd_, TCSANOW, &t);
        return true;
    }
    void close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    void type(const std::string& keys) {
        QCOMPARE(::write(fd_, keys.data(), keys.size()), ssize_t(keys.size()));
    }
    // Reads until `until` has arrived (returns everything read) or `ms` pass.
    std::string readUntil(const std::string& until, int ms) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 20) > 0) {
                char buf[512];
                const ssize_t n = ::read(fd_, buf, sizeof buf);
                if (n > 0) got_.append(buf, static_cast<size_t>(n));
            }
            const size_t at = until.empty() ? std::string::npos : got_.find(until);
            if (at != std::string::npos) {
                std::string out = got_.substr(0, at + until.size());
                got_.erase(0, at + until.size());
                return out;
            }
        }
        std::string out;
        out.swap(got_);
        return out;
    }

private:
    int fd_ = -1;
    std::string got_;
};

bool WaitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QTest::qSleep(10);
    return done();
}

} // namespace

class SimPtyTest : public QObject {
    Q_OBJECT

private slots:
    void programServesTheConsoleOnALink() {
        QTemporaryDir dir;
        const QString link = dir.filePath("switch");
        const QString dump = dir.filePath("state.json");
        QFile state(dir.filePath("start.json"));
        QVERIFY(state.open(QIODevice::WriteOnly));
        state.write(R"({"user": "boss", "ports": [{"port": 9, "inRate": 70}]})");
        state.close();

        QProcess sim;
        sim.setProgram(SIM_EXE);
        sim.setArguments({"--link", link, "--no-pacing", "--state", state.fileName(),
                          "--dump-state", dump, "--pretype", "boss\\radmin\\r", "--save-delay-ms",
                          "50", "--result-pause-ms", "50", "--self-test-interval-ms", "10",
                          "--login-pause-ms", "10"});
        sim.start();
        QVERIFY(sim.waitForStarted(5000));
        QVERIFY(sim.waitForReadyRead(5000));
        QVERIFY(sim.readAllStandardOutput().contains("serving on /dev/"));
        QVERIFY(QFileInfo(link).isSymLink());

        Line line;
        QVERIFY(line.open(link.toStdString()));
        line.type("\x1b");
        std::string screen = line.readUntil("\x1b[09;47H", 3000);
        QVERIFY(screen.starts_with("\x1b[2J\x1b[20;02H\x1b[01;09H\x1b[01;36HMain Menu"));

        // Misc: Retry Forever to Enabled, saved; the dump follows the save.
        line.type("\r\t\t\t\r\r\t\t\t\t ");
        line.type("\x01\t\r");
        QVERIFY(
            line.readUntil("Press any key to continue.", 3000).find("Misc configuration saved") !=
            std::string::npos);
        QVERIFY(WaitFor([&] { return QFile::exists(dump); }, 2000));
        QFile dumped(dump);
        QVERIFY(dumped.open(QIODevice::ReadOnly));
        sim::SwitchState s = sim::FactoryState();
        std::string error;
        QVERIFY2(sim::LoadStateJson(dumped.readAll(), s, error), error.c_str());
        QCOMPARE(s.retryForever, std::string("Enabled "));
        QCOMPARE(s.user, std::string("boss"));
        QCOMPARE(s.ports[8].inRate, 70);

        // SIGUSR1 power-cycles: the self-test, then the login screen.
        ::kill(static_cast<pid_t>(sim.processId()), SIGUSR1);
        const std::string boot = line.readUntil("\x1b[12;32H", 5000);
        QVERIFY(boot.find("\r\nPower-On Self Test ...\r\n") != std::string::npos);
        QVERIFY(boot.find("Vlan Initialize ............. OK") != std::string::npos);
        QCOMPARE(boot.find("Restarting"), std::string::npos);

        line.close();
        sim.terminate(); // SIGTERM
        QVERIFY(sim.waitForFinished(5000));
        QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.exitCode(), 0);
        QVERIFY(!QFileInfo(link).exists() && !QFileInfo(link).isSymLink());
        QVERIFY(QFile::exists(dump));
    }

    void programRefusesABadStateFile() {
        QTemporaryDir dir;
        QFile state(dir.filePath("bad.json"));
        QVERIFY(state.open(QIODevice::WriteOnly));
        state.write(R"({"trunks": [{"members": [3]}]})");
        state.close();
        QProcess sim;
        sim.start(SIM_EXE, {"--state", state.fileName(), "--link", dir.filePath("x")});
        QVERIFY(sim.waitForFinished(5000));
        QCOMPARE(sim.exitCode(), 2);
        QVERIFY(sim.readAllStandardError().contains("trunks: Trunk 1: 2 to 4 members needed."));
        QVERIFY(!QFileInfo(dir.filePath("x")).isSymLink());
    }

    void serverOutlivesTheProgramClosingTheDevice() {
        sim::Options o;
        o.pacing = false;
        o.selfTestIntervalMs = 5;
        o.loginPauseMs = 5;
        sim::PtyServer server;
        std::string error;
        QVERIFY2(server.start(o, "", &error), error.c_str());
        const std::string path = server.devicePath();
        QVERIFY(path.starts_with("/dev/"));
        for (int visit = 0; visit < 2; ++visit) {
            Line line;
            QVERIFY(line.open(path));
            line.type("\x1b");
            QVERIFY(line.readUntil("User Name : \x1b[12;32H", 3000).ends_with("\x1b[12;32H"));
        }
        Line line;
        QVERIFY(line.open(path));
        server.powerCycle();
        QVERIFY(line.readUntil("\x1b[12;32H", 3000).find("Self test completed.") !=
                std::string::npos);
        QCOMPARE(server.stateSnapshot(), sim::FactoryState());
        server.stop();
        QVERIFY(server.devicePath().empty());
        QVERIFY(!server.running());
    }

    // Output nobody reads is lost, as on a serial line: the next program to
    // open the device does not get a stale screen.
    void unreadOutputIsDropped() {
        sim::Options o;
        o.pacing = false;
        sim::PtyServer server;
        QVERIFY(server.start(o));
        {
            Line line;
            QVERIFY(line.open(server.devicePath()));
            line.type("\x1b");
            QTest::qSleep(100);
        }
        QTest::qSleep(1300);
        Line line;
        QVERIFY(line.open(server.devicePath()));
        QCOMPARE(line.readUntil("", 200), std::string());
        line.type("\x1b");
        QVERIFY(line.readUntil("\x1b[12;32H", 2000).starts_with("\x1b[2J"));
    }

    void linkPathMustNotClobberAFile() {
        QTemporaryDir dir;
        QFile plain(dir.filePath("taken"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        sim::PtyServer server;
        std::string error;
        QVERIFY(!server.start({}, plain.fileName().toStdString(), &error));
        QVERIFY(error.find("not a symbolic link") != std::string::npos);
        QVERIFY(QFileInfo(plain.fileName()).isFile());
    }
};

QTEST_GUILESS_MAIN(SimPtyTest)
#include "sim_pty_test.moc"
