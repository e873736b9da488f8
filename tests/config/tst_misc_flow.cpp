// The misc window end to end against the simulated switch: the keys of an
// Apply, the switch's answer to a password change, the account the next
// login needs, the user name read back after a save; and the captions and
// accessible names of the session's windows in each language.
#include "tests/config/ConfigSession.h"

#include <QAbstractButton>
#include <QtTest>

namespace {

const QString kSaved = QStringLiteral("The new settings have been saved.\n\nPress OK to return "
                                      "to the static configuration menu.\n");
// After a saved Apply: ESC answers the result, Enter opens the misc screen
// again from the static menu, BackSpace and Enter leave it with Quit.
const QByteArray kReadBack("\x1b\r\b\r");
const QString kRefused =
    QStringLiteral("The password was not changed: wrong old password, or the new passwords "
                   "differ.\n\nPress OK to return to the static configuration menu.\n");

// Applies and runs until the static menu is back; the title bar's close in
// the meantime waits for the switch's answer.
bool ApplyAndReturn(ConfigSession& s) {
    frmMiscConfigX->btnSave->click();
    frmMiscConfigX->close();
    return frmMiscConfigX.get() && frmMiscConfigX->isVisible() && !frmMiscConfigX->isEnabled() &&
           s.StaticMenuBack() && !frmMiscConfigX.exists();
}

// A caption as an accessible name reads it: no trailing colon, blanks
// collapsed.
QString Named(int language, int id) {
    QString caption = WithoutMnemonic(FileText(language, id)).simplified();
    while (caption.endsWith(':') || caption.endsWith(QChar(0xFF1A)))
        caption = caption.chopped(1).trimmed();
    return caption;
}

// The buttons, edit and combo boxes of the window without a name for a
// screen reader.
QStringList Unnamed(QWidget* window) {
    QStringList unnamed;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                             qobject_cast<QComboBox*>(w);
        if (!control || qobject_cast<QComboBox*>(w->parentWidget())) continue;
        if (w->accessibleName().isEmpty()) unnamed << window->objectName() + "." + w->objectName();
    }
    return unnamed;
}

} // namespace

class MiscFlowTest : public QObject {
    Q_OBJECT

private slots:
    // From a switch with the settings that are not the factory's, the keys
    // of an Apply: the user name and Tabs, a Space for each switch or hash
    // changed (none for a hash chosen back); the result closes the window
    // with ESC.
    void switchesAndHash_data() {
        QTest::addColumn<QList<int>>("hashChoices"); // chosen in this order
        QTest::addColumn<bool>("toggleSwitches");
        QTest::addColumn<QByteArray>("keys");
        QTest::newRow("no change") << QList<int>{} << false << QByteArray("\rroot\t\t\t\t\t\t");
        QTest::newRow("DirectMap to CRC-Hash")
            << QList<int>{0} << false << QByteArray("\rroot\t\t\t\t\t\t ");
        QTest::newRow("hash back and forth")
            << QList<int>{0, 1} << false << QByteArray("\rroot\t\t\t\t\t\t");
        QTest::newRow("retry and aging")
            << QList<int>{} << true << QByteArray("\rroot\t\t\t\t \t \t");
    }
    void switchesAndHash() {
        QFETCH(QList<int>, hashChoices);
        QFETCH(bool, toggleSwitches);
        QFETCH(QByteArray, keys);
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

        for (int i : hashChoices)
            w->cboMacHash->setCurrentIndex(i);
        if (toggleSwitches) {
            w->chkRetryForever->click();
            w->chkAutoAging->click();
        }
        QVERIFY(ApplyAndReturn(s));
        QCOMPARE(QByteArray::fromStdString(s.Typed()), keys + "\x01\t\r" + kReadBack);
        QCOMPARE(s.boxes, QStringList{kSaved});
        QCOMPARE(s.captions[0], QStringLiteral("Misc Configuration"));
        sim::SwitchState want = before;
        if (!hashChoices.isEmpty() && hashChoices.back() == 0) want.macHash = "CRC-Hash ";
        if (toggleSwitches) {
            want.retryForever = "Disabled";
            want.autoAging = "Enabled ";
        }
        QVERIFY(s.sim().state() == want);
    }

    // The right old password: saved, and after logout only the new password
    // logs in (the old one is refused at the sixth login page).
    void passwordChanged() {
        ConfigSession s;
        QVERIFY(s.Open());
        QVERIFY(s.OpenMiscWindow());
        EnterPasswords("admin", "secret", "secret");
        s.Typed();
        QVERIFY(ApplyAndReturn(s));
        QCOMPARE(QByteArray::fromStdString(s.Typed()),
                 "\radmin\tadmin\tsecret\tsecret\t\t\t\x01\t\r" + kReadBack);
        QCOMPARE(s.boxes, QStringList{kSaved});
        QCOMPARE(s.sim().state().password, std::string("secret"));

        frmStaticConfig->btnMainMenu->click();
        QVERIFY(s.h->runUntil([] { return Up(frmMain.get()) && CurrentForm == FORM_MAIN; }));
        frmMain->btnLogout->click();
        QVERIFY(s.h->runUntil([] { return Up(frmLogin.get()); }, 30000));
        s.h->runFor(1500);
        frmLogin->edtUsername->setText(QStringLiteral("admin"));
        frmLogin->edtPassword->setText(QStringLiteral("admin"));
        frmLogin->btnLogin->click();
        QVERIFY(!frmLogin->isEnabled());
        QVERIFY(s.h->runUntil([] { return frmLogin->isEnabled(); }, 30000));
        QCOMPARE(frmLogin->lblMsg->text(), LangText(1219));
        QCOMPARE(s.sim().where(), std::string("login"));
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
        QVERIFY(ApplyAndReturn(s));
        QCOMPARE(QByteArray::fromStdString(s.Typed()),
                 "\rnetops\t\t\t\t\t\t\x01\t\r\x1b\r\x1b\b\r");
        QCOMPARE(s.boxes, QStringList{message});
        QCOMPARE(s.sim().state().user, keyLost ? std::string("netps") : std::string("netops"));
        QCOMPARE(s.sim().where(), std::string("static"));
    }

