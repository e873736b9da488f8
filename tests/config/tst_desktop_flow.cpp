// What a desktop user expects besides the console: Logout can disconnect
// and go back to the Welcome window; Exit on a configuration window with
// changes not applied asks first.
#include "tests/config/ConfigSession.h"

#include <QtTest>

class DesktopFlowTest : public QObject {
    Q_OBJECT

    int answer_ = platform::IDYES;
    QStringList asked_;

    void answerWith(int answer) {
        answer_ = answer;
        asked_.clear();
        platform::SetMessageBoxHandler([this](const QString& text, const QString&, int buttons) {
            asked_ << text;
            return buttons == platform::MB_YESNO ? answer_ : int(platform::IDOK);
        });
    }

private slots:
    void logoutOffersToDisconnect_data() {
        QTest::addColumn<int>("answer");
        QTest::newRow("Yes: Welcome window, disconnected") << int(platform::IDYES);
        QTest::newRow("No: the login window") << int(platform::IDNO);
    }
    void logoutOffersToDisconnect() {
        QFETCH(int, answer);
        ConfigSession s;
        QVERIFY(s.Connect());
        answerWith(answer);
        frmMain->btnLogout->click();
        QCOMPARE(asked_, QStringList{LangText(1386).trimmed()});
        // Either way the account is logged out on the switch first.
        if (answer == platform::IDYES) {
            QVERIFY(s.h->runUntil([] { return !IsLinkOpen(); }, 30000));
            QVERIFY(frmWelcome->isVisible() && frmWelcome->btnConnect->isEnabled());
            QVERIFY(!frmLogin.exists() && !frmMain.exists());
            QCOMPARE(s.sim().where(), std::string("login"));
            QCOMPARE(asked_.size(), 1); // no message at the end
            // Connect again, to this switch or another one.
            frmWelcome->btnConnect->click();
            QVERIFY(s.h->runUntil([] { return Up(frmLogin.get()); }, 20000));
            QVERIFY(s.LogIn("admin", "admin"));
        } else {
            QVERIFY(s.h->runUntil([] { return Up(frmLogin.get()); }, 30000));
            QVERIFY(IsLinkOpen() && !frmWelcome->isVisible());
        }
    }

    // Misc: an edit, Exit, No keeps the window and types nothing; Yes leaves.
    void miscExitAsksAboutChanges() {
        ConfigSession s;
        QVERIFY(s.Open() && s.OpenMiscWindow());
        answerWith(platform::IDNO);
        s.Typed();
        frmMiscConfigX->btnQuit->click(); // nothing changed: no question
        QVERIFY(asked_.isEmpty());
        QVERIFY(s.StaticMenuBack() && s.OpenMiscWindow());
        frmMiscConfigX->edtNewPassword->setText("x");
        s.Typed();
        frmMiscConfigX->btnQuit->click();
        QCOMPARE(asked_, QStringList{LangText(1387).trimmed()});
        s.h->runFor(1000);
        QVERIFY(Up(frmMiscConfigX.get()));
        QCOMPARE(s.Typed(), std::string());
        QCOMPARE(frmMiscConfigX->edtNewPassword->text(), QStringLiteral("x"));
        answer_ = platform::IDYES;
        frmMiscConfigX->close(); // the title bar's close asks too
        QCOMPARE(asked_.size(), 2);
        QVERIFY(s.StaticMenuBack() && !frmMiscConfigX.exists());
        QCOMPARE(s.Typed(), std::string("\b\r"));
    }

    void trunkExitAsksAboutChanges() {
        ConfigSession s;
        QVERIFY(s.Open() && s.OpenTrunkWindow());
        answerWith(platform::IDNO);
        QTest::mouseClick(TrunkCell(2, 3), Qt::LeftButton);
        s.Typed();
        frmTrkConfig->btnQuit->click();
        QCOMPARE(asked_, QStringList{LangText(1387).trimmed()});
        QVERIFY(Up(frmTrkConfig.get()));
        QCOMPARE(s.Typed(), std::string());
        answer_ = platform::IDYES;
        frmTrkConfig->btnQuit->click();
        QVERIFY(s.StaticMenuBack() && !frmTrkConfig.exists());
    }

    // The port window asks about the page on show and about pages left
    // earlier, and not once the switch has reported an Apply.
    void portExitAsksAboutChanges() {
        ConfigSession s;
        QVERIFY(s.Open());
        QVERIFY(s.OpenPortWindow());
        answerWith(platform::IDNO);
        auto* outRate = frmPortConfig->findChild<QLineEdit*>("edtOutRateP03");
        outRate->setText("55");
        s.Typed();
        frmPortConfig->btnQuit->click();
        QCOMPARE(asked_, QStringList{LangText(1387).trimmed()});
        QVERIFY(Up(frmPortConfig.get()));
        QCOMPARE(s.Typed(), std::string());
        frmPortConfig->btnNextPage->click(); // the change now sits on a page left
        frmPortConfig->btnQuit->click();
        QCOMPARE(asked_.size(), 2);
        frmPortConfig->btnSave->click();
        QVERIFY(s.StaticMenuBack() && !frmPortConfig.exists());
        // Only the completion message came after: closing asked nothing.
        QCOMPARE(asked_.count(LangText(1387).trimmed()), 2);
        QCOMPARE(asked_.size(), 3);
        QCOMPARE(s.h->sim().state().ports[2].outRate, 55);
    }
};

QTEST_MAIN(DesktopFlowTest)
#include "tst_desktop_flow.moc"
