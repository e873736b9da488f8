#include "forms/FormRefs.h"

FormRef<TfrmWelcome> frmWelcome;
FormRef<TfrmMemo> frmMemo;
FormRef<TfrmMessage> frmMessage;
FormRef<TfrmLogin> frmLogin;
FormRef<TfrmMain> frmMain;
FormRef<TfrmStaticConfig> frmStaticConfig;
FormRef<TfrmRestartConfig> frmRestartConfig;
FormRef<TfrmPortConfig> frmPortConfig;
FormRef<TfrmTrkConfig> frmTrkConfig;
FormRef<TfrmVlanConfig> frmVlanConfig;
FormRef<TfrmVlanSupport> frmVlanSupport;
FormRef<TfrmEditVlanGrp> frmEditVlanGrp;
FormRef<TfrmVlanMemberX> frmVlanMemberX;
FormRef<TfrmMiscConfigX> frmMiscConfigX;
