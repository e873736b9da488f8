#pragma once
// The target window's mailbox: the reader thread posts what the console did
// (a line, a page state, a key typed, a fault) to the window found by its
// caption, which handles them on the main thread.
#include <QObject>
#include <QString>

#include <cstdint>

constexpr int WM_CONSOLE_LINE = 0x80B4; // carries its own copy of the line (freed with the event)
constexpr int WM_CONSOLE_PAGE = 0x80B5; // lParam: new page state
constexpr int WM_CONSOLE_KEY = 0x80B6;  // lParam: byte written, sign-extended
// The link's watchdog found the switch gone (lParam: a LinkFault).
constexpr int WM_CONSOLE_FAULT = 0x80B7;

void SetTargetWindow(const QString& caption);
QObject* TargetWindow();
void PostToTarget(int message, intptr_t wParam, intptr_t lParam);
