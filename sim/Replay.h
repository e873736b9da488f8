#pragma once
// The switch's side of a console transcript (engine/Transcript.h), played
// back to reproduce what a user saw: what the switch sent before the first
// keys goes out at once, and what it sent after each run of typed keys goes
// out once as many keys have arrived (their values do not matter: the
// passwords in a transcript are '*').
#include <string>
#include <vector>

namespace sim {

class TranscriptReplay {
public:
    // Reads a transcript's text. False with the line number and reason in
    // `error` for a line that is not a transcript line.
    bool Load(const std::string& text, std::string& error);
    // The bytes to send for `count` more keys typed (0: the start).
    std::string KeysTyped(int count);
    bool Finished() const { return next_ >= steps_.size(); }
    // Everything the switch sent, in order.
    std::string SwitchSide() const;

private:
    struct Step {
        int keysBefore = 0; // keys typed since the previous step
        std::string bytes;
    };
    std::vector<Step> steps_;
    size_t next_ = 0;
    int keys_ = 0; // typed but not yet used up by a step
};

} // namespace sim
