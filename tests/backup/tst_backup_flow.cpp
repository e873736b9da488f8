// Backups of the simulated switch through the real windows (offscreen, over
// the in-memory line): every setting of varied states the console can
// produce, the busy texts of the walk, the console back on the main menu
// where the main window expects it, and a walk cut off by a restart.
#include "tests/backup/BackupFlow.h"

#include <QFile>
#include <QTemporaryDir>

using namespace backupflow;

class BackupFlowTest : public QObject {
    Q_OBJECT
    FlowSession s;
    QTemporaryDir dir;

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
};

QTEST_MAIN(BackupFlowTest)
#include "tst_backup_flow.moc"
