// VLAN groups of the current mode's table: the group screen (create or edit
// one group) and the group list (choose a group to edit or delete).
#include "sim/FormScreen.h"
#include "sim/Rules.h"
#include "sim/Switch.h"

#include <cstdlib>

namespace sim {

namespace {

constexpr int kRowsPerPage = 8;

const std::vector<std::string>& MemberChoices(bool dot1q) {
    return dot1q ? Dot1qMemberChoices() : PortBasedMemberChoices();
}

class GroupScreen : public FormScreen {
public:
    GroupScreen(Switch& sw, int groupId)
        : FormScreen(sw, BarA(), Action::Quit), groupId_(groupId),
          dot1q_(sw.state().vlanMode == kModeDot1q) {
        resetWorking();
    }
    std::string name() const override { return editing_ ? "edit:group" : "group"; }

protected:
    void resetWorking() override {
        name_.clear();
        id_.clear();
        member_.fill(kMemberNo);
        for (const VlanGroup& g : sw_.state().groups()) {
            if (g.id != groupId_) continue;
            name_ = g.name;
            id_ = std::to_string(g.id);
            member_ = g.member;
        }
    }

    int pageCount() const override { return 4; }
    int rowsOnPage() const { return std::min(kRowsPerPage, kPortCount - page_ * kRowsPerPage); }
    int memberWidth() const { return dot1q_ ? 8 : 6; }

    void drawBody(Burst& b) override {
        b.at(1, 29, "VLAN Group Configuration");
        b.at(3, 5, "VLAN Name : " + name_);
        b.at(4, 5, "VLAN ID   : " + id_);
        b.at(4, 24, dot1q_ ? "(1 - 4094)" : "(1 - 26)");
        b.at(6, 10, "Port      Member");
        for (int r = 0; r < rowsOnPage(); ++r) {
            const int port = page_ * kRowsPerPage + r;
            b.at(7 + r, 10, PortName(port + 1));
            b.at(7 + r, 20, MemberChoices(dot1q_)[static_cast<size_t>(member_[port])]);
        }
        b.at(16, 2, "Page " + std::to_string(page_ + 1) + " of 4");
        b.at(17, 2, dot1q_ ? "Member choices: No, UnTagged, Tagged" : "Member choices: No, Member");
    }

    // Name, ID, then the member field of each port on the page.
    int fieldCount() const override { return 2 + rowsOnPage(); }

    Field field(int i) const override {
        if (i == 0) return {3, 17, kMaxGroupName, FieldKind::NameText, nullptr};
        if (i == 1) return {4, 17, dot1q_ ? 4 : 2, FieldKind::Number, nullptr};
        return {5 + i, 20, memberWidth(), FieldKind::Choice, &MemberChoices(dot1q_)};
    }

    std::string value(int i) const override {
        if (i == 0) return name_;
        if (i == 1) return id_;
        return MemberChoices(dot1q_)[static_cast<size_t>(member_[portOf(i)])];
    }

    void setValue(int i, const std::string& v) override {
        if (i == 0) {
            name_ = v;
        } else if (i == 1) {
            id_ = v;
        } else {
            const auto& list = MemberChoices(dot1q_);
            member_[portOf(i)] =
                static_cast<int>(std::find(list.begin(), list.end(), v) - list.begin()) %
                static_cast<int>(list.size());
        }
    }

    void quit() override { back(sw_, groupId_); }

    void save() override {
        VlanGroup g;
        g.name = name_;
        g.id = id_.empty() ? -1 : std::atoi(id_.c_str());
        g.member = member_;
        sw_.save(
            "Saving VLAN group ...",
            [g, dot1q = dot1q_, originalId = groupId_](SwitchState& s) {
                std::string reason = CheckGroup(s.groups(), dot1q, g.name, g.id, originalId);
                if (reason.empty()) reason = CheckGroupIdChange(s, g.id, originalId);
                if (!reason.empty()) return "VLAN group NOT saved: " + reason + ".";
                StoreGroup(s.groups(), g, originalId);
                return std::string("VLAN group saved.");
            },
            [sw = &sw_, groupId = groupId_] { back(*sw, groupId); });
    }

private:
    // Back where the screen was opened: the VLAN menu for a new group, the
    // list (action still on Edit) for an existing one.
    static void back(Switch& sw, int groupId) {
        sw.show(groupId == 0 ? MakeVlanMenu(sw, 1) : MakeGroupList(sw, 1));
    }
    int portOf(int field) const { return page_ * kRowsPerPage + field - 2; }

