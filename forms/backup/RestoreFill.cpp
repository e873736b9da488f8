// A restore's values put into the windows' tables and controls, exactly as
// a user's clicks would leave them; the windows' Apply then types them.
#include "forms/backup/SettingsRestore.h"
#include "forms/base/FormRefs.h"
#include "forms/misc/MiscModel.h"
#include "forms/misc/Miscconfigxform.h"
#include "forms/port/PortModel.h"
#include "forms/port/Portconfigform.h"
#include "forms/trunk/Trunkconfigform.h"
#include "forms/vlan/GroupListModel.h"
#include "forms/vlan/Vlanmemberxform.h"
#include "forms/vlan/Vlansupportform.h"
#include "shared/FieldText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

#include <algorithm>

namespace {

std::string MemberWord(const BackupGroup& g, const std::string& port) {
    for (const auto& [choice, names] : g.members)
        if (std::find(names.begin(), names.end(), port) != names.end()) return choice;
    return "no";
}

int ChoiceOf(const std::vector<PortChoice>& choices, const std::string& word) {
    for (size_t i = 0; i < choices.size(); ++i)
        if (Trim(choices[i].console, 64) == word) return static_cast<int>(i);
    return -1;
}

void Choose(QComboBox* box, int index) {
    if (!box || index < 0 || box->currentIndex() == index) return;
    box->setCurrentIndex(index);
    emit box->activated(index);
}

} // namespace

void FillTrunkWindow(const BackupDocument& want) {
    TfrmTrkConfig* w = frmTrkConfig.get();
    if (!w) return;
    for (int k = 1; k <= kTrunks; ++k) {
        const BackupTrunk& t = want.trunks[k - 1];
        if (auto* box = w->findChild<QCheckBox*>(QStringLiteral("chkTrk%1").arg(k)))
            if (box->isChecked() != t.isStatic) box->setChecked(t.isStatic);
        for (int p = 1; p <= kTrunkPorts; ++p) {
            auto* b = w->findChild<QRadioButton*>(
                QStringLiteral("optP%1K%2").arg(p, 2, 10, QLatin1Char('0')).arg(k));
            if (!b) continue;
            const bool member = std::find(t.members.begin(), t.members.end(), p) != t.members.end();
            if (member && !b->isChecked()) b->setChecked(true);
        }
    }
    // Turned off last: a port moving between trunks is turned on in its new
    // trunk first, which turns its old button off.
    for (int k = 1; k <= kTrunks; ++k)
        for (int p = 1; p <= kTrunkPorts; ++p) {
            auto* b = w->findChild<QRadioButton*>(
                QStringLiteral("optP%1K%2").arg(p, 2, 10, QLatin1Char('0')).arg(k));
            const auto& m = want.trunks[k - 1].members;
            if (b && b->isChecked() && std::find(m.begin(), m.end(), p) == m.end())
                w->SetUnchecked(b);
        }
    w->CollectTrunkMembers();
}

void FillPortTable(const BackupDocument& want) {
    for (int i = 0; i < kPortTableSize; ++i) {
        if (!HasPortName(i)) continue;
        PortEntry& e = PortTable[i];
        const std::string name = ShortRowName(Field(e.name));
        const auto w = std::find_if(want.ports.begin(), want.ports.end(),
                                    [&](const BackupPort& p) { return p.name == name; });
        if (w == want.ports.end()) continue;
        if (PortTakesRates(e)) {
            e.inRate = w->inRate;
            e.outRate = w->outRate;
        }
        e.enabled = w->enabled;
        e.flowFull = w->flowFull;
        e.flowHalf = w->flowHalf;
        const std::vector<PortChoice> autos = AutoChoices();
        const int a = ChoiceOf(autos, w->autoNego);
        if (a >= 0) {
            e.autoIndex = a;
            SetField(e.autoText, autos[a].console);
        }
        // A port of another type (another module) keeps its speed when its
        // type cannot run the file's.
        const std::string type = Trim(Field(e.type));
        if (type != w->type && !SpeedRunsOn(type, w->speed)) continue;
        const std::vector<PortChoice> speeds = SpeedChoices(e.type, e.name);
        const int s = ChoiceOf(speeds, w->speed);
        if (s >= 0) {
            e.speedIndex = s;
            SetField(e.speedText, speeds[s].console);
        }
    }
    if (TfrmPortConfig* w = frmPortConfig.get()) w->ShowPortPage();
}

void FillGroupWindow(const BackupGroup& g, int32_t mode, bool creating) {
    TfrmVlanMemberX* w = frmVlanMemberX.get();
    if (!w) return;
    if (creating) {
        w->edtVlanName->setText(QString::fromStdString(g.name));
        w->edtVlanID->setText(QString::number(g.id));
    }
    const std::vector<std::string> choices = MemberChoices(
        w->IdKind != kIdUnknown ? w->IdKind : (mode == kModePortBased ? kIdPortBased : kIdDot1q));
    for (int k = 1; k <= kMemberTableSize; ++k) {
        const std::string word = MemberWord(g, ConsolePortName(k));
        int index = -1;
        for (size_t c = 0; c < choices.size(); ++c)
            if (FindNoCase(Trim(choices[c]), word.c_str()) == 0 &&
                Trim(choices[c]).size() == word.size())
                index = static_cast<int>(c);
        Choose(w->MemberList(k), index);
    }
}

void FillPvids(const BackupDocument& want) {
    TfrmVlanSupport* w = frmVlanSupport.get();
    if (!w) return;
    for (int k = 1; k <= kPvidTableSize; ++k) {
        const auto it = want.pvids.find(ConsolePortName(k));
        QLineEdit* edit = w->PvidEdit(k);
        if (it != want.pvids.end() && edit) edit->setText(QString::number(it->second));
    }
}

void FillMiscWindow(const BackupDocument& want) {
    TfrmMiscConfigX* w = frmMiscConfigX.get();
    if (!w) return;
    w->chkRetryForever->setChecked(want.retryForever);
    w->chkAutoAging->setChecked(want.autoAging);
    for (int i = 0; i < kMacHashChoices; ++i)
        if (Trim(MacHashChoice(i), 16) == want.macHash) w->cboMacHash->setCurrentIndex(i);
}

int GroupListRow(const std::string& name) {
    int row = 0;
    for (const GroupEntry& e : GroupList) {
        if (Trim(e.vid, sizeof e.vid).empty()) continue;
        if (Trim(e.name, sizeof e.name) == name) return row;
        ++row;
    }
    return -1;
}
