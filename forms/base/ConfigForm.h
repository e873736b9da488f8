#pragma once
// Base of the configuration windows (port, trunk, misc, VLAN support, VLAN
// group, VLAN group list): how such a window leaves its console screen and
// how a save ends.
// A save is typed page by page while the window waits; the switch's answer
// (saved or refused) closes the window, which then asks nothing about its
// edits: they were saved or refused as a whole.
#include "forms/base/Form.h"

#include <QString>

#include <cstdint>

class TConfigForm : public TForm {
    Q_OBJECT
public:
    // `formNumber`: the window's FORM_ number (shared/Publicunit.h).
    explicit TConfigForm(int32_t formNumber, QWidget* parent = nullptr);

    // A save has been typed and the switch has not answered it yet: the
    // window cannot be closed (closed before the answer, the busy window
    // would stay up over a console waiting for a key).
    bool AwaitingAnswer = false;
    // The switch answered the save (saved or refused).
    bool SaveAnswered = false;

protected:
    // Esc is the window's Exit (btnQuit): the same close, the same question
    // about changes not applied.
    bool EscapePressed() override;
    // FormClose's first step: false while a save awaits its answer, or when
    // the user changed something (`changed`), the switch has not answered a
    // save, and the user keeps the changes.
    bool MayLeave(bool changed);
    // FormClose's last step: the busy window with text `busyTextId`, `keys`
    // typed to leave the console screen, and the window freed.
    void Leave(TCloseAction& action, int32_t busyTextId, const char* keys);

private:
    int32_t formNumber_;
};

// The switch answered the save of the window `formNumber`: the busy window
// goes, `message` is shown in a box captioned `captionId`, `afterMessage`
// runs (when given), and the window, if it is still there (console lines
// are handled while the box is open, and a restart drops the window), closes
// without asking about its edits.
void EndAnsweredSave(int32_t formNumber, const QString& message, int32_t captionId,
                     void (*afterMessage)() = nullptr);
