#include "forms/misc/Miscconfigxform.h"

#include "engine/KeyOutput.h"
#include "engine/PageValues.h"
#include "forms/base/FormRefs.h"
#include "forms/base/Messageform.h"
#include "forms/base/Unapplied.h"
#include "lang/TextIds.h"
#include "platform/Ui.h"
#include "shared/Publicunit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstring>
#include <string>

namespace {

// The switch's account texts are at most 10 characters.
constexpr int kMaxAccountText = 10;

// Typed as Latin-1 bytes (anything else becomes '?'); the switch decides.
std::string Bytes(const QLineEdit* box) {
    return box->text().toLatin1().toStdString();
}

} // namespace

// ---------------------------------------------------------------------------
// Router entries

void HandleMiscRow(int32_t value, const char* text) {
    StoreMiscValue(value, text);
}

void MiscArrival() {
    if (CurrentForm == FORM_STATIC)
        if (TForm* menu = WindowOf(FORM_STATIC)) menu->Hide();
    if (!frmMiscConfigX.exists()) frmMiscConfigX.set(new TfrmMiscConfigX);
    if (TfrmMiscConfigX* w = frmMiscConfigX.get(); w && w->ReadBackRound > 0) {
        w->ReadBackArrived();
        return;
    }
    if (Leaving || CurrentForm != TargetForm) return;
    if (TfrmMiscConfigX* w = frmMiscConfigX.get()) ShowArrived(w);
}

void MiscResult(int32_t value) {
    TfrmMiscConfigX* w = frmMiscConfigX.get();
    if (w && w->isVisible()) w->SaveResult(value);
}

// ---------------------------------------------------------------------------
// The window

TfrmMiscConfigX::TfrmMiscConfigX(QWidget* parent) : TConfigForm(FORM_MISC, parent) {
    Saving = false;
    CreateControls();
    CurrentForm = FORM_MISC;
}

void TfrmMiscConfigX::CreateControls() {
    setObjectName(QStringLiteral("frmMiscConfigX"));
    setWindowTitle(LangText(txt::MiscCaption));
    setFont(UiFont(10));
    QFont mono(QStringLiteral("Courier New"), 11);
    mono.setStyleHint(QFont::TypeWriter);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(24, 16, 24, 16);
    outer->setSpacing(10);
    auto* title = new QLabel(LangText(txt::MiscTitle), this);
    title->setObjectName(QStringLiteral("Label1"));
    title->setFont(UiFont(14, true));
    title->setAlignment(Qt::AlignCenter);
    outer->addWidget(title);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(14);
    grid->setVerticalSpacing(8);
    int row = 0;
    auto addRow = [&](const char* labelName, int32_t textId, QWidget* control) {
        auto* l = new QLabel(LangText(textId), this);
        l->setObjectName(QString::fromLatin1(labelName));
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(l, row, 0);
        grid->addWidget(control, row, 1, Qt::AlignLeft);
        ++row;
    };
    const int boxWidth = QFontMetrics(mono).horizontalAdvance(QLatin1Char('M')) * 12 + 12;
    auto edit = [&](const char* name, bool password) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setMaxLength(kMaxAccountText);
        e->setFont(mono);
        e->setFixedWidth(boxWidth);
        if (password) e->setEchoMode(QLineEdit::Password);
        return e;
    };
    edtUsername = edit("edtUsername", false);
    edtOldPassword = edit("edtOldPassword", true);
    edtNewPassword = edit("edtNewPassword", true);
    edtPasswordAgain = edit("edtPasswordAgain", true);
    auto check = [&](const char* name) {
        auto* c = new QCheckBox(LangText(txt::MiscEnabled), this);
        c->setObjectName(QString::fromLatin1(name));
        return c;
    };
    chkRetryForever = check("chkRetryForever");
    chkAutoAging = check("chkAutoAging");
    cboMacHash = new QComboBox(this);
    cboMacHash->setObjectName(QStringLiteral("cboMacHash"));
    cboMacHash->setEditable(false); // a drop-down list: no free text
    for (int i = 0; i < kMacHashChoices; ++i)
        cboMacHash->addItem(QString::fromLatin1(MacHashChoice(i)));
    cboMacHash->setFixedWidth(boxWidth);

    addRow("Label8", txt::MiscUserName, edtUsername);
    addRow("Label2", txt::MiscOldPassword, edtOldPassword);
    addRow("Label3", txt::MiscNewPassword, edtNewPassword);
    addRow("Label4", txt::MiscAgainPassword, edtPasswordAgain);
    grid->setRowMinimumHeight(row++, 6);
    addRow("Label5", txt::MiscRetry, chkRetryForever);
    addRow("Label6", txt::MiscAging, chkAutoAging);
    addRow("Label7", txt::MiscHash, cboMacHash);
    grid->setColumnStretch(1, 1);
    outer->addLayout(grid);

    lblMsg = new QLabel(this);
    lblMsg->setObjectName(QStringLiteral("lblMsg"));
    lblMsg->setWordWrap(true);
    lblMsg->setMinimumHeight(22);
    outer->addWidget(lblMsg);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnSave = new QPushButton(LangText(txt::ApplyButton), this);
    btnSave->setObjectName(QStringLiteral("btnSave"));
    btnQuit = new QPushButton(LangText(txt::ExitButton), this);
    btnQuit->setObjectName(QStringLiteral("btnQuit"));
    for (QPushButton* b : {btnSave, btnQuit}) {
        b->setMinimumWidth(100);
        buttons->addWidget(b);
    }
    outer->addLayout(buttons);
    connect(btnSave, &QPushButton::clicked, this, [this] { btnSaveClick(); });
    connect(btnQuit, &QPushButton::clicked, this, [this] { btnQuitClick(); });
    setMinimumWidth(420);
    setFixedSize(sizeHint().expandedTo(QSize(420, 0)));
}

