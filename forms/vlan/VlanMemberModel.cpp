#include "forms/vlan/VlanMemberModel.h"

#include "engine/KeyOutput.h"
#include "engine/PageValues.h"
#include "forms/base/PageCopy.h"
#include "forms/base/RowLineup.h"
#include "shared/FieldText.h"
#include "shared/Publicunit.h"

#include <algorithm>
#include <cstring>

MemberEntry MemberTable[kMemberTableSize];
MemberEntry SavedMemberTable[kMemberTableSize];
char GroupNameText[10];
char GroupIdText[5];
char GroupRangeText[17];
bool MemberPageGarbled[4] = {};

namespace {

constexpr int kNameField = 1;
constexpr int kMemberField = 2;
RowLineup s_lineup(MemberPageGarbled, kMemberTableSize, kMembersPerPage, kNameField, kMemberField);

std::string Text(const char* text) {
    return text ? std::string(text, strnlen(text, 256)) : std::string();
}

} // namespace

int32_t IdKindOf(const char* rangeText) {
    const std::string t = rangeText ? std::string(rangeText, strnlen(rangeText, 64)) : "";
    if (t.find("4094") != std::string::npos) return kIdDot1q;
    if (t.find("26") != std::string::npos) return kIdPortBased;
    return kIdUnknown;
}

int32_t MaxGroupId(int32_t idKind) {
    return idKind == kIdPortBased ? 26 : 4094;
}

int IdEditLimit(int32_t idKind) {
    return idKind == kIdPortBased ? 2 : 4;
}

std::vector<std::string> MemberChoices(int32_t idKind) {
    if (idKind == kIdPortBased) return {"No    ", "Member"};
    return {"No      ", "UnTagged", "Tagged  "};
}

int32_t MemberChoiceIndex(const std::vector<std::string>& choices, const char* text) {
    const std::string t = text ? std::string(text, strnlen(text, 64)) : "";
    for (size_t k = 0; k < choices.size(); ++k)
        if (t.size() == choices[k].size() && FindNoCase(t, choices[k].c_str()) == 0)
            return static_cast<int32_t>(k);
    return -1;
}

void RestartMemberRead() {
    for (MemberEntry& e : MemberTable)
        e = {{}, -1, {}};
    PortCount = 0;
    s_lineup.reset();
}

void ResetMemberTables() {
    RestartMemberRead();
    GroupNameText[0] = 0;
    GroupIdText[0] = 0;
    GroupRangeText[0] = 0;
}

bool ValidMemberEntry(int i) {
    return i >= 0 && i < kMemberTableSize && MemberTable[i].name[0] != 0 &&
           MemberTable[i].name[0] != ' ';
}

int LastMemberPage() {
    return (PortCount - 1) / kMembersPerPage;
}

void AddMemberCell(int32_t value, const char* text, bool windowOpen, bool& tableComplete) {
    const std::string raw = Text(text);
    if (Saving) return;
    if (windowOpen && tableComplete) return;
    if (windowOpen && !raw.empty() && raw == MemberTable[0].name) {
        // The console wrapped round to its first page.
        tableComplete = true;
        return;
    }
    if (value == pv::GroupIdRange) {
        SetField(GroupRangeText, raw);
        return;
    }
    if (value == pv::GroupName) {
        SetField(GroupNameText, raw);
        return;
    }
    if (value == pv::GroupId) {
        SetField(GroupIdText, raw);
        return;
    }
    if (value >= pv::GroupName) return;
    const int row = value % 10 - 1;
    if ((value / 10) % 10 == kNameField) {
        std::string name = Trim(raw);
        if (name.empty()) return;
        const int slot = s_lineup.placeName(row);
        if (slot < 0) return;
        if (FindNoCase(name, "TRK") != std::string::npos)
            name = ReplaceFirstNoCase(name, "TRK", "TRUNK");
        if (FindNoCase(name, "MOD_") != std::string::npos)
            name = ReplaceFirstNoCase(name, "MOD_", "MODULE");
        SetField(MemberTable[slot].name, name);
        PortCount = static_cast<int8_t>(std::max<int>(PortCount, slot + 1));
        return;
    }
    // A member belongs to the row of the page whose names came last.
    const int i = s_lineup.placeValue(row, kMemberField);
    if (i < 0) return;
    SetField(MemberTable[i].choiceText, raw);
}

