#pragma once
// --transcript FILE: the console session written down for a support case.
// One line per piece: the time, "<" for bytes from the switch or ">" for
// keys typed, then the bytes as readable text (engine/ConsoleLog.h), secret
// keys already '*'. Lines starting with '#' are notes. tavik-switch-sim
// --replay reads the switch's side back.
#include <string>

// Starts writing to `path` (replacing the file; a new file is readable by
// its owner only, 0600). False with the reason in `error` when the file
// cannot be opened or cannot take the transcript's first lines.
bool StartTranscript(const std::string& path, std::string& error);
// False when a write failed on the way (a full disk): the transcript is cut.
bool StopTranscript();
bool TranscriptRunning();
// A note line ("# time text") about the line itself, written between the
// console's bytes; nothing when no transcript is running.
void TranscriptNote(const std::string& text);
