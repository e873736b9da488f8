#pragma once
// The console's vocabulary: the entry values the page table yields for the
// lines of each console screen. A value is page * 1000 + item; items 1 to 9
// are a screen's action bar and result lines, larger items its fields and
// table cells. data/parser_table.txt is where each value is tied to a text at
// a screen position; everything else in the program uses these names.
#include <cstdint>

namespace pv {

// A line no entry of the current page recognises.
constexpr int32_t Unrecognised = -1;

// Power-on self-test lines; the first one means the switch is booting.
constexpr int32_t SelfTestFirst = 2;
constexpr int32_t SelfTestLast = 14;

// Login screen: each of its six drawn lines, and the password prompt.
constexpr int32_t LoginScreen = 1003;
constexpr int32_t PasswordPrompt = 1004;

// Main menu: its three items, and the three version lines above them.
constexpr int32_t MainStatic = 2001;
constexpr int32_t MainRestart = 2002;
constexpr int32_t MainLogout = 2003;
constexpr int32_t FirmwareVersion = 2011;
constexpr int32_t FirmwareRevision = 2012;
constexpr int32_t HardwareVersion = 2013;

// Static configuration menu.
constexpr int32_t StaticPort = 3001;
constexpr int32_t StaticTrunk = 3002;
constexpr int32_t StaticVlan = 3003;
constexpr int32_t StaticMisc = 3004;
constexpr int32_t StaticPrevious = 3005;

// Port configuration: action bar (every full draw ends highlighting Quit),
// save progress, and the cells of its eight port rows.
constexpr int32_t PortQuit = 4001;
constexpr int32_t PortEdit = 4002;
constexpr int32_t PortSave = 4003;
constexpr int32_t PortPrevPage = 4004;
constexpr int32_t PortNextPage = 4005;
constexpr int32_t PortSaving = 4006;
constexpr int32_t PortSaved = 4007;
// Field numbers of a port row cell, in screen order.
enum PortField : int32_t {
    PortFieldName = 1,
    PortFieldType,
    PortFieldInRate,
    PortFieldOutRate,
    PortFieldEnable,
    PortFieldAuto,
    PortFieldSpeed,
    PortFieldFlowFull,
    PortFieldFlowHalf,
};

// Trunk configuration: action bar, save progress, each trunk's status cell
// and its 26 member cells.
constexpr int32_t TrunkEdit = 5001;
constexpr int32_t TrunkSave = 5002;
constexpr int32_t TrunkQuit = 5003;
constexpr int32_t TrunkSaving = 5004;
constexpr int32_t TrunkSaved = 5005;
constexpr int32_t TrunkCount = 7;
constexpr int32_t TrunkPorts = 26;

// VLAN configuration menu.
constexpr int32_t VlanMenuSupport = 6001;
constexpr int32_t VlanMenuCreate = 6002;
constexpr int32_t VlanMenuEdit = 6003;
constexpr int32_t VlanMenuPrevious = 6004;

// VLAN support (mode and PVIDs): the mode line, action bar, save progress,
// and per row the port name and its PVID.
constexpr int32_t VlanMode = 7000;
constexpr int32_t VlanQuit = 7001;
constexpr int32_t VlanEdit = 7002;
constexpr int32_t VlanSave = 7003;
constexpr int32_t VlanPrevPage = 7004;
constexpr int32_t VlanNextPage = 7005;
constexpr int32_t VlanSaving = 7006;
constexpr int32_t VlanSaved = 7007;

// VLAN group screen: the ID range text, action bar, save results, per row
// the port name and its membership, and the group's name and ID lines.
constexpr int32_t GroupIdRange = 8000;
constexpr int32_t GroupQuit = 8001;
constexpr int32_t GroupEdit = 8002;
constexpr int32_t GroupSave = 8003;
constexpr int32_t GroupPrevPage = 8004;
constexpr int32_t GroupNextPage = 8005;
constexpr int32_t GroupSaved = 8006;
constexpr int32_t GroupNotSaved = 8007;
constexpr int32_t GroupName = 8101;
constexpr int32_t GroupId = 8102;

// VLAN group list: the footer (total), actions, results, and per group its
// name and VID. The list has three actions, so 9004 and 9005 never occur.
constexpr int32_t GroupListTotal = 9001;
constexpr int32_t GroupListEdit = 9002;
constexpr int32_t GroupListDelete = 9003;
constexpr int32_t GroupDeleted = 9006;
constexpr int32_t GroupNotDeleted = 9007;
constexpr int32_t NoGroups = 9008;
constexpr int32_t GroupListRows = 26;

// Misc configuration: action bar, save results and the four value lines.
constexpr int32_t MiscEdit = 11001;
constexpr int32_t MiscSave = 11002;
constexpr int32_t MiscQuit = 11003;
constexpr int32_t MiscSaved = 11004;
constexpr int32_t MiscPasswordError = 11005;
constexpr int32_t MiscUserName = 11101;
constexpr int32_t MiscRetry = 11105;
constexpr int32_t MiscAging = 11106;
constexpr int32_t MiscHash = 11107;

// Restart configuration menu.
constexpr int32_t RestartDefault = 15001;
constexpr int32_t RestartSwitch = 15002;
constexpr int32_t RestartPrevious = 15003;

constexpr bool InRange(int32_t v, int32_t lo, int32_t hi) {
    return v >= lo && v <= hi;
}
constexpr int32_t PageOf(int32_t v) {
    return v / 1000;
}

// Port row cells 4101..4109 .. 4801..4809: row 1-8, field 1-9.
constexpr int32_t PortCell(int32_t row, int32_t field) {
    return 4000 + row * 100 + field;
}
constexpr bool IsPortCell(int32_t v) {
    return InRange(v, PortCell(1, 1), PortCell(8, 9)) && InRange((v / 100) % 10, 1, 8) &&
           InRange(v % 100, 1, 9);
}
constexpr int32_t PortCellRow(int32_t v) {
    return (v / 100) % 10;
}
constexpr int32_t PortCellField(int32_t v) {
    return v % 10;
}

// Trunk status cells 5011..5017 (trunk 1-7) and member cells 5101..5726
// (trunk 1-7, port 1-26).
constexpr int32_t TrunkStatus(int32_t trunk) {
    return 5010 + trunk;
}
constexpr int32_t TrunkMember(int32_t trunk, int32_t port) {
    return 5000 + trunk * 100 + port;
}
constexpr bool IsTrunkStatus(int32_t v) {
    return InRange(v, TrunkStatus(1), TrunkStatus(TrunkCount));
}
constexpr bool IsTrunkMember(int32_t v) {
    return InRange(v, TrunkMember(1, 1), TrunkMember(TrunkCount, TrunkPorts)) &&
           InRange((v / 100) % 10, 1, TrunkCount) && InRange(v % 100, 1, TrunkPorts);
}
constexpr int32_t TrunkMemberTrunk(int32_t v) {
    return (v / 100) % 10;
}
constexpr int32_t TrunkMemberPort(int32_t v) {
    return v % 100;
}

// VLAN support rows 7011..7018 (port name) and 7021..7028 (PVID); the VLAN
// group screen's rows 8011..8018 (port name) and 8021..8028 (member).
constexpr int32_t VlanPortName(int32_t row) {
    return 7010 + row;
}
constexpr int32_t VlanPvid(int32_t row) {
    return 7020 + row;
}
constexpr int32_t GroupPortName(int32_t row) {
    return 8010 + row;
}
constexpr int32_t GroupMember(int32_t row) {
    return 8020 + row;
}

constexpr bool IsVlanRow(int32_t v) {
    return InRange(v, VlanPortName(1), VlanPortName(8)) || InRange(v, VlanPvid(1), VlanPvid(8));
}
constexpr bool IsGroupRow(int32_t v) {
    return InRange(v, GroupPortName(1), GroupPortName(8)) ||
           InRange(v, GroupMember(1), GroupMember(8));
}

// Group list rows 9101..9126 (name) and 9201..9226 (VID).
constexpr int32_t GroupListName(int32_t row) {
    return 9100 + row;
}
constexpr int32_t GroupListVid(int32_t row) {
    return 9200 + row;
}
constexpr bool IsGroupListRow(int32_t v) {
    return InRange(v, GroupListName(1), GroupListName(GroupListRows)) ||
           InRange(v, GroupListVid(1), GroupListVid(GroupListRows));
}

} // namespace pv
