#pragma once
// The global references of the windows. A reference is set when the router
// (or start-up) creates the window and cleared by the router once the window
// has left; see FormRef.
#include "forms/base/Form.h"

#include <cstdint>

class TfrmWelcome;
class TfrmMemo;
class TfrmMessage;
class TfrmLogin;
class TfrmMain;
class TfrmStaticConfig;
class TfrmRestartConfig;
class TfrmPortConfig;
class TfrmVlanConfig;
class TfrmVlanSupport;
class TfrmVlanMemberX;
class TfrmEditVlanGrp;
class TfrmTrkConfig;
class TfrmMiscConfigX;

extern FormRef<TfrmWelcome> frmWelcome;
extern FormRef<TfrmMemo> frmMemo;
extern FormRef<TfrmMessage> frmMessage;
extern FormRef<TfrmLogin> frmLogin;
extern FormRef<TfrmMain> frmMain;
extern FormRef<TfrmStaticConfig> frmStaticConfig;
extern FormRef<TfrmRestartConfig> frmRestartConfig;
extern FormRef<TfrmPortConfig> frmPortConfig;
extern FormRef<TfrmVlanConfig> frmVlanConfig;
extern FormRef<TfrmVlanSupport> frmVlanSupport;
extern FormRef<TfrmVlanMemberX> frmVlanMemberX;
extern FormRef<TfrmEditVlanGrp> frmEditVlanGrp;
extern FormRef<TfrmTrkConfig> frmTrkConfig;
extern FormRef<TfrmMiscConfigX> frmMiscConfigX;

// The live window of a FORM_ number (shared/Publicunit.h), else nullptr: a
// window reaches another (to hide the menu it was opened from) without
// including it.
TForm* WindowOf(int32_t formNumber);

// Hides at once every shown window of a logged-in session (menus,
// configuration and restart windows); the start, login, busy and monitor
// windows stay as they are.
void HideSessionWindows();

// Drops every window of a logged-in session (menus and configuration
// windows) without running their close handlers, so no exit keys are typed:
// used when the switch restarted underneath them.
void ClearSessionWindows();
