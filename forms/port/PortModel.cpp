#include "forms/port/PortModel.h"

#include "engine/KeyOutput.h"
#include "engine/PageValues.h"
#include "forms/base/PageCopy.h"
#include "forms/base/RowLineup.h"
#include "lang/TextIds.h"
#include "shared/FieldText.h"
#include "shared/Publicunit.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

PortEntry PortTable[kPortTableSize];
PortEntry SavedPortTable[kPortTableSize];
bool PortPageGarbled[4] = {};

namespace {

// The choice lists in console order. The console cycles a choice field
// through them with Space.
const PortChoice kAuto[3] = {
    {txt::AutoForce, "   FORCE  "},
    {txt::AutoAuto, "   AUTO   "},
    {txt::AutoNwayForce, "NWAY_FORCE"},
};
const PortChoice kSpeed[6] = {
    {txt::Speed10Half, "  10 Half"},   {txt::Speed10Full, "  10 Full"},
    {txt::Speed100Half, " 100 Half"},  {txt::Speed100Full, " 100 Full"},
    {txt::Speed1000Half, "1000 Half"}, {txt::Speed1000Full, "1000 Full"},
};
const PortChoice kNotConnected = {0, "   NC    "};

bool SameText(const char* a, const char* b) {
    return strcmp(a, b) == 0;
}

// The read in progress: where each cell goes and which pages line up.
RowLineup s_lineup(PortPageGarbled, kPortTableSize, kPortsPerPage, pv::PortFieldName,
                   pv::PortFieldFlowHalf);

bool IsRate(const std::string& raw) {
    int32_t v = 0;
    return ParseInt(raw, v) && v >= 0 && v <= 1000;
}

// A choice text of the console: one the list offers, or the not-connected
// port's own.
bool IsChoice(const std::vector<PortChoice>& choices, const char* text) {
    for (const PortChoice& c : choices)
        if (SameText(text, c.console)) return true;
    return false;
}

} // namespace

std::vector<PortChoice> AutoChoices() {
    return {std::begin(kAuto), std::end(kAuto)};
}

std::vector<PortChoice> SpeedChoices(const char* type, const char* name) {
    std::string t = type ? std::string(type, strnlen(type, 256)) : std::string();
    for (char& c : t)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    char trunk[16];
    ModuleTrunkName(trunk, sizeof trunk);
    const bool moduleTrunk = name && SameText(name, trunk);
    auto has = [&t](const char* s) { return t.find(s) != std::string::npos; };
    const PortChoice* const all = std::begin(kSpeed);
    if (has("NC")) return {kNotConnected};
    if (has("100TX")) return {all, all + 4};
    if (has("1000TX") || moduleTrunk) return {all, all + 6};
    if (has("100FX")) return {kSpeed[2]};
    if (has("1000FX")) return {kSpeed[5]};
    if (Trim(t).empty()) return {all, all + 4};
    return {};
}

int32_t ChoiceIndexOf(const std::vector<PortChoice>& choices, const char* consoleText) {
    if (consoleText == nullptr) return -1;
    for (size_t k = 0; k < choices.size(); ++k)
        if (choices[k].textId != 0 && SameText(consoleText, choices[k].console))
            return static_cast<int32_t>(k);
    return -1;
}

int LastPortPage() {
    return (PortCount - 1) / kPortsPerPage;
}

void ModuleTrunkName(char* out, int outSize) {
    if (outSize > 0) snprintf(out, static_cast<size_t>(outSize), "TRUNK%d", ModuleTrunk + 1);
}

bool PortTakesRates(const PortEntry& e) {
    char trunk[16];
    ModuleTrunkName(trunk, sizeof trunk);
    return strcmp(e.name, "MODULE3") >= 0 && !SameText(e.name, trunk);
}

bool HasPortName(int i) {
    return i >= 0 && i < kPortTableSize &&
           !Trim(PortTable[i].name, sizeof PortTable[i].name).empty();
}

void ResetPortTable() {
    Saving = false;
    PortCount = 0;
    s_lineup.reset();
    for (PortEntry& e : PortTable) {
        e.name[0] = 0;
        e.type[0] = 0;
        e.autoCount = 0;
        e.speedCount = 0;
    }
}

bool IsFirstPortAgain(const char* text) {
    const std::string t = Trim(text ? std::string(text, strnlen(text, 256)) : std::string());
    std::string first = Field(PortTable[0].name);
    if (t.find("MOD") != std::string::npos)
        first = ReplaceFirstNoCase(first, "MODULE", "MOD_");
    else if (t.find("TRK") != std::string::npos)
        first = ReplaceFirstNoCase(first, "TRUNK", "TRK");
    return !first.empty() && t == first;
}

