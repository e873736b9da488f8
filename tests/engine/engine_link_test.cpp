// The reader cycle over the in-memory line: delivery of bursts, the flush
// of an unterminated line, key typing, opening and closing the link.
#include "EngineTestSupport.h"

#include <QtTest>

namespace {

const std::string ESC = "\x1b";

std::vector<QByteArray> qb(std::initializer_list<const char*> l) {
    std::vector<QByteArray> out;
    for (const char* s : l)
        out.emplace_back(s);
    return out;
}

} // namespace

class EngineLinkTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() {
        platform::SetMessageBoxHandler(nullptr);
        SetLanguageLookup(nullptr);
        platform::ClearPortMappings();
    }

    void burstLongerThanOneReadIsDeliveredInOrderBeforeAnyKey() {
        MemoryLink link;
        QVERIFY(link.open());
        SendKeys("\t");
        // 12 segments of 17 bytes and a park: 212 bytes, three reads.
        std::string burst;
        for (int r = 1; r <= 12; ++r) {
            char seg[32];
            std::snprintf(seg, sizeof seg, "[%02d;05HItem %02d  ", r, r);
            burst += ESC + seg;
        }
        burst += ESC + "[13;05H";
        link.sendPaced(burst, 0);

        link.step(3); // three reads: 80, 80 and the rest
        QVERIFY(link.peer.written.empty());
        QCOMPARE(link.sink.keys().size(), size_t(0));
        // Every complete segment was posted, in order, before the key.
        const auto lines = link.sink.lines();
        QCOMPARE(lines.size(), size_t(13));
        QCOMPARE(lines.front(), QByteArray(""));
        for (int r = 1; r <= 12; ++r) {
            char seg[32];
            std::snprintf(seg, sizeof seg, "[%02d;05HItem %02d  ", r, r);
            QCOMPARE(lines[r], QByteArray(seg));
        }

        const int64_t lastByte = static_cast<int64_t>(burst.size() - 1) * 1042;
        link.step(); // the first quiet read types the key
        QCOMPARE(link.peer.written, std::string("\t"));
        QVERIFY(link.peer.writeTimes.front() >= lastByte + 100000);
        QCOMPARE(link.sink.msgs.back().type, WM_CONSOLE_KEY);
    }

    void partialLineIsFlushedOnTheFourthQuietRead() {
        MemoryLink link;
        QVERIFY(link.open());
        link.peer.push(ESC + "[12;32H", 0); // a park: no terminator follows
        link.step();                        // delivers, posts "" (before the ESC)
        QCOMPARE(link.sink.lines(), qb({""}));
        link.step(3);
        QCOMPARE(link.sink.lines().size(), size_t(1));
        link.step();
        QCOMPARE(link.sink.lines(), qb({"", "[12;32H"}));

        // The countdown is back at 2: the next park again takes four reads.
        link.peer.push(ESC + "[22;11H", link.clock.nowUs());
        link.step(4);
        QCOMPARE(link.sink.lines().size(), size_t(3));
        link.step();
        QCOMPARE(link.sink.lines().back(), QByteArray("[22;11H"));

        // Data does not reset the countdown: after two quiet reads and a new
        // burst, the next park goes out after only two more.
        link.peer.push(ESC + "[05;05H", link.clock.nowUs());
        link.step(3);
        link.peer.push(ESC + "[06;05H", link.clock.nowUs());
        link.step(); // posts "[05;05H", keeps "[06;05H"
        QCOMPARE(link.sink.lines().back(), QByteArray("[05;05H"));
        link.step(2);
        QCOMPARE(link.sink.lines().back(), QByteArray("[06;05H"));
    }

    void noFlushWhileKeysArePending() {
        MemoryLink link;
        QVERIFY(link.open());
        link.peer.push(ESC + "Prompt: ", 0);
        link.step();
        SendKeys("abc");
        link.step(3);
        QCOMPARE(link.peer.written, std::string("abc"));
        QCOMPARE(link.sink.lines(), qb({""})); // still held while typing
        link.step(3);
        QCOMPARE(link.sink.lines().size(), size_t(1));
        link.step();
        QCOMPARE(link.sink.lines(), qb({"", "Prompt: "}));
        // The line came after every typed key.
        QCOMPARE(link.sink.msgs.back().type, WM_CONSOLE_LINE);
        QCOMPARE(link.sink.keys().size(), size_t(3));
    }

    void keysGoOutOnePerQuietReadWithSignedReports() {
        MemoryLink link;
        QVERIFY(link.open());
        SendKeys("\t\t\r");
        link.step(3);
        QCOMPARE(link.peer.written, std::string("\t\t\r"));
        QCOMPARE(link.sink.keys(), (std::vector<intptr_t>{9, 9, 13}));
        QCOMPARE(link.peer.writeTimes[1] - link.peer.writeTimes[0], int64_t(100000));
        QCOMPARE(link.peer.writeTimes[2] - link.peer.writeTimes[1], int64_t(100000));
        QVERIFY(!IsSendPending());

        // A byte above 0x7F is reported sign-extended.
        SendKeys("\xe9\x80");
        link.step(2);
        QCOMPARE(link.peer.written.substr(3), std::string("\xe9\x80"));
        QCOMPARE(link.sink.keys().back(), intptr_t(-128));
        QCOMPARE(link.sink.keys()[3], intptr_t(-23));

        // An empty text only clears the flag.
        SendKeys("");
        QVERIFY(IsSendPending());
        link.step();
        QVERIFY(!IsSendPending());
        QCOMPARE(link.peer.written.size(), size_t(5));
    }

    void newTextReplacesTheRestAtTheIndexReached() {
        MemoryLink link;
        QVERIFY(link.open());
        SendKeys("abcdef");
        link.step(2);
        SendKeys("123456");
        link.step(4);
        QCOMPARE(link.peer.written, std::string("ab3456"));
        QVERIFY(!IsSendPending());

        // Shorter than the position reached: dropped, and the index is
        // back at 0 for the next text.
        SendKeys("abcdef");
        link.step(3);
        SendKeys("xy");
        link.step();
        QCOMPARE(link.peer.written, std::string("ab3456abc"));
        QVERIFY(!IsSendPending());
        SendKeys("q");
        link.step();
        QCOMPARE(link.peer.written, std::string("ab3456abcq"));

        // Texts are bounded at 254 bytes.
        const std::string longText(300, 'k');
        SendKeys(longText.c_str());
        QCOMPARE(std::string(GetComThread()->sendBuffer), std::string(254, 'k'));
    }

    void missingPortShowsTheBoxAndStartsNoReader() {
        MemoryLink link;
        QStringList boxes;
        platform::SetMessageBoxHandler([&](const QString& text, const QString& caption, int b) {
            boxes << text << caption << QString::number(b);
            return int(platform::IDOK);
        });
        SetLanguageLookup([](int32_t id) { return QString("T%1").arg(id); });
        auto onlyCom1 = [&link] {
            auto d = std::make_unique<platform::MemorySerialDevice>(link.clock, link.peer);
            d->onlyPath = platform::ResolvePortName("COM1");
            return d;
        };
        platform::SetSerialDeviceFactory(onlyCom1);

        QCOMPARE(OpenComPort(3), -1);
        QCOMPARE(boxes, (QStringList{"T1323\nT1324", "T1227", "0"}));
        QVERIFY(GetComThread() == nullptr);
        QVERIFY(IsLinkOpen());
        StartComThread(); // nothing to start
        SendKeys("abc");  // nobody to type it
        QVERIFY(!IsSendPending());

        SerialPort* failed = GetSerialPort();
        QCOMPARE(OpenComPort(1), 1); // reuses the port object
        QCOMPARE(GetSerialPort(), failed);
        QVERIFY(GetComThread() != nullptr);
        QCOMPARE(boxes.size(), 3);

        CloseComPort();
        QVERIFY(!IsLinkOpen());
        QVERIFY(GetComThread() == nullptr);
        StepComThread(); // no reader: nothing happens
    }

    void portNamesResolveAndMap() {
        QCOMPARE(platform::ResolvePortName("COM1"), std::string("/dev/ttyS0"));
        QCOMPARE(platform::ResolvePortName("COM4"), std::string("/dev/ttyS3"));
        QVERIFY(platform::MapPortOption("COM2=/tmp/switch"));
        QCOMPARE(platform::ResolvePortName("COM2"), std::string("/tmp/switch"));
        QVERIFY(platform::MapPortOption("com3=/dev/ttyUSB0"));
        QCOMPARE(platform::ResolvePortName("COM3"), std::string("/dev/ttyUSB0"));
        QCOMPARE(platform::ResolvePortName("COM1"), std::string("/dev/ttyS0"));
        for (const char* bad :
             {"COM2", "COM2=", "=/tmp/x", "COMX=/tmp/x", "COM0=/tmp/x", "PORT1=/x"})
            QVERIFY2(!platform::MapPortOption(bad), bad);
        platform::ClearPortMappings();
        QCOMPARE(platform::ResolvePortName("COM2"), std::string("/dev/ttyS1"));
    }

    void closeAndReopenOnAnotherPort() {
        MemoryLink link;
        QVERIFY(link.open());
        link.peer.push(ESC + "[01;01Hone" + ESC + "[02;02Htw", 0);
        link.step();
        const size_t before = link.sink.lines().size();
        link.peer.push("o" + ESC + "[03;03Hthree" + ESC, link.clock.nowUs());
        CloseComPort();
        QVERIFY(!IsLinkOpen());

        QCOMPARE(OpenComPort(2), 1);
        SetTargetWindow(link.sink.windowTitle());
        // The new reader starts with an empty line buffer: the old "tw" is gone.
        link.step();
        const auto lines = link.sink.lines();
        QCOMPARE(lines.size(), before + 2);
        QCOMPARE(lines[before], QByteArray("o"));
        QCOMPARE(lines[before + 1], QByteArray("[03;03Hthree"));
    }
};

QTEST_MAIN(EngineLinkTest)
#include "engine_link_test.moc"
