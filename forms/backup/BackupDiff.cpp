// The differences between what the switch holds and what a settings file
// holds, one line per setting, in the order a restore writes them.
#include "forms/backup/BackupModel.h"
#include "forms/backup/SettingsRestore.h"
#include "forms/port/PortModel.h"
#include "forms/trunk/TrunkModel.h"
#include "shared/FieldText.h"

#include <algorithm>

namespace {

std::string Members(const std::vector<int>& ports) {
    std::string s;
    for (int p : ports) {
        if (!s.empty()) s += ' ';
        s += ConsolePortName(p);
    }
    return s.empty() ? "none" : s;
}

std::string Names(const std::vector<std::string>& names) {
    std::string s;
    for (const std::string& n : names)
        s += (s.empty() ? "" : " ") + n;
    return s.empty() ? "none" : s;
}

std::string Word(bool on) {
    return on ? "on" : "off";
}

void Field(std::string& line, const char* what, const std::string& now, const std::string& want) {
    if (now == want) return;
    line += (line.empty() ? "" : ", ") + std::string(what) + " " + now + " -> " + want;
}

const BackupPort* FindPort(const BackupDocument& d, const std::string& name) {
    for (const BackupPort& p : d.ports)
        if (p.name == name) return &p;
    return nullptr;
}

const BackupGroup* FindGroup(const BackupDocument& d, const std::string& name) {
    for (const BackupGroup& g : d.groups)
        if (g.name == name) return &g;
    return nullptr;
}

std::string GroupText(const BackupGroup& g) {
    std::string s;
    for (const auto& [choice, names] : g.members)
        s += (s.empty() ? "" : "; ") + choice + " " + Names(names);
    return s.empty() ? "no members" : s;
}

void PortLines(const BackupDocument& now, const BackupDocument& want,
               std::vector<std::string>& out) {
    for (const BackupPort& w : want.ports) {
        const BackupPort* n = FindPort(now, w.name);
        if (!n) {
            out.push_back("Port " + w.name + ": not on the switch");
            continue;
        }
        const bool speedRuns = SpeedRunsOn(n->type, w.speed);
        if (n->type != w.type)
            out.push_back("Port " + w.name + ": type " + w.type + " in the file, " + n->type +
                          " on the switch" + (speedRuns ? "" : "; its speed is not set"));
        std::string line;
        Field(line, "in rate", std::to_string(n->inRate), std::to_string(w.inRate));
        Field(line, "out rate", std::to_string(n->outRate), std::to_string(w.outRate));
        Field(line, "enabled", Word(n->enabled), Word(w.enabled));
        Field(line, "negotiation", n->autoNego, w.autoNego);
        if (n->type == w.type || speedRuns) Field(line, "speed", n->speed, w.speed);
        Field(line, "flow control full", Word(n->flowFull), Word(w.flowFull));
        Field(line, "flow control half", Word(n->flowHalf), Word(w.flowHalf));
        if (!line.empty()) out.push_back("Port " + w.name + ": " + line);
    }
}

void GroupLines(const BackupDocument& now, const BackupDocument& want,
                std::vector<std::string>& out) {
    for (const BackupGroup& w : want.groups) {
        const BackupGroup* n = now.vlanMode == want.vlanMode ? FindGroup(now, w.name) : nullptr;
        const std::string head = "VLAN group " + w.name + " (ID " + std::to_string(w.id) + "): ";
        if (!n)
            out.push_back(head + "created, " + GroupText(w));
        else if (n->id != w.id)
            out.push_back(head + "deleted as ID " + std::to_string(n->id) + " and created again, " +
                          GroupText(w));
        else if (n->members != w.members)
            out.push_back(head + GroupText(*n) + " -> " + GroupText(w));
    }
}

} // namespace

BackupDocument RestoreTarget(const BackupDocument& now, const BackupDocument& file,
                             const std::string& user, std::vector<std::string>* kept) {
    BackupDocument target = file;
    target.user = user;
    for (BackupPort& p : target.ports) {
        const BackupPort* n = FindPort(now, p.name);
        if (!n || n->type == p.type) continue;
        p.type = n->type;
        if (SpeedRunsOn(n->type, p.speed)) continue;
        p.speed = n->speed;
        if (kept) kept->push_back(p.name);
    }
    return target;
}

std::vector<std::string> DiffBackups(const BackupDocument& now, const BackupDocument& want) {
    std::vector<std::string> out;
    for (int k = 0; k < kTrunks; ++k) {
        const BackupTrunk& n = now.trunks[k];
        const BackupTrunk& w = want.trunks[k];
        if (n.isStatic == w.isStatic && n.members == w.members) continue;
        out.push_back("Trunk " + std::to_string(k + 1) + ": " +
                      (n.isStatic ? "static " : "disabled ") + Members(n.members) + " -> " +
                      (w.isStatic ? "static " : "disabled ") + Members(w.members));
    }
    PortLines(now, want, out);
    if (now.vlanMode != want.vlanMode)
        out.push_back(std::string("VLAN mode: ") + VlanModeWord(now.vlanMode) + " -> " +
                      VlanModeWord(want.vlanMode));
    GroupLines(now, want, out);
    for (const auto& [name, pvid] : want.pvids) {
        const auto it = now.pvids.find(name);
        const int before = it == now.pvids.end() ? 0 : it->second;
        if (before != pvid)
            out.push_back("PVID of " + name + ": " + std::to_string(before) + " -> " +
                          std::to_string(pvid));
    }
    if (now.vlanMode == want.vlanMode)
        for (const BackupGroup& n : now.groups)
            if (!FindGroup(want, n.name))
                out.push_back("VLAN group " + n.name + " (ID " + std::to_string(n.id) +
                              "): deleted");
    std::string misc;
    Field(misc, "retry forever", Word(now.retryForever), Word(want.retryForever));
    Field(misc, "auto-aging", Word(now.autoAging), Word(want.autoAging));
    Field(misc, "MAC hash", now.macHash, want.macHash);
    Field(misc, "console user", now.user, want.user);
    if (!misc.empty()) out.push_back("Misc: " + misc);
    return out;
}
