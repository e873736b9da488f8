#include "engine/ConsoleLog.h"

#include <cstdio>
#include <map>

namespace {

std::map<int, ConsoleObserver>& observers() {
    static std::map<int, ConsoleObserver> m;
    return m;
}
int g_nextObserver = 1;

struct NamedKey {
    unsigned char byte;
    const char* name;
};
constexpr NamedKey kNames[] = {{0x1b, "ESC"}, {0x0d, "CR"}, {0x0a, "LF"},
                               {0x09, "TAB"}, {0x08, "BS"}, {0x7f, "DEL"}};

} // namespace

int AddConsoleObserver(ConsoleObserver observer) {
    const int id = g_nextObserver++;
    observers()[id] = std::move(observer);
    return id;
}

void RemoveConsoleObserver(int id) {
    observers().erase(id);
}

void ReportConsoleBytes(ConsoleDirection direction, const std::string& bytes) {
    if (bytes.empty()) return;
    // A copy: an observer may remove itself.
    const std::map<int, ConsoleObserver> now = observers();
    for (const auto& [id, observer] : now)
        observer(direction, bytes);
}

std::string ReadableBytes(const std::string& bytes) {
    std::string out;
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        const char* name = nullptr;
        for (const NamedKey& k : kNames)
            if (k.byte == c) name = k.name;
        char buf[8];
        if (name != nullptr) {
            out += '<';
            out += name;
            out += '>';
        } else if (c == '<') {
            out += "<LT>";
        } else if (c < 0x20) {
            std::snprintf(buf, sizeof buf, "<^%c>", c + '@');
            out += buf;
        } else if (c >= 0x80) {
            std::snprintf(buf, sizeof buf, "<x%02X>", c);
            out += buf;
        } else {
            out += ch;
        }
    }
    return out;
}

bool ParseReadableBytes(const std::string& text, std::string& bytes) {
    bytes.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '<') {
            bytes += text[i];
            continue;
        }
        const size_t end = text.find('>', i);
        if (end == std::string::npos) return false;
        const std::string name = text.substr(i + 1, end - i - 1);
        i = end;
        bool known = false;
        for (const NamedKey& k : kNames)
            if (name == k.name) {
                bytes += static_cast<char>(k.byte);
                known = true;
            }
        if (known) continue;
        if (name == "LT") {
            bytes += '<';
        } else if (name.size() == 2 && name[0] == '^' && name[1] >= '@' && name[1] <= '_') {
            bytes += static_cast<char>(name[1] - '@');
        } else if (name.size() == 3 && name[0] == 'x') {
            unsigned value = 0;
            if (std::sscanf(name.c_str() + 1, "%2X", &value) != 1) return false;
            bytes += static_cast<char>(value);
        } else {
            return false;
        }
    }
    return true;
}

std::string StripTerminalControls(const std::string& bytes) {
    std::string out;
    bool pieceOpen = false;
    auto cut = [&] {
        if (pieceOpen) out += '\n';
        pieceOpen = false;
    };
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == 0x1b) {
            cut();
            // ESC [ parameters, then the final letter.
            if (i + 1 < bytes.size() && bytes[i + 1] == '[') {
                i += 2;
                while (i < bytes.size() && !((bytes[i] >= '@' && bytes[i] <= '~')))
                    ++i;
            }
            continue;
        }
        if (c == '\r' || c == '\n') {
            cut();
            continue;
        }
        if (c < 0x20) continue;
        out += static_cast<char>(c);
        pieceOpen = true;
    }
    return out;
}
