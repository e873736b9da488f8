#include "forms/vlan/GroupListModel.h"

#include "shared/FieldText.h"

#include <cstring>

GroupEntry GroupList[kGroupListSize];

namespace {
constexpr size_t kNameColumn = 12;
} // namespace

void ResetGroupList() {
    for (GroupEntry& e : GroupList)
        e = {};
}

void AddGroupCell(int32_t value, const char* text) {
    const int kind = (value / 100) % 10;
    const int row = value % 100 - 1;
    if (row < 0 || row >= kGroupListSize) return;
    const std::string raw = text ? std::string(text, strnlen(text, 256)) : std::string();
    if (kind == 1) {
        if (row == 0) ResetGroupList(); // a new drawing of the list
        SetField(GroupList[row].name, raw);
    } else if (kind == 2) {
        SetField(GroupList[row].vid, raw);
    }
}

std::string GroupLine(const GroupEntry& e) {
    std::string line = Field(e.name);
    if (line.size() < kNameColumn) line.append(kNameColumn - line.size(), ' ');
    return line + Field(e.vid);
}
