#include "forms/trunk/Trunkconfigform.h"

#include "engine/KeyOutput.h"
#include "engine/PageValues.h"
#include "forms/base/FormRefs.h"
#include "forms/base/Messageform.h"
#include "forms/base/Unapplied.h"
#include "lang/Language.h"
#include "lang/TextIds.h"
#include "platform/Ui.h"
#include "shared/Publicunit.h"

#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

#include <string>

namespace {

// Trunk (0-based) and port (1-26) of a radio button named optPppKk.
bool RadioCell(const QObject* button, int& trunk, int& port) {
    const QString n = button->objectName();
    if (n.size() != 8 || !n.startsWith(QLatin1String("optP"))) return false;
    trunk = n.at(7).digitValue() - 1;
    port = n.mid(4, 2).toInt();
    return trunk >= 0 && trunk < kTrunks && port >= 1 && port <= kTrunkPorts;
}

void TrunkMessage(const QString& text) {
    platform::AppMessageBox(text, LangText(txt::CaptionTrunk), platform::MB_OK);
}

} // namespace

// ---------------------------------------------------------------------------
// Router entries

void HandleTrunkRow(int32_t value, const char* text) {
    ShowBusyBox();
    const int k = StoreTrunkCell(value, text);
    // The post-login walk learns the module trunk for the port window.
    if (k >= 0 && ResyncPending && TrunkTable[k].member[kTrunkPorts]) ModuleTrunk = k;
}

void TrunkArrival() {
    const char quit[] = {KEY_TAB, KEY_TAB, KEY_ENTER, 0};
    if (!ResyncPending && !(frmTrkConfig.get() && frmTrkConfig->isVisible()) &&
        StopReadAtArrival(txt::BusyToStaticMenu, quit))
        return;
    if (!frmTrkConfig.exists() && !ResyncPending) frmTrkConfig.set(new TfrmTrkConfig);
    if (Leaving || CurrentForm != TargetForm) return;
    TfrmTrkConfig* w = frmTrkConfig.get();
    if (!w) return;
    if (!w->isVisible()) {
        if (TrunkScreenGarbled() && !w->Reread) {
            // Once more: ESC has the console draw the screen afresh, as
            // entered from the static menu (Edit highlighted, this entry).
            w->Reread = true;
            ResetTrunkTables();
            const char keys[] = {KEY_ESC, 0};
            SendKeys(keys);
            return;
        }
        w->ShowLineup(TrunkScreenGarbled());
    }
    ShowArrived(w);
}

void TrunkSaveDone() {
    TfrmTrkConfig* w = frmTrkConfig.get();
    if (!w || !w->isVisible()) return;
    EndAnsweredSave(FORM_TRUNK, LangLines(txt::SettingsSaved, txt::BackToPrevious),
                    txt::CaptionTrunk);
}

// ---------------------------------------------------------------------------
// The window

TfrmTrkConfig::TfrmTrkConfig(QWidget* parent) : TConfigForm(FORM_TRUNK, parent) {
    RulesArmed = 0;
    CurrentForm = FORM_TRUNK;
    CreateControls();
    ApplyLanguageLayout();
}

void TfrmTrkConfig::FormActivate() {
    CurrentForm = FORM_TRUNK;
    Leaving = false;
    Saving = false;
    MembersChanged = false;
    StaticChanged = false;
    ShowTrunks();
    shownState_ = ControlState(this);
    RulesArmed += 1;
    FocusFirstControl();
    Repaint();
}

void TfrmTrkConfig::ShowLineup(bool garbled) {
    // What the grid shows may not be what the switch holds: shown, greyed
    // out, and not written.
    for (QGroupBox* box : findChildren<QGroupBox*>())
        box->setEnabled(!garbled);
    for (QCheckBox* box : findChildren<QCheckBox*>())
        box->setEnabled(!garbled);
    lblGarbled->setVisible(garbled);
    btnSave->setEnabled(!garbled);
}

void TfrmTrkConfig::ShowTrunks() {
    // Turning a control on counts as its click (the toggled signals run
    // SetTrunkOption and CheckTrunkRules), so a static trunk sets
    // StaticChanged here.
    for (QGroupBox* box : findChildren<QGroupBox*>()) {
        for (QRadioButton* b : box->findChildren<QRadioButton*>()) {
            int k = 0, p = 0;
            if (RadioCell(b, k, p) && TrunkTable[k].member[p]) b->setChecked(true);
        }
    }
    for (QCheckBox* box : findChildren<QCheckBox*>()) {
        const int n = box->objectName().mid(6, 1).toInt();
        if (n >= 1 && n <= kTrunks) box->setChecked(TrunkTable[n - 1].isStatic);
    }
    TakeTrunkCopy();
}

