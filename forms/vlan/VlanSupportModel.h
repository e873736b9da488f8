#pragma once
// The VLAN mode and the PVID table without widgets: the 26 ports as read
// from the console's VLAN support pages, which eight-port pages changed, and
// the keystroke texts that change the mode or write (or pass) one page.
#include <cstdint>

struct PvidEntry {
    char name[12]; // the port label as the console prints it ("PORT1", "MOD_1")
    int32_t pvid;
};

constexpr int kPvidTableSize = 26;
constexpr int kPvidPerPage = 8;
constexpr int32_t kModeDisabled = 0;
constexpr int32_t kModePortBased = 1;
constexpr int32_t kModeDot1q = 2;
constexpr int32_t kMinPvid = 1;
constexpr int32_t kMaxPvid = 255;

extern PvidEntry PvidTable[kPvidTableSize];
extern PvidEntry SavedPvidTable[kPvidTableSize];
// Index of the mode chosen in the window (-1: the console's text matched no
// mode), the mode the switch holds as last read or saved, and the number of
// modes the console cycles through.
extern int32_t VlanMode;
extern int32_t SavedVlanMode;
extern int32_t VlanModeCount;

// The console's three mode texts, 9 characters each, in cycling order.
const char* VlanModeItem(int32_t index);
// The mode whose whole text equals `text`, letter case ignored; -1 if none.
int32_t VlanModeIndexOf(const char* text);

// Both tables: names empty, PVIDs 1; PortCount 0; the line-up state cleared.
void ResetPvidTables();
// Stores one console row cell (7011..7018 name, 7021..7028 PVID) in the
// entry of its screen row (forms/RowLineup.h). With the window open
// (`windowOpen`) cells are ignored outside 802.1Q and once the table is
// complete; the first port name seen again completes it.
void AddPvidCell(int32_t value, const char* text, bool windowOpen, bool& tableComplete);

// The line-up check of the PVID pages: a page is garbled when a PVID cell
// does not line up with its port's name cell (same screen row, once), a
// row misses its PVID, or a PVID is outside 1-255. A garbled page is never
// written back field by field.
extern bool PvidPageGarbled[4];
// Has the read come round (the first name again, or a name that would start
// a page past the table)?
bool PvidReadWrapped(int32_t value, const char* text);
// Ends a round of reading: marks the pages that do not line up (a row whose
// name never came is named "?"); true when any page is garbled.
bool FinishPvidRead();
// A name is present and does not start with a blank.
bool ValidPvidEntry(int i);
// (PortCount - 1) / 8, truncating toward zero.
int LastPvidPage();
// SavedPvidTable := PvidTable (valid entries; the others get an empty name).
void TakePvidCopy();
// PageDirty[p] for every page holding a PVID that differs from the copy
// (never a garbled page).
void MarkPvidPages();

// Keys that move the console's mode field from `prevIndex` to `newIndex`
// (forward only, wrapping) and end the edit, which redraws the screen.
int BuildModeChangeKeys(int32_t newIndex, int32_t prevIndex, char* out, int outSize);
// Keys for console page `page` of an Apply in mode `mode`: outside 802.1Q
// just Save; else the page written when dirty (and not garbled), then the
// next page or Save.
// `last` is set when these keys end the Apply (Save chosen).
int BuildPvidPageKeys(int page, int32_t mode, char* out, int outSize, bool& last);
