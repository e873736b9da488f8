// The start window's connect phase over a scripted serial line: a port that
// cannot be opened, the 20-second countdown on a silent line, the first
// console line stopping it, the exit confirmation, and a console whose screen
// does not start as expected.
#include "engine/KeyOutput.h"
#include "engine/LineFraming.h"
#include "engine/PageTable.h"
#include "engine/SerialLink.h"
#include "forms/FormRefs.h"
#include "forms/Messageform.h"
#include "forms/Welcomeform.h"
#include "platform/MemorySerial.h"
#include "platform/SerialDevice.h"
#include "platform/Ui.h"
#include "shared/Publicunit.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <string>
#include <vector>

namespace {

struct Box {
    QString text, caption;
    int buttons;
};

} // namespace

class UiConnectTest : public QObject {
    Q_OBJECT

    platform::VirtualClock clock_;
    std::unique_ptr<platform::ScriptedEndpoint> peer_;
    std::vector<Box> boxes_;
    int answer_ = platform::IDNO;
    std::string onlyPath_;

    TfrmWelcome* welcome() { return frmWelcome.get(); }

    // Runs the reader by hand for `cycles` reads and handles what it posted.
    void step(int cycles) {
        for (int i = 0; i < cycles; ++i) {
            StepComThread();
            QCoreApplication::sendPostedEvents();
        }
    }

private slots:
    void init() {
        ResetSharedState();
        ResetScreenStartCheck();
        ResetKeyOutput();
        ResetLinkFlushCountdown();
        TForm::ResetActiveForm();
        boxes_.clear();
        answer_ = platform::IDNO;
        onlyPath_.clear();
        peer_ = std::make_unique<platform::ScriptedEndpoint>();
        platform::SetMessageBoxHandler([this](const QString& t, const QString& c, int b) {
            boxes_.push_back({t, c, b});
            return b == platform::MB_YESNO ? answer_ : int(platform::IDOK);
        });
        platform::SetSerialDeviceFactory([this] {
            auto device = std::make_unique<platform::MemorySerialDevice>(clock_, *peer_);
            device->onlyPath = onlyPath_;
            return device;
        });
        SetManualStepping(true);
        new TfrmWelcome;
        welcome()->Show();
    }
    void cleanup() {
        if (IsLinkOpen()) CloseComPort();
        DestroyParser();
        CloseBusyBox();
        frmWelcome.clear();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        platform::SetSerialDeviceFactory(nullptr);
        platform::SetMessageBoxHandler(nullptr);
    }

    void portThatCannotBeOpenedLeavesTheWindowIdle() {
        onlyPath_ = "/nonexistent/only-this-one";
        welcome()->btnConnect->click();
        QCOMPARE(boxes_.size(), size_t(1));
        QCOMPARE(boxes_[0].caption, LangText(1227));
        QVERIFY(welcome()->isEnabled());
        QVERIFY(welcome()->btnConnect->isEnabled());
        QVERIFY(!welcome()->tmrConnect->isActive());
        QVERIFY(frmMessage.get() == nullptr);
        QVERIFY(GetComThread() == nullptr);
        QCOMPARE(TargetForm, 0);
    }

    void silentLineTimesOutAfterTwentyTicks() {
        welcome()->cboComPort->setCurrentIndex(2);
        welcome()->btnConnect->click();
        QVERIFY(IsLinkOpen());
        QVERIFY(welcome()->tmrConnect->isActive());
        QVERIFY(!welcome()->isEnabled());
        QCOMPARE(TargetForm, int32_t(FORM_LOGIN));
        QVERIFY(frmMessage.get() != nullptr);
        const std::string prefix = std::string(GetLangText(1260)) + "\n\n";
        QCOMPARE(BusyText, prefix + "20");
        QCOMPARE(GetSerialPort() != nullptr, true);

        // The connect keys go out one per quiet read.
        step(6);
        QCOMPARE(peer_->written, std::string("n\x01\x1b\t"));

        for (int tick = 1; tick <= 19; ++tick) {
            welcome()->tmrConnectTimer();
            QCOMPARE(BusyText, prefix + std::to_string(20 - tick));
            QVERIFY(frmMessage.get() != nullptr);
            QCOMPARE(frmMessage->lblMsg1->text(), DecodeText(BusyText));
            QVERIFY(boxes_.empty());
        }
        welcome()->tmrConnectTimer();
        QCOMPARE(BusyText, prefix + "0");
        QCOMPARE(boxes_.size(), size_t(1));
        const std::string text =
            std::string(GetLangText(1309)) + "\n" + GetLangText(1310) + "\n" + GetLangText(1311);
        QCOMPARE(boxes_[0].text, DecodeText(text));
        QCOMPARE(boxes_[0].caption, LangText(1223));
        QCOMPARE(boxes_[0].buttons, int(platform::MB_OK));
        QVERIFY(!IsLinkOpen());
        QVERIFY(GetParser() == nullptr);
        QVERIFY(!welcome()->tmrConnect->isActive());
        QVERIFY(frmMessage.get() == nullptr);
        QVERIFY(welcome()->isEnabled());
        QVERIFY(welcome()->btnConnect->isEnabled());

        // Connect is usable again.
        welcome()->btnConnect->click();
        QVERIFY(IsLinkOpen());
        QVERIFY(welcome()->tmrConnect->isActive());
    }

