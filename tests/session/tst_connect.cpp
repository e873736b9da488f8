// Menu move keys, the default walk's answers, the version text and the start
// window's connect phase over a scripted line; then a session over the
// simulated switch's pseudo-terminal with the real reader thread and timing.
#include "engine/LineFraming.h"
#include "engine/LinkWatchdog.h"
#include "engine/SerialLink.h"
#include "forms/backup/HeadlessRun.h"
#include "forms/session/SessionEnd.h"
#include "forms/widgets/PortBox.h"
#include "lang/Language.h"
#include "platform/MemorySerial.h"
#include "sim/PtyServer.h"
#include "tests/harness/WindowTest.h"

#include <QLabel>
#include <QTimer>
#include <QtTest>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

// A line whose device reports `fault` once it is set.
class FaultyDevice : public platform::MemorySerialDevice {
public:
    FaultyDevice(platform::VirtualClock& clock, platform::LineEndpoint& peer,
                 const platform::SerialDevice::LineFault& fault)
        : MemorySerialDevice(clock, peer), fault_(fault) {}
    LineFault lineFault() override { return fault_; }

private:
    const platform::SerialDevice::LineFault& fault_;
};

} // namespace

class ConnectTest : public QObject {
    Q_OBJECT

    platform::VirtualClock clock_;
    std::unique_ptr<platform::ScriptedEndpoint> peer_;
    MessageBoxes boxes_;
    std::string onlyPath_;

    // Runs the reader by hand for `cycles` reads and handles what it posted.
    void step(int cycles) {
        for (int i = 0; i < cycles; ++i) {
            StepComThread();
            QCoreApplication::sendPostedEvents();
        }
    }
    // The keys SendKeys queued since the last call ("" when none).
    static std::string TakeQueued() {
        ComThread* thread = GetComThread();
        if (thread == nullptr || !thread->sendPending.load()) return {};
        std::string keys(thread->sendBuffer);
        thread->sendPending.store(false);
        std::memset(thread->sendBuffer, 0, sizeof thread->sendBuffer);
        return keys;
    }
    // No session left: the start window is usable and Connect starts afresh.
    static void VerifyIdle() {
        QVERIFY(!IsLinkOpen() && frmMessage.get() == nullptr);
        QVERIFY(frmWelcome->isVisible() && frmWelcome->isEnabled());
        QVERIFY(frmWelcome->btnConnect->isEnabled() && !frmWelcome->tmrConnect->isActive());
    }

private slots:
    void init() {
        steps::BeginCase(boxes_);
        onlyPath_.clear();
        peer_ = std::make_unique<platform::ScriptedEndpoint>();
        platform::SetSerialDeviceFactory([this] {
            auto device = std::make_unique<platform::MemorySerialDevice>(clock_, *peer_);
            device->onlyPath = onlyPath_;
            return device;
        });
        SetManualStepping(true);
        steps::ShowWelcome();
    }
    void cleanup() { steps::EndSession(); }

    // The moves of real menus are checked by the keys the window flows type
    // (tests/vlan/tst_vlan_flow.cpp moves back two, forward three, stays).
    // A distance no menu has still yields a text SendKeys can take whole.
    void moveKeysStayWithinTheSendBuffer() {
        int32_t current = 0;
        const std::string far = MakeMoveKeys(100000, current);
        QVERIFY(far.size() <= 254 && far.back() == '\r');
        QCOMPARE(current, 100000);
    }

