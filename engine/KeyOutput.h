#pragma once
// Keystroke output and the console messages posted to the target window.
#include <QObject>
#include <QString>

#include <cstdint>
#include <vector>

constexpr int WM_CONSOLE_LINE = 0x80B4; // carries its own copy of the line (freed with the event)
constexpr int WM_CONSOLE_PAGE = 0x80B5; // lParam: new page state
constexpr int WM_CONSOLE_KEY = 0x80B6;  // lParam: byte written, sign-extended
// The link's watchdog found the switch gone (lParam: a LinkFault).
constexpr int WM_CONSOLE_FAULT = 0x80B7;

constexpr char KEY_CTRL_A = 0x01;
constexpr char KEY_BACKSPACE = 0x08;
constexpr char KEY_TAB = 0x09;
constexpr char KEY_ENTER = 0x0D;
constexpr char KEY_ESC = 0x1B;
constexpr char KEY_SPACE = 0x20;

// The keys [start, start + length) of a text that are secret (a password):
// the console monitor and the transcript show '*' for each.
struct SecretSpan {
    int start = 0;
    int length = 0;
};
void SendKeys(const char* text,
              const std::vector<SecretSpan>& secret = {}); // copies at most 254 bytes
bool IsSendPending();
// Drops whatever is still queued: nothing more is typed until the next
// SendKeys.
void CancelPendingKeys();
void TypeNextKey(); // main-thread step of the reader
void SetTargetWindow(const QString& caption);
QObject* TargetWindow();
void PostToTarget(int message, intptr_t wParam, intptr_t lParam);
void ResetKeyOutput(); // tests only: next-key index back to 0