void AddPortCell(int32_t value, const char* text) {
    if (value < 0) return;
    const std::string raw = text ? std::string(text, strnlen(text, 256)) : std::string();
    const int r = pv::PortCellRow(value) - 1;
    const int f = pv::PortCellField(value);
    if (r < 0 || r >= kPortsPerPage) return;

    if (f == pv::PortFieldName) {
        std::string name = Trim(raw);
        if (name.empty()) return;
        const int slot = s_lineup.placeName(r);
        if (slot < 0) return;
        if (FindNoCase(name, "TRK") != std::string::npos)
            name = ReplaceFirstNoCase(name, "TRK", "TRUNK");
        if (FindNoCase(name, "MOD_") != std::string::npos)
            name = ReplaceFirstNoCase(name, "MOD_", "MODULE");
        SetField(PortTable[slot].name, name);
        LastPortIndex += 1;
        PortCount = static_cast<int8_t>(std::max<int>(PortCount, slot + 1));
        return;
    }
    // The other cells belong to the row of the page whose name came last,
    // once each, on a row that has its name.
    const int i = s_lineup.placeValue(r, f);
    if (i < 0) return;
    PortEntry& e = PortTable[i];
    int32_t v = 0;
    switch (f) {
    case pv::PortFieldType:
        SetField(e.type, raw);
        break;
    case pv::PortFieldInRate:
        e.inRate = ParseInt(raw, v) ? v : 0;
        if (!IsRate(raw)) s_lineup.markImpossible(i);
        break;
    case pv::PortFieldOutRate:
        e.outRate = ParseInt(raw, v) ? v : 0;
        if (!IsRate(raw)) s_lineup.markImpossible(i);
        break;
    case pv::PortFieldEnable:
        e.enabled = raw == "Yes" || raw == "YES";
        break;
    case pv::PortFieldAuto:
        SetField(e.autoText, raw);
        break;
    case pv::PortFieldSpeed:
        SetField(e.speedText, raw);
        break;
    case pv::PortFieldFlowFull:
        e.flowFull = raw == " On" || raw == " ON";
        break;
    case pv::PortFieldFlowHalf:
        e.flowHalf = raw == " On" || raw == " ON";
        break;
    default:
        break;
    }
}

bool PortReadWrapped(int32_t value, const char* text) {
    if (pv::PortCellField(value) != pv::PortFieldName || PortCount == 0) return false;
    if (Trim(text ? std::string(text, strnlen(text, 256)) : std::string()).empty()) return false;
    return s_lineup.wrapsAt(pv::PortCellRow(value) - 1);
}

bool FinishPortRead() {
    for (int i = 0; i < PortCount && i < kPortTableSize; ++i) {
        PortEntry& e = PortTable[i];
        // A row whose name never came: shown as such, so the rows after it
        // still count as read.
        if (!s_lineup.seenName(i)) SetField(e.name, "?");
        const bool choices = IsChoice(AutoChoices(), e.autoText) &&
                             IsChoice(SpeedChoices(e.type, e.name), e.speedText);
        if (!choices) s_lineup.markImpossible(i);
    }
    return s_lineup.finish(PortCount);
}

void RestartPortRead() {
    const bool saving = Saving;
    ResetPortTable();
    Saving = saving;
    LastPortIndex = -1;
}

void PreparePortChoices() {
    for (int i = 0; i < kPortTableSize && HasPortName(i); ++i) {
        PortEntry& e = PortTable[i];
        const std::vector<PortChoice> autos = AutoChoices();
        const std::vector<PortChoice> speeds = SpeedChoices(e.type, e.name);
        e.autoIndex = ChoiceIndexOf(autos, e.autoText);
        e.autoCount = static_cast<int32_t>(autos.size());
        e.speedIndex = ChoiceIndexOf(speeds, e.speedText);
        e.speedCount = static_cast<int32_t>(speeds.size());
    }
}

void TakePortCopy() {
    TakePageCopy(PortTable, SavedPortTable, HasPortName);
}

void MarkPortPages() {
    // Pages are marked as the user turns away from them and stay marked
    // until the window is shown again.
    MarkDirtyPages(PortTable, SavedPortTable, kPortsPerPage, PortPageGarbled, HasPortName,
                   [](const PortEntry& e, const PortEntry& s) {
                       return e.inRate != s.inRate || e.outRate != s.outRate ||
                              e.enabled != s.enabled || e.autoIndex != s.autoIndex ||
                              e.speedIndex != s.speedIndex || e.flowFull != s.flowFull ||
                              e.flowHalf != s.flowHalf;
                   });
}

int BuildPortPageKeys(int page, char* out, int outSize) {
    KeyText keys(out, outSize);
    // What a garbled page shows may belong to other ports: it is passed.
    const bool dirty = page >= 0 && page < 4 && PageDirty[page] && !PortPageGarbled[page];
    if (!dirty) {
        // Quit on the last page leaves the screen; elsewhere Previous Page
        // (one BackSpace from Quit) turns to the next page round.
        if (page < LastPortPage()) keys.add(KEY_BACKSPACE);
        keys.add(KEY_ENTER);
        return keys.length();
    }
    // Edit, then the row fields in the console's edit order: rates retyped,
    // switches toggled with one Space, choices cycled forward.
    keys.add(KEY_TAB);
    keys.add(KEY_ENTER);
    for (int j = 0; j < kPortsPerPage; ++j) {
        const int i = page * kPortsPerPage + j;
        if (!HasPortName(i)) break;
        const PortEntry& e = PortTable[i];
        const PortEntry& s = SavedPortTable[i];
        char number[16];
        snprintf(number, sizeof number, "%d", e.inRate);
        keys.add(number);
        keys.add(KEY_TAB);
        snprintf(number, sizeof number, "%d", e.outRate);
        keys.add(number);
        keys.add(KEY_TAB);
        if (e.enabled != s.enabled) keys.add(KEY_SPACE);
        keys.add(KEY_TAB);
        keys.repeat(KEY_SPACE, ForwardSpaces(e.autoIndex, s.autoIndex, e.autoCount));
        keys.add(KEY_TAB);
        keys.repeat(KEY_SPACE, ForwardSpaces(e.speedIndex, s.speedIndex, e.speedCount));
        keys.add(KEY_TAB);
        if (e.flowFull != s.flowFull) keys.add(KEY_SPACE);
        keys.add(KEY_TAB);
        if (e.flowHalf != s.flowHalf) keys.add(KEY_SPACE);
        keys.add(KEY_TAB);
    }
    // End the edit, then Save.
    keys.add(KEY_CTRL_A);
    keys.add(KEY_TAB);
    keys.add(KEY_ENTER);
    return keys.length();
}