    void passwordRefused_data() {
        QTest::addColumn<QByteArray>("old");
        QTest::addColumn<QByteArray>("fresh");
        QTest::addColumn<QByteArray>("again");
        QTest::newRow("wrong old password")
            << QByteArray("Admin") << QByteArray("x1") << QByteArray("x1");
        QTest::newRow("new passwords differ")
            << QByteArray("admin") << QByteArray("new1") << QByteArray("new2");
    }
    void passwordRefused() {
        QFETCH(QByteArray, old);
        QFETCH(QByteArray, fresh);
        QFETCH(QByteArray, again);
        ConfigSession s;
        QVERIFY(s.Open());
        QVERIFY(s.OpenMiscWindow());
        const sim::SwitchState before = s.sim().state();
        EnterPasswords(old.constData(), fresh.constData(), again.constData());
        frmMiscConfigX->cboMacHash->setCurrentIndex(1); // refused with the rest
        QVERIFY(ApplyAndReturn(s));
        QCOMPARE(s.boxes, QStringList{kRefused});
        QVERIFY(s.sim().state() == before);
    }

    void captionsAndNamesInEachLanguage_data() {
        QTest::addColumn<int>("language");
        QTest::newRow("English") << 0;
        QTest::newRow("Simplified Chinese") << 1;
        QTest::newRow("Traditional Chinese") << 2;
    }
    // The misc window's captions from each language file. Buttons and check
    // boxes are named by their caption, edit and list boxes by their label's
    // (the start window in English first, then again in the language
    // chosen); object names stay the controls' names. Exit without a change.
    void captionsAndNamesInEachLanguage() {
        QFETCH(int, language);
        ConfigSession s;
        QVERIFY(s.Open({}, language));
        QVERIFY(s.OpenMiscWindow());
        TfrmMiscConfigX* w = frmMiscConfigX.get();
        SaveScreenshot(w, QStringLiteral("misc-configuration"), language);
        QCOMPARE(w->windowTitle(), FileText(language, 1100));
        const std::pair<const char*, int> labels[] = {
            {"Label1", 1101}, {"Label8", 1102}, {"Label2", 1103}, {"Label3", 1104},
            {"Label4", 1105}, {"Label5", 1106}, {"Label6", 1107}, {"Label7", 1108}};
        QCOMPARE(WrongLabels(w, language, labels), QStringList());
        QCOMPARE(w->chkRetryForever->text(), FileText(language, 1109));
        QCOMPARE(w->chkAutoAging->text(), FileText(language, 1109));
        QCOMPARE(w->btnQuit->text(), FileText(language, 517));
        QCOMPARE(w->btnSave->text(), FileText(language, 518));
        QCOMPARE(w->cboMacHash->count(), 2);
        QCOMPARE(w->cboMacHash->itemText(0), QStringLiteral("CRC-Hash "));
        QCOMPARE(w->cboMacHash->itemText(1), QStringLiteral("DirectMap"));
        QVERIFY(!w->cboMacHash->isEditable());

        const std::pair<QWidget*, int> named[] = {{frmWelcome->cboComPort, 4},
                                                  {frmWelcome->cboLang, 7},
                                                  {frmWelcome->btnConnect, 5},
                                                  {frmLogin->edtUsername, 102},
                                                  {frmLogin->edtPassword, 103},
                                                  {frmMain->btnLogout, 204},
                                                  {w->edtUsername, 1102},
                                                  {w->edtOldPassword, 1103},
                                                  {w->edtNewPassword, 1104},
                                                  {w->edtPasswordAgain, 1105},
                                                  {w->cboMacHash, 1108},
                                                  {w->chkRetryForever, 1109},
                                                  {w->btnSave, 518}};
        for (auto [control, id] : named)
            QCOMPARE(control->accessibleName(), Named(language, id));
        QCOMPARE(frmWelcome->cboComPort->objectName(), QStringLiteral("cboComPort"));
        for (TForm* f : std::initializer_list<TForm*>{frmWelcome.get(), frmLogin.get(),
                                                      frmMain.get(), frmStaticConfig.get(), w})
            QCOMPARE(Unnamed(f), QStringList());

        s.Typed();
        w->btnQuit->click(); // Exit types BackSpace, Enter
        QVERIFY(s.StaticMenuBack() && !frmMiscConfigX.exists());
        QCOMPARE(s.Typed(), std::string("\b\r"));
        QVERIFY(s.boxes.isEmpty());
    }
};

QTEST_MAIN(MiscFlowTest)
#include "tst_misc_flow.moc"
