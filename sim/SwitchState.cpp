#include "sim/SwitchState.h"

#include <algorithm>
#include <cctype>

namespace sim {

const char* const kModeDisabled = "Disabled ";
const char* const kModePortBased = "PortBased";
const char* const kModeDot1q = "802.1Q   ";

std::vector<VlanGroup>& SwitchState::groups() {
    return vlanMode == kModePortBased ? portBasedGroups : dot1qGroups;
}

const std::vector<VlanGroup>& SwitchState::groups() const {
    return vlanMode == kModePortBased ? portBasedGroups : dot1qGroups;
}

const std::vector<std::string>& EnableChoices() {
    static const std::vector<std::string> v{"Yes", " No"};
    return v;
}
const std::vector<std::string>& AutoChoices() {
    static const std::vector<std::string> v{"   FORCE  ", "   AUTO   ", "NWAY_FORCE"};
    return v;
}
const std::vector<std::string>& FlowChoices() {
    static const std::vector<std::string> v{" On", "Off"};
    return v;
}
const std::vector<std::string>& TrunkStatusChoices() {
    static const std::vector<std::string> v{"Static ", "Disable"};
    return v;
}
const std::vector<std::string>& TrunkCellChoices() {
    static const std::vector<std::string> v{"v", "-"};
    return v;
}
const std::vector<std::string>& VlanModeChoices() {
    static const std::vector<std::string> v{kModeDisabled, kModePortBased, kModeDot1q};
    return v;
}
const std::vector<std::string>& PortBasedMemberChoices() {
    static const std::vector<std::string> v{"No    ", "Member"};
    return v;
}
const std::vector<std::string>& Dot1qMemberChoices() {
    static const std::vector<std::string> v{"No      ", "UnTagged", "Tagged  "};
    return v;
}
const std::vector<std::string>& EnabledDisabledChoices() {
    static const std::vector<std::string> v{"Enabled ", "Disabled"};
    return v;
}
const std::vector<std::string>& MacHashChoices() {
    static const std::vector<std::string> v{"CRC-Hash ", "DirectMap"};
    return v;
}
const std::vector<std::string>& ModuleTypes() {
    static const std::vector<std::string> v{"1000TX", "1000FX", "100FX", "NC"};
    return v;
}

const std::vector<std::string>& SpeedChoices(const std::string& type) {
    static const std::vector<std::string> tx100{"  10 Half", "  10 Full", " 100 Half", " 100 Full"};
    static const std::vector<std::string> tx1000{"  10 Half", "  10 Full", " 100 Half",
                                                 " 100 Full", "1000 Half", "1000 Full"};
    static const std::vector<std::string> fx100{" 100 Half"};
    static const std::vector<std::string> fx1000{"1000 Full"};
    static const std::vector<std::string> nc{"   NC    "};
    static const std::vector<std::string> none;
    if (type == "100TX") return tx100;
    if (type == "1000TX") return tx1000;
    if (type == "100FX") return fx100;
    if (type == "1000FX") return fx1000;
    if (type == "NC") return nc;
    return none;
}

std::string DefaultSpeed(const std::string& type) {
    if (type == "100TX") return " 100 Full";
    if (type == "100FX") return " 100 Half";
    if (type == "NC") return "   NC    ";
    return "1000 Full";
}

bool IsModuleType(const std::string& type) {
    const auto& m = ModuleTypes();
    return std::find(m.begin(), m.end(), type) != m.end();
}

std::string PortName(int port) {
    if (port == 25) return "MOD_1";
    if (port == 26) return "MOD_2";
    return "PORT" + std::to_string(port);
}

bool IsReservedGroupName(const std::string& name) {
    std::string upper;
    for (char c : name)
        upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (int p = 1; p <= kPortCount; ++p)
        if (upper == PortName(p)) return true;
    for (int t = 1; t <= kTrunkCount; ++t)
        if (upper == "TRK" + std::to_string(t)) return true;
    return false;
}

SwitchState FactoryState(const std::array<std::string, 2>& moduleTypes) {
    SwitchState s;
    for (int i = 0; i < 2; ++i)
        s.moduleTypes[i] = IsModuleType(moduleTypes[i]) ? moduleTypes[i] : "NC";
    for (int i = 0; i < kPortCount; ++i) {
        Port& p = s.ports[i];
        p.type = i < 24 ? "100TX" : s.moduleTypes[i - 24];
        p.autoNego = "   AUTO   ";
        p.speed = DefaultSpeed(p.type);
    }
    s.vlanMode = kModeDisabled;
    VlanGroup vlan1;
    vlan1.id = 1;
    vlan1.name = "VLAN1";
    vlan1.member.fill(kMemberUntagged);
    s.dot1qGroups.push_back(vlan1);
    s.user = "admin";
    s.password = "admin";
    s.retryForever = "Disabled";
    s.autoAging = "Enabled ";
    s.macHash = "CRC-Hash ";
    s.firmwareVersion = "1.02 (Jul 12 2004)";
    s.firmwareRevision = "a";
    s.hardwareVersion = "A1";
    s.macAddress = "02-00-00-24-02-01";
    return s;
}

} // namespace sim
