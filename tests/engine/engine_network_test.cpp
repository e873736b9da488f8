// The network console line: the telnet layer's bytes, addresses taken and
// refused, and the line against a server in this process (bytes, read timing,
// connect failures and their messages, a server that goes away).
#include "engine/SerialLink.h"
#include "engine/Transcript.h"
#include "platform/NetworkLine.h"
#include "platform/TelnetCodec.h"
#include "platform/Ui.h"
#include "tests/harness/Loopback.h"
#include "tests/harness/MessageBoxes.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QtTest>

#include <chrono>
#include <poll.h>

using platform::TelnetCodec;
using LineFault = platform::SerialDevice::LineFault;
using Com = TelnetCodec::ComPort;
using namespace std::chrono_literals;

namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (const int v : values)
        s.push_back(static_cast<char>(v));
    return s;
}
const uint8_t* U8(const std::string& s) {
    return reinterpret_cast<const uint8_t*>(s.data());
}

constexpr int IAC = 255, DONT = 254, DO = 253, WONT = 252, WILL = 251, SB = 250, SE = 240;
constexpr int NOP = 241, GA = 249;

// The five COM-port settings: 9600 baud, 8 bits, no parity, 1 stop bit, no
// flow control.
const std::string kSettings =
    Bytes({IAC, SB, 44, 1, 0, 0, 0x25, 0x80, IAC, SE}) + Bytes({IAC, SB, 44, 2, 8, IAC, SE}) +
    Bytes({IAC, SB, 44, 3, 1, IAC, SE}) + Bytes({IAC, SB, 44, 4, 1, IAC, SE}) +
    Bytes({IAC, SB, 44, 5, 1, IAC, SE});

// The reply the codec gives to `in`.
std::string Reply(TelnetCodec& codec, const std::string& in) {
    std::string data, reply;
    codec.receive(U8(in), int(in.size()), data, reply);
    return reply;
}

// A listening socket on a free loopback port.
struct Listener {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int port = 0;
    explicit Listener(int backlog = 4) {
        port = BoundPort(fd);
        ::listen(fd, backlog);
    }
    ~Listener() { ::close(fd); }
    int accept() const {
        pollfd p{fd, POLLIN, 0};
        return ::poll(&p, 1, 2000) == 1 ? ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC) : -1;
    }
};

