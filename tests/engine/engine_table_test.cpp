// The page table: the compiler and dumper run as the build runs them, the
// engine loading the "Parser.tbl" they write and recognising lines with it.
#include "EngineTestSupport.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>

namespace {

struct Run {
    int status;
    QByteArray out, err;
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
// The entries of a list, separated by blanks.
QByteArray str(const StringPage& page) {
    QByteArrayList out;
    for (int i = 0; i < page.Count(); ++i)
        out << str(page.At(i));
    return out.join(' ');
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
// A page switch at (5,10) into page 4, a top value with no list, page 4's entries.
const QByteArray kSample =
    "TOP\t510\t\"Port Configuration\"\t4\nTOP\t9999\t\"Power-On Self Test\"\t0\n"
    "TOP\t136\t\"Main Menu\"\t20\n0\t9999\t\"Vlan Initialize ..... \"\t14\n"
    "4\t2205\t\"<Quit>\"\t4001\n4\t510\t\"\"\t4999\n4\t602\t\"\"\t4101\n";

} // namespace

class EngineTableTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString& name) { return dir.filePath(name); }
    // The compiled table's bytes, left in NAME.tbl.
    QByteArray compile(const QByteArray& text, const QString& name = "t") {
        writeAll(path(name + ".txt"), text);
        const Run r = run(TBLC, {path(name + ".txt"), path(name + ".tbl")});
        return r.status == 0 ? readAll(path(name + ".tbl")) : "tblc: " + r.err;
    }
    Parser load(const QByteArray& bytes) {
        writeAll(path("load.tbl"), bytes);
        Parser p;
        p.LoadTable(path("load.tbl").toStdString());
        return p;
    }

private slots:
    void textSurvivesTheRoundTripExactly() {
        compile(kCanonical);
        const Run dump = run(TBLDUMP, {path("t.tbl")});
        QCOMPARE(dump.status, 0);
        QCOMPARE(dump.out, kCanonical);
        QCOMPARE(run(TBLDUMP, {path("t.tbl"), path("t2.txt")}).status, 0);
        QCOMPARE(readAll(path("t2.txt")), kCanonical);
        // Comments, blank lines, CR LF, runs of blanks, leading zeros: the canonical form.
        compile(
            "# table\r\n\n  # indented\n4  0602   \"\"   4101\r\nTOP\t0124\t\"Login\"\t+1\n\t \n");
        QCOMPARE(run(TBLDUMP, {path("t.tbl")}).out, "TOP\t124\t\"Login\"\t1\n4\t602\t\"\"\t4101\n");

        const QString project = QStringLiteral(SOURCE_DIR "/data/parser_table.txt");
        if (!QFile::exists(project)) QSKIP("no page-table source in data/ yet");
        const QByteArray table = compile(readAll(project), "p");
        QCOMPARE(run(TBLDUMP, {path("p.tbl"), path("p.txt")}).status, 0);
        QCOMPARE(compile(readAll(path("p.txt"))), table);
    }

    void sourceErrorsWriteNothing() {
        const std::pair<QByteArray, QByteArray> cases[] = {
            {"TOP 1 \"a\" 1\n16 1 \"a\" 1\n", ":2: bad list"},
            {"1 1x \"a\" 1\n", ":1: bad position"},
            {"1 2147483648 \"a\" 1\n", ":1: bad position"},
            {"1 1 \"a\" one\n", ":1: bad value"},
            {"1 1 \"abc 1\n", ":1: unterminated quote"},
            {"1 1 \"a\\n\" 1\n", ":1: bad escape"},
            {"1 1 \"a\rb\" 1\n", ":1: line break in key"},
            {"1 1 \"" + QByteArray(80, 'k') + "\" 1\n", ":1: key longer than 79"},
            {"1 1 \"a\" 1 2\n", ":1: unexpected text"}};
        for (const auto& [source, message] : cases) {
            writeAll(path("e.tbl"), "previous table");
            const QByteArray r = compile(source, "e");
            QVERIFY2(r.startsWith("tblc: ") && r.contains(message), r.constData());
            QCOMPARE(readAll(path("e.tbl")), QByteArray("previous table"));
            QVERIFY(!QFile::exists(path("e.tbl.tmp")));
        }
    }

    void listsAreSortedBoundedAndMatched() {
        Parser p = load(compile("TOP 10000 \"x\" 1\nTOP 12345 \"y\" 2\nTOP 9999 \"Boot\" 3\n"
                                "TOP -5 \"neg\" 4\n3 700 \"b\" 3002\n3 300 \"Sa\" 3001\n"
                                "3 300 \"Save\" 3003\n3 300 \"S\" 3004\n"));
        // Above 9999 is dropped, equal positions keep their file order (which
        // decides the match when two keys fit one line), the sentinel stays last.
        QCOMPARE(str(p.TopList()), "-5:neg:4 9999:Boot:3 10000::-1");
        QCOMPARE(str(p.PageList(3)), "300:Sa:3001 300:Save:3003 300:S:3004 700:b:3002 10000::-1");
        for (int i : {0, 1, 2, 4, 15}) // lists the file left empty are there too
            QCOMPARE(str(p.PageList(i)), "10000::-1");
        // Of two keys in one line the one earlier in the file wins.
        QCOMPARE(str(*p.PageList(3).Match("[03;00H<Save>")), "300:ve>:3001");

        p = load(compile(kSample)); // Match gives the text after the key
        const std::pair<std::string, QByteArray> cases[] = {
            {"[06;02HPORT1", "602:PORT1:4101"}, // an empty key: the whole text
            {"[22;05H<Quit>", "2205::4001"},
            {"[22;13H<Quit>", "9999:<Quit>:-1"}, // the key at another position
            {"[22;05H<quit>", "9999:<quit>:-1"}, // case-sensitive
            {"[22;05H" + std::string(73, '.') + "<Quit>", "2205::4001"}, // ends a 79-byte text
            {"[ab;cdH", "9999::-1"}}; // an unreadable position is not the sentinel's
        for (const auto& [line, want] : cases)
            QCOMPARE(str(*p.PageList(4).Match(line.c_str())), want);
        QCOMPARE(str(*p.TopList().Match("\nPower-On Self Test")), "9999::0"); // no cursor address
    }

