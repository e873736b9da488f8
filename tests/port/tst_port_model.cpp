// The port model and window without a switch: the keys that write or pass a
// console port page, and what the flows cannot reach (texts the switch never
// sends, field bounds, odd first names and port types).
#include "forms/port/PortModel.h"
#include "platform/Ui.h"
#include "tests/harness/TableRows.h"
#include "tests/harness/WindowTest.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// One console row at `row` (1-8) of the page being read.
void Row(int row, const char* name, const char* type = "100TX", const char* in = "0",
         const char* en = "Yes", const char* full = " On", const char* half = "Off",
         const char* speed = " 100 Full") {
    const char* cells[9] = {name, type, in, "0", en, "   AUTO   ", speed, full, half};
    for (int f = 1; f <= 9; ++f)
        HandlePortRow(4000 + row * 100 + f, cells[f - 1]);
}

// A factory row written back untouched: both rates retyped, the other five
// fields passed with Tab (switches and choices move forward with Space).
const std::string kSame = "0\t0\t\t\t\t\t\t";

// The keys of a written page: from Quit, Tab and Enter start the edit, the
// rows, then Ctrl-A, Tab and Enter choose Save.
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

// Reads `ports` factory rows the way the console draws them: 100TX ports
// (1000TX with `gigabit`), then the two 1000TX module slots.
void ReadFactoryTable(int ports, bool gigabit = false) {
    for (int k = 0; k < ports; ++k) {
        const bool fast = k < 24 && !gigabit;
        const std::string name =
            k < 24 ? "PORT" + std::to_string(k + 1) : "MOD_" + std::to_string(k - 23);
        Row(k % 8 + 1, name.c_str(), fast ? "100TX" : "1000TX", "0", "Yes", " On", "Off",
            fast ? " 100 Full" : "1000 Full");
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

// One change on a table of factory rows, and the keys of the page. A clean
// page is passed with BackSpace (Quit wraps to Next Page) and Enter, the last
// left with Enter on Quit.
struct PageCase {
    const char* tag;
    int ports, page, port;
    const char* field;
    int to;
    QByteArray keys;
};
// clang-format off
const PageCase kPages[] = {
    {"clean page", 26, 0, 0, "", 0, "\b\r"},
    {"clean last page", 26, 3, 0, "", 0, "\r"},
    {"clean third of 24 ports, the last", 24, 2, 0, "", 0, "\r"},
    {"in-rate", 26, 0, 2, "in", 250, FullPage(2, "250\t0\t\t\t\t\t\t")},
    {"out-rate, last row", 26, 0, 7, "out", 1000, FullPage(7, "0\t1000\t\t\t\t\t\t")},
    {"enable off", 26, 0, 0, "enable", 1, FullPage(0, "0\t0\t \t\t\t\t\t")},
    {"enable off and on: no change", 26, 0, 0, "enable", 2, "\b\r"},
    {"auto forward, AUTO to NWAY_FORCE", 26, 0, 1, "auto", 2, FullPage(1, "0\t0\t\t \t\t\t\t")},
    {"auto back, AUTO to FORCE round the list", 26, 0, 1, "auto", 0,
     FullPage(1, "0\t0\t\t  \t\t\t\t")},
    {"speed back, 100 Full to 100 Half", 26, 0, 3, "speed", 2,
     FullPage(3, "0\t0\t\t\t   \t\t\t")},
    {"speed forward past the end, 100 Full to 10 Half", 26, 0, 3, "speed", 0,
     FullPage(3, "0\t0\t\t\t \t\t\t")},
    {"flow full off", 26, 0, 4, "full", 1, FullPage(4, "0\t0\t\t\t\t \t\t")},
    {"flow half on", 26, 0, 5, "half", 1, FullPage(5, "0\t0\t\t\t\t\t \t")},
    {"page 2, its own rows", 26, 1, 15, "in", 9, FullPage(7, "9\t0\t\t\t\t\t\t")},
    // The last page has only the two module rows; 1000 Full to 1000 Half is
    // five steps forward in six choices.
    {"last page, module speed back", 26, 3, 24, "speed", 4,
     Written({"0\t0\t\t\t     \t\t\t", kSame})},
};
// clang-format on

// Speed choices of a row (ModuleTrunk is TRUNK3): how many, and the one chosen.
struct SpeedCase {
    const char* tag;
    const char *type, *speed, *name;
    int count, index;
};
const SpeedCase kSpeeds[] = {
    {"lower case", "100fx", " 100 Half", "MODULE1", 1, 0},
    {"no type", "  ", "  10 Half", "PORT3", 4, 0},
    {"unknown type", "10G", "  10 Half", "PORT3", 0, -1},
    {"speed not offered", "100TX", "1000 Full", "PORT1", 4, -1},
    {"not the module trunk", "100FX", " 100 Half", "TRUNK2", 1, 0},
};

} // namespace

class PortModelTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        steps::QuietOffscreen();
        ResetSharedState();
        ResetLanguageState(); // no texts: choices still follow the console's values
        ResetPortTable();
    }
    void cleanup() {
        steps::DropWindows();
        RestoreGlobalHooks();
        ModuleTrunk = -1;
    }

    void pageKeys_data() { TableRows(kPages); }
    void pageKeys() {
        const PageCase& r = CurrentRow(kPages);
        const QByteArray& keys = r.keys;
        const int ports = r.ports, page = r.page;
        ReadFactoryTable(ports);
        QCOMPARE(int(PortCount), ports);
        Change(r.port, r.field, r.to);
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
    // fit, always terminated, and not one byte written past the size. The
    // written page is the longest there is, every field of every row changed
    // with the most keys it can take.
    void keysNeverRunPastTheBuffer_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("length");
        QTest::newRow("longest written page") << 0 << 205;
        QTest::newRow("passed page") << 1 << 2;
        QTest::newRow("left last page") << 3 << 1;
    }
    void keysNeverRunPastTheBuffer() {
        QFETCH(int, page);
        QFETCH(int, length);
        ReadFactoryTable(26, true);
        for (int i = 0; i < 8; ++i) {
            PortEntry& e = PortTable[i];
            e.inRate = e.outRate = 1000;
            e.enabled = !e.enabled;
            e.autoIndex = 0;  // AUTO to FORCE: two Spaces
            e.speedIndex = 4; // 1000 Full to 1000 Half: five Spaces
            e.flowFull = !e.flowFull;
            e.flowHalf = !e.flowHalf;
        }
        MarkPortPages();
        char full[210];
        QCOMPARE(BuildPortPageKeys(page, full, sizeof full), length);
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

    void consoleTextsAreReadWithinTheirFields() {
        Row(1, "Trk2", "100TX", "5", "yes", " on", " ON");
        Row(2, "mod_1");
        HandlePortRow(4301, "   "); // no port
        QCOMPARE(int(PortCount), 2);
        QCOMPARE(PortTable[0].name, "TRUNK2");
        QCOMPARE(PortTable[1].name, "MODULE1");
        QCOMPARE(PortTable[0].inRate, 5);
        QVERIFY(!PortTable[0].enabled && !PortTable[0].flowFull && PortTable[0].flowHalf);
        for (const char* bad : {"abc", "99999999999999", "5x"}) {
            HandlePortRow(4203, "7");
            HandlePortRow(4203, bad);
            QCOMPARE(PortTable[1].inRate, 0);
        }
        HandlePortRow(4301, "PORT12345678901234567890");
        QCOMPARE(PortTable[2].name, "PORT12345");
        HandlePortRow(4102, std::string(70, 'X').c_str());
        QCOMPARE(strlen(PortTable[0].type), size_t(13));
        HandlePortRow(4106, "NWAY_FORCE_AND_MORE");
        QCOMPARE(PortTable[0].autoText, "NWAY_FORCE_");
        HandlePortRow(4107, " 100 Full duplex");
        QCOMPARE(PortTable[0].speedText, " 100 Full ");
        for (int p = 4; p <= 40; ++p)
            Row((p - 1) % 8 + 1, ("PORT" + std::to_string(p)).c_str());
        HandlePortRow(4101, nullptr);
        HandlePortRow(4999, "x");
        QCOMPARE(int(PortCount), 26);
        QCOMPARE(PortTable[25].name, "PORT26");
    }

    // What makes a page garbled; the next page is judged on its own.
    void pagesThatDoNotLineUp_data() {
        QTest::addColumn<int>("fault");
        QTest::addColumn<bool>("garbled");
        QTest::newRow("clean") << 0 << false;
        QTest::newRow("rate over 1000") << 1 << true;
        QTest::newRow("auto text no choice") << 2 << true;
        QTest::newRow("speed the type does not offer") << 3 << true;
        QTest::newRow("a cell twice") << 4 << true;
        QTest::newRow("a cell missing") << 5 << true;
        QTest::newRow("second name on the third row") << 6 << true;
        QTest::newRow("value cell on a row without name") << 7 << true;
        QTest::newRow("names out of row order, every cell there") << 8 << true;
    }
    void pagesThatDoNotLineUp() {
        QFETCH(int, fault);
        QFETCH(bool, garbled);
        Row(1, "PORT1", "100TX", fault == 1 ? "1500" : "0");
        if (fault == 2) HandlePortRow(4106, "  AUTX    ");
        if (fault == 3) HandlePortRow(4107, "1000 Full");
        if (fault == 4) HandlePortRow(4103, "0");
        if (fault == 7) HandlePortRow(4505, "Yes");
        if (fault == 5) {
            const char* cells[8] = {"PORT2", "100TX",      "0",         "0",
                                    "Yes",   "   AUTO   ", " 100 Full", " On"};
            for (int f = 1; f <= 8; ++f) // no flow-control half cell
                HandlePortRow(4200 + f, cells[f - 1]);
        } else if (fault == 8) { // the third row's name before the second's
            Row(3, "PORT3");
            Row(2, "PORT2");
        } else {
            Row(fault == 6 ? 3 : 2, "PORT2");
        }
        for (int r = fault == 6 || fault == 8 ? 4 : 3; r <= 8; ++r) // the rest of the first page
            Row(r, ("PORT" + std::to_string(r)).c_str());
        for (int r = 1; r <= 8; ++r) // the second page, whole
            Row(r, ("PORT" + std::to_string(8 + r)).c_str());
        QCOMPARE(FinishPortRead(), garbled);
        QCOMPARE(PortPageGarbled[0], garbled);
        QVERIFY(!PortPageGarbled[1]);
        QCOMPARE(PortTable[8].name, "PORT9");
    }

    void readEndsOnTheFirstNameWrittenTheConsoleWay_data() {
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("again");
        QTest::addColumn<bool>("ends");
        QTest::newRow("module, same") << QByteArray("MOD_1") << QByteArray("MOD_1") << true;
        QTest::newRow("module, other") << QByteArray("MOD_1") << QByteArray("MOD_2") << false;
        QTest::newRow("trunk, other case") << QByteArray("Trk1") << QByteArray("TRK1") << true;
    }
    void readEndsOnTheFirstNameWrittenTheConsoleWay() {
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, again);
        QFETCH(bool, ends);
        Row(1, first.constData());
        frmPortConfig.set(new TfrmPortConfig);
        HandlePortRow(4101, again.constData());
        QCOMPARE(frmPortConfig->TableComplete, ends);
    }

    void speedChoicesOfTypesTheSwitchNeverShows_data() { TableRows(kSpeeds); }
    void speedChoicesOfTypesTheSwitchNeverShows() {
        const SpeedCase& r = CurrentRow(kSpeeds);
        ModuleTrunk = 2; // TRUNK3
        QComboBox list;
        list.addItem("stale");
        QCOMPARE(FillSpeedChoices(r.type, &list, r.speed, r.name), r.index);
        QCOMPARE(list.count(), r.count);
    }

    // Console lines are handled while a message box is open; one that drops
    // the window (a switch reboot reaching the login page) must leave the
    // refused page alone.
    void windowDroppedWhileItsRefusalIsShown() {
        Row(1, "PORT1");
        frmPortConfig.set(new TfrmPortConfig);
        QPointer<TfrmPortConfig> w = frmPortConfig.get();
        w->Show();
        w->findChild<QLineEdit*>("edtInRateP01")->setText("1001");
        MessageBoxes boxes;
        boxes.record();
        boxes.whileShown = [] {
            frmPortConfig.clear();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        };
        w->btnSave->click();
        QVERIFY(w.isNull() && !Saving && boxes.size() == 1);
    }
};

QTEST_MAIN(PortModelTest)
#include "tst_port_model.moc"
