// The port window's own logic where the console flows do not reach it:
// abbreviations and odd console texts, bounds, the end of the read, every
// port type's speed list, the longest page write and the validation texts.
#include "forms/FormRefs.h"
#include "forms/Portconfigform.h"
#include "lang/Language.h"
#include "platform/Ui.h"
#include "shared/Publicunit.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <cstring>
#include <string>

namespace {

// Distinct texts for the choice lists, and the message caption.
void LoadTestTexts() {
    ResetLanguageState();
    const int32_t ids[10] = {303, 304, 305, 306, 307, 308, 309, 310, 311, 402};
    for (int i = 0; i < 10; ++i) {
        LangTable[i].id = ids[i];
        snprintf(LangTable[i].text, sizeof LangTable[i].text, "t%d", ids[i]);
    }
}

void Row(int row, const char* name, const char* type = "100TX", const char* in = "0",
         const char* en = "Yes", const char* full = " On", const char* half = "Off") {
    const char* cells[9] = {name, type, in, "0", en, "   AUTO   ", " 100 Full", full, half};
    for (int f = 1; f <= 9; ++f)
        HandlePortRow(4000 + row * 100 + f, cells[f - 1]);
}

void ReadPorts(int count) {
    ResetPortTable();
    for (int p = 1; p <= count; ++p)
        Row((p - 1) % 8 + 1, ("PORT" + std::to_string(p)).c_str());
}

QtMessageHandler s_previousHandler = nullptr;
// The offscreen platform cannot raise windows and says so on every Show.
void QuietRaise(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("does not support raise()"))) return;
    if (s_previousHandler) s_previousHandler(type, context, message);
}

} // namespace

