#pragma once
// A stand-in for the start window in tests without the program's windows:
// receives the engine's console lines, runs the screen-start check and
// Parser::Parse on each, records the entry and hands it to onEntry.
#include <QString>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class ConsoleSink : public QWidget {
public:
    struct Entry {
        int position = 0; // of the recognised entry (9999 when unrecognised)
        int value = -1;
        std::string text; // what followed the key
        bool screenStartOk = true;
        std::string line; // the console line as the engine posted it
    };

    static constexpr const char* kCaption = "Tavik Test Console Sink";

    explicit ConsoleSink(const QString& caption = kCaption);
    ~ConsoleSink() override;

    // False (nothing left open) when the port does not open.
    bool openLink(int com = 1);
    void closeLink();

    const std::vector<Entry>& entries() const { return entries_; }
    void clear() { entries_.clear(); }
    // Every recognised value, in order (unrecognised lines left out).
    std::vector<int> values() const;
    // Lines that failed the screen-start check.
    int startFailures() const;

    // Called for every entry, after it has been recorded.
    std::function<void(const Entry&)> onEntry;

protected:
    bool event(QEvent* e) override;

private:
    std::vector<Entry> entries_;
};
