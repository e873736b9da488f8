#pragma once
// --transcript FILE: the console session written down for a support case.
// One line per piece: the time, "<" for bytes from the switch or ">" for
// keys typed, then the bytes as readable text (engine/ConsoleLog.h), secret
// keys already '*'. Lines starting with '#' are notes. tavik-switch-sim
// --replay reads the switch's side back.
#include <string>

// Starts writing to `path` (replacing the file). False with the reason in
// `error` when the file cannot be written.
bool StartTranscript(const std::string& path, std::string& error);
void StopTranscript();
bool TranscriptRunning();
