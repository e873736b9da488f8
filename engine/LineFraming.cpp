#include "engine/LineFraming.h"

#include "engine/KeyOutput.h"
#include "engine/SerialLink.h"
#include "platform/Ui.h"

#include <cctype>
#include <cstring>

static_assert(WM_CONSOLE_LINE == platform::kConsoleLineMessage,
              "the platform frees line copies of this message");

namespace {

constexpr unsigned char kEsc = 27;
constexpr unsigned char kCr = 13;
constexpr int kMaxLineText = 99;     // the line buffer holds 100 bytes
constexpr size_t kMaxEntryText = 79; // PageEntry::text holds 80 bytes

bool g_clearSeen = false;
int32_t g_lineCounter = 0;

// "%d" as scanf reads it (leading blanks, an optional sign, digits), but
// bounded: more than four digits counts as unreadable instead of overflowing.
bool readDecimal(const char*& p, int& value) {
    while (*p != 0 && std::isspace(static_cast<unsigned char>(*p)))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    int digits = 0;
    int v = 0;
    while (std::isdigit(static_cast<unsigned char>(*p))) {
        if (++digits > 4) return false;
        v = v * 10 + (*p++ - '0');
    }
    if (digits == 0) return false;
    value = negative ? -v : v;
    return true;
}

// Row and column of "[row;colH...". Anything but two numbers from 0 to 99
// gives a position code that no table entry can hold.
int32_t cursorPosition(const char* line) {
    const char* p = line + 1;
    int row = 0;
    int col = 0;
    if (!readDecimal(p, row) || *p++ != ';' || !readDecimal(p, col)) return kUnknownPosition;
    if (row < 0 || row > 99 || col < 0 || col > 99) return kUnknownPosition;
    return row * 100 + col;
}

} // namespace

void ComThread::DeliverInput() {
    if (port == nullptr) return;
    // A field written from outside could be anything; keep the writes below
    // inside the buffer whatever it holds.
    if (lineLength < 0 || lineLength > kMaxLineText) lineLength = 0;

    auto postLine = [this] {
        lineBuffer[lineLength] = 0;
        char* copy = new char[static_cast<size_t>(lineLength) + 1];
        std::memcpy(copy, lineBuffer, static_cast<size_t>(lineLength) + 1);
        PostToTarget(WM_CONSOLE_LINE, reinterpret_cast<intptr_t>(copy), lineLength);
        lineLength = 0;
    };

    const char* in = port->rxBuffer;
    const size_t n = strnlen(in, sizeof(port->rxBuffer) - 1);
    for (size_t i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(in[i]);
        if (c == kEsc || c == kCr) {
            postLine();
            continue;
        }
        // The console never draws a line this long; if a line does run on,
        // it is posted in 99-byte pieces so no byte is lost.
        if (lineLength >= kMaxLineText) postLine();
        lineBuffer[lineLength++] = static_cast<char>(c);
    }
}

std::unique_ptr<PageEntry> MakeEntry(const char* line) {
    auto entry = std::make_unique<PageEntry>();
    std::memset(entry.get(), 0, sizeof(PageEntry));
    if (line == nullptr) line = "";
    const size_t len = std::strlen(line);

    const char* text;
    if (len >= 4 && line[0] == '[' && line[3] == ';') {
        entry->position = cursorPosition(line);
        // After the seven-character prefix "[rr;ccH", whatever the digits.
        text = len > 7 ? line + 7 : "";
    } else if (len >= 3 && line[2] == '$') {
        entry->position = kDollarPosition;
        text = len > 6 ? line + 6 : "";
    } else {
        entry->position = kNoPosition;
        text = line;
    }
    const size_t textLen = strnlen(text, kMaxEntryText);
    std::memcpy(entry->text, text, textLen);
    entry->text[textLen] = 0;
    entry->value = 0;
    return entry;
}

bool CheckScreenStart(const char* line) {
    if (line == nullptr) line = "";
    if (std::strcmp(line, "[2J") == 0) {
        g_clearSeen = true;
        g_lineCounter = 0;
        return true;
    }
    if (!g_clearSeen) return true;
    ++g_lineCounter;
    if (std::strcmp(line, "[20;02H") == 0 && g_lineCounter == 1) return true;
    if (std::strcmp(line, "[01;09H") == 0 && g_lineCounter == 2) {
        g_clearSeen = false;
        return true;
    }
    if (g_lineCounter > 3) g_lineCounter = 3;
    return false;
}

void ResetScreenStartCheck() {
    g_clearSeen = false;
    g_lineCounter = 0;
}
