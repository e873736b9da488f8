#pragma once
// A line fault that loses one cell of a screen: `from` right after `prefix`
// in a cursor position becomes `to`, a place the page table does not know.
// Once, or (everyTime) on each draw of a first page ("Page N of 4" ends each
// draw); with `within`, only after that text and before the next clear
// screen. Install as h.line().options().alterOutput = std::ref(flip).
#include <cstdint>
#include <string>

class PositionFlip {
public:
    PositionFlip(std::string prefix, char from, char to, bool everyTime, std::string within = {})
        : prefix_(std::move(prefix)), within_(std::move(within)), from_(from), to_(to),
          everyTime_(everyTime), inside_(within_.empty()) {}

    uint8_t operator()(uint8_t byte) {
        recent_ += char(byte);
        if (recent_.size() > 16) recent_.erase(0, 1);
        if (!within_.empty() && EndsWith("\x1b[2J")) inside_ = false;
        if (!within_.empty() && EndsWith(within_)) inside_ = true;
        if (recent_.size() >= 11 && recent_.compare(recent_.size() - 11, 5, "Page ") == 0 &&
            EndsWith(" of 4"))
            lastPage_ = recent_[recent_.size() - 6];
        const bool armed = everyTime_ ? (lastPage_ == 0 || lastPage_ == '4') : flips_ == 0;
        if (inside_ && armed && byte == uint8_t(from_) && EndsWith(prefix_ + from_)) {
            ++flips_;
            return uint8_t(to_);
        }
        return byte;
    }
    int flips() const { return flips_; }

private:
    bool EndsWith(const std::string& s) const {
        return recent_.size() >= s.size() &&
               recent_.compare(recent_.size() - s.size(), s.size(), s) == 0;
    }
    std::string prefix_, within_, recent_;
    char from_, to_;
    bool everyTime_, inside_;
    char lastPage_ = 0;
    int flips_ = 0;
};
