#pragma once
// The one JSON object a headless run given --json ends with, alone on
// stdout, for the automation that started it (the Ansible module in
// ansible/): how it ended, its exit code, what it changed or found
// differing, and its last line's reason.
#include <string>
#include <vector>

// {"result": "ok"|"differs"|"failed", "exit": N, "changed": [...],
// "message": "..."} on one line: "ok" for exit 0, "differs" for exit 6 (a
// check that found differences, a restore whose verify did), else "failed".
std::string RunReportJson(int exitCode, const std::vector<std::string>& changed,
                          const std::string& message);
// Whether the command line asks for it: looked for before the options are
// parsed, so that a refused command line is reported the same way.
bool WantsRunReport(int argc, char** argv);
