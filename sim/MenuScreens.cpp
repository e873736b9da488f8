// The login screen and the four menus (main, static configuration, VLAN
// configuration, restart).
#include "sim/MenuScreen.h"
#include "sim/Switch.h"

namespace sim {

MenuScreen::MenuScreen(Switch& sw, std::string name, int titleCol, std::string title, int highlight)
    : Screen(sw), highlight_(highlight), name_(std::move(name)), titleCol_(titleCol),
      title_(std::move(title)) {}

void MenuScreen::addItem(int row, std::string label, std::function<void()> choose) {
    items_.push_back(Item{row, std::move(label), std::move(choose)});
}

void MenuScreen::parkAfterHighlight(Burst& b) const {
    const Item& it = items_[highlight_];
    b.park(it.row, kMenuCol + static_cast<int>(it.label.size()) + 2);
}

void MenuScreen::draw(Burst& b) {
    if (highlight_ < 0 || highlight_ >= static_cast<int>(items_.size())) highlight_ = 0;
    b.at(1, titleCol_, title_);
    drawBody(b);
    drawPendingMessage(b);
    b.at(24, 2, kKeyHint);
    for (int i = 0; i < static_cast<int>(items_.size()); ++i)
        if (i != highlight_) b.at(items_[i].row, kMenuCol, ItemText(items_[i].label, false));
    b.at(items_[highlight_].row, kMenuCol, ItemText(items_[highlight_].label, true));
    parkAfterHighlight(b);
}

void MenuScreen::move(int delta) {
    const int n = static_cast<int>(items_.size());
    Burst b;
    if (messageShown_) b.clearMessage();
    messageShown_ = false;
    b.at(items_[highlight_].row, kMenuCol, ItemText(items_[highlight_].label, false));
    highlight_ = (highlight_ + delta + n) % n;
    b.at(items_[highlight_].row, kMenuCol, ItemText(items_[highlight_].label, true));
    parkAfterHighlight(b);
    sw_.send(b);
}

void MenuScreen::showMessage(const std::string& text) {
    Burst b;
    b.message(text);
    messageShown_ = true;
    parkAfterHighlight(b);
    sw_.send(b);
}

void MenuScreen::key(uint8_t k) {
    switch (k) {
    case key::kTab:
        move(+1);
        break;
    case key::kBackSpace:
        move(-1);
        break;
    case key::kEnter:
        items_[highlight_].choose();
        break;
    case key::kEsc:
        highlight_ = 0;
        sw_.redraw();
        break;
    default:
        break; // no output for a key that means nothing here
    }
}

namespace {

class LoginScreen : public Screen {
public:
    LoginScreen(Switch& sw, bool failed) : Screen(sw) {
        if (failed) showOnNextDraw(kFailure);
    }
    std::string name() const override { return password_ ? "login:password" : "login"; }

    void draw(Burst& b) override {
        const SwitchState& s = sw_.state();
        b.at(1, 24, "24+2 Port Managed Ethernet Switch");
        b.at(3, 20, "Local Management Console");
        b.at(5, 20, "Firmware Version  : " + s.firmwareVersion);
        b.at(6, 20, "Hardware Version  : " + s.hardwareVersion);
        b.at(7, 20, "MAC Address       : " + s.macAddress);
        b.at(9, 20, "Please enter your user name and password.");
        drawPendingMessage(b);
        b.at(12, 20, "User Name : ");
        b.park(12, 32);
    }

    void key(uint8_t k) override {
        std::string& input = password_ ? pass_ : user_;
        if (key::Printable(k)) {
            if (input.size() >= kMaxAccountText) return;
            input += static_cast<char>(k);
            sw_.send(Burst().raw(password_ ? "*" : std::string(1, static_cast<char>(k))));
        } else if (k == key::kBackSpace) {
            if (input.empty()) return;
            input.pop_back();
            sw_.send(Burst().raw("\b \b"));
        } else if (k == key::kEnter) {
            enter();
        } else if (k == key::kEsc) {
            reset();
            sw_.redraw();
        }
    }

private:
    static constexpr const char* kFailure = "Invalid user name or password. Please try again.";

    void enter() {
        if (!password_) {
            password_ = true;
            sw_.send(Burst().at(14, 20, "Password  : ").park(14, 32));
            return;
        }
        const SwitchState& s = sw_.state();
        if (user_ == s.user && pass_ == s.password) {
            sw_.show(MakeMainMenu(sw_, 0));
            return;
        }
        reset();
        showOnNextDraw(kFailure);
        sw_.redraw();
    }

    void reset() {
        user_.clear();
        pass_.clear();
        password_ = false;
    }

