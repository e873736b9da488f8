// Cutting received bytes into console lines, turning lines into positioned
// entries, and the check of the lines that follow a clear screen.
#include "EngineTestSupport.h"

#include <QtTest>

#include <cstring>

namespace {

// Runs DeliverInput over `bytes` (at most 80, as one read stores) on a
// reader that is never started, and returns the lines it posted.
class Framer {
public:
    SerialPort port;
    ComThread reader{&port};
    Recorder sink{"framing test sink"};

    Framer() { SetTargetWindow(sink.windowTitle()); }

    void deliver(const std::string& bytes) {
        QVERIFY(bytes.size() <= 80);
        std::memcpy(port.rxBuffer, bytes.data(), bytes.size());
        port.rxBuffer[bytes.size()] = 0;
        reader.DeliverInput();
        QCoreApplication::sendPostedEvents();
    }
    std::string pending() const { return std::string(reader.lineBuffer, reader.lineLength); }
};

} // namespace

class EngineFramingTest : public QObject {
    Q_OBJECT

private slots:
    void init() { ResetScreenStartCheck(); }

    void linesAreCutAtEscAndCarriageReturn() {
        Framer f;
        // The prologue of a full draw: an empty line first, the last
        // sequence held with what follows it.
        f.deliver("\x1b[2J\x1b[20;02H\x1b[01;09HMain");
        QCOMPARE(f.sink.lines(), (std::vector<QByteArray>{"", "[2J", "[20;02H"}));
        QCOMPARE(f.pending(), std::string("[01;09HMain"));
        f.deliver(" Menu\x1b[05;10HLabel\r\nNext");
        QCOMPARE(f.sink.lines().size(), size_t(5));
        QCOMPARE(f.sink.lines()[3], QByteArray("[01;09HMain Menu"));
        QCOMPARE(f.sink.lines()[4], QByteArray("[05;10HLabel"));
        // The line feed starts the next line.
        QCOMPARE(f.pending(), std::string("\nNext"));

        // Two terminators in a row post an empty line.
        f.deliver("\r\r");
        QCOMPARE(f.sink.lines().back(), QByteArray(""));
        QCOMPARE(f.sink.lines()[5], QByteArray("\nNext"));

        // A zero byte ends the read: what follows it is dropped.
        f.deliver(std::string("ab\0cd\r", 6));
        QCOMPARE(f.pending(), std::string("ab"));
    }

    void overLongLineIsSplitWithoutLoss() {
        Framer f;
        const std::string chunk(80, 'x');
        f.deliver(chunk);
        f.deliver(chunk); // 160 bytes: the first 99 go out as a line
        QCOMPARE(f.sink.lines().size(), size_t(1));
        QCOMPARE(f.sink.lines()[0], QByteArray(99, 'x'));
        QCOMPARE(f.pending(), std::string(61, 'x'));
        // A length left out of range never writes outside the buffer.
        f.reader.lineLength = 5000;
        f.deliver("ok\r");
        QCOMPARE(f.sink.lines().back(), QByteArray("ok"));
    }

    void makeEntryPositions_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("position");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("two-digit") << QByteArray("[05;10HLabel") << 510 << QByteArray("Label");
        QTest::newRow("row 20 col 2") << QByteArray("[20;02H") << 2002 << QByteArray("");
        // The text starts at the eighth character whatever the column digits.
        QTest::newRow("one-digit column")
            << QByteArray("[12;5H Label") << 1205 << QByteArray("Label");
        QTest::newRow("dollar") << QByteArray("ab$defTEXT") << 4099 << QByteArray("TEXT");
        QTest::newRow("short dollar") << QByteArray("\n $") << 4099 << QByteArray("");
        QTest::newRow("plain") << QByteArray("\nSelf test completed.") << 9999
                               << QByteArray("\nSelf test completed.");
        QTest::newRow("empty") << QByteArray("") << 9999 << QByteArray("");
        QTest::newRow("short cursor") << QByteArray("[05;1") << 501 << QByteArray("");
        QTest::newRow("not numeric")
            << QByteArray("[ab;cdHText") << int(kUnknownPosition) << QByteArray("Text");
        QTest::newRow("column too large") << QByteArray("[05;123456789HText")
                                          << int(kUnknownPosition) << QByteArray("456789HText");
        QTest::newRow("negative row")
            << QByteArray("[-1;05HX") << int(kUnknownPosition) << QByteArray("X");
    }

    void makeEntryPositions() {
        QFETCH(QByteArray, line);
        QFETCH(int, position);
        QFETCH(QByteArray, text);
        const auto e = MakeEntry(line.constData());
        QCOMPARE(e->position, position);
        QCOMPARE(QByteArray(e->text), text);
        QCOMPARE(e->value, 0);
    }

    void makeEntryCutsLongTexts() {
        const std::string longText(120, 'y');
        auto e = MakeEntry(("[05;10H" + longText).c_str());
        QCOMPARE(std::strlen(e->text), size_t(79));
        e = MakeEntry(longText.c_str());
        QCOMPARE(std::string(e->text), std::string(79, 'y'));
    }

    void screenStartCheck() {
        // Before any clear screen every line passes.
        QVERIFY(CheckScreenStart("[05;10HAnything"));
        QVERIFY(CheckScreenStart("[01;09H"));

        // The expected prologue.
        QVERIFY(CheckScreenStart("[2J"));
        QVERIFY(CheckScreenStart("[20;02H"));
        QVERIFY(CheckScreenStart("[01;09H"));
        QVERIFY(CheckScreenStart("[01;36HMain Menu")); // disarmed again

        // Anything else after the clear fails, and keeps failing.
        QVERIFY(CheckScreenStart("[2J"));
        QVERIFY(!CheckScreenStart("[01;36HMain Menu"));
        QVERIFY(!CheckScreenStart("[20;02H"));
        QVERIFY(!CheckScreenStart("[01;09H"));
        for (int i = 0; i < 10; ++i)
            QVERIFY(!CheckScreenStart("x"));
        // Until a new clear screen restarts it.
        QVERIFY(CheckScreenStart("[2J"));
        QVERIFY(CheckScreenStart("[20;02H"));
        QVERIFY(CheckScreenStart("[01;09H"));

        // Right lines in the wrong order, or with text drawn on them, fail.
        QVERIFY(CheckScreenStart("[2J"));
        QVERIFY(!CheckScreenStart("[01;09H"));
        QVERIFY(CheckScreenStart("[2J"));
        QVERIFY(!CheckScreenStart("[20;02HX"));
        // The second line after the clear is still accepted as the end.
        QVERIFY(CheckScreenStart("[01;09H"));
        QVERIFY(CheckScreenStart("whatever"));
        // Comparisons are exact.
        QVERIFY(CheckScreenStart("[2j"));
        QVERIFY(CheckScreenStart("[2J"));
        QVERIFY(!CheckScreenStart("[20;2H"));
    }
};

QTEST_MAIN(EngineFramingTest)
#include "engine_framing_test.moc"
