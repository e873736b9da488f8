#include "forms/vlan/VlanSupportModel.h"

#include "engine/KeyOutput.h"
#include "engine/PageValues.h"
#include "forms/base/PageCopy.h"
#include "forms/base/RowLineup.h"
#include "shared/FieldText.h"
#include "shared/Publicunit.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

PvidEntry PvidTable[kPvidTableSize];
PvidEntry SavedPvidTable[kPvidTableSize];
int32_t VlanMode = -1;
int32_t SavedVlanMode = -1;
int32_t VlanModeCount = 3;
bool PvidPageGarbled[4] = {};

namespace {

constexpr int kNameField = 1;
constexpr int kPvidField = 2;
RowLineup s_lineup(PvidPageGarbled, kPvidTableSize, kPvidPerPage, kNameField, kPvidField);

std::string Text(const char* text) {
    return text ? std::string(text, strnlen(text, 256)) : std::string();
}

const char* const kModes[3] = {"Disabled ", "PortBased", "802.1Q   "};

bool SameNoCase(const std::string& a, const char* b) {
    return a.size() == strlen(b) && FindNoCase(a, b) == 0;
}

} // namespace

const char* VlanModeItem(int32_t index) {
    return index >= 0 && index < 3 ? kModes[index] : "";
}

int32_t VlanModeIndexOf(const char* text) {
    const std::string t = text ? std::string(text, strnlen(text, 64)) : std::string();
    for (int32_t i = 0; i < 3; ++i)
        if (SameNoCase(t, kModes[i])) return i;
    return -1;
}

void ResetPvidTables() {
    for (int i = 0; i < kPvidTableSize; ++i) {
        PvidTable[i] = {{}, 1};
        SavedPvidTable[i] = {{}, 1};
    }
    PortCount = 0;
    s_lineup.reset();
}

bool ValidPvidEntry(int i) {
    return i >= 0 && i < kPvidTableSize && PvidTable[i].name[0] != 0 &&
           static_cast<unsigned char>(PvidTable[i].name[0]) > ' ';
}

int LastPvidPage() {
    return (PortCount - 1) / kPvidPerPage;
}

void AddPvidCell(int32_t value, const char* text, bool windowOpen, bool& tableComplete) {
    const std::string raw = Text(text);
    if (windowOpen && VlanMode != kModeDot1q) return;
    if (Saving) return;
    if (windowOpen && tableComplete) return;
    if (windowOpen && !raw.empty() && raw == PvidTable[0].name) {
        // The console wrapped round to its first page: every page was read.
        tableComplete = true;
        return;
    }
    const int row = value % 10 - 1;
    if ((value / 10) % 10 == kNameField) {
        if (Trim(raw).empty()) return;
        const int slot = s_lineup.placeName(row);
        if (slot < 0) return;
        SetField(PvidTable[slot].name, raw);
        PortCount = static_cast<int8_t>(std::max<int>(PortCount, slot + 1));
        return;
    }
    // A PVID belongs to the row of the page whose names came last.
    const int i = s_lineup.placeValue(row, kPvidField);
    if (i < 0) return;
    int32_t v = 1;
    const bool number = ParseInt(raw, v);
    PvidTable[i].pvid = number ? v : 1;
    if (!number || v < kMinPvid || v > kMaxPvid) s_lineup.markImpossible(i);
}

bool PvidReadWrapped(int32_t value, const char* text) {
    if ((value / 10) % 10 != kNameField || PortCount == 0) return false;
    const std::string raw = Text(text);
    if (Trim(raw).empty()) return false;
    return raw == PvidTable[0].name || s_lineup.wrapsAt(value % 10 - 1);
}

bool FinishPvidRead() {
    for (int i = 0; i < PortCount && i < kPvidTableSize; ++i)
        if (!s_lineup.seenName(i)) SetField(PvidTable[i].name, "?");
    return s_lineup.finish(PortCount);
}

void TakePvidCopy() {
    TakePageCopy(PvidTable, SavedPvidTable, ValidPvidEntry);
}

void MarkPvidPages() {
    for (bool& d : PageDirty)
        d = false;
    MarkDirtyPages(PvidTable, SavedPvidTable, kPvidPerPage, PvidPageGarbled, ValidPvidEntry,
                   [](const PvidEntry& a, const PvidEntry& b) { return a.pvid != b.pvid; });
}

int BuildModeChangeKeys(int32_t newIndex, int32_t prevIndex, char* out, int outSize) {
    KeyText keys(out, outSize);
    keys.add(KEY_TAB);
    keys.add(KEY_ENTER);
    int32_t k = newIndex - prevIndex;
    if (k < 0) k += VlanModeCount;
    keys.repeat(KEY_SPACE, k);
    keys.add(KEY_CTRL_A);
    keys.add(KEY_BACKSPACE);
    return keys.length();
}

int BuildPvidPageKeys(int page, int32_t mode, char* out, int outSize, bool& last) {
    KeyText keys(out, outSize);
    last = false;
    const char save[] = {KEY_TAB, KEY_TAB, KEY_ENTER, 0};
    if (mode != kModeDot1q) {
        // The mode itself was typed when it was chosen.
        keys.add(save);
        last = true;
        return keys.length();
    }
    const int lastPage = LastPvidPage();
    if (page > lastPage) return 0;
    // What a garbled page shows may belong to other ports: it is passed.
    if (page >= 0 && page < 4 && PageDirty[page] && !PvidPageGarbled[page]) {
        keys.add(KEY_TAB);
        keys.add(KEY_ENTER);
        for (int j = 0; j < kPvidPerPage; ++j) {
            const int i = page * kPvidPerPage + j;
            if (!ValidPvidEntry(i)) break;
            char number[16];
            snprintf(number, sizeof number, "%d", PvidTable[i].pvid);
            keys.add(KEY_TAB);
            keys.add(number);
        }
        keys.add(KEY_CTRL_A);
        keys.add(KEY_BACKSPACE);
    }
    if (page >= lastPage) {
        keys.add(save);
        last = true;
    } else {
        keys.add(KEY_BACKSPACE);
        keys.add(KEY_ENTER);
    }
    return keys.length();
}
