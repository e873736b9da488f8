// The demo path with real threads and real timing: the simulated switch on a
// pseudo-terminal, the real reader thread and termios device, and the
// program's windows, from Connect to the login window and out again.
#include "engine/KeyOutput.h"
#include "engine/LineFraming.h"
#include "engine/PageTable.h"
#include "engine/SerialLink.h"
#include "forms/FormRefs.h"
#include "forms/Loginform.h"
#include "forms/Messageform.h"
#include "forms/Welcomeform.h"
#include "platform/SerialDevice.h"
#include "platform/Ui.h"
#include "shared/Publicunit.h"
#include "sim/PtyServer.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

class UiDemoTest : public QObject {
    Q_OBJECT
private slots:
    void connectsAndLeavesOverARealLine() {
        ResetSharedState();
        ResetScreenStartCheck();
        ResetKeyOutput();
        ResetLinkFlushCountdown();
        int boxes = 0;
        platform::SetMessageBoxHandler([&](const QString&, const QString&, int buttons) {
            ++boxes;
            return buttons == platform::MB_YESNO ? int(platform::IDYES) : int(platform::IDOK);
        });

        sim::PtyServer server;
        std::string error;
        QVERIFY2(server.start(sim::Options{}, std::string(), &error), error.c_str());
        platform::MapPortName("COM1", server.devicePath());

        new TfrmWelcome;
        frmWelcome->Show();
        frmWelcome->btnConnect->click();
        QVERIFY(IsLinkOpen());
        // n, Ctrl-A, ESC at 100 ms each, then the login page at 9600 baud.
        QVERIFY(QTest::qWaitFor(
            [] { return frmLogin.get() && frmLogin->isVisible() && frmMessage.get() == nullptr; },
            10000));
        QCOMPARE(CurrentForm, int32_t(FORM_LOGIN));
        QVERIFY(!frmWelcome->isVisible());
        QCOMPARE(boxes, 0);

        // Exit: confirmed, the reader thread stops and the port closes.
        frmLogin->btnExit->click();
        QCOMPARE(boxes, 1);
        QVERIFY(!IsLinkOpen());
        QVERIFY(GetParser() == nullptr);
        QVERIFY(GetComThread() == nullptr);

        frmLogin.clear();
        frmWelcome.clear();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        server.stop();
        platform::ClearPortMappings();
        platform::SetMessageBoxHandler(nullptr);
    }
};

QTEST_MAIN(UiDemoTest)
#include "ui_demo_test.moc"
