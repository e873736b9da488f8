#include "shared/Publicunit.h"

#include "engine/KeyOutput.h"
#include "engine/PageValues.h"

#include <QApplication>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

int32_t CurrentForm = 0;
int32_t TargetForm = 0;
std::string BusyText;
bool Saving = false;
bool Leaving = false;
bool Restarting = false;
bool ResyncPending = false;
int32_t VersionStage = 0;
char VersionText[12] = {};
int8_t TablePage = 0;
int8_t PortCount = 0;
bool PageDirty[4] = {};
int8_t WriteStep = 0;
int32_t LastPortIndex = -1;
int32_t ModuleTrunk = -1;
bool SwitchRestarted = false;
char VlanModeText[12] = {};
bool VlanProbe = false;
bool CreatingGroup = false;

const char* const SelfTestLabels[13] = {
    "Switch Register R/W Test .... ", "PHY Register R/W Test ....... ",
    "SRAM Built-In Self Test ..... ", "EEPROM R/W Test ............. ",
    "IRQ Connect Test ............ ", "Switch EEPROM Checksum ...... ",
    "Detect Module Card .......... ", "Hardware Initialize ......... ",
    "Trunk Initialize ............ ", "Port Initialize ............. ",
    "BwCtrl Initialize ........... ", "Forwarding Initialize ....... ",
    "Vlan Initialize ............. ",
};

const char* SelfTestLabel(int32_t value) {
    if (!pv::InRange(value, pv::SelfTestFirst, pv::SelfTestLast)) return nullptr;
    return SelfTestLabels[value - pv::SelfTestFirst];
}

namespace {

constexpr char kTab[] = {KEY_TAB, 0};
constexpr char kEnter[] = {KEY_ENTER, 0};
// A keystroke text holds at most 254 bytes; one of them is the Enter.
constexpr int32_t kMaxMoves = 253;

bool s_cursorBusy = false;
StartWindowHooks s_startWindow;

// Whether a text (not a menu entry the table knows) names an exit item.
bool IsExitText(const char* text) {
    if (text == nullptr) return false;
    if (std::strstr(text, "<Quit>") || std::strstr(text, "Exit this")) return true;
    std::string upper(text);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper.find("RETURN TO") != std::string::npos;
}

// The default walk's answer to a menu entry: Tab until the highlight is on
// the page's exit item, then Enter. -1: not a menu entry of the table (the
// text decides).
int MenuAnswer(int32_t value) {
    struct Items {
        int32_t firstTab, lastTab, exit;
    };
    static const Items kMenus[] = {
        {pv::MainStatic, pv::MainRestart, pv::MainLogout},
        {pv::StaticPort, pv::StaticMisc, pv::StaticPrevious},
        {pv::PortEdit, pv::PortNextPage, pv::PortQuit},
        {pv::TrunkEdit, pv::TrunkSave, pv::TrunkQuit},
        {pv::VlanMenuSupport, pv::VlanMenuEdit, pv::VlanMenuPrevious},
        {pv::VlanEdit, pv::VlanNextPage, pv::VlanQuit},
        {pv::GroupEdit, pv::GroupNextPage, pv::GroupQuit},
        // The list's 9004 and 9005 never occur; they count as its action bar.
        {pv::GroupListEdit, pv::GroupListEdit + 3, pv::GroupListTotal},
        {pv::MiscEdit, pv::MiscSave, pv::MiscQuit},
        {pv::RestartDefault, pv::RestartSwitch, pv::RestartPrevious},
    };
    for (const Items& m : kMenus) {
        if (value == m.exit) return 1;
        if (pv::InRange(value, m.firstTab, m.lastTab)) return 0;
    }
    return -1;
}

} // namespace

std::string MakeMoveKeys(int32_t target, int32_t& current) {
    const int64_t distance = static_cast<int64_t>(target) - current;
    const int32_t n =
        static_cast<int32_t>(std::min<int64_t>(distance < 0 ? -distance : distance, kMaxMoves));
    std::string keys(static_cast<size_t>(n), distance > 0 ? KEY_TAB : KEY_BACKSPACE);
    keys += KEY_ENTER;
    current = target;
    return keys;
}

bool SameStr(const char* a, const char* b) {
    return std::strcmp(a ? a : "", b ? b : "") == 0;
}

void SetStartWindowHooks(const StartWindowHooks& hooks) {
    s_startWindow = hooks;
}

void AddInitLine(const char* label, const char* text) {
    if (s_startWindow.addInitLine == nullptr) return;
    std::string line(label ? label : "");
    line += text ? text : "";
    s_startWindow.addInitLine(line);
}

void ClearInitLines() {
    if (s_startWindow.clearInitLines) s_startWindow.clearInitLines();
}

void DefaultPageAction(int32_t value, const char* text) {
    if (pv::InRange(value, pv::SelfTestFirst, pv::SelfTestLast)) {
        if (value == pv::SelfTestFirst) ClearInitLines();
        AddInitLine(SelfTestLabel(value), text);
        return;
    }
    int answer = MenuAnswer(value);
    if (answer < 0) answer = IsExitText(text) ? 1 : 0;
    SendKeys(answer == 1 ? kEnter : kTab);
}

void SetScreenCursor(bool busy) {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return;
    if (busy == s_cursorBusy) return;
    s_cursorBusy = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void ResetSharedState() {
    CurrentForm = 0;
    TargetForm = 0;
    BusyText.clear();
    Saving = false;
    Leaving = false;
    Restarting = false;
    ResyncPending = false;
    VersionStage = 0;
    std::memset(VersionText, 0, sizeof VersionText);
    TablePage = 0;
    PortCount = 0;
    std::fill(std::begin(PageDirty), std::end(PageDirty), false);
    WriteStep = 0;
    LastPortIndex = -1;
    ModuleTrunk = -1;
    SwitchRestarted = false;
    std::memset(VlanModeText, 0, sizeof VlanModeText);
    VlanProbe = false;
    CreatingGroup = false;
    SetScreenCursor(false);
}
