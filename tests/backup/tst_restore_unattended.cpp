// A restore from the window left alone: after the user's Yes the windows'
// own "saved" boxes are answered by the restore and come back in its summary.
// The busy window counts the steps of backups and restores.
#include "forms/backup/BackupModel.h"
#include "forms/backup/SettingsFile.h"
#include "forms/backup/SettingsRestore.h"
#include "forms/base/FormRefs.h"
#include "forms/base/Messageform.h"
#include "platform/Ui.h"
#include "sim/SwitchState.h"
#include "tests/harness/WindowTest.h"

#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

// The step part of the busy window's progress line, each text once, in
// order.
void Sample(QStringList& seen) {
    TfrmMessage* box = frmMessage.get();
    const QString text =
        box ? box->lblProgress->text().section(QStringLiteral(" - "), 0, 0) : QString();
    if (!text.isEmpty() && (seen.isEmpty() || seen.back() != text)) seen << text;
}

} // namespace

class RestoreUnattendedTest : public QObject {
    Q_OBJECT

    std::unique_ptr<LinkHarness> h;
    MessageBoxes userBoxes; // the boxes a user would have had to answer
    QTemporaryDir dir;

    bool Start() {
        steps::BeginCase(userBoxes);
        h = std::make_unique<LinkHarness>(); // a switch at factory defaults
        steps::ShowWelcome();
        return steps::Connect(*h) && steps::LogIn(*h);
    }

    // The switch's settings in a file, read back as a document.
    bool Backup(const QString& path, BackupDocument& doc, QStringList& steps) {
        bool finished = false, ok = false;
        BackupRun run(path, [&](bool good, const QString&) {
            finished = true;
            ok = good;
        });
        if (!run.Start(false)) return false;
        h->runUntil([&] { return run.Poll(), Sample(steps), finished; }, 900000);
        std::string error;
        return ok && ReadSettingsFile(path, doc, error);
    }

private slots:
    void initTestCase() { steps::QuietOffscreen(); }
    void cleanup() { steps::EndSession(h); }

    void windowBoxesAnsweredByTheRestore_data() {
        QTest::addColumn<bool>("answer");
        QTest::newRow("from the window") << true;
        QTest::newRow("driven by a caller of its own") << false;
    }
    // A backup counts its screens: ports, trunks, VLAN support, misc (the
    // group list too, until VLANs turn out to be off). A restore counts the
    // windows it saves from; the boxes are the caller's again once it ends.
    void windowBoxesAnsweredByTheRestore() {
        QFETCH(bool, answer);
        QVERIFY(Start());
        const QString path = dir.filePath("restore.json");
        BackupDocument doc;
        QStringList steps;
        QVERIFY(Backup(path, doc, steps));
        QCOMPARE(steps, QStringList({"step 1 of 5", "step 2 of 5", "step 3 of 5", "step 4 of 4"}));
        QVERIFY(userBoxes.isEmpty());
        // A port's rate and the aging: two windows save, each with its own
        // box.
        doc.ports[2].inRate = 100;
        doc.autoAging = !doc.autoAging;
        QString error;
        QVERIFY(WriteSettingsFile(path, doc, error));
        const sim::SwitchState before = h->sim().state();

        bool finished = false;
        RestoreRun::Outcome outcome = RestoreRun::Outcome::Lost;
        QString message;
        RestoreRun run(path, [&](RestoreRun::Outcome o, const QString& m) {
            finished = true;
            outcome = o;
            message = m;
        });
        run.SetAnswerBoxes(answer);
        steps.clear();
        QVERIFY2(run.Start(false), qPrintable(message));
        QVERIFY(h->runUntil([&] { return run.Poll(), Sample(steps), finished; }, 1800000));
        QVERIFY2(outcome == RestoreRun::Outcome::Verified, qPrintable(message));
        QVERIFY(h->sim().state().autoAging != before.autoAging);
        QCOMPARE(h->sim().state().ports[2].inRate, 100);
        QVERIFY(steps.contains(QStringLiteral("step 2 of 2"))); // ports, misc

        const QString question = LangText(1354).trimmed();
        if (answer) {
            QCOMPARE(userBoxes.size(), 1);
            QVERIFY(userBoxes[0].text.startsWith(question));
            QCOMPARE(run.AnsweredBoxes().size(), 2);
            const QString tail = RestoreSummaryTail(run.AnsweredBoxes());
            QVERIFY(tail.contains(MessageText(1435)));
            for (const QString& line : run.AnsweredBoxes())
                QVERIFY2(tail.contains(line) && !line.contains(QLatin1Char('\n')),
                         qPrintable(line));
        } else {
            QCOMPARE(userBoxes.size(), 3); // the question and each window's box
            QVERIFY(run.AnsweredBoxes().isEmpty());
            QVERIFY(RestoreSummaryTail(run.AnsweredBoxes()).isEmpty());
        }
        userBoxes.clear();
        platform::AppMessageBox(QStringLiteral("after"), QString(), platform::MB_OK);
        QCOMPARE(userBoxes.texts(), QStringList{QStringLiteral("after")});
    }
};

QTEST_MAIN(RestoreUnattendedTest)
#include "tst_restore_unattended.moc"
