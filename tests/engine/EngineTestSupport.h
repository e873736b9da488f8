#pragma once
// Helpers shared by the engine tests: a captioned top-level window that
// records the engine's console messages, and an in-memory link stepped by
// hand on a virtual clock.
#include "engine/KeyOutput.h"
#include "engine/LineFraming.h"
#include "engine/PageTable.h"
#include "engine/SerialLink.h"
#include "platform/MemorySerial.h"
#include "platform/Ui.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QWidget>
#include <QtTest>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace QTest {
template <> inline char* toString(const std::string& s) {
    return toString(QByteArray::fromStdString(s));
}
} // namespace QTest

struct ConsoleMsg {
    int type;
    QByteArray line; // WM_CONSOLE_LINE only
    intptr_t lParam;
};

class Recorder : public QWidget {
public:
    explicit Recorder(const QString& caption) { setWindowTitle(caption); }

    std::vector<ConsoleMsg> msgs;
    // Runs after a message is recorded (e.g. to parse the line as the start
    // window does).
    std::function<void(const ConsoleMsg&)> onMessage;

    std::vector<QByteArray> lines() const {
        std::vector<QByteArray> out;
        for (const auto& m : msgs)
            if (m.type == WM_CONSOLE_LINE) out.push_back(m.line);
        return out;
    }
    std::vector<intptr_t> keys() const {
        std::vector<intptr_t> out;
        for (const auto& m : msgs)
            if (m.type == WM_CONSOLE_KEY) out.push_back(m.lParam);
        return out;
    }

protected:
    bool event(QEvent* e) override {
        const int t = static_cast<int>(e->type());
        if (t != WM_CONSOLE_LINE && t != WM_CONSOLE_PAGE && t != WM_CONSOLE_KEY)
            return QWidget::event(e);
        auto* ce = static_cast<platform::ConsoleEvent*>(e);
        ConsoleMsg m{t, {}, ce->lParam};
        if (t == WM_CONSOLE_LINE) {
            const char* line = ce->line();
            // The length travels in lParam and must agree with the copy.
            m.line = line ? QByteArray(line) : QByteArray("<no line>");
            if (line && static_cast<intptr_t>(qstrlen(line)) != ce->lParam)
                m.line += "<bad length>";
        }
        msgs.push_back(m);
        // A copy: the handler may run a nested event loop that grows msgs.
        if (onMessage) onMessage(m);
        return true;
    }
};

// An in-memory link: the engine's port opens a MemorySerialDevice joined to a
// scripted far end; the reader is stepped by hand.
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
    bool open() {
        if (OpenComPort(1) != 1) return false;
        StartComThread();
        SetTargetWindow(sink.windowTitle());
        return TargetWindow() == &sink;
    }
    // One reader cycle, then the posted messages are handled.
    void step(int n = 1) {
        for (int i = 0; i < n; ++i) {
            StepComThread();
            QCoreApplication::sendPostedEvents();
        }
    }
    // Bytes paced as the switch sends them at 9600 baud, from `atUs` on.
    void sendPaced(const std::string& bytes, int64_t atUs) {
        for (size_t i = 0; i < bytes.size(); ++i)
            peer.push(std::string(1, bytes[i]), atUs + static_cast<int64_t>(i) * 1042);
    }

    static void ResetEngine() {
        ResetLinkFlushCountdown();
        ResetKeyOutput();
        ResetScreenStartCheck();
    }
};
