// A whole session with the keyboard alone (key events only, no mouse event,
// no click() call): connect, log in, change a port, remove trunk members,
// create a VLAN group, change and then drop a misc setting, save the settings
// to a file and restore them over a change, look at the
// restart window and leave it, log out, against the simulated switch; the
// switch's stored state is checked after each save. Keys go where the front
// window has its keyboard focus, buttons are reached by their key markers
// (Alt+letter) or Enter, fields by Tab.
#include "forms/backup/SettingsFile.h"
#include "forms/backup/SettingsRestore.h"
#include "forms/misc/Miscconfigxform.h"
#include "forms/trunk/Trunkconfigform.h"
#include "forms/vlan/Vlanconfigform.h"
#include "forms/vlan/Vlanmemberxform.h"
#include "platform/Ui.h"
#include "tests/harness/WindowTest.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

using steps::Up;

bool StaticUp() {
    return Up(frmStaticConfig.get()) && CurrentForm == FORM_STATIC;
}
bool VlanMenuUp() {
    return Up(frmVlanConfig.get()) && !VlanProbe;
}

// The window in front gets the window system's activation (a shortcut only
// works in the active window); the key goes to the control with the focus.
TForm* Front() {
    TForm* front = TForm::ActiveForm();
    if (front == nullptr || !front->isVisible()) return nullptr;
    if (QApplication::activeWindow() != front) {
        front->activateWindow();
        if (!QTest::qWaitForWindowActive(front, 5000)) return nullptr;
    }
    return front;
}
QWidget* KeyboardOf(TForm* front) {
    QWidget* focused = QApplication::focusWidget();
    return focused ? focused : front;
}
bool Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    TForm* front = Front();
    if (front == nullptr) return false;
    QTest::keyClick(KeyboardOf(front), key, modifiers);
    return true;
}
// A key marker presses its button for a moment, as a click does, and the
// click comes when the button comes up (after 100 ms, on a timer).
bool Alt(Qt::Key letter) {
    if (!Key(letter, Qt::AltModifier)) return false;
    QTest::qWait(250);
    return true;
}
bool Type(const QString& text) {
    TForm* front = Front();
    if (front == nullptr) return false;
    QTest::keyClicks(KeyboardOf(front), text);
    return true;
}
// The control of the front window that has (or, the window activated,
// gets) the keyboard.
QString Focused() {
    TForm* front = TForm::ActiveForm();
    QWidget* w = front ? front->focusWidget() : nullptr;
    return w ? w->objectName() : QString();
}
// Tab until the control named `name` has the focus.
bool TabTo(const QString& name) {
    for (int i = 0; i < 400; ++i) {
        if (Focused() == name) return true;
        if (!Key(Qt::Key_Tab)) return false;
    }
    return false;
}

// When the file dialog comes up (in the current folder), the name is typed
// into its name field and Enter pressed there, as a user would: the first
// Enter may only close the list of completions the typing opened.
void NameInFileDialog(QObject* owner, const QString& name) {
    auto* watch = new QTimer(owner);
    QObject::connect(watch, &QTimer::timeout, owner, [watch, name] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        auto* edit = dialog ? dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) : nullptr;
        if (!edit || !edit->isVisible()) return;
        watch->deleteLater();
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit, name);
        for (int enter = 0; enter < 3 && dialog->isVisible(); ++enter)
            QTest::keyClick(edit, Qt::Key_Return);
    });
    watch->start(20);
}

// Whether the main window's backup or restore is still going, looked at on
// the virtual clock (its own timer runs on the real one, which the test does
// not wait for).
template <class Run> bool Going() {
    Run* run = frmMain.exists() ? frmMain->findChild<Run*>() : nullptr;
    if (run) run->Poll();
    return run != nullptr;
}

sim::SwitchState Start() {
    sim::SwitchState s = sim::FactoryState();
    s.vlanMode = sim::kModeDot1q;
    s.trunks[0].isStatic = true;
    for (int p = 8; p < 12; ++p) // ports 9 to 12
        s.trunks[0].members[p] = true;
    s.autoAging = "Disabled";
    return s;
}

} // namespace

class KeyboardWalkTest : public QObject {
    Q_OBJECT

    std::unique_ptr<LinkHarness> h;
    MessageBoxes boxes;