    int groupId_;
    bool dot1q_;
    std::string name_;
    std::string id_;
    std::array<int, kPortCount> member_{};
};

constexpr int kListHalf = 13;

class GroupList : public FormScreen {
public:
    GroupList(Switch& sw, int actionItem) : FormScreen(sw, BarC(), Action::Quit) {
        highlight_ = std::clamp(actionItem, 0, 2);
    }
    std::string name() const override { return selecting_ ? "grouplist:select" : "grouplist"; }

    void key(uint8_t k) override {
        if (!selecting_) {
            FormScreen::key(k);
            return;
        }
        const int n = static_cast<int>(groups().size());
        switch (k) {
        case key::kTab:
            moveRow((row_ + 1) % n);
            break;
        case key::kBackSpace:
            moveRow((row_ + n - 1) % n);
            break;
        case key::kEnter:
            act();
            break;
        case key::kEsc:
            reenter();
            break;
        default:
            break;
        }
    }

protected:
    void resetWorking() override { selecting_ = false; }

    void drawBody(Burst& b) override {
        const auto& list = groups();
        b.at(1, 33, "VLAN Group List");
        b.at(3, 3, "No. VLAN Name VID");
        b.at(3, 43, "No. VLAN Name VID");
        for (int i = 0; i < static_cast<int>(list.size()); ++i) {
            const int y = RowOf(i);
            const int x = ColOf(i);
            char number[16];
            std::snprintf(number, sizeof number, "%2d.", i + 1);
            b.at(y, x + 3, number);
            b.at(y, x + 7, list[static_cast<size_t>(i)].name);
            b.at(y, x + 17, std::to_string(list[static_cast<size_t>(i)].id));
        }
        if (list.empty()) b.at(10, 25, "No VLAN group exists.");
        b.at(18, 5, "Total VLAN groups : " + std::to_string(list.size()));
    }

    int fieldCount() const override { return 0; }
    Field field(int) const override { return {}; }
    std::string value(int) const override { return ""; }
    void setValue(int, const std::string&) override {}
    void save() override {}
    void quit() override { sw_.show(MakeVlanMenu(sw_, 2)); }
    void startEdit() override { select(); }
    void remove() override { select(); }

private:
    const std::vector<VlanGroup>& groups() const { return sw_.state().groups(); }
    // Rows 1-13 fill the left half, 14-26 the right half.
    static int RowOf(int i) { return 5 + i % kListHalf; }
    static int ColOf(int i) { return i < kListHalf ? 0 : 40; }

    void drawCell(Burst& b, int i, bool selected) const {
        const std::string name = Pad(groups()[static_cast<size_t>(i)].name, 8);
        b.at(RowOf(i), ColOf(i) + 6, selected ? "[" + name + "]" : " " + name + " ");
    }
    void parkAfterCell(Burst& b, int i) const { b.park(RowOf(i), ColOf(i) + 16); }

    void select() {
        Burst b;
        if (groups().empty()) {
            b.message("No VLAN group exists.");
            messageShown_ = true;
            parkAfterItem(b, highlight_);
            sw_.send(b);
            return;
        }
        selecting_ = true;
        row_ = 0;
        b.message("Select a VLAN group with Tab/BackSpace, then press Enter.");
        messageShown_ = true;
        drawCell(b, row_, true);
        parkAfterCell(b, row_);
        sw_.send(b);
    }

    void moveRow(int next) {
        Burst b;
        drawCell(b, row_, false);
        row_ = next;
        drawCell(b, row_, true);
        parkAfterCell(b, row_);
        sw_.send(b);
    }

    void act() {
        selecting_ = false;
        const int id = groups()[static_cast<size_t>(row_)].id;
        if (highlight_ == itemIndex(Action::Edit)) {
            sw_.show(MakeGroupScreen(sw_, id));
            return;
        }
        // The result comes inside one full draw of the list, so the program
        // has the fresh list before its message box opens.
        if (CanDeleteGroup(sw_.state(), id)) {
            const SwitchState before = sw_.state();
            std::erase_if(sw_.stored().groups(), [id](const VlanGroup& g) { return g.id == id; });
            sw_.noteStored(before);
            showOnNextDraw("VLAN group deleted.");
        } else {
            showOnNextDraw("VLAN group is a PVID in use and cannot be deleted.");
        }
        sw_.redraw();
    }

    bool selecting_ = false;
    int row_ = 0;
};

} // namespace

std::unique_ptr<Screen> MakeGroupScreen(Switch& sw, int groupId) {
    return std::make_unique<GroupScreen>(sw, groupId);
}

std::unique_ptr<Screen> MakeGroupList(Switch& sw, int actionItem) {
    return std::make_unique<GroupList>(sw, actionItem);
}

} // namespace sim