void TfrmMiscConfigX::FormActivate() {
    CurrentForm = FORM_MISC;
    Leaving = false;
    lblMsg->clear();
    ShowMisc();
    TakeMiscCopy();
    edtUsername->setFocus();
    setEnabled(true);
}

void TfrmMiscConfigX::ShowMisc() {
    edtUsername->setText(QString::fromLatin1(ConsoleUserName));
    InterpretMiscTexts();
    chkRetryForever->setChecked(MiscSettings.retryForever);
    chkAutoAging->setChecked(MiscSettings.autoAging);
    cboMacHash->setCurrentIndex(MiscSettings.hashIndex);
}

void TfrmMiscConfigX::CollectMisc() {
    MiscSettings.retryForever = chkRetryForever->isChecked();
    MiscSettings.autoAging = chkAutoAging->isChecked();
    MiscSettings.hashIndex = cboMacHash->currentIndex();
}

void TfrmMiscConfigX::btnSaveClick() {
    CollectMisc();
    Saving = true;
    setEnabled(false);
    TargetForm = FORM_STATIC;
    BusyText = GetLangText(txt::BusySending);
    ShowBusyBox();
    // The answer is the result line and, after a saved change, the user
    // name read back: the window waits for both.
    AwaitingAnswer = true;
    OnResultLine_ = false;
    TypedUser_ = Bytes(edtUsername);
    WriteMisc();
}

void TfrmMiscConfigX::SaveResult(int32_t value) {
    Saving = false; // what follows stores nothing
    if (value != pv::MiscSaved) {
        OnResultLine_ = true;
        ShowResultAndClose(LangLines(txt::PasswordNotChanged, txt::BackToStatic));
        return;
    }
    // The console answers a save with its result line and, after one key,
    // the static menu with Misc highlighted; it never draws the misc screen
    // again by itself. ESC and Enter open it once more. The menu is passed
    // through unseen: as the router counts the console still on the static
    // menu, its arrival neither drops this window nor shows the menu.
    ReadBackRound = 1;
    ConsoleUserName[0] = 0;
    CurrentForm = FORM_STATIC;
    TargetForm = FORM_MISC;
    BusyText = GetLangText(txt::BusyReadMisc);
    ShowBusyBox();
    const char reopen[] = {KEY_ESC, KEY_ENTER, 0};
    SendKeys(reopen);
}

void TfrmMiscConfigX::ReadBackArrived() {
    CurrentForm = FORM_MISC;
    const std::string stored(ConsoleUserName, strnlen(ConsoleUserName, sizeof ConsoleUserName));
    if (stored != TypedUser_ && ReadBackRound == 1) {
        // A flipped or lost byte of the draw reads as another name: one
        // redraw before the operator is told the account changed.
        ReadBackRound = 2;
        ConsoleUserName[0] = 0;
        const char redraw[] = {KEY_ESC, 0};
        SendKeys(redraw);
        return;
    }
    ReadBackRound = 0;
    const QString typed = QString::fromLatin1(TypedUser_);
    QString outcome;
    if (stored == TypedUser_)
        outcome = LangText(txt::SettingsSaved);
    else if (stored.empty())
        outcome = LangText(txt::MiscUserUnread).arg(typed);
    else
        outcome = LangText(txt::MiscUserDiffers).arg(QString::fromLatin1(stored), typed);
    ShowResultAndClose(outcome + QLatin1Char('\n') + LangText(txt::BackToStatic));
}

void TfrmMiscConfigX::ShowResultAndClose(const QString& message) {
    EndAnsweredSave(FORM_MISC, message, txt::CaptionMisc);
}

void TfrmMiscConfigX::WriteMisc() {
    // Four boxes of at most 10 characters: at most 53 keys.
    char text[64];
    std::vector<SecretSpan> secret;
    BuildMiscKeys(Bytes(edtUsername), Bytes(edtOldPassword), Bytes(edtNewPassword),
                  Bytes(edtPasswordAgain), text, sizeof text, &secret);
    SendKeys(text, secret);
}

bool TfrmMiscConfigX::HasUnappliedChanges() const {
    return edtUsername->text().toLatin1() != QByteArray(ConsoleUserName) ||
           !edtOldPassword->text().isEmpty() || !edtNewPassword->text().isEmpty() ||
           !edtPasswordAgain->text().isEmpty() ||
           chkRetryForever->isChecked() != MiscSettings.retryForever ||
           chkAutoAging->isChecked() != MiscSettings.autoAging ||
           cboMacHash->currentIndex() != MiscSettings.hashIndex;
}

void TfrmMiscConfigX::btnQuitClick() {
    Close();
}

void TfrmMiscConfigX::FormClose(TCloseAction& action) {
    if (!MayLeave(HasUnappliedChanges())) {
        action = caNone;
        return;
    }
    TargetForm = FORM_MISC;
    // After a refused Apply the console waits on its result line, where ESC
    // leaves; otherwise (also after a saved change's read-back) it shows the
    // misc screen, where BackSpace from Edit reaches Quit.
    const char afterResult[] = {KEY_ESC, 0};
    const char quit[] = {KEY_BACKSPACE, KEY_ENTER, 0};
    Leave(action, txt::BusyToStaticMenu, OnResultLine_ ? afterResult : quit);
}
