#pragma once
// Options of the tavik-switch-sim program.
#include "sim/Options.h"

#include <string>
#include <vector>

namespace sim {

struct CommandLine {
    Options options;
    std::string linkPath;   // --link
    std::string stateFile;  // --state
    std::string dumpFile;   // --dump-state
    std::string replayFile; // --replay: a transcript's switch side instead of the switch
    bool help = false;
};

// Parses the arguments (without the program name). False with a message in
// `error` for an unknown option or a bad value.
bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string& error);

// Key strings as written on a command line: \t \b \r \n \e \\ and \xHH.
bool UnescapeKeys(const std::string& text, std::string& keys, std::string& error);

const char* UsageText();

} // namespace sim
