// The port window end to end: the real windows (offscreen) and engine against
// the simulated switch, edits made through the controls, the switch's stored
// state checked afterwards.
#include "tests/harness/ProgramReset.h"
#include "tests/harness/WindowSteps.h"

#include <QCheckBox>
#include <QComboBox>
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

using steps::Up;

struct Box {
    QString text, caption;
};

// Enter on the menu, then BackSpace, Enter for pages 2, 3, 4 and page 1 again.
const std::string kReadKeys = "\r\b\r\b\r\b\r\b\r";

} // namespace

class PortFlowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<LinkHarness> h;
    QList<Box> boxes;
    sim::SwitchState before; // the switch when the window opened

    TfrmPortConfig* win() { return frmPortConfig.get(); }
    template <class T> T* Ctl(const char* base, int row) {
        return win()->findChild<T*>(QStringLiteral("%1%2").arg(QLatin1String(base)).arg(row));
    }
    // Connects, logs in and opens the port window; languageItem as on the
    // start window (0 English, 1 Simplified, 2 Traditional Chinese).
    bool Open(sim::Options options = {}, int languageItem = 0) {
        h = std::make_unique<LinkHarness>(std::move(options));
        return steps::ReachStaticMenu(*h, languageItem) && OpenPortWindow();
    }
    bool OpenPortWindow() {
        h->clearKeysTyped();
        before = h->sim().state();
        return steps::OpenPortWindow(*h);
    }

    // Apply, then run until the window has gone and the static menu is back.
    void ApplyAndFinish() {
        h->clearKeysTyped();
        win()->btnSave->click();
        QVERIFY(!win()->isEnabled());
        QVERIFY(h->runUntil([] { return !frmPortConfig.exists() && Up(frmStaticConfig.get()); },
                            120000));
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].text,
                 DecodeText(std::string(GetLangText(1301)) + "\n" + GetLangText(1302)));
        QCOMPARE(boxes[0].caption, LangText(1211));
        QVERIFY(!Saving);
    }

    void GoForwardTo(int page) {
        for (int from = TablePage; from < page; ++from) // a refused page stays
            win()->btnNextPage->click();
        QCOMPARE(int(TablePage), page);
    }

