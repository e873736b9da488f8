#include "forms/backup/SettingsRestore.h"

#include "engine/KeyOutput.h"
#include "forms/backup/SettingsFile.h"
#include "forms/base/FormRefs.h"
#include "forms/base/Messageform.h"
#include "forms/misc/Miscconfigxform.h"
#include "forms/port/Portconfigform.h"
#include "forms/session/Mainform.h"
#include "forms/session/SessionEnd.h"
#include "forms/session/Staticconfigform.h"
#include "forms/trunk/Trunkconfigform.h"
#include "forms/vlan/Editvlangrpform.h"
#include "forms/vlan/Vlanconfigform.h"
#include "forms/vlan/Vlanmemberxform.h"
#include "forms/vlan/Vlansupportform.h"
#include "lang/TextIds.h"
#include "platform/Ui.h"
#include "shared/Publicunit.h"

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

namespace {

constexpr int kPollMs = 20;
// Writing, reading back, and once more when the VLAN mode changed (the new
// mode's group table can only be read once the mode is in force).
constexpr int kMaxRounds = 3;

TForm* WindowOf(int32_t form) {
    switch (form) {
    case FORM_MAIN:
        return frmMain.get();
    case FORM_STATIC:
        return frmStaticConfig.get();
    case FORM_PORT:
        return frmPortConfig.get();
    case FORM_TRUNK:
        return frmTrkConfig.get();
    case FORM_VLAN:
        return frmVlanConfig.get();
    case FORM_VLANSUPPORT:
        return frmVlanSupport.get();
    case FORM_GROUPLIST:
        return frmEditVlanGrp.get();
    case FORM_GROUPMEMBERS:
        return frmVlanMemberX.get();
    case FORM_MISC:
        return frmMiscConfigX.get();
    default:
        return nullptr;
    }
}

bool Up(int32_t form) {
    TForm* f = WindowOf(form);
    return f && f->isVisible() && f->isEnabled() && !frmMessage.exists() && !IsSendPending() &&
           CurrentForm == form && !(form == FORM_VLAN && VlanProbe);
}

bool UnderVlan(int32_t form) {
    return form == FORM_VLANSUPPORT || form == FORM_GROUPLIST || form == FORM_GROUPMEMBERS;
}

QString Lines(const std::vector<std::string>& lines) {
    QString text;
    for (const std::string& l : lines)
        text += QString::fromStdString(l) + QLatin1Char('\n');
    return text;
}

// The ports a restore left at their own speed, as a note under its result.
QString KeptNote(const std::vector<std::string>& ports) {
    if (ports.empty()) return QString();
    std::string names;
    for (const std::string& p : ports)
        names += (names.empty() ? "" : ", ") + p;
    return MessageText(txt::RestoreKeptSpeed, QString::fromStdString(names)) + QLatin1Char('\n');
}

} // namespace

RestoreRun::RestoreRun(QString path, Finished finished, QObject* parent)
    : QObject(parent), path_(std::move(path)), finished_(std::move(finished)) {}

RestoreRun::~RestoreRun() {
    GiveBoxesBack();
    if (phase_ != Phase::Over) SetBusyCancelOffers(true);
}

bool RestoreRun::Start(bool timer) {
    std::string error;
    if (!ReadSettingsFile(path_, want_, error)) {
        Finish(Outcome::BadFile, QString::fromStdString(error));
        return false;
    }
    changes_.clear();
    answered_.clear();
    rounds_ = 0;
    // The restore drives the windows: a read's Cancel would pull a window
    // from under it.
    SetBusyCancelOffers(false);
    typed_ = false;
    firstReading_.reset();
    StartWalk();
    if (phase_ == Phase::Over) return false;
    if (timer) {
        timer_ = new QTimer(this);
        connect(timer_, &QTimer::timeout, this, [this] { Poll(); });
        timer_->start(kPollMs);
    }
    return true;
}

void RestoreRun::StartWalk() {
    walk_.progress = progress;
    phase_ = phase_ == Phase::Over ? Phase::Reading : Phase::Verifying;
    if (!walk_.Start()) Finish(Outcome::Lost, DecodeText(walk_.Error()));
}

