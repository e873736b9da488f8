#include "platform/Ui.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QPointer>
#include <QThread>
#include <QWidget>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>

namespace platform {

namespace {

MessageBoxHandler& messageBoxHandler() {
    static MessageBoxHandler handler;
    return handler;
}

bool g_boxesShown = true;

bool onMainThread() {
    QCoreApplication* app = QCoreApplication::instance();
    return app == nullptr || QThread::currentThread() == app->thread();
}

} // namespace

void SetMessageBoxHandler(MessageBoxHandler handler) {
    messageBoxHandler() = std::move(handler);
}

MessageBoxHandler CurrentMessageBoxHandler() {
    return messageBoxHandler();
}

void SetMessageBoxesShown(bool shown) {
    g_boxesShown = shown;
}

int AppMessageBox(const QString& text, const QString& caption, int buttons,
                  MsgDefault defaultButton) {
    if (messageBoxHandler()) return messageBoxHandler()(text, caption, buttons);
    const bool yesNo = buttons == MB_YESNO;
    // Without a widget application nobody could answer: report the text and
    // give the answer that changes nothing.
    if (!g_boxesShown || qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        std::fprintf(stderr, "%s: %s\n", caption.toLocal8Bit().constData(),
                     text.toLocal8Bit().constData());
        return yesNo ? IDNO : IDOK;
    }
    // A confirmation gets the question mark; a notice may be good or bad
    // news, so it gets no icon that could contradict its text.
    QMessageBox box(yesNo ? QMessageBox::Question : QMessageBox::NoIcon, caption, text,
                    yesNo ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok);
    const bool no = yesNo && defaultButton == DefaultNo;
    box.setDefaultButton(no ? QMessageBox::No : yesNo ? QMessageBox::Yes : QMessageBox::Ok);
    const QPointer<QWidget> under = QApplication::activeWindow();
    const int answer = box.exec();
    // A window manager gives the keyboard back to the window under the box;
    // without one (a kiosk, a bare X server) nothing would have it, and
    // keys and Alt+letter would go nowhere. The box may still count as
    // active until the window system says otherwise.
    QWidget* const now = QApplication::activeWindow();
    if ((now == nullptr || now == &box) && under && under->isVisible())
        under->activateWindow();
    if (!yesNo) return IDOK;
    return answer == QMessageBox::Yes ? IDYES : IDNO;
}

QObject* FindWindowByCaption(const QString& caption) {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return nullptr;
    QWidget* first = nullptr;
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows) {
        if (w->windowTitle() != caption) continue;
        if (w->isVisible()) return w;
        if (first == nullptr) first = w;
    }
    return first;
}

ConsoleEvent::~ConsoleEvent() {
    if (ownsLine) delete[] reinterpret_cast<char*>(wParam);
}

char* ConsoleEvent::takeLine() {
    if (!ownsLine) return nullptr;
    ownsLine = false;
    return reinterpret_cast<char*>(wParam);
}

void PostConsoleMessage(QObject* target, int message, intptr_t wParam, intptr_t lParam) {
    auto* event = new ConsoleEvent(message, wParam, lParam);
    event->ownsLine = message == kConsoleLineMessage && wParam != 0;
    if (target == nullptr || QCoreApplication::instance() == nullptr) {
        delete event;
        return;
    }
    // Qt deletes a queued event whose receiver dies first, so the line copy
    // cannot leak whichever way the event ends.
    QCoreApplication::postEvent(target, event);
}

void PostQuit() {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) return;
    // exit(), not quit(): quit() first asks every window to close, and the
    // program's windows refuse the window system's close (they run their
    // own close handlers, which ask the user), so the loop would go on.
    QMetaObject::invokeMethod(
        app, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
}

namespace {

// One step handed from a worker thread to the main thread. Shared by the
// waiting worker and the queued call, so whichever finishes last frees it.
struct SyncCall {
    enum State { Queued, Running, Done, Abandoned };
    std::mutex mutex;
    std::condition_variable cv;
    State state = Queued;
    std::function<void()> step;
};

} // namespace

bool Synchronize(const std::function<void()>& step, const std::function<bool()>& cancelled) {
    if (onMainThread()) {
        step();
        return true;
    }
    if (cancelled && cancelled()) return false;

    auto call = std::make_shared<SyncCall>();
    call->step = step;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [call] {
            {
                std::lock_guard<std::mutex> lock(call->mutex);
                if (call->state != SyncCall::Queued) return; // abandoned by its worker
                call->state = SyncCall::Running;
            }
            // Done however the step ends: an exception goes on to the
            // application's handler, and the waiting reader must still be
            // released, or closing the link would join it for ever.
            struct MarkDone {
                SyncCall& call;
                ~MarkDone() {
                    {
                        std::lock_guard<std::mutex> lock(call.mutex);
                        call.state = SyncCall::Done;
                    }
                    call.cv.notify_all();
                }
            } done{*call};
            call->step();
        },
        Qt::QueuedConnection);

    // The main thread may itself be waiting for this worker to stop (closing
    // the link joins the reader), so the wait wakes regularly to look at
    // `cancelled` instead of blocking until the step has run.
    std::unique_lock<std::mutex> lock(call->mutex);
    for (;;) {
        if (call->cv.wait_for(lock, std::chrono::milliseconds(5),
                              [&] { return call->state == SyncCall::Done; }))
            return true;
        if (call->state == SyncCall::Queued && cancelled && cancelled()) {
            call->state = SyncCall::Abandoned;
            return false;
        }
        // A step already running is always waited for: it uses the caller's
        // objects, which must outlive it.
    }
}

} // namespace platform
