// Backups and restores of the simulated switch through the real windows
// (offscreen, over the in-memory line), checked against the switch's state:
// the file a state must give is worked out from the state itself.
#include "forms/backup/BackupModel.h"
#include "forms/backup/HeadlessRun.h"
#include "forms/backup/SettingsFile.h"
#include "forms/backup/SettingsRestore.h"
#include "forms/base/FormRefs.h"
#include "forms/session/Restartconfigform.h"
#include "forms/vlan/VlanSupportModel.h"
#include "lang/TextIds.h"
#include "sim/SwitchState.h"
#include "tests/harness/WindowTest.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <utility>

namespace {

// A logged-in session of the real windows against a simulated switch, the
// message boxes it showed (a question is answered Yes), and backups and
// restores run through it.
struct FlowSession {
    std::unique_ptr<LinkHarness> h;
    MessageBoxes boxes;

    bool Start(const sim::SwitchState& state, sim::FaultOptions faults = {}) {
        steps::EndSession(h);
        steps::BeginCase(boxes);
        sim::Options o;
        o.initial = state;
        o.faults = faults;
        h = std::make_unique<LinkHarness>(std::move(o));
        steps::ShowWelcome();
        return steps::Connect(*h) && steps::LogIn(*h, state.user.c_str(), state.password.c_str());
    }

    // How a backup (ok) or a restore (outcome) ended.
    struct Outcome {
        bool finished = false, ok = false;
        RestoreRun::Outcome outcome = RestoreRun::Outcome::Lost;
        QString message;
        QStringList progress; // a backup walk's busy texts
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

