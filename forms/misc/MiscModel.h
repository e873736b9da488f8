#pragma once
// The misc settings without widgets: the texts of the console's misc screen
// (user name, Retry Forever, Auto-Aging, MAC hash), the switches they mean,
// the copy taken when the window opens, and the keystroke text of an Apply.
#include "engine/KeyOutput.h"

#include <cstdint>
#include <string>
#include <vector>

struct MiscRecord {
    char retryText[12]; // field texts as received, cut to 11 bytes
    char agingText[12];
    char hashText[12];
    bool retryForever; // the text contains "ENABLED" in any case
    bool autoAging;
    int32_t hashIndex; // among MacHashChoice(0..1), -1 for none
};

extern MiscRecord MiscSettings;
extern MiscRecord SavedMiscSettings;
// The console account's user name as the misc screen shows it.
extern char ConsoleUserName[16];

constexpr int kMacHashChoices = 2;
// "CRC-Hash " (with its blank) and "DirectMap", in the console's order.
const char* MacHashChoice(int index);
// The index of the choice equal to the text (blanks included), -1 if none.
int32_t MacHashIndex(const char* text);
// "Enabled", "ENABLED", "enabled " ... are on; "Disabled" is not (it does
// not contain the word).
bool IsEnabledText(const char* text);

// One console value of the misc screen into the record (11101 user name,
// 11105 retry, 11106 aging, 11107 hash); other values change nothing.
void StoreMiscValue(int32_t value, const char* text);
// The switches and the hash choice from the received texts; an empty hash
// text keeps the choice it had.
void InterpretMiscTexts();
// SavedMiscSettings := MiscSettings.
void TakeMiscCopy();
// Start-up state: empty texts, switches off, the first hash choice.
void ResetMiscSettings();

// The keys of an Apply, the console showing the misc screen with Edit
// highlighted: Enter, then each text box's bytes and a Tab (user name, old,
// new and repeated password), a Space for each switch that changed and a
// Tab, a Space if the hash choice changed (two choices: one Space either
// way), then Ctrl-A, Tab, Enter. Never writes more than outSize bytes
// including the terminating zero; returns the length.
int BuildMiscKeys(const std::string& user, const std::string& oldPassword,
                  const std::string& newPassword, const std::string& again, char* out, int outSize,
                  std::vector<SecretSpan>* secret = nullptr);