    void anyConsoleLineStopsTheCountdown() {
        welcome()->btnConnect->click();
        QVERIFY(welcome()->tmrConnect->isActive());
        peer_->push("some noise nobody knows\r", clock_.nowUs());
        step(1);
        QVERIFY(!welcome()->tmrConnect->isActive());
        QVERIFY(IsLinkOpen());
        // The default walk answered the unknown line with Tab, which replaced
        // the connect keys before any of them went out.
        step(4);
        QCOMPARE(peer_->written, std::string("\t"));
        QVERIFY(boxes_.empty());
    }

    void consoleMessagesOtherThanLinesChangeNothing() {
        welcome()->btnConnect->click();
        const int32_t before = CurrentForm;
        platform::PostConsoleMessage(welcome(), WM_CONSOLE_PAGE, 0, 4);
        platform::PostConsoleMessage(welcome(), WM_CONSOLE_KEY, 0, -3);
        QCoreApplication::sendPostedEvents();
        QVERIFY(welcome()->tmrConnect->isActive()); // not a line: the countdown goes on
        QCOMPARE(CurrentForm, before);
        QVERIFY(boxes_.empty());
    }

    void exitAsksAndNoKeepsTheLink() {
        welcome()->btnConnect->click();
        step(1);
        // The window is disabled while connecting; the title bar's close
        // button still reaches it.
        answer_ = platform::IDNO;
        welcome()->Close();
        QCOMPARE(boxes_.size(), size_t(1));
        QCOMPARE(boxes_[0].caption, LangText(1210));
        QCOMPARE(boxes_[0].buttons, int(platform::MB_YESNO));
        QVERIFY(welcome()->isVisible());
        QVERIFY(IsLinkOpen());
        QVERIFY(!welcome()->Freed());

        answer_ = platform::IDYES;
        welcome()->Close();
        QVERIFY(!IsLinkOpen());
        QVERIFY(GetParser() == nullptr);
        QVERIFY(welcome()->Freed());
    }

    void garbageFromTheLineIsSurvived() {
        // Random bytes, over-long lines, stray cursor moves and zero bytes:
        // whatever the router makes of them, nothing may crash or hang, and
        // the countdown stops at the first line.
        welcome()->btnConnect->click();
        std::string noise;
        uint32_t seed = 12345;
        for (int i = 0; i < 6000; ++i) {
            seed = seed * 1103515245u + 12345u;
            noise += static_cast<char>((seed >> 16) & 0xFF);
            if (i % 700 == 0) noise += "\x1b[24;02H<Quit>\x1b[01;36HMain Menu";
            if (i % 900 == 0) noise += std::string(300, 'x') + "\r";
        }
        peer_->push(noise, clock_.nowUs());
        step(400);
        QVERIFY(!welcome()->tmrConnect->isActive());
        QVERIFY(boxes_.empty());
        QVERIFY(IsLinkOpen()); // all of it was read: no clear screen in it
        QCOMPARE(peer_->nextOutputTime(), platform::LineEndpoint::kNever);
    }

    void unexpectedScreenStartQuitsSilentlyOnce() {
        welcome()->btnConnect->click();
        // A clear screen followed by something other than the two bare
        // cursor moves: the program is not talking to the switch it knows.
        peer_->push("\x1b[2J\x1b[05;10HHello\x1b[06;10HWorld\x1b[07;01H", clock_.nowUs());
        QTimer::singleShot(0, this, [this] { step(2); });
        QTimer watchdog;
        watchdog.setSingleShot(true);
        connect(&watchdog, &QTimer::timeout, this, [] { QCoreApplication::exit(1); });
        watchdog.start(5000);
        const int result = QCoreApplication::exec();
        QCOMPARE(result, 0); // ended by the program's quit, not by the watchdog
        QVERIFY(welcome()->QuitPosted);
        QVERIFY(!IsLinkOpen());
        QVERIFY(boxes_.empty());
        QVERIFY(welcome()->isVisible());
    }
};

QTEST_MAIN(UiConnectTest)
#include "ui_connect_test.moc"
