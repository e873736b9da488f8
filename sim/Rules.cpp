#include "sim/Rules.h"

#include <algorithm>
#include <cstdlib>

namespace sim {

namespace {

bool InList(const std::vector<std::string>& list, const std::string& v) {
    return std::find(list.begin(), list.end(), v) != list.end();
}

int MemberCount(const Trunk& t) {
    return static_cast<int>(std::count(t.members.begin(), t.members.end(), true));
}

int LowestMember(const Trunk& t) {
    for (int p = 0; p < kPortCount; ++p)
        if (t.members[p]) return p;
    return -1;
}

bool PrintableText(const std::string& s, char lowest) {
    return std::all_of(s.begin(), s.end(), [lowest](char c) { return c >= lowest && c <= 0x7E; });
}

} // namespace

std::string CheckTrunks(const std::array<Trunk, kTrunkCount>& trunks) {
    for (int t = 0; t < kTrunkCount; ++t) {
        int n = MemberCount(trunks[t]);
        if (n == 1 || n > 4) return "Trunk " + std::to_string(t + 1) + ": 2 to 4 members needed.";
    }
    for (int p = 0; p < kPortCount; ++p) {
        int owners = 0;
        for (const Trunk& t : trunks)
            owners += t.members[p] ? 1 : 0;
        if (owners > 1) return "Port " + std::to_string(p + 1) + " is in two trunks.";
    }
    for (int t = 0; t < kTrunkCount; ++t) {
        bool fixed = false, module = false;
        for (int p = 0; p < kPortCount; ++p) {
            if (!trunks[t].members[p]) continue;
            (p < 24 ? fixed : module) = true;
        }
        if (fixed && module)
            return "Trunk " + std::to_string(t + 1) + ": ports 1-24 mixed with M1/M2.";
    }
    return "";
}

std::string TrunkSpeed(const SwitchState& state, const Trunk& trunk) {
    const int lead = LowestMember(trunk);
    if (lead < 0) return "";
    for (int p = lead; p < kPortCount; ++p)
        if (trunk.members[p] && SpeedChoices(state.ports[p].type).size() > 1)
            return state.ports[p].speed;
    return state.ports[lead].speed;
}

const std::vector<std::string>& RowSpeedChoices(const std::string& type, bool moduleTrunk) {
    return SpeedChoices(moduleTrunk ? "1000TX" : type);
}

void ApplyTrunkSettings(SwitchState& state) {
    for (const Trunk& t : state.trunks) {
        int lead = LowestMember(t);
        if (!t.isStatic || lead < 0) continue;
        const Port src = state.ports[lead];
        for (int p = lead + 1; p < kPortCount; ++p) {
            if (!t.members[p]) continue;
            Port& dst = state.ports[p];
            dst.inRate = src.inRate;
            dst.outRate = src.outRate;
            dst.enabled = src.enabled;
            dst.autoNego = src.autoNego;
            if (InList(SpeedChoices(dst.type), src.speed)) dst.speed = src.speed;
            dst.flowFull = src.flowFull;
            dst.flowHalf = src.flowHalf;
        }
    }
}

int StoredRate(int port, int rate) {
    if (port > 24) return 0;
    return std::clamp(rate, 0, kMaxRate);
}

int StoredPvid(int pvid) {
    return pvid >= 1 && pvid <= kMaxPvid ? pvid : 1;
}

int MaxGroupId(bool dot1q) {
    return dot1q ? kMaxDot1qId : kMaxGroups;
}

bool ValidGroupNameChars(const std::string& name) {
    if (name.empty() || name.size() > kMaxGroupName || !PrintableText(name, 0x20)) return false;
    return name.find_first_not_of(' ') != std::string::npos;
}

std::string CheckGroup(const std::vector<VlanGroup>& table, bool dot1q, const std::string& name,
                       int id, int originalId) {
    if (!ValidGroupNameChars(name)) return "name missing";
    if (IsReservedGroupName(name)) return "name reserved";
    if (id < 1 || id > MaxGroupId(dot1q)) return "VLAN ID out of range";
    for (const VlanGroup& g : table)
        if (g.id == id && g.id != originalId) return "VLAN ID already in use";
    if (originalId == 0 && static_cast<int>(table.size()) >= kMaxGroups) return "table full";
    return "";
}

void StoreGroup(std::vector<VlanGroup>& table, const VlanGroup& group, int originalId) {
    if (originalId != 0)
        std::erase_if(table, [originalId](const VlanGroup& g) { return g.id == originalId; });
    auto at = std::find_if(table.begin(), table.end(),
                           [&group](const VlanGroup& g) { return g.id > group.id; });
    table.insert(at, group);
}

bool CanDeleteGroup(const SwitchState& state, int id) {
    if (state.vlanMode == kModePortBased) return true;
    return std::none_of(state.ports.begin(), state.ports.end(),
                        [id](const Port& p) { return p.pvid == id; });
}

std::string CheckGroupIdChange(const SwitchState& state, int id, int originalId) {
    if (originalId == 0 || id == originalId || CanDeleteGroup(state, originalId)) return "";
    return "VLAN ID is a PVID in use";
}

bool ValidAccountText(const std::string& text) {
    return !text.empty() && text.size() <= kMaxAccountText && PrintableText(text, 0x21);
}

bool CheckMisc(const SwitchState& state, const std::string& user, const std::string& oldPassword,
               const std::string& newPassword, const std::string& confirm) {
    if (!ValidAccountText(user)) return false;
    if (oldPassword.empty() && newPassword.empty() && confirm.empty()) return true;
    return oldPassword == state.password && newPassword == confirm && ValidAccountText(newPassword);
}

namespace {

std::string ValidatePorts(const SwitchState& s) {
    for (int i = 0; i < 2; ++i)
        if (!IsModuleType(s.moduleTypes[i]))
            return "moduleTypes[" + std::to_string(i + 1) + "]: \"" + s.moduleTypes[i] +
                   "\" is not a module type";
    for (int i = 0; i < kPortCount; ++i) {
        const Port& p = s.ports[i];
        const std::string f = "ports[" + std::to_string(i + 1) + "].";
        const std::string type = i < 24 ? "100TX" : s.moduleTypes[i - 24];
        if (p.type != type) return f + "type: must be \"" + type + "\"";
        if (p.inRate != StoredRate(i + 1, p.inRate))
            return f + "inRate: " + (i < 24 ? "must be 0 to 1000" : "must be 0 on a module port");
        if (p.outRate != StoredRate(i + 1, p.outRate))
            return f + "outRate: " + (i < 24 ? "must be 0 to 1000" : "must be 0 on a module port");
        if (!InList(AutoChoices(), p.autoNego))
            return f + "autoNego: \"" + p.autoNego + "\" unknown";
        if (!InList(SpeedChoices(p.type), p.speed))
            return f + "speed: \"" + p.speed + "\" is not a choice of a " + p.type + " port";
        if (p.pvid < 1 || p.pvid > kMaxPvid) return f + "pvid: must be 1 to 255";
    }
    return "";
}

std::string ValidateTable(const std::vector<VlanGroup>& table, bool dot1q, const char* field) {
    if (static_cast<int>(table.size()) > kMaxGroups)
        return std::string(field) + ": more than 26 groups";
    for (size_t i = 0; i < table.size(); ++i) {
        const VlanGroup& g = table[i];
        const std::string f = std::string(field) + " (id " + std::to_string(g.id) + ")";
        if (g.id < 1 || g.id > MaxGroupId(dot1q))
            return f + ".id: must be 1 to " + std::to_string(MaxGroupId(dot1q));
        if (i > 0 && table[i - 1].id == g.id) return f + ".id: used twice";
        if (i > 0 && table[i - 1].id > g.id)
            return std::string(field) + ": not in ascending id order";
        if (g.name.size() > kMaxGroupName) return f + ".name: longer than 6 characters";
        if (!ValidGroupNameChars(g.name)) return f + ".name: missing or not printable";
        if (IsReservedGroupName(g.name)) return f + ".name: \"" + g.name + "\" is a port name";
        for (int p = 0; p < kPortCount; ++p)
            if (g.member[p] < kMemberNo || g.member[p] > (dot1q ? kMemberTagged : kMemberUntagged))
                return f + ".member[" + std::to_string(p + 1) + "]: not a member choice";
    }
    return "";
}

// A static trunk's members hold the settings a trunk save copied from its
// lowest member. A later save of a module trunk's row stores its speed only
// on the members whose type offers it, so members of different types may
// differ in speed; members of one type always share theirs.
std::string CheckTrunkMembers(const SwitchState& s) {
    for (const Trunk& t : s.trunks) {
        const int lead = LowestMember(t);
        if (!t.isStatic || lead < 0) continue;
        for (int p = lead + 1; p < kPortCount; ++p) {
            if (!t.members[p]) continue;
            int sameType = lead;
            while (!t.members[sameType] || s.ports[sameType].type != s.ports[p].type)
                ++sameType;
            Port want = s.ports[lead];
            want.type = s.ports[p].type;
            want.speed = s.ports[sameType].speed;
            want.pvid = s.ports[p].pvid;
            if (!(want == s.ports[p]))
                return "ports[" + std::to_string(p + 1) +
                       "]: settings differ from the lowest member of its static trunk";
        }
    }
    return "";
}

} // namespace

std::string ValidateState(const SwitchState& s) {
    if (std::string e = ValidatePorts(s); !e.empty()) return e;
    if (std::string e = CheckTrunks(s.trunks); !e.empty()) return "trunks: " + e;
    if (std::string e = CheckTrunkMembers(s); !e.empty()) return e;
    if (!InList(VlanModeChoices(), s.vlanMode)) return "vlanMode: \"" + s.vlanMode + "\" unknown";
    if (std::string e = ValidateTable(s.portBasedGroups, false, "portBasedGroups"); !e.empty())
        return e;
    if (std::string e = ValidateTable(s.dot1qGroups, true, "dot1qGroups"); !e.empty()) return e;
    if (!ValidAccountText(s.user)) return "user: 1 to 10 characters without blanks";
    if (!ValidAccountText(s.password)) return "password: 1 to 10 characters without blanks";
    if (!InList(EnabledDisabledChoices(), s.retryForever))
        return "retryForever: \"" + s.retryForever + "\" unknown";
    if (!InList(EnabledDisabledChoices(), s.autoAging))
        return "autoAging: \"" + s.autoAging + "\" unknown";
    if (!InList(MacHashChoices(), s.macHash)) return "macHash: \"" + s.macHash + "\" unknown";
    struct Id {
        const char* field;
        const std::string& text;
        size_t max;
    };
    for (const Id& id :
         {Id{"firmwareVersion", s.firmwareVersion, 30},
          Id{"firmwareRevision", s.firmwareRevision, 4},
          Id{"hardwareVersion", s.hardwareVersion, 8}, Id{"macAddress", s.macAddress, 17}}) {
        if (id.text.empty() || id.text.size() > id.max || !PrintableText(id.text, 0x20))
            return std::string(id.field) + ": 1 to " + std::to_string(id.max) +
                   " printable characters";
    }
    return "";
}

} // namespace sim