    void parseSwitchesThePageBehindTheQueuedLines() {
        MemoryLink link;
        QVERIFY(link.open());
        Parser p = load(compile(kSample));
        QCOMPARE(p.PageState(), 99);
        QByteArrayList entries; // each line parsed as it is handled, as the start window does
        link.sink.onLine = [&](const QByteArray& line) { entries << str(*p.Parse(line)); };
        link.peer.push("\x1b[06;02HPORT1\x1b[05;10HPort Configuration\x1b[06;02HPORT1\x1b", 0);
        link.step();
        QCoreApplication::sendPostedEvents(); // the page message posted while handling
        // Nothing is recognised before a title; the title is itself matched in page 4.
        QCOMPARE(entries.join(' '), "9999::-1 9999:PORT1:-1 510:Port Configuration:4999 "
                                    "602:PORT1:4101");
        QCOMPARE(p.PageState(), 4);
        QCOMPARE(link.sink.order, QByteArray("LLLLP"));
        QCOMPARE(link.sink.pages, QList<intptr_t>{4});

        // A page state of 16 or more selects no list.
        QCOMPARE(str(*p.Parse("[01;36HMain Menu")), "136::-1");
        QCOMPARE(p.PageState(), 20);
        QCOMPARE(p.Parse("[06;02HPORT1")->value, -1);
        QCOMPARE(p.Parse("\nPower-On Self Test ...")->value, -1);
        QCOMPARE(p.PageState(), 0);
        QCOMPARE(str(*p.Parse("\nVlan Initialize ..... OK")), "9999:OK:14");
    }

    void damagedTablesKeepTheListsBeforeTheDamage() {
        const QByteArray good = compile(kSample);
        const int list2 = 4 + 3 * 88 + 4 + 88 + 4, list4 = list2 + 8; // offsets of the counts
        auto withCount = [&](int at, int32_t n) {
            QByteArray b = good;
            qToLittleEndian(n, b.data() + at);
            return b;
        };
        auto upTo = [](const char* next) { return kSample.left(kSample.indexOf(next) + 1); };
        const struct {
            QByteArray bytes;
            int kept; // lists read whole, by the engine and by the dumper alike
            QByteArray dumped;
        } cases[] = {{good, 17, kSample},
                     {good + QByteArray(500, '\x7f'), 17, kSample}, // nothing past the data read
                     {"", 0, ""},
                     {QByteArray("\x03\x00", 2), 0, ""},
                     {good.left(list4 + 4 + 88 + 40), 5, upTo("\n4\t")}, // cut in list 4's records
                     {good.left(list4 + 2), 5, upTo("\n4\t")},           // or in its count
                     {withCount(list2, -1), 3, upTo("\n4\t")},
                     {withCount(4 + 3 * 88, 0x7fffffff), 1, upTo("\n0\t")}}; // > the file holds
        const int fullCounts[17] = {4, 2, 1, 1, 1, 4, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
        for (const auto& c : cases) {
            const Parser p = load(c.bytes);
            // Only a table read whole counts as usable.
            QCOMPARE(Parser().LoadTable(path("load.tbl").toStdString()), c.kept == 17);
            for (int i = 0; i < 17; ++i)
                QCOMPARE((i == 0 ? p.TopList() : p.PageList(i - 1)).Count(),
                         i < c.kept ? fullCounts[i] : 1);
            const Run r = run(TBLDUMP, {path("load.tbl")});
            QCOMPARE(r.status, c.kept == 17 ? 0 : 1);
            QCOMPARE(r.out, c.dumped);
        }
        Parser absent;
        QVERIFY(!absent.LoadTable(path("absent.tbl").toStdString()));
        // Seventeen empty lists: whole, but nothing to recognise with.
        load(QByteArray(17 * 4, '\0'));
        QVERIFY(!Parser().LoadTable(path("load.tbl").toStdString()));
        QCOMPARE(str(absent.TopList()), "10000::-1");
        QCOMPARE(run(TBLDUMP, {path("absent.tbl")}).status, 1);

        QByteArray bad = good; // a key without its terminator, with a line break
        bad.replace(8, 80, '\n' + QByteArray(79, 'K'));
        QCOMPARE(QByteArray(load(bad).TopList().At(1).text), '\n' + QByteArray(78, 'K'));
        const Run r = run(TBLDUMP, {path("load.tbl")}); // the text cannot hold it: left out
        QCOMPARE(r.status, 1);
        QVERIFY(r.err.contains("line break"));
        QCOMPARE(r.out, kSample.mid(kSample.indexOf('\n') + 1));
    }
};

QTEST_MAIN(EngineTableTest)
#include "engine_table_test.moc"