    Outcome Restore(const QString& path) {
        Outcome r;
        RestoreRun run(path, [&r](RestoreRun::Outcome o, const QString& m) {
            r.finished = true;
            r.outcome = o;
            r.message = m;
        });
        if (run.Start(false)) h->runUntil([&] { return run.Poll(), r.finished; }, 1800000);
        return r;
    }
    // `file`, written to `path`, restored onto a switch in state `onto`; the
    // keys typed are counted from the restore on.
    Outcome RestoreOnto(const QString& path, const QByteArray& file, const sim::SwitchState& onto,
                        sim::FaultOptions faults = {}) {
        QFile f(path);
        const bool written = f.open(QIODevice::WriteOnly) && f.write(file) == file.size();
        f.close();
        if (!written || !Start(onto, std::move(faults))) return {};
        h->clearKeysTyped();
        return Restore(path);
    }
};

inline std::string Trimmed(const std::string& s) {
    return QString::fromStdString(s).trimmed().toStdString();
}

inline BackupDocument Expected(const sim::SwitchState& s) {
    BackupDocument d;
    bool rowDone[sim::kTrunkCount] = {};
    for (int p = 0; p < sim::kPortCount; ++p) {
        int t = -1; // a static trunk's members share its row
        for (int k = 0; k < sim::kTrunkCount; ++k)
            if (s.trunks[k].isStatic && s.trunks[k].members[p]) t = k;
        if (t >= 0 && std::exchange(rowDone[t], true)) continue;
        const sim::Port& port = s.ports[p];
        const std::string name = t >= 0 ? "TRK" + std::to_string(t + 1) : sim::PortName(p + 1);
        d.ports.push_back({name, port.type, port.inRate, port.outRate, port.enabled,
                           Trimmed(port.autoNego), Trimmed(port.speed), port.flowFull,
                           port.flowHalf});
    }
    for (int t = 0; t < sim::kTrunkCount; ++t) {
        d.trunks[t].isStatic = s.trunks[t].isStatic;
        for (int p = 0; p < sim::kPortCount; ++p)
            if (s.trunks[t].members[p]) d.trunks[t].members.push_back(p + 1);
    }
    d.vlanMode = s.vlanMode == sim::kModeDot1q       ? kModeDot1q
                 : s.vlanMode == sim::kModePortBased ? kModePortBased
                                                     : kModeDisabled;
    if (d.vlanMode == kModeDot1q)
        for (int p = 0; p < sim::kPortCount; ++p)
            d.pvids[sim::PortName(p + 1)] = s.ports[p].pvid;
    if (d.vlanMode != kModeDisabled)
        for (const sim::VlanGroup& g : s.groups()) {
            BackupGroup b{g.id, g.name, {}};
            for (int p = 0; p < sim::kPortCount; ++p) {
                if (g.member[p] == sim::kMemberNo) continue;
                const char* word = d.vlanMode == kModePortBased        ? "member"
                                   : g.member[p] == sim::kMemberTagged ? "tagged"
                                                                       : "untagged";
                b.members[word].push_back(sim::PortName(p + 1));
            }
            d.groups.push_back(b);
        }
    d.retryForever = s.retryForever == "Enabled ";
    d.autoAging = s.autoAging == "Enabled ";
    d.macHash = Trimmed(s.macHash);
    d.user = s.user;
    return d;
}

inline void SetTrunk(sim::SwitchState& s, int t, std::initializer_list<int> ports, bool on) {
    s.trunks[t].isStatic = on;
    for (int p : ports)
        s.trunks[t].members[p - 1] = true;
}

inline sim::VlanGroup Group(int id, const char* name, std::initializer_list<int> untagged,
                            std::initializer_list<int> tagged = {}) {
    sim::VlanGroup g;
    g.id = id;
    g.name = name;
    for (int p : untagged)
        g.member[p - 1] = sim::kMemberUntagged;
    for (int p : tagged)
        g.member[p - 1] = sim::kMemberTagged;
    return g;
}

// 802.1Q with three VLANs and PVIDs, a static trunk, a module trunk, a
// trunk that is not static, changed ports, misc settings and account.
inline sim::SwitchState Dot1qState() {
    sim::SwitchState s = sim::FactoryState({"1000TX", "1000TX"});
    SetTrunk(s, 0, {1, 2}, true);
    SetTrunk(s, 1, {25, 26}, true);
    SetTrunk(s, 2, {5, 6, 7}, false);
    s.ports[9].inRate = 300;
    s.ports[9].outRate = 250;
    s.ports[10].autoNego = "   FORCE  ";
    s.ports[10].speed = "  10 Half";
    s.ports[11].enabled = false;
    s.ports[12].flowHalf = true;
    s.vlanMode = sim::kModeDot1q;
    s.dot1qGroups = {Group(1, "VLAN1", {1, 2, 4, 5, 6, 7, 8}), Group(20, "voice", {3}, {26}),
                     Group(300, "lab", {}, {9, 10})};
    s.ports[2].pvid = 20;
    s.ports[8].pvid = 255;
    s.retryForever = "Enabled ";
    s.autoAging = "Disabled";
    s.macHash = "DirectMap";
    s.user = "netops";
    s.password = "s3cret";
    return s;
}

// The file a backup of the state gives (without a walk).
inline QByteArray FileOf(const sim::SwitchState& s) {
    BackupDocument d = Expected(s);
    d.firmware = "1.02a - A1";
    d.time = "2026-12-06T00:00:00Z";
    return BackupToJson(d);
}

// Loses the first `key` the program types while the console is at `screen`.
inline sim::FaultOptions LoseFirstKey(const std::unique_ptr<LinkHarness>& h, std::string screen,
                                      char key) {
    sim::FaultOptions f;
    f.loseKey = [&h, screen, key, lost = false](uint8_t k) mutable {
        const bool now = !lost && k == key && h->sim().where() == screen;
        lost = lost || now;
        return now;
    };
    return f;
}

inline sim::SwitchState Dot1qFactory() {
    sim::SwitchState s = sim::FactoryState();
    s.vlanMode = sim::kModeDot1q;
    return s;
}

inline sim::SwitchState PortBasedState() {
    sim::SwitchState s = sim::FactoryState({"1000FX", "100FX"});
    SetTrunk(s, 3, {20, 21, 22, 23}, true);
    s.vlanMode = sim::kModePortBased;
    s.portBasedGroups = {Group(3, "eng", {5, 6, 20}), Group(26, "ops", {8, 25})};
    s.dot1qGroups = {Group(1, "VLAN1", {1, 2, 3})}; // the other mode's table
    s.autoAging = "Disabled";
    return s;
}

// A fault under a backup: a byte of the port screen changed (see
// backupUnderAFault), or a restart at a screen of the walk.
struct BackupFault {
    const char* name;
    const char *mark, *thenMark; // `from` right after them turns into `to`
    char from, to;
    int times, failText;
    const char* why;
    int portReads;
    const char* cycleAt;
};
const BackupFault kBackupFaults[] = {
    {"name, once: read again", "PORT", "", '4', '6', 1, 0, "", 2, ""},
    {"name, every time: fails", "PORT", "", '4', '6', 1000, txt::WalkPortNamesWrong,
     "row 4: PORT6 in place of PORT4", 2, ""},
    {"module rate: the reader refuses it", "MOD_1", "17H", '0', '1', 1000, txt::BackupNotRestorable,
     "ports[24].inRate: must be 0 on a module port", 1, ""},
    {"a restart under the walk", "", "", 0, 0, 0, txt::WalkSessionEnded, "", 1, "grouplist"},
};

} // namespace

Q_DECLARE_METATYPE(sim::SwitchState)

class BackupFlowTest : public QObject {
    Q_OBJECT
    FlowSession s;
    QTemporaryDir dir;

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        QuietHeadlessMessages();
        InstallSettingsFileButtons(); // the main window as the program shows it
    }
    void cleanup() { steps::EndSession(s.h); }

