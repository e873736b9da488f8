#pragma once
// A VLAN group without widgets: its header texts (name, ID, ID range) and
// the membership of each port as read from the console's group screen, the
// member choices the range implies, which pages changed, and the keystroke
// text that writes (or passes) one page.
#include <cstdint>
#include <string>
#include <vector>

struct MemberEntry {
    char name[12];       // port label, TRK and MOD_ expanded: PORT3, TRUNK1, MODULE1
    int32_t choice;      // index in the member choices, -1 when none matches
    char choiceText[12]; // the choice as the console printed it
};

constexpr int kMemberTableSize = 26;
constexpr int kMembersPerPage = 8;

extern MemberEntry MemberTable[kMemberTableSize];
extern MemberEntry SavedMemberTable[kMemberTableSize];
// The group screen's header, kept from before the window exists.
extern char GroupNameText[10];
extern char GroupIdText[5];
extern char GroupRangeText[17];

// How the console numbers groups, from its range text: 0 not recognised,
// 1 port-based group number (1-26), 2 802.1Q VLAN ID (1-4094).
enum IdKinds : int32_t { kIdUnknown = 0, kIdPortBased = 1, kIdDot1q = 2 };
int32_t IdKindOf(const char* rangeText);
int32_t MaxGroupId(int32_t idKind);
int IdEditLimit(int32_t idKind); // characters of the ID edit
// The member choices exactly as the console prints them, in cycling order.
std::vector<std::string> MemberChoices(int32_t idKind);
// Index of `text` in `choices`, letter case ignored; -1 if none.
int32_t MemberChoiceIndex(const std::vector<std::string>& choices, const char* text);

// Names, choices and header texts emptied, PortCount 0, the line-up state
// cleared; the copy stays.
void ResetMemberTables();
// Stores one entry of the group screen (8000 range, 8101 name, 8102 ID,
// 8011..8018 port name, 8021..8028 member), a row's cells in the entry of
// its screen row (forms/RowLineup.h). With the window open cells are ignored
// once the table is complete; the first port name seen again completes it.
void AddMemberCell(int32_t value, const char* text, bool windowOpen, bool& tableComplete);

// The line-up check of the member pages: a page is garbled when a member
// cell does not line up with its port's name cell (same screen row, once),
// a row misses its member cell, or (with a known ID range) a member text is
// none of the choices. A garbled page is never written back field by field.
extern bool MemberPageGarbled[4];
// Has the read come round (the first name again, or a name that would start
// a page past the table)?
bool MemberReadWrapped(int32_t value, const char* text);
// Ends a round of reading: marks the pages that do not line up (a row whose
// name never came is named "?"); true when any page is garbled.
bool FinishMemberRead();
// Starts the read of the port rows afresh for a second round (the header
// texts stay; the console draws them on every page).
void RestartMemberRead();
bool ValidMemberEntry(int i);
int LastMemberPage();
void TakeMemberCopy();
void MarkMemberPages();

// What a group's name and ID typed by the user amount to.
enum GroupCheck { GroupOk, GroupNameMissing, GroupIdNotNumber, GroupIdOutOfRange };
GroupCheck CheckGroupInput(const std::string& name, const std::string& id, int32_t idKind);

// Keys for console page `page` of an Apply. A new group (`creating`) has its
// first page always written and its name and ID typed; an existing group's
// name and ID are passed with Tab. A garbled page gets only its page keys
// (a new group's first page: its name and ID, none of its members). `last` is set when these keys
// choose Save. Nothing (0) past the last page.
int BuildMemberPageKeys(int page, bool creating, const std::string& name, const std::string& id,
                        int32_t choiceCount, char* out, int outSize, bool& last);
