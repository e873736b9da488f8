// The page-table compiler and dumper, run as the build runs them, and the
// engine loading what the compiler wrote.
#include "EngineTestSupport.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

namespace {

struct Run {
    int status;
    QByteArray out;
    QByteArray err;
};

Run run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(10000)) return {-1, {}, "did not finish"};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// Canonical text: every kind of key and number the format can carry.
const QByteArray kCanonical = "TOP\t124\t\"24+2 Port Managed Ethernet Switch\"\t1\n"
                              "TOP\t9999\t\"Power-On Self Test\"\t0\n"
                              "0\t9999\t\"Switch Register R/W Test .... \"\t2\n"
                              "4\t602\t\"\"\t4101\n"
                              "4\t2002\t\"say \\\"hi\\\" \\\\ back\\\\\"\t-1\n"
                              "4\t2002\t\"tab\there\"\t4006\n"
                              "4\t-2147483648\t\"\xe9t\xe9\"\t2147483647\n"
                              "15\t12000\t\"over the limit\"\t15001\n";

} // namespace

class ToolsRoundTripTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString& name) { return dir.filePath(name); }

private slots:
    void canonicalTextSurvivesExactly() {
        writeAll(path("c.txt"), kCanonical);
        QCOMPARE(run(TBLC, {path("c.txt"), path("c.tbl")}).status, 0);
        const Run dump = run(TBLDUMP, {path("c.tbl")});
        QCOMPARE(dump.status, 0);
        QCOMPARE(dump.out, kCanonical);
        // Written to a file as well as to standard output.
        QCOMPARE(run(TBLDUMP, {path("c.tbl"), path("c2.txt")}).status, 0);
        QCOMPARE(readAll(path("c2.txt")), kCanonical);
    }

    void anySourceGivesTheSameTableAgain() {
        // Comments, blank lines, CR LF, runs of blanks, leading zeros, lists
        // out of order, and a list that is never named.
        const QByteArray source = "# the page table\r\n"
                                  "\n"
                                  "   # indented comment\n"
                                  "4  0602   \"\"   4101\r\n"
                                  "TOP\t0124\t\"Login\"\t+1\n"
                                  "\t \n"
                                  "4\t602\t\"second at 602\"\t4102\n"
                                  "9\t2205\t\"<Quit>\"\t9001";
        writeAll(path("s.txt"), source);
        QCOMPARE(run(TBLC, {path("s.txt"), path("s.tbl")}).status, 0);
        const QByteArray table = readAll(path("s.tbl"));
        QCOMPARE(run(TBLDUMP, {path("s.tbl"), path("s2.txt")}).status, 0);
        QCOMPARE(readAll(path("s2.txt")), QByteArray("TOP\t124\t\"Login\"\t1\n"
                                                     "4\t602\t\"\"\t4101\n"
                                                     "4\t602\t\"second at 602\"\t4102\n"
                                                     "9\t2205\t\"<Quit>\"\t9001\n"));
        QCOMPARE(run(TBLC, {path("s2.txt"), path("s3.tbl")}).status, 0);
        QCOMPARE(readAll(path("s3.tbl")), table);

        // The layout: 17 counts, lists in order TOP, 0..15.
        QCOMPARE(table.size(), 17 * 4 + 4 * 88);
        QCOMPARE(qFromLittleEndian<int32_t>(table.constData()), 1);
        for (int list = 0; list < 4; ++list)
            QCOMPARE(qFromLittleEndian<int32_t>(table.constData() + 4 + 88 + 4 * list), 0);
        QCOMPARE(qFromLittleEndian<int32_t>(table.constData() + 4 + 88 + 16), 2);

        // And the engine reads it as the dumper does.
        Parser p;
        p.LoadTable(path("s.tbl").toStdString());
        QCOMPARE(p.TopList().Count(), 2);
        QCOMPARE(p.PageList(4).Count(), 3);
        QCOMPARE(QByteArray(p.PageList(4).At(1).text), QByteArray("second at 602"));
        QCOMPARE(p.PageList(9).At(0).value, 9001);
    }

    void sourceErrorsWriteNothing_data() {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QByteArray>("message");
        const QByteArray ok = "TOP\t1\t\"a\"\t1\n";
        QTest::newRow("list") << ok + "16\t1\t\"a\"\t1\n" << QByteArray(":2: bad list");
        QTest::newRow("position") << QByteArray("1\t1x\t\"a\"\t1\n")
                                  << QByteArray(":1: bad position");
        QTest::newRow("overflow") << QByteArray("1\t2147483648\t\"a\"\t1\n")
                                  << QByteArray(":1: bad position");
        QTest::newRow("value") << QByteArray("1\t1\t\"a\"\tone\n") << QByteArray(":1: bad value");
        QTest::newRow("quote") << ok + "1\t1\t\"abc\t1\n" << QByteArray(":2: unterminated quote");
        QTest::newRow("escape") << QByteArray("1\t1\t\"a\\n\"\t1\n")
                                << QByteArray(":1: bad escape");
        QTest::newRow("long key") << "1\t1\t\"" + QByteArray(80, 'k') + "\"\t1\n"
                                  << QByteArray(":1: key longer than 79");
        QTest::newRow("trailing") << QByteArray("1\t1\t\"a\"\t1\t2\n")
                                  << QByteArray(":1: unexpected text");
    }

    void sourceErrorsWriteNothing() {
        QFETCH(QByteArray, source);
        QFETCH(QByteArray, message);
        writeAll(path("e.txt"), source);
        writeAll(path("e.tbl"), "previous table");
        const Run r = run(TBLC, {path("e.txt"), path("e.tbl")});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(message), r.err.constData());
        QCOMPARE(readAll(path("e.tbl")), QByteArray("previous table"));
        QVERIFY(!QFile::exists(path("e.tbl.tmp")));
    }

    void dumperSurvivesDamagedTables() {
        writeAll(path("d.txt"), kCanonical);
        QCOMPARE(run(TBLC, {path("d.txt"), path("d.tbl")}).status, 0);
        const QByteArray good = readAll(path("d.tbl"));

        // Cut inside list 4: the lists before it are dumped, then the problem.
        writeAll(path("cut.tbl"), good.left(good.size() - 200));
        Run r = run(TBLDUMP, {path("cut.tbl")});
        QCOMPARE(r.status, 1);
        QVERIFY(!r.err.isEmpty());
        QCOMPARE(r.out, kCanonical.left(kCanonical.indexOf("4\t602")));

        // A negative and an absurd count.
        QByteArray bad = good;
        qToLittleEndian<int32_t>(-3, bad.data());
        writeAll(path("neg.tbl"), bad);
        r = run(TBLDUMP, {path("neg.tbl")});
        QCOMPARE(r.status, 1);
        QCOMPARE(r.out, QByteArray());
        qToLittleEndian<int32_t>(0x7fffffff, bad.data());
        writeAll(path("big.tbl"), bad);
        QCOMPARE(run(TBLDUMP, {path("big.tbl")}).status, 1);

        // Garbage and missing files.
        writeAll(path("junk.tbl"), QByteArray(1000, '\xff'));
        QCOMPARE(run(TBLDUMP, {path("junk.tbl")}).status, 1);
        QCOMPARE(run(TBLDUMP, {path("absent.tbl")}).status, 1);
        QCOMPARE(run(TBLC, {path("absent.txt"), path("x.tbl")}).status, 1);
        QVERIFY(!QFile::exists(path("x.tbl")));

        // A key with a line break cannot be written as text: left out, said so.
        bad = good;
        const int firstKey = 4 + 4;
        bad[firstKey + 2] = '\n';
        writeAll(path("nl.tbl"), bad);
        r = run(TBLDUMP, {path("nl.tbl")});
        QCOMPARE(r.status, 1);
        QVERIFY(r.err.contains("line break"));
        QCOMPARE(r.out, kCanonical.mid(kCanonical.indexOf("TOP\t9999")));
    }

    void projectTableRoundTrips() {
        const QString source = QStringLiteral(SOURCE_DIR "/data/parser_table.txt");
        if (!QFile::exists(source)) QSKIP("no page-table source in data/ yet");
        QCOMPARE(run(TBLC, {source, path("p.tbl")}).status, 0);
        QCOMPARE(run(TBLDUMP, {path("p.tbl"), path("p.txt")}).status, 0);
        QCOMPARE(run(TBLC, {path("p.txt"), path("p2.tbl")}).status, 0);
        QCOMPARE(readAll(path("p2.tbl")), readAll(path("p.tbl")));
        QCOMPARE(run(TBLDUMP, {path("p2.tbl")}).out, readAll(path("p.txt")));
    }
};

QTEST_MAIN(ToolsRoundTripTest)
#include "tools_roundtrip_test.moc"
