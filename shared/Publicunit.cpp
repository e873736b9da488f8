#include "shared/Publicunit.h"

#include "engine/KeyOutput.h"
#include "forms/FormRefs.h"
#include "forms/Portconfigform.h"
#include "forms/Welcomeform.h"

#include <QApplication>
#include <QPlainTextEdit>

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
char VlanModeText[12] = {};

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
    if (value < 2 || value > 14) return nullptr;
    return SelfTestLabels[value - 2];
}

namespace {

constexpr char kTab[] = {KEY_TAB, 0};
constexpr char kEnter[] = {KEY_ENTER, 0};
// A keystroke text holds at most 254 bytes; one of them is the Enter.
constexpr int32_t kMaxMoves = 253;

bool s_cursorBusy = false;

std::vector<void (*)()>& tableReleases() {
    static std::vector<void (*)()> releases;
    return releases;
}

// Whether a text (not a menu entry the table knows) names an exit item.
bool IsExitText(const char* text) {
    if (text == nullptr) return false;
    if (std::strstr(text, "<Quit>") || std::strstr(text, "Exit this")) return true;
    std::string upper(text);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper.find("RETURN TO") != std::string::npos;
}

// The default walk's answer to a menu entry: 1 Enter, 0 Tab, -1 not a
// menu entry of the table (the text decides).
int MenuAnswer(int32_t value) {
    switch (value) {
    case 2003:
    case 3005:
    case 4001:
    case 5003:
    case 6004:
    case 7001:
    case 8001:
    case 9001:
    case 11003:
    case 15003:
        return 1;
    case 2001:
    case 2002:
    case 3001:
    case 3002:
    case 3003:
    case 3004:
    case 4002:
    case 4003:
    case 4004:
    case 4005:
    case 5001:
    case 5002:
    case 6001:
    case 6002:
    case 6003:
    case 7002:
    case 7003:
    case 7004:
    case 7005:
    case 8002:
    case 8003:
    case 8004:
    case 8005:
    case 9002:
    case 9003:
    case 9004:
    case 9005:
    case 11001:
    case 11002:
    case 15001:
    case 15002:
        return 0;
    default:
        return -1;
    }
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

void AddInitLine(const char* label, const char* text) {
    TfrmWelcome* welcome = frmWelcome.get();
    if (welcome == nullptr) return;
    CloseBusyBox();
    welcome->Show();
    std::string line(label ? label : "");
    line += text ? text : "";
    welcome->memInit->appendPlainText(QString::fromLatin1(line.c_str()));
    welcome->Repaint();
}

void DefaultPageAction(int32_t value, const char* text) {
    if (value >= 2 && value <= 14) {
        if (value == 2) {
            if (TfrmWelcome* welcome = frmWelcome.get()) welcome->memInit->clear();
        }
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

void AddSharedTableRelease(void (*release)()) {
    if (release == nullptr) return;
    auto& releases = tableReleases();
    if (std::find(releases.begin(), releases.end(), release) == releases.end())
        releases.push_back(release);
}

void ReleaseSharedTables() {
    ResetPortTable();
    for (void (*release)() : tableReleases())
        release();
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
    std::memset(VlanModeText, 0, sizeof VlanModeText);
    SetScreenCursor(false);
}
