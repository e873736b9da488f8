#include "forms/vlan/Vlanmemberxform.h"

#include "engine/KeyOutput.h"
#include "forms/base/FormRefs.h"
#include "forms/base/Messageform.h"
#include "forms/base/RowLineup.h"
#include "forms/base/Unapplied.h"
#include "forms/vlan/GroupListModel.h"
#include "forms/vlan/Vlanconfigform.h"
#include "lang/Language.h"
#include "lang/TextIds.h"
#include "platform/Ui.h"
#include "shared/FieldText.h"
#include "shared/Publicunit.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include <string>

namespace {

constexpr int kWidth = 660;
constexpr int kHeight = 480;
constexpr int kRowHeight = 26;
constexpr int kRowsPerColumn = 10;
constexpr int kColumnWidth = 210;
constexpr int kHeadTop = 132;
constexpr int kRowsTop = 156;

std::string Latin1(const QString& s) {
    const QByteArray b = s.toLatin1();
    return std::string(b.constData(), static_cast<size_t>(b.size()));
}

void ShowGroupMessage(int32_t first, int32_t second, int32_t caption) {
    platform::AppMessageBox(LangLines(first, second), LangText(caption), platform::MB_OK);
}

} // namespace

// ---------------------------------------------------------------------------
// Router entries

namespace {
const PageCycle kMemberCycle = {
    MemberReadWrapped, FinishMemberRead, RestartMemberRead, MarkMemberPages, WriteMemberPage,
};
} // namespace

void HandleGroupRow(int32_t value, const char* text) {
    ShowBusyBox();
    TfrmVlanMemberX* window = frmVlanMemberX.get();
    if (EndsPageRead(window, kMemberCycle, value, text)) return;
    bool unused = false;
    AddMemberCell(value, text, window != nullptr, window ? window->TableComplete : unused);
}

void WriteMemberPage() {
    TfrmVlanMemberX* w = frmVlanMemberX.get();
    if (!w) return;
    char keys[60];
    bool last = false;
    if (BuildMemberPageKeys(TablePage, CreatingGroup, Latin1(w->edtVlanName->text()),
                            Latin1(w->edtVlanID->text()), w->ChoiceCount, keys, sizeof keys,
                            last) == 0)
        return;
    if (last)
        w->btnSave->setEnabled(false);
    else
        TablePage += 1;
    SendKeys(keys);
}

void GroupScreenComplete() {
    if (CurrentForm == FORM_VLAN) {
        if (TForm* menu = WindowOf(FORM_VLAN)) menu->Hide();
    } else if (CurrentForm == FORM_GROUPLIST) {
        if (TForm* list = WindowOf(FORM_GROUPLIST)) list->Hide();
    }
    if (!frmVlanMemberX.exists()) frmVlanMemberX.set(new TfrmVlanMemberX);
    if (Leaving) return;
    TfrmVlanMemberX* window = frmVlanMemberX.get();
    if (!window) return;
    const char quit[] = {KEY_ENTER, 0};
    if (!Saving && !window->isVisible() && StopReadAtArrival(txt::BusyToPrevious, quit)) return;
    PagedScreenArrived(window, kMemberCycle, window->TableComplete);
}

namespace {
// The switch's answer to a save: the message, then the window closes
// without asking about edits (they were saved or refused as a whole).
void EndGroupSave(int32_t first, int32_t caption) {
    EndAnsweredSave(FORM_GROUPMEMBERS, LangLines(first, txt::BackToPrevious), caption,
                    [] { Saving = false; });
}
} // namespace

void GroupSaveComplete() {
    if (!Saving || TablePage < LastMemberPage()) return;
    TakeMemberCopy();
    EndGroupSave(txt::SettingsSaved, txt::CaptionGroup);
}

void GroupSaveFailed() {
    EndGroupSave(txt::GroupRefused, txt::CaptionGroupEdit);
}

// ---------------------------------------------------------------------------
// The window

TfrmVlanMemberX::TfrmVlanMemberX() : TPagedScreen(FORM_GROUPMEMBERS) {
    CreateControls();
    Saving = false;
    Leaving = false;
    SetupGroupWindow();
    ApplyTexts();
    connect(btnSave, &QPushButton::clicked, this, [this] { btnSaveClick(); });
    connect(btnQuit, &QPushButton::clicked, this, [this] { btnQuitClick(); });
}

