// Restores onto the simulated switch through the real windows: a backup put
// back after factory defaults gives the switch's settings back; a switch
// that already matches gets nothing typed but the reading; a bad file is
// refused before any key; a restart in the middle fails clearly.
#include "tests/backup/BackupFlow.h"

#include <QFile>
#include <QTemporaryDir>

using namespace backupflow;

class RestoreFlowTest : public QObject {
    Q_OBJECT
    FlowSession s;
    QTemporaryDir dir;

    // A backup of Dot1qState() at `name`, the session still on that switch.
    QString BackedUp(const char* name) {
        const QString path = dir.filePath(QLatin1String(name));
        return s.Start(Dot1qState()) && s.Backup(path).ok ? path : QString();
    }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        QuietHeadlessMessages();
    }
    void cleanup() { steps::EndSession(s.h); }

    void backFromFactoryDefaults_data() {
        QTest::addColumn<int>("which");
        QTest::newRow("802.1Q, trunks, ports, misc") << 0;
        QTest::newRow("port-based, four-port trunk, fibre modules") << 1;
    }
    void backFromFactoryDefaults() {
        QFETCH(int, which);
        const sim::SwitchState original = which == 0 ? Dot1qState() : PortBasedState();
        const QString path = dir.filePath(QStringLiteral("f%1.json").arg(which));
        QVERIFY(s.Start(original));
        QVERIFY(s.Backup(path).ok);

        const sim::SwitchState factory = sim::FactoryState(original.moduleTypes);
        QVERIFY(s.Start(factory));
        const FlowSession::RestoreOutcome r = s.Restore(path);
        QVERIFY(r.finished);
        QVERIFY2(r.outcome == RestoreRun::Outcome::Verified,
                 qPrintable(r.message + s.boxes.join(QLatin1Char('|'))));
        // The summary was asked before anything was typed.
        QVERIFY(!s.boxes.isEmpty() && s.boxes[0].startsWith(LangText(1354).trimmed()) &&
                s.boxes[0].contains(QLatin1String("\nTrunk ")));

        // Every setting of the file is back; the account and the other
        // mode's group table are not in a file.
        sim::SwitchState expected = original;
        expected.user = factory.user;
        expected.password = factory.password;
        if (which == 1) expected.dot1qGroups = factory.dot1qGroups;
        QCOMPARE(s.h->sim().state(), expected);
        QVERIFY(steps::MainUp());
    }

    void matchingSwitchGetsOnlyTheReading() {
        QVERIFY(s.Start(Dot1qState()));
        s.h->clearKeysTyped();
        QVERIFY(s.Backup(dir.filePath(QStringLiteral("same.json"))).ok);
        const QByteArray readingKeys = QByteArray::fromStdString(s.h->keysTyped());
        const int stores = s.h->sim().storeCount();
        s.h->clearKeysTyped();
        const FlowSession::RestoreOutcome r = s.Restore(dir.filePath(QStringLiteral("same.json")));
        QVERIFY(r.outcome == RestoreRun::Outcome::Unchanged);
        QCOMPARE(QByteArray::fromStdString(s.h->keysTyped()), readingKeys);
        QCOMPARE(s.h->sim().storeCount(), stores);
        QVERIFY(s.boxes.isEmpty());
    }

    void badFieldRefusedBeforeAnyKey() {
        const QString path = BackedUp("bad.json");
        QVERIFY(!path.isEmpty());
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QByteArray json = f.readAll().replace("\"PORT3\": 20", "\"PORT3\": 300");
        QVERIFY(f.resize(0) && f.seek(0) && f.write(json) == json.size());
        f.close();
        s.h->clearKeysTyped();
        const sim::SwitchState before = s.h->sim().state();
        const FlowSession::RestoreOutcome r = s.Restore(path);
        QVERIFY(r.outcome == RestoreRun::Outcome::BadFile);
        QCOMPARE(r.message, QStringLiteral("pvids.PORT3: must be 1 to 255"));
        s.h->runFor(2000);
        QVERIFY(s.h->keysTyped().empty());
        QCOMPARE(s.h->sim().state(), before);
    }

    void restartInTheMiddleFails() {
        const QString path = BackedUp("cut.json");
        QVERIFY(!path.isEmpty());
        sim::FaultOptions faults;
        faults.powerCycleAt = "edit:trunk";
        QVERIFY(s.Start(sim::FactoryState(), faults));
        const FlowSession::RestoreOutcome r = s.Restore(path);
        QVERIFY(r.finished && r.outcome == RestoreRun::Outcome::Lost);
        QCOMPARE(r.message.trimmed(), LangText(1351).trimmed());
    }
};

QTEST_MAIN(RestoreFlowTest)
#include "tst_restore_flow.moc"
