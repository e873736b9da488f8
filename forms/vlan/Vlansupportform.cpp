#include "forms/vlan/Vlansupportform.h"

#include "engine/KeyOutput.h"
#include "forms/base/FormRefs.h"
#include "forms/base/Messageform.h"
#include "forms/base/RowLineup.h"
#include "forms/base/Unapplied.h"
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

constexpr int kWidth = 600;
constexpr int kHeight = 480;
constexpr int kRowHeight = 25;
constexpr int kRowsPerColumn = 10;
constexpr int kColumnWidth = 180;
constexpr int kRowsTop = 44;

} // namespace

// ---------------------------------------------------------------------------
// Router entries

namespace {
const PageCycle kPvidCycle = {
    PvidReadWrapped, FinishPvidRead, ResetPvidTables, MarkPvidPages, WritePvidPage,
};
} // namespace

void VlanModeArrived(const char* text) {
    ShowBusyBox();
    SetField(VlanModeText, text ? std::string(text) : std::string());
    if (TablePage == 0) ResetPvidTables();
}

void HandlePvidRow(int32_t value, const char* text) {
    TfrmVlanSupport* window = frmVlanSupport.get();
    if (VlanMode == kModeDot1q && EndsPageRead(window, kPvidCycle, value, text)) return;
    bool unused = false;
    AddPvidCell(value, text, window != nullptr, window ? window->TableComplete : unused);
}

void WritePvidPage() {
    char keys[150];
    bool last = false;
    if (BuildPvidPageKeys(TablePage, VlanMode, keys, sizeof keys, last) == 0) return;
    if (!last)
        TablePage += 1;
    else if (TfrmVlanSupport* w = frmVlanSupport.get())
        w->btnSave->setEnabled(false);
    SendKeys(keys);
}

void VlanScreenComplete() {
    if (CurrentForm == FORM_VLAN)
        if (TForm* menu = WindowOf(FORM_VLAN)) menu->Hide();
    if (!frmVlanSupport.exists()) frmVlanSupport.set(new TfrmVlanSupport);
    if (Leaving) return;
    TfrmVlanSupport* window = frmVlanSupport.get();
    if (!window) return;
    const char quit[] = {KEY_ENTER, 0};
    if (!Saving && !window->isVisible() && StopReadAtArrival(txt::BusyToVlanMenu, quit)) return;
    // The PVIDs are read page by page (the mode line of each page tells
    // the first from the others); other modes have no PVID table.
    PagedScreenArrived(window, kPvidCycle, VlanMode != kModeDot1q || window->TableComplete,
                       [] { TablePage += 1; });
}

void VlanSaveComplete() {
    if (!Saving || TablePage < LastPvidPage()) return;
    EndAnsweredSave(FORM_VLANSUPPORT, LangLines(txt::SettingsSaved, txt::BackToPrevious),
                    txt::CaptionVlan, [] {
                        SavedVlanMode = VlanMode;
                        TablePage = 0;
                        Saving = false;
                    });
}

// ---------------------------------------------------------------------------
// The window

