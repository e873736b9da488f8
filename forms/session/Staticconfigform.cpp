#include "forms/session/Staticconfigform.h"

#include "engine/KeyOutput.h"
#include "forms/base/FormRefs.h"
#include "forms/base/Messageform.h"
#include "forms/port/Portconfigform.h"
#include "forms/session/Mainform.h"
#include "forms/session/PageRouter.h"
#include "forms/trunk/TrunkModel.h"
#include "lang/TextIds.h"
#include "shared/Publicunit.h"

#include <QPushButton>

namespace {

void PortExtraStep() {
    if (!Saving) ResetPortTable();
    WriteStep = 0;
}

} // namespace

TfrmStaticConfig::TfrmStaticConfig()
    : TMenuForm("frmStaticConfig", txt::StaticCaption, txt::StaticTitle) {
    btnPortConfig = AddMenuButton("btnPortConfig", txt::StaticPort);
    btnTrunkConfig = AddMenuButton("btnTrunkConfig", txt::StaticTrunk);
    btnVlanConfig = AddMenuButton("btnVlanConfig", txt::StaticVlan);
    btnMiscConfig = AddMenuButton("btnMiscConfig", txt::StaticMisc);
    btnMainMenu = AddMenuButton("btnMainMenu", txt::StaticMainMenu);
    FinishMenu();

    // The create handler proper.
    MenuTarget = -1;
    MenuCurrent = 0;
    CurrentForm = FORM_STATIC;

    connect(btnPortConfig, &QPushButton::clicked, this, [this] { btnPortConfigClick(); });
    connect(btnTrunkConfig, &QPushButton::clicked, this, [this] { btnTrunkConfigClick(); });
    connect(btnVlanConfig, &QPushButton::clicked, this, [this] { btnVlanConfigClick(); });
    connect(btnMiscConfig, &QPushButton::clicked, this, [this] { btnMiscConfigClick(); });
    connect(btnMainMenu, &QPushButton::clicked, this, [this] { btnMainMenuClick(); });
}

void TfrmStaticConfig::FormShow() {
    MenuTarget = -1;
    setEnabled(true);
}

void TfrmStaticConfig::FormActivate() {
    CurrentForm = FORM_STATIC;
    Leaving = false;
    Saving = false;
}

void TfrmStaticConfig::btnPortConfigClick() {
    MenuSelect(0, FORM_PORT, Saving ? txt::BusySending : txt::BusyOpenPorts, PortExtraStep);
}

// The trunk read starts from empty trunk tables.
void TfrmStaticConfig::btnTrunkConfigClick() {
    MenuSelect(1, FORM_TRUNK, txt::BusyReadTrunks, ResetTrunkTables);
}

void TfrmStaticConfig::btnVlanConfigClick() {
    MenuSelect(2, FORM_VLAN, txt::BusyOpenVlanMenu);
}

void TfrmStaticConfig::btnMiscConfigClick() {
    MenuSelect(3, FORM_MISC, txt::BusyReadMisc);
}

void TfrmStaticConfig::btnMainMenuClick() {
    Close();
}

void TfrmStaticConfig::FormClose(TCloseAction& action) {
    MenuTarget = 4;
    Leaving = true;
    setEnabled(false);
    // Its own number, so that the main window is shown while CurrentForm
    // is still this window's.
    TargetForm = FORM_STATIC;
    BusyText = GetLangText(txt::BusyToMainMenu);
    ShowBusyBox();
    SendKeys(MakeMoveKeys(4, MenuCurrent).c_str());
    action = caFree;
}

void StaticArrival() {
    if (CurrentForm == FORM_MAIN) {
        if (TfrmMain* main = frmMain.get()) main->Hide();
    } else if (CurrentForm != FORM_STATIC) {
        frmTrkConfig.clear();
        if (frmPortConfig.exists() && Saving) {
            // A port save goes on: the console went back to this menu
            // between two of its pages.
            if (TfrmStaticConfig* menu = frmStaticConfig.get()) menu->btnPortConfigClick();
            return;
        }
        frmPortConfig.clear();
        frmVlanConfig.clear();
        frmMiscConfigX.clear();
        Leaving = false;
    }
    if (!frmStaticConfig.exists() && !ResyncPending) frmStaticConfig.set(new TfrmStaticConfig);
    if (!Leaving && CurrentForm == TargetForm) {
        if (TfrmStaticConfig* menu = frmStaticConfig.get()) ShowArrived(menu);
    }
}
