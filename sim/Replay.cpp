#include "sim/Replay.h"

#include "engine/ConsoleLog.h"

#include <sstream>

namespace sim {

bool TranscriptReplay::Load(const std::string& text, std::string& error) {
    steps_.clear();
    next_ = 0;
    keys_ = 0;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    int keys = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        // "HH:MM:SS.mmm D text"
        const size_t blank = line.find(' ');
        if (blank == std::string::npos || blank + 2 >= line.size() + 1 || line.size() < blank + 2 ||
            (line[blank + 1] != '<' && line[blank + 1] != '>')) {
            error = "line " + std::to_string(number) + ": not a transcript line";
            return false;
        }
        const std::string readable = line.size() > blank + 3 ? line.substr(blank + 3) : "";
        std::string bytes;
        if (!ParseReadableBytes(readable, bytes)) {
            error = "line " + std::to_string(number) + ": unreadable bytes";
            return false;
        }
        if (line[blank + 1] == '>') {
            keys += static_cast<int>(bytes.size());
            continue;
        }
        steps_.push_back({keys, bytes});
        keys = 0;
    }
    return true;
}

std::string TranscriptReplay::KeysTyped(int count) {
    keys_ += count;
    std::string out;
    while (next_ < steps_.size() && keys_ >= steps_[next_].keysBefore) {
        keys_ -= steps_[next_].keysBefore;
        out += steps_[next_].bytes;
        ++next_;
    }
    return out;
}

std::string TranscriptReplay::SwitchSide() const {
    std::string all;
    for (const Step& s : steps_)
        all += s.bytes;
    return all;
}

} // namespace sim