    bool password_ = false;
    std::string user_, pass_;
};

class MainMenu : public MenuScreen {
public:
    MainMenu(Switch& sw, int item) : MenuScreen(sw, "main", 36, "Main Menu", item) {
        addItem(9, "Static Configuration", [&sw] { sw.show(MakeStaticMenu(sw, 0)); });
        addItem(11, "Restart Configuration", [&sw] { sw.show(MakeRestartMenu(sw)); });
        addItem(13, "Logout", [&sw] { sw.show(MakeLoginScreen(sw, false)); });
    }

protected:
    void drawBody(Burst& b) override {
        const SwitchState& s = sw_.state();
        b.at(3, 5, "Firmware Version  : " + s.firmwareVersion);
        b.at(4, 5, "Firmware Revision : " + s.firmwareRevision);
        b.at(5, 5, "Hardware Version  : " + s.hardwareVersion);
    }
};

class StaticMenu : public MenuScreen {
public:
    StaticMenu(Switch& sw, int item)
        : MenuScreen(sw, "static", 28, "Static Configuration Menu", item) {
        addItem(6, "Port Configuration", [&sw] { sw.show(MakePortScreen(sw)); });
        addItem(8, "Trunk Configuration", [&sw] { sw.show(MakeTrunkScreen(sw)); });
        addItem(10, "VLAN Configuration", [&sw] { sw.show(MakeVlanMenu(sw, 0)); });
        addItem(12, "Misc Configuration", [&sw] { sw.show(MakeMiscScreen(sw)); });
        addItem(14, "Previous Menu", [&sw] { sw.show(MakeMainMenu(sw, 0)); });
    }
};

class VlanMenu : public MenuScreen {
public:
    VlanMenu(Switch& sw, int item) : MenuScreen(sw, "vlan", 29, "VLAN Configuration Menu", item) {
        addItem(6, "VLAN Support Configuration", [&sw] { sw.show(MakeVlanSupportScreen(sw)); });
        addItem(8, "Create a VLAN Group",
                [this] { openGroups([this] { sw_.show(MakeGroupScreen(sw_, 0)); }); });
        addItem(10, "Edit / Delete a VLAN Group",
                [this] { openGroups([this] { sw_.show(MakeGroupList(sw_, 0)); }); });
        addItem(12, "Previous Menu", [&sw] { sw.show(MakeStaticMenu(sw, 2)); });
    }

private:
    void openGroups(const std::function<void()>& open) {
        if (sw_.state().vlanMode == kModeDisabled)
            showMessage("VLAN mode is Disabled - set a VLAN mode first.");
        else
            open();
    }
};

class RestartMenu : public MenuScreen {
public:
    explicit RestartMenu(Switch& sw) : MenuScreen(sw, "restart", 30, "Restart Configuration", 0) {
        addItem(7, "Factory Default", [this] { ask(); });
        addItem(9, "Restart Switch",
                [&sw] { sw.restart("\r\nRestarting the switch ...\r\n", false); });
        addItem(11, "Previous Menu", [&sw] { sw.show(MakeMainMenu(sw, 1)); });
    }
    std::string name() const override { return asking_ ? "restart:question" : "restart"; }

    void key(uint8_t k) override {
        if (!asking_) {
            MenuScreen::key(k);
            return;
        }
        asking_ = false;
        if (k == 'y' || k == 'Y') {
            sw_.restart(std::string(1, static_cast<char>(k)) +
                            "\r\nRestoring factory defaults ...\r\nRestarting the switch ...\r\n",
                        true);
            return;
        }
        highlight_ = 0;
        sw_.redraw();
    }

private:
    // The question goes out raw at the parked cursor: a complete line here
    // would let the program's default walk replace the "y" it is about to type.
    void ask() {
        asking_ = true;
        sw_.send(Burst().raw(" Restore factory defaults (y/n)? "));
    }
    bool asking_ = false;
};

} // namespace

std::unique_ptr<Screen> MakeLoginScreen(Switch& sw, bool failed) {
    return std::make_unique<LoginScreen>(sw, failed);
}
std::unique_ptr<Screen> MakeMainMenu(Switch& sw, int item) {
    return std::make_unique<MainMenu>(sw, item);
}
std::unique_ptr<Screen> MakeStaticMenu(Switch& sw, int item) {
    return std::make_unique<StaticMenu>(sw, item);
}
std::unique_ptr<Screen> MakeVlanMenu(Switch& sw, int item) {
    return std::make_unique<VlanMenu>(sw, item);
}
std::unique_ptr<Screen> MakeRestartMenu(Switch& sw) {
    return std::make_unique<RestartMenu>(sw);
}

} // namespace sim
