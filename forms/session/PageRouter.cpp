#include "forms/session/PageRouter.h"

#include "engine/KeyOutput.h"
#include "engine/PageValues.h"
#include "forms/base/Messageform.h"
#include "forms/misc/Miscconfigxform.h"
#include "forms/port/Portconfigform.h"
#include "forms/session/Loginform.h"
#include "forms/session/Mainform.h"
#include "forms/session/PostLoginWalk.h"
#include "forms/session/Restartconfigform.h"
#include "forms/session/SessionEnd.h"
#include "forms/session/Staticconfigform.h"
#include "forms/session/Welcomeform.h"
#include "forms/trunk/Trunkconfigform.h"
#include "forms/vlan/Editvlangrpform.h"
#include "forms/vlan/Vlanconfigform.h"
#include "forms/vlan/Vlanmemberxform.h"
#include "forms/vlan/Vlansupportform.h"
#include "lang/TextIds.h"
#include "shared/Publicunit.h"

using namespace pv;

namespace {

void (*s_pageObserver)(int32_t) = nullptr;

void MainMenuItem(int32_t value, const char*) {
    PostLoginMenuItem(value);
    MainArrival();
}

void VersionLineArrived(int32_t value, const char* text) {
    VersionLine(value, text);
    PostLoginVersionLine();
}

void SwitchSaving() {
    BusyText = GetLangText(txt::BusySaving);
    ShowBusyBox();
}

void TrunkQuitItem() {
    if (!PostLoginTrunkQuit()) SwitchSaving();
}

void MiscRow(int32_t value, const char* text) {
    ShowBusyBox();
    HandleMiscRow(value, text);
}

void VlanQuitItem() {
    VlanProbe ? VlanProbeStep() : VlanScreenComplete();
}

// One route: the entries it takes (the values first..last, or those
// `matches` accepts) and its handler.
using Handler = void (*)(int32_t value, const char* text);
struct Route {
    int32_t first;
    int32_t last;
    bool (*matches)(int32_t value);
    Handler handle;
};
constexpr Route Value(int32_t value, Handler handle) {
    return {value, value, nullptr, handle};
}
constexpr Route Range(int32_t first, int32_t last, Handler handle) {
    return {first, last, nullptr, handle};
}
constexpr Route Where(bool (*matches)(int32_t), Handler handle) {
    return {0, -1, matches, handle};
}
template <void (*F)()> void Plain(int32_t, const char*) {
    F();
}
template <void (*F)(int32_t)> void ByValue(int32_t value, const char*) {
    F(value);
}
template <void (*F)(const char*)> void ByText(int32_t, const char* text) {
    F(text);
}

bool IsSavingLine(int32_t v) {
    return v == PortSaving || v == TrunkSaving || v == VlanSaving;
}
bool IsTrunkRow(int32_t v) {
    return IsTrunkStatus(v) || IsTrunkMember(v);
}
bool IsMiscResult(int32_t v) {
    return v == MiscSaved || v == MiscPasswordError;
}
bool IsMiscRow(int32_t v) {
    return v == MiscUserName || InRange(v, MiscRetry, MiscHash);
}
bool IsGroupScreenRow(int32_t v) {
    return v == GroupIdRange || v == GroupName || v == GroupId || IsGroupRow(v);
}

// The routes, read top to bottom: the first that takes an entry handles it.
constexpr Route kRoutes[] = {
    Range(SelfTestFirst, SelfTestLast, SwitchSelfTestLine),
    Value(LoginScreen, Plain<LoginPageArrival>),
    Value(PasswordPrompt, Plain<PasswordPromptArrival>),
    Range(MainStatic, MainLogout, MainMenuItem),
    Range(FirmwareVersion, HardwareVersion, VersionLineArrived),
    Range(StaticPort, StaticPrevious, Plain<StaticArrival>),
    // Port Configuration
    Value(PortQuit, Plain<PortArrival>),
    Where(IsSavingLine, Plain<SwitchSaving>),
    Value(PortSaved, Plain<PortPrompt>),
    Where(IsPortCell, HandlePortRow),
    // Trunk Configuration
    Value(TrunkQuit, Plain<TrunkQuitItem>),
    Where(IsTrunkRow, HandleTrunkRow),
    Value(TrunkEdit, Plain<TrunkArrival>),
    Value(TrunkSaved, Plain<TrunkSaveDone>),
    // Misc Configuration
    Value(MiscEdit, Plain<MiscArrival>),
    Where(IsMiscResult, ByValue<MiscResult>),
    Where(IsMiscRow, MiscRow),
    // VLAN menu, VLAN support and PVIDs
    Range(VlanMenuSupport, VlanMenuPrevious, Plain<VlanMenuArrival>),
    Value(pv::VlanMode, ByText<VlanModeArrived>),
    Value(VlanQuit, Plain<VlanQuitItem>),
    Value(VlanSaved, Plain<VlanSaveComplete>),
    Where(IsVlanRow, HandlePvidRow),
    // A VLAN group's members, the group list
    Where(IsGroupScreenRow, HandleGroupRow),
    Value(GroupQuit, Plain<GroupScreenComplete>),
    Value(GroupSaved, Plain<GroupSaveComplete>),
    Value(GroupNotSaved, Plain<GroupSaveFailed>),
    Value(GroupListTotal, Plain<GroupListArrival>),
    Value(GroupDeleted, Plain<GroupDeletedResult>),
    Value(GroupNotDeleted, Plain<GroupNotDeletedResult>),
    Value(NoGroups, Plain<NoGroupsShown>),
    Where(IsGroupListRow, HandleGroupListRow),
    // Restart
    Value(RestartDefault, Plain<RestartArrival>),
};

bool Takes(const Route& route, int32_t value) {
    return route.matches ? route.matches(value) : InRange(value, route.first, route.last);
}

} // namespace

void ReleaseSharedTables() {
    ResetPortTable();
    ResetTrunkTables();
    ResetMiscSettings();
    ResetPvidTables();
    ResetMemberTables();
    ResetGroupList();
}

void SetPageObserver(void (*observer)(int32_t value)) {
    s_pageObserver = observer;
}

// The routes, by entry value.
void RoutePageEntry(int32_t value, const char* text) {
    if (text == nullptr) text = "";
    if (s_pageObserver && value != Unrecognised) s_pageObserver(value);
    // Before login the default walk answers everything but the login page.
    if (CurrentForm == FORM_WELCOME && PageOf(value) != 1) {
        // A switch that restarted under a session boots on its own to the
        // login page; nothing is typed into it on the way.
        if (SwitchRestarted && !InRange(value, SelfTestFirst, SelfTestLast)) return;
        DefaultPageAction(value, text);
        return;
    }

    for (const Route& route : kRoutes) {
        if (Takes(route, value)) {
            route.handle(value, text);
            return;
        }
    }
}
