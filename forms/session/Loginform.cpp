#include "forms/session/Loginform.h"

#include "engine/KeyOutput.h"
#include "engine/PageTable.h"
#include "engine/SerialLink.h"
#include "forms/base/FormRefs.h"
#include "forms/base/Messageform.h"
#include "forms/session/Mainform.h"
#include "forms/session/PageRouter.h"
#include "forms/session/Restartconfigform.h"
#include "forms/session/SessionEnd.h"
#include "forms/session/Welcomeform.h"
#include "lang/TextIds.h"
#include "platform/Secret.h"
#include "platform/Ui.h"
#include "shared/Publicunit.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <string>

namespace {
constexpr int kMaxAccountLength = 10;
}

TfrmLogin::TfrmLogin(QWidget* parent) : TForm(parent) {
    setObjectName(QStringLiteral("frmLogin"));
    QFont big(QStringLiteral("Arial"), 24);
    big.setStyleHint(QFont::SansSerif);
    QFont mono(QStringLiteral("Courier New"), 11);
    mono.setStyleHint(QFont::TypeWriter);
    mono.setFixedPitch(true);

    lblTavik = new QLabel(this);
    lblTavik->setObjectName(QStringLiteral("lblTavik"));
    lblTavik->setFont(big);
    lblTavik->setAlignment(Qt::AlignCenter);
    lblTavik->setWordWrap(true);
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));

    edtUsername = new QLineEdit(this);
    edtUsername->setObjectName(QStringLiteral("edtUsername"));
    edtUsername->setMaxLength(kMaxAccountLength);
    edtUsername->setFont(mono);
    edtPassword = new QLineEdit(this);
    edtPassword->setObjectName(QStringLiteral("edtPassword"));
    edtPassword->setMaxLength(kMaxAccountLength);
    edtPassword->setFont(mono);
    // Each character shown as "*", whatever the style's own mask character.
    edtPassword->setEchoMode(QLineEdit::Password);
    edtPassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    const int editWidth =
        QFontMetrics(mono).horizontalAdvance(QLatin1Char('M')) * (kMaxAccountLength + 2) + 12;
    edtUsername->setMinimumWidth(editWidth);
    edtPassword->setMinimumWidth(editWidth);

    btnLogin = new QPushButton(this);
    btnLogin->setObjectName(QStringLiteral("btnLogin"));
    SetDefaultButton(btnLogin);
    btnLogin->setAutoDefault(true);
    btnLogin->setMinimumWidth(110);
    btnExit = new QPushButton(this);
    btnExit->setObjectName(QStringLiteral("btnExit"));
    btnExit->setAutoDefault(true);
    btnExit->setMinimumWidth(110);

    lblMsg = new QLabel(this);
    lblMsg->setObjectName(QStringLiteral("lblMsg"));
    lblMsg->setAlignment(Qt::AlignCenter);
    lblMsg->setWordWrap(true);
    lblMsg->setMinimumHeight(QFontMetrics(lblMsg->font()).lineSpacing() * 2 + 4);

    auto* fields = new QGridLayout;
    fields->setHorizontalSpacing(12);
    fields->setColumnStretch(0, 1);
    fields->setColumnStretch(4, 1);
    fields->addWidget(Label1, 0, 1, Qt::AlignRight);
    fields->addWidget(edtUsername, 0, 2);
    fields->addWidget(btnLogin, 0, 3);
    fields->addWidget(Label2, 1, 1, Qt::AlignRight);
    fields->addWidget(edtPassword, 1, 2);
    fields->addWidget(btnExit, 1, 3);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 18, 24, 18);
    layout->setSpacing(14);
    layout->addWidget(lblTavik);
    layout->addSpacing(6);
    layout->addLayout(fields);
    layout->addWidget(lblMsg);
    layout->addStretch(1);

    // The create handler proper.
    SetMessage(QString(), MsgMaroon);
    LoginPromptCount = 0;
    setWindowTitle(LangText(txt::LoginCaption));
    lblTavik->setText(LangText(txt::LoginTitle));
    Label1->setText(LangText(txt::LoginUserName));
    Label2->setText(LangText(txt::LoginPassword));
    btnLogin->setText(LangText(txt::LoginButton));
    btnExit->setText(LangText(txt::WelcomeExit));

    // Sized for the texts of the language in force.
    resize(QSize(600, 0).expandedTo(sizeHint()) + QSize(0, 16));

    connect(btnLogin, &QPushButton::clicked, this, [this] { btnLoginClick(); });
    connect(btnExit, &QPushButton::clicked, this, [this] { btnExitClick(); });
}

