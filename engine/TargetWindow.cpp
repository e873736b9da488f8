#include "engine/TargetWindow.h"

#include "platform/Ui.h"

#include <QPointer>

namespace {
QPointer<QObject> g_target;
} // namespace

void SetTargetWindow(const QString& caption) {
    g_target = platform::FindWindowByCaption(caption);
}

QObject* TargetWindow() {
    return g_target.data();
}

void PostToTarget(int message, intptr_t wParam, intptr_t lParam) {
    platform::PostConsoleMessage(g_target.data(), message, wParam, lParam);
}
