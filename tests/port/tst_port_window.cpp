// The port window's own logic: reading console rows into the table, the
// choice lists, the key text of a page write, rate validation and paging.
#include "forms/FormRefs.h"
#include "forms/Portconfigform.h"
#include "lang/Language.h"
#include "platform/Ui.h"
#include "shared/Publicunit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <cstring>
#include <string>

namespace {

void SetLangText(int index, int32_t id, const char* text) {
    LangTable[index].id = id;
    snprintf(LangTable[index].text, sizeof LangTable[index].text, "%s", text);
}

// Distinct texts for the choice lists and the captions the window uses.
void LoadTestTexts() {
    ResetLanguageState();
    int i = 0;
    for (int32_t id = 303; id <= 311; ++id)
        SetLangText(i++, id, ("t" + std::to_string(id)).c_str());
    SetLangText(i++, 402, "Port Configuration");
}

void Row(int row, const char* name, const char* type = "100TX", const char* in = "0",
         const char* out = "0", const char* en = "Yes", const char* autoNego = "   AUTO   ",
         const char* speed = " 100 Full", const char* full = " On", const char* half = "Off") {
    const char* cells[9] = {name, type, in, out, en, autoNego, speed, full, half};
    for (int f = 1; f <= 9; ++f)
        HandlePortRow(4000 + row * 100 + f, cells[f - 1]);
}

// The console's 26 default rows: PORT1..PORT24 then the two modules.
void ReadDefaultPorts(const char* moduleType = "1000TX") {
    ResetPortTable();
    for (int p = 1; p <= 26; ++p) {
        const int row = (p - 1) % 8 + 1;
        if (p <= 24)
            Row(row, ("PORT" + std::to_string(p)).c_str());
        else
            Row(row, p == 25 ? "MOD_1" : "MOD_2", moduleType, "0", "0", "Yes", "   AUTO   ",
                "1000 Full");
    }
}

// The offscreen platform cannot raise windows and says so on every Show.
QtMessageHandler s_previousHandler = nullptr;
void QuietRaise(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("does not support raise()"))) return;
    if (s_previousHandler) s_previousHandler(type, context, message);
}

struct Box {
    QString text, caption;
};

} // namespace

class PortWindowTest : public QObject {
    Q_OBJECT

    QList<Box> boxes;

    TfrmPortConfig* OpenWindow() {
        frmPortConfig.set(new TfrmPortConfig);
        frmPortConfig->AllRead = true;
        frmPortConfig->Show();
        return frmPortConfig.get();
    }
    QFrame* Panel(int r) {
        return frmPortConfig->findChild<QFrame*>(QStringLiteral("pnlP0%1").arg(r));
    }
    template <class T> T* Ctl(const char* base, int r) {
        return frmPortConfig->findChild<T*>(QStringLiteral("%1%2").arg(QLatin1String(base)).arg(r));
    }
    int VisibleRows() {
        int n = 0;
        for (int r = 1; r <= 8; ++r)
            n += Panel(r)->isHidden() ? 0 : 1;
        return n;
    }

private slots:
    void initTestCase() { s_previousHandler = qInstallMessageHandler(QuietRaise); }
    void init() {
        ResetSharedState();
        LoadTestTexts();
        boxes.clear();
        platform::SetMessageBoxHandler([this](const QString& text, const QString& caption, int) {
            boxes.append({text, caption});
            return platform::IDOK;
        });
        memset(PortTable, 0, sizeof PortTable);
        memset(SavedPortTable, 0, sizeof SavedPortTable);
    }
    void cleanup() {
        frmPortConfig.clear();
        CloseBusyBox();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        platform::SetMessageBoxHandler(nullptr);
    }