    // A backup holds every setting of the current mode and stores nothing;
    // the console is back on the main menu with Static Configuration
    // highlighted, as the main window believes (Reboot Switch opens the
    // restart menu). Restored onto the same switch, nothing is typed but the
    // keys of the reading and nothing asked; onto one at factory defaults,
    // every setting of the file comes back.
    void backupThenRestore_data() {
        QTest::addColumn<int>("which");
        QTest::newRow("802.1Q, trunks, ports, misc") << 0;
        QTest::newRow("port-based, four-port trunk, fibre modules") << 1;
        QTest::newRow("factory defaults") << 2;
    }
    void backupThenRestore() {
        QFETCH(int, which);
        const sim::SwitchState state = which == 0   ? Dot1qState()
                                       : which == 1 ? PortBasedState()
                                                    : sim::FactoryState();
        QVERIFY(s.Start(state));
        const QString path = dir.filePath(QStringLiteral("backup%1.json").arg(which));
        s.h->clearKeysTyped();
        const FlowSession::Outcome out = s.Backup(path);
        QVERIFY2(out.ok, qPrintable(out.message));
        QCOMPARE(out.message, path);
        const std::string readingKeys = s.h->keysTyped();
        const uint64_t stores = s.h->sim().storeCount();
        QCOMPARE(s.h->sim().state(), state);

        BackupDocument doc;
        std::string error;
        QVERIFY2(ReadSettingsFile(path, doc, error), error.c_str());
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

        QVERIFY(steps::MainUp());
        QCOMPARE(s.h->sim().where(), std::string("main"));
        steps::SaveScreenshot(frmMain.get(), QStringLiteral("main-menu"));
        frmMain->btnReboot->click();
        QVERIFY(s.h->runUntil([] { return steps::Up(frmRestartConfig.get()); }, 20000));
        QCOMPARE(s.h->sim().where(), std::string("restart"));

        QVERIFY(s.Start(state));
        s.h->clearKeysTyped();
        QVERIFY(s.Restore(path).outcome == RestoreRun::Outcome::Unchanged);
        QCOMPARE(QByteArray::fromStdString(s.h->keysTyped()),
                 QByteArray::fromStdString(readingKeys));
        QCOMPARE(s.h->sim().storeCount(), stores);
        QVERIFY(s.boxes.isEmpty());
        if (which == 2) return;

        const sim::SwitchState factory = sim::FactoryState(state.moduleTypes);
        QVERIFY(s.Start(factory));
        const FlowSession::Outcome r = s.Restore(path);
        QVERIFY2(r.outcome == RestoreRun::Outcome::Verified,
                 qPrintable(r.message + s.boxes.texts().join(QLatin1Char('|'))));
        // The summary was asked before anything was typed.
        QVERIFY(!s.boxes.isEmpty() && s.boxes[0].text.startsWith(LangText(1354).trimmed()) &&
                s.boxes[0].text.contains(QLatin1String("\nTrunk ")));
        // The account and the other mode's group table are not in a file.
        sim::SwitchState expected = state;
        expected.user = factory.user;
        expected.password = factory.password;
        if (which == 1) expected.dot1qGroups = factory.dot1qGroups;
        QCOMPARE(s.h->sim().state(), expected);
        QVERIFY(steps::MainUp());
    }

