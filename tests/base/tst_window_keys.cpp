// The window base without a switch: where a window opens, which control has
// the keyboard, Esc, the default answer of a question, captions as titles.
#include "forms/base/ConfigForm.h"
#include "forms/base/Placement.h"
#include "platform/Ui.h"
#include "shared/Publicunit.h"
#include "tests/harness/WindowTest.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

namespace {

// A window of the given size holding, in tab order, the controls named in
// `controls`: "edit", "readonly", "disabled", "check", "button", "default".
class Window : public TForm {
public:
    explicit Window(QSize size, const QStringList& controls = {}) {
        setFixedSize(size);
        auto* layout = new QVBoxLayout(this);
        for (const QString& kind : controls) {
            QWidget* w = nullptr;
            if (kind == QLatin1String("edit") || kind == QLatin1String("readonly") ||
                kind == QLatin1String("disabled")) {
                auto* edit = new QLineEdit(this);
                edit->setReadOnly(kind == QLatin1String("readonly"));
                edit->setEnabled(kind != QLatin1String("disabled"));
                w = edit;
            } else if (kind == QLatin1String("check")) {
                w = new QCheckBox(this);
            } else {
                auto* button = new QPushButton(kind, this);
                if (kind == QLatin1String("default")) SetDefaultButton(button);
                w = button;
            }
            w->setObjectName(kind + QString::number(layout->count()));
            layout->addWidget(w);
        }
    }
};

// A configuration window whose Exit counts its clicks; `leave` says whether
// its close goes through (as after the unapplied-changes question).
class ConfigWindow : public TConfigForm {
public:
    ConfigWindow() : TConfigForm(0) {
        auto* layout = new QVBoxLayout(this);
        edit = new QLineEdit(this);
        quit = new QPushButton(QStringLiteral("E&xit"), this);
        quit->setObjectName(QStringLiteral("btnQuit"));
        layout->addWidget(edit);
        layout->addWidget(quit);
        connect(quit, &QPushButton::clicked, this, [this] {
            ++exits;
            Close();
        });
    }
    QLineEdit* edit;
    QPushButton* quit;
    int exits = 0;
    bool leave = true;

protected:
    void FormClose(TCloseAction& action) override { action = leave ? caHide : caNone; }
};

QRect Area() {
    return QGuiApplication::primaryScreen()->availableGeometry();
}

} // namespace

class WindowKeysTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { steps::QuietOffscreen(); }
    void init() { ResetProgramState(); }

    // A window opens centred on the window shown before it, even when that
    // one has hidden meanwhile (a menu hides while the window it opens is
    // read), and the console monitor, which takes no activation, is no
    // opener; the start window opens in the middle of the screen whatever
    // was shown before; a window larger than the room keeps its title bar
    // on the screen.
    void opensCentredOnItsOpener() {
        const QRect area = Area();
        Window opener(QSize(300, 200));
        opener.Show();
        opener.move(area.topLeft() + QPoint(40, 30));
        Window monitor(QSize(120, 90));
        monitor.SetTakesActivation(false);
        monitor.Show();
        monitor.move(area.topLeft() + QPoint(300, 250)); // moved by the user
        opener.Hide();

        Window opened(QSize(200, 100));
        opened.Show();
        QCOMPARE(opened.geometry().center(), opener.geometry().center());

        Window start(QSize(100, 80));
        start.SetPlacedOnScreen(true);
        start.Show();
        QCOMPARE(start.geometry().center(), area.center());

        // Opened from `start` in the middle, but too large to fit: pushed
        // back so its top-left corner is on the screen.
        Window large(area.size() + QSize(200, 100));
        large.Show();
        QVERIFY(area.contains(large.frameGeometry().topLeft()));

        // Opened near a corner: kept inside the free area.
        start.move(area.bottomRight() - QPoint(100, 80));
        start.Hide();
        Window corner(QSize(300, 200));
        corner.Show();
        QVERIFY(area.contains(corner.frameGeometry()));
    }

    // Which control has the keyboard when the window opens.
    void firstFocus_data() {
        QTest::addColumn<QStringList>("controls");
        QTest::addColumn<QString>("focused");
        QTest::newRow("first field after buttons")
            << QStringList{"button", "edit", "edit"} << "edit1";
        QTest::newRow("read-only and disabled fields skipped")
            << QStringList{"readonly", "disabled", "button", "check"} << "check3";
        QTest::newRow("no field: the default button")
            << QStringList{"button", "default"} << "default1";
        QTest::newRow("no field, no default: the first control")
            << QStringList{"button", "button"} << "button0";
    }
    void firstFocus() {
        QFETCH(QStringList, controls);
        QFETCH(QString, focused);
        Window w(QSize(200, 200), controls);
        w.Show();
        QVERIFY(w.focusWidget());
        QCOMPARE(w.focusWidget()->objectName(), focused);
    }

    // Esc is Exit in a configuration window, wherever the keyboard is;
    // refused by the close handler, the window stays. A disabled window (it
    // waits for the switch) takes no Esc, and a window that is not a
    // configuration window ignores it.
    void escapeIsExit() {
        ConfigWindow w;
        w.Show();
        QTest::keyClick(w.edit, Qt::Key_Escape);
        QCOMPARE(w.exits, 1);
        QVERIFY(!w.isVisible());

        w.leave = false;
        w.Show();
        QTest::keyClick(w.edit, Qt::Key_Escape);
        QCOMPARE(w.exits, 2);
        QVERIFY(w.isVisible());

        w.setEnabled(false);
        QTest::keyClick(&w, Qt::Key_Escape);
        QCOMPARE(w.exits, 2);

        Window plain(QSize(100, 100), {"edit"});
        plain.Show();
        QTest::keyClick(plain.focusWidget(), Qt::Key_Escape);
        QVERIFY(plain.isVisible());
    }

    // Enter on a real question box: Yes by default, No where asked for; the
    // window under the box has the keyboard again once it closes, even with
    // no window manager to give it back.
    void enterOnAQuestion_data() {
        QTest::addColumn<int>("defaultButton");
        QTest::addColumn<int>("answer");
        QTest::newRow("default first") << int(platform::DefaultFirst) << int(platform::IDYES);
        QTest::newRow("default No") << int(platform::DefaultNo) << int(platform::IDNO);
    }
    void enterOnAQuestion() {
        QFETCH(int, defaultButton);
        QFETCH(int, answer);
        platform::SetMessageBoxHandler(nullptr);
        Window under(QSize(100, 100), {"edit"});
        under.Show();
        QVERIFY(QTest::qWaitForWindowActive(&under));
        QTimer::singleShot(0, [] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            QTest::keyClick(box, Qt::Key_Return);
        });
        QCOMPARE(platform::AppMessageBox(QStringLiteral("Sure?"), QStringLiteral("Q"),
                                         platform::MB_YESNO, platform::MsgDefault(defaultButton)),
                 answer);
        QTRY_COMPARE(QApplication::activeWindow(), &under);
    }

    // A caption used as a title: the marker goes, "&&" stays one "&".
    void withoutMnemonic_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("title");
        QTest::newRow("leading") << "&Logout"
                                 << "Logout";
        QTest::newRow("inside") << "Ma&in Menu"
                                << "Main Menu";
        QTest::newRow("doubled") << "Speed && duplex"
                                 << "Speed & duplex";
        QTest::newRow("Chinese") << QString::fromUtf8("注销(&L)") << QString::fromUtf8("注销");
        QTest::newRow("Chinese before dots") << QString::fromUtf8("将设置保存到文件(&V)...")
                                             << QString::fromUtf8("将设置保存到文件...");
        QTest::newRow("none") << "Apply"
                              << "Apply";
        QTest::newRow("trailing &") << "A &"
                                    << "A &";
    }
    void withoutMnemonic() {
        QFETCH(QString, caption);
        QFETCH(QString, title);
        QCOMPARE(WithoutMnemonic(caption), title);
    }
};

QTEST_MAIN(WindowKeysTest)
#include "tst_window_keys.moc"
