#pragma once
// One console screen: it draws itself and answers keys. Screens reach the
// stored configuration and the line only through the Switch.
#include "sim/Burst.h"

#include <cstdint>
#include <memory>
#include <string>

namespace sim {

class Switch;

namespace key {
constexpr uint8_t kCtrlA = 0x01;
constexpr uint8_t kBackSpace = 0x08;
constexpr uint8_t kTab = 0x09;
constexpr uint8_t kEnter = 0x0D;
constexpr uint8_t kEsc = 0x1B;
constexpr uint8_t kSpace = 0x20;
inline bool Printable(uint8_t k) {
    return k >= 0x21 && k <= 0x7E;
}
} // namespace key

constexpr const char* kKeyHint = "Tab/BackSpace: move   Enter: select   ESC: refresh";

class Screen {
public:
    explicit Screen(Switch& sw) : sw_(sw) {}
    virtual ~Screen() = default;
    // Everything of a full draw after the prologue, ending with the park.
    virtual void draw(Burst& b) = 0;
    virtual void key(uint8_t k) = 0;
    virtual std::string name() const = 0;
    // A message the next full draw shows on the message line.
    void showOnNextDraw(std::string message) { pendingMessage_ = std::move(message); }

protected:
    // Draws the pending message (if any) and remembers whether the message
    // line now holds something.
    void drawPendingMessage(Burst& b);
    Switch& sw_;
    std::string pendingMessage_;
    bool messageShown_ = false;
};

// Screens by the way they are entered.
std::unique_ptr<Screen> MakeLoginScreen(Switch& sw, bool failed);
std::unique_ptr<Screen> MakeMainMenu(Switch& sw, int item);
std::unique_ptr<Screen> MakeStaticMenu(Switch& sw, int item);
std::unique_ptr<Screen> MakeVlanMenu(Switch& sw, int item);
std::unique_ptr<Screen> MakeRestartMenu(Switch& sw);
std::unique_ptr<Screen> MakePortScreen(Switch& sw);
std::unique_ptr<Screen> MakeTrunkScreen(Switch& sw);
std::unique_ptr<Screen> MakeMiscScreen(Switch& sw);
std::unique_ptr<Screen> MakeVlanSupportScreen(Switch& sw);
// groupId 0: a new group (opened from the VLAN menu); otherwise the group of
// the current table with that id (opened from the group list).
std::unique_ptr<Screen> MakeGroupScreen(Switch& sw, int groupId);
// actionItem: 0 Quit, 1 Edit, 2 Delete highlighted.
std::unique_ptr<Screen> MakeGroupList(Switch& sw, int actionItem);

} // namespace sim