    // The walk answers Enter on a screen's way out and Tab elsewhere, and
    // types nothing for self-test lines. That these answers lead from every
    // item of every screen to the login page is checked against the
    // simulated switch (tests/sim/sim_walk_test.cpp); here a few values the
    // table knows, and the text rules for the lines it does not.
    void defaultWalkAnswers() {
        QCOMPARE(OpenComPort(1), 1); // a send buffer for SendKeys to fill
        // Values the table knows decide, whatever the line says; for the
        // others Enter on an exit text ("RETURN TO" in any letter case,
        // "<Quit>" and "Exit this" exactly), Tab otherwise.
        const struct {
            const char* name;
            int32_t value;
            const char *text, *keys; // text null: no text at all
        } rows[] = {{"main menu Logout", 2003, "Saving ...", "\r"},
                    {"port Quit", 4001, "Edit", "\r"},
                    {"restart Previous Menu", 15003, "", "\r"},
                    {"main menu Static", 2001, "<Quit>", "\t"},
                    {"port Next Page", 4005, "Exit this", "\t"},
                    {"restart Factory Default", 15001, "Return to", "\t"},
                    {"return to, sentence case", -1, "Press ESC to return to the main menu", "\r"},
                    {"return to, title case", -1, "<Return To Previous Menu>", "\r"},
                    {"quit, lower case", -1, "<quit>", "\t"},
                    {"exit this", -1, "Exit this screen", "\r"},
                    {"exit this, lower case", -1, "exit this screen", "\t"},
                    {"empty", 0, "", "\t"},
                    {"quit on the login page", 1, "<Quit>", "\r"},
                    {"saving message", 4006, "Saving ...", "\t"},
                    {"quit with blanks", 15004, " <Quit> ", "\r"},
                    {"no text", -1, nullptr, "\t"},
                    {"first self-test line", 2, "OK", ""},
                    {"last self-test line", 14, "OK", ""}};
        for (const auto& r : rows) {
            DefaultPageAction(r.value, r.text);
            QVERIFY2(TakeQueued() == r.keys, r.name);
        }
    }

    void versionIsAssembledFromTheThreeLines() {
        // The buffer keeps 11 characters.
        const char* rows[][5] = {{"no first word", " 1.02 (x)", "a", "A1", "?a - A1 "},
                                 {"empty lines", "", "", "", "? -  "},
                                 {"long firmware", "1.02.0003.456 (x)", "b", "A1", "1.02.0003.4"},
                                 {"long hardware", "1.02 (x)", "rev", "HW-1234", "1.02rev - H"}};
        for (const auto& r : rows) {
            std::memcpy(VersionText, "garbage!!!", 11);
            for (int line = 0; line < 3; ++line)
                VersionLine(2011 + line, r[1 + line]);
            QVERIFY2(std::string(VersionText) == r[4], r[0]);
            // A second main-menu screen replaces the version, never extends it.
            VersionLine(2011, "2.0 (y)");
            QCOMPARE(std::string(VersionText), std::string("2.0"));
        }
    }

    // Console lines are handled while a question is open; one that drops
    // the restart window (a switch reboot reaching the login page) leaves
    // an answer with nothing to act on.
    void restartWindowDroppedWhileItsQuestionIsOpen() {
        boxes_.whileShown = [] {
            frmRestartConfig.clear();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        };
        for (int which = 0; which < 2; ++which) {
            frmRestartConfig.set(new TfrmRestartConfig);
            QPointer<TfrmRestartConfig> w = frmRestartConfig.get();
            w->Show();
            (which == 0 ? w->btnDefault : w->btnRestart)->click();
            QVERIFY(w.isNull() && !Restarting && frmMessage.get() == nullptr);
        }
    }

    // --- the start window's connect phase ---

    void portThatCannotBeOpenedLeavesTheWindowIdle() {
        onlyPath_ = "/nonexistent/only-this-one";
        frmWelcome->btnConnect->click();
        QCOMPARE(boxes_.size(), 1);
        QCOMPARE(boxes_[0].caption, LangText(1227));
        QVERIFY(frmWelcome->isEnabled() && frmWelcome->btnConnect->isEnabled());
        QVERIFY(!frmWelcome->tmrConnect->isActive());
        QVERIFY(frmMessage.get() == nullptr && GetComThread() == nullptr && TargetForm == 0);
        // No link left half-open: the port list goes on following the devices.
        QVERIFY(!IsLinkOpen());
    }

