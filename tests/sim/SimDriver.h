#pragma once
// Drives a simulated switch directly (no line, no pacing) and reads its output
// as the program does (cut at ESC and CR, screen-start check, the real page
// table); and the switch states and key paths the sim tests share.
#include "engine/LineFraming.h"
#include "engine/PageTable.h"
#include "sim/Rules.h"
#include "sim/Switch.h"

#include <set>
#include <string>
#include <vector>

struct SeenLine {
    std::string line; // as the program's line buffer held it (no ESC, no CR)
    int position = 0;
    int value = -1;
    std::string text;
};
using Lines = std::vector<SeenLine>;

class SimDriver {
public:
    explicit SimDriver(sim::Options o = {}) : sw_((o.pacing = false, std::move(o))) {
        ResetScreenStartCheck();
        parser_.LoadTable(LocateDataFile("Parser.tbl"));
    }
    sim::Switch& sw() { return sw_; }
    const Parser& parser() const { return parser_; }

    // Types each key 100 ms after the previous answer; returns every byte sent
    // in answer, timed output included.
    std::string type(const std::string& keys) {
        std::string out;
        for (char k : keys) {
            sw_.keyIn(static_cast<uint8_t>(k), now_ += 100000);
            for (int64_t t; (t = sw_.nextOutputTime()) != sim::Switch::kNever;) {
                now_ = std::max(now_, t);
                out += static_cast<char>(sw_.takeOutput());
            }
        }
        last_ = feed(out);
        return out;
    }
    // Types keys and returns the lines the program would see.
    Lines lines(const std::string& keys) {
        type(keys);
        return last_;
    }
    // Frames `bytes`; returns the lines completed by them. feed("\x1b") is
    // what the program's quiet-period flush does with a held line.
    Lines feed(const std::string& bytes) {
        Lines lines;
        for (char c : bytes) {
            if (c != '\x1b' && c != '\r') {
                held += c;
                continue;
            }
            startFailures += !CheckScreenStart(held.c_str());
            std::unique_ptr<PageEntry> e = parser_.Parse(held.c_str());
            lines.push_back({held, MakeEntry(held.c_str())->position, e->value, e->text});
            if (e->value >= 0) seenValues.insert(e->value);
            if (parser_.PageState() < 16) seenPages.insert(parser_.PageState());
            held.clear();
        }
        return lines;
    }

    std::string held;                    // the line not ended yet
    std::set<int> seenValues, seenPages; // values and page states since the start
    int startFailures = 0;               // lines that failed the screen-start check

private:
    sim::Switch sw_;
    Parser parser_;
    Lines last_;
    int64_t now_ = 0;
};

inline std::vector<int> Values(const Lines& lines) {
    std::vector<int> v;
    for (const SeenLine& l : lines)
        if (l.value >= 0) v.push_back(l.value);
    return v;
}
// The last recognised value of a burst: what the program would answer.
inline int LastValue(const Lines& lines) {
    const std::vector<int> v = Values(lines);
    return v.empty() ? -1 : v.back();
}
// The text recognised with `value` (the first one), or "<absent>".
inline std::string TextOf(const Lines& lines, int value) {
    for (const SeenLine& l : lines)
        if (l.value == value) return l.text;
    return "<absent>";
}
// What the console drew on the message line last, without its padding.
// (The prologue's bare "[20;02H" is at the same position but draws nothing.)
inline std::string Message(const Lines& lines) {
    for (auto it = lines.rbegin(); it != lines.rend(); ++it)
        if (it->position == 2002 && it->line.size() > 7) {
            if (it->line.size() != 85) return "<not padded to 78>";
            return it->line.substr(7, it->line.find_last_not_of(' ') - 6);
        }
    return "<none>";
}

const std::string kLogin = "admin\radmin\r", kToStatic = kLogin + "\r";
const std::string kToPort = kToStatic + "\r", kToTrunk = kToStatic + "\t\r";
const std::string kToVlan = kToStatic + "\t\t\r", kToMisc = kToStatic + "\t\t\t\r";
const std::string kToSupport = kToVlan + "\r", kToGroup = kToVlan + "\t\r";
const std::string kToList = kToVlan + "\t\t\r", kToRestart = kLogin + "\t\r";

// f: factory; m: factory with a 100FX and an empty slot; k: ports 1-4 a static
// trunk; q: 802.1Q with group "sales" (VID 10) and port 1 set apart; Q: 802.1Q
// with a full table; p: port-based without groups; v: as q, with VID 10 the
// PVID of port 3.
inline sim::SwitchState State(char kind) {
    sim::SwitchState s =
        sim::FactoryState({kind == 'm' ? "100FX" : "1000TX", kind == 'm' ? "NC" : "1000TX"});
    if (kind == 'k') s.trunks[0] = {true, {true, true, true, true}};
    if (kind == 'k') s.trunks[2].members[24] = s.trunks[2].members[25] = true; // no row
    if (kind == 'q' || kind == 'Q' || kind == 'v') s.vlanMode = sim::kModeDot1q;
    if (kind == 'p') s.vlanMode = sim::kModePortBased;
    if (kind == 'q' || kind == 'v') s.dot1qGroups.push_back({10, "sales", {sim::kMemberUntagged}});
    if (kind == 'v') s.ports[2].pvid = 10;
    if (kind == 'q') s.ports[0].inRate = 50, s.ports[0].speed = "  10 Half";
    for (int id = 2; kind == 'Q' && id <= 26; ++id)
        s.dot1qGroups.push_back({id, "g" + std::to_string(id), {}});
    return s;
}

inline sim::Options At(char kind, const std::string& pretype, bool boot = false) {
    sim::Options o;
    o.initial = State(kind), o.pretype = pretype, o.bootAtStart = boot;
    return o;
}
