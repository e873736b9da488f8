#pragma once
// The trunk table without widgets: the seven trunks as read from the
// console's trunk screen, the copy taken when the window opens, the member
// counts of the last collection, the trunk rules the window checks before it
// writes, and the keystroke text that toggles exactly the changed cells.
#include <cstdint>

constexpr int kTrunks = 7;
constexpr int kTrunkPorts = 26; // ports 1-24, then M1 (25) and M2 (26)
constexpr int kFirstModulePort = 25;

// One trunk. member[p] is port p (1..26); member[0] is unused so that the
// index is the console's port number.
struct TrunkEntry {
    bool isStatic;
    bool member[kTrunkPorts + 1];
};

extern TrunkEntry TrunkTable[kTrunks];
extern TrunkEntry SavedTrunkTable[kTrunks];
// Members per trunk as of the last collection of the window's radio buttons;
// all 0 after ResetTrunkTables (no click yet).
extern int32_t TrunkMemberCount[kTrunks];

// Every flag of both tables false, every count 0 and the line-up state
// cleared, before a new read.
void ResetTrunkTables();
// One console cell into TrunkTable: a status ("Static " with its blank means
// static) or a member cell ("v" means member). Any other text reads false.
// Returns the zero-based trunk of a member cell, -1 for other values.
int StoreTrunkCell(int32_t value, const char* text);
// The line-up check of a read: the screen is read cleanly only when each of
// the 7 statuses and 182 member cells arrived exactly once, with a text the
// switch draws there ("Static " / "Disable", "v" / "-"). A cell whose place
// was damaged on the line arrives nowhere or in another cell's place, and a
// damaged text reads as "not a member"; either way the window would show,
// and Apply would toggle, something other than what the switch holds.
bool TrunkScreenGarbled();
// SavedTrunkTable := TrunkTable.
void TakeTrunkCopy();

// A collection of the window's radio buttons: start it (counts to 0), then
// report every button; an "on" button makes its port a member and counts.
void StartTrunkCollection();
void CollectTrunkMember(int trunk, int port, bool on);

// The first rule an Apply breaks, trunk by trunk (both rules for one trunk
// before the next): a trunk collected with 1 or more than 4 members, or a
// trunk holding a port of 1..24 and a module port.
enum class TrunkRule { None, Count, Mixing };
struct TrunkRuleBreak {
    TrunkRule rule;
    int trunk; // zero-based
};
TrunkRuleBreak FindTrunkRuleBreak();

// The last static trunk that holds port 26, -1 when none does.
int32_t StaticModuleTrunk();

// The keys of an Apply, the console showing the trunk screen with Edit
// highlighted: Enter (edit mode on trunk 1 port 1); with member changes a
// Space on each changed cell and a Tab after every cell (182 Tabs); with
// status changes (seven BackSpaces first to reach trunk 1's status when no
// cells were walked) a Space on each changed status and a Tab after each;
// then Ctrl-A, Tab, Enter (end the edit, Save). Never writes more than
// outSize bytes including the terminating zero; returns the length.
int BuildTrunkKeys(bool membersChanged, bool staticChanged, char* out, int outSize);
// A port is in one trunk at most, so at most 52 cells change (every port
// moved): 252 keys, within what SendKeys takes.
constexpr int kTrunkKeysSize = 256;
