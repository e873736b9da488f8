// What the console flows cannot reach: texts the switch never sends, field
// bounds, odd first names and port types, the longest page write.
#include "forms/FormRefs.h"
#include "forms/Messageform.h"
#include "forms/Portconfigform.h"
#include "lang/Language.h"
#include "platform/Ui.h"
#include "shared/Publicunit.h"
#include "tests/harness/GlobalHooks.h"
#include "tests/harness/WindowSteps.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <cstring>
#include <string>
#include <tuple>

namespace {

void Row(int row, const char* name, const char* type = "100TX", const char* in = "0",
         const char* en = "Yes", const char* full = " On", const char* half = "Off",
         const char* speed = " 100 Full") {
    const char* cells[9] = {name, type, in, "0", en, "   AUTO   ", speed, full, half};
    for (int f = 1; f <= 9; ++f)
        HandlePortRow(4000 + row * 100 + f, cells[f - 1]);
}

} // namespace

class PortWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        ResetSharedState();
        ResetLanguageState(); // no texts: the lists still select by position
        ResetPortTable();
    }
    void cleanup() {
        steps::DropWindows();
        RestoreGlobalHooks();
        ModuleTrunk = -1;
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

    void readEndsOnTheFirstNameWrittenTheConsoleWay_data() {
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("again");
        QTest::addColumn<bool>("ends");
        QTest::newRow("module, same") << QByteArray("MOD_1") << QByteArray("MOD_1") << true;
        QTest::newRow("module, other") << QByteArray("MOD_1") << QByteArray("MOD_2") << false;
        QTest::newRow("trunk, other case") << QByteArray("Trk1") << QByteArray("TRK1") << true;
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
        } else {
            Row(fault == 6 ? 3 : 2, "PORT2");
        }
        for (int r = fault == 6 ? 4 : 3; r <= 8; ++r) // the rest of the first page
            Row(r, ("PORT" + std::to_string(r)).c_str());
        for (int r = 1; r <= 8; ++r) // the second page, whole
            Row(r, ("PORT" + std::to_string(8 + r)).c_str());
        QCOMPARE(FinishPortRead(), garbled);
        QCOMPARE(PortPageGarbled[0], garbled);
        QVERIFY(!PortPageGarbled[1]);
        QCOMPARE(PortTable[8].name, "PORT9");
    }

    void readEndsOnTheFirstNameWrittenTheConsoleWay() {
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, again);
        QFETCH(bool, ends);
        Row(1, first.constData());
        frmPortConfig.set(new TfrmPortConfig);
        HandlePortRow(4101, again.constData());
        QCOMPARE(frmPortConfig->AllRead, ends);
    }

    void speedChoicesOfTypesTheSwitchNeverShows_data() {
        QTest::addColumn<QByteArray>("type");
        QTest::addColumn<QByteArray>("speed");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("index");
        auto row = [](const char* tag, const char* type, const char* speed, const char* name,
                      int count, int index) {
            QTest::newRow(tag) << QByteArray(type) << QByteArray(speed) << QByteArray(name) << count
                               << index;
        };
        row("lower case", "100fx", " 100 Half", "MODULE1", 1, 0);
        row("no type", "  ", "  10 Half", "PORT3", 4, 0);
        row("unknown type", "10G", "  10 Half", "PORT3", 0, -1);
        row("speed not offered", "100TX", "1000 Full", "PORT1", 4, -1);
        row("not the module trunk", "100FX", " 100 Half", "TRUNK2", 1, 0);
    }
    void speedChoicesOfTypesTheSwitchNeverShows() {
        QFETCH(QByteArray, type);
        QFETCH(QByteArray, speed);
        QFETCH(QByteArray, name);
        QFETCH(int, count);
        QFETCH(int, index);
        ModuleTrunk = 2; // TRUNK3
        QComboBox list;
        list.addItem("stale");
        QCOMPARE(FillSpeedChoices(type.constData(), &list, speed.constData(), name.constData()),
                 index);
        QCOMPARE(list.count(), count);
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
        platform::SetMessageBoxHandler([](const QString&, const QString&, int) {
            frmPortConfig.clear();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return int(platform::IDOK);
        });
        w->btnSave->click();
        platform::SetMessageBoxHandler(nullptr);
        QVERIFY(w.isNull() && !Saving);
    }

    void longestPageFitsAndShortBuffersAreNotOverrun() {
        for (int r = 1; r <= 8; ++r) {
            Row(r, ("PORT" + std::to_string(r)).c_str(), "1000TX", "0", "Yes", " On", "Off",
                "1000 Full");
        }
        PreparePortChoices();
        TakePortCopy();
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
        char out[210];
        QCOMPARE(BuildPortPageKeys(0, out, sizeof out), 205);
        QCOMPARE(std::string(out).substr(0, 27),
                 std::string("\t\r1000\t1000\t \t  \t     \t \t \t"));
        char small[40];
        memset(small, 'Z', sizeof small);
        QCOMPARE(BuildPortPageKeys(0, small, 32), 31);
        QCOMPARE(small[31], '\0');
        QCOMPARE(small[32], 'Z');
    }
};

QTEST_MAIN(PortWindowTest)
#include "tst_port_window.moc"
