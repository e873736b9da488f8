#pragma once
// The VLAN group window: a new group's name and ID, or an existing group's
// (read-only), and the membership of every port (forms/VlanMemberModel.h).
// Apply writes the pages that need it as the console draws them.
#include "forms/base/PagedScreen.h"
#include "forms/vlan/VlanMemberModel.h"

#include <cstdint>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

// Router entries of the group screen: a header or row cell (8000, 8101,
// 8102, 8011..8028), the screen drawn (8001), the group saved (8006) or
// refused (8007).
void HandleGroupRow(int32_t value, const char* text);
void GroupScreenComplete();
void GroupSaveComplete();
void GroupSaveFailed();
// Types the keys of the next console page of an Apply.
void WriteMemberPage();

class TfrmVlanMemberX : public TPagedScreen {
    Q_OBJECT
public:
    // The switch answered an Apply: closing then asks nothing.
    TfrmVlanMemberX(); // the create handler

    QLabel* lblFormTitle = nullptr;
    QLabel* lblID = nullptr;
    QLabel* lblRange = nullptr;
    QLineEdit* edtVlanName = nullptr;
    QLineEdit* edtVlanID = nullptr;
    QPushButton* btnQuit = nullptr;
    QPushButton* btnSave = nullptr;
    // The note under the table when a page stayed garbled.
    QLabel* lblGarbled = nullptr;

    int32_t IdKind = kIdUnknown;
    int32_t ChoiceCount = 0;

    void SetupGroupWindow();
    void FillMemberPort(int i);
    void FillMemberPorts();
    bool ValidateGroup();
    void ChangeMember(QComboBox* sender);

    void btnSaveClick();
    void btnQuitClick();

    QFrame* PortPanel(int k) const; // k from 1
    QComboBox* MemberList(int k) const;

protected:
    void FormActivate() override;
    void FormClose(TCloseAction& action) override;

private:
    void CreateControls();
    void ApplyTexts();
    QString shownState_; // the controls as filled from the switch
};
