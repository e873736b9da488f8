// The reader over the in-memory line: cutting bytes into console lines and
// lines into entries, the screen-start check, bursts, the flush of an
// unterminated line, key typing, and opening the link.
#include "EngineTestSupport.h"
#include "tests/harness/GlobalHooks.h"
#include "tests/harness/MessageBoxes.h"

#include <cstdio>

class EngineLinkTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { RestoreGlobalHooks(); }

    void linesAreCutAtEscAndCarriageReturnAndBounded() {
        MemoryLink link;
        QVERIFY(link.open());
        link.send("\x1b[2J\x1b[20;02H\x1b[01;09HMain");
        QCOMPARE(link.sink.lines, (QByteArrayList{"", "[2J", "[20;02H"}));
        QCOMPARE(link.pending(), std::string("[01;09HMain"));
        // Two terminators in a row give an empty line; a line feed is kept.
        link.send(" Menu\r\r\nNext\x1b");
        QCOMPARE(link.sink.lines.mid(3), (QByteArrayList{"[01;09HMain Menu", "", "\nNext"}));
        GetComThread()->lineLength = 5000;     // out of range: never written through
        link.send(std::string("ok\0cd\r", 6)); // a zero byte ends the read
        QCOMPARE(link.pending(), std::string("ok"));
        // A run without a line end goes out in 99-byte pieces, each cut when
        // the byte after it arrives: 198 bytes are one line and a full buffer.
        link.send("\r" + std::string(198, 'x'), 3); // reads of at most 80 bytes
        QCOMPARE(link.sink.lines.mid(7), QByteArrayList{QByteArray(99, 'x')});
        QCOMPARE(link.pending(), std::string(99, 'x'));
        link.send("y");
        QCOMPARE(link.sink.lines.mid(7), QByteArrayList(2, QByteArray(99, 'x')));
        QCOMPARE(link.pending(), std::string("y"));
    }

    void makeEntry() {
        const QByteArray y120(120, 'y'), y79(79, 'y');
        const std::pair<QByteArray, QByteArray> cases[] = {
            {"[05;10HLabel", "510:Label:0"},
            {"[12;5H Label", "1205:Label:0"}, // the text starts at the 8th byte
            {"[05;1", "501::0"},
            {"ab$defTEXT", "4099:TEXT:0"},
            {"\n $", "4099::0"},
            {"\nSelf test completed.", "9999:\nSelf test completed.:0"},
            {"", "9999::0"},
            {"[ab;cdHText", "10001:Text:0"}, // unreadable positions match no entry
            {"[05;123456789012HText", "10001:456789012HText:0"},
            {"[-1;05HX", "10001:X:0"},
            {"[05;10H" + y120, "510:" + y79 + ":0"}, // texts are cut at 79 bytes
            {y120, "9999:" + y79 + ":0"}};
        for (const auto& [line, entry] : cases)
            QCOMPARE(str(*MakeEntry(line.constData())), entry);
    }

    void screenStartCheck() {
        ResetScreenStartCheck();
        // Each line with the expected answer: before any clear all pass; after one
        // the prologue passes, anything else fails until the next clear.
        const QByteArray seq = "+[05;10HAny +[01;09H +[2J +[20;02H +[01;09H +[01;36HMenu "
                               "+[2J -[01;36HMenu -[20;02H -[01;09H -x -x -x -x +[2J +[20;02H "
                               "+[01;09H +[2J -[01;09H +[2J -[20;02HX +[01;09H +whatever "
                               "+[2j +[2J -[20;2H";
        for (const QByteArray& s : seq.split(' '))
            QVERIFY2(CheckScreenStart(s.mid(1).constData()) == (s[0] == '+'), s.constData());
    }

    void burstIsDeliveredBeforeKeysGoOutOnePerQuietRead() {
        MemoryLink link;
        QVERIFY(link.open());
        SendKeys("\t\r\xe9\x80");
        QByteArrayList expected{""};
        std::string burst;
        for (int r = 1; r <= 12; ++r) {
            char seg[32];
            std::snprintf(seg, sizeof seg, "[%02d;05HItem %02d  ", r, r);
            burst += "\x1b" + std::string(seg);
            expected << seg;
        }
        burst += "\x1b[13;05H"; // 212 bytes, paced as at 9600 baud: three reads
        for (size_t i = 0; i < burst.size(); ++i)
            link.peer.push(burst.substr(i, 1), int64_t(i) * 1042);
        link.step(3);
        QCOMPARE(link.sink.lines, expected);
        QVERIFY(link.peer.written.empty());
        link.step(4); // from the first quiet read on, one key per read
        QCOMPARE(link.peer.written, std::string("\t\r\xe9\x80"));
        QCOMPARE(link.sink.keys, (QList<intptr_t>{9, 13, -23, -128})); // sign-extended
        // The read holding the last byte ends 10 ms after it (the
        // inter-character time-out), so the first key follows one whole
        // quiet read later: 110 ms after the switch's last byte, not up to 200.
        QCOMPARE(link.peer.writeTimes[0], int64_t(burst.size() - 1) * 1042 + 110000);
        QCOMPARE(link.peer.writeTimes[3] - link.peer.writeTimes[0], int64_t(300000));
        QVERIFY(!IsSendPending());
    }

    // The in-memory line ends its reads as the termios device does: at 80
    // bytes, at a pause of 10 ms after a byte, or at the end of the window.
    void memoryReadEndsAtEightyBytesOrQuietOrItsWindow() {
        const int64_t c = 1042, a = 29 * c; // a: the first part's last byte
        const struct {
            const char* name;
            int64_t firstUs, gapUs; // 30 paced bytes from firstUs, a pause, then 60 more
            int64_t startUs;        // when the read begins
            int bytes;
            int64_t endUs;
        } rows[] = {{"line speed: fills up", 0, c, 0, 80, 79 * c},
                    {"pause under the time-out", 0, 8000, 0, 80, a + 8000 + 49 * c},
                    {"pause of the time-out", 0, 10000, 0, 30, a + 10000},
                    {"nothing in the window", 150000, c, 20000, 0, 120000},
                    // Bytes that waited count from the read's start.
                    {"waiting bytes, then a pause", 0, 50000, 50000, 30, 60000}};
        for (const auto& r : rows) {
            platform::VirtualClock clock;
            platform::ScriptedEndpoint peer;
            for (int i = 0; i < 90; ++i)
                peer.push(i < 30 ? "a" : "b", r.firstUs + i * c + (i < 30 ? 0 : r.gapUs - c));
            platform::MemorySerialDevice device(clock, peer);
            QVERIFY(device.open("COM1"));
            clock.advanceTo(r.startUs);
            uint8_t buf[80];
            const int n = device.read(buf, 80);
            QVERIFY2(
                n == r.bytes && clock.nowUs() == r.endUs,
                qPrintable(QString("%1: %2 bytes at %3 us").arg(r.name).arg(n).arg(clock.nowUs())));
        }
    }

    // The countdown runs only while part of a line is held, and a held line
    // goes out once: a quiet link posts nothing however long it stays quiet.
    void partialLineIsFlushedOnceOnTheFourthQuietRead() {
        MemoryLink link;
        QVERIFY(link.open());
        link.step(50);
        QCOMPARE(link.sink.lines, QByteArrayList());
        for (const char* park : {"\x1b[12;32H", "\x1b[22;11H"}) { // the countdown starts again
            link.send(park, 4);
            QCOMPARE(link.sink.lines.last(), QByteArray(""));
            link.step();
            QCOMPARE(link.sink.lines.last(), QByteArray(park + 1));
        }
        link.step(50);
        QCOMPARE(link.sink.lines.size(), 4);
        // Data does not restart the countdown: two quiet reads, then new data,
        // and the next park goes out after only two more.
        link.send("\x1b[05;05H", 3);
        link.send("\x1b[06;05H");
        QCOMPARE(link.sink.lines.last(), QByteArray("[05;05H"));
        link.step(2);
        QCOMPARE(link.sink.lines.last(), QByteArray("[06;05H"));
    }

    void noFlushWhileKeysArePending() {
        MemoryLink link;
        QVERIFY(link.open());
        link.send("\x1bPrompt: ");
        SendKeys("abc");
        link.step(6); // three keys, then three quiet reads with nothing pending
        QCOMPARE(link.sink.order, QByteArray("LKKK"));
        link.step();
        QCOMPARE(link.sink.order, QByteArray("LKKKL"));
        QCOMPARE(link.sink.lines.last(), QByteArray("Prompt: "));
    }

    void newTextReplacesTheRestAtTheIndexReached() {
        MemoryLink link;
        QVERIFY(link.open());
        SendKeys("abcdef");
        link.step(2);
        SendKeys("123456");
        link.step(4);
        QCOMPARE(link.peer.written, std::string("ab3456"));
        // Shorter than the index reached: dropped, and the next text starts at 0.
        SendKeys("abcdef");
        link.step(3);
        SendKeys("xy");
        link.step();
        QVERIFY(!IsSendPending());
        SendKeys("q");
        link.step();
        QCOMPARE(link.peer.written, std::string("ab3456abcq"));
        SendKeys(std::string(300, 'k').c_str());
        QCOMPARE(std::string(GetComThread()->sendBuffer), std::string(254, 'k'));
    }

    void missingPortShowsTheBoxAndStartsNoReader() {
        MemoryLink link;
        MessageBoxes boxes;
        boxes.record();
        SetLanguageLookup([](int32_t id) { return QString("T%1").arg(id); });
        platform::SetSerialDeviceFactory([&link] {
            auto d = std::make_unique<platform::MemorySerialDevice>(link.clock, link.peer);
            d->onlyPath = platform::ResolvePortName("COM1");
            return d;
        });
        QCOMPARE(OpenComPort(3), -1);
        QCOMPARE(boxes.pairs(), (QStringList{"T1227", "T1323\nT1324"}));
        QCOMPARE(boxes[0].buttons, int(platform::MB_OK));
        QVERIFY(GetComThread() == nullptr);
        StartComThread();
        SendKeys("abc");
        QVERIFY(!IsSendPending());
        QVERIFY(link.open(1));
        QCOMPARE(boxes.size(), 1);
    }

    void portNamesResolveAndMap() {
        QCOMPARE(platform::ResolvePortName("COM4"), std::string("/dev/ttyS3"));
        QVERIFY(platform::MapPortOption("com3=/dev/ttyUSB0"));
        QCOMPARE(platform::ResolvePortName("COM3"), std::string("/dev/ttyUSB0"));
        for (const char* bad : {"COM2", "COM2=", "=/tmp/x", "COMX=/tmp/x", "COM0=/tmp/x"})
            QVERIFY2(!platform::MapPortOption(bad), bad);
        platform::ClearPortMappings();
        QCOMPARE(platform::ResolvePortName("COM3"), std::string("/dev/ttyS2"));
    }
};

QTEST_MAIN(EngineLinkTest)
#include "engine_link_test.moc"
