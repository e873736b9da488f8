#include "forms/vlan/Editvlangrpform.h"

#include "engine/KeyOutput.h"
#include "engine/PageValues.h"
#include "forms/base/FormRefs.h"
#include "forms/base/Messageform.h"
#include "forms/vlan/VlanMemberModel.h"
#include "forms/vlan/Vlanconfigform.h"
#include "lang/Language.h"
#include "lang/TextIds.h"
#include "platform/Ui.h"
#include "shared/FieldText.h"
#include "shared/Publicunit.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace {

constexpr int32_t kActionLeave = 0;
constexpr int32_t kActionEdit = 1;
constexpr int32_t kActionDelete = 2;

constexpr int kWidth = 420;
constexpr int kHeight = 470;

} // namespace

// ---------------------------------------------------------------------------
// Router entries

void HandleGroupListRow(int32_t value, const char* text) {
    ShowBusyBox();
    AddGroupCell(value, text);
}

void GroupListArrival() {
    const char quit[] = {KEY_ENTER, 0};
    if (!frmEditVlanGrp.exists() && StopReadAtArrival(txt::BusyToVlanMenu, quit)) return;
    if (CurrentForm == FORM_VLAN) {
        if (TForm* menu = WindowOf(FORM_VLAN)) menu->Hide();
    } else if (CurrentForm != FORM_GROUPLIST) {
        if (frmVlanMemberX.exists()) {
            if (Saving) {
                // The console left the group screen between pages of a save.
                if (!IsSendPending())
                    if (TfrmEditVlanGrp* list = frmEditVlanGrp.get()) list->btnEditClick();
                return;
            }
            frmVlanMemberX.clear();
        }
        Leaving = false;
    }
    if (!frmEditVlanGrp.exists()) frmEditVlanGrp.set(new TfrmEditVlanGrp);
    if (!Leaving && CurrentForm == TargetForm) {
        if (TfrmEditVlanGrp* list = frmEditVlanGrp.get()) ShowArrived(list);
    }
}

void GroupDeletedResult() {
    CloseBusyBox();
    platform::AppMessageBox(DecodeText(GetLangText(txt::GroupDeletedText)),
                            LangText(txt::CaptionGroupDelete), platform::MB_OK);
    if (!Leaving && CurrentForm == TargetForm) {
        if (TfrmEditVlanGrp* list = frmEditVlanGrp.get()) ShowArrived(list);
    }
}

void GroupNotDeletedResult() {
    CloseBusyBox();
    platform::AppMessageBox(DecodeText(GetLangText(txt::GroupNotDeletedText)),
                            LangText(txt::CaptionGroupDelete), platform::MB_OK);
}

void NoGroupsShown() {
    ResetGroupList();
}

// ---------------------------------------------------------------------------
// The window

TfrmEditVlanGrp::TfrmEditVlanGrp() : TConfigForm(FORM_GROUPLIST) {
    setObjectName(QStringLiteral("frmEditVlanGrp"));
    setFixedSize(kWidth, kHeight);
    setFont(UiFont(9));
    QLabel* title = MakeLabel(this, "Label1", QStringLiteral("Edit / Delete a VLAN Group"),
                              QRect(0, 12, kWidth, 32), Qt::AlignCenter);
    title->setFont(UiFont(14, true));
    QFont fixed(QStringLiteral("Courier New"), 11);
    fixed.setStyleHint(QFont::TypeWriter);
    const int charWidth = QFontMetrics(fixed).horizontalAdvance(QLatin1Char('0'));
    QLabel* nameHeader =
        MakeLabel(this, "Label2", QStringLiteral("VLAN Name"), QRect(34, 60, charWidth * 12, 20));
    QLabel* vidHeader =
        MakeLabel(this, "Label3", QStringLiteral("VID"), QRect(34 + charWidth * 12, 60, 80, 20));
    lbxVlanGroups = new QListWidget(this);
    lbxVlanGroups->setObjectName(QStringLiteral("lbxVlanGroups"));
    lbxVlanGroups->setSelectionMode(QAbstractItemView::SingleSelection);
    lbxVlanGroups->setFont(fixed);
    lbxVlanGroups->setGeometry(28, 84, 240, kHeight - 84 - 24);
    lbxVlanGroups->viewport()->installEventFilter(this);
    auto button = [this](const char* name, int y) {
        return MakeButton(this, name, QString(), QRect(kWidth - 24 - 110, y, 110, 30));
    };
    btnEdit = button("btnEdit", 84);
    btnDelete = button("btnDelete", 124);
    btnQuit = button("btnQuit", kHeight - 24 - 30);

    // The create handler proper.
    ActionTarget = kActionLeave;
    ActionCurrent = kActionLeave;
    EnableActions(false);
    CurrentForm = FORM_GROUPLIST;
    if (LanguageId == kLangChineseTraditional || LanguageId == kLangChineseSimplified) {
        for (QLabel* l : {nameHeader, vidHeader}) {
            QFont f = l->font();
            f.setPointSize(8);
            l->setFont(f);
        }
    }
    setWindowTitle(LangText(txt::GroupListCaption));
    title->setText(LangText(txt::GroupListTitle));
    nameHeader->setText(LangText(txt::GroupListName));
    vidHeader->setText(LangText(txt::GroupListVid));
    btnQuit->setText(LangText(txt::ExitButton));
    btnEdit->setText(LangText(txt::GroupListEdit));
    btnDelete->setText(LangText(txt::GroupListDelete));

    // Edit and Delete act on the chosen group, however it was chosen.
    connect(lbxVlanGroups, &QListWidget::itemSelectionChanged, this,
            [this] { EnableActions(!lbxVlanGroups->selectedItems().isEmpty()); });
    connect(btnEdit, &QPushButton::clicked, this, [this] { btnEditClick(); });
    connect(btnDelete, &QPushButton::clicked, this, [this] { btnDeleteClick(); });
    connect(btnQuit, &QPushButton::clicked, this, [this] { btnQuitClick(); });
}

