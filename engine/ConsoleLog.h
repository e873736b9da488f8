#pragma once
// What passes over the console line, for the console monitor and the
// transcript: the bytes the switch sent and the keys typed, secret keys
// (passwords) already replaced by '*'. Reported on the main thread.
#include <functional>
#include <string>

enum class ConsoleDirection { Received, Typed };

using ConsoleObserver = std::function<void(ConsoleDirection, const std::string& bytes)>;
// Returns an id for RemoveConsoleObserver.
int AddConsoleObserver(ConsoleObserver observer);
void RemoveConsoleObserver(int id);
void ReportConsoleBytes(ConsoleDirection direction, const std::string& bytes);

// The character written in place of a secret key.
constexpr char kSecretKeyShown = '*';

// Bytes as readable text: printable ASCII as it is, control keys and other
// bytes named in angle brackets (<ESC>, <CR>, <LF>, <TAB>, <BS>, <^A>, <x9B>),
// a '<' written <LT>. ParseReadableBytes turns it back into the bytes.
std::string ReadableBytes(const std::string& bytes);
bool ParseReadableBytes(const std::string& text, std::string& bytes);

// The switch's text without its cursor and colour sequences (ESC [ ... letter),
// cut into the pieces the console draws (at ESC, CR and LF); empty pieces
// are dropped. Used by the monitor to show lines as a reader sees them.
std::string StripTerminalControls(const std::string& bytes);
