#pragma once
// The port table without widgets: the 26 ports as read from the console's
// port screens, the choices each row offers, which eight-port pages changed,
// and the keystroke text that writes (or passes) one console page.
#include <cstdint>
#include <vector>

// One port row of the console screen. Texts are zero-terminated and cut to
// their field width when taken from the console or from a choice list.
struct PortEntry {
    char name[10];
    char type[14];
    int32_t inRate;
    int32_t outRate;
    bool enabled;
    char autoText[12];
    char speedText[11];
    int32_t autoIndex;
    int32_t speedIndex;
    bool flowFull;
    bool flowHalf;
    int32_t autoCount;
    int32_t speedCount;
};

constexpr int kPortTableSize = 26;
constexpr int kPortsPerPage = 8;

extern PortEntry PortTable[kPortTableSize];
extern PortEntry SavedPortTable[kPortTableSize];

// One entry of a row's choice list: the language text shown for it and the
// console's own text that selects it. textId 0 is a choice the console names
// but that has no language text (a not-connected port's speed).
struct PortChoice {
    int32_t textId;
    const char* console;
};
std::vector<PortChoice> AutoChoices();
// The speeds a port of this type offers; a module trunk's row offers all six
// whatever its members' types.
std::vector<PortChoice> SpeedChoices(const char* type, const char* name);
// Index of the choice the console text selects, -1 when none does.
int32_t ChoiceIndexOf(const std::vector<PortChoice>& choices, const char* consoleText);

// Clears names, types and choice counts before a new read of the port screens
// (also clears Saving and PortCount, and the line-up state).
void ResetPortTable();
// Has the read come round to the first port again? The console shows
// abbreviated trunk and module names (TRK1, MOD_1), the table holds them
// expanded (TRUNK1, MODULE1).
bool IsFirstPortAgain(const char* text);
// Stores one recognised port cell (row * 100 + field of a port value) in the
// row of the page being read; a name cell starts a new row.
void AddPortCell(int32_t value, const char* text);
// Whether port i has been read.
bool HasPortName(int i);

// The line-up check of a read. A page is garbled when a name cell arrives
// on another screen row than the next port's, a value cell has no name on
// its row or comes twice, a row misses a cell, or a value is one the switch
// cannot hold (a rate outside 0..1000, a choice that is none of the
// choices). A garbled page is never written back field by field.
extern bool PortPageGarbled[4];
// Ends a round of reading: marks the pages whose rows are incomplete or hold
// impossible values; true when any page is garbled.
bool FinishPortRead();
// Would this name cell start a page past the table? Then the read has come
// round although the first name was not recognised again (it was lost).
bool PortReadWrapped(int32_t value, const char* text);
// Starts the read afresh (names, counts, line-up state), for a second round.
void RestartPortRead();
// Choice indexes and counts of every read port, from the console texts.
void PreparePortChoices();
// SavedPortTable := PortTable (ports with a name).
void TakePortCopy();
// PageDirty[p] for every eight-port page that differs from SavedPortTable.
void MarkPortPages();
// The keys that write (dirty) or pass (clean) console page `page`, the console
// being on that page with Quit highlighted. Never writes more than outSize
// bytes including the terminating zero; returns the length.
int BuildPortPageKeys(int page, char* out, int outSize);
// (PortCount - 1) / 8, truncating toward zero.
int LastPortPage();
// The module trunk's port name, "TRUNK" + (ModuleTrunk + 1).
void ModuleTrunkName(char* out, int outSize);
// Module ports and the module trunk's row take no rates.
bool PortTakesRates(const PortEntry& e);
