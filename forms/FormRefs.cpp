#include "forms/FormRefs.h"

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
