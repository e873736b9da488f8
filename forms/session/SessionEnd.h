#pragma once
// Ending a session from the program's side: the switch stopped answering,
// the line went down, or the console drew something the program cannot
// follow. Everything a fresh start sets is set again, so Connect (to the
// same or another switch) works without restarting the program.
#include <QString>

#include <cstdint>

// Drops pending keys, closes the link and the page table, frees every
// session window (login, menus, configuration windows, busy window) without
// their close handlers, resets the shared state and tables, brings the
// Welcome window back with Connect enabled, then shows `message` (none when
// empty).
void EndSession(const QString& message);

// Logout with a disconnect: the session ends quietly once the switch has
// drawn its login page (the account is logged out on the switch first).
void DisconnectAtLoginPage();
// LoginPageArrival asks for each login page line: true while a disconnect
// is due (the line is then taken here; the last one ends the session).
bool LoginLineBeforeDisconnect();

// A self-test line of the switch booting (the router's entries 2-14): shown
// in the start window's list. The first one under a session means the
// switch restarted on its own: the session's windows are hidden so that
// nothing can type into the booting console (a save being typed is lost,
// and the user is told); the login page drops them.
void SwitchSelfTestLine(int32_t value, const char* text);

// "The switch stopped answering (reason). ..." for a LinkFault.
QString LinkFaultMessage(int32_t fault);