void RestoreRun::TakeBoxes() {
    if (!answerBoxes_ || boxesTaken_) return;
    boxesTaken_ = true;
    previousBoxes_ = platform::CurrentMessageBoxHandler();
    platform::SetMessageBoxHandler(
        [this](const QString& text, const QString& caption, int buttons) {
            if (buttons == platform::MB_YESNO) return int(platform::IDYES);
            QString line = caption.trimmed() + QStringLiteral(": ") + text.trimmed();
            line.replace(QLatin1Char('\n'), QLatin1Char(' '));
            answered_ << line;
            return int(platform::IDOK);
        });
}

void RestoreRun::GiveBoxesBack() {
    if (!boxesTaken_) return;
    boxesTaken_ = false;
    platform::SetMessageBoxHandler(previousBoxes_);
    previousBoxes_ = nullptr;
}

void RestoreRun::ShowWriteStep() {
    SetBusyStep(++writeStep_, writeSteps_);
}

void RestoreRun::Finish(Outcome outcome, const QString& message) {
    phase_ = Phase::Over;
    if (timer_) timer_->stop();
    GiveBoxesBack();
    SetBusyStep(0, 0);
    SetBusyCancelOffers(true);
    CloseBusyBox();
    if (finished_) finished_(outcome, message);
}

// One click towards `form` from whichever window is up; true when it is.
bool RestoreRun::Reach(int32_t form) {
    if (Up(form)) return true;
    if (Up(FORM_MAIN)) {
        frmMain->btnStaticConfig->click();
    } else if (Up(FORM_STATIC)) {
        TfrmStaticConfig* m = frmStaticConfig.get();
        if (form == FORM_MAIN) m->btnMainMenu->click();
        if (form == FORM_PORT) m->btnPortConfig->click();
        if (form == FORM_TRUNK) m->btnTrunkConfig->click();
        if (form == FORM_MISC) m->btnMiscConfig->click();
        if (form == FORM_VLAN || UnderVlan(form)) m->btnVlanConfig->click();
    } else if (Up(FORM_VLAN)) {
        TfrmVlanConfig* m = frmVlanConfig.get();
        if (form == FORM_VLANSUPPORT) m->btnConfig->click();
        if (form == FORM_GROUPLIST) m->btnEdit->click();
        if (!UnderVlan(form)) m->btnPrevMenu->click();
    } else if (Up(FORM_PORT)) {
        frmPortConfig->btnQuit->click();
    } else if (Up(FORM_TRUNK)) {
        frmTrkConfig->btnQuit->click();
    } else if (Up(FORM_MISC)) {
        frmMiscConfigX->btnQuit->click();
    } else if (Up(FORM_VLANSUPPORT)) {
        frmVlanSupport->btnQuit->click();
    } else if (Up(FORM_GROUPLIST)) {
        frmEditVlanGrp->btnQuit->click();
    } else if (Up(FORM_GROUPMEMBERS)) {
        frmVlanMemberX->btnQuit->click();
    }
    return false;
}

// A check's verdict rests on two readings that agree: a value damaged on the
// line in a way the walk cannot tell from a real one (a digit flipped in a
// rate) would otherwise make a switch that differs read as equal. False
// while the second reading is still to come, or when they disagree (the
// run then ends as lost, with the first setting that read differently).
bool RestoreRun::SecondReading(const BackupDocument& now) {
    if (!firstReading_) {
        firstReading_ = std::make_unique<BackupDocument>(now);
        walk_.progress = progress;
        if (!walk_.Start()) Finish(Outcome::Lost, DecodeText(walk_.Error()));
        return false;
    }
    const std::vector<std::string> moved = DiffBackups(*firstReading_, now);
    if (moved.empty()) return true;
    Finish(Outcome::Lost, QStringLiteral("the switch read differently twice (a damaged line, or "
                                         "a change at its console meanwhile): ") +
                              QString::fromStdString(moved.front()));
    return false;
}

