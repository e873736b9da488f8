#include "forms/backup/SettingsWalk.h"

#include "engine/KeyOutput.h"
#include "forms/base/FormRefs.h"
#include "forms/base/Messageform.h"
#include "forms/misc/Miscconfigxform.h"
#include "forms/port/Portconfigform.h"
#include "forms/session/Mainform.h"
#include "forms/session/Staticconfigform.h"
#include "forms/trunk/Trunkconfigform.h"
#include "forms/vlan/Editvlangrpform.h"
#include "forms/vlan/Vlanconfigform.h"
#include "forms/vlan/Vlanmemberxform.h"
#include "forms/vlan/Vlansupportform.h"
#include "lang/TextIds.h"
#include "shared/FieldText.h"
#include "shared/Publicunit.h"

#include <QDateTime>
#include <QListWidget>
#include <QPushButton>

namespace {

// The window owns the console and a user could work in it: shown, enabled,
// no busy window over it, no keys still to go out.
bool Up(TForm* f, int32_t form) {
    return f && f->isVisible() && f->isEnabled() && !frmMessage.exists() && !IsSendPending() &&
           CurrentForm == form;
}

std::string Replace(std::string text, const char* mark, const std::string& with) {
    const size_t at = text.find(mark);
    if (at != std::string::npos) text.replace(at, 2, with);
    return text;
}

} // namespace

std::string GroupProgressText(int number, int count) {
    return Replace(Replace(GetLangText(txt::BusyReadGroupOf), "%1", std::to_string(number)), "%2",
                   std::to_string(count));
}

bool SettingsWalk::Start() {
    doc_ = BackupDocument{};
    error_.clear();
    groupCount_ = groupNext_ = 0;
    portsReread_ = false;
    step_ = Step::Main;
    state_ = State::Running;
    if (!Up(frmMain.get(), FORM_MAIN)) {
        Fail(GetLangText(txt::WalkSessionEnded));
        return false;
    }
    doc_.firmware = Trim(Field(VersionText));
    doc_.time = QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toStdString();
    return true;
}

void SettingsWalk::Fail(const std::string& why) {
    state_ = State::Failed;
    error_ = why;
}

void SettingsWalk::Say(const std::string& line) {
    if (progress) progress(line);
}

bool SettingsWalk::OpenNextGroup() {
    TfrmEditVlanGrp* list = frmEditVlanGrp.get();
    if (groupNext_ >= groupCount_ || !list) return false;
    list->lbxVlanGroups->setCurrentRow(groupNext_);
    list->lbxVlanGroupsClick();
    list->btnEditClick();
    ++groupNext_;
    BusyText = GroupProgressText(groupNext_, groupCount_);
    ShowBusyBox();
    Say(BusyText);
    return true;
}

// The port rows must be the console's names for the trunks just read, once
// each and in order. A name changed on the line (PORT4 read as PORT6) still
// sits on its own screen row, so the port window's line-up check cannot see
// it. The ports (and the trunks they are judged by) are read once more; a
// second miss fails the walk: a document with a wrong name would write one
// port's settings to another.
bool SettingsWalk::PortRowsNamedRight() {
    const std::string wrong = MisnamedPortRow(doc_);
    if (wrong.empty()) return true;
    if (portsReread_) Fail(Replace(GetLangText(txt::WalkPortNamesWrong), "%1", wrong));
    portsReread_ = true;
    return false;
}

