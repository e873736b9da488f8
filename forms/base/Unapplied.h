#pragma once
// Exit (or the window's close) on a configuration window whose changes were
// not applied asks before they are dropped.
class QWidget;

// True when the user agrees to drop the changes.
bool ConfirmDiscardChanges(QWidget* window);

#include <QString>

// The state of a window's edit boxes, choices and check/radio buttons, to
// compare with the state the window was filled with.
QString ControlState(const QWidget* window);
