#include "forms/base/ConfigForm.h"

#include "engine/KeyOutput.h"
#include "forms/base/FormRefs.h"
#include "forms/base/Messageform.h"
#include "forms/base/Unapplied.h"
#include "platform/Ui.h"
#include "shared/Publicunit.h"

#include <QPointer>
#include <QPushButton>

TConfigForm::TConfigForm(int32_t formNumber, QWidget* parent)
    : TForm(parent), formNumber_(formNumber) {}

bool TConfigForm::EscapePressed() {
    auto* quit = findChild<QPushButton*>(QStringLiteral("btnQuit"));
    if (isEnabled() && quit && quit->isEnabled() && quit->isVisibleTo(this)) quit->click();
    return true;
}

bool TConfigForm::MayLeave(bool changed) {
    if (AwaitingAnswer) return false;
    return SaveAnswered || !changed || ConfirmDiscardChanges(this);
}

void TConfigForm::Leave(TCloseAction& action, int32_t busyTextId, const char* keys) {
    Leaving = true;
    setEnabled(false);
    BusyText = GetLangText(busyTextId);
    ShowBusyBox();
    SendKeys(keys);
    action = caFree;
}

namespace {
TConfigForm* ConfigWindow(int32_t formNumber) {
    return qobject_cast<TConfigForm*>(WindowOf(formNumber));
}
} // namespace

void EndAnsweredSave(int32_t formNumber, const QString& message, int32_t captionId,
                     void (*afterMessage)()) {
    CloseBusyBox();
    if (TConfigForm* w = ConfigWindow(formNumber)) w->AwaitingAnswer = false;
    platform::AppMessageBox(message, LangText(captionId), platform::MB_OK);
    if (afterMessage) afterMessage();
    if (TConfigForm* w = ConfigWindow(formNumber)) {
        w->SaveAnswered = true;
        w->Close();
    }
}
