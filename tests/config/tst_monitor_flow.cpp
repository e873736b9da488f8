// The console monitor over a whole session against the simulated switch:
// the lines as they arrive, the typed passwords shown as '*' (login and the
// misc window's three boxes) while the switch still gets them, Copy, and
// that looking at the monitor never types nor re-runs a window's activation.
#include "forms/Memoform.h"
#include "tests/config/ConfigSession.h"

#include <QApplication>
#include <QClipboard>
#include <QPlainTextEdit>
#include <QtTest>

namespace {

constexpr char kLoginPassword[] = "Pw4login";
constexpr char kNewPassword[] = "Nw9secret";

bool ConnectAs(ConfigSession& s, const char* user, const char* password) {
    sim::Options o;
    o.initial = sim::FactoryState();
    o.initial->user = user;
    o.initial->password = password;
    s.h = std::make_unique<LinkHarness>(std::move(o));
    new TfrmWelcome;
    frmWelcome->Show();
    frmWelcome->btnConnect->click();
    return s.h->runUntil([] { return Up(frmLogin.get()); }, 20000) && s.LogIn(user, password);
}

} // namespace

class MonitorFlowTest : public QObject {
    Q_OBJECT

private slots:
    void passwordsMaskedLinesShown() {
        ConfigSession s;
        frmMemo.set(new TfrmMemo);
        QVERIFY(ConnectAs(s, "root", kLoginPassword));
        const std::string typedAtLogin = s.Typed();
        QVERIFY(typedAtLogin.find(kLoginPassword) != std::string::npos); // the switch got it
        QPlainTextEdit* memo = frmMemo->Memo1;
        QString text = memo->toPlainText();
        QVERIFY(!text.contains(kLoginPassword));
        QVERIFY2(text.contains("> ********<CR>"), qPrintable(text));
        QVERIFY(text.contains("> <BS>root<CR>"));
        // Lines of the switch as a reader sees them, without cursor moves.
        QVERIFY(text.contains("Please enter your user name and password."));
        QVERIFY(!text.contains(QChar(0x1b)));

        QVERIFY(s.ToStaticMenu() && s.OpenMiscWindow());
        frmMiscConfigX->edtOldPassword->setText(kLoginPassword);
        frmMiscConfigX->edtNewPassword->setText(kNewPassword);
        frmMiscConfigX->edtPasswordAgain->setText(kNewPassword);
        frmMiscConfigX->btnSave->click();
        QVERIFY(s.StaticMenuBack());
        QCOMPARE(s.sim().state().password, std::string(kNewPassword));
        text = memo->toPlainText();
        QVERIFY(!text.contains(kLoginPassword) && !text.contains(kNewPassword));
        // The switch echoes each key, so the typed keys come in pieces.
        QVERIFY(text.contains("> root<TAB>"));
        QCOMPARE(text.count("> ********<TAB>"), 1);
        QCOMPARE(text.count("> *********<TAB>"), 2);

        frmMemo->btnCopyClick();
        QCOMPARE(QApplication::clipboard()->text(), memo->toPlainText());
    }

    // F12 shows the monitor; clicking into it and back into the misc window
    // keeps the edits there (no activation ran) and types nothing.
    void lookingNeverActivatesNorTypes() {
        ConfigSession s;
        frmMemo.set(new TfrmMemo);
        QVERIFY(s.Open() && s.OpenMiscWindow());
        TfrmMiscConfigX* misc = frmMiscConfigX.get();
        misc->edtUsername->setText("edited");
        s.Typed();
        QVERIFY(!frmMemo->isVisible());
        QTest::keyClick(misc->edtUsername, Qt::Key_F12);
        QVERIFY(frmMemo->isVisible());
        QTest::mouseClick(frmMemo->Memo1->viewport(), Qt::LeftButton);
        QTest::mouseClick(frmMemo->btnCopy, Qt::LeftButton);
        QCOMPARE(TForm::ActiveForm(), static_cast<TForm*>(misc));
        QTest::mouseClick(misc->edtOldPassword, Qt::LeftButton);
        QCOMPARE(misc->edtUsername->text(), QStringLiteral("edited"));
        s.h->runFor(2000);
        QCOMPARE(s.Typed(), std::string());
        frmMemo->close();
        QVERIFY(!frmMemo->isVisible());
        QCOMPARE(TForm::ActiveForm(), static_cast<TForm*>(misc));
        frmMemo.clear();
    }
};

QTEST_MAIN(MonitorFlowTest)
#include "tst_monitor_flow.moc"