    // A read error of the device ends the session with its own reason.
    void readErrorHasItsOwnMessage() {
        auto now = platform::SerialDevice::LineFault::None;
        platform::SetSerialDeviceFactory(
            [this, &now] { return std::make_unique<FaultyDevice>(clock_, *peer_, now); });
        frmWelcome->btnConnect->click();
        step(6);
        QVERIFY(boxes_.isEmpty());
        now = platform::SerialDevice::LineFault::Error;
        step(1);
        QCOMPARE(boxes_.pairs(),
                 QStringList({LangText(1223), MessageText(1330, MessageText(1332))}));
        VerifyIdle();
    }

    // A headless run connects to the port its job names, the whole name
    // (COM11 is not COM1), and speaks its own language, whatever the window
    // showed.
    void headlessRunTakesItsPortAndLanguage_data() {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("language");
        QTest::addColumn<int>("windowLanguage");
        QTest::addColumn<int>("languageId");
        QTest::newRow("COM11, English over Traditional Chinese") << "COM11"
                                                                 << "en" << 2 << int(kLangEnglish);
        QTest::newRow("COM1, Simplified Chinese") << "COM1"
                                                  << "cn" << 0 << int(kLangChineseSimplified);
        QTest::newRow("COM99, Traditional Chinese") << "COM99"
                                                    << "tw" << 1 << int(kLangChineseTraditional);
    }
    void headlessRunTakesItsPortAndLanguage() {
        QFETCH(QString, port);
        QFETCH(QString, language);
        QFETCH(int, windowLanguage);
        QFETCH(int, languageId);
        for (const char* number : {"1", "11", "99"})
            platform::MapPortName(std::string("COM") + number,
                                  std::string("/dev/ttyTEST") + number);
        frmWelcome->ports->Refresh(); // the box lists them; the run selects its port there
        frmWelcome->cboLang->setCurrentIndex(windowLanguage);
        // Only the device of the job's port opens.
        onlyPath_ = "/dev/ttyTEST" + port.mid(3).toStdString();
        HeadlessJob job;
        job.port = port;
        job.language = language;
        char* text = nullptr;
        size_t size = 0;
        FILE* log = open_memstream(&text, &size);
        {
            HeadlessRun run(job, log);
            run.Start(false, false);
            QVERIFY(!run.finished() && IsLinkOpen());
            QCOMPARE(LanguageId, languageId);
        }
        std::fclose(log);
        const QString lines = QString::fromLocal8Bit(text, qsizetype(size));
        std::free(text);
        QCOMPARE(lines, QStringLiteral("connecting on %1\n").arg(port));
    }

    // Lines the table does not know (random bytes, over-long lines, zero
    // bytes: nothing may crash or hang) get the default walk's Tab but do
    // not stop the countdown, as a device speaking something else is no
    // switch: they end in the time-out message like a silent line. A line
    // the table knows does stop it.
    void connectTimesOutAfterTwentyTicks_data() {
        QTest::addColumn<bool>("garbage");
        QTest::newRow("silent line") << false;
        QTest::newRow("garbage") << true;
    }
    void connectTimesOutAfterTwentyTicks() {
        QFETCH(bool, garbage);
        frmWelcome->cboComPort->setCurrentIndex(2);
        frmWelcome->btnConnect->click();
        QVERIFY(IsLinkOpen() && frmWelcome->tmrConnect->isActive() && !frmWelcome->isEnabled());
        QCOMPARE(TargetForm, int32_t(FORM_LOGIN));
        if (garbage) {
            std::string noise;
            uint32_t seed = 12345;
            for (int i = 0; i < 6000; ++i) {
                seed = seed * 1103515245u + 12345u;
                noise += static_cast<char>((seed >> 16) & 0xFF);
                if (i % 900 == 0) noise += std::string(300, 'x') + "\r";
            }
            peer_->push(noise, clock_.nowUs());
            step(400);
            QCOMPARE(peer_->nextOutputTime(), platform::LineEndpoint::kNever); // all read
            QVERIFY(!peer_->written.empty() && peer_->written.back() == '\t'); // answered
        } else {
            step(6); // the connect keys go out one per quiet read
            QCOMPARE(peer_->written, std::string("n\x01\x1b\t"));
        }
        const std::string prefix = std::string(GetLangText(1260)) + "\n\n";
        for (int tick = 0; tick <= 20; ++tick) {
            if (tick > 0) frmWelcome->tmrConnectTimer();
            QCOMPARE(BusyText, prefix + std::to_string(20 - tick));
            if (tick == 20) break;
            QCOMPARE(frmMessage->lblMsg1->text(), DecodeText(BusyText));
            QVERIFY(boxes_.isEmpty());
        }
        const std::string text =
            std::string(GetLangText(1309)) + "\n" + GetLangText(1310) + "\n" + GetLangText(1311);
        QCOMPARE(boxes_.pairs(), QStringList({LangText(1223), DecodeText(text)}));
        VerifyIdle();
        QVERIFY(GetParser() == nullptr);

        boxes_.clear();
        frmWelcome->btnConnect->click();
        QVERIFY(IsLinkOpen() && frmWelcome->tmrConnect->isActive());
        peer_->push("\x1b[01;24H24+2 Port Managed Ethernet Switch\x1b", clock_.nowUs());
        step(4);
        QVERIFY(!frmWelcome->tmrConnect->isActive() && boxes_.isEmpty());
    }