TfrmVlanSupport::TfrmVlanSupport() : TPagedScreen(FORM_VLANSUPPORT) {
    CreateControls();
    for (int32_t i = 0; i < 3; ++i)
        cboVlanMode->addItem(QString::fromLatin1(VlanModeItem(i)));
    VlanModeCount = 3;
    const int32_t index = VlanModeIndexOf(VlanModeText);
    cboVlanMode->setCurrentIndex(index);
    VlanMode = index;
    SavedVlanMode = index;
    PrevModeIndex = index;
    ShowPvidPanels();
    Saving = false;
    Leaving = false;
    TableComplete = false;

    setWindowTitle(LangText(txt::VlanCaption));
    findChild<QLabel*>(QStringLiteral("Label1"))->setText(LangText(txt::VlanTitle));
    findChild<QLabel*>(QStringLiteral("Label12"))->setText(LangText(txt::VlanModeLabel));
    findChild<QLabel*>(QStringLiteral("Label3"))->setText(LangText(txt::VlanNote));
    findChild<QLabel*>(QStringLiteral("Label2"))->setText(LangText(txt::VlanPvidRange));
    btnQuit->setText(LangText(txt::ExitButton));
    btnSave->setText(LangText(txt::ApplyButton));
    lblGarbled->setText(MessageText(txt::PortRowsGarbled));
    for (int c = 1; c <= 3; ++c) {
        findChild<QLabel*>(QStringLiteral("lblPort%1").arg(c))->setText(LangText(txt::PortHeadingPort));
        findChild<QLabel*>(QStringLiteral("lblPVID%1").arg(c))->setText(MessageText(txt::PvidHeading));
    }

    connect(cboVlanMode, &QComboBox::activated, this, [this](int i) { cboVlanModeChange(i); });
    connect(btnSave, &QPushButton::clicked, this, [this] { btnSaveClick(); });
    connect(btnQuit, &QPushButton::clicked, this, [this] { btnQuitClick(); });
}

void TfrmVlanSupport::CreateControls() {
    setObjectName(QStringLiteral("frmVlanSupport"));
    setFixedSize(kWidth, kHeight);
    setFont(UiFont(9));
    QLabel* title = MakeLabel(this, "Label1", QStringLiteral("VLAN Support Configuration"),
                              QRect(0, 12, kWidth, 32), Qt::AlignCenter);
    title->setFont(UiFont(14, true));
    MakeLabel(this, "Label12", QStringLiteral("VLAN Mode :  "), QRect(40, 64, 130, 26),
              Qt::AlignRight | Qt::AlignVCenter);
    cboVlanMode = new QComboBox(this);
    cboVlanMode->setObjectName(QStringLiteral("cboVlanMode"));
    cboVlanMode->setEditable(false);
    cboVlanMode->setGeometry(176, 64, 130, 26);
    QFont fixed(QStringLiteral("Courier New"), 10);
    fixed.setStyleHint(QFont::TypeWriter);
    cboVlanMode->setFont(fixed);

    pnlPVID = new QFrame(this);
    pnlPVID->setObjectName(QStringLiteral("pnlPVID"));
    pnlPVID->setFrameShape(QFrame::StyledPanel);
    pnlPVID->setGeometry(20, 100, kWidth - 40, kRowsTop + kRowsPerColumn * kRowHeight + 8);
    pnlPVID->hide();
    for (int c = 1; c <= 3; ++c) {
        const int x = 12 + (c - 1) * kColumnWidth;
        const QByteArray port = "lblPort" + QByteArray::number(c);
        const QByteArray pvid = "lblPVID" + QByteArray::number(c);
        MakeLabel(pnlPVID, port.constData(), QStringLiteral("Port"), QRect(x, 6, 70, 18))
            ->setFont(UiFont(9, true));
        MakeLabel(pnlPVID, pvid.constData(), QStringLiteral("PVID"), QRect(x + 80, 6, 60, 18))
            ->setFont(UiFont(9, true));
        if (c == 1)
            MakeLabel(pnlPVID, "lblRange1", QStringLiteral("(1-255)"), QRect(x + 80, 22, 60, 18));
        else {
            pnlPVID->findChild<QLabel*>(QString::fromLatin1(port))->hide();
            pnlPVID->findChild<QLabel*>(QString::fromLatin1(pvid))->hide();
        }
    }
    for (int k = 1; k <= kPvidTableSize; ++k) {
        const int column = (k - 1) / kRowsPerColumn;
        const int row = (k - 1) % kRowsPerColumn;
        auto* panel = new QFrame(pnlPVID);
        panel->setObjectName(QStringLiteral("pnlP%1").arg(k));
        panel->setGeometry(8 + column * kColumnWidth, kRowsTop + row * kRowHeight,
                           kColumnWidth - 10, kRowHeight);
        auto* label = new QLabel(QStringLiteral("PORT%1").arg(k), panel);
        label->setObjectName(QStringLiteral("lblP%1").arg(k));
        label->setGeometry(4, 2, 76, 21);
        auto* edit = new QLineEdit(QStringLiteral("1"), panel);
        edit->setObjectName(QStringLiteral("edtPVID%1").arg(k));
        edit->setMaxLength(3);
        edit->setAlignment(Qt::AlignRight);
        edit->setGeometry(84, 1, 50, 22);
    }

    const int notesTop = pnlPVID->geometry().bottom() + 10;
    QLabel* note = MakeLabel(this, "Label3", QStringLiteral("NOTE:"), QRect(24, notesTop, 60, 20));
    QLabel* range = MakeLabel(this, "Label2",
                              QStringLiteral("Valid PVID input range is from 1(default)  to 255"),
                              QRect(90, notesTop, kWidth - 110, 20));
    for (QLabel* l : {note, range}) {
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, Qt::red);
        l->setPalette(p);
    }
    btnSave = MakeButton(this, "btnSave", QStringLiteral("Apply"),
                         QRect(kWidth - 20 - 212, kHeight - 44, 100, 30));
    btnQuit = MakeButton(this, "btnQuit", QStringLiteral("Exit"),
                         QRect(kWidth - 20 - 100, kHeight - 44, 100, 30));
    SetDefaultButton(btnQuit);
    lblGarbled = MakeGarbledNote(
        this, QString(), QRect(24, notesTop + 22, kWidth - 20 - 212 - 34, kHeight - notesTop - 24),
        Qt::AlignLeft | Qt::AlignVCenter);
}

