#pragma once
// Window-system stand-ins used by the engine and the windows: message boxes,
// finding a top-level window by caption, posting console events, and running
// a step on the main thread.
#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>

namespace platform {

// Buttons and results of the application's message boxes.
enum MsgButtons { MB_OK = 0, MB_YESNO = 4 };
enum MsgResult { IDOK = 1, IDYES = 6, IDNO = 7 };

// Which button Enter gives: a question whose Yes cannot be undone (a factory
// reset) defaults to No.
enum MsgDefault { DefaultFirst, DefaultNo };

// Shows a modal message box (QMessageBox). Texts are already decoded.
int AppMessageBox(const QString& text, const QString& caption, int buttons,
                  MsgDefault defaultButton = DefaultFirst);
// Tests install a handler that records the box and returns the answer.
using MessageBoxHandler =
    std::function<int(const QString& text, const QString& caption, int buttons)>;
void SetMessageBoxHandler(MessageBoxHandler handler);
// The handler in force (empty when boxes are shown), so that code answering
// boxes for a while can put it back.
MessageBoxHandler CurrentMessageBoxHandler();
// A run without a user (headless) turns boxes off: a box no handler takes
// is then written to stderr as "caption: text" and gets the answer that
// changes nothing, as without a widget application, never a window that
// would wait for a click nobody gives.
void SetMessageBoxesShown(bool shown);

// The top-level widget whose windowTitle() equals the caption, or nullptr.
QObject* FindWindowByCaption(const QString& caption);

// The message number of a posted console line (the engine's WM_CONSOLE_LINE):
// its wParam is a line copy made with new char[] that the event carries.
constexpr int kConsoleLineMessage = 0x80B4;

// A console message posted to the target window; type() is the message number.
class ConsoleEvent : public QEvent {
public:
    ConsoleEvent(int message, intptr_t wParam, intptr_t lParam)
        : QEvent(static_cast<QEvent::Type>(message)), wParam(wParam), lParam(lParam) {}
    ~ConsoleEvent() override;
    intptr_t wParam;
    intptr_t lParam;
    // For WM_CONSOLE_LINE: the line copy travels with the event and is freed
    // with it (handled, dropped, or its target deleted). A receiver that only
    // reads the line does nothing; one that keeps it calls takeLine(). Never
    // delete[] wParam while ownsLine is still true.
    bool ownsLine = false;
    // The zero-terminated line of a WM_CONSOLE_LINE event (nullptr otherwise).
    const char* line() const { return ownsLine ? reinterpret_cast<const char*>(wParam) : nullptr; }
    // Hands the line copy to the caller; the event no longer frees it.
    char* takeLine();
};

// PostMessage: queues the event for `target`; a null target drops it (and
// frees a line it owns).
void PostConsoleMessage(QObject* target, int message, intptr_t wParam, intptr_t lParam);
// Posts the application's quit.
void PostQuit();

// Runs `step` on the main thread and waits for it. Called on the main thread
// (or with no application object at all) it runs at once. Returns false without running it if
// `cancelled` turns true while waiting (so a closing link never deadlocks with the main thread).
bool Synchronize(const std::function<void()>& step, const std::function<bool()>& cancelled);

} // namespace platform