void TfrmVlanMemberX::CreateControls() {
    setObjectName(QStringLiteral("frmVlanMemberX"));
    setFixedSize(kWidth, kHeight);
    setFont(UiFont(9));
    lblFormTitle = MakeLabel(this, "lblFormTitle", QStringLiteral("Add / Edit a VLAN Group"),
                             QRect(0, 12, kWidth, 32), Qt::AlignCenter);
    lblFormTitle->setFont(UiFont(14, true));
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    MakeLabel(this, "lblVlanName", QStringLiteral("VLAN Name:"), QRect(40, 62, 130, 24), right);
    lblID = MakeLabel(this, "lblID", QStringLiteral("VLAN ID:"), QRect(40, 94, 130, 24), right);
    edtVlanName = new QLineEdit(this);
    edtVlanName->setObjectName(QStringLiteral("edtVlanName"));
    edtVlanName->setMaxLength(6);
    edtVlanName->setGeometry(178, 62, 90, 24);
    edtVlanID = new QLineEdit(this);
    edtVlanID->setObjectName(QStringLiteral("edtVlanID"));
    edtVlanID->setMaxLength(4);
    edtVlanID->setGeometry(178, 94, 60, 24);
    lblRange = MakeLabel(this, "lblRange", QStringLiteral("(1 - 4094)"), QRect(246, 94, 120, 24),
                         Qt::AlignLeft | Qt::AlignVCenter);

    for (int c = 1; c <= 3; ++c) {
        const int x = 24 + (c - 1) * kColumnWidth;
        QLabel* port = MakeLabel(this, QByteArray("lblPort" + QByteArray::number(c)).constData(),
                                 QStringLiteral("Port"), QRect(x, kHeadTop, 80, 20));
        QLabel* member =
            MakeLabel(this, QByteArray("lblMember" + QByteArray::number(c)).constData(),
                      QStringLiteral("Member"), QRect(x + 84, kHeadTop, 110, 20));
        port->setFont(UiFont(9, true));
        member->setFont(UiFont(9, true));
        port->setVisible(c == 1);
        member->setVisible(c == 1);
    }
    QFont fixed(QStringLiteral("Courier New"), 9);
    fixed.setStyleHint(QFont::TypeWriter);
    for (int k = 1; k <= kMemberTableSize; ++k) {
        const int column = (k - 1) / kRowsPerColumn;
        const int row = (k - 1) % kRowsPerColumn;
        auto* panel = new QFrame(this);
        panel->setObjectName(QStringLiteral("pnlP%1").arg(k));
        panel->setGeometry(20 + column * kColumnWidth, kRowsTop + row * kRowHeight,
                           kColumnWidth - 8, kRowHeight);
        auto* label = new QLabel(QStringLiteral("PORT%1").arg(k), panel);
        label->setObjectName(QStringLiteral("lblP%1").arg(k));
        label->setGeometry(4, 2, 78, 22);
        auto* list = new QComboBox(panel);
        list->setObjectName(QStringLiteral("cboP%1").arg(k));
        list->setEditable(false);
        list->setFont(fixed);
        list->setGeometry(86, 0, 110, kRowHeight);
        connect(list, &QComboBox::activated, this, [this, list] { ChangeMember(list); });
    }
    btnSave = MakeButton(this, "btnSave", QStringLiteral("Apply"),
                         QRect(kWidth - 20 - 212, kHeight - 44, 100, 30));
    btnQuit = MakeButton(this, "btnQuit", QStringLiteral("Exit"),
                         QRect(kWidth - 20 - 100, kHeight - 44, 100, 30));
    lblGarbled =
        MakeGarbledNote(this, QString(), QRect(24, kHeight - 48, kWidth - 20 - 212 - 34, 40),
                        Qt::AlignLeft | Qt::AlignVCenter);
}

void TfrmVlanMemberX::ApplyTexts() {
    setWindowTitle(LangText(txt::GroupCaption));
    lblFormTitle->setText(LangText(txt::GroupTitle));
    findChild<QLabel*>(QStringLiteral("lblVlanName"))->setText(LangText(txt::GroupNameLabel));
    lblID->setText(LangText(txt::GroupIdLabel));
    for (int c = 1; c <= 3; ++c) {
        findChild<QLabel*>(QStringLiteral("lblPort%1").arg(c))
            ->setText(LangText(txt::GroupPortHeading));
        findChild<QLabel*>(QStringLiteral("lblMember%1").arg(c))
            ->setText(LangText(txt::GroupMemberHeading));
    }
    btnQuit->setText(LangText(txt::ExitButton));
    btnSave->setText(LangText(txt::ApplyButton));
    lblGarbled->setText(MessageText(txt::PortRowsGarbled));
}

QFrame* TfrmVlanMemberX::PortPanel(int k) const {
    return findChild<QFrame*>(QStringLiteral("pnlP%1").arg(k), Qt::FindDirectChildrenOnly);
}

QComboBox* TfrmVlanMemberX::MemberList(int k) const {
    QFrame* panel = PortPanel(k);
    return panel ? panel->findChild<QComboBox*>(QStringLiteral("cboP%1").arg(k)) : nullptr;
}