    // A clear screen followed by something other than the two bare cursor
    // moves: not the switch the program knows. The session ends and says so.
    void unexpectedScreenStartEndsTheSession() {
        frmWelcome->btnConnect->click();
        peer_->push("\x1b[2J\x1b[05;10HHello\x1b[06;10HWorld\x1b[07;01H", clock_.nowUs());
        step(2);
        QCOMPARE(boxes_.pairs(), QStringList({LangText(1223), MessageText(1334)}));
        VerifyIdle();
        QVERIFY(GetParser() == nullptr);
    }

    // Connect, login, logout and Exit with the real reader thread and timing;
    // then the simulator stops under the login window (its end of the
    // terminal closed): the session ends at once with the hang-up message,
    // and a simulator started again is connected to without restarting.
    void realLineLoginHangUpAndReconnect() {
        platform::SetSerialDeviceFactory(nullptr);
        SetManualStepping(false);
        // The switch answers as fast as the pseudo-terminal carries it (the
        // program's timing at 9600 baud is what scripts/bench measures).
        sim::Options fast;
        fast.pacing = false;
        fast.loginPauseMs = 0;
        auto server = std::make_unique<sim::PtyServer>();
        std::string error;
        auto connect = [&] {
            QVERIFY2(server->start(fast, std::string(), &error), error.c_str());
            platform::MapPortName("COM1", server->devicePath());
            frmWelcome->btnConnect->click();
            QVERIFY(QTest::qWaitFor([] { return steps::Shown(frmLogin.get()); }, 10000));
        };
        connect();
        // The rest of the login page and of the connect keys, as a user
        // would wait for them (six of the page's lines are recognised).
        QVERIFY(QTest::qWaitFor([] { return frmLogin->LoginPromptCount >= 6 && !IsSendPending(); },
                                10000));
        steps::EnterAccount();
        QVERIFY(QTest::qWaitFor(steps::MainUp, 30000));
        QCOMPARE(frmMain->lblVersion->text(), QStringLiteral("Version: 1.02a - A1 "));
        frmMain->Close(); // logs out
        QVERIFY(QTest::qWaitFor([] { return frmLogin->isVisible() && !frmMain.exists(); }, 10000));

        server->stop();
        QVERIFY(QTest::qWaitFor([this] { return !boxes_.isEmpty(); }, 5000));
        QCOMPARE(boxes_.pairs(), QStringList({LangText(1223), LinkFaultMessage(LinkFaultHungUp)}));
        VerifyIdle();
        QVERIFY(!frmLogin.exists());
        boxes_.clear();
        server = std::make_unique<sim::PtyServer>();
        connect();
        // Exit: the reader thread stops and the port closes.
        frmLogin->btnExit->click();
        QCOMPARE(boxes_.pairs(), QStringList({LangText(1210), LangText(1300)}));
        QVERIFY(!IsLinkOpen() && GetParser() == nullptr && GetComThread() == nullptr);
    }
};

QTEST_MAIN(ConnectTest)
#include "tst_connect.moc"
