// Shared operations of the user interface that need no switch: menu move
// keys, the default walk's answers, self-test lines and the firmware version.
#include "engine/SerialLink.h"
#include "forms/FormRefs.h"
#include "forms/Mainform.h"
#include "forms/Welcomeform.h"
#include "platform/MemorySerial.h"
#include "platform/SerialDevice.h"
#include "shared/Publicunit.h"

#include <QPlainTextEdit>
#include <QtTest>

#include <cstring>
#include <memory>
#include <string>

namespace {

const std::string kTab = "\t";
const std::string kEnter = "\r";

// A link to a scripted far end, stepped by hand, so that SendKeys has a send
// buffer to fill and the test can read what would be typed.
class ScriptedLink {
public:
    ScriptedLink() {
        platform::SetSerialDeviceFactory(
            [this] { return std::make_unique<platform::MemorySerialDevice>(clock_, peer_); });
        SetManualStepping(true);
        opened_ = OpenComPort(1) == 1;
    }
    ~ScriptedLink() {
        if (IsLinkOpen()) CloseComPort();
        platform::SetSerialDeviceFactory(nullptr);
    }
    bool opened() const { return opened_; }
    // The text queued since the last call ("" when nothing was queued).
    std::string takeQueued() {
        ComThread* thread = GetComThread();
        if (thread == nullptr || !thread->sendPending.load()) return {};
        std::string keys(thread->sendBuffer);
        thread->sendPending.store(false);
        std::memset(thread->sendBuffer, 0, sizeof thread->sendBuffer);
        return keys;
    }

private:
    platform::VirtualClock clock_;
    platform::ScriptedEndpoint peer_;
    bool opened_ = false;
};

QString InitLines() {
    return frmWelcome.get() ? frmWelcome->memInit->toPlainText() : QString();
}

} // namespace

class UiSharedTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        ResetSharedState();
        TForm::ResetActiveForm();
    }
    void cleanup() {
        frmWelcome.clear();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void moveKeysWalkTheHighlightAndRememberIt() {
        int32_t current = 2;
        QCOMPARE(MakeMoveKeys(5, current), std::string("\t\t\t\r"));
        QCOMPARE(current, 5);
        current = 4;
        QCOMPARE(MakeMoveKeys(1, current), std::string("\b\b\b\r"));
        QCOMPARE(current, 1);
        QCOMPARE(MakeMoveKeys(1, current), kEnter);
        // A distance no menu has still yields a text SendKeys can take whole.
        current = 0;
        const std::string far = MakeMoveKeys(100000, current);
        QVERIFY(far.size() <= 254);
        QCOMPARE(far.back(), '\r');
        QCOMPARE(current, 100000);
    }

    void defaultWalkAnswersMenuEntriesByTable_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("keys");
        const int enter[] = {2003, 3005, 4001, 5003, 6004, 7001, 8001, 9001, 11003, 15003};
        const int tab[] = {2001, 2002, 3001, 3002, 3003, 3004,  4002,  4003,  4004, 4005, 5001,
                           5002, 6001, 6002, 6003, 7002, 7003,  7004,  7005,  8002, 8003, 8004,
                           8005, 9002, 9003, 9004, 9005, 11001, 11002, 15001, 15002};
        for (int v : enter)
            QTest::addRow("%d", v) << v << QStringLiteral("\r");
        for (int v : tab)
            QTest::addRow("%d", v) << v << QStringLiteral("\t");
    }
    void defaultWalkAnswersMenuEntriesByTable() {
        QFETCH(int, value);
        QFETCH(QString, keys);
        ScriptedLink link;
        QVERIFY(link.opened());
        // The table decides for its own values, whatever the line says.
        DefaultPageAction(value, value % 1000 == 1 ? "<Quit>" : "RETURN TO MAIN");
        QCOMPARE(QString::fromStdString(link.takeQueued()), keys);
    }

    void defaultWalkReadsTheTextOfOtherEntries() {
        ScriptedLink link;
        QVERIFY(link.opened());
        struct Case {
            int32_t value;
            const char* text;
            const std::string& keys;
        } cases[] = {
            {-1, "Press ESC to return to the main menu", kEnter}, // any letter case
            {-1, "<Return To Previous Menu>", kEnter},
            {-1, "<quit>", kTab}, // case-sensitive
            {-1, "<Quit>", kEnter},
            {-1, "Exit this screen", kEnter},
            {-1, "exit this screen", kTab},
            {0, "", kTab},
            {1, "<Quit>", kEnter},
            {4006, "Saving ...", kTab}, // a 4xxx value outside the table
            {15004, " <Quit> ", kEnter},
            {-1, nullptr, kTab},
        };
        for (const Case& c : cases) {
            DefaultPageAction(c.value, c.text);
            QCOMPARE(link.takeQueued(), c.keys);
        }
    }

    void selfTestLinesWithoutStartWindowDoNothing() {
        ScriptedLink link;
        DefaultPageAction(2, "OK");
        DefaultPageAction(14, "OK");
        AddInitLine("label", "text");
        QCOMPARE(link.takeQueued(), std::string());
    }

    void selfTestLinesFillTheStartWindowFreshOnEachBoot() {
        ScriptedLink link;
        new TfrmWelcome;
        frmWelcome->memInit->setPlainText(QStringLiteral("old boot"));
        DefaultPageAction(2, "OK");
        DefaultPageAction(3, "OK");
        DefaultPageAction(14, "FAIL");
        QCOMPARE(InitLines(), QStringLiteral("Switch Register R/W Test .... OK\n"
                                             "PHY Register R/W Test ....... OK\n"
                                             "Vlan Initialize ............. FAIL"));
        QVERIFY(frmWelcome->isVisible());
        QCOMPARE(CurrentForm, int32_t(FORM_WELCOME));
        QCOMPARE(link.takeQueued(), std::string()); // self-test lines type nothing
        for (int v = 2; v <= 14; ++v)
            QCOMPARE(int(std::strlen(SelfTestLabel(v))), 30);
        QVERIFY(SelfTestLabel(1) == nullptr && SelfTestLabel(15) == nullptr);
    }

    void versionIsAssembledFromTheThreeLines_data() {
        QTest::addColumn<QString>("firmware");
        QTest::addColumn<QString>("revision");
        QTest::addColumn<QString>("hardware");
        QTest::addColumn<QString>("expected");
        QTest::newRow("switch") << "1.02 (Jul 12 2004)"
                                << "a"
                                << "A1"
                                << "1.02a - A1 ";
        QTest::newRow("leading blank") << " 1.02 (x)"
                                       << "a"
                                       << "A1"
                                       << "?a - A1 ";
        QTest::newRow("no blank") << "1.02"
                                  << ""
                                  << "B"
                                  << "? - B ";
        QTest::newRow("empty") << ""
                               << ""
                               << ""
                               << "? -  ";
        // The buffer keeps 11 characters; the rest is cut off.
        QTest::newRow("long first word") << "1.02.0003.456 (x)"
                                         << "b"
                                         << "A1"
                                         << "1.02.0003.4";
        QTest::newRow("long tail") << "1.02 (x)"
                                   << "rev"
                                   << "HW-1234"
                                   << "1.02rev - H";
    }
    void versionIsAssembledFromTheThreeLines() {
        QFETCH(QString, firmware);
        QFETCH(QString, revision);
        QFETCH(QString, hardware);
        QFETCH(QString, expected);
        std::memcpy(VersionText, "garbage!!!", 11);
        VersionLine(2011, firmware.toLatin1().constData());
        VersionLine(2012, revision.toLatin1().constData());
        VersionLine(2013, hardware.toLatin1().constData());
        QCOMPARE(QString::fromLatin1(VersionText), expected);
        // A second main-menu screen replaces the version, never extends it.
        VersionLine(2011, "2.0 (y)");
        QCOMPARE(QString::fromLatin1(VersionText), QStringLiteral("2.0"));
    }
};

QTEST_MAIN(UiSharedTest)
#include "ui_shared_test.moc"
