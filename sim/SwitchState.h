#pragma once
// The switch's stored configuration: what survives a restart and what the
// console's Save actions change. Choice values hold the exact texts the
// console draws, blanks included, so a value can be compared with what the
// program reads back without any conversion.
#include <array>
#include <string>
#include <vector>

namespace sim {

constexpr int kPortCount = 26; // 24 fixed ports and the two module slots
constexpr int kTrunkCount = 7;
constexpr int kMaxGroups = 26; // per group table
constexpr int kMaxRate = 1000; // unit 100 kbit/s, 0 = no limit
constexpr int kMaxPvid = 255;
constexpr int kMaxDot1qId = 4094;
constexpr int kMaxGroupName = 6;
constexpr int kMaxAccountText = 10;

struct Port {
    std::string type; // "100TX", or the module type for ports 25 and 26
    int inRate = 0;
    int outRate = 0;
    bool enabled = true;
    std::string autoNego; // "   FORCE  ", "   AUTO   ", "NWAY_FORCE"
    std::string speed;    // one of SpeedChoices(type)
    bool flowFull = true;
    bool flowHalf = false;
    int pvid = 1;
    bool operator==(const Port&) const = default;
};

struct Trunk {
    bool isStatic = false; // "Static " on the console, else "Disable"
    std::array<bool, kPortCount> members{};
    bool operator==(const Trunk&) const = default;
};

// Membership codes of VlanGroup::member.
enum : int { kMemberNo = 0, kMemberUntagged = 1, kMemberTagged = 2 };

struct VlanGroup {
    int id = 0; // group number 1-26 (port-based) or VID 1-4094 (802.1Q)
    std::string name;
    // 0 = No, 1 = UnTagged (802.1Q) or Member (port-based), 2 = Tagged
    std::array<int, kPortCount> member{};
    bool operator==(const VlanGroup&) const = default;
};

struct SwitchState {
    std::array<Port, kPortCount> ports;
    std::array<Trunk, kTrunkCount> trunks;
    std::string vlanMode;                   // "Disabled ", "PortBased", "802.1Q   "
    std::vector<VlanGroup> portBasedGroups; // ascending id
    std::vector<VlanGroup> dot1qGroups;     // ascending id
    std::string user;
    std::string password;
    std::string retryForever; // "Enabled " / "Disabled"
    std::string autoAging;    // "Enabled " / "Disabled"
    std::string macHash;      // "CRC-Hash " / "DirectMap"

    // Firmware and hardware identity; no console action changes these.
    std::string firmwareVersion;
    std::string firmwareRevision;
    std::string hardwareVersion;
    std::string macAddress;
    // Module slot types (hardware): "1000TX", "1000FX", "100FX" or "NC".
    // ports[24].type and ports[25].type always equal them.
    std::array<std::string, 2> moduleTypes;

    bool operator==(const SwitchState&) const = default;

    // The group table the VLAN group screens work on in the current mode
    // (the 802.1Q table when the mode is Disabled).
    std::vector<VlanGroup>& groups();
    const std::vector<VlanGroup>& groups() const;
};

// Choice lists, in the order Space cycles through them.
const std::vector<std::string>& EnableChoices(); // "Yes", " No"
const std::vector<std::string>& AutoChoices();
const std::vector<std::string>& FlowChoices(); // " On", "Off"
const std::vector<std::string>& TrunkStatusChoices();
const std::vector<std::string>& TrunkCellChoices(); // "v", "-"
const std::vector<std::string>& VlanModeChoices();
const std::vector<std::string>& PortBasedMemberChoices();
const std::vector<std::string>& Dot1qMemberChoices();
const std::vector<std::string>& EnabledDisabledChoices(); // retry, aging
const std::vector<std::string>& MacHashChoices();
const std::vector<std::string>& ModuleTypes(); // "1000TX", "1000FX", "100FX", "NC"
// Speed/duplex list of a port type; empty for an unknown type.
const std::vector<std::string>& SpeedChoices(const std::string& type);
std::string DefaultSpeed(const std::string& type);

extern const char* const kModeDisabled;
extern const char* const kModePortBased;
extern const char* const kModeDot1q;

bool IsModuleType(const std::string& type);
// Console name of physical port p (1-26): "PORT1".."PORT24", "MOD_1", "MOD_2".
std::string PortName(int port);
// True when `name` equals a console port or trunk name, ignoring case.
bool IsReservedGroupName(const std::string& name);

// The factory defaults for the given module types (invalid types give "NC").
SwitchState FactoryState(const std::array<std::string, 2>& moduleTypes = {"1000TX", "1000TX"});

} // namespace sim
