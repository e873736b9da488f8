#include "forms/base/FormRefs.h"

#include "shared/Publicunit.h"

#include <QApplication>

FormRef<TfrmWelcome> frmWelcome;
FormRef<TfrmMemo> frmMemo;
FormRef<TfrmMessage> frmMessage;
FormRef<TfrmLogin> frmLogin;
FormRef<TfrmMain> frmMain;
FormRef<TfrmStaticConfig> frmStaticConfig;
FormRef<TfrmRestartConfig> frmRestartConfig;
FormRef<TfrmPortConfig> frmPortConfig;
FormRef<TfrmVlanConfig> frmVlanConfig;
FormRef<TfrmVlanSupport> frmVlanSupport;
FormRef<TfrmVlanMemberX> frmVlanMemberX;
FormRef<TfrmEditVlanGrp> frmEditVlanGrp;
FormRef<TfrmTrkConfig> frmTrkConfig;
FormRef<TfrmMiscConfigX> frmMiscConfigX;

void ClearSessionWindows() {
    frmMain.clear();
    frmStaticConfig.clear();
    frmRestartConfig.clear();
    frmPortConfig.clear();
    frmVlanSupport.clear();
    frmVlanMemberX.clear();
    frmEditVlanGrp.clear();
    frmVlanConfig.clear();
    frmTrkConfig.clear();
    frmMiscConfigX.clear();
}

TForm* WindowOf(int32_t formNumber) {
    switch (formNumber) {
    case FORM_WELCOME:
        return frmWelcome.window();
    case FORM_LOGIN:
        return frmLogin.window();
    case FORM_MAIN:
        return frmMain.window();
    case FORM_STATIC:
        return frmStaticConfig.window();
    case FORM_PORT:
        return frmPortConfig.window();
    case FORM_TRUNK:
        return frmTrkConfig.window();
    case FORM_VLAN:
        return frmVlanConfig.window();
    case FORM_VLANSUPPORT:
        return frmVlanSupport.window();
    case FORM_GROUPLIST:
        return frmEditVlanGrp.window();
    case FORM_GROUPMEMBERS:
        return frmVlanMemberX.window();
    case FORM_MISC:
        return frmMiscConfigX.window();
    case FORM_RESTART:
        return frmRestartConfig.window();
    default:
        return nullptr;
    }
}

void HideSessionWindows() {
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows) {
        auto* form = qobject_cast<TForm*>(w);
        if (form == nullptr || form->Freed() || !form->isVisible()) continue;
        if (form == frmWelcome.window() || form == frmLogin.window()) continue;
        if (form == frmMessage.window() || form == frmMemo.window()) continue;
        form->Hide();
    }
}
