#include "forms/session/PostLoginWalk.h"

#include "engine/KeyOutput.h"
#include "engine/PageValues.h"
#include "forms/base/FormRefs.h"
#include "forms/base/Messageform.h"
#include "forms/session/Welcomeform.h"
#include "shared/Publicunit.h"

namespace {

// Into the static menu's trunk screen...
constexpr char kWalkStart[] = {KEY_ENTER, KEY_TAB, KEY_ENTER, KEY_BACKSPACE, 0};
// ...and from its Quit back to the main menu.
constexpr char kWalkEnd[] = {KEY_ENTER, KEY_BACKSPACE, KEY_BACKSPACE, KEY_ENTER, 0};

} // namespace

void PostLoginMenuItem(int32_t value) {
    if (value == pv::MainStatic && VersionStage == 1) {
        ResyncPending = true;
        SendKeys(kWalkStart);
    }
}

void PostLoginVersionLine() {
    if (VersionStage != 0) return;
    if (TfrmWelcome* welcome = frmWelcome.get()) BusyText = welcome->CountdownText();
    ShowBusyBox();
    VersionStage = 1;
}

bool PostLoginTrunkQuit() {
    if (!ResyncPending) return false;
    SendKeys(kWalkEnd);
    ResyncPending = false;
    VersionStage += 1;
    return true;
}

void CutPostLoginWalk() {
    if (VersionStage == 1) {
        VersionStage = 0;
        ResyncPending = false;
    }
}
