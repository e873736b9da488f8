#pragma once
// Puts the program's process-wide state back to how it starts, so that each
// test case begins like a fresh run. For tests that link the windows.
#include "engine/KeyOutput.h"
#include "engine/LineFraming.h"
#include "engine/LinkWatchdog.h"
#include "engine/SerialLink.h"
#include "forms/base/Form.h"
#include "shared/Publicunit.h"

inline void ResetProgramState() {
    ResetSharedState();
    ResetScreenStartCheck();
    ResetKeyOutput();
    ResetLinkFlushCountdown();
    TForm::ResetActiveForm();
    SetAwaitingSwitch(false);
}