SettingsWalk::State SettingsWalk::Poll() {
    if (state_ != State::Running) return state_;
    // The session ended under the walk (dead line, a restart, a login page).
    if (CurrentForm == FORM_WELCOME || CurrentForm == FORM_LOGIN || SwitchRestarted) {
        Fail(GetLangText(txt::WalkSessionEnded));
        return state_;
    }
    switch (step_) {
    case Step::Main:
        if (!Up(frmMain.get(), FORM_MAIN)) break;
        frmMain->btnStaticConfig->click();
        step_ = Step::Static;
        break;
    case Step::Static:
        if (!Up(frmStaticConfig.get(), FORM_STATIC)) break;
        Say(GetLangText(txt::BusyReadPorts));
        frmStaticConfig->btnPortConfig->click();
        step_ = Step::Ports;
        break;
    case Step::Ports:
        if (!Up(frmPortConfig.get(), FORM_PORT) || !frmPortConfig->TableComplete) break;
        for (bool garbled : PortPageGarbled)
            if (garbled) {
                Fail(GetLangText(txt::WalkPortsGarbled));
                return state_;
            }
        CapturePorts(doc_);
        frmPortConfig->btnQuit->click();
        step_ = Step::StaticForTrunks;
        break;
    case Step::StaticForTrunks:
        if (!Up(frmStaticConfig.get(), FORM_STATIC)) break;
        Say(GetLangText(txt::BusyReadTrunks));
        frmStaticConfig->btnTrunkConfig->click();
        step_ = Step::Trunks;
        break;
    case Step::Trunks: {
        if (!Up(frmTrkConfig.get(), FORM_TRUNK)) break;
        CaptureTrunks(doc_);
        const bool named = PortRowsNamedRight();
        if (state_ == State::Failed) break;
        frmTrkConfig->btnQuit->click();
        step_ = named ? Step::StaticForVlan : Step::Static;
        break;
    }
    case Step::StaticForVlan:
        if (!Up(frmStaticConfig.get(), FORM_STATIC)) break;
        Say(GetLangText(txt::BusyReadVlan));
        frmStaticConfig->btnVlanConfig->click();
        step_ = Step::VlanMenu;
        break;
    case Step::VlanMenu:
        if (!Up(frmVlanConfig.get(), FORM_VLAN) || VlanProbe) break;
        frmVlanConfig->btnConfig->click();
        step_ = Step::Support;
        break;
    case Step::Support:
        if (!Up(frmVlanSupport.get(), FORM_VLANSUPPORT)) break;
        CaptureVlanSupport(doc_);
        frmVlanSupport->btnQuit->click();
        step_ = doc_.vlanMode == kModeDisabled ? Step::VlanMenuBack : Step::VlanMenuForList;
        break;
    case Step::VlanMenuForList:
        if (!Up(frmVlanConfig.get(), FORM_VLAN)) break;
        Say(GetLangText(txt::BusyReadGroupList));
        frmVlanConfig->btnEdit->click();
        step_ = Step::List;
        break;
    case Step::List:
        if (!Up(frmEditVlanGrp.get(), FORM_GROUPLIST)) break;
        if (groupNext_ == 0) groupCount_ = frmEditVlanGrp->lbxVlanGroups->count();
        if (OpenNextGroup()) {
            step_ = Step::Group;
        } else {
            frmEditVlanGrp->btnQuit->click();
            step_ = Step::VlanMenuBack;
        }
        break;
    case Step::Group:
        if (!Up(frmVlanMemberX.get(), FORM_GROUPMEMBERS)) break;
        doc_.groups.push_back(CaptureGroup());
        frmVlanMemberX->btnQuit->click();
        step_ = Step::List;
        break;
    case Step::VlanMenuBack:
        if (!Up(frmVlanConfig.get(), FORM_VLAN)) break;
        frmVlanConfig->btnPrevMenu->click();
        step_ = Step::StaticForMisc;
        break;
    case Step::StaticForMisc:
        if (!Up(frmStaticConfig.get(), FORM_STATIC)) break;
        Say(GetLangText(txt::BusyReadMisc));
        frmStaticConfig->btnMiscConfig->click();
        step_ = Step::Misc;
        break;
    case Step::Misc:
        if (!Up(frmMiscConfigX.get(), FORM_MISC)) break;
        CaptureMisc(doc_);
        frmMiscConfigX->btnQuit->click();
        step_ = Step::StaticBack;
        break;
    case Step::StaticBack:
        if (!Up(frmStaticConfig.get(), FORM_STATIC)) break;
        Say(GetLangText(txt::BusyToMainMenu));
        frmStaticConfig->btnMainMenu->click();
        step_ = Step::MainBack;
        break;
    case Step::MainBack:
        if (!Up(frmMain.get(), FORM_MAIN)) break;
        std::sort(doc_.groups.begin(), doc_.groups.end(),
                  [](const BackupGroup& a, const BackupGroup& b) { return a.id < b.id; });
        state_ = State::Done;
        break;
    }
    return state_;
}