    void rowsLandInConsoleOrderWithNamesExpanded() {
        ResetPortTable();
        Row(1, "TRK1", "100TX", "5", "10", "Yes", "NWAY_FORCE", " 100 Half", " On", "Off");
        Row(2, "Trk2", "100TX", "abc", "7", "yes", "   FORCE  ", "  10 Full", " on", " ON");
        Row(3, "MOD_1", "1000TX");
        Row(4, "mod_2", "1000FX");
        HandlePortRow(4501, "   "); // an empty name is no port
        QCOMPARE(int(PortCount), 4);
        QCOMPARE(LastPortIndex, 3);
        QCOMPARE(PortTable[0].name, "TRUNK1");
        QCOMPARE(PortTable[1].name, "TRUNK2");
        QCOMPARE(PortTable[2].name, "MODULE1");
        QCOMPARE(PortTable[3].name, "MODULE2");
        QCOMPARE(PortTable[0].inRate, 5);
        QCOMPARE(PortTable[0].outRate, 10);
        QVERIFY(PortTable[0].enabled);
        QCOMPARE(PortTable[0].autoText, "NWAY_FORCE");
        QCOMPARE(PortTable[0].speedText, " 100 Half");
        QVERIFY(PortTable[0].flowFull);
        QVERIFY(!PortTable[0].flowHalf);
        QCOMPARE(PortTable[1].inRate, 0); // not a number
        QVERIFY(!PortTable[1].enabled);   // only "Yes"/"YES" mean enabled
        QVERIFY(!PortTable[1].flowFull);  // only " On"/" ON" mean on
        QVERIFY(PortTable[1].flowHalf);
        QCOMPARE(PortTable[3].type, "1000FX");

        // The second console page's cells belong to entries 8.., whatever
        // row the name came in.
        for (int r = 5; r <= 8; ++r)
            Row(r, ("PORT" + std::to_string(r)).c_str());
        Row(1, "PORT9", "1000TX", "300");
        QCOMPARE(PortTable[8].name, "PORT9");
        QCOMPARE(PortTable[8].type, "1000TX");
        QCOMPARE(PortTable[8].inRate, 300);

        // While saving, rows are the console's echo of the write: ignored.
        Saving = true;
        Row(2, "PORT10");
        QCOMPARE(int(PortCount), 9);
    }

    void overlongAndExcessInputStaysInsideTheTable() {
        ResetPortTable();
        Row(1, "PORT1", "100TX");
        HandlePortRow(4101 + 0, "PORT12345678901234567890");
        QCOMPARE(PortTable[1].name, "PORT12345");
        const std::string longType(70, 'X');
        HandlePortRow(4102, longType.c_str());
        QCOMPARE(strlen(PortTable[0].type), size_t(13));
        HandlePortRow(4106, "NWAY_FORCE_AND_MORE");
        QCOMPARE(PortTable[0].autoText, "NWAY_FORCE_");
        HandlePortRow(4107, " 100 Full duplex");
        QCOMPARE(PortTable[0].speedText, " 100 Full ");
        HandlePortRow(4103, "99999999999999");
        QCOMPARE(PortTable[0].inRate, 0);

        // More names than the switch has ports: the table stops at 26.
        ResetPortTable();
        for (int n = 0; n < 40; ++n)
            Row(n % 8 + 1, ("P" + std::to_string(n)).c_str());
        QCOMPARE(int(PortCount), 26);
        QCOMPARE(PortTable[25].name, "P25");
        HandlePortRow(4101, nullptr); // a missing text is an empty one
        HandlePortRow(4999, "x");     // not a row of the screen
        QCOMPARE(int(PortCount), 26);
    }

