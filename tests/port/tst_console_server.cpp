// The windows through a real ser2net on loopback serving the simulated switch's
// terminal (telnet with RFC 2217, plain telnet, raw TCP): a port change stored
// as over a local device; ser2net killed under a session ends it (hang-up).
#include "engine/Transcript.h"
#include "forms/session/SessionEnd.h"
#include "platform/SerialDevice.h"
#include "sim/StateJson.h"
#include "sim/SwitchState.h"
#include "tests/harness/Loopback.h"
#include "tests/harness/WindowTest.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString Ser2net() {
    return QStandardPaths::findExecutable(QStringLiteral("ser2net"),
                                          {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin"),
                                           QStringLiteral("/usr/local/sbin")});
}

bool Listening(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in a = Loopback(port);
    const bool up = ::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    return up;
}

using steps::Up;

} // namespace

class ConsoleServerTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    QProcess sim_;
    QProcess server_;
    MessageBoxes boxes_;
    int port_ = 0;

    QString path(const char* name) const { return dir_->filePath(QLatin1String(name)); }

    // The simulated switch on a pseudo-terminal, storing its state in
    // state.json, and ser2net serving that terminal on port_ with
    // `protocol` ("telnet(rfc2217)," or "" for raw TCP).
    bool StartSwitchAndServer(const QString& protocol) {
        sim_.start(QStringLiteral(SIM), {"--link", path("sw"), "--no-pacing", "--login-pause-ms",
                                         "0", "--dump-state", path("state.json")});
        if (!sim_.waitForStarted() ||
            !QTest::qWaitFor([this] { return QFile::exists(path("sw")); }, 10000))
            return false;
        port_ = FreePort();
        QFile yaml(path("ser2net.yaml"));
        if (!yaml.open(QIODevice::WriteOnly)) return false;
        yaml.write(QStringLiteral("connection: &switch\n"
                                  "  accepter: %1tcp,127.0.0.1,%2\n"
                                  "  connector: serialdev,%3,9600n81,local\n")
                       .arg(protocol)
                       .arg(port_)
                       .arg(QFileInfo(path("sw")).symLinkTarget())
                       .toUtf8());
        yaml.close();
        server_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server_.start(Ser2net(), {"-n", "-d", "-c", yaml.fileName(), "-P", path("ser2net.pid")});
        return server_.waitForStarted() &&
               QTest::qWaitFor([this] { return Listening(port_); }, 10000);
    }

    // Connect and login through the start and login windows, the reader
    // thread and the network line all real.
    bool LogIn(const std::string& scheme) {
        std::string name;
        if (!platform::MapPortOption("COM1=" + scheme + "://127.0.0.1:" + std::to_string(port_),
                                     &name))
            return false;
        steps::ShowWelcome();
        frmWelcome->btnConnect->click();
        if (!QTest::qWaitFor([] { return steps::Shown(frmLogin.get()); }, 20000)) return false;
        if (!QTest::qWaitFor([] { return frmLogin->LoginPromptCount >= 6 && !IsSendPending(); },
                             10000))
            return false;
        steps::EnterAccount();
        return QTest::qWaitFor(steps::MainUp, 60000);
    }

    sim::SwitchState Stored() {
        sim::SwitchState state = sim::FactoryState();
        QFile f(path("state.json"));
        std::string error;
        if (!f.open(QIODevice::ReadOnly) || !sim::LoadStateJson(f.readAll(), state, error))
            qWarning("state.json: %s", error.c_str());
        return state;
    }

