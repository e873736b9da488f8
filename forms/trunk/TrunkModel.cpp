#include "forms/trunk/TrunkModel.h"

#include "engine/KeyOutput.h"
#include "engine/PageValues.h"
#include "shared/FieldText.h"

#include <cstring>

TrunkEntry TrunkTable[kTrunks];
TrunkEntry SavedTrunkTable[kTrunks];
int32_t TrunkMemberCount[kTrunks];

namespace {

bool Is(const char* text, const char* what) {
    return text != nullptr && std::strcmp(text, what) == 0;
}

// Arrivals of each cell in the read in progress: [k][0] is trunk k's status,
// [k][p] its port p cell; and whether a text was none the switch draws.
uint8_t s_arrivals[kTrunks][kTrunkPorts + 1] = {};
bool s_oddText = false;

void CountArrival(int trunk, int port, bool drawnText) {
    if (s_arrivals[trunk][port] < 255) s_arrivals[trunk][port] += 1;
    if (!drawnText) s_oddText = true;
}

} // namespace

void ResetTrunkTables() {
    for (int k = 0; k < kTrunks; ++k) {
        TrunkTable[k] = TrunkEntry{};
        SavedTrunkTable[k] = TrunkEntry{};
        TrunkMemberCount[k] = 0;
    }
    std::memset(s_arrivals, 0, sizeof s_arrivals);
    s_oddText = false;
}

int StoreTrunkCell(int32_t value, const char* text) {
    if (pv::IsTrunkStatus(value)) {
        const int k = value - pv::TrunkStatus(1);
        TrunkTable[k].isStatic = Is(text, "Static ");
        CountArrival(k, 0, Is(text, "Static ") || Is(text, "Disable"));
        return -1;
    }
    if (!pv::IsTrunkMember(value)) return -1;
    const int k = pv::TrunkMemberTrunk(value) - 1;
    const int p = pv::TrunkMemberPort(value);
    TrunkTable[k].member[p] = Is(text, "v");
    CountArrival(k, p, Is(text, "v") || Is(text, "-"));
    return k;
}

bool TrunkScreenGarbled() {
    if (s_oddText) return true;
    for (const auto& trunk : s_arrivals)
        for (uint8_t n : trunk)
            if (n != 1) return true;
    return false;
}

void TakeTrunkCopy() {
    for (int k = 0; k < kTrunks; ++k)
        SavedTrunkTable[k] = TrunkTable[k];
}

void StartTrunkCollection() {
    for (int32_t& n : TrunkMemberCount)
        n = 0;
}

void CollectTrunkMember(int trunk, int port, bool on) {
    if (trunk < 0 || trunk >= kTrunks || port < 1 || port > kTrunkPorts) return;
    TrunkTable[trunk].member[port] = on;
    if (on) TrunkMemberCount[trunk] += 1;
}

TrunkRuleBreak FindTrunkRuleBreak() {
    for (int k = 0; k < kTrunks; ++k) {
        const int32_t n = TrunkMemberCount[k];
        if (n == 1 || n > 4) return {TrunkRule::Count, k};
        bool fixed = false, module = false;
        for (int p = 1; p <= kTrunkPorts; ++p)
            if (TrunkTable[k].member[p]) (p < kFirstModulePort ? fixed : module) = true;
        if (fixed && module) return {TrunkRule::Mixing, k};
    }
    return {TrunkRule::None, -1};
}

int32_t StaticModuleTrunk() {
    int32_t trunk = -1;
    for (int k = 0; k < kTrunks; ++k)
        if (TrunkTable[k].isStatic && TrunkTable[k].member[kTrunkPorts]) trunk = k;
    return trunk;
}

int BuildTrunkKeys(bool membersChanged, bool staticChanged, char* out, int outSize) {
    KeyText keys(out, outSize);
    keys.add(KEY_ENTER);
    if (membersChanged) {
        for (int k = 0; k < kTrunks; ++k) {
            for (int p = 1; p <= kTrunkPorts; ++p) {
                if (TrunkTable[k].member[p] != SavedTrunkTable[k].member[p]) keys.add(KEY_SPACE);
                keys.add(KEY_TAB);
            }
        }
    }
    if (staticChanged) {
        // From trunk 1 port 1 the statuses lie behind, at the end of the
        // ring; after the 182 cells they are straight ahead.
        if (!membersChanged) keys.repeat(KEY_BACKSPACE, kTrunks);
        for (int k = 0; k < kTrunks; ++k) {
            if (TrunkTable[k].isStatic != SavedTrunkTable[k].isStatic) keys.add(KEY_SPACE);
            keys.add(KEY_TAB);
        }
    }
    keys.add(KEY_CTRL_A);
    keys.add(KEY_TAB);
    keys.add(KEY_ENTER);
    return keys.length();
}
