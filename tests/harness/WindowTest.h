#pragma once
// What every window test shares: the steps through the program's windows,
// the message-box recorder, the offscreen platform's noise kept out of the
// log, a fresh program state per case, and finding a window's controls.
#include "tests/harness/MessageBoxes.h"
#include "tests/harness/ProgramReset.h"
#include "tests/harness/WindowSteps.h"

#include <QWidget>

namespace steps {

// The offscreen platform's complaints about window management are noise.
inline void QuietOffscreen() {
    static QtMessageHandler previous = nullptr;
    static bool installed = false;
    if (installed) return;
    installed = true;
    previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
            if (message.contains(QLatin1String("This plugin does not support"))) return;
            if (previous) previous(type, context, message);
        });
}

// The start of every window test case: the program as it starts, message
// boxes recorded.
inline void BeginCase(MessageBoxes& boxes, int answer = platform::IDYES) {
    QuietOffscreen();
    ResetProgramState();
    boxes.record(answer);
}

// A control by its object name, or by a name and a row number ("cboSpdP0", 3).
template <class T> T* Ctl(QWidget* window, const QString& name, int row = -1) {
    return window->findChild<T*>(row < 0 ? name : name + QString::number(row));
}

// With TAVIK_SCREENSHOTS set to a folder, the window's picture is saved there
// as <name><-cn or -tw for the language item>.png (the screenshots in docs/).
inline void SaveScreenshot(QWidget* w, const QString& name, int languageItem = 0) {
    const QString dir = qEnvironmentVariable("TAVIK_SCREENSHOTS");
    const char* const suffix[3] = {"", "-cn", "-tw"};
    if (!dir.isEmpty())
        w->grab().save(dir + QLatin1Char('/') + name + QLatin1String(suffix[languageItem]) +
                       QStringLiteral(".png"));
}

} // namespace steps