    sim::SwitchState Stored() { return h->sim().state(); }
    // A button's key marker never shows in a title.
    void NoMarkerInCaptions() {
        for (const QString& caption : boxes.captions())
            QVERIFY2(!caption.contains(QLatin1Char('&')), qPrintable(caption));
    }

private slots:
    void initTestCase() { InstallSettingsFileButtons(); }
    void init() { steps::BeginCase(boxes); }
    void cleanup() {
        frmTrkConfig.clear();
        frmMiscConfigX.clear();
        frmVlanMemberX.clear();
        frmVlanConfig.clear();
        steps::EndSession(h);
    }

    void wholeSessionByKeyboard() {
        sim::Options options;
        options.initial = Start();
        h = std::make_unique<LinkHarness>(std::move(options));
        sim::SwitchState want = Stored();

        // Start window: Alt+C connects. Login: the user name has the focus.
        steps::ShowWelcome(0);
        QVERIFY(Alt(Qt::Key_C));
        QVERIFY(steps::LoginSettled(*h));
        QCOMPARE(Focused(), QStringLiteral("edtUsername"));
        QVERIFY(Type(QStringLiteral("admin")));
        QVERIFY(Key(Qt::Key_Tab));
        QVERIFY(Type(QStringLiteral("admin")));
        QVERIFY(Key(Qt::Key_Return));
        QVERIFY(h->runUntil(steps::MainUp, 120000));
        QVERIFY(frmMain->lblVersion->text().startsWith(QLatin1String("Version: ")));

        // Port window: the first rate field has the focus; a new value, Alt+A.
        QVERIFY(Alt(Qt::Key_S));
        QVERIFY(h->runUntil(StaticUp, 30000));
        QVERIFY(Alt(Qt::Key_P));
        QVERIFY(h->runUntil([] { return Up(frmPortConfig.get()); }, 60000));
        QCOMPARE(Focused(), QStringLiteral("edtInRateP01"));
        QVERIFY(Key(Qt::Key_A, Qt::ControlModifier));
        QVERIFY(Type(QStringLiteral("12")));
        QVERIFY(Alt(Qt::Key_A));
        QVERIFY(h->runUntil([] { return !frmPortConfig.exists() && StaticUp(); }, 120000));
        want.ports[0].inRate = 12;
        QCOMPARE(Stored(), want);

        // Trunk window: Space takes port 12 out of trunk 1, Delete port 11.
        QVERIFY(Alt(Qt::Key_T));
        QVERIFY(h->runUntil([] { return Up(frmTrkConfig.get()); }, 30000));
        QCOMPARE(Focused(), QStringLiteral("chkTrk1"));
        QVERIFY(TabTo(QStringLiteral("optP12K1")));
        QVERIFY(Key(Qt::Key_Space));
        QVERIFY(TabTo(QStringLiteral("optP11K1")));
        QVERIFY(Key(Qt::Key_Delete));
        QVERIFY(Alt(Qt::Key_A));
        QVERIFY(h->runUntil([] { return !frmTrkConfig.exists() && StaticUp(); }, 120000));
        want.trunks[0].members[10] = want.trunks[0].members[11] = false;
        QCOMPARE(Stored(), want);

        // VLAN group window (Create): the name has the focus; name, ID, and
        // port 1 untagged by the arrow key.
        QVERIFY(Alt(Qt::Key_V));
        QVERIFY(h->runUntil(VlanMenuUp, 60000));
        QVERIFY(Alt(Qt::Key_C));
        QVERIFY(h->runUntil([] { return Up(frmVlanMemberX.get()); }, 60000));
        QCOMPARE(Focused(), QStringLiteral("edtVlanName"));
        QVERIFY(Type(QStringLiteral("keys")));
        QVERIFY(Key(Qt::Key_Tab));
        QCOMPARE(Focused(), QStringLiteral("edtVlanID"));
        QVERIFY(Type(QStringLiteral("30")));
        QVERIFY(TabTo(QStringLiteral("cboP1")));
        QVERIFY(Key(Qt::Key_Down));
        QVERIFY(Alt(Qt::Key_A));
        QVERIFY(h->runUntil([] { return !frmVlanMemberX.exists() && VlanMenuUp(); }, 120000));
        sim::VlanGroup group{30, "keys", {}};
        group.member[0] = sim::kMemberUntagged;
        want.groups().push_back(group);
        QCOMPARE(Stored(), want);
        QVERIFY(Alt(Qt::Key_P));
        QVERIFY(h->runUntil(StaticUp, 30000));

        // Misc window: Space turns Auto-Aging on, Alt+A saves it.
        QVERIFY(Alt(Qt::Key_M));
        QVERIFY(h->runUntil([] { return Up(frmMiscConfigX.get()); }, 30000));
        QCOMPARE(Focused(), QStringLiteral("edtUsername"));
        QVERIFY(TabTo(QStringLiteral("chkAutoAging")));
        QVERIFY(Key(Qt::Key_Space));
        QVERIFY(Alt(Qt::Key_A));
        QVERIFY(h->runUntil([] { return !frmMiscConfigX.exists() && StaticUp(); }, 120000));
        want.autoAging = "Enabled ";
        QCOMPARE(Stored(), want);

        // Esc with a change not applied asks; No keeps the window, Yes leaves
        // it and nothing is stored.
        QVERIFY(Alt(Qt::Key_M));
        QVERIFY(h->runUntil([] { return Up(frmMiscConfigX.get()); }, 30000));
        QVERIFY(TabTo(QStringLiteral("chkAutoAging")));
        QVERIFY(Key(Qt::Key_Space));
        NoMarkerInCaptions();
        boxes.clear();
        boxes.answer = platform::IDNO;
        QVERIFY(Key(Qt::Key_Escape));
        QCOMPARE(boxes.texts(), QStringList{LangText(1387).trimmed()});
        QVERIFY(Up(frmMiscConfigX.get()));
        boxes.answer = platform::IDYES;
        QVERIFY(Key(Qt::Key_Escape));
        QVERIFY(h->runUntil([] { return !frmMiscConfigX.exists() && StaticUp(); }, 60000));
        QCOMPARE(boxes.size(), 2);
        QCOMPARE(Stored(), want);

        // Alt+V saves the settings to a file named in the file dialog by
        // keys; a change made at the console behind the program's back is
        // then undone by Alt+T, restoring that file.
        QVERIFY(Alt(Qt::Key_I));
        QVERIFY(h->runUntil(steps::MainUp, 30000));
        QTemporaryDir dir;
        const QString startedIn = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        NameInFileDialog(this, QStringLiteral("walk"));
        QVERIFY(Alt(Qt::Key_V));
        QVERIFY(h->runUntil([] { return !Going<BackupRun>(); }, 900000));
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("walk.json"))));
        QVERIFY(h->runUntil(steps::MainUp, 30000));
        h->sim().stored().ports[0].inRate = 99;
        NameInFileDialog(this, QStringLiteral("walk.json"));
        QVERIFY(Alt(Qt::Key_T));
        QVERIFY(h->runUntil([] { return !Going<RestoreRun>(); }, 1800000));
        QVERIFY(h->runUntil(steps::MainUp, 30000));
        QCOMPARE(Stored(), want);
        QDir::setCurrent(startedIn);
        NoMarkerInCaptions();

        // Restart window: Previous Menu has the focus and is the default;
        // the factory-reset question (a real box) answers No to Enter.
        QVERIFY(Alt(Qt::Key_R));
        QVERIFY(h->runUntil([] { return Up(frmRestartConfig.get()); }, 30000));
        QCOMPARE(Focused(), QStringLiteral("btnPrevMenu"));
        QVERIFY(frmRestartConfig->btnPrevMenu->isDefault());
        QVERIFY(!frmRestartConfig->btnDefault->isDefault());
        h->clearKeysTyped();
        platform::SetMessageBoxHandler(nullptr);
        QString defaultShown;
        // The box comes up when the button's click does: looked for until then.
        auto* watch = new QTimer(this);
        connect(watch, &QTimer::timeout, this, [watch, &defaultShown] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            watch->deleteLater();
            defaultShown = box->defaultButton() == box->button(QMessageBox::No)
                               ? QStringLiteral("No")
                               : QStringLiteral("Yes");
            QTest::keyClick(box, Qt::Key_Return);
        });
        watch->start(20);
        QVERIFY(Alt(Qt::Key_D));
        QTRY_VERIFY(!defaultShown.isEmpty());
        QCOMPARE(defaultShown, QStringLiteral("No"));
        h->runFor(2000);
        QCOMPARE(h->keysTyped(), std::string());
        QVERIFY(Up(frmRestartConfig.get()));
        boxes.record();
        QVERIFY(Key(Qt::Key_Return));
        QVERIFY(h->runUntil(steps::MainUp, 30000));
        QCOMPARE(Stored(), want);

        // Logout, to the login window (No to the disconnect question).
        boxes.answer = platform::IDNO;
        QVERIFY(Alt(Qt::Key_L));
        QVERIFY(h->runUntil([] { return Up(frmLogin.get()); }, 30000));
        NoMarkerInCaptions();
    }
};

QTEST_MAIN(KeyboardWalkTest)
#include "tst_keyboard_walk.moc"