private slots:
    void init() {
        if (Ser2net().isEmpty()) QSKIP("ser2net is not installed (scripts/setup installs it)");
        dir_ = std::make_unique<QTemporaryDir>();
        steps::BeginCase(boxes_);
        platform::SetSerialDeviceFactory(nullptr);
        SetManualStepping(false);
    }
    void cleanup() {
        StopTranscript();
        steps::EndSession();
        platform::ClearPortMappings();
        // Only the processes this test started, by their own PIDs.
        if (server_.state() != QProcess::NotRunning) {
            server_.kill();
            server_.waitForFinished();
        }
        if (sim_.state() != QProcess::NotRunning) {
            sim_.terminate();
            if (!sim_.waitForFinished(5000)) sim_.kill();
        }
        dir_.reset();
    }

    // A server that refuses the COM-port option serves as plain telnet,
    // and the transcript says so.
    void portChangeStored_data() {
        QTest::addColumn<QString>("protocol");
        QTest::addColumn<QString>("scheme");
        QTest::addColumn<bool>("refused");
        QTest::newRow("telnet with RFC 2217")
            << QStringLiteral("telnet(rfc2217),") << "telnet" << false;
        QTest::newRow("telnet refusing RFC 2217") << QStringLiteral("telnet,") << "telnet" << true;
        QTest::newRow("raw TCP") << QString() << "tcp" << false;
    }
    void portChangeStored() {
        QFETCH(QString, protocol);
        QFETCH(QString, scheme);
        QFETCH(bool, refused);
        std::string error;
        QVERIFY(StartTranscript(path("transcript.txt").toStdString(), error));
        QVERIFY(StartSwitchAndServer(protocol));
        QVERIFY(LogIn(scheme.toStdString()));
        frmMain->btnStaticConfig->click();
        QVERIFY(QTest::qWaitFor([] { return Up(frmStaticConfig.get()); }, 20000));
        frmStaticConfig->btnPortConfig->click();
        QVERIFY(QTest::qWaitFor([] { return Up(frmPortConfig.get()); }, 60000));
        auto* inRate = frmPortConfig->findChild<QLineEdit*>(QStringLiteral("edtInRateP02"));
        QVERIFY(inRate != nullptr);
        inRate->setText(QStringLiteral("321"));
        frmPortConfig->btnSave->click();
        QVERIFY(QTest::qWaitFor([] { return !frmPortConfig.exists() && Up(frmStaticConfig.get()); },
                                60000));
        QCOMPARE(boxes_.size(), 1);
        QCOMPARE(boxes_[0].text,
                 DecodeText(std::string(GetLangText(1301)) + "\n" + GetLangText(1302)));
        sim::SwitchState want = sim::FactoryState();
        want.ports[1].inRate = 321;
        QVERIFY(Stored() == want);
        QVERIFY(StopTranscript());
        QFile transcript(path("transcript.txt"));
        QVERIFY(transcript.open(QIODevice::ReadOnly));
        const QString text = QString::fromLatin1(transcript.readAll());
        QCOMPARE(text.contains("refused the COM-port option"), refused);
        // The console is plain text: no telnet command (0xF0 to 0xFF) may
        // have slipped through as the switch's output.
        QVERIFY2(!text.contains(QRegularExpression("<x[Ff][0-9A-F]>")), qPrintable(text));
    }

    // The console server going away is the network's hang-up: the session
    // ends with its own message and the start window takes a new Connect.
    void serverKilledEndsTheSession() {
        QVERIFY(StartSwitchAndServer(QStringLiteral("telnet(rfc2217),")));
        QVERIFY(LogIn("telnet"));
        server_.kill();
        QVERIFY(QTest::qWaitFor([this] { return !boxes_.isEmpty(); }, 10000));
        QCOMPARE(boxes_.texts(), QStringList({LinkFaultMessage(LinkFaultHungUp)}));
        QCOMPARE(boxes_[0].text, LangText(1377).trimmed());
        QVERIFY(QTest::qWaitFor([] { return Up(frmWelcome.get()); }, 10000));
        QVERIFY(!IsLinkOpen() && !frmMain.exists());
        QVERIFY(frmWelcome->btnConnect->isEnabled());
    }
};

QTEST_MAIN(ConsoleServerTest)
#include "tst_console_server.moc"
