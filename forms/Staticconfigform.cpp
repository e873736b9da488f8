#include "forms/Staticconfigform.h"

#include "engine/KeyOutput.h"
#include "forms/Portconfigform.h"
#include "shared/Publicunit.h"

#include <QPushButton>

namespace {

void PortExtraStep() {
    if (!Saving) ResetPortTable();
    WriteStep = 0;
}

} // namespace

TfrmStaticConfig::TfrmStaticConfig() : TMenuForm("frmStaticConfig", 400, 401) {
    btnPortConfig = AddMenuButton("btnPortConfig", 402);
    btnTrunkConfig = AddMenuButton("btnTrunkConfig", 403);
    btnVlanConfig = AddMenuButton("btnVlanConfig", 404);
    btnMiscConfig = AddMenuButton("btnMiscConfig", 405);
    btnMainMenu = AddMenuButton("btnMainMenu", 406);
    FinishMenu();
    // Their windows are not part of the program yet.
    btnTrunkConfig->setEnabled(false);
    btnVlanConfig->setEnabled(false);
    btnMiscConfig->setEnabled(false);

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
    MenuSelect(0, FORM_PORT, Saving ? 1268 : 1269, PortExtraStep);
}

// The trunk read starts from empty trunk tables; their reset goes in as
// the extra step when the trunk window joins.
void TfrmStaticConfig::btnTrunkConfigClick() {
    MenuSelect(1, FORM_TRUNK, 1270);
}

void TfrmStaticConfig::btnVlanConfigClick() {
    MenuSelect(2, FORM_VLAN, 1271);
}

void TfrmStaticConfig::btnMiscConfigClick() {
    MenuSelect(3, FORM_MISC, 1272);
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
    BusyText = GetLangText(1265);
    ShowBusyBox();
    SendKeys(MakeMoveKeys(4, MenuCurrent).c_str());
    action = caFree;
}
