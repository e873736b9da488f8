#pragma once
// The VLAN group list as the console prints it: up to 26 rows of a name and
// a VID, filled cell by cell while the list screen is drawn.
#include <cstdint>
#include <string>

struct GroupEntry {
    char name[10]; // as printed by the console
    char vid[5];
};
constexpr int kGroupListSize = 26;
extern GroupEntry GroupList[kGroupListSize];

// Every row emptied.
void ResetGroupList();
// Stores a name (91xx) or VID (92xx) cell; the first row's name starts a
// new drawing of the list.
void AddGroupCell(int32_t value, const char* text);
// The list line of a row: the name, blanks up to 12 characters, the VID.
std::string GroupLine(const GroupEntry& e);