    // A backup that cannot be trusted fails and writes nothing. Bytes changed
    // on the line while the port screen is drawn: a name (PORT4 read as
    // PORT6, one bit) stays on its own screen row, so only the names tell:
    // once, the ports are read again and the file is right; every time, the
    // backup fails. A module port's rate read as 1 passes the port window but
    // not the restore's reader. A restart under the walk fails clearly.
    void backupUnderAFault_data() {
        QTest::addColumn<int>("row");
        for (size_t i = 0; i < std::size(kBackupFaults); ++i)
            QTest::newRow(kBackupFaults[i].name) << int(i);
    }
    void backupUnderAFault() {
        QFETCH(int, row);
        const BackupFault& fault = kBackupFaults[row];
        sim::FaultOptions faults;
        faults.powerCycleAt = fault.cycleAt;
        QVERIFY(s.Start(Dot1qFactory(), faults));
        // `from` right after the marks, in order (a name's start, a cell's
        // cursor position), arrives as `to` the first `times` times.
        struct Flip {
            std::vector<std::string> marks;
            size_t next = 0;
            int left = 0;
            std::string tail;
        };
        auto flip = std::make_shared<Flip>();
        for (const char* m : {fault.mark, fault.thenMark})
            if (*m) flip->marks.push_back(m);
        flip->left = fault.times;
        LinkHarness* h = s.h.get();
        h->line().options().alterOutput = [flip, h, &fault](uint8_t b) -> uint8_t {
            Flip& f = *flip;
            if (f.next == f.marks.size()) {
                f.next = 0;
                if (f.left <= 0 || h->sim().where() != "port" || b != uint8_t(fault.from)) return b;
                --f.left;
                return uint8_t(fault.to);
            }
            f.tail += char(b);
            const std::string& mark = f.marks[f.next];
            if (f.tail.size() >= mark.size() &&
                f.tail.compare(f.tail.size() - mark.size(), mark.size(), mark) == 0) {
                ++f.next;
                f.tail.clear();
            }
            return b;
        };
        const QString path = dir.filePath(QStringLiteral("fault%1.json").arg(row));
        const FlowSession::Outcome out = s.Backup(path);
        h->line().options().alterOutput = nullptr;
        QVERIFY(out.finished);
        QCOMPARE(out.progress.count(LangText(txt::BusyReadPorts).trimmed()), fault.portReads);
        if (fault.failText == 0) {
            QVERIFY2(out.ok, qPrintable(out.message));
            BackupDocument doc;
            std::string error;
            QVERIFY2(ReadSettingsFile(path, doc, error), error.c_str());
            QCOMPARE(doc.ports, Expected(sim::FactoryState()).ports);
        } else {
            QVERIFY(!out.ok);
            QCOMPARE(out.message.trimmed(),
                     LangText(fault.failText)
                         .trimmed()
                         .replace(QLatin1String("%1"), QLatin1String(fault.why)));
            QVERIFY(!QFile::exists(path));
        }
    }