void TfrmTrkConfig::SetTrunkOption(QCheckBox* box) {
    const int n = box->objectName().mid(6, 1).toInt();
    if (n < 1 || n > kTrunks) return;
    StaticChanged = true;
    TrunkTable[n - 1].isStatic = box->isChecked();
}

void TfrmTrkConfig::CheckTrunkRules() {
    if (RulesArmed > 0) CollectTrunkMembers();
}

void TfrmTrkConfig::SetUnchecked(QRadioButton* button) {
    if (CurrentForm != FORM_TRUNK) return;
    // An exclusive button cannot be turned off while it is exclusive.
    button->setAutoExclusive(false);
    button->setChecked(false);
    button->setAutoExclusive(true);
    CollectTrunkMembers();
}

void TfrmTrkConfig::CollectTrunkMembers() {
    MembersChanged = true;
    StartTrunkCollection();
    for (QGroupBox* box : findChildren<QGroupBox*>()) {
        for (QRadioButton* b : box->findChildren<QRadioButton*>()) {
            int k = 0, p = 0;
            if (RadioCell(b, k, p)) CollectTrunkMember(k, p, b->isChecked());
        }
    }
}

bool TfrmTrkConfig::TrunkRulesHold() {
    const TrunkRuleBreak broken = FindTrunkRuleBreak();
    if (broken.rule == TrunkRule::None) return true;
    const std::string n = std::to_string(broken.trunk + 1);
    QString message;
    if (broken.rule == TrunkRule::Count) {
        message = DecodeText("Trunk " + n + GetLangText(txt::TrunkCountRule) + "\n" +
                             GetLangText(txt::TrunkCountAsk));
    } else if (LanguageId == kLangChineseTraditional) {
        message = QStringLiteral("Trunk ") + QString::fromStdString(n) +
                  QStringLiteral(" 設定錯誤\n\n") + LangText(txt::TrunkInvalidMembers) +
                  QStringLiteral("\n\n") + LangText(txt::TrunkMixRule);
    } else {
        message = DecodeText(std::string(GetLangText(txt::TrunkInvalidMembers)) + n + "\n\n" +
                             GetLangText(txt::TrunkMixRule));
    }
    TrunkMessage(message);
    return false;
}

void TfrmTrkConfig::btnSaveClick() {
    if (!TrunkRulesHold()) return;
    ModuleTrunk = StaticModuleTrunk();
    setEnabled(false);
    TargetForm = FORM_STATIC;
    BusyText = GetLangText(txt::BusySending);
    ShowBusyBox();
    WriteTrunks();
}

void TfrmTrkConfig::WriteTrunks() {
    char text[kTrunkKeysSize];
    BuildTrunkKeys(MembersChanged, StaticChanged, text, sizeof text);
    SendKeys(text);
    btnSave->setEnabled(false);
    Saving = true;
    AwaitingAnswer = true;
}

void TfrmTrkConfig::btnQuitClick() {
    Close();
}

void TfrmTrkConfig::FormClose(TCloseAction& action) {
    // Edits count while Apply is enabled (a garbled screen keeps it off).
    if (!MayLeave(btnSave->isEnabledTo(this) && ControlState(this) != shownState_)) {
        action = caNone;
        return;
    }
    TargetForm = FORM_TRUNK;
    CurrentForm = FORM_TRUNK;
    // After an Apply the console waits on its result line, where any key
    // leaves; otherwise Edit is highlighted and Quit is two Tabs away (also
    // when a garbled screen kept Apply disabled).
    const char afterSave[] = {KEY_ENTER, 0};
    const char quit[] = {KEY_TAB, KEY_TAB, KEY_ENTER, 0};
    Leave(action, txt::BusyToStaticMenu, SaveAnswered ? afterSave : quit);
}

bool TfrmTrkConfig::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (auto* b = qobject_cast<QRadioButton*>(watched)) {
            // The second press of a double click pressed the button again;
            // its release must not check it once more.
            SetUnchecked(b);
            b->setDown(false);
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress) {
        auto* b = qobject_cast<QRadioButton*>(watched);
        const auto* key = static_cast<QKeyEvent*>(event);
        // The keyboard's double click: Delete, or Space on a member (Space
        // on a port not in the trunk selects it, as on any radio button).
        const bool removes = key->key() == Qt::Key_Delete ||
                             (key->key() == Qt::Key_Space && b && b->isChecked());
        if (b && removes && key->modifiers() == Qt::NoModifier) {
            if (b->isChecked()) SetUnchecked(b);
            return true;
        }
    }
    return TForm::eventFilter(watched, event);
}
