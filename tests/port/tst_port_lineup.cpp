// A port page whose cells do not line up is never written back: one flipped
// bit in a row's cursor position while the port pages are read, once (the
// pages are read round again and come out right) or on every draw of the
// first page (its rows are shown disabled, and Apply passes that page).
#include "engine/KeyOutput.h"
#include "engine/PageTable.h"
#include "forms/FormRefs.h"
#include "forms/Loginform.h"
#include "forms/Mainform.h"
#include "forms/Messageform.h"
#include "forms/PortModel.h"
#include "forms/Portconfigform.h"
#include "forms/SessionEnd.h"
#include "forms/Staticconfigform.h"
#include "forms/Welcomeform.h"
#include "platform/Ui.h"
#include "shared/Publicunit.h"
#include "tests/harness/LinkHarness.h"
#include "tests/harness/ProgramReset.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>
#include <string>

namespace {

QtMessageHandler s_previousHandler = nullptr;
void QuietOffscreen(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("This plugin does not support"))) return;
    if (s_previousHandler) s_previousHandler(type, context, message);
}

bool Up(TForm* f) {
    return f && f->isVisible() && f->isEnabled() && !frmMessage.get() && !IsSendPending();
}

// Turns "\x1b[09;02H" (the name cell of a page's fourth row) into
// "\x1b[09;22H", a place the page table does not know: that row's name is
// lost. `everyTime`: on each draw of the first page, else only once.
class RowFlip {
public:
    explicit RowFlip(bool everyTime) : everyTime_(everyTime) {}
    uint8_t operator()(uint8_t byte) {
        recent_ += char(byte);
        if (recent_.size() > 16) recent_.erase(0, 1);
        // "Page N of 4" closes each draw: after none or the last one, the
        // next page drawn is the first.
        if (recent_.size() >= 11 && recent_.compare(recent_.size() - 11, 5, "Page ") == 0 &&
            recent_.compare(recent_.size() - 5, 5, " of 4") == 0)
            lastPage_ = recent_[recent_.size() - 6];
        const bool armed = everyTime_ ? (lastPage_ == 0 || lastPage_ == '4') : flips_ == 0;
        if (armed && byte == '0' && recent_.size() >= 6 &&
            recent_.compare(recent_.size() - 6, 6, "\x1b[09;0") == 0) {
            ++flips_;
            return '2';
        }
        return byte;
    }
    int flips() const { return flips_; }

private:
    bool everyTime_;
    char lastPage_ = 0;
    int flips_ = 0;
    std::string recent_;
};

} // namespace

class PortLineupTest : public QObject {
    Q_OBJECT

    std::unique_ptr<LinkHarness> h;
    QStringList boxes;

private slots:
    void initTestCase() { s_previousHandler = qInstallMessageHandler(QuietOffscreen); }
    void init() {
        ResetProgramState();
        boxes.clear();
        platform::SetMessageBoxHandler([this](const QString& text, const QString&, int) {
            boxes << text;
            return platform::IDOK;
        });
    }
    void cleanup() {
        h.reset();
        DestroyParser();
        CloseBusyBox();
        frmPortConfig.clear();
        frmStaticConfig.clear();
        frmMain.clear();
        frmLogin.clear();
        frmWelcome.clear();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        platform::SetMessageBoxHandler(nullptr);
    }

    void flippedRowPositionIsNeverWrittenBack_data() {
        QTest::addColumn<bool>("everyTime");
        QTest::newRow("once: read again, written") << false;
        QTest::newRow("every time: first page disabled") << true;
    }
    void flippedRowPositionIsNeverWrittenBack() {
        QFETCH(bool, everyTime);
        h = std::make_unique<LinkHarness>();
        new TfrmWelcome;
        frmWelcome->Show();
        frmWelcome->btnConnect->click();
        QVERIFY(h->runUntil([] { return Up(frmLogin.get()); }, 20000));
        frmLogin->edtUsername->setText("admin");
        frmLogin->edtPassword->setText("admin");
        frmLogin->btnLogin->click();
        QVERIFY(h->runUntil([] { return Up(frmMain.get()); }, 60000));
        frmMain->btnStaticConfig->click();
        QVERIFY(h->runUntil([] { return Up(frmStaticConfig.get()); }, 20000));

        RowFlip flip(everyTime);
        h->line().options().alterOutput = [&flip](uint8_t b) { return flip(b); };
        h->clearKeysTyped();
        const sim::SwitchState before = h->sim().state();
        frmStaticConfig->btnPortConfig->click();
        QVERIFY(h->runUntil([] { return Up(frmPortConfig.get()); }, 60000));
        QVERIFY(flip.flips() >= 1);
        TfrmPortConfig* w = frmPortConfig.get();
        QVERIFY(w->Reread);
        // Two rounds of the four pages.
        QCOMPARE(h->keysTyped(), std::string("\r\b\r\b\r\b\r\b\r\b\r\b\r\b\r\b\r"));
        QCOMPARE(PortTable[3].name, everyTime ? "?" : "PORT4");
        QCOMPARE(PortTable[20].name, "PORT21");
        const bool garbled[4] = {everyTime, false, false, false};
        for (int p = 0; p < 4; ++p)
            QCOMPARE(PortPageGarbled[p], garbled[p]);
        auto* row1 = w->findChild<QFrame*>("pnlP01");
        QCOMPARE(row1->isEnabled(), !everyTime);
        QCOMPARE(w->lblGarbled->isVisible(), everyTime);
        QCOMPARE(w->lblGarbled->text(), MessageText(1343));

        // PORT21 is row 5 of the third page.
        w->btnNextPage->click();
        QVERIFY(!w->lblGarbled->isVisible());
        w->btnNextPage->click();
        QCOMPARE(w->findChild<QLabel*>("lblNameP05")->text(), QStringLiteral("PORT21"));
        w->findChild<QLineEdit*>("edtInRateP05")->setText("300");
        h->clearKeysTyped();
        w->btnSave->click();
        QVERIFY(h->runUntil([this] { return !boxes.isEmpty(); }, 120000));
        sim::SwitchState expected = before;
        expected.ports[20].inRate = 300;
        QVERIFY(h->sim().state() == expected);
        // The first two pages are passed, whatever the first one showed.
        QVERIFY(QString::fromStdString(h->keysTyped()).startsWith("\b\r\b\r\t\r"));
    }
};

QTEST_MAIN(PortLineupTest)
#include "tst_port_lineup.moc"
