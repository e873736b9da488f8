// The network console line: the telnet layer's bytes (IAC doubling, the
// answers it gives, the COM-port settings it sends, a refusal), addresses
// taken and refused, and the line against a server in this process: bytes
// both ways, the read timing, each connect failure and its message, a
// server that goes away.
#include "engine/SerialLink.h"
#include "engine/Transcript.h"
#include "platform/NetworkLine.h"
#include "platform/TelnetCodec.h"
#include "platform/Ui.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QtTest>

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using platform::TelnetCodec;
using OpenError = platform::SerialDevice::OpenError;
using LineFault = platform::SerialDevice::LineFault;

namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (const int v : values)
        s.push_back(static_cast<char>(v));
    return s;
}

constexpr int IAC = 255, DONT = 254, DO = 253, WONT = 252, WILL = 251, SB = 250, SE = 240;
constexpr int NOP = 241, GA = 249;

// The five COM-port settings: 9600 baud, 8 bits, no parity, 1 stop bit, no
// flow control.
const std::string kSettings =
    Bytes({IAC, SB, 44, 1, 0, 0, 0x25, 0x80, IAC, SE}) + Bytes({IAC, SB, 44, 2, 8, IAC, SE}) +
    Bytes({IAC, SB, 44, 3, 1, IAC, SE}) + Bytes({IAC, SB, 44, 4, 1, IAC, SE}) +
    Bytes({IAC, SB, 44, 5, 1, IAC, SE});

// A listening socket on a free loopback port.
struct Listener {
    int fd = -1;
    int port = 0;
    explicit Listener(int backlog = 4) {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        ::bind(fd, reinterpret_cast<sockaddr*>(&a), len);
        ::listen(fd, backlog);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
        port = ntohs(a.sin_port);
    }
    ~Listener() { stop(); }
    void stop() {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
    int accept() const {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 2000) != 1) return -1;
        return ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
    }
};

// Everything the peer sent within `ms`.
std::string Drain(int fd, int ms) {
    std::string got;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              end - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) return got;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, int(left)) != 1) return got;
        char buf[256];
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) return got;
        got.append(buf, size_t(n));
    }
}

void Send(int fd, const std::string& bytes) {
    QCOMPARE(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), ssize_t(bytes.size()));
}

std::string ReadLine(platform::SerialDevice& line) {
    uint8_t buf[80];
    const int n = line.read(buf, sizeof buf);
    return std::string(reinterpret_cast<char*>(buf), size_t(n));
}

} // namespace

class EngineNetworkTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() {
        platform::ClearPortMappings();
        platform::SetMessageBoxHandler(nullptr);
        platform::SetConnectTimeoutForTests(0);
        SetLanguageLookup(nullptr);
        CloseComPort();
    }

    // What the server sends, after the line's own opening offers: the
    // console's bytes and the line's answer. Each row is also fed one byte
    // at a time, which must give the same: a command split by the network
    // is carried over.
    void serverBytesAreDecoded_data() {
        QTest::addColumn<std::string>("in");
        QTest::addColumn<std::string>("data");
        QTest::addColumn<std::string>("reply");
        QTest::addColumn<int>("comPort");
        const int asked = int(TelnetCodec::ComPort::Asked);
        QTest::newRow("plain") << std::string("Login: ") << std::string("Login: ") << std::string()
                               << asked;
        QTest::newRow("doubled IAC is one 0xFF")
            << "a" + Bytes({IAC, IAC}) + "b"
            << "a" + Bytes({0xFF}) + "b" << std::string() << asked;
        QTest::newRow("commands dropped") << "a" + Bytes({IAC, NOP}) + "b" + Bytes({IAC, GA})
                                          << std::string("ab") << std::string() << asked;
        QTest::newRow("subnegotiation dropped, IAC inside")
            << "x" + Bytes({IAC, SB, 44, 101, 0, IAC, IAC, 0x25, 0x80, IAC, SE}) + "y"
            << std::string("xy") << std::string() << asked;
        QTest::newRow("COM port accepted: the settings follow, no second WILL")
            << Bytes({IAC, DO, 44}) << std::string() << kSettings
            << int(TelnetCodec::ComPort::Accepted);
        QTest::newRow("COM port refused") << Bytes({IAC, DONT, 44}) + "ok" << std::string("ok")
                                          << std::string() << int(TelnetCodec::ComPort::Refused);
        QTest::newRow("COM port refused with WONT")
            << Bytes({IAC, WONT, 44}) << std::string() << std::string()
            << int(TelnetCodec::ComPort::Refused);
        QTest::newRow("unknown DO refused")
            << Bytes({IAC, DO, 24}) << std::string() << Bytes({IAC, WONT, 24}) << asked;
        QTest::newRow("server echo refused")
            << Bytes({IAC, WILL, 1}) << std::string() << Bytes({IAC, DONT, 1}) << asked;
        QTest::newRow("agreement to what was asked is not answered")
            << Bytes({IAC, WILL, 0, IAC, DO, 0, IAC, WILL, 3, IAC, DO, 3}) << std::string()
            << std::string() << asked;
        QTest::newRow("withdrawn option acknowledged once")
            << Bytes({IAC, WILL, 3, IAC, WONT, 3, IAC, WONT, 3}) << std::string()
            << Bytes({IAC, DONT, 3}) << asked;
        QTest::newRow("CR NUL is CR without binary")
            << "a\r" + Bytes({0}) + "b" << std::string("a\rb") << std::string() << asked;
        QTest::newRow("NUL kept in binary") << Bytes({IAC, WILL, 0}) + "\r" + Bytes({0})
                                            << "\r" + Bytes({0}) << std::string() << asked;
    }
    void serverBytesAreDecoded() {
        QFETCH(std::string, in);
        QFETCH(std::string, data);
        QFETCH(std::string, reply);
        QFETCH(int, comPort);
        for (const bool split : {false, true}) {
            TelnetCodec codec;
            codec.start();
            std::string gotData;
            std::string gotReply;
            const auto* bytes = reinterpret_cast<const uint8_t*>(in.data());
            if (split) {
                for (size_t i = 0; i < in.size(); ++i)
                    codec.receive(bytes + i, 1, gotData, gotReply);
            } else {
                codec.receive(bytes, int(in.size()), gotData, gotReply);
            }
            QCOMPARE(gotData, data);
            QCOMPARE(gotReply, reply);
            QCOMPARE(int(codec.comPort()), comPort);
            QCOMPARE(codec.takeNote().empty(), comPort != int(TelnetCodec::ComPort::Refused));
            QVERIFY(codec.takeNote().empty());
        }
    }

    // The opening offers; a server's offer of the COM-port option that
    // comes first is answered with WILL and the settings.
    void openingAndUnpromptedOffers() {
        TelnetCodec codec;
        QCOMPARE(codec.start(),
                 Bytes({IAC, WILL, 0, IAC, WILL, 3, IAC, WILL, 44, IAC, DO, 0, IAC, DO, 3}));
        TelnetCodec quiet;
        std::string data;
        std::string reply;
        const std::string offer = Bytes({IAC, DO, 44, IAC, DO, 44});
        quiet.receive(reinterpret_cast<const uint8_t*>(offer.data()), int(offer.size()), data,
                      reply);
        QCOMPARE(reply, Bytes({IAC, WILL, 44}) + kSettings);
    }

    // Keys for the wire: 0xFF doubled; a carriage return is CR NUL until
    // the server agrees to binary.
    void keysAreEncoded() {
        TelnetCodec codec;
        codec.start();
        const std::string keys = "a\r" + Bytes({0xFF});
        const auto* k = reinterpret_cast<const uint8_t*>(keys.data());
        QCOMPARE(codec.encode(k, int(keys.size())), "a\r" + Bytes({0, IAC, IAC}));
        std::string data;
        std::string reply;
        const std::string yes = Bytes({IAC, DO, 0});
        codec.receive(reinterpret_cast<const uint8_t*>(yes.data()), int(yes.size()), data, reply);
        QCOMPARE(codec.encode(k, int(keys.size())), "a\r" + Bytes({IAC, IAC}));
    }

    void addresses_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("good");
        QTest::addColumn<bool>("telnet");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::newRow("tcp") << "tcp://cs1.lab:2001" << true << false << "cs1.lab" << 2001;
        QTest::newRow("telnet, capitals")
            << "TELNET://10.0.0.5:7001" << true << true << "10.0.0.5" << 7001;
        QTest::newRow("IPv6") << "tcp://[::1]:65535" << true << false << "::1" << 65535;
        QTest::newRow("port 1") << "telnet://h:1" << true << true << "h" << 1;
        QTest::newRow("no port") << "tcp://host" << false << false << "" << 0;
        QTest::newRow("empty port") << "tcp://host:" << false << false << "" << 0;
        QTest::newRow("port 0") << "tcp://host:0" << false << false << "" << 0;
        QTest::newRow("port 65536") << "tcp://host:65536" << false << false << "" << 0;
        QTest::newRow("port not a number") << "tcp://host:20x1" << false << false << "" << 0;
        QTest::newRow("empty host") << "telnet://:2001" << false << false << "" << 0;
        QTest::newRow("empty brackets") << "telnet://[]:2001" << false << false << "" << 0;
        QTest::newRow("IPv6 without brackets") << "tcp://::1:2001" << false << false << "" << 0;
        QTest::newRow("a path after it") << "tcp://host/x:2001" << false << false << "" << 0;
        QTest::newRow("another scheme") << "ssh://host:22" << false << false << "" << 0;
    }
    void addresses() {
        QFETCH(QString, path);
        QFETCH(bool, good);
        QFETCH(bool, telnet);
        QFETCH(QString, host);
        QFETCH(int, port);
        platform::NetworkAddress a;
        QCOMPARE(platform::ParseNetworkAddress(path.toStdString(), &a), good);
        // --port refuses a malformed address before anything opens.
        const bool network = platform::IsNetworkPath(path.toStdString());
        QCOMPARE(platform::MapPortOption("COM2=" + path.toStdString()), good || !network);
        if (!good) return;
        QCOMPARE(a.telnet, telnet);
        QCOMPARE(QString::fromStdString(a.host), host);
        QCOMPARE(a.port, port);
    }

    // Raw TCP: bytes go both ways untouched, a read ends once the line has
    // been quiet for the inter-character time, and the server closing the
    // connection is a hang-up.
    void rawLine() {
        Listener server;
        auto line = platform::CreateSerialDevice();
        QVERIFY(line->open("tcp://127.0.0.1:" + std::to_string(server.port)));
        const int peer = server.accept();
        QVERIFY(peer >= 0);
        const std::string keys = "n" + Bytes({1, 0xFF, 27});
        QCOMPARE(line->write(reinterpret_cast<const uint8_t*>(keys.data()), int(keys.size())),
                 int(keys.size()));
        QCOMPARE(Drain(peer, 200), keys);
        Send(peer, "Login:" + Bytes({0xFF}));
        const auto start = std::chrono::steady_clock::now();
        QCOMPARE(ReadLine(*line), "Login:" + Bytes({0xFF}));
        // Well before the 100 ms window: the quiet after the bytes ends it.
        QVERIFY(std::chrono::steady_clock::now() - start < std::chrono::milliseconds(80));
        QCOMPARE(int(line->lineFault()), int(LineFault::None));
        ::close(peer);
        QCOMPARE(ReadLine(*line), std::string());
        QCOMPARE(int(line->lineFault()), int(LineFault::HungUp));
        // Keys for a server gone neither hang nor kill the program.
        line->write(reinterpret_cast<const uint8_t*>(keys.data()), int(keys.size()));
    }

    // Telnet: the opening offers reach the server, a refusal of the
    // COM-port option leaves a note, the console's bytes are undoubled and
    // the keys doubled.
    void telnetLine() {
        Listener server;
        auto line = platform::CreateSerialDevice();
        QVERIFY(line->open("telnet://127.0.0.1:" + std::to_string(server.port)));
        const int peer = server.accept();
        QVERIFY(peer >= 0);
        QCOMPARE(Drain(peer, 200), TelnetCodec().start());
        Send(peer, Bytes({IAC, DONT, 44, IAC, DO, 0, IAC, WILL, 0, IAC, WILL, 1}) + "sw" +
                       Bytes({IAC, IAC}));
        QCOMPARE(ReadLine(*line), "sw" + Bytes({0xFF}));
        QCOMPARE(Drain(peer, 200), Bytes({IAC, DONT, 1}));
        QVERIFY(line->takeNote().find("RFC 2217") != std::string::npos);
        QVERIFY(line->takeNote().empty());
        const std::string keys = "\r" + Bytes({0xFF});
        QCOMPARE(line->write(reinterpret_cast<const uint8_t*>(keys.data()), int(keys.size())),
                 int(keys.size()));
        QCOMPARE(Drain(peer, 200), "\r" + Bytes({IAC, IAC}));
        ::close(peer);
    }

    // Each way a connect fails has its own message, naming the address.
    void connectFailuresHaveTheirMessages() {
        QStringList boxes;
        platform::SetMessageBoxHandler([&](const QString& text, const QString&, int) {
            boxes << text;
            return int(platform::IDOK);
        });
        SetLanguageLookup([](int32_t id) { return QStringLiteral("[%1] %2\n").arg(id).arg("%1"); });
        int closedPort = 0;
        {
            Listener gone;
            closedPort = gone.port;
        }
        // A server whose queue is full never answers a connect: its SYNs
        // are dropped. Filled with connections nobody accepts.
        Listener full(0);
        std::vector<int> queued;
        for (int i = 0; i < 3; ++i) {
            const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            a.sin_port = htons(uint16_t(full.port));
            ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
            queued.push_back(s);
        }
        QTest::qWait(100);
        platform::SetConnectTimeoutForTests(500);
        const std::string refused = "tcp://127.0.0.1:" + std::to_string(closedPort);
        const std::string unknown = "telnet://nonexistent.invalid:2001";
        const std::string silent = "tcp://127.0.0.1:" + std::to_string(full.port);
        platform::MapPortName("COM1", refused);
        platform::MapPortName("COM2", unknown);
        platform::MapPortName("COM3", silent);
        platform::MapPortName("COM4", "tcp://host:99999");
        QCOMPARE(OpenComPort(1), -1);
        QCOMPARE(OpenComPort(2), -1);
        const auto start = std::chrono::steady_clock::now();
        QCOMPARE(OpenComPort(3), -1);
        const auto waited = std::chrono::steady_clock::now() - start;
        QVERIFY(waited >= std::chrono::milliseconds(450) && waited < std::chrono::seconds(3));
        QCOMPARE(OpenComPort(4), -1);
        for (const int s : queued)
            ::close(s);
        QCOMPARE(boxes, QStringList({QString::fromStdString("[1374] " + refused),
                                     QString::fromStdString("[1375] " + unknown),
                                     QString::fromStdString("[1376] " + silent),
                                     "[1378] tcp://host:99999"}));
    }

    // Through the link: the refusal's note lands in the transcript, and the
    // server closing the connection ends the session as a hang-up.
    void linkNotesAndHangUp() {
        QTemporaryDir dir;
        const std::string transcript = dir.filePath("t.txt").toStdString();
        std::string error;
        QVERIFY(StartTranscript(transcript, error));
        Listener server;
        platform::MapPortName("COM1", "telnet://127.0.0.1:" + std::to_string(server.port));
        SetManualStepping(true);
        QCOMPARE(OpenComPort(1), 1);
        QVERIFY(LinkIsNetwork());
        const int peer = server.accept();
        QVERIFY(peer >= 0);
        Send(peer, Bytes({IAC, DONT, 44}));
        StepComThread();
        ::close(peer);
        LinkFault fault = LinkFaultNone;
        GetSerialPort()->Read();
        fault = GetSerialPort()->LineFault();
        QCOMPARE(int(fault), int(LinkFaultHungUp));
        CloseComPort();
        SetManualStepping(false);
        QVERIFY(StopTranscript());
        QFile f(QString::fromStdString(transcript));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray text = f.readAll();
        QVERIFY2(text.contains("refused the COM-port option"), text.constData());
    }
};

QTEST_MAIN(EngineNetworkTest)
#include "engine_network_test.moc"
