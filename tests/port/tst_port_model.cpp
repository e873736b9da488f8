// The keys that write or pass one console port page, checked against what
// the console's port screen expects: from Quit, Tab and Enter start the edit
// on the first row's input rate; each row is seven fields (rates typed over
// the old value, switches toggled and choices cycled forward with Space, Tab
// to the next field); Ctrl-A ends the edit on Edit, Tab and Enter choose
// Save. A clean page is passed with BackSpace (Quit wraps back to Next Page)
// and Enter, the last one left with Enter on Quit.
#include "forms/PortModel.h"
#include "lang/Language.h"
#include "shared/Publicunit.h"
#include "tests/harness/WindowSteps.h"

#include <QtTest>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A factory port row as the console writes it back untouched: both rates
// retyped as 0, the other five fields passed.
const std::string kSame = "0\t0\t\t\t\t\t\t";

// The keys of a written page with the given rows.
QByteArray Written(const std::vector<std::string>& rows) {
    std::string keys = "\t\r";
    for (const std::string& r : rows)
        keys += r;
    return QByteArray::fromStdString(keys + "\x01\t\r");
}

// A page of eight factory rows with `row` (0-7) replaced.
QByteArray FullPage(int row, const std::string& keys) {
    std::vector<std::string> rows(8, kSame);
    rows[size_t(row)] = keys;
    return Written(rows);
}

// Reads `ports` factory rows the way the console draws them: 100TX ports,
// then the two 1000TX module slots.
void ReadFactoryTable(int ports) {
    for (int k = 0; k < ports; ++k) {
        const bool module = k >= 24;
        const std::string name =
            module ? "MOD_" + std::to_string(k - 23) : "PORT" + std::to_string(k + 1);
        const char* cells[9] = {
            name.c_str(), module ? "1000TX" : "100TX",        "0",   "0",  "Yes",
            "   AUTO   ", module ? "1000 Full" : " 100 Full", " On", "Off"};
        for (int f = 1; f <= 9; ++f)
            HandlePortRow(4000 + (k % 8 + 1) * 100 + f, cells[f - 1]);
    }
    PreparePortChoices();
    TakePortCopy();
}

// One change to port `port` of the table read: a rate set to `to`, a choice
// moved to index `to`, a check box toggled `to` times.
void Change(int port, const QByteArray& field, int to) {
    PortEntry& e = PortTable[port];
    if (field == "in") e.inRate = to;
    if (field == "out") e.outRate = to;
    if (field == "auto") e.autoIndex = to;
    if (field == "speed") e.speedIndex = to;
    for (int n = 0; n < to; ++n) {
        if (field == "enable") e.enabled = !e.enabled;
        if (field == "full") e.flowFull = !e.flowFull;
        if (field == "half") e.flowHalf = !e.flowHalf;
    }
}

} // namespace

class PortModelTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        ResetSharedState();
        ResetLanguageState(); // no texts: choices still follow the console's values
        ResetPortTable();
    }
    void cleanup() { steps::DropWindows(); }

    void pageKeys_data() {
        QTest::addColumn<int>("ports");
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("port");
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<int>("to");
        QTest::addColumn<QByteArray>("keys");
        QTest::newRow("clean page") << 26 << 0 << 0 << QByteArray() << 0 << QByteArray("\b\r");
        QTest::newRow("clean last page") << 26 << 3 << 0 << QByteArray() << 0 << QByteArray("\r");
        QTest::newRow("clean third of 24 ports, the last")
            << 24 << 2 << 0 << QByteArray() << 0 << QByteArray("\r");
        QTest::newRow("in-rate") << 26 << 0 << 2 << QByteArray("in") << 250
                                 << FullPage(2, "250\t0\t\t\t\t\t\t");
        QTest::newRow("out-rate, last row")
            << 26 << 0 << 7 << QByteArray("out") << 1000 << FullPage(7, "0\t1000\t\t\t\t\t\t");
        QTest::newRow("enable off")
            << 26 << 0 << 0 << QByteArray("enable") << 1 << FullPage(0, "0\t0\t \t\t\t\t\t");
        QTest::newRow("enable off and on: no change")
            << 26 << 0 << 0 << QByteArray("enable") << 2 << QByteArray("\b\r");
        QTest::newRow("auto forward, AUTO to NWAY_FORCE")
            << 26 << 0 << 1 << QByteArray("auto") << 2 << FullPage(1, "0\t0\t\t \t\t\t\t");
        QTest::newRow("auto back, AUTO to FORCE round the list")
            << 26 << 0 << 1 << QByteArray("auto") << 0 << FullPage(1, "0\t0\t\t  \t\t\t\t");
        QTest::newRow("speed back, 100 Full to 100 Half")
            << 26 << 0 << 3 << QByteArray("speed") << 2 << FullPage(3, "0\t0\t\t\t   \t\t\t");
        QTest::newRow("speed forward past the end, 100 Full to 10 Half")
            << 26 << 0 << 3 << QByteArray("speed") << 0 << FullPage(3, "0\t0\t\t\t \t\t\t");
        QTest::newRow("flow full off")
            << 26 << 0 << 4 << QByteArray("full") << 1 << FullPage(4, "0\t0\t\t\t\t \t\t");
        QTest::newRow("flow half on")
            << 26 << 0 << 5 << QByteArray("half") << 1 << FullPage(5, "0\t0\t\t\t\t\t \t");
        QTest::newRow("page 2, its own rows")
            << 26 << 1 << 15 << QByteArray("in") << 9 << FullPage(7, "9\t0\t\t\t\t\t\t");
        // The last page has only the two module rows; 1000 Full to 1000 Half
        // is five steps forward in six choices.
        QTest::newRow("last page, module speed back") << 26 << 3 << 24 << QByteArray("speed") << 4
                                                      << Written({"0\t0\t\t\t     \t\t\t", kSame});
    }
    void pageKeys() {
        QFETCH(int, ports);
        QFETCH(int, page);
        QFETCH(int, port);
        QFETCH(QByteArray, field);
        QFETCH(int, to);
        QFETCH(QByteArray, keys);
        ReadFactoryTable(ports);
        QCOMPARE(int(PortCount), ports);
        Change(port, field, to);
        MarkPortPages();
        const bool written = keys.startsWith('\t');
        for (int p = 0; p < 4; ++p) // only the changed page, and only with a change
            QCOMPARE(PageDirty[p], written && p == page);
        char out[210];
        std::memset(out, 'Z', sizeof out);
        QCOMPARE(BuildPortPageKeys(page, out, sizeof out), int(keys.size()));
        QCOMPARE(QByteArray(out), keys);
    }

    // Every buffer size, from none to one more than needed: the keys that
    // fit, always terminated, and not one byte written past the size.
    void keysNeverRunPastTheBuffer_data() {
        QTest::addColumn<int>("page");
        QTest::newRow("written page") << 0;
        QTest::newRow("passed page") << 1;
        QTest::newRow("left last page") << 3;
    }
    void keysNeverRunPastTheBuffer() {
        QFETCH(int, page);
        ReadFactoryTable(26);
        PortTable[0].inRate = 1000;
        PortTable[7].speedIndex = 0;
        MarkPortPages();
        char full[210];
        const int length = BuildPortPageKeys(page, full, sizeof full);
        QVERIFY(length > 0);
        for (int size = 0; size <= length + 1; ++size) {
            char out[220];
            std::memset(out, 'Z', sizeof out);
            const int n = BuildPortPageKeys(page, out, size);
            const int fits = size == 0 ? 0 : std::min(length, size - 1);
            QVERIFY2(n == fits, qPrintable(QStringLiteral("size %1: %2").arg(size).arg(n)));
            QCOMPARE(QByteArray(out, fits), QByteArray(full, fits));
            if (size > 0) QCOMPARE(out[fits], '\0');
            for (int i = size; i < int(sizeof out); ++i)
                QVERIFY2(out[i] == 'Z',
                         qPrintable(QStringLiteral("size %1, byte %2").arg(size).arg(i)));
        }
    }
};

QTEST_MAIN(PortModelTest)
#include "tst_port_model.moc"
