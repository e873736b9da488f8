// Backups of the simulated switch through the real windows (offscreen, over
// the in-memory line): every setting of varied states the console can
// produce, the busy texts of the walk, the console back on the main menu
// where the main window expects it, and a walk cut off by a restart.
#include "tests/backup/BackupFlow.h"

#include "forms/HeadlessRun.h"

#include <QFile>
#include <QTemporaryDir>

using namespace backupflow;

class BackupFlowTest : public QObject {
    Q_OBJECT
    std::unique_ptr<LinkHarness> h;
    QStringList boxes;
    QTemporaryDir dir;

    bool Session(const sim::SwitchState& state, sim::FaultOptions faults = {}) {
        sim::Options o;
        o.initial = state;
        o.faults = faults;
        h = std::make_unique<LinkHarness>(std::move(o));
        steps::ShowWelcome();
        return steps::Connect(*h) && steps::LogIn(*h, state.user.c_str(), state.password.c_str());
    }

    // Runs a backup to `path`; the finish handler's result and message.
    struct Outcome {
        bool finished = false, ok = false;
        QString message;
        QStringList progress;
    };
    Outcome Backup(const QString& path) {
        Outcome out;
        BackupRun run(path, [&out](bool ok, const QString& message) {
            out.finished = true;
            out.ok = ok;
            out.message = message;
        });
        run.walk().progress = [&out](const std::string& line) {
            out.progress << QString::fromStdString(line).trimmed();
        };
        if (run.Start(false)) h->runUntil([&] { return run.Poll(), out.finished; }, 900000);
        return out;
    }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        QuietHeadlessMessages();
    }
    void init() {
        ResetProgramState();
        boxes.clear();
        platform::SetMessageBoxHandler([this](const QString& text, const QString&, int) {
            boxes << text;
            return int(platform::IDOK);
        });
    }
    void cleanup() { steps::EndSession(h); }

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
        QVERIFY(Session(state));
        const QString path = dir.filePath(QStringLiteral("backup%1.json").arg(which));
        const Outcome out = Backup(path);
        QVERIFY2(out.ok, qPrintable(out.message));
        QCOMPARE(out.message, path);
        // Nothing was stored on the switch by reading it.
        QCOMPARE(h->sim().state(), state);

        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray json = f.readAll();
        QVERIFY(!json.contains(QByteArray::fromStdString(state.password)) ||
                state.password == state.user);
        QVERIFY(!json.toLower().contains("password"));
        BackupDocument doc;
        std::string error;
        QVERIFY2(BackupFromJson(json, doc, error), error.c_str());
        CompareDocuments(doc, Expected(state));
        QCOMPARE(QString::fromStdString(doc.firmware), QString::fromLatin1(VersionText).trimmed());

        const int groups = static_cast<int>(Expected(state).groups.size());
        for (int g = 1; g <= groups; ++g)
            QVERIFY2(out.progress.contains(
                         QStringLiteral("Reading VLAN group %1 of %2 ...").arg(g).arg(groups)),
                     qPrintable(out.progress.join(QLatin1Char('|'))));
        QVERIFY(boxes.isEmpty());
    }

    // The console is back on the main menu with Static Configuration
    // highlighted, as the main window believes: Reboot Switch right after a
    // backup opens the restart menu.
    void rebootRightAfterABackup() {
        QVERIFY(Session(Dot1qState()));
        QVERIFY(Backup(dir.filePath(QStringLiteral("r.json"))).ok);
        QVERIFY(steps::MainUp());
        QCOMPARE(h->sim().where(), std::string("main"));
        // With TAVIK_SCREENSHOTS naming a folder: the main window's picture.
        const QString shots = qEnvironmentVariable("TAVIK_SCREENSHOTS");
        if (!shots.isEmpty()) frmMain->grab().save(shots + QStringLiteral("/main-menu.png"));
        frmMain->btnReboot->click();
        QVERIFY(h->runUntil([] { return steps::Up(frmRestartConfig.get()); }, 20000));
        QCOMPARE(h->sim().where(), std::string("restart"));
    }

    void restartUnderTheWalkFails() {
        sim::FaultOptions faults;
        faults.powerCycleAt = "grouplist";
        QVERIFY(Session(Dot1qState(), faults));
        const QString path = dir.filePath(QStringLiteral("cut.json"));
        const Outcome out = Backup(path);
        QVERIFY(out.finished);
        QVERIFY(!out.ok);
        QCOMPARE(out.message.trimmed(), LangText(1351).trimmed());
        QVERIFY(!QFile::exists(path));
    }
};

QTEST_MAIN(BackupFlowTest)
#include "tst_backup_flow.moc"
