// The tavik-switch-sim program over a real pseudo-terminal, in real time:
// its link, a drawn screen, a save dumped to the state file, SIGTERM.
#include "sim/PtyServer.h"
#include "sim/StateJson.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Reads until `until` has arrived or `ms` have passed.
std::string ReadUntil(int fd, const std::string& until, int ms) {
    std::string got;
    QElapsedTimer t;
    t.start();
    while (got.find(until) == std::string::npos && t.elapsed() < ms) {
        pollfd p{fd, POLLIN, 0};
        char buf[512];
        if (poll(&p, 1, 20) <= 0) continue;
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) got.append(buf, static_cast<size_t>(n));
    }
    return got;
}

} // namespace

class SimPtyTest : public QObject {
    Q_OBJECT

private slots:
    void programServesTheConsoleOnALink() {
        QTemporaryDir dir;
        const QString link = dir.filePath("switch"), dump = dir.filePath("state.json");
        QFile state(dir.filePath("start.json"));
        QVERIFY(state.open(QIODevice::WriteOnly));
        state.write(R"({"user": "boss", "ports": [{"port": 9, "inRate": 70}]})");
        state.close();
        QProcess sim;
        sim.start(SIM_EXE,
                  {"--link", link, "--no-pacing", "--state", state.fileName(), "--dump-state", dump,
                   "--pretype", "boss\\radmin\\r", "--save-delay-ms", "50"});
        QVERIFY(sim.waitForReadyRead(5000));
        QVERIFY(sim.readAllStandardOutput().contains("serving on /dev/"));
        QVERIFY(QFileInfo(link).isSymLink());

        // The program's end of the line: raw, like the engine's termios device.
        const int fd = ::open(QFile::encodeName(link), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        QVERIFY(fd >= 0);
        termios t{};
        tcgetattr(fd, &t);
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
        QCOMPARE(::write(fd, "\x1b", 1), ssize_t(1));
        QVERIFY(ReadUntil(fd, "\x1b[09;47H", 3000)
                    .starts_with("\x1b[2J\x1b[20;02H\x1b[01;09H\x1b[01;36HMain Menu"));
        // Misc: Retry Forever to Enabled, saved; the dump follows the save.
        const std::string keys = "\r\t\t\t\r\r\t\t\t\t \x01\t\r";
        QCOMPARE(::write(fd, keys.data(), keys.size()), ssize_t(keys.size()));
        QVERIFY(ReadUntil(fd, "Press any key", 3000).find("Misc configuration saved") !=
                std::string::npos);
        QVERIFY(QTest::qWaitFor([&] { return QFile::exists(dump); }, 2000));
        QFile dumped(dump);
        QVERIFY(dumped.open(QIODevice::ReadOnly));
        sim::SwitchState s = sim::FactoryState(), expected = s;
        std::string error;
        QVERIFY2(sim::LoadStateJson(dumped.readAll(), s, error), error.c_str());
        expected.user = "boss", expected.ports[8].inRate = 70, expected.retryForever = "Enabled ";
        QCOMPARE(s, expected);

        ::close(fd);
        sim.terminate(); // SIGTERM
        QVERIFY(sim.waitForFinished(5000));
        QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.exitCode(), 0);
        QVERIFY(!QFileInfo(link).exists() && !QFileInfo(link).isSymLink());
    }

    void linkPathMustNotClobberAFile() {
        QTemporaryDir dir;
        QFile plain(dir.filePath("taken"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        std::string error;
        QVERIFY(!sim::PtyServer().start({}, plain.fileName().toStdString(), &error));
        QVERIFY(error.find("not a symbolic link") != std::string::npos);
        QVERIFY(QFileInfo(plain.fileName()).isFile());
    }
};

QTEST_GUILESS_MAIN(SimPtyTest)
#include "sim_pty_test.moc"