QFrame* TfrmVlanSupport::PortPanel(int k) const {
    return pnlPVID->findChild<QFrame*>(QStringLiteral("pnlP%1").arg(k), Qt::FindDirectChildrenOnly);
}
QLabel* TfrmVlanSupport::PortLabel(int k) const {
    QFrame* panel = PortPanel(k);
    return panel ? panel->findChild<QLabel*>(QStringLiteral("lblP%1").arg(k)) : nullptr;
}
QLineEdit* TfrmVlanSupport::PvidEdit(int k) const {
    QFrame* panel = PortPanel(k);
    return panel ? panel->findChild<QLineEdit*>(QStringLiteral("edtPVID%1").arg(k)) : nullptr;
}

void TfrmVlanSupport::ShowPvidPanels() {
    if (VlanMode != kModeDot1q) {
        pnlPVID->hide();
        return;
    }
    pnlPVID->show();
    // Headers once shown stay shown for the life of the window.
    for (int c = 2; c <= 3; ++c) {
        if (PortCount <= (c - 1) * kRowsPerColumn) continue;
        pnlPVID->findChild<QLabel*>(QStringLiteral("lblPort%1").arg(c))->show();
        pnlPVID->findChild<QLabel*>(QStringLiteral("lblPVID%1").arg(c))->show();
    }
}

void TfrmVlanSupport::FillPvidPort(int i) {
    if (pnlPVID->isHidden()) return;
    QFrame* panel = PortPanel(i + 1);
    if (!panel) return;
    if (!ValidPvidEntry(i)) {
        panel->hide();
        return;
    }
    panel->show();
    panel->setEnabled(!PvidPageGarbled[i / kPvidPerPage]);
    PortLabel(i + 1)->setText(DecodeText(Field(PvidTable[i].name)));
    PvidEdit(i + 1)->setText(QString::number(PvidTable[i].pvid));
}

void TfrmVlanSupport::TakePvidCopyAndMode() {
    PrevModeIndex = VlanMode;
    TakePvidCopy();
}

void TfrmVlanSupport::UpdateApplyState() {
    btnSave->setEnabled(!(SavedVlanMode == VlanMode && pnlPVID->isHidden()));
}