void TfrmVlanMemberX::SetupGroupWindow() {
    if (CurrentForm == FORM_GROUPLIST) {
        // An existing group's name and ID are not changed here.
        for (QLineEdit* e : {edtVlanID, edtVlanName}) {
            e->setReadOnly(true);
            e->setFocusPolicy(Qt::NoFocus);
            QPalette p = e->palette();
            p.setColor(QPalette::Base, palette().color(QPalette::Window));
            e->setPalette(p);
        }
    }
    edtVlanName->setText(DecodeText(Field(GroupNameText)));
    edtVlanID->setText(DecodeText(Field(GroupIdText)));
    lblRange->setText(DecodeText(Field(GroupRangeText)));
    IdKind = IdKindOf(GroupRangeText);
    if (IdKind != kIdUnknown) edtVlanID->setMaxLength(IdEditLimit(IdKind));
    const std::vector<std::string> choices = MemberChoices(IdKind);
    for (int k = 1; k <= kMemberTableSize; ++k) {
        QComboBox* list = MemberList(k);
        list->clear();
        for (const std::string& c : choices)
            list->addItem(QString::fromLatin1(c.c_str()));
        MemberTable[k - 1].choice = MemberChoiceIndex(choices, MemberTable[k - 1].choiceText);
    }
    ChoiceCount = static_cast<int32_t>(choices.size());
}

void TfrmVlanMemberX::FillMemberPort(int i) {
    QFrame* panel = PortPanel(i + 1);
    if (!panel) return;
    if (!ValidMemberEntry(i)) {
        panel->hide();
        return;
    }
    panel->show();
    const bool garbled = MemberPageGarbled[i / kMembersPerPage];
    panel->setEnabled(!garbled);
    if (garbled) lblGarbled->show();
    panel->findChild<QLabel*>(QStringLiteral("lblP%1").arg(i + 1))
        ->setText(DecodeText(Field(MemberTable[i].name)));
    QComboBox* list = MemberList(i + 1);
    MemberEntry& e = MemberTable[i];
    e.choice =
        list->findText(QString::fromLatin1(Field(e.choiceText).c_str()), Qt::MatchFixedString);
    list->setCurrentIndex(e.choice);
}

void TfrmVlanMemberX::FillMemberPorts() {
    for (int c = 2; c <= 3; ++c) {
        if (PortCount <= (c - 1) * kRowsPerColumn) continue;
        findChild<QLabel*>(QStringLiteral("lblPort%1").arg(c))->show();
        findChild<QLabel*>(QStringLiteral("lblMember%1").arg(c))->show();
    }
    for (int i = 0; i < kMemberTableSize; ++i)
        FillMemberPort(i);
    TakeMemberCopy();
    Repaint();
}

void TfrmVlanMemberX::ChangeMember(QComboBox* sender) {
    const int k = sender->objectName().mid(4).toInt();
    if (k < 1 || k > kMemberTableSize) return;
    MemberEntry& e = MemberTable[k - 1];
    e.choice = sender->currentIndex();
    SetField(e.choiceText, Latin1(sender->currentText()));
}

bool TfrmVlanMemberX::ValidateGroup() {
    const GroupCheck check =
        CheckGroupInput(Latin1(edtVlanName->text()), Latin1(edtVlanID->text()), IdKind);
    if (check == GroupOk) return true;
    const QPointer<TfrmVlanMemberX> still(this);
    if (check == GroupNameMissing) {
        ShowGroupMessage(txt::GroupNameEmpty, txt::GroupNameAsk, txt::CaptionGroupEdit);
        if (!still.isNull()) edtVlanName->setFocus();
        return false;
    }
    QString message;
    const QString label = lblID->text();
    if (check == GroupIdNotNumber)
        message = QStringLiteral("'%1' is not a valid integer value").arg(edtVlanID->text());
    else if (LanguageId == kLangChineseTraditional)
        message = label + QStringLiteral(" 是不合法的值 ") + QStringLiteral(".\n\n 請重新輸入.");
    else
        message = QStringLiteral("Invalid value for ") + label +
                  QStringLiteral(".\n\n Please input again.");
    platform::AppMessageBox(message, LangText(txt::CaptionGroupEdit), platform::MB_OK);
    if (still.isNull()) return false;
    edtVlanID->setText(QStringLiteral("1"));
    edtVlanID->setFocus();
    return false;
}

void TfrmVlanMemberX::btnSaveClick() {
    if (IdKind == kIdUnknown) {
        // Without a known range the member choices of the console are not
        // known either, so no member key could be right: nothing is typed.
        platform::AppMessageBox(
            QStringLiteral("The switch shows the VLAN ID range \"%1\", which this program does "
                           "not know.\nThe VLAN group cannot be written.")
                .arg(lblRange->text()),
            LangText(txt::CaptionGroupEdit), platform::MB_OK);
        return;
    }
    if (!ValidateGroup()) return;
    TablePage = 0;
    StartSave(kMemberCycle);
}

void TfrmVlanMemberX::btnQuitClick() {
    Close();
}

void TfrmVlanMemberX::FormActivate() {
    CurrentForm = FORM_GROUPMEMBERS;
    Leaving = false;
    TablePage = 0;
    FillMemberPorts();
    FocusFirstControl();
    Repaint();
    setEnabled(true);
    shownState_ = ControlState(this);
}

void TfrmVlanMemberX::FormClose(TCloseAction& action) {
    if (!MayLeave(ControlState(this) != shownState_)) {
        action = caNone;
        return;
    }
    CurrentForm = TargetForm;
    const char keys[] = {KEY_ENTER, 0};
    Leave(action, txt::BusyToPrevious, keys);
}
