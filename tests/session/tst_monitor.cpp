// The console monitor and the transcript over a whole session: the typed
// passwords (login, the misc window's three boxes) shown as '*' while the switch
// gets them, Copy, the transcript's replay; looking never types nor activates.
#include "engine/ConsoleLog.h"
#include "engine/Transcript.h"
#include "forms/base/Memoform.h"
#include "sim/Replay.h"
#include "tests/harness/ConfigSession.h"

#include <QApplication>
#include <QClipboard>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr char kLoginPassword[] = "Pw4login";
constexpr char kNewPassword[] = "Nw9secret";

// The values the page table gives the switch's lines, framed as the link
// frames them (a line ends at ESC or CR).
QList<int> RecognisedPages(const std::string& bytes) {
    QList<int> values;
    Parser parser;
    if (!parser.LoadTable(kPageTableFile)) return {-2};
    std::string line;
    for (const char c : bytes) {
        if (c != '\x1b' && c != '\r') {
            line += c;
            continue;
        }
        if (auto entry = parser.Parse(line.c_str()); entry && entry->value != -1)
            values << entry->value;
        line.clear();
    }
    return values;
}

} // namespace

class MonitorTest : public QObject {
    Q_OBJECT

private slots:
    // A login and a password change with the monitor up and a transcript
    // running: the switch gets the passwords, the monitor and the transcript
    // show them as '*', and the transcript's switch side replays, key count
    // by key count, to the same recognised pages the session saw.
    void passwordsMaskedAndTranscriptReplays() {
        QTemporaryDir dir;
        const std::string file = dir.filePath("session.txt").toStdString();
        std::string error;
        QVERIFY(StartTranscript(file, error));
        std::string received;
        const int tap = AddConsoleObserver([&](ConsoleDirection d, const std::string& bytes) {
            if (d == ConsoleDirection::Received) received += bytes;
        });
        std::string typed;
        {
            ConfigSession s;
            frmMemo.set(new TfrmMemo);
            sim::Options o;
            o.initial = sim::FactoryState();
            o.initial->user = "root";
            o.initial->password = kLoginPassword;
            QVERIFY(s.Connect(o, 0, "root", kLoginPassword));
            typed = s.Typed();
            QVERIFY(typed.find(kLoginPassword) != std::string::npos); // the switch got it
            frmMemo->ShowMonitor(); // what came while it was hidden goes in now
            QPlainTextEdit* memo = frmMemo->Memo1;
            QString text = memo->toPlainText();
            QVERIFY(!text.contains(kLoginPassword));
            QVERIFY2(text.contains("> ********<CR>"), qPrintable(text));
            QVERIFY(text.contains("> <BS>root<CR>"));
            // Lines of the switch as a reader sees them, without cursor moves.
            QVERIFY(text.contains("Please enter your user name and password."));
            QVERIFY(!text.contains(QChar(0x1b)));

            QVERIFY(s.ToStaticMenu() && s.OpenMiscWindow());
            EnterPasswords(kLoginPassword, kNewPassword, kNewPassword);
            frmMiscConfigX->btnSave->click();
            QVERIFY(s.StaticMenuBack());
            QCOMPARE(s.sim().state().password, std::string(kNewPassword));
            typed += s.Typed();
            text = memo->toPlainText();
            QVERIFY(!text.contains(kLoginPassword) && !text.contains(kNewPassword));
            // The switch echoes each key, so the typed keys come in pieces.
            QVERIFY(text.contains("> root<TAB>"));
            QCOMPARE(text.count("> ********<TAB>"), 1);
            QCOMPARE(text.count("> *********<TAB>"), 2);
            frmMemo->btnCopyClick();
            QCOMPARE(QApplication::clipboard()->text(), memo->toPlainText());
            frmMemo.clear();
        }
        RemoveConsoleObserver(tap);
        StopTranscript();
        QVERIFY(!TranscriptRunning());

        QFile f(QString::fromStdString(file));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray text = f.readAll();
        QVERIFY(!text.contains(kLoginPassword) && !text.contains(kNewPassword));
        QVERIFY(text.startsWith("# tavik-config console transcript"));
        // Every line: time, direction, readable bytes.
        const QRegularExpression line(
            QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d ([<>]) (.*)$"));
        QString keys;
        for (const QByteArray& l : text.split('\n')) {
            if (l.isEmpty() || l.startsWith('#')) continue;
            const QRegularExpressionMatch m = line.match(QString::fromLatin1(l));
            QVERIFY2(m.hasMatch(), l.constData());
            if (m.captured(1) == ">") keys += m.captured(2);
        }
        QVERIFY2(keys.contains("<BS>root<CR>********<CR>"), qPrintable(keys));
        QVERIFY(keys.contains("<CR>root<TAB>********<TAB>*********<TAB>*********<TAB>"));
        QVERIFY(text.contains(" < <ESC>["));

        sim::TranscriptReplay replay;
        QVERIFY2(replay.Load(text.toStdString(), error), error.c_str());
        QCOMPARE(replay.SwitchSide(), received);
        // Played to the keys the program typed, one at a time.
        std::string played = replay.KeysTyped(0);
        for (size_t i = 0; i < typed.size(); ++i)
            played += replay.KeysTyped(1);
        QVERIFY(replay.Finished());
        const QList<int> pages = RecognisedPages(received);
        QVERIFY(pages.size() > 50);
        QCOMPARE(RecognisedPages(played), pages);
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

QTEST_MAIN(MonitorTest)
#include "tst_monitor.moc"
