#pragma once
// What the backup and restore flow tests share: a session of the real
// windows against the simulated switch, and the settings document a switch
// state must give, worked out from the state itself (the console's rows: a
// static trunk's members on their trunk's row, PVIDs and group members by
// physical port).
#include "forms/BackupModel.h"
#include "forms/FormRefs.h"
#include "forms/HeadlessRun.h"
#include "forms/Restartconfigform.h"
#include "forms/SettingsFile.h"
#include "forms/SettingsRestore.h"
#include "forms/VlanSupportModel.h"
#include "platform/Ui.h"
#include "sim/SwitchState.h"
#include "tests/harness/ProgramReset.h"
#include "tests/harness/WindowSteps.h"

#include <QtTest>

#include <utility>

namespace backupflow {

// A logged-in session of the real windows against a simulated switch, the
// message boxes it showed (a question is answered Yes), and backups and
// restores run through it.
struct FlowSession {
    std::unique_ptr<LinkHarness> h;
    QStringList boxes;

    bool Start(const sim::SwitchState& state, sim::FaultOptions faults = {}) {
        steps::EndSession(h);
        ResetProgramState();
        boxes.clear();
        platform::SetMessageBoxHandler([this](const QString& text, const QString&, int buttons) {
            boxes << text;
            return buttons == platform::MB_YESNO ? int(platform::IDYES) : int(platform::IDOK);
        });
        sim::Options o;
        o.initial = state;
        o.faults = faults;
        h = std::make_unique<LinkHarness>(std::move(o));
        steps::ShowWelcome();
        return steps::Connect(*h) && steps::LogIn(*h, state.user.c_str(), state.password.c_str());
    }

    struct BackupOutcome {
        bool finished = false, ok = false;
        QString message;
        QStringList progress; // the walk's busy texts
    };
    BackupOutcome Backup(const QString& path) {
        BackupOutcome out;
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

    struct RestoreOutcome {
        bool finished = false;
        RestoreRun::Outcome outcome = RestoreRun::Outcome::Lost;
        QString message;
    };
    RestoreOutcome Restore(const QString& path) {
        RestoreOutcome r;
        RestoreRun run(path, [&r](RestoreRun::Outcome o, const QString& m) {
            r.finished = true;
            r.outcome = o;
            r.message = m;
        });
        if (run.Start(false)) h->runUntil([&] { return run.Poll(), r.finished; }, 1800000);
        return r;
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

inline sim::SwitchState PortBasedState() {
    sim::SwitchState s = sim::FactoryState({"1000FX", "100FX"});
    SetTrunk(s, 3, {20, 21, 22, 23}, true);
    s.vlanMode = sim::kModePortBased;
    s.portBasedGroups = {Group(3, "eng", {5, 6, 20}), Group(26, "ops", {8, 25})};
    s.dot1qGroups = {Group(1, "VLAN1", {1, 2, 3})}; // the other mode's table
    s.autoAging = "Disabled";
    return s;
}

} // namespace backupflow