void RestoreRun::PlanWrites(const BackupDocument& now) {
    tasks_.clear();
    next_ = 0;
    const BackupDocument& want = want_;
    bool trunks = false;
    for (int k = 0; k < 7; ++k)
        trunks = trunks || !(now.trunks[k] == want.trunks[k]);
    if (trunks)
        tasks_.push_back({FORM_TRUNK, nullptr,
                          [this] {
                              FillTrunkWindow(want_);
                              frmTrkConfig->btnSave->click();
                          },
                          GetLangText(txt::BusySending)});
    const bool ports = trunks || now.ports != RestoreTarget(now, want, now.user).ports;
    if (ports)
        tasks_.push_back({FORM_PORT, [] { return frmPortConfig->TableComplete; },
                          [this] {
                              FillPortTable(want_);
                              frmPortConfig->btnSave->click();
                          },
                          GetLangText(txt::BusySending)});
    if (now.vlanMode != want.vlanMode) {
        const int32_t mode = want.vlanMode;
        tasks_.push_back({FORM_VLANSUPPORT, nullptr,
                          [mode] {
                              TfrmVlanSupport* w = frmVlanSupport.get();
                              w->cboVlanMode->setCurrentIndex(mode);
                              emit w->cboVlanMode->activated(mode);
                          },
                          GetLangText(txt::BusySending)});
        // The console keeps a new mode only through Save.
        tasks_.push_back(
            {FORM_VLANSUPPORT, nullptr, [] { frmVlanSupport->btnSave->click(); }, std::string()});
        // The new mode's groups are read in the next round.
    } else {
        auto findNow = [&now](const std::string& name) {
            return std::find_if(now.groups.begin(), now.groups.end(),
                                [&](const BackupGroup& g) { return g.name == name; });
        };
        auto takesId = [&want](const BackupGroup& n) {
            for (const BackupGroup& w : want.groups)
                if ((w.name == n.name) != (w.id == n.id)) return true;
            return false;
        };
        auto remove = [this](const std::string& name) {
            tasks_.push_back({FORM_GROUPLIST, nullptr,
                              [name] {
                                  TfrmEditVlanGrp* l = frmEditVlanGrp.get();
                                  l->lbxVlanGroups->setCurrentRow(GroupListRow(name));
                                  l->lbxVlanGroupsClick();
                                  l->btnDeleteClick();
                              },
                              GetLangText(txt::BusyDeleteGroup)});
        };
        // The console refuses to delete a group that is still a port's PVID:
        // such ports get PVID 1 first; the file's PVIDs follow once its
        // groups stand.
        BackupDocument interim;
        for (const auto& pvid : now.pvids)
            if (std::any_of(now.groups.begin(), now.groups.end(), [&](const BackupGroup& n) {
                    return n.id == pvid.second && takesId(n);
                }))
                interim.pvids[pvid.first] = 1;
        if (!interim.pvids.empty())
            tasks_.push_back({FORM_VLANSUPPORT, nullptr,
                              [interim] {
                                  FillPvids(interim);
                                  frmVlanSupport->btnSave->click();
                              },
                              GetLangText(txt::BusySending)});
        // A group whose ID differs, or whose ID another name takes, goes
        // first: an existing group's ID cannot be edited.
        for (const BackupGroup& n : now.groups)
            if (takesId(n)) remove(n.name);
        const int32_t mode = want.vlanMode;
        for (const BackupGroup& g : want.groups) {
            const auto n = findNow(g.name);
            const bool create = n == now.groups.end() || n->id != g.id;
            if (!create && n->members == g.members) continue;
            if (create)
                tasks_.push_back({FORM_VLAN, nullptr, [] { frmVlanConfig->btnCreate->click(); },
                                  GetLangText(txt::BusyNewGroup)});
            else
                tasks_.push_back({FORM_GROUPLIST, nullptr,
                                  [name = g.name] {
                                      TfrmEditVlanGrp* l = frmEditVlanGrp.get();
                                      l->lbxVlanGroups->setCurrentRow(GroupListRow(name));
                                      l->lbxVlanGroupsClick();
                                      l->btnEditClick();
                                  },
                                  GetLangText(txt::BusyReadGroup)});
            tasks_.push_back({FORM_GROUPMEMBERS, nullptr,
                              [g, mode, create] {
                                  FillGroupWindow(g, mode, create);
                                  frmVlanMemberX->btnSave->click();
                              },
                              GetLangText(txt::BusySending)});
        }
        if (want.vlanMode == kModeDot1q && (now.pvids != want.pvids || !interim.pvids.empty()))
            tasks_.push_back({FORM_VLANSUPPORT, nullptr,
                              [this] {
                                  FillPvids(want_);
                                  frmVlanSupport->btnSave->click();
                              },
                              GetLangText(txt::BusySending)});
        for (const BackupGroup& n : now.groups)
            if (!takesId(n) && std::none_of(want.groups.begin(), want.groups.end(),
                                            [&](const BackupGroup& w) { return w.name == n.name; }))
                remove(n.name);
    }
    if (now.retryForever != want.retryForever || now.autoAging != want.autoAging ||
        now.macHash != want.macHash)
        tasks_.push_back({FORM_MISC, nullptr,
                          [this] {
                              FillMiscWindow(want_);
                              frmMiscConfigX->btnSave->click();
                          },
                          GetLangText(txt::BusySending)});
    tasks_.push_back({FORM_MAIN, nullptr, nullptr, std::string()});
}