    // A switch that differs from the file in one setting, or in which
    // trunk holds which ports, gets it written and verified. A module of
    // another type keeps its type, and its speed when it cannot run the
    // file's (the result names that port; a speed it runs is written).
    void oneDifferenceRestored_data() {
        QTest::addColumn<sim::SwitchState>("file");
        QTest::addColumn<sim::SwitchState>("onto");
        QTest::addColumn<QString>("note");
        const sim::SwitchState factory = sim::FactoryState();
        sim::SwitchState s = factory;
        s.ports[6].flowHalf = true;
        QTest::newRow("half-duplex flow control only") << s << factory << QString();
        s = factory;
        s.macHash = "DirectMap";
        QTest::newRow("MAC hash only") << s << factory << QString();
        QTest::newRow("CRC-Hash as the target") << factory << s << QString();
        s = factory;
        SetTrunk(s, 0, {1, 3}, true);
        SetTrunk(s, 1, {2, 4}, true);
        sim::SwitchState swapped = factory;
        SetTrunk(swapped, 0, {1, 2}, true);
        SetTrunk(swapped, 1, {3, 4}, true);
        QTest::newRow("two static trunks swap members") << s << swapped << QString();
        s = factory;
        s.ports[24].speed = " 100 Full";
        s.ports[24].enabled = false;
        QTest::newRow("other module types")
            << s << sim::FactoryState({"1000FX", "1000FX"})
            << QStringLiteral(
                   "Ports that kept their own speed (the file's needs another module type): MOD_1");
        s = sim::FactoryState();
        s.ports[25].speed = " 100 Full";
        QTest::newRow("other module types, the file's speed runs on them")
            << sim::FactoryState({"1000FX", "1000FX"}) << s << QString();
        // A name damaged on an earlier line: the group holding ID 30 is a
        // port's PVID, which the console must let go before the delete.
        s = factory;
        s.vlanMode = sim::kModeDot1q;
        s.dot1qGroups = {Group(1, "VLAN1", {1, 2, 3}), Group(30, "cams", {7})};
        s.ports[6].pvid = 30;
        sim::SwitchState renamed = s;
        renamed.dot1qGroups[1].name = "cams30";
        QTest::newRow("a group of another name holds the ID, a port's PVID")
            << s << renamed << QString();
    }
    void oneDifferenceRestored() {
        QFETCH(sim::SwitchState, file);
        QFETCH(sim::SwitchState, onto);
        QFETCH(QString, note);
        const FlowSession::Outcome r =
            s.RestoreOnto(dir.filePath(QStringLiteral("one.json")), FileOf(file), onto);
        QVERIFY2(r.outcome == RestoreRun::Outcome::Verified,
                 qPrintable(r.message + s.boxes.texts().join(QLatin1Char('|'))));
        QCOMPARE(r.message.trimmed(), (LangText(1357) + note).trimmed());
        sim::SwitchState expected = file;
        expected.moduleTypes = onto.moduleTypes;
        for (int p : {24, 25})
            if (file.ports[p].type != onto.ports[p].type) {
                expected.ports[p].type = onto.ports[p].type;
                if (note.contains(QString::fromStdString(sim::PortName(p + 1))))
                    expected.ports[p].speed = onto.ports[p].speed;
            }
        QCOMPARE(s.h->sim().state(), expected);
    }

