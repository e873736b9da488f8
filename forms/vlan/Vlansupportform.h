#pragma once
// The VLAN support window: the switch's VLAN mode and, in 802.1Q mode, the
// PVID of every port (forms/VlanSupportModel.h). A mode change is typed at
// once; Apply writes the changed PVID pages as the console draws them.
#include "forms/base/PagedScreen.h"
#include "forms/vlan/VlanSupportModel.h"

#include <cstdint>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

// Router entries of the VLAN support screen: the mode line (7000), a row
// cell, the screen drawn (7001, when the VLAN menu is not probing) and the
// save's completion (7007).
void VlanModeArrived(const char* text);
void HandlePvidRow(int32_t value, const char* text);
void VlanScreenComplete();
void VlanSaveComplete();
// Types the keys of the next console page of an Apply.
void WritePvidPage();

class TfrmVlanSupport : public TPagedScreen {
    Q_OBJECT
public:
    // The switch answered an Apply: closing then asks nothing.
    TfrmVlanSupport(); // the create handler

    QComboBox* cboVlanMode = nullptr;
    QFrame* pnlPVID = nullptr;
    QPushButton* btnQuit = nullptr;
    QPushButton* btnSave = nullptr;
    // The note under the table when a page stayed garbled.
    QLabel* lblGarbled = nullptr;

    // The mode index last typed into the console.
    int32_t PrevModeIndex = -1;

    void ShowPvidPanels();
    void FillPvidPort(int i);
    void TakePvidCopyAndMode();
    bool ValidatePvids();
    void UpdateApplyState();

    void cboVlanModeChange(int index);
    void btnSaveClick();
    void btnQuitClick();
    // The mode differs from the stored one, or a PVID from what was read.
    bool HasUnappliedChanges() const;

    QFrame* PortPanel(int k) const; // k from 1
    QLabel* PortLabel(int k) const;
    QLineEdit* PvidEdit(int k) const;

protected:
    void FormShow() override;
    void FormActivate() override;
    void FormClose(TCloseAction& action) override;

private:
    void CreateControls();
    QString shownState_; // the controls as filled from the switch
};