bool MemberReadWrapped(int32_t value, const char* text) {
    if (value >= pv::GroupName || (value / 10) % 10 != kNameField || PortCount == 0) return false;
    const std::string raw = Text(text);
    if (Trim(raw).empty()) return false;
    return raw == MemberTable[0].name || s_lineup.wrapsAt(value % 10 - 1);
}

bool FinishMemberRead() {
    // Without a known range the choices are not known either; the window
    // then refuses Apply as a whole.
    const int32_t kind = IdKindOf(GroupRangeText);
    const std::vector<std::string> choices = MemberChoices(kind);
    for (int i = 0; i < PortCount && i < kMemberTableSize; ++i) {
        if (!s_lineup.seenName(i)) SetField(MemberTable[i].name, "?");
        if (kind != kIdUnknown && MemberChoiceIndex(choices, MemberTable[i].choiceText) < 0)
            s_lineup.markImpossible(i);
    }
    return s_lineup.finish(PortCount);
}

void TakeMemberCopy() {
    TakePageCopy(MemberTable, SavedMemberTable, ValidMemberEntry);
}

void MarkMemberPages() {
    for (bool& d : PageDirty)
        d = false;
    MarkDirtyPages(MemberTable, SavedMemberTable, kMembersPerPage, MemberPageGarbled,
                   ValidMemberEntry,
                   [](const MemberEntry& a, const MemberEntry& b) { return a.choice != b.choice; });
}

GroupCheck CheckGroupInput(const std::string& name, const std::string& id, int32_t idKind) {
    if (Trim(name).empty()) return GroupNameMissing;
    int32_t v = 0;
    if (!ParseInt(id, v)) return GroupIdNotNumber;
    if (v < 1 || v > MaxGroupId(idKind)) return GroupIdOutOfRange;
    return GroupOk;
}

int BuildMemberPageKeys(int page, bool creating, const std::string& name, const std::string& id,
                        int32_t choiceCount, char* out, int outSize, bool& last) {
    KeyText keys(out, outSize);
    last = false;
    const int lastPage = LastMemberPage();
    if (page > lastPage) return 0;
    // A new group is stored only by a save that went through its first page.
    if (creating) PageDirty[0] = true;
    // What a garbled page shows may belong to other ports: its members are
    // passed (a new group's name and ID are still typed).
    const bool garbled = page >= 0 && page < 4 && MemberPageGarbled[page];
    if (page >= 0 && page < 4 && PageDirty[page]) {
        keys.add(KEY_TAB);
        keys.add(KEY_ENTER);
        if (creating) keys.add(name.c_str());
        keys.add(KEY_TAB);
        if (creating) keys.add(id.c_str());
        for (int j = 0; j < kMembersPerPage && !garbled; ++j) {
            const int i = page * kMembersPerPage + j;
            if (!ValidMemberEntry(i)) break;
            keys.add(KEY_TAB);
            // Each Space moves the console's field one choice on, wrapping;
            // a choice that matched nothing (-1) counts like any other.
            int32_t k = MemberTable[i].choice - SavedMemberTable[i].choice;
            if (k < 0) k += choiceCount;
            keys.repeat(KEY_SPACE, k);
        }
        keys.add(KEY_CTRL_A);
        keys.add(KEY_BACKSPACE);
    }
    if (page >= lastPage) {
        const char save[] = {KEY_TAB, KEY_TAB, KEY_ENTER, 0};
        keys.add(save);
        last = true;
    } else {
        keys.add(KEY_BACKSPACE);
        keys.add(KEY_ENTER);
    }
    return keys.length();
}
