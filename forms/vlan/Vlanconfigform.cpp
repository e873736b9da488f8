#include "forms/vlan/Vlanconfigform.h"

#include "engine/KeyOutput.h"
#include "forms/base/FormRefs.h"
#include "forms/base/Messageform.h"
#include "forms/vlan/Editvlangrpform.h"
#include "forms/vlan/VlanMemberModel.h"
#include "forms/vlan/VlanSupportModel.h"
#include "lang/TextIds.h"
#include "shared/FieldText.h"
#include "shared/Publicunit.h"

#include <QPushButton>

#include <string>

namespace {

constexpr int32_t kItemSupport = 0;
constexpr int32_t kItemCreate = 1;
constexpr int32_t kItemEdit = 2;
constexpr int32_t kItemPrevious = 3;

const char kEnter[] = {KEY_ENTER, 0};

void CreateExtraStep() {
    CreatingGroup = true;
    ResetMemberTables();
}

} // namespace

TfrmVlanConfig::TfrmVlanConfig()
    : TMenuForm("frmVlanConfig", txt::VlanMenuCaption, txt::VlanMenuTitle) {
    btnConfig = AddMenuButton("btnConfig", txt::VlanMenuSupport);
    btnCreate = AddMenuButton("btnCreate", txt::VlanMenuCreate);
    btnEdit = AddMenuButton("btnEdit", txt::VlanMenuEdit);
    btnPrevMenu = AddMenuButton("btnPrevMenu", txt::VlanMenuPrevious);
    FinishMenu();

    // The create handler proper: the console's VLAN menu opens on its first
    // item, so Enter enters the VLAN support screen for the mode probe.
    MenuTarget = -1;
    MenuCurrent = 0;
    Leaving = false;
    Saving = false;
    CurrentForm = FORM_VLAN;
    VlanProbe = true;
    SendKeys(kEnter);

    connect(btnConfig, &QPushButton::clicked, this, [this] { btnConfigClick(); });
    connect(btnCreate, &QPushButton::clicked, this, [this] { btnCreateClick(); });
    connect(btnEdit, &QPushButton::clicked, this, [this] { btnEditClick(); });
    connect(btnPrevMenu, &QPushButton::clicked, this, [this] { btnPrevMenuClick(); });
}

void TfrmVlanConfig::FormShow() {
    MenuTarget = -1;
    CurrentForm = FORM_VLAN;
}

void TfrmVlanConfig::FormActivate() {
    setEnabled(true);
    Saving = false;
    Leaving = false;
    CurrentForm = FORM_VLAN;
}

void TfrmVlanConfig::EnableGroupButtons(bool on) {
    btnCreate->setEnabled(on);
    btnEdit->setEnabled(on);
}

void TfrmVlanConfig::btnConfigClick() {
    MenuSelect(kItemSupport, FORM_VLANSUPPORT, txt::BusyReadVlan, ResetPvidTables);
}

void TfrmVlanConfig::btnCreateClick() {
    if (!Saving) {
        MenuSelect(kItemCreate, FORM_GROUPMEMBERS, txt::BusyNewGroup, CreateExtraStep);
        return;
    }
    // A group save goes on: the tables and the busy window stay as they are.
    MenuTarget = kItemCreate;
    Hide();
    TargetForm = FORM_GROUPMEMBERS;
    setEnabled(false);
    CreatingGroup = true;
    SendKeys(MakeMoveKeys(MenuTarget, MenuCurrent).c_str());
}

void TfrmVlanConfig::btnEditClick() {
    MenuSelect(kItemEdit, FORM_GROUPLIST, txt::BusyReadGroupList, ResetGroupList);
}

void TfrmVlanConfig::btnPrevMenuClick() {
    Close();
}

void TfrmVlanConfig::FormClose(TCloseAction& action) {
    MenuTarget = kItemPrevious;
    Leaving = true;
    setEnabled(false);
    // Its own number: the static menu is shown while CurrentForm is still
    // this window's.
    TargetForm = FORM_VLAN;
    BusyText = GetLangText(txt::BusyToStaticMenu);
    ShowBusyBox();
    SendKeys(MakeMoveKeys(kItemPrevious, MenuCurrent).c_str());
    action = caFree;
}

void VlanMenuArrival() {
    if (CurrentForm == FORM_STATIC) {
        if (TForm* menu = WindowOf(FORM_STATIC)) menu->Hide();
    } else if (CurrentForm != FORM_VLAN) {
        // Back from one of the VLAN windows: each visit makes new ones.
        frmVlanSupport.clear();
        if (frmVlanMemberX.exists()) {
            if (Saving) {
                // The console left the group screen between pages of a save.
                if (!IsSendPending())
                    if (TfrmVlanConfig* menu = frmVlanConfig.get()) menu->btnCreateClick();
                return;
            }
            frmVlanMemberX.clear();
        }
        frmEditVlanGrp.clear();
        Leaving = false;
    }
    if (!frmVlanConfig.exists()) frmVlanConfig.set(new TfrmVlanConfig);
    if (!Leaving && CurrentForm == TargetForm) {
        if (TfrmVlanConfig* menu = frmVlanConfig.get()) ShowArrived(menu);
    }
}

void VlanProbeStep() {
    std::string mode = Field(VlanModeText);
    if (FindNoCase(mode, "DISABLE") != std::string::npos)
        if (TfrmVlanConfig* menu = frmVlanConfig.get()) menu->EnableGroupButtons(false);
    VlanProbe = false;
    SendKeys(kEnter);
}