bool TfrmEditVlanGrp::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lbxVlanGroups->viewport() && event->type() == QEvent::MouseButtonRelease)
        lbxVlanGroupsClick();
    return TForm::eventFilter(watched, event);
}

void TfrmEditVlanGrp::EnableActions(bool on) {
    btnEdit->setEnabled(on);
    btnDelete->setEnabled(on);
}

void TfrmEditVlanGrp::FillGroupList() {
    lbxVlanGroups->clear();
    // A row without a VID is left out; the rows after it still count.
    for (const GroupEntry& e : GroupList)
        if (!Trim(e.vid, sizeof e.vid).empty()) lbxVlanGroups->addItem(DecodeText(GroupLine(e)));
}

void TfrmEditVlanGrp::lbxVlanGroupsClick() {
    if (lbxVlanGroups->count() == 0)
        platform::AppMessageBox(DecodeText(GetLangText(txt::NoGroupToSelect)),
                                LangText(txt::CaptionGroupList), platform::MB_OK);
}

int32_t TfrmEditVlanGrp::SelectedGroupRow() {
    const QList<QListWidgetItem*> selected = lbxVlanGroups->selectedItems();
    return selected.isEmpty() ? -1 : lbxVlanGroups->row(selected.first());
}

std::string TfrmEditVlanGrp::MakeActionKeys() {
    return MakeMoveKeys(ActionTarget, ActionCurrent);
}

bool TfrmEditVlanGrp::CheckRow() {
    // A save that continues uses the row chosen when it began.
    if (!Saving) SelectedRow = SelectedGroupRow();
    return SelectedRow >= 0;
}

void TfrmEditVlanGrp::EditOrDeleteGroup(bool remove) {
    if (remove) {
        const int answer =
            platform::AppMessageBox(DecodeText(GetLangText(txt::AskDeleteGroup)),
                                    LangText(txt::CaptionGroupDelete), platform::MB_YESNO);
        if (answer != platform::IDYES) {
            setEnabled(true);
            return;
        }
        BusyText = GetLangText(txt::BusyDeleteGroup);
        ShowBusyBox();
    }
    std::string keys = MakeActionKeys();
    keys.append(static_cast<size_t>(SelectedRow), KEY_TAB);
    keys += KEY_ENTER;
    Leaving = false;
    SendKeys(keys.c_str());
}

void TfrmEditVlanGrp::btnEditClick() {
    if (!CheckRow()) return;
    ActionTarget = kActionEdit;
    Hide();
    if (!Saving) ResetMemberTables();
    // An existing group: its name and ID are read-only and never retyped.
    CreatingGroup = false;
    setEnabled(false);
    TargetForm = FORM_GROUPMEMBERS;
    BusyText = GetLangText(txt::BusyReadGroup);
    ShowBusyBox();
    if (!Saving) OfferReadCancel();
    EditOrDeleteGroup(false);
}

void TfrmEditVlanGrp::btnDeleteClick() {
    if (!CheckRow()) return;
    ActionTarget = kActionDelete;
    setEnabled(false);
    TargetForm = FORM_GROUPLIST;
    EditOrDeleteGroup(true);
}

void TfrmEditVlanGrp::btnQuitClick() {
    Close();
}

void TfrmEditVlanGrp::FormShow() {
    CurrentForm = FORM_GROUPLIST;
    Leaving = false;
    EnableActions(false);
    setEnabled(true);
}

void TfrmEditVlanGrp::FormActivate() {
    CurrentForm = FORM_GROUPLIST;
    Leaving = false;
    EnableActions(false);
    FillGroupList();
    FocusFirstControl();
    Repaint();
}

void TfrmEditVlanGrp::FormClose(TCloseAction& action) {
    ActionTarget = kActionLeave;
    TargetForm = FORM_GROUPLIST;
    Leave(action, txt::BusyToVlanMenu, MakeActionKeys().c_str());
}