class PortWindowTest : public QObject {
    Q_OBJECT
    QStringList boxes;

private slots:
    void initTestCase() { s_previousHandler = qInstallMessageHandler(QuietRaise); }
    void init() {
        ResetSharedState();
        LoadTestTexts();
        boxes.clear();
        platform::SetMessageBoxHandler([this](const QString& text, const QString&, int) {
            boxes.append(text);
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

    void rowsExpandNamesAndReadExactTexts() {
        ResetPortTable();
        Row(1, "TRK1", "100TX", "5");
        Row(2, "Trk2", "100TX", "abc", "yes", " on", " ON");
        Row(3, "mod_1", "1000FX");
        HandlePortRow(4401, "   "); // no port
        QCOMPARE(int(PortCount), 3);
        QCOMPARE(LastPortIndex, 2);
        QCOMPARE(PortTable[0].name, "TRUNK1");
        QCOMPARE(PortTable[1].name, "TRUNK2");
        QCOMPARE(PortTable[2].name, "MODULE1");
        QCOMPARE(PortTable[0].inRate, 5);
        QCOMPARE(PortTable[1].inRate, 0);
        QVERIFY(PortTable[0].enabled && !PortTable[1].enabled);
        QVERIFY(!PortTable[1].flowFull && PortTable[1].flowHalf);
        // The next console page's cells land in entries 8.., and nothing is
        // read while a save is under way.
        for (int r = 4; r <= 8; ++r)
            Row(r, "P");
        Row(1, "PORT9", "1000TX", "300");
        QCOMPARE(PortTable[8].inRate, 300);
        Saving = true;
        Row(2, "PORT10");
        QCOMPARE(int(PortCount), 9);
    }

    void consoleTextsStayInsideTheirFields() {
        ResetPortTable();
        Row(1, "PORT1");
        HandlePortRow(4101, "PORT12345678901234567890");
        QCOMPARE(PortTable[1].name, "PORT12345");
        HandlePortRow(4102, std::string(70, 'X').c_str());
        QCOMPARE(strlen(PortTable[0].type), size_t(13));
        HandlePortRow(4106, "NWAY_FORCE_AND_MORE");
        QCOMPARE(PortTable[0].autoText, "NWAY_FORCE_");
        HandlePortRow(4107, " 100 Full duplex");
        QCOMPARE(PortTable[0].speedText, " 100 Full ");
        HandlePortRow(4103, "99999999999999");
        QCOMPARE(PortTable[0].inRate, 0);
        ReadPorts(40);
        QCOMPARE(int(PortCount), 26);
        HandlePortRow(4101, nullptr);
        HandlePortRow(4999, "x");
        QCOMPARE(int(PortCount), 26);
        QCOMPARE(PortTable[25].name, "PORT26");
    }

    void readEndsWhenTheFirstNameComesRound_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("again");
        QTest::addColumn<bool>("ends");
        QTest::newRow("port") << "PORT1"
                              << "PORT1" << true;
        QTest::newRow("module") << "MOD_1"
                                << "MOD_1" << true;
        QTest::newRow("trunk") << "Trk1"
                               << "TRK1" << true;
        QTest::newRow("longer") << "PORT1"
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
        // Before the window exists (the first console page) nothing ends it.
        HandlePortRow(4201, first.toLatin1().constData());
        frmPortConfig.set(new TfrmPortConfig);
        HandlePortRow(4101, again.toLatin1().constData());
        QCOMPARE(frmPortConfig->AllRead, ends);
        Row(2, "PORTX");
        QCOMPARE(int(PortCount), ends ? 2 : 4);
    }

    void speedChoicesFollowThePortType_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("speed");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("index");
        QTest::newRow("100TX") << "100TX"
                               << " 100 Full"
                               << "PORT1" << 4 << 3;
        QTest::newRow("1000TX") << "1000TX"
                                << "1000 Full"
                                << "MODULE1" << 6 << 5;
        QTest::newRow("100FX") << "100fx"
                               << " 100 Half"
                               << "MODULE1" << 1 << 0;
        QTest::newRow("NC") << "NC"
                            << "   NC    "
                            << "MODULE2" << 1 << -1;
        QTest::newRow("no type") << "  "
                                 << "  10 Half"
                                 << "PORT3" << 4 << 0;
        QTest::newRow("unknown type") << "10G"
                                      << "  10 Half"
                                      << "PORT3" << 0 << -1;
        QTest::newRow("not offered") << "100TX"
                                     << "1000 Full"
                                     << "PORT1" << 4 << -1;
        QTest::newRow("module trunk") << "100FX"
                                      << "1000 Half"
                                      << "TRUNK3" << 6 << 4;
        QTest::newRow("other trunk") << "100FX"
                                     << " 100 Half"
                                     << "TRUNK2" << 1 << 0;
    }
    void speedChoicesFollowThePortType() {
        QFETCH(QString, type);
        QFETCH(QString, speed);
        QFETCH(QString, name);
        QFETCH(int, count);
        QFETCH(int, index);
        ModuleTrunk = 2; // TRUNK3
        QComboBox list;
        list.addItem("stale");
        QCOMPARE(FillSpeedChoices(type.toLatin1().constData(), &list, speed.toLatin1().constData(),
                                  name.toLatin1().constData()),
                 index);
        QCOMPARE(list.count(), count);
        QCOMPARE(list.currentIndex(), index);
        // Without a language file the texts are all empty; the console's
        // text still picks the right choice.
        ResetLanguageState();
        QCOMPARE(FillAutoChoices(&list, "NWAY_FORCE"), 2);
        QCOMPARE(FillAutoChoices(&list, "AUTO"), -1);
    }

    void longestPageFitsAndShortBuffersAreNotOverrun() {
        ResetPortTable();
        for (int r = 1; r <= 8; ++r) {
            Row(r, ("PORT" + std::to_string(r)).c_str(), "1000TX");
            HandlePortRow(4007 + r * 100, "1000 Full");
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

    void rateMessagesFollowTheLanguage_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("traditional chinese")
            << 0x404 << "1001"
            << QStringLiteral("PORT2 的 OutRate 值是不合法的 \n\n ( 值域範圍: 0 - 1000 ) ");
        QTest::newRow("simplified chinese")
            << 0x804 << "5000"
            << "Invalid value of OutRate for PORT2\n(Value range: 0 - 1000)";
        QTest::newRow("empty box") << 0x404 << ""
                                   << "'' is not a valid integer value for OutRate of PORT2";
    }
    void rateMessagesFollowTheLanguage() {
        QFETCH(int, language);
        QFETCH(QString, text);
        QFETCH(QString, message);
        ReadPorts(8);
        frmPortConfig.set(new TfrmPortConfig);
        frmPortConfig->Show();
        LanguageId = language;
        QVERIFY(!frmPortConfig->btnNextPage->isEnabled()); // exactly eight ports
        auto* edit = frmPortConfig->findChild<QLineEdit*>("edtOutRateP02");
        edit->setText(text);
        QVERIFY(!frmPortConfig->CollectPortPage());
        QCOMPARE(boxes, QStringList{message});
        QCOMPARE(edit->text(), QStringLiteral("0"));
        QVERIFY(frmPortConfig->CollectPortPage());
    }
};

QTEST_MAIN(PortWindowTest)
#include "tst_port_window.moc"