bool TfrmVlanSupport::ValidatePvids() {
    if (pnlPVID->isHidden()) return true;
    for (int k = 1; k <= kPvidTableSize; ++k) {
        QFrame* panel = PortPanel(k);
        // A garbled page's rows are not the user's to change.
        if (!panel || panel->isHidden() || PvidPageGarbled[(k - 1) / kPvidPerPage]) continue;
        const QString label = PortLabel(k)->text();
        QLineEdit* edit = PvidEdit(k);
        int32_t v = 0;
        const bool number = ParseInt(edit->text().toStdString(), v);
        if (number) PvidTable[k - 1].pvid = v;
        if (number && v >= kMinPvid && v <= kMaxPvid) continue;
        QString message;
        if (!number)
            message = QStringLiteral("'%1' is not a valid integer value for the PVID of %2")
                          .arg(edit->text(), label);
        else if (LanguageId == kLangChineseTraditional)
            message =
                label + QStringLiteral(" 的 PVID 值是不合法的") + QStringLiteral("\n\n 請重新輸入");
        else
            message = QStringLiteral("Invalid PVID value for ") + label +
                      QStringLiteral(".\nPlease input again.");
        // Console lines are handled while the box is open and may drop the
        // window; then there is no edit left to reset.
        const QPointer<QLineEdit> still(edit);
        platform::AppMessageBox(message, LangPlain(txt::VlanMenuSupport), platform::MB_OK);
        if (still.isNull()) return false;
        edit->setText(QStringLiteral("1"));
        edit->setFocus();
        return false;
    }
    return true;
}

void TfrmVlanSupport::cboVlanModeChange(int index) {
    TableComplete = false;
    Reread = false;
    ResetPvidTables();
    VlanMode = index;
    char keys[32];
    BuildModeChangeKeys(VlanMode, PrevModeIndex, keys, sizeof keys);
    PrevModeIndex = VlanMode;
    UpdateApplyState();
    setEnabled(false);
    SendKeys(keys);
}

void TfrmVlanSupport::btnSaveClick() {
    if (!ValidatePvids()) return;
    btnSave->setEnabled(false);
    TargetForm = FORM_VLANSUPPORT;
    StartSave(kPvidCycle);
}

void TfrmVlanSupport::btnQuitClick() {
    Close();
}

void TfrmVlanSupport::FormShow() {
    TablePage = 0;
    UpdateApplyState();
}

void TfrmVlanSupport::FormActivate() {
    setEnabled(true);
    CurrentForm = FORM_VLANSUPPORT;
    Leaving = false;
    TablePage = 0;
    ShowPvidPanels();
    lblGarbled->setVisible(false);
    if (VlanMode == kModeDot1q) {
        for (int i = 0; i < kPvidTableSize; ++i)
            FillPvidPort(i);
        TakePvidCopyAndMode();
        for (int p = 0; p <= LastPvidPage() && p < 4; ++p)
            if (PvidPageGarbled[p]) lblGarbled->setVisible(true);
    }
    UpdateApplyState();
    FocusFirstControl();
    Repaint();
    shownState_ = ControlState(this);
}

bool TfrmVlanSupport::HasUnappliedChanges() const {
    // Each re-read after a mode change refills the controls, so the mode is
    // judged against the one the switch has stored: back at that mode, the
    // console's working copy holds what it stores (PVIDs are typed only by
    // Apply) and there is nothing to lose.
    return VlanMode != SavedVlanMode || ControlState(this) != shownState_;
}

void TfrmVlanSupport::FormClose(TCloseAction& action) {
    if (!MayLeave(HasUnappliedChanges())) {
        action = caNone;
        return;
    }
    if (TfrmVlanConfig* menu = frmVlanConfig.get()) menu->EnableGroupButtons(SavedVlanMode != 0);
    CurrentForm = TargetForm;
    const char keys[] = {KEY_ENTER, 0};
    Leave(action, txt::BusyToVlanMenu, keys);
}