    void readEndsWhenTheFirstNameComesRound_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("again");
        QTest::addColumn<bool>("ends");
        QTest::newRow("port") << "PORT1"
                              << "PORT1" << true;
        QTest::newRow("module") << "MOD_1"
                                << "MOD_1" << true;
        QTest::newRow("trunk") << "TRK1"
                               << "TRK1" << true;
        QTest::newRow("trunk lower case") << "Trk1"
                                          << "TRK1" << true;
        QTest::newRow("longer name") << "PORT1"
                                     << "PORT10" << false;
        QTest::newRow("other module") << "MOD_1"
                                      << "MOD_2" << false;
    }
    void readEndsWhenTheFirstNameComesRound() {
        QFETCH(QString, first);
        QFETCH(QString, again);
        QFETCH(bool, ends);
        ResetPortTable();
        Row(1, first.toLatin1().constData());
        Row(2, "PORT2");
        // Before the window exists (the first page) nothing can end the read.
        HandlePortRow(4301, first.toLatin1().constData());
        QCOMPARE(int(PortCount), 3);
        frmPortConfig.set(new TfrmPortConfig);
        HandlePortRow(4101, again.toLatin1().constData());
        QCOMPARE(frmPortConfig->AllRead, ends);
        Row(2, "PORTX");
        QCOMPARE(int(PortCount), ends ? 3 : 5);
    }

    void speedChoicesFollowThePortType_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("speed");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("moduleTrunk");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("firstItem");
        QTest::newRow("100TX") << "100TX"
                               << " 100 Full"
                               << "PORT1" << -1 << 4 << 3 << "t303";
        QTest::newRow("1000TX") << "1000TX"
                                << "1000 Full"
                                << "MODULE1" << -1 << 6 << 5 << "t303";
        QTest::newRow("100FX") << "100FX"
                               << " 100 Half"
                               << "MODULE1" << -1 << 1 << 0 << "t305";
        QTest::newRow("1000FX lower") << "1000fx"
                                      << "1000 Full"
                                      << "MODULE2" << -1 << 1 << 0 << "t308";
        QTest::newRow("NC") << "NC"
                            << "   NC    "
                            << "MODULE2" << -1 << 1 << -1 << "   NC    ";
        QTest::newRow("no type") << "  "
                                 << "  10 Half"
                                 << "PORT3" << -1 << 4 << 0 << "t303";
        QTest::newRow("unknown type") << "10G"
                                      << "  10 Half"
                                      << "PORT3" << -1 << 0 << -1 << "";
        QTest::newRow("speed not offered") << "100TX"
                                           << "1000 Full"
                                           << "PORT1" << -1 << 4 << -1 << "t303";
        QTest::newRow("module trunk") << "100FX"
                                      << "1000 Half"
                                      << "TRUNK3" << 2 << 6 << 4 << "t303";
        QTest::newRow("other trunk") << "100FX"
                                     << " 100 Half"
                                     << "TRUNK2" << 2 << 1 << 0 << "t305";
    }
    void speedChoicesFollowThePortType() {
        QFETCH(QString, type);
        QFETCH(QString, speed);
        QFETCH(QString, name);
        QFETCH(int, moduleTrunk);
        QFETCH(int, count);
        QFETCH(int, index);
        QFETCH(QString, firstItem);
        ModuleTrunk = moduleTrunk;
        QComboBox list;
        list.addItem("stale");
        const int got = FillSpeedChoices(type.toLatin1().constData(), &list,
                                         speed.toLatin1().constData(), name.toLatin1().constData());
        QCOMPARE(list.count(), count);
        QCOMPARE(got, index);
        QCOMPARE(list.currentIndex(), index);
        QCOMPARE(list.count() ? list.itemText(0) : QString(), firstItem);
    }

    void autoChoicesMatchExactConsoleTexts() {
        QComboBox list;
        QCOMPARE(FillAutoChoices(&list, "   FORCE  "), 0);
        QCOMPARE(FillAutoChoices(&list, "   AUTO   "), 1);
        QCOMPARE(list.currentText(), QStringLiteral("t310"));
        QCOMPARE(FillAutoChoices(&list, "NWAY_FORCE"), 2);
        QCOMPARE(FillAutoChoices(&list, "AUTO"), -1);
        QCOMPARE(list.count(), 3);
        // Without a language file every choice text is empty; the index
        // still follows the console text.
        ResetLanguageState();
        QCOMPARE(FillAutoChoices(&list, "NWAY_FORCE"), 2);
    }

    void dirtyPageKeysMoveChoicesForwardOnly() {
        ReadDefaultPorts();
        PreparePortChoices();
        TakePortCopy();
        QCOMPARE(PortTable[9].autoIndex, 1);
        QCOMPARE(PortTable[9].speedIndex, 3);
        PortEntry& e = PortTable[9];
        e.inRate = 5;
        e.enabled = false;
        e.autoIndex = 0;  // back one of three: two Spaces
        e.speedIndex = 2; // back one of four: three Spaces
        e.flowHalf = true;
        PortTable[3].enabled = false; // switched off and on again: no change
        PortTable[3].enabled = true;
        MarkPortPages();
        QCOMPARE(PageDirty[0], false);
        QCOMPARE(PageDirty[1], true);
        QCOMPARE(PageDirty[2], false);
        QCOMPARE(PageDirty[3], false);

        const std::string clean = "0\t0\t\t\t\t\t\t";
        std::string expect = "\t\r" + clean + "5\t0\t \t  \t   \t\t \t";
        for (int k = 0; k < 6; ++k)
            expect += clean;
        expect += "\x01\t\r";
        char out[210];
        QCOMPARE(BuildPortPageKeys(1, out, sizeof out), int(expect.size()));
        QCOMPARE(std::string(out), expect);
        BuildPortPageKeys(0, out, sizeof out);
        QCOMPARE(std::string(out), std::string("\b\r"));
        BuildPortPageKeys(3, out, sizeof out);
        QCOMPARE(std::string(out), std::string("\r"));

        // Forward moves on three choices: AUTO (1) to NWAY_FORCE (2) is one
        // Space, FORCE (0) to NWAY_FORCE two, NWAY_FORCE back to FORCE one.
        TakePortCopy();
        const auto autoMove = [&](int before, int now) {
            SavedPortTable[9].autoIndex = before;
            PortTable[9].autoIndex = now;
            BuildPortPageKeys(1, out, sizeof out);
            const std::string keys(out);
            const size_t row = keys.find("5\t0\t\t");
            return keys.substr(row + 5, keys.find('\t', row + 5) - row - 5);
        };
        QCOMPARE(autoMove(1, 2), std::string(" "));
        QCOMPARE(autoMove(0, 2), std::string("  "));
        QCOMPARE(autoMove(2, 0), std::string(" "));
        QCOMPARE(autoMove(2, 2), std::string());
    }

    void lastPageOfTwoRowsIsTypedWhole() {
        ReadDefaultPorts();
        PreparePortChoices();
        TakePortCopy();
        PortTable[25].outRate = 1000;
        PortTable[25].speedIndex = 4; // 1000 Full -> 1000 Half: five Spaces of six
        PortTable[25].flowFull = false;
        MarkPortPages();
        QVERIFY(PageDirty[3] && !PageDirty[0] && !PageDirty[1] && !PageDirty[2]);
        char out[210];
        BuildPortPageKeys(3, out, sizeof out);
        QCOMPARE(std::string(out),
                 std::string("\t\r0\t0\t\t\t\t\t\t0\t1000\t\t\t     \t \t\t\x01\t\r"));
    }

    void longestPageFitsAndSmallBuffersAreNotOverrun() {
        ReadDefaultPorts("1000TX");
        for (int i = 0; i < 8; ++i)
            snprintf(PortTable[i].type, sizeof PortTable[i].type, "1000TX");
        for (int i = 0; i < 8; ++i)
            snprintf(PortTable[i].speedText, sizeof PortTable[i].speedText, "1000 Full");
        PreparePortChoices();
        TakePortCopy();
        for (int i = 0; i < 8; ++i) {
            PortEntry& e = PortTable[i];
            e.inRate = e.outRate = 1000;
            e.enabled = !e.enabled;
            e.autoIndex = 0;  // two Spaces
            e.speedIndex = 4; // five Spaces
            e.flowFull = !e.flowFull;
            e.flowHalf = !e.flowHalf;
        }
        MarkPortPages();
        char out[210];
        QCOMPARE(BuildPortPageKeys(0, out, sizeof out), 205);
        char small[40];
        memset(small, 'Z', sizeof small);
        QCOMPARE(BuildPortPageKeys(0, small, 32), 31);
        QCOMPARE(small[31], '\0');
        QCOMPARE(small[32], 'Z');
    }

    void showsPagesOfEightWithButtonsInStep() {
        ReadDefaultPorts();
        ModuleTrunk = 1;
        OpenWindow();
        QCOMPARE(int(TablePage), 0);
        QCOMPARE(CurrentForm, int(FORM_PORT));
        QVERIFY(!frmPortConfig->btnPrevPage->isEnabled());
        QVERIFY(frmPortConfig->btnNextPage->isEnabled());
        QCOMPARE(VisibleRows(), 8);
        QCOMPARE(Ctl<QLabel>("lblNameP0", 1)->text(), QStringLiteral("PORT1"));
        QCOMPARE(Ctl<QComboBox>("cboSpdP0", 1)->currentText(), QStringLiteral("t306"));
        QCOMPARE(Ctl<QComboBox>("cboAutoP0", 1)->currentText(), QStringLiteral("t310"));
        QVERIFY(Ctl<QCheckBox>("chkEnableP0", 1)->isChecked());
        QVERIFY(!Ctl<QLineEdit>("edtInRateP0", 1)->isHidden());

        const int rows[4] = {8, 8, 8, 2};
        for (int p = 1; p <= 3; ++p) {
            frmPortConfig->btnNextPage->click();
            QCOMPARE(int(TablePage), p);
            QCOMPARE(VisibleRows(), rows[p]);
            QVERIFY(frmPortConfig->btnPrevPage->isEnabled());
            QCOMPARE(frmPortConfig->btnNextPage->isEnabled(), p < 3);
        }
        QCOMPARE(Ctl<QLabel>("lblNameP0", 1)->text(), QStringLiteral("MODULE1"));
        QVERIFY(Ctl<QLineEdit>("edtInRateP0", 1)->isHidden());
        QVERIFY(Ctl<QLineEdit>("edtOutRateP0", 2)->isHidden());
        QCOMPARE(Ctl<QComboBox>("cboSpdP0", 2)->count(), 6);
        for (int p = 2; p >= 0; --p) {
            frmPortConfig->btnPrevPage->click();
            QCOMPARE(int(TablePage), p);
            QCOMPARE(frmPortConfig->btnPrevPage->isEnabled(), p > 0);
            QVERIFY(frmPortConfig->btnNextPage->isEnabled());
        }
        QVERIFY(boxes.isEmpty());
        QVERIFY(!PageDirty[0] && !PageDirty[1] && !PageDirty[2] && !PageDirty[3]);
    }

    void rateBoxesHiddenForModulesAndTheModuleTrunkOnly() {
        ResetPortTable();
        Row(1, "TRK1");
        Row(2, "TRK2", "1000TX");
        Row(3, "PORT9");
        Row(4, "MOD_1", "1000FX");
        ModuleTrunk = 1; // TRUNK2 holds port 26
        OpenWindow();
        QVERIFY(!frmPortConfig->btnNextPage->isEnabled()); // four ports, one page
        QCOMPARE(VisibleRows(), 4);
        QVERIFY(!Ctl<QLineEdit>("edtInRateP0", 1)->isHidden());
        QVERIFY(Ctl<QLineEdit>("edtInRateP0", 2)->isHidden());
        QVERIFY(!Ctl<QLineEdit>("edtInRateP0", 3)->isHidden());
        QVERIFY(Ctl<QLineEdit>("edtOutRateP0", 4)->isHidden());
    }

    void exactlyEightPortsNeedNoNextPage() {
        ResetPortTable();
        for (int r = 1; r <= 8; ++r)
            Row(r, ("PORT" + std::to_string(r)).c_str());
        OpenWindow();
        QCOMPARE(LastPortIndex, 7);
        QVERIFY(!frmPortConfig->btnNextPage->isEnabled());
        QCOMPARE(VisibleRows(), 8);
    }

    void editsSurvivePagingAndMarkTheirPage() {
        ReadDefaultPorts();
        OpenWindow();
        Ctl<QLineEdit>("edtOutRateP0", 3)->setText("250");
        Ctl<QCheckBox>("chkHalfP0", 3)->setChecked(true);
        Ctl<QComboBox>("cboAutoP0", 3)->setCurrentIndex(2);
        frmPortConfig->btnNextPage->click();
        QCOMPARE(PortTable[2].outRate, 250);
        QVERIFY(PortTable[2].flowHalf);
        QCOMPARE(PortTable[2].autoIndex, 2);
        QCOMPARE(PortTable[2].autoText, "t311");
        QVERIFY(PageDirty[0] && !PageDirty[1]);
        frmPortConfig->btnPrevPage->click();
        QCOMPARE(Ctl<QLineEdit>("edtOutRateP0", 3)->text(), QStringLiteral("250"));
        QCOMPARE(Ctl<QComboBox>("cboAutoP0", 3)->currentIndex(), 2);
        QVERIFY(Ctl<QCheckBox>("chkHalfP0", 3)->isChecked());
    }

    void badRatesAreRefusedBeforeAnythingMoves_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        const QString range = QStringLiteral("\n(Value range: 0 - 1000)");
        QTest::newRow("over") << 0x409 << "edtInRateP02"
                              << "1001"
                              << "Invalid value of InRate for PORT2" + range;
        QTest::newRow("negative") << 0 << "edtOutRateP02"
                                  << "-1"
                                  << "Invalid value of OutRate for PORT2" + range;
        QTest::newRow("simplified chinese") << 0x804 << "edtOutRateP02"
                                            << "5000"
                                            << "Invalid value of OutRate for PORT2" + range;
        QTest::newRow("traditional chinese")
            << 0x404 << "edtInRateP02"
            << "1001"
            << QStringLiteral("PORT2 的 InRate 值是不合法的 \n\n ( 值域範圍: 0 - 1000 ) ");
        QTest::newRow("not a number") << 0x409 << "edtInRateP02"
                                      << "abc"
                                      << "'abc'";
        QTest::newRow("empty") << 0x409 << "edtOutRateP02"
                               << ""
                               << "''";
    }
    void badRatesAreRefusedBeforeAnythingMoves() {
        QFETCH(int, language);
        QFETCH(QString, box);
        QFETCH(QString, text);
        QFETCH(QString, message);
        ReadDefaultPorts();
        OpenWindow();
        LanguageId = language;
        Ctl<QLineEdit>("edtInRateP0", 1)->setText("1000");
        Ctl<QLineEdit>("edtOutRateP0", 1)->setText("0");
        auto* edit = frmPortConfig->findChild<QLineEdit*>(box);
        edit->setText(text);
        frmPortConfig->btnNextPage->click();
        QCOMPARE(boxes.size(), 1);
        if (message.startsWith('\''))
            QVERIFY2(boxes[0].text.startsWith(message), qPrintable(boxes[0].text));
        else
            QCOMPARE(boxes[0].text, message);
        QCOMPARE(boxes[0].caption, QStringLiteral("Port Configuration"));
        QCOMPARE(edit->text(), QStringLiteral("0"));
        QCOMPARE(frmPortConfig->focusWidget(), edit);
        QCOMPARE(int(TablePage), 0);         // the page stays
        QCOMPARE(PortTable[0].inRate, 1000); // earlier boxes were taken
        frmPortConfig->btnSaveClick();       // now "0": accepted
        QCOMPARE(boxes.size(), 1);
        QVERIFY(Saving);
    }
    void applyWithABadRateStartsNothing() {
        ReadDefaultPorts();
        OpenWindow();
        Ctl<QLineEdit>("edtInRateP0", 8)->setText("9999");
        frmPortConfig->btnSave->click();
        QCOMPARE(boxes.size(), 1);
        QVERIFY(!Saving);
        QVERIFY(frmPortConfig->isEnabled());
        QCOMPARE(LastPortIndex, 25);
    }
};

QTEST_MAIN(PortWindowTest)
#include "tst_port_window.moc"
