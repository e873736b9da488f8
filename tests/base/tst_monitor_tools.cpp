// The console monitor's tools: timestamps while the toggle is on, the lines
// saved as text, and a transcript from the window (a login password as '*').
#include "engine/ConsoleLog.h"
#include "engine/Transcript.h"
#include "forms/base/FormRefs.h"
#include "forms/base/Memoform.h"
#include "forms/base/Messageform.h"
#include "platform/Ui.h"
#include "tests/harness/WindowTest.h"

#include <QCheckBox>
#include <QFile>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString FileText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

const QRegularExpression kStamped(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d "));

} // namespace

class MonitorToolsTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    MessageBoxes boxes;
    QString asked; // what the file dialog stand-in answers

private slots:
    void initTestCase() {
        TfrmMemo::SetSaveFileAsker(
            [this](QWidget*, const QString&, const QString&) { return asked; });
    }
    // The English texts, as the program has them from its start, and the
    // boxes recorded (a session's end puts the hooks back).
    void init() {
        steps::BeginCase(boxes);
        QVERIFY(SelectLanguage(0));
        frmMemo.set(new TfrmMemo);
        frmMemo->ShowMonitor();
    }
    void cleanup() {
        if (TranscriptRunning()) StopTranscript();
        frmMemo.clear();
    }

    // Each line begun while the toggle is on carries the time, the lines of
    // one piece of output each; the others none.
    void timestampsFollowTheToggle() {
        QPlainTextEdit* memo = frmMemo->Memo1;
        ReportConsoleBytes(ConsoleDirection::Received, "\x1b[01;36HMain Menu\x1b");
        frmMemo->chkTimestamps->setChecked(true);
        ReportConsoleBytes(ConsoleDirection::Received,
                           "\x1b[09;25H Static \x1b[11;25H Restart \x1b");
        ReportConsoleBytes(ConsoleDirection::Typed, "\t\r");
        frmMemo->chkTimestamps->setChecked(false);
        ReportConsoleBytes(ConsoleDirection::Received, "\x1b[13;25H Logout \x1b");
        const QStringList lines = memo->toPlainText().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 5);
        const bool stamped[] = {false, true, true, true, false};
        for (int i = 0; i < 5; ++i)
            QVERIFY2(lines[i].contains(kStamped) == stamped[i], qPrintable(lines[i]));
        QVERIFY(lines[3].endsWith(QLatin1String("> <TAB><CR>")));
        QVERIFY(lines[4].startsWith(QLatin1String(" Logout")));
    }

    // Save as text: the lines as shown; cancelled, nothing; a file that
    // cannot be written, a box naming it.
    void savedAsText() {
        ReportConsoleBytes(ConsoleDirection::Received, "\x1b[01;36HMain Menu\x1b");
        ReportConsoleBytes(ConsoleDirection::Typed, "\r");
        const QString path = dir.filePath("monitor.txt");
        asked = path;
        frmMemo->btnSaveText->click();
        QCOMPARE(FileText(path), frmMemo->Memo1->toPlainText() + QLatin1Char('\n'));
        QVERIFY(FileText(path).startsWith(QLatin1String("Main Menu\n> <CR>")));
        QVERIFY(boxes.isEmpty());

        asked.clear();
        QVERIFY(QFile::remove(path));
        frmMemo->btnSaveText->click();
        QVERIFY(!QFile::exists(path));
        QVERIFY(boxes.isEmpty());

        asked = dir.filePath("no/such/folder/monitor.txt");
        frmMemo->btnSaveText->click();
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(boxes[0].text.contains(asked), qPrintable(boxes[0].text));
    }

    // A transcript from the window over a login: the password as '*', the
    // button saying what a click does next; one running from the command
    // line shows as running.
    void transcriptFromTheWindow() {
        constexpr char kPassword[] = "Pw4login";
        ResetProgramState();
        sim::Options o;
        o.initial = sim::FactoryState();
        o.initial->password = kPassword;
        auto h = std::make_unique<LinkHarness>(std::move(o));
        steps::ShowWelcome();
        const QString start = LangText(1438).trimmed(), stop = LangText(1439).trimmed();
        QCOMPARE(frmMemo->btnTranscript->text(), start);
        const QString path = dir.filePath("transcript.txt");
        asked = path;
        frmMemo->btnTranscript->click();
        QVERIFY(TranscriptRunning());
        QCOMPARE(frmMemo->btnTranscript->text(), stop);
        QVERIFY(steps::Connect(*h) && steps::LogIn(*h, "admin", kPassword));
        QVERIFY(h->keysTyped().find(kPassword) != std::string::npos);
        frmMemo->btnTranscript->click();
        QVERIFY(!TranscriptRunning());
        QCOMPARE(frmMemo->btnTranscript->text(), start);
        const QString text = FileText(path);
        // The keys typed, one line each after the time.
        QString typed;
        const QRegularExpression key(QStringLiteral("^\\S+ > (.*)$"),
                                     QRegularExpression::MultilineOption);
        for (auto it = key.globalMatch(text); it.hasNext();)
            typed += it.next().captured(1);
        QVERIFY(!text.contains(QLatin1String(kPassword)));
        QVERIFY2(typed.contains(QLatin1String("admin<CR>********<CR>")), qPrintable(typed));
        QVERIFY(text.contains(QLatin1String("Main Menu")));
        steps::EndSession(h);
        QVERIFY(SelectLanguage(0));
        frmMemo.set(new TfrmMemo); // the session's end dropped every window

        std::string error;
        QVERIFY(StartTranscript(dir.filePath("cli.txt").toStdString(), error));
        frmMemo->ShowMonitor();
        QCOMPARE(frmMemo->btnTranscript->text(), stop);
        QVERIFY(boxes.isEmpty());
    }

    void transcriptThatCannotStart() {
        asked = dir.filePath("no/such/folder/transcript.txt");
        frmMemo->btnTranscript->click();
        QVERIFY(!TranscriptRunning());
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(boxes[0].text.startsWith(MessageText(1441, QString()).left(20)),
                 qPrintable(boxes[0].text));
        QCOMPARE(frmMemo->btnTranscript->text(), LangText(1438).trimmed());
    }
};

QTEST_MAIN(MonitorToolsTest)
#include "tst_monitor_tools.moc"
