#pragma once
// State shared by all windows during a connection, and the operations every
// window uses: language texts, menu move keys, the busy window, self-test
// lines and the default reaction to console entries before login.
#include <QString>

#include <cstdint>
#include <string>

// Window numbers; equal to the console page state of each window's page,
// except the VLAN group members window (page 8).
enum : int32_t {
    FORM_WELCOME = 0,
    FORM_LOGIN = 1,
    FORM_MAIN = 2,
    FORM_STATIC = 3,
    FORM_PORT = 4,
    FORM_TRUNK = 5,
    FORM_VLAN = 6,
    FORM_VLANSUPPORT = 7,
    FORM_GROUPLIST = 9,
    FORM_GROUPMEMBERS = 10,
    FORM_MISC = 11,
    FORM_RESTART = 15,
};

extern int32_t CurrentForm;
extern int32_t TargetForm;
extern std::string BusyText; // bytes in the language's code page
extern bool Saving;
extern bool Leaving;
extern bool Restarting;
extern bool ResyncPending;
extern int32_t VersionStage;
extern char VersionText[12];
extern int8_t TablePage;
extern int8_t PortCount;
extern bool PageDirty[4];
extern int8_t WriteStep;
extern int32_t LastPortIndex;
extern int32_t ModuleTrunk; // -1 when no trunk holds port 26
// The switch started its self-test while a session window owned the console:
// it restarted without being told to, and the next login page drops the
// session's windows.
extern bool SwitchRestarted;
// The VLAN mode as the VLAN support screen last printed it (cut to 11
// characters): the VLAN menu's mode probe and the VLAN settings window read it.
extern char VlanModeText[12];
// The VLAN menu's mode probe is running (set when the menu is created).
extern bool VlanProbe;
// The VLAN group screen was opened by the VLAN menu's Create (a new group);
// Edit from the group list clears it.
extern bool CreatingGroup;

// Labels of the self-test lines, for entry values 2 to 14.
extern const char* const SelfTestLabels[13];
const char* SelfTestLabel(int32_t value); // nullptr outside 2..14

const char* GetLangText(int32_t id);
// The language text decoded for display with the current language's code page.
QString LangText(int32_t id);
// Any byte string in the current language's code page, decoded for display.
QString DecodeText(const std::string& bytes);
// Two language texts, the second on the line under the first (a message
// box's statement and what happens next), decoded for display.
QString LangLines(int32_t first, int32_t second);
// A button caption without its keyboard marker, for the places the same
// text is a title: "&Logout" gives "Logout", "注销(&L)" gives "注销",
// "A && B" gives "A & B".
QString WithoutMnemonic(const QString& caption);
// LangText(id) as a title (message-box caption, dialog title).
QString LangPlain(int32_t id);

std::string MakeMoveKeys(int32_t target, int32_t& current);
bool SameStr(const char* a, const char* b);
// Appends label + text to the start window's self-test list (through the
// hooks below).
void AddInitLine(const char* label, const char* text);
// Empties the start window's self-test list (through the hooks below).
void ClearInitLines();
void DefaultPageAction(int32_t value, const char* text);

// The start window's self-test list belongs to the windows layer, which
// installs these when it creates the start window; until then self-test
// lines are shown nowhere.
struct StartWindowHooks {
    void (*clearInitLines)() = nullptr;
    // Closes the busy window, brings the start window to the front and
    // appends the line.
    void (*addInitLine)(const std::string& line) = nullptr;
};
void SetStartWindowHooks(const StartWindowHooks& hooks);

// The hourglass (busy) or default mouse cursor for the whole application.
void SetScreenCursor(bool busy);

// Tests: every shared value back to its start-up state.
void ResetSharedState();
