#pragma once
// The VLAN menu window: VLAN support, creating a group, the group list, and
// the way back to the static menu. Each time it is created it probes the
// switch's VLAN mode, so the group buttons are offered only with VLANs on.
#include "forms/base/MenuForm.h"

class TfrmVlanConfig : public TMenuForm {
    Q_OBJECT
public:
    TfrmVlanConfig(); // the create handler

    QPushButton* btnConfig = nullptr;
    QPushButton* btnCreate = nullptr;
    QPushButton* btnEdit = nullptr;
    QPushButton* btnPrevMenu = nullptr;

    void btnConfigClick();
    // Public: the router runs it again to continue a group save after the
    // console went back to this menu between two pages.
    void btnCreateClick();
    void btnEditClick();
    void btnPrevMenuClick();
    // The group buttons, offered only when the switch's VLAN mode is on.
    void EnableGroupButtons(bool on);

protected:
    void FormShow() override;
    void FormActivate() override;
    void FormClose(TCloseAction& action) override;
};

// Router entries: a VLAN menu item line (6001-6004), and the VLAN support
// screen drawn while the menu probes the mode (7001 with VlanProbe set).
void VlanMenuArrival();
void VlanProbeStep();
