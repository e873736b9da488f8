#pragma once
// Drives a simulated switch directly (no serial line) and reads its output
// the way the program does: cut at every ESC and CR, checked with the
// screen-start check and recognised with the real page table.
#include "engine/LineFraming.h"
#include "engine/PageTable.h"
#include "sim/Switch.h"

#include <set>
#include <string>
#include <vector>

struct SeenLine {
    std::string line; // as the program's line buffer held it (no ESC, no CR)
    int position = 0;
    int value = -1;
    std::string text;
    bool startOk = true;
};

class ConsoleReader {
public:
    ConsoleReader() {
        ResetScreenStartCheck();
        parser_.LoadTable("Parser.tbl");
    }

    bool tableLoaded() const { return parser_.TopList().Count() > 1; }

    // Frames `bytes`; returns the lines completed by them.
    std::vector<SeenLine> feed(const std::string& bytes) {
        std::vector<SeenLine> lines;
        for (char c : bytes) {
            if (c == '\x1b' || c == '\r') {
                lines.push_back(recognise(held_));
                held_.clear();
            } else {
                held_ += c;
            }
        }
        return lines;
    }

    // What the program's quiet-period flush does with a held line.
    std::vector<SeenLine> flush() { return feed("\x1b"); }
    const std::string& held() const { return held_; }
    int pageState() const { return parser_.PageState(); }
    const Parser& parser() const { return parser_; }
    // Every value and page state recognised since the reader was made.
    std::set<int> seenValues, seenPages;
    int startFailures = 0; // lines that failed the screen-start check

private:
    SeenLine recognise(const std::string& line) {
        SeenLine s;
        s.line = line;
        s.startOk = CheckScreenStart(line.c_str());
        std::unique_ptr<PageEntry> where = MakeEntry(line.c_str());
        s.position = where->position;
        std::unique_ptr<PageEntry> e = parser_.Parse(line.c_str());
        s.value = e->value;
        s.text = e->text;
        if (s.value >= 0) seenValues.insert(s.value);
        if (!s.startOk) ++startFailures;
        if (parser_.PageState() < 16) seenPages.insert(parser_.PageState());
        return s;
    }

    Parser parser_;
    std::string held_;
};

// A switch without pacing whose answers are read at once.
class SimDriver {
public:
    explicit SimDriver(sim::Options options = {}) : sw_(withoutPacing(std::move(options))) {}

    sim::Switch& sw() { return sw_; }
    ConsoleReader& reader() { return reader_; }
    int64_t now() const { return now_; }

    // Types each key 100 ms after the previous answer and returns all bytes
    // the switch sent in answer, including any timed output. The reader sees
    // them too, so it always knows the page the way the program would.
    std::string type(const std::string& keys) {
        std::string out;
        for (char k : keys) {
            now_ += 100000;
            sw_.keyIn(static_cast<uint8_t>(k), now_);
            out += drain();
        }
        lastLines_ = reader_.feed(out);
        return out;
    }

    // Types keys and returns the lines the program would see.
    std::vector<SeenLine> lines(const std::string& keys) {
        type(keys);
        return lastLines_;
    }

    // Every value recognised in `lines`, in order (unrecognised ones left out).
    static std::vector<int> values(const std::vector<SeenLine>& lines) {
        std::vector<int> v;
        for (const SeenLine& l : lines)
            if (l.value >= 0) v.push_back(l.value);
        return v;
    }
    // The last recognised value of a burst: what the program would answer.
    static int lastValue(const std::vector<SeenLine>& lines) {
        auto v = values(lines);
        return v.empty() ? -1 : v.back();
    }
    // The text recognised with `value` (the first one), or "<absent>".
    static std::string textOf(const std::vector<SeenLine>& lines, int value) {
        for (const SeenLine& l : lines)
            if (l.value == value) return l.text;
        return "<absent>";
    }

private:
    static sim::Options withoutPacing(sim::Options o) {
        o.pacing = false;
        return o;
    }
    // Runs the switch's timed work to its end; the clock follows.
    std::string drain() {
        std::string out;
        for (int64_t t; (t = sw_.nextOutputTime()) != sim::Switch::kNever;) {
            now_ = std::max(now_, t);
            out += static_cast<char>(sw_.takeOutput());
        }
        return out;
    }

    sim::Switch sw_;
    ConsoleReader reader_;
    std::vector<SeenLine> lastLines_;
    int64_t now_ = 0;
};

// Checks over the lines of a burst.
inline bool AllStartsOk(const std::vector<SeenLine>& lines) {
    for (const SeenLine& l : lines)
        if (!l.startOk) return false;
    return true;
}

inline int Count(const std::vector<SeenLine>& lines, int value) {
    int n = 0;
    for (const SeenLine& l : lines)
        n += l.value == value;
    return n;
}

// The last line drawn at `position`.
inline const SeenLine* LineAt(const std::vector<SeenLine>& lines, int position) {
    for (auto it = lines.rbegin(); it != lines.rend(); ++it)
        if (it->position == position) return &*it;
    return nullptr;
}

// What the console drew on the message line last (padding included).
// (The prologue's bare "[20;02H" is at the same position but draws nothing.)
inline std::string Message(const std::vector<SeenLine>& lines) {
    for (auto it = lines.rbegin(); it != lines.rend(); ++it)
        if (it->position == 2002 && it->line.size() > 7) return it->line.substr(7);
    return "<none>";
}

// Key strings as --pretype writes them.
namespace keys {
constexpr const char* kLogin = "admin\radmin\r";
inline std::string Repeat(const std::string& k, int n) {
    std::string s;
    for (int i = 0; i < n; ++i)
        s += k;
    return s;
}
} // namespace keys
