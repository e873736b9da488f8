// The misc window end to end against the simulated switch (keys of an Apply,
// password changes, the user name read back), and the console texts and
// longest keys the flows cannot reach.
#include "forms/misc/MiscModel.h"
#include "tests/harness/ConfigSession.h"
#include "tests/harness/TableRows.h"

#include <QtTest>

#include <cstring>

namespace {

const QString kSaved = QStringLiteral("The new settings have been saved.\n\nPress OK to return "
                                      "to the static configuration menu.\n");
// After a saved Apply: ESC answers the result, Enter opens the misc screen
// again from the static menu, BackSpace and Enter leave it with Quit.
const QByteArray kReadBack("\x1b\r\b\r");
const QString kRefused =
    QStringLiteral("The password was not changed: wrong old password, or the new passwords "
                   "differ.\n\nPress OK to return to the static configuration menu.\n");

// Keys of an Apply from a switch with the settings that are not the
// factory's: the hash choices made in this order, the two switches toggled.
struct Change {
    const char* tag;
    std::vector<int> hashChoices;
    bool toggleSwitches;
    const char* keys;
};
const Change kChanges[] = {
    {"no change", {}, false, "\rroot\t\t\t\t\t\t"},
    {"DirectMap to CRC-Hash", {0}, false, "\rroot\t\t\t\t\t\t "},
    {"hash back and forth", {0, 1}, false, "\rroot\t\t\t\t\t\t"},
    {"retry and aging", {}, true, "\rroot\t\t\t\t \t \t"},
};

// The switches' text, the hash's (and a later read of it, if any), and what
// the window shows.
struct ConsoleText {
    const char* tag;
    const char* switchText;
    bool on;
    const char *hash, *hashAgain;
    int index;
};
// clang-format off
const ConsoleText kConsoleTexts[] = {
    {"Enabled, CRC-Hash with its blank", "Enabled", true, "CRC-Hash ", nullptr, 0},
    {"ENABLED, DirectMap", "ENABLED", true, "DirectMap", nullptr, 1},
    {"enabled, CRC-Hash without the blank: none", "enabled", true, "CRC-Hash", nullptr, -1},
    {"as the switch sends it, a blank hash text keeps the choice", "Enabled ", true,
     "DirectMap", "   ", 1},
    {"Disabled", "Disabled", false, "DirectMap", nullptr, 1},
    {"empty", "", false, "CRC-Hash ", nullptr, 0},
};
// clang-format on

} // namespace

class MiscFlowTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { steps::DropWindows(); }

    // From a switch with the settings that are not the factory's, the keys
    // of an Apply: the user name and Tabs, a Space for each switch or hash
    // changed (none for a hash chosen back); the result closes the window
    // with ESC.
    void switchesAndHash_data() { TableRows(kChanges); }
    void switchesAndHash() {
        const Change& r = CurrentRow(kChanges);
        ConfigSession s;
        sim::Options o;
        o.initial = sim::FactoryState();
        o.initial->retryForever = "Enabled ";
        o.initial->autoAging = "Disabled";
        o.initial->macHash = "DirectMap";
        o.initial->user = "root";
        const sim::SwitchState before = *o.initial;
        QVERIFY(s.Connect(o, 0, "root") && s.ToStaticMenu());
        s.Typed();
        QVERIFY(s.OpenMiscWindow());
        QCOMPARE(s.Typed(), std::string("\t\t\t\r"));
        TfrmMiscConfigX* w = frmMiscConfigX.get();
        QCOMPARE(w->edtUsername->text(), QStringLiteral("root"));
        QVERIFY(w->chkRetryForever->isChecked() && !w->chkAutoAging->isChecked());
        QCOMPARE(w->cboMacHash->currentIndex(), 1);
        for (QLineEdit* e : {w->edtOldPassword, w->edtNewPassword, w->edtPasswordAgain}) {
            QVERIFY(e->text().isEmpty());
            QCOMPARE(e->echoMode(), QLineEdit::Password);
            QCOMPARE(e->maxLength(), 10);
        }
        QCOMPARE(w->edtUsername->maxLength(), 10);
        QVERIFY(w->lblMsg->text().isEmpty());

        for (int i : r.hashChoices)
            w->cboMacHash->setCurrentIndex(i);
        if (r.toggleSwitches) {
            w->chkRetryForever->click();
            w->chkAutoAging->click();
        }
        QVERIFY(s.ApplyAndReturn(frmMiscConfigX));
        QCOMPARE(QByteArray::fromStdString(s.Typed()), r.keys + ("\x01\t\r" + kReadBack));
        QCOMPARE(s.boxes.texts(), QStringList{kSaved});
        QCOMPARE(s.boxes[0].caption, QStringLiteral("Misc Configuration"));
        sim::SwitchState want = before;
        if (!r.hashChoices.empty() && r.hashChoices.back() == 0) want.macHash = "CRC-Hash ";
        if (r.toggleSwitches) {
            want.retryForever = "Disabled";
            want.autoAging = "Enabled ";
        }
        QVERIFY(s.sim().state() == want);
    }

    // The right old password: saved, and after logout the new password logs
    // in.
    void passwordChanged() {
        ConfigSession s;
        QVERIFY(s.Open());
        QVERIFY(s.OpenMiscWindow());
        EnterPasswords("admin", "secret", "secret");
        s.Typed();
        QVERIFY(s.ApplyAndReturn(frmMiscConfigX));
        QCOMPARE(QByteArray::fromStdString(s.Typed()),
                 "\radmin\tadmin\tsecret\tsecret\t\t\t\x01\t\r" + kReadBack);
        QCOMPARE(s.boxes.texts(), QStringList{kSaved});
        QCOMPARE(s.sim().state().password, std::string("secret"));

        frmStaticConfig->btnMainMenu->click();
        QVERIFY(s.h->runUntil([] { return Up(frmMain.get()) && CurrentForm == FORM_MAIN; }));
        frmMain->btnLogout->click();
        QVERIFY(s.h->runUntil([] { return Up(frmLogin.get()); }, 30000));
        s.h->runFor(1500);
        QVERIFY(s.LogIn("admin", "secret"));
    }

    // A new user name typed on a line that loses one of its keys: the switch
    // stores another name than the one typed, and the operator is told both
    // names, not "saved". A name drawn damaged once (one flipped byte of the
    // read-back) is read again with ESC and then found right. Either way the
    // name differed once, so the screen was drawn twice.
    void userNameReadBack_data() {
        QTest::addColumn<bool>("keyLost");
        QTest::addColumn<QString>("message");
        QTest::newRow("a key of the name lost")
            << true
            << QStringLiteral("The switch stored the user name 'netps', not 'netops'. Log in "
                              "with 'netps' and correct it.\n\nPress OK to return to the "
                              "static configuration menu.\n");
        QTest::newRow("the name's first read damaged") << false << kSaved;
    }
    void userNameReadBack() {
        QFETCH(bool, keyLost);
        QFETCH(QString, message);
        ConfigSession s;
        QVERIFY(s.Open() && s.OpenMiscWindow());
        sim::FaultOptions& faults = s.h->line().options();
        if (keyLost) {
            faults.loseKey = [h = s.h.get(), lost = false](uint8_t key) mutable {
                const bool now = !lost && key == 'o' && h->sim().where() == "edit:misc";
                lost = lost || now;
                return now;
            };
        } else {
            // The first letter of the name on the screen's next draw.
            enum { Looking, Next, Done };
            faults.alterOutput = [seen = std::string(), at = Looking](uint8_t b) mutable {
                if (at == Next) {
                    at = Done;
                    return static_cast<uint8_t>(b ^ 1);
                }
                seen = (seen + static_cast<char>(b)).substr(seen.size() >= 40 ? 1 : 0);
                if (at == Looking && seen.ends_with("User Name          : ")) at = Next;
                return b;
            };
        }
        frmMiscConfigX->edtUsername->setText(QStringLiteral("netops"));
        s.Typed();
        QVERIFY(s.ApplyAndReturn(frmMiscConfigX));
        QCOMPARE(QByteArray::fromStdString(s.Typed()),
                 "\rnetops\t\t\t\t\t\t\x01\t\r\x1b\r\x1b\b\r");
        QCOMPARE(s.boxes.texts(), QStringList{message});
        QCOMPARE(s.sim().state().user, keyLost ? std::string("netps") : std::string("netops"));
        QCOMPARE(s.sim().where(), std::string("static"));
    }

    void passwordRefused_data() {
        QTest::addColumn<QStringList>("passwords"); // old, new, again
        QTest::newRow("wrong old password") << QStringList{"Admin", "x1", "x1"};
        QTest::newRow("new passwords differ") << QStringList{"admin", "new1", "new2"};
    }
    void passwordRefused() {
        QFETCH(QStringList, passwords);
        ConfigSession s;
        QVERIFY(s.Open());
        QVERIFY(s.OpenMiscWindow());
        const sim::SwitchState before = s.sim().state();
        EnterPasswords(qPrintable(passwords[0]), qPrintable(passwords[1]),
                       qPrintable(passwords[2]));
        frmMiscConfigX->cboMacHash->setCurrentIndex(1); // refused with the rest
        QVERIFY(s.ApplyAndReturn(frmMiscConfigX));
        QCOMPARE(s.boxes.texts(), QStringList{kRefused});
        QVERIFY(s.sim().state() == before);
    }

    // The switches follow their console text through the window (any case,
    // with or without the blank the switch sends). The hash needs its text
    // exactly; with no choice selected, Apply types a Space only if the user
    // picks one.
    void consoleTexts_data() { TableRows(kConsoleTexts); }
    void consoleTexts() {
        const ConsoleText& r = CurrentRow(kConsoleTexts);
        ResetSharedState();
        ResetMiscSettings();
        HandleMiscRow(11105, r.switchText);
        HandleMiscRow(11106, r.switchText);
        HandleMiscRow(11107, r.hash);
        auto* w = new TfrmMiscConfigX;
        frmMiscConfigX.set(w);
        w->ShowMisc();
        if (r.hashAgain) {
            HandleMiscRow(11107, r.hashAgain);
            w->ShowMisc();
        }
        QCOMPARE(w->chkRetryForever->isChecked(), r.on);
        QCOMPARE(w->chkAutoAging->isChecked(), r.on);
        QCOMPARE(w->cboMacHash->currentIndex(), r.index);
        QCOMPARE(w->cboMacHash->count(), 2);
        QVERIFY(!w->cboMacHash->isEditable());
        TakeMiscCopy();
        w->CollectMisc();
        char keys[64];
        BuildMiscKeys("a", "", "", "", keys, sizeof keys);
        QCOMPARE(std::string(keys), std::string("\ra\t\t\t\t\t\t\x01\t\r"));
    }

    // The longest text an Apply can type fits its buffer (and what SendKeys
    // takes), and is cut short, terminated, in a smaller one: four full
    // boxes and every switch changed, 53 keys.
    void longestKeyText() {
        ResetMiscSettings();
        MiscSettings.retryForever = MiscSettings.autoAging = true;
        MiscSettings.hashIndex = 1;
        const std::string ten = "0123456789";
        char misc[64];
        QCOMPARE(BuildMiscKeys(ten, ten, ten, ten, misc, sizeof misc), 53);
        char small[20];
        std::memset(small, 'x', sizeof small);
        QCOMPARE(BuildMiscKeys(ten, ten, ten, ten, small, 12), 11);
        QCOMPARE(small[11], '\0');
        QCOMPARE(small[12], 'x');
    }
};

QTEST_MAIN(MiscFlowTest)
#include "tst_misc_flow.moc"
