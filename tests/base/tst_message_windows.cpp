// The message windows: one busy window the user cannot close, repainted only
// for a new text; a hidden console monitor filling in when shown; the
// readable form of the bytes the monitor shows.
#include "engine/ConsoleLog.h"
#include "forms/widgets/AviPlayer.h"
#include "tests/harness/WindowTest.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>

namespace {

int LiveBusyWindows() {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<TfrmMessage*>(w) && !static_cast<TForm*>(w)->Freed()) ++n;
    return n;
}

// Counts the paint events a widget receives.
class PaintCount : public QObject {
public:
    explicit PaintCount(QWidget* w) { w->installEventFilter(this); }
    int n = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++n;
        return false;
    }
};

// A window that counts its activations.
class Probe : public TForm {
public:
    int activations = 0;

protected:
    void FormActivate() override { ++activations; }
};

} // namespace

class MessageWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        steps::QuietOffscreen();
        ResetLanguageState();
        QVERIFY(SelectLanguage(0));
        TfrmMessage::SetAnimationPath(QString());
        BusyText.clear();
    }
    void cleanup() {
        TfrmMessage::SetAnimationPath(QString());
        steps::DropWindows();
        QCOMPARE(LiveBusyWindows(), 0);
    }

    void oneWindowTheUserCannotClose() {
        CloseBusyBox(); // none up: nothing happens
        QVERIFY(!frmMessage.exists());
        BusyText = "first";
        ShowBusyBox();
        QPointer<TfrmMessage> box = frmMessage.get();
        QVERIFY(box && box->isVisible() && !box->isEnabled());
        BusyText = "second\n\n19";
        ShowBusyBox();
        QCOMPARE(frmMessage.get(), box.data());
        QCOMPARE(LiveBusyWindows(), 1);
        QCOMPARE(box->lblMsg1->text(), QStringLiteral("second\n\n19"));
        QCOMPARE(box->aviComm->frameCount(), 16); // the program folder's animation
        QVERIFY(box->aviComm->isPlaying());

        QVERIFY(!box->close()); // the window system's close request
        box->Close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(frmMessage.get(), box.data());
        QVERIFY(box->isVisible() && !box->Freed());

        CloseBusyBox();
        QVERIFY(!frmMessage.exists());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!box);
    }

    // The busy text is shown for every cell of a console page. Shown again
    // with its text, the window is neither shown nor repainted again, but it
    // takes the activation back, so the window shown next is activated anew.
    // Without its animation the window still shows its texts.
    void sameTextAgainRepaintsNothingButTakesTheActivation() {
        TfrmMessage::SetAnimationPath(QStringLiteral("/nonexistent/net_comm.avi"));
        QVERIFY(SelectLanguage(1));
        BusyText = GetLangText(1268);
        ShowBusyBox();
        TfrmMessage* box = frmMessage.get();
        QVERIFY(QTest::qWaitForWindowExposed(box)); // else a repaint only marks it dirty
        QCOMPARE(box->aviComm->frameCount(), 0);
        QVERIFY(!box->aviComm->isVisibleTo(box));
        QCOMPARE(box->lblMsg1->text(), QStringLiteral(u"正在将新设置发送到交换机 ..."));
        QCOMPARE(box->lblMsg2->text(), QStringLiteral(u" 请稍候 ..."));
        PaintCount paints(box->lblMsg1);
        for (int cell = 0; cell < 72; ++cell)
            ShowBusyBox();
        QCOMPARE(paints.n, 0);
        BusyText = "Sending ...";
        ShowBusyBox();
        QCOMPARE(paints.n, 1); // a new text is painted at once
        QCOMPARE(box->lblMsg1->text(), QStringLiteral("Sending ..."));

        Probe other;
        other.Show();
        QCOMPARE(other.activations, 1);
        ShowBusyBox();
        QCOMPARE(TForm::ActiveForm(), box);
        QCOMPARE(paints.n, 1);
        other.Show();
        QCOMPARE(other.activations, 2);

        // A label changed behind its back, or another code page, shows again.
        box->lblMsg1->setText(QStringLiteral("changed"));
        ShowBusyBox();
        QCOMPARE(box->lblMsg1->text(), QStringLiteral("Sending ..."));
        BusyText = "\xd5\xfd"; // GBK
        ShowBusyBox();
        const int before = paints.n;
        QVERIFY(SelectLanguage(2));
        ShowBusyBox();
        QCOMPARE(paints.n, before + 1);
        QCOMPARE(box->lblMsg1->text(), DecodeText(BusyText));
        QVERIFY(!box->isEnabled());
    }

    // A hidden monitor lays nothing out: it holds what comes (as bounded as
    // the memo) and shows it when it is shown, as if it had been up all along.
    void hiddenMonitorFillsInWhenShown() {
        QStringList lines; // what a monitor shows, line by line
        auto feed = [&lines](int from, int to) {
            for (int i = from; i < to; ++i) {
                ReportConsoleBytes(ConsoleDirection::Received,
                                   "\x1b[05;10HLine " + std::to_string(i) + "\r\n");
                lines << QStringLiteral("Line %1").arg(i);
                if (i % 7 == 0) {
                    ReportConsoleBytes(ConsoleDirection::Typed, "\t");
                    ReportConsoleBytes(ConsoleDirection::Typed, "ab");
                    lines << QStringLiteral("> <TAB>ab");
                }
            }
        };
        TfrmMemo up, hidden;
        up.ShowMonitor();
        feed(0, 30);
        QVERIFY(hidden.Memo1->toPlainText().isEmpty());
        hidden.ShowMonitor();
        QCOMPARE(hidden.Memo1->toPlainText(), lines.join('\n'));
        QCOMPARE(up.Memo1->toPlainText(), lines.join('\n'));

        up.hide();
        hidden.hide();
        const QString before = hidden.Memo1->toPlainText();
        feed(30, 10000); // more than the 5000 lines the memo keeps
        QCOMPARE(hidden.Memo1->toPlainText(), before);
        hidden.ShowMonitor();
        QCOMPARE(hidden.Memo1->toPlainText(), lines.mid(lines.size() - 5000).join('\n'));
    }

    void readableBytesRoundTrip_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("readable");
        QTest::newRow("keys") << QByteArray("\badmin\r\t\x1b\x01") << "<BS>admin<CR><TAB><ESC><^A>";
        QTest::newRow("angle and high bytes")
            << QByteArray("a<b>\x9b\x7f\n") << "a<LT>b><x9B><DEL><LF>";
        QTest::newRow("screen") << QByteArray("\x1b[14;20HPassword  : ")
                                << "<ESC>[14;20HPassword  : ";
    }
    void readableBytesRoundTrip() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, readable);
        QCOMPARE(QString::fromStdString(ReadableBytes(bytes.toStdString())), readable);
        std::string back;
        QVERIFY(ParseReadableBytes(readable.toStdString(), back));
        QCOMPARE(QByteArray::fromStdString(back), bytes);
    }
};

QTEST_MAIN(MessageWindowsTest)
#include "tst_message_windows.moc"