private slots:
    void initTestCase() { s_previousHandler = qInstallMessageHandler(QuietOffscreen); }
    void cleanupTestCase() { qInstallMessageHandler(s_previousHandler); }
    void init() {
        ResetProgramState();
        boxes.clear();
        platform::SetMessageBoxHandler([this](const QString& text, const QString& caption, int) {
            boxes.append({text, caption});
            return platform::IDOK;
        });
    }
    void cleanup() { steps::EndSession(h); }

    // Read and paging, Exit dropping an edit, then a fresh read and Apply
    // without changes. Under Simplified Chinese a range message stays English.
    void readPageExitAndApplyUnchanged() {
        sim::Options options;
        options.modules = {"1000FX", "NC"};
        QVERIFY(Open(options, 1));
        QCOMPARE(h->keysTyped(), kReadKeys);
        QCOMPARE(int(PortCount), 26);
        Ctl<QLineEdit>("edtInRateP0", 4)->setText("300"); // taken by paging, dropped by Exit
        Ctl<QLineEdit>("edtOutRateP0", 2)->setText("1001");
        win()->btnNextPage->click();
        QCOMPARE(int(TablePage), 0);
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes.takeFirst().text,
                 QString("Invalid value of OutRate for PORT2\n(Value range: 0 - 1000)"));
        const int rows[4] = {8, 8, 8, 2};
        for (int p = 0; p < 4; ++p) {
            GoForwardTo(p);
            int shown = 0;
            for (int r = 1; r <= 8; ++r)
                shown += !Ctl<QFrame>("pnlP0", r)->isHidden();
            QCOMPARE(shown, rows[p]);
            QCOMPARE(Ctl<QLabel>("lblNameP0", 1)->text(),
                     p < 3 ? QStringLiteral("PORT%1").arg(p * 8 + 1) : QStringLiteral("MODULE1"));
            QCOMPARE(win()->btnNextPage->isEnabled(), p < 3);
            QCOMPARE(win()->btnPrevPage->isEnabled(), p > 0);
        }
        QVERIFY(Ctl<QLineEdit>("edtInRateP0", 1)->isHidden());
        QVERIFY(Ctl<QLineEdit>("edtOutRateP0", 2)->isHidden());
        // Fibre: its one speed, chosen; no module: the console's NC, nothing chosen.
        for (int r : {1, 2}) {
            auto* list = Ctl<QComboBox>("cboSpdP0", r);
            QCOMPARE(list->count(), 1);
            QCOMPARE(list->itemText(0), r == 1 ? LangText(308) : QStringLiteral("   NC    "));
            QCOMPARE(list->currentIndex(), r == 1 ? 0 : -1);
        }
        win()->btnPrevPage->click();
        QVERIFY(!Ctl<QLineEdit>("edtInRateP0", 8)->isHidden());
        QCOMPARE(Ctl<QComboBox>("cboSpdP0", 8)->count(), 4);
        QCOMPARE(h->keysTyped(), kReadKeys); // paging typed nothing

        h->clearKeysTyped();
        win()->btnQuit->click();
        QVERIFY(h->runUntil([] { return !frmPortConfig.exists() && Up(frmStaticConfig.get()); },
                            20000));
        QCOMPARE(h->keysTyped(), std::string("\r"));
        QVERIFY(boxes.isEmpty());
        QVERIFY(h->sim().state() == before);

        QVERIFY(OpenPortWindow());
        QCOMPARE(h->keysTyped(), kReadKeys);
        QCOMPARE(Ctl<QLineEdit>("edtInRateP0", 4)->text(), QStringLiteral("0"));
        ApplyAndFinish();
        // Pages passed, Quit on the last, the static menu's resume Enter,
        // then the window's own Enter on Quit.
        QCOMPARE(h->keysTyped(), std::string("\b\r\b\r\b\r\r\r\r"));
        QVERIFY(h->sim().state() == before);
        QCOMPARE(CurrentForm, int(FORM_STATIC));
    }

    void moduleTrunkShowsNoRatesAndAllSpeeds() {
        sim::Options options;
        options.initial = sim::FactoryState({"100FX", "100FX"});
        for (int m : {0, 1, 24, 25}) { // TRUNK1: ports 1, 2; TRUNK2: the modules
            options.initial->trunks[m / 24].isStatic = true;
            options.initial->trunks[m / 24].members[m] = true;
        }
        QVERIFY(Open(options));
        QCOMPARE(ModuleTrunk, 1);
        QCOMPARE(int(PortCount), 24);
        QVERIFY(!Ctl<QLineEdit>("edtInRateP0", 1)->isHidden());
        GoForwardTo(2);
        QCOMPARE(Ctl<QLabel>("lblNameP0", 8)->text(), QStringLiteral("TRUNK2"));
        QVERIFY(Ctl<QLineEdit>("edtInRateP0", 8)->isHidden());
        QCOMPARE(Ctl<QComboBox>("cboSpdP0", 8)->count(), 6);
        QVERIFY(!win()->btnNextPage->isEnabled());
    }

    // Under Traditional Chinese: bad rates refused before anything is typed,
    // then changes on the first and last pages. Once the first page is saved
    // the console is back on the static menu, which sends it to the port
    // screen again; the write passes pages until it is where it left off.
    void badRatesRefusedThenChangesOnTheFirstAndLastPagesStored() {
        QVERIFY(Open({}, 2));
        QCOMPARE(LanguageId, int32_t(0x404));
        const QString range =
            QStringLiteral("PORT2 的 InRate 值是不合法的 \n\n ( 值域範圍: 0 - 1000 ) ");
        const QString notInt =
            QStringLiteral("'%1' is not a valid integer value for InRate of PORT2");
        const std::pair<const char*, QString> refused[] = {
            {"1001", range}, {"-1", range}, {"abc", notInt.arg("abc")}, {"", notInt.arg("")}};
        QLineEdit* edit = Ctl<QLineEdit>("edtInRateP0", 2);
        h->clearKeysTyped();
        for (const auto& [text, message] : refused) {
            edit->setText(text);
            win()->btnSave->click();
            QCOMPARE(boxes.size(), 1);
            QCOMPARE(boxes[0].text, message);
            QCOMPARE(boxes.takeFirst().caption, LangText(402));
            QCOMPARE(edit->text(), QStringLiteral("0"));
            QCOMPARE(win()->focusWidget(), edit);
        }
        h->runFor(1000);
        QVERIFY(!Saving && win()->isEnabled());
        QCOMPARE(h->keysTyped(), std::string());
        QVERIFY(h->sim().state() == before);

        Ctl<QLineEdit>("edtInRateP0", 1)->setText("100");
        Ctl<QLineEdit>("edtOutRateP0", 1)->setText("1000");
        Ctl<QCheckBox>("chkEnableP0", 1)->setChecked(false);
        Ctl<QComboBox>("cboAutoP0", 1)->setCurrentIndex(0); // AUTO -> FORCE, back
        Ctl<QComboBox>("cboSpdP0", 1)->setCurrentIndex(0);  // 100 Full -> 10 Half, back
        Ctl<QCheckBox>("chkFullP0", 1)->setChecked(false);
        Ctl<QCheckBox>("chkHalfP0", 1)->setChecked(true);
        Ctl<QComboBox>("cboAutoP0", 3)->setCurrentIndex(2); // forward
        Ctl<QComboBox>("cboSpdP0", 3)->setCurrentIndex(2);  // back by one
        Ctl<QLineEdit>("edtOutRateP0", 8)->setText("7");
        Ctl<QCheckBox>("chkEnableP0", 5)->setChecked(false); // off and on again
        Ctl<QCheckBox>("chkEnableP0", 5)->setChecked(true);
        GoForwardTo(3);
        Ctl<QCheckBox>("chkEnableP0", 1)->setChecked(false);
        Ctl<QComboBox>("cboAutoP0", 1)->setCurrentIndex(2);
        Ctl<QComboBox>("cboSpdP0", 1)->setCurrentIndex(4); // 1000 Full -> 1000 Half
        Ctl<QCheckBox>("chkFullP0", 2)->setChecked(false);
        ApplyAndFinish();
        // Saved, Enter on the prompt, the menu's Enter, three pages passed,
        // the last page written.
        QVERIFY2(h->keysTyped().find("\x01\t\r\r\r\b\r\b\r\b\r\t\r") != std::string::npos,
                 QByteArray::fromStdString(h->keysTyped()).toPercentEncoding().constData());

        sim::SwitchState want = before;
        const sim::Port& p1 = want.ports[0];
        want.ports[0] = {p1.type,     100,   1000, false,  "   FORCE  ",
                         "  10 Half", false, true, p1.pvid};
        want.ports[2].autoNego = "NWAY_FORCE";
        want.ports[2].speed = " 100 Half";
        want.ports[7].outRate = 7;
        want.ports[24].enabled = false;
        want.ports[24].autoNego = "NWAY_FORCE";
        want.ports[24].speed = "1000 Half";
        want.ports[25].flowFull = false;
        QVERIFY(h->sim().state() == want);
    }
};

QTEST_MAIN(PortFlowTest)
#include "tst_port_flow.moc"
