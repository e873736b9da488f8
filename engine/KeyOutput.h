#pragma once
// Keystroke output: the keys queued for the reader thread to type.
#include "engine/TargetWindow.h"

#include <cstdint>
#include <vector>

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
void TypeNextKey();    // main-thread step of the reader
void ResetKeyOutput(); // tests only: next-key index back to 0
