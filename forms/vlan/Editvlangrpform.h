#pragma once
// The VLAN group list window: the groups the switch holds, by name and VID,
// and Edit (through the group window) or Delete of the selected one, done
// by moving the console's action and row selections.
#include "forms/base/ConfigForm.h"
#include "forms/vlan/GroupListModel.h"

#include <cstdint>
#include <string>

class QLabel;
class QListWidget;
class QPushButton;

// Router entries of the list screen: a row cell, the footer (9001), the
// delete's result (9006, 9007) and the "no group" line (9008).
void HandleGroupListRow(int32_t value, const char* text);
void GroupListArrival();
void GroupDeletedResult();
void GroupNotDeletedResult();
void NoGroupsShown();

class TfrmEditVlanGrp : public TConfigForm {
    Q_OBJECT
public:
    TfrmEditVlanGrp(); // the create handler

    QListWidget* lbxVlanGroups = nullptr;
    QPushButton* btnQuit = nullptr;
    QPushButton* btnEdit = nullptr;
    QPushButton* btnDelete = nullptr;

    // Console action to select (0 leave, 1 edit, 2 delete), the action
    // believed highlighted on the console, and the row of the pending edit
    // or delete.
    int32_t ActionTarget = 0;
    int32_t ActionCurrent = 0;
    int32_t SelectedRow = -1;

    void FillGroupList();
    int32_t SelectedGroupRow();
    std::string MakeActionKeys();
    void EditOrDeleteGroup(bool remove);

    // A click into the list: with no group listed, says there is none.
    void lbxVlanGroupsClick();
    // Public: the router runs it again to continue a group save after the
    // console went back to the list between two pages.
    void btnEditClick();
    void btnDeleteClick();
    void btnQuitClick();

protected:
    void FormShow() override;
    void FormActivate() override;
    void FormClose(TCloseAction& action) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void EnableActions(bool on);
    // Row check before Edit and Delete; false: nothing selected.
    bool CheckRow();
};
