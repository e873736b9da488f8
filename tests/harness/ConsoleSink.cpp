#include "tests/harness/ConsoleSink.h"

#include "engine/KeyOutput.h"
#include "engine/LineFraming.h"
#include "engine/PageTable.h"
#include "engine/SerialLink.h"
#include "platform/Ui.h"

#include <algorithm>

ConsoleSink::ConsoleSink(const QString& caption) {
    setWindowTitle(caption);
}

ConsoleSink::~ConsoleSink() = default;

bool ConsoleSink::openLink(int com) {
    CreateParser();
    if (OpenComPort(com) != 1) {
        CloseComPort();
        DestroyParser();
        return false;
    }
    StartComThread();
    SetTargetWindow(windowTitle());
    return true;
}

void ConsoleSink::closeLink() {
    if (IsLinkOpen()) CloseComPort();
    DestroyParser();
}

std::vector<int> ConsoleSink::values() const {
    std::vector<int> v;
    for (const Entry& e : entries_)
        if (e.value >= 0) v.push_back(e.value);
    return v;
}

int ConsoleSink::startFailures() const {
    return static_cast<int>(std::count_if(entries_.begin(), entries_.end(),
                                          [](const Entry& e) { return !e.screenStartOk; }));
}

bool ConsoleSink::event(QEvent* e) {
    const int type = static_cast<int>(e->type());
    if (type != WM_CONSOLE_LINE && type != WM_CONSOLE_PAGE && type != WM_CONSOLE_KEY)
        return QWidget::event(e);
    auto* console = dynamic_cast<platform::ConsoleEvent*>(e);
    if (console == nullptr) return true;
    if (type != WM_CONSOLE_LINE) return true; // key and page notes: nothing to record
    // The event keeps the line and frees it when it is destroyed.
    const char* line = reinterpret_cast<const char*>(console->wParam);
    if (line == nullptr) return true;
    Entry entry;
    entry.line = line;
    entry.screenStartOk = CheckScreenStart(line);
    if (Parser* parser = GetParser()) {
        std::unique_ptr<PageEntry> result = parser->Parse(line);
        entry.position = result->position;
        entry.value = result->value;
        entry.text = result->text;
    }
    entries_.push_back(entry);
    if (onEntry) onEntry(entry);
    return true;
}
