// Backups and restores of the simulated switch through the real windows
// (offscreen, over the in-memory line). Backups: every setting of varied
// states the console can produce, the busy texts of the walk, the console
// back on the main menu where the main window expects it, and a walk cut off
// by a restart. Restores: a backup put back after factory defaults gives the
// switch's settings back; a switch that already matches gets nothing typed
// but the reading; a bad file is refused before any key; a restart in the
// middle fails clearly.
#include "tests/backup/BackupFlow.h"

#include <QFile>
#include <QTemporaryDir>

using namespace backupflow;

class BackupFlowTest : public QObject {
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

    void everySettingOfTheCurrentMode_data() {
        QTest::addColumn<int>("which");
        QTest::newRow("802.1Q, trunks, ports, misc") << 0;
        QTest::newRow("port-based, four-port trunk, fibre modules") << 1;
        QTest::newRow("factory defaults") << 2;
    }
    void everySettingOfTheCurrentMode() {
        QFETCH(int, which);
        const sim::SwitchState state = which == 0   ? Dot1qState()
                                       : which == 1 ? PortBasedState()
                                                    : sim::FactoryState();
        QVERIFY(s.Start(state));
        const QString path = dir.filePath(QStringLiteral("backup%1.json").arg(which));
        const FlowSession::BackupOutcome out = s.Backup(path);
        QVERIFY2(out.ok, qPrintable(out.message));
        QCOMPARE(out.message, path);
        // Nothing was stored on the switch by reading it.
        QCOMPARE(s.h->sim().state(), state);

        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray json = f.readAll();
        QVERIFY(!json.contains(QByteArray::fromStdString(state.password)) ||
                state.password == state.user);
        QVERIFY(!json.toLower().contains("password"));
        BackupDocument doc;
        std::string error;
        QVERIFY2(BackupFromJson(json, doc, error), error.c_str());
        BackupDocument want = Expected(state);
        want.firmware = QString::fromLatin1(VersionText).trimmed().toStdString();
        want.time = doc.time;
        // Line by line, so that a failure shows the first field that differs.
        QCOMPARE(BackupToJson(doc).split('\n'), BackupToJson(want).split('\n'));

        const int groups = static_cast<int>(want.groups.size());
        for (int g = 1; g <= groups; ++g)
            QVERIFY2(out.progress.contains(
                         QStringLiteral("Reading VLAN group %1 of %2 ...").arg(g).arg(groups)),
                     qPrintable(out.progress.join(QLatin1Char('|'))));
        QVERIFY(s.boxes.isEmpty());
    }

    // The console is back on the main menu with Static Configuration
    // highlighted, as the main window believes: Reboot Switch right after a
    // backup opens the restart menu.
    void rebootRightAfterABackup() {
        QVERIFY(s.Start(Dot1qState()));
        QVERIFY(s.Backup(dir.filePath(QStringLiteral("r.json"))).ok);
        QVERIFY(steps::MainUp());
        QCOMPARE(s.h->sim().where(), std::string("main"));
        // With TAVIK_SCREENSHOTS naming a folder: the main window's picture.
        const QString shots = qEnvironmentVariable("TAVIK_SCREENSHOTS");
        if (!shots.isEmpty()) frmMain->grab().save(shots + QStringLiteral("/main-menu.png"));
        frmMain->btnReboot->click();
        QVERIFY(s.h->runUntil([] { return steps::Up(frmRestartConfig.get()); }, 20000));
        QCOMPARE(s.h->sim().where(), std::string("restart"));
    }

    void restartUnderTheWalkFails() {
        sim::FaultOptions faults;
        faults.powerCycleAt = "grouplist";
        QVERIFY(s.Start(Dot1qState(), faults));
        const QString path = dir.filePath(QStringLiteral("cut.json"));
        const FlowSession::BackupOutcome out = s.Backup(path);
        QVERIFY(out.finished && !out.ok);
        QCOMPARE(out.message.trimmed(), LangText(1351).trimmed());
        QVERIFY(!QFile::exists(path));
    }

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

QTEST_MAIN(BackupFlowTest)
#include "tst_backup_flow.moc"