void RestoreRun::Poll() {
    if (phase_ == Phase::Over) return;
    if (phase_ == Phase::Writing) {
        if (CurrentForm == FORM_WELCOME || CurrentForm == FORM_LOGIN || SwitchRestarted) {
            Finish(Outcome::Lost, LangText(txt::WalkSessionEnded));
            return;
        }
        if (next_ >= tasks_.size()) return;
        Task& t = tasks_[next_];
        if (!Reach(t.form) || (t.ready && !t.ready())) return;
        ++next_;
        if (t.act) {
            if (progress && !t.say.empty()) progress(t.say);
            ShowWriteStep();
            typed_ = true;
            t.act();
        }
        if (next_ == tasks_.size()) StartWalk();
        return;
    }
    const SettingsWalk::State s = walk_.Poll();
    if (s == SettingsWalk::State::Running) return;
    if (s == SettingsWalk::State::Failed) {
        Finish(Outcome::Lost, DecodeText(walk_.Error()));
        return;
    }
    const BackupDocument& now = walk_.Document();
    if (checkOnly_ && !SecondReading(now)) return;
    // The console user name is not written (its change needs the password),
    // but a misc save retypes it: the switch must still hold the name it
    // had before the restore.
    if (phase_ == Phase::Reading) userBefore_ = now.user;
    std::vector<std::string> kept;
    const std::vector<std::string> diff =
        DiffBackups(now, RestoreTarget(now, want_, userBefore_, &kept));
    if (phase_ == Phase::Reading) {
        BackupDocument file = want_;
        file.user = now.user;
        // The summary also names the ports of another module type.
        changes_ = DiffBackups(now, file);
        if (diff.empty()) {
            Finish(Outcome::Unchanged, LangText(txt::RestoreNothing) + KeptNote(kept));
            return;
        }
        if (checkOnly_) {
            Finish(Outcome::Differs, Lines(changes_));
            return;
        }
        const int answer =
            platform::AppMessageBox(LangText(txt::RestoreAsk) + Lines(changes_),
                                    LangText(txt::SettingsCaption).trimmed(), platform::MB_YESNO);
        if (answer != platform::IDYES) {
            Finish(Outcome::Cancelled, LangText(txt::RestoreCancelled));
            return;
        }
    } else if (diff.empty()) {
        Finish(Outcome::Verified, LangText(txt::RestoreVerified) + KeptNote(kept));
        return;
    } else if (++rounds_ >= kMaxRounds - 1 || !modeRound_) {
        Finish(Outcome::Differs, LangText(txt::RestoreDiffers) + Lines(diff));
        return;
    }
    phase_ = Phase::Writing;
    modeRound_ = now.vlanMode != want_.vlanMode;
    PlanWrites(now);
    writeStep_ = 0;
    writeSteps_ = static_cast<int>(
        std::count_if(tasks_.begin(), tasks_.end(), [](const Task& t) { return bool(t.act); }));
    TakeBoxes();
}