    // One key lost while a window's Apply types the restore's values: the
    // switch stores something else, which the verify names (a misc save
    // retypes the console user name, compared with the one the switch had).
    void aDamagedWriteShowsInTheVerify_data() {
        QTest::addColumn<sim::SwitchState>("file");
        QTest::addColumn<sim::SwitchState>("onto");
        QTest::addColumn<QString>("screen");
        QTest::addColumn<char>("key");
        QTest::addColumn<QString>("line");
        const sim::SwitchState factory = sim::FactoryState();
        sim::SwitchState file = factory, onto = factory;
        file.macHash = "DirectMap";
        onto.user = "netops";
        QTest::newRow("misc: the user name")
            << file << onto << QStringLiteral("edit:misc") << 'o'
            << QStringLiteral("Misc: console user netps -> netops");
        file = factory;
        file.ports[9].inRate = 300;
        QTest::newRow("port row: a rate") << file << factory << QStringLiteral("edit:port") << '3'
                                          << QStringLiteral("Port PORT10: in rate 0 -> 300");
        file = factory;
        SetTrunk(file, 0, {1, 2}, true);
        QTest::newRow("trunks: a member")
            << file << factory << QStringLiteral("edit:trunk") << ' '
            << QStringLiteral("Trunk 1: disabled none -> static PORT1 PORT2");
        onto = Dot1qFactory();
        onto.dot1qGroups.push_back(Group(20, "voice", {}));
        file = onto;
        file.ports[2].pvid = 20;
        QTest::newRow("PVIDs") << file << onto << QStringLiteral("edit:vlansupport") << '2'
                               << QStringLiteral("PVID of PORT3: 1 -> 20");
        file = onto;
        file.dot1qGroups.back() = Group(20, "voice", {3});
        QTest::newRow("group members")
            << file << onto << QStringLiteral("edit:group") << ' '
            << QStringLiteral("VLAN group voice (ID 20): no members -> untagged PORT3");
        file = Dot1qFactory();
        file.dot1qGroups.push_back(Group(20, "voice", {}));
        QTest::newRow("group name")
            << file << Dot1qFactory() << QStringLiteral("edit:group") << 'v'
            << QStringLiteral("VLAN group voice (ID 20): created, no members");
    }
    void aDamagedWriteShowsInTheVerify() {
        QFETCH(sim::SwitchState, file);
        QFETCH(sim::SwitchState, onto);
        QFETCH(QString, screen);
        QFETCH(char, key);
        QFETCH(QString, line);
        const FlowSession::Outcome r =
            s.RestoreOnto(dir.filePath(QStringLiteral("damaged.json")), FileOf(file), onto,
                          LoseFirstKey(s.h, screen.toStdString(), key));
        QVERIFY2(r.outcome == RestoreRun::Outcome::Differs,
                 qPrintable(r.message + s.boxes.texts().join(QLatin1Char('|'))));
        QVERIFY2(r.message.split(QLatin1Char('\n')).contains(line), qPrintable(r.message));
        if (screen == QLatin1String("edit:misc"))
            QVERIFY(s.boxes.texts().contains(QStringLiteral(
                "The switch stored the user name 'netps', not 'netops'. Log in with 'netps' and "
                "correct it.\n\nPress OK to return to the static configuration menu.\n")));
    }

    // A file with a bad field is refused before any key; a restart in the
    // middle of a restore fails clearly.
    void restoreFails() {
        const QString path = dir.filePath(QStringLiteral("fails.json"));
        const QByteArray file = FileOf(Dot1qState());
        QByteArray bad = file;
        bad.replace("\"PORT3\": 20", "\"PORT3\": 300");
        FlowSession::Outcome r = s.RestoreOnto(path, bad, Dot1qState());
        QVERIFY(r.outcome == RestoreRun::Outcome::BadFile);
        QCOMPARE(r.message, QStringLiteral("pvids.PORT3: must be 1 to 255"));
        s.h->runFor(2000);
        QVERIFY(s.h->keysTyped().empty());
        QCOMPARE(s.h->sim().state(), Dot1qState());

        sim::FaultOptions faults;
        faults.powerCycleAt = "edit:trunk";
        r = s.RestoreOnto(path, file, sim::FactoryState(), faults);
        QVERIFY(r.finished && r.outcome == RestoreRun::Outcome::Lost);
        QCOMPARE(r.message.trimmed(), LangText(1351).trimmed());
    }
};

QTEST_MAIN(BackupFlowTest)
#include "tst_backup_flow.moc"
