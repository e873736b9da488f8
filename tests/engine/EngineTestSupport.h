#pragma once
// Shared by the engine tests: a captioned window that records the console
// messages, and an in-memory link stepped by hand on a virtual clock.
#include "engine/KeyOutput.h"
#include "engine/LineFraming.h"
#include "engine/PageTable.h"
#include "engine/SerialLink.h"
#include "platform/MemorySerial.h"
#include "platform/Ui.h"

#include <QCoreApplication>
#include <QWidget>
#include <QtTest>

#include <functional>
#include <memory>

namespace QTest {
template <> inline char* toString(const std::string& s) {
    return toString(QByteArray::fromStdString(s));
}
} // namespace QTest

// "position:text:value" of an entry, as the tests write their expectations.
inline QByteArray str(const PageEntry& e) {
    return QByteArray::number(e.position) + ':' + e.text + ':' + QByteArray::number(e.value);
}

class Recorder : public QWidget {
public:
    explicit Recorder(const QString& caption) { setWindowTitle(caption); }
    QByteArrayList lines;
    QList<intptr_t> keys, pages; // lParam of each key and page message
    QByteArray order;            // 'L', 'K' or 'P' for each message, in arrival order
    std::function<void(const QByteArray& line)> onLine; // after the line is recorded

protected:
    bool event(QEvent* e) override {
        const int t = static_cast<int>(e->type());
        if (t != WM_CONSOLE_LINE && t != WM_CONSOLE_PAGE && t != WM_CONSOLE_KEY)
            return QWidget::event(e);
        auto* ce = static_cast<platform::ConsoleEvent*>(e);
        order += t == WM_CONSOLE_LINE ? 'L' : t == WM_CONSOLE_KEY ? 'K' : 'P';
        if (t != WM_CONSOLE_LINE) {
            (t == WM_CONSOLE_KEY ? keys : pages) << ce->lParam;
            return true;
        }
        // The copy must be there, with its length in lParam.
        const char* line = ce->line();
        lines << (line ? QByteArray(line) : QByteArray("<no line>"));
        if (line && qstrlen(line) != size_t(ce->lParam)) lines.last() += "<bad length>";
        if (onLine) onLine(QByteArray(lines.last())); // a copy: the handler may grow lines
        return true;
    }
};

class MemoryLink {
public:
    platform::VirtualClock clock;
    platform::ScriptedEndpoint peer;
    Recorder sink{"engine test sink"};

    MemoryLink() {
        ResetEngine();
        platform::SetSerialDeviceFactory(
            [this] { return std::make_unique<platform::MemorySerialDevice>(clock, peer); });
        SetManualStepping(true);
    }
    ~MemoryLink() {
        CloseComPort();
        platform::SetSerialDeviceFactory(nullptr);
        SetManualStepping(false);
        ResetEngine();
    }
    bool open(int com = 1) {
        if (OpenComPort(com) != 1) return false;
        StartComThread();
        SetTargetWindow(sink.windowTitle());
        return TargetWindow() == &sink;
    }
    void step(int n = 1) { // n reader cycles, each followed by handling what it posted
        for (int i = 0; i < n; ++i) {
            StepComThread();
            QCoreApplication::sendPostedEvents();
        }
    }
    void send(const std::string& bytes, int steps = 1) { // due now, then read
        peer.push(bytes, clock.nowUs());
        step(steps);
    }
    std::string pending() const {
        return std::string(GetComThread()->lineBuffer, GetComThread()->lineLength);
    }
    static void ResetEngine() {
        ResetLinkFlushCountdown();
        ResetKeyOutput();
        ResetScreenStartCheck();
    }
};
