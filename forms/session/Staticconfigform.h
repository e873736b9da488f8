#pragma once
// The static-configuration menu window: port, trunk, VLAN and misc
// configuration, and the way back to the main menu.
#include "forms/base/MenuForm.h"

class TfrmStaticConfig : public TMenuForm {
    Q_OBJECT
public:
    TfrmStaticConfig(); // the create handler

    QPushButton* btnPortConfig = nullptr;
    QPushButton* btnTrunkConfig = nullptr;
    QPushButton* btnVlanConfig = nullptr;
    QPushButton* btnMiscConfig = nullptr;
    QPushButton* btnMainMenu = nullptr;

    // Public: the router runs it again to resume a port save after the
    // console went back to this menu.
    void btnPortConfigClick();
    void btnTrunkConfigClick();
    void btnVlanConfigClick();
    void btnMiscConfigClick();
    void btnMainMenuClick();

protected:
    void FormShow() override;
    void FormActivate() override;
    void FormClose(TCloseAction& action) override;
};

// Router entry: a static-menu item line. Coming back from a configuration
// window drops its reference, unless a port save continues across the menu.
void StaticArrival();