// Everything the peer sent within `ms`.
std::string Drain(int fd, int ms) {
    std::string got;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        char buf[256];
        ssize_t n = 0;
        if (left.count() <= 0 || ::poll(&p, 1, int(left.count())) != 1 ||
            (n = ::recv(fd, buf, sizeof buf, 0)) <= 0)
            return got;
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

// A line to a server of this process, and the server's end of it.
struct Connected {
    Listener server;
    std::unique_ptr<platform::SerialDevice> line = platform::CreateSerialDevice();
    int peer = -1;
    explicit Connected(const std::string& scheme) {
        if (line->open(scheme + "://127.0.0.1:" + std::to_string(server.port)))
            peer = server.accept();
    }
    ~Connected() { ::close(peer); }
    int write(const std::string& keys) { return line->write(U8(keys), int(keys.size())); }
};

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
        const struct {
            const char* name;
            std::string in, data, reply = {};
            Com com = Com::Asked;
        } rows[] = {
            {"plain", "Login: ", "Login: ", ""},
            {"doubled IAC is one 0xFF", "a" + Bytes({IAC, IAC}) + "b", "a" + Bytes({0xFF}) + "b"},
            {"commands dropped", "a" + Bytes({IAC, NOP}) + "b" + Bytes({IAC, GA}), "ab", ""},
            {"subnegotiation dropped, IAC inside",
             "x" + Bytes({IAC, SB, 44, 101, 0, IAC, IAC, 0x25, 0x80, IAC, SE}) + "y", "xy", ""},
            {"COM port accepted: the settings follow, no second WILL", Bytes({IAC, DO, 44}), "",
             kSettings, Com::Accepted},
            {"COM port refused", Bytes({IAC, DONT, 44}) + "ok", "ok", "", Com::Refused},
            {"COM port refused with WONT", Bytes({IAC, WONT, 44}), "", "", Com::Refused},
            {"unknown DO refused", Bytes({IAC, DO, 24}), "", Bytes({IAC, WONT, 24})},
            {"server echo refused", Bytes({IAC, WILL, 1}), "", Bytes({IAC, DONT, 1})},
            {"agreement to what was asked is not answered",
             Bytes({IAC, WILL, 0, IAC, DO, 0, IAC, WILL, 3, IAC, DO, 3}), "", ""},
            {"withdrawn option acknowledged once",
             Bytes({IAC, WILL, 3, IAC, WONT, 3, IAC, WONT, 3}), "", Bytes({IAC, DONT, 3})},
            {"CR NUL is CR without binary", "a\r" + Bytes({0}) + "b", "a\rb", ""},
            {"NUL kept in binary", Bytes({IAC, WILL, 0}) + "\r" + Bytes({0}), "\r" + Bytes({0}),
             ""}};
        for (const auto& r : rows)
            QTest::newRow(r.name) << r.in << r.data << r.reply << int(r.com);
    }
    void serverBytesAreDecoded() {
        QFETCH(std::string, in);
        QFETCH(std::string, data);
        QFETCH(std::string, reply);
        QFETCH(int, comPort);
        for (const bool split : {false, true}) {
            TelnetCodec codec;
            codec.start();
            std::string gotData, gotReply;
            for (size_t i = 0; i < in.size(); i += split ? 1 : in.size())
                codec.receive(U8(in) + i, split ? 1 : int(in.size()), gotData, gotReply);
            QCOMPARE(gotData, data);
            QCOMPARE(gotReply, reply);
            QCOMPARE(int(codec.comPort()), comPort);
            QCOMPARE(codec.takeNote().empty(), comPort != int(Com::Refused));
            QVERIFY(codec.takeNote().empty());
        }
    }

    // The opening offers; a server's offer of the COM-port option that comes
    // first is answered with WILL and the settings. Keys for the wire: 0xFF
    // doubled; a carriage return is CR NUL until the server agrees to binary.
    void openingOffersAndKeys() {
        TelnetCodec codec;
        QCOMPARE(codec.start(),
                 Bytes({IAC, WILL, 0, IAC, WILL, 3, IAC, WILL, 44, IAC, DO, 0, IAC, DO, 3}));
        TelnetCodec quiet;
        QCOMPARE(Reply(quiet, Bytes({IAC, DO, 44, IAC, DO, 44})),
                 Bytes({IAC, WILL, 44}) + kSettings);
        const std::string keys = "a\r" + Bytes({0xFF});
        QCOMPARE(codec.encode(U8(keys), int(keys.size())), "a\r" + Bytes({0, IAC, IAC}));
        Reply(codec, Bytes({IAC, DO, 0}));
        QCOMPARE(codec.encode(U8(keys), int(keys.size())), "a\r" + Bytes({IAC, IAC}));
    }

    void addresses_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("telnet"); // the rows with a port are good
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::newRow("tcp") << "tcp://cs1.lab:2001" << false << "cs1.lab" << 2001;
        QTest::newRow("telnet, capitals") << "TELNET://10.0.0.5:7001" << true << "10.0.0.5" << 7001;
        QTest::newRow("IPv6") << "tcp://[::1]:65535" << false << "::1" << 65535;
        QTest::newRow("port 1") << "telnet://h:1" << true << "h" << 1;
        for (const char* bad : {"tcp://host", "tcp://host:", "tcp://host:0", "tcp://host:65536",
                                "tcp://host:20x1", "telnet://:2001", "telnet://[]:2001",
                                "tcp://::1:2001", "tcp://host/x:2001", "ssh://host:22"})
            QTest::newRow(bad) << bad << false << "" << 0;
    }
    void addresses() {
        QFETCH(QString, path);
        QFETCH(bool, telnet);
        QFETCH(QString, host);
        QFETCH(int, port);
        const bool good = port != 0;
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
        Connected c("tcp");
        QVERIFY(c.peer >= 0);
        const std::string keys = "n" + Bytes({1, 0xFF, 27});
        QCOMPARE(c.write(keys), int(keys.size()));
        QCOMPARE(Drain(c.peer, 200), keys);
        Send(c.peer, "Login:" + Bytes({0xFF}));
        const auto start = std::chrono::steady_clock::now();
        QCOMPARE(ReadLine(*c.line), "Login:" + Bytes({0xFF}));
        // Well before the 100 ms window: the quiet after the bytes ends it.
        QVERIFY(std::chrono::steady_clock::now() - start < std::chrono::milliseconds(80));
        QCOMPARE(int(c.line->lineFault()), int(LineFault::None));
        ::close(std::exchange(c.peer, -1));
        QCOMPARE(ReadLine(*c.line), std::string());
        QCOMPARE(int(c.line->lineFault()), int(LineFault::HungUp));
        c.write(keys); // keys for a server gone neither hang nor kill the program
    }

    // Telnet: the opening offers reach the server, a refusal of the COM-port
    // option leaves a note, the console's bytes are undoubled, keys doubled.
    void telnetLine() {
        Connected c("telnet");
        QVERIFY(c.peer >= 0);
        QCOMPARE(Drain(c.peer, 200), TelnetCodec().start());
        Send(c.peer, Bytes({IAC, DONT, 44, IAC, DO, 0, IAC, WILL, 0, IAC, WILL, 1}) + "sw" +
                         Bytes({IAC, IAC}));
        QCOMPARE(ReadLine(*c.line), "sw" + Bytes({0xFF}));
        QCOMPARE(Drain(c.peer, 200), Bytes({IAC, DONT, 1}));
        QVERIFY(c.line->takeNote().find("RFC 2217") != std::string::npos);
        QVERIFY(c.line->takeNote().empty());
        QCOMPARE(c.write("\r" + Bytes({0xFF})), 2);
        QCOMPARE(Drain(c.peer, 200), "\r" + Bytes({IAC, IAC}));
    }

    // Each way a connect fails has its own message, naming the address.
    void connectFailuresHaveTheirMessages() {
        MessageBoxes boxes;
        boxes.record();
        SetLanguageLookup([](int32_t id) { return QStringLiteral("[%1] %2\n").arg(id).arg("%1"); });
        int closedPort = 0;
        {
            Listener gone;
            closedPort = gone.port;
        }
        // A server whose queue is full never answers a connect: its SYNs are
        // dropped. Filled with connections nobody accepts.
        Listener full(0);
        std::vector<int> queued;
        for (int i = 0; i < 3; ++i) {
            queued.push_back(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
            const sockaddr_in a = Loopback(full.port);
            ::connect(queued.back(), reinterpret_cast<const sockaddr*>(&a), sizeof a);
        }
        QTest::qWait(100);
        platform::SetConnectTimeoutForTests(500);
        const std::string paths[] = {
            "tcp://127.0.0.1:" + std::to_string(closedPort), "telnet://nonexistent.invalid:2001",
            "tcp://127.0.0.1:" + std::to_string(full.port), "tcp://host:99999"};
        const int messages[] = {1374, 1375, 1376, 1378};
        QStringList expected;
        for (int i = 0; i < 4; ++i) {
            platform::MapPortName("COM1", paths[i]);
            const auto start = std::chrono::steady_clock::now();
            QCOMPARE(OpenComPort(1), -1);
            const auto waited = std::chrono::steady_clock::now() - start;
            if (i == 2) QVERIFY(waited >= 450ms && waited < 3s); // the silent server
            expected << QString("[%1] %2").arg(messages[i]).arg(QString::fromStdString(paths[i]));
        }
        for (const int s : queued)
            ::close(s);
        QCOMPARE(boxes.texts(), expected);
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
        GetSerialPort()->Read();
        QCOMPARE(int(GetSerialPort()->LineFault()), int(LinkFaultHungUp));
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
