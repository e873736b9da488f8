// Restores onto the simulated switch through the real windows: a backup put
// back after factory defaults gives the switch's settings back; a switch
// that already matches gets nothing typed but the reading; a bad file is
// refused before any key; a restart in the middle fails clearly.
#include "forms/HeadlessRun.h"
#include "forms/SettingsRestore.h"
#include "tests/backup/BackupFlow.h"

#include <QFile>
#include <QTemporaryDir>

using namespace backupflow;

class RestoreFlowTest : public QObject {
    Q_OBJECT
    std::unique_ptr<LinkHarness> h;
    QStringList boxes;
    QTemporaryDir dir;

    bool Session(const sim::SwitchState& state, sim::FaultOptions faults = {}) {
        steps::EndSession(h);
        init();
        sim::Options o;
        o.initial = state;
        o.faults = faults;
        h = std::make_unique<LinkHarness>(std::move(o));
        steps::ShowWelcome();
        return steps::Connect(*h) && steps::LogIn(*h, state.user.c_str(), state.password.c_str());
    }
    bool Backup(const QString& path) {
        bool done = false, ok = false;
        BackupRun run(path, [&](bool good, const QString&) { done = true, ok = good; });
        if (!run.Start(false)) return false;
        h->runUntil([&] { return run.Poll(), done; }, 900000);
        return ok;
    }
    struct Result {
        bool finished = false;
        RestoreRun::Outcome outcome = RestoreRun::Outcome::Lost;
        QString message;
    };
    Result Restore(const QString& path) {
        Result r;
        RestoreRun run(path, [&r](RestoreRun::Outcome o, const QString& m) {
            r.finished = true;
            r.outcome = o;
            r.message = m;
        });
        if (run.Start(false)) h->runUntil([&] { return run.Poll(), r.finished; }, 1800000);
        return r;
    }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        QuietHeadlessMessages();
    }
    void init() {
        ResetProgramState();
        boxes.clear();
        platform::SetMessageBoxHandler([this](const QString& text, const QString&, int buttons) {
            boxes << text;
            return buttons == platform::MB_YESNO ? int(platform::IDYES) : int(platform::IDOK);
        });
    }
    void cleanup() { steps::EndSession(h); }

    void backFromFactoryDefaults_data() {
        QTest::addColumn<int>("which");
        QTest::newRow("802.1Q, trunks, ports, misc") << 0;
        QTest::newRow("port-based, four-port trunk, fibre modules") << 1;
    }
    void backFromFactoryDefaults() {
        QFETCH(int, which);
        const sim::SwitchState original = which == 0 ? Dot1qState() : PortBasedState();
        const QString path = dir.filePath(QStringLiteral("f%1.json").arg(which));
        QVERIFY(Session(original));
        QVERIFY(Backup(path));

        const sim::SwitchState factory = sim::FactoryState(original.moduleTypes);
        QVERIFY(Session(factory));
        boxes.clear();
        const Result r = Restore(path);
        QVERIFY(r.finished);
        QVERIFY2(r.outcome == RestoreRun::Outcome::Verified,
                 qPrintable(r.message + boxes.join(QLatin1Char('|'))));
        // The summary was asked before anything was typed.
        QVERIFY(!boxes.isEmpty() && boxes[0].startsWith(LangText(1354).trimmed()) &&
                boxes[0].contains(QLatin1String("\nTrunk ")));

        // Every setting of the file is back; the account and the other
        // mode's group table are not in a file.
        sim::SwitchState expected = original;
        expected.user = factory.user;
        expected.password = factory.password;
        if (which == 1) expected.dot1qGroups = factory.dot1qGroups;
        const sim::SwitchState got = h->sim().state();
        QCOMPARE(got.vlanMode, expected.vlanMode);
        QVERIFY(got.trunks == expected.trunks);
        for (int p = 0; p < sim::kPortCount; ++p)
            QVERIFY2(got.ports[p] == expected.ports[p], qPrintable(QString::number(p + 1)));
        QVERIFY(got.portBasedGroups == expected.portBasedGroups);
        QVERIFY(got.dot1qGroups == expected.dot1qGroups);
        QCOMPARE(got.retryForever, expected.retryForever);
        QCOMPARE(got.autoAging, expected.autoAging);
        QCOMPARE(got.macHash, expected.macHash);
        QVERIFY(steps::MainUp());
    }

    void matchingSwitchGetsOnlyTheReading() {
        const QString path = dir.filePath(QStringLiteral("same.json"));
        QVERIFY(Session(Dot1qState()));
        h->clearKeysTyped();
        QVERIFY(Backup(path));
        const QByteArray readingKeys = QByteArray::fromStdString(h->keysTyped());
        const int stores = h->sim().storeCount();
        h->clearKeysTyped();
        boxes.clear();
        const Result r = Restore(path);
        QVERIFY(r.outcome == RestoreRun::Outcome::Unchanged);
        QCOMPARE(QByteArray::fromStdString(h->keysTyped()), readingKeys);
        QCOMPARE(h->sim().storeCount(), stores);
        QVERIFY(boxes.isEmpty());
    }

    void badFieldRefusedBeforeAnyKey() {
        const QString path = dir.filePath(QStringLiteral("bad.json"));
        QVERIFY(Session(Dot1qState()));
        QVERIFY(Backup(path));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QByteArray json = f.readAll();
        f.close();
        json.replace("\"PORT3\": 20", "\"PORT3\": 300");
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(json);
        f.close();
        h->clearKeysTyped();
        const sim::SwitchState before = h->sim().state();
        const Result r = Restore(path);
        QVERIFY(r.outcome == RestoreRun::Outcome::BadFile);
        QCOMPARE(r.message, QStringLiteral("pvids.PORT3: must be 1 to 255"));
        h->runFor(2000);
        QVERIFY(h->keysTyped().empty());
        QCOMPARE(h->sim().state(), before);
    }

    void restartInTheMiddleFails() {
        const QString path = dir.filePath(QStringLiteral("cut.json"));
        QVERIFY(Session(Dot1qState()));
        QVERIFY(Backup(path));
        sim::FaultOptions faults;
        faults.powerCycleAt = "edit:trunk";
        QVERIFY(Session(sim::FactoryState(), faults));
        const Result r = Restore(path);
        QVERIFY(r.finished);
        QVERIFY(r.outcome == RestoreRun::Outcome::Lost);
        QCOMPARE(r.message.trimmed(), LangText(1351).trimmed());
    }
};

QTEST_MAIN(RestoreFlowTest)
#include "tst_restore_flow.moc"
