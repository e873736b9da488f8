#include "forms/PageRouter.h"

#include "engine/KeyOutput.h"
#include "engine/PageValues.h"
#include "forms/Editvlangrpform.h"
#include "forms/FormRefs.h"
#include "forms/Loginform.h"
#include "forms/Mainform.h"
#include "forms/Messageform.h"
#include "forms/Miscconfigxform.h"
#include "forms/Portconfigform.h"
#include "forms/Restartconfigform.h"
#include "forms/SessionEnd.h"
#include "forms/Staticconfigform.h"
#include "forms/Trunkconfigform.h"
#include "forms/Vlanconfigform.h"
#include "forms/Vlanmemberxform.h"
#include "forms/Vlansupportform.h"
#include "forms/Welcomeform.h"
#include "lang/TextIds.h"
#include "platform/Ui.h"
#include "shared/Publicunit.h"

#include <QApplication>

using namespace pv;

namespace {

void (*s_pageObserver)(int32_t) = nullptr;

// After the first login the trunk screen is read once, hidden, so that the
// port window knows the module trunk: into the static menu's trunk screen...
constexpr char kPostLoginWalkStart[] = {KEY_ENTER, KEY_TAB, KEY_ENTER, KEY_BACKSPACE, 0};
// ...and from its Quit back to the main menu.
constexpr char kPostLoginWalkEnd[] = {KEY_ENTER, KEY_BACKSPACE, KEY_BACKSPACE, KEY_ENTER, 0};

// The switch restarted on its own: the windows of the session are hidden so
// that nothing can type into the booting console; the login page drops them.
void HideSessionWindows() {
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows) {
        auto* form = qobject_cast<TForm*>(w);
        if (form == nullptr || form->Freed() || !form->isVisible()) continue;
        if (form == frmWelcome.get() || form == frmLogin.get()) continue;
        if (form->inherits("TfrmMessage") || form->inherits("TfrmMemo")) continue;
        form->Hide();
    }
    Saving = false;
    if (VersionStage == 1) {
        // The post-login walk was cut off; the next login runs it again.
        VersionStage = 0;
        ResyncPending = false;
    }
}

void SelfTestLine(int32_t value, const char* text) {
    if (value == SelfTestFirst) {
        if (CurrentForm != FORM_WELCOME) {
            // Whatever was still being typed would land in the booting
            // console; a save it belonged to is lost, and the user is told.
            const bool saveLost = Saving;
            CancelPendingKeys();
            SwitchRestarted = true;
            HideSessionWindows();
            if (saveLost)
                platform::AppMessageBox(MessageText(txt::RestartLostSave),
                                        LangText(txt::CaptionRestart), platform::MB_OK);
        }
        if (TfrmWelcome* welcome = frmWelcome.get()) welcome->ClearInitLines();
    }
    AddInitLine(SelfTestLabel(value), text);
}

void MainMenuItem(int32_t value) {
    if (value == MainStatic && VersionStage == 1) {
        ResyncPending = true;
        SendKeys(kPostLoginWalkStart);
    }
    MainArrival();
}

void VersionLineArrived(int32_t value, const char* text) {
    VersionLine(value, text);
    if (VersionStage == 0) {
        // The first version line after login: the busy window stays up
        // through the hidden trunk walk.
        if (TfrmWelcome* welcome = frmWelcome.get()) BusyText = welcome->CountdownText();
        ShowBusyBox();
        VersionStage = 1;
    }
}

void SwitchSaving() {
    BusyText = GetLangText(txt::BusySaving);
    ShowBusyBox();
}

void TrunkQuitItem() {
    if (!ResyncPending) {
        SwitchSaving();
        return;
    }
    SendKeys(kPostLoginWalkEnd);
    ResyncPending = false;
    VersionStage += 1;
}

void MiscRow(int32_t value, const char* text) {
    ShowBusyBox();
    HandleMiscRow(value, text);
}

} // namespace

void ShowArrived(TForm* form) {
    form->Show();
    form->setEnabled(true);
    CloseBusyBox();
}

void ReleaseSharedTables() {
    ResetPortTable();
    ResetTrunkTables();
    ResetMiscSettings();
    ResetPvidTables();
    ResetMemberTables();
    ResetGroupList();
}

void SetPageObserver(void (*observer)(int32_t value)) {
    s_pageObserver = observer;
}

// The routes, by entry value.
void RoutePageEntry(int32_t value, const char* text) {
    if (text == nullptr) text = "";
    if (s_pageObserver && value != Unrecognised) s_pageObserver(value);
    // Before login the default walk answers everything but the login page.
    if (CurrentForm == FORM_WELCOME && PageOf(value) != 1) {
        // A switch that restarted under a session boots on its own to the
        // login page; nothing is typed into it on the way.
        if (SwitchRestarted && !InRange(value, SelfTestFirst, SelfTestLast)) return;
        DefaultPageAction(value, text);
        return;
    }

    if (InRange(value, SelfTestFirst, SelfTestLast)) {
        SelfTestLine(value, text);
    } else if (value == LoginScreen) {
        LoginPageArrival();
    } else if (value == PasswordPrompt) {
        PasswordPromptArrival();
    } else if (InRange(value, MainStatic, MainLogout)) {
        MainMenuItem(value);
    } else if (InRange(value, FirmwareVersion, HardwareVersion)) {
        VersionLineArrived(value, text);
    } else if (InRange(value, StaticPort, StaticPrevious)) {
        StaticArrival();
    } else if (value == PortQuit) {
        PortArrival();
    } else if (value == PortSaving || value == TrunkSaving || value == VlanSaving) {
        SwitchSaving();
    } else if (value == PortSaved) {
        PortPrompt();
    } else if (IsPortCell(value)) {
        HandlePortRow(value, text);
    } else if (value == TrunkQuit) {
        TrunkQuitItem();
    } else if (IsTrunkStatus(value) || IsTrunkMember(value)) {
        HandleTrunkRow(value, text);
    } else if (value == TrunkEdit) {
        TrunkArrival();
    } else if (value == TrunkSaved) {
        TrunkSaveDone();
    } else if (value == MiscEdit) {
        MiscArrival();
    } else if (value == MiscSaved || value == MiscPasswordError) {
        MiscResult(value);
    } else if (value == MiscUserName || InRange(value, MiscRetry, MiscHash)) {
        MiscRow(value, text);
    } else if (InRange(value, VlanMenuSupport, VlanMenuPrevious)) {
        VlanMenuArrival();
    } else if (value == pv::VlanMode) {
        VlanModeArrived(text);
    } else if (value == VlanQuit) {
        VlanProbe ? VlanProbeStep() : VlanScreenComplete();
    } else if (value == VlanSaved) {
        VlanSaveComplete();
    } else if (IsVlanRow(value)) {
        HandlePvidRow(value, text);
    } else if (value == GroupIdRange || value == GroupName || value == GroupId ||
               IsGroupRow(value)) {
        HandleGroupRow(value, text);
    } else if (value == GroupQuit) {
        GroupScreenComplete();
    } else if (value == GroupSaved) {
        GroupSaveComplete();
    } else if (value == GroupNotSaved) {
        GroupSaveFailed();
    } else if (value == GroupListTotal) {
        GroupListArrival();
    } else if (value == GroupDeleted) {
        GroupDeletedResult();
    } else if (value == GroupNotDeleted) {
        GroupNotDeletedResult();
    } else if (value == NoGroups) {
        NoGroupsShown();
    } else if (IsGroupListRow(value)) {
        HandleGroupListRow(value, text);
    } else if (value == RestartDefault) {
        RestartArrival();
    }
}