void TfrmLogin::SetMessage(const QString& text, MsgColour colour) {
    static const char* const styles[] = {"color: maroon;", "color: red;", "color: navy;"};
    lblMsg->setStyleSheet(QLatin1String(styles[colour]));
    lblMsg->setText(text);
}

void TfrmLogin::FormShow() {
    setEnabled(true);
}

void TfrmLogin::FormActivate() {
    CurrentForm = FORM_LOGIN;
    Leaving = false;
    edtUsername->setFocus();
    setEnabled(true);
}

void TfrmLogin::FormHide() {
    LoginPromptCount = 0;
}

void TfrmLogin::btnLoginClick() {
    if (edtUsername->text().isEmpty()) {
        SetMessage(LangText(txt::LoginNoUser), MsgRed);
        edtUsername->setFocus();
        return;
    }
    LoginPromptCount = 3;
    SetMessage(LangText(txt::LoginRunning), MsgNavy);
    SetScreenCursor(true);
    Repaint();
    setEnabled(false);
    TargetForm = FORM_MAIN;
    std::string keys(1, KEY_BACKSPACE);
    keys += edtUsername->text().toLatin1().toStdString();
    keys += KEY_ENTER;
    SendKeys(keys.c_str());
}

void TfrmLogin::btnExitClick() {
    Close();
}

void TfrmLogin::FormClose(TCloseAction& action) {
    if (platform::AppMessageBox(LangText(txt::AskExit), LangText(txt::CaptionExit),
                                platform::MB_YESNO) != platform::IDYES) {
        action = caNone;
        return;
    }
    Leaving = true;
    SetMessage(LangText(txt::LoginClosing), MsgMaroon);
    Repaint();
    ReleaseSharedTables();
    if (IsLinkOpen()) {
        CloseComPort();
        DestroyParser();
    }
    action = caFree;
    SetScreenCursor(false);
    QCoreApplication::exit(0);
}

void PasswordPromptArrival() {
    TfrmLogin* login = frmLogin.get();
    if (login == nullptr) return;
    std::string keys = login->edtPassword->text().toLatin1().toStdString();
    const int secret = static_cast<int>(keys.size());
    keys += KEY_ENTER;
    SendKeys(keys.c_str(), {{0, secret}});
    platform::WipeSecret(keys);
}

bool LoginRefused(int32_t promptCount) {
    // Login sets the count to 3 and each of the login screen's six drawn
    // lines adds one, so 9, 15, 21 ... are exactly the moments a whole new
    // login screen has followed the typed account: the switch refused it.
    return promptCount >= 9 && (promptCount - 3) % 6 == 0;
}

void LoginPageArrival() {
    if (LoginLineBeforeDisconnect()) return;
    if (TfrmWelcome* welcome = frmWelcome.get()) welcome->Hide();
    if (CurrentForm != FORM_LOGIN) {
        frmMain.clear();
        frmRestartConfig.clear();
        if (SwitchRestarted) {
            SwitchRestarted = false;
            ClearSessionWindows();
        }
        Leaving = false;
    }
    if (!frmLogin.exists()) frmLogin.set(new TfrmLogin);
    TfrmLogin* login = frmLogin.get();
    if (login == nullptr) return;
    if (!Leaving) {
        login->Show();
        CloseBusyBox();
    }
    login->LoginPromptCount += 1;
    if (LoginRefused(login->LoginPromptCount)) {
        SetScreenCursor(false);
        login->SetMessage(LangText(txt::LoginFailed), TfrmLogin::MsgRed);
        login->setEnabled(true);
    }
}
