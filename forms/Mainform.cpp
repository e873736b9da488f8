#include "forms/Mainform.h"

#include "engine/KeyOutput.h"
#include "forms/FormRefs.h"
#include "forms/Loginform.h"
#include "shared/Publicunit.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>

namespace {

// Appends to VersionText as far as its 11 characters go.
void AppendVersion(const char* text) {
    const size_t used = std::strlen(VersionText);
    const size_t room = sizeof VersionText - 1 - used;
    std::strncat(VersionText, text, room);
}

} // namespace

void VersionLine(int32_t value, const char* text) {
    if (text == nullptr) text = "";
    if (value == 2011) {
        // The firmware version is the first word of the line.
        const char* blank = std::strchr(text, ' ');
        VersionText[0] = 0;
        if (blank != nullptr && blank > text) {
            const size_t n = std::min(static_cast<size_t>(blank - text), sizeof VersionText - 1);
            std::memcpy(VersionText, text, n);
            VersionText[n] = 0;
        } else {
            AppendVersion("?");
        }
    } else if (value == 2012) {
        AppendVersion(text);
    } else if (value == 2013) {
        AppendVersion(" - ");
        AppendVersion(text);
        AppendVersion(" ");
    }
}

TfrmMain::TfrmMain(QWidget* parent) : TForm(parent) {
    setObjectName(QStringLiteral("frmMain"));

    lblVersion = new QLabel(this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblVersion->setStyleSheet(QStringLiteral("color: navy;"));

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont title(QStringLiteral("Arial"), 18);
    title.setStyleHint(QFont::SansSerif);
    title.setBold(true);
    Label1->setFont(title);
    Label1->setAlignment(Qt::AlignCenter);

    auto makeButton = [this](const char* name) {
        auto* b = new QPushButton(this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(true);
        b->setMinimumSize(280, 36);
        return b;
    };
    btnStaticConfig = makeButton("btnStaticConfig");
    btnStaticConfig->setDefault(true);
    btnReboot = makeButton("btnReboot");
    btnLogout = makeButton("btnLogout");

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 12, 24, 24);
    layout->setSpacing(12);
    layout->addWidget(lblVersion);
    layout->addWidget(Label1);
    layout->addSpacing(8);
    for (QPushButton* b : {btnStaticConfig, btnReboot, btnLogout})
        layout->addWidget(b, 0, Qt::AlignHCenter);
    layout->addStretch(1);

    // The create handler proper.
    MenuTarget = -1;
    MenuCurrent = 0;
    CurrentForm = FORM_MAIN;
    setWindowTitle(LangText(200));
    Label1->setText(LangText(201));
    btnStaticConfig->setText(LangText(202));
    btnReboot->setText(LangText(203));
    btnLogout->setText(LangText(204));

    // Sized for the texts of the language in force.
    resize(QSize(520, 0).expandedTo(sizeHint()) + QSize(0, 16));

    connect(btnStaticConfig, &QPushButton::clicked, this, [this] { btnStaticConfigClick(); });
    connect(btnReboot, &QPushButton::clicked, this, [this] { btnRebootClick(); });
    connect(btnLogout, &QPushButton::clicked, this, [this] { btnLogoutClick(); });
}

void TfrmMain::FormShow() {
    CurrentForm = FORM_MAIN;
}

void TfrmMain::FormActivate() {
    CurrentForm = FORM_MAIN;
    Leaving = false;
    Restarting = false;
    lblVersion->setText(QStringLiteral("Version: ") + QString::fromLatin1(VersionText));
    if (TfrmLogin* login = frmLogin.get()) {
        login->SetMessage(QString(), TfrmLogin::MsgMaroon);
        login->LoginPromptCount = 2;
        login->edtUsername->clear();
        login->edtPassword->clear();
    }
    SetScreenCursor(false);
    setEnabled(true);
}

void TfrmMain::MenuSelect(int32_t item, int32_t targetForm, int32_t busyTextId) {
    MenuTarget = item;
    Hide();
    setEnabled(false);
    TargetForm = targetForm;
    BusyText = GetLangText(busyTextId);
    ShowBusyBox();
    SendKeys(MakeMoveKeys(MenuTarget, MenuCurrent).c_str());
}

void TfrmMain::btnStaticConfigClick() {
    MenuSelect(0, FORM_STATIC, 1262);
}

void TfrmMain::btnRebootClick() {
    MenuSelect(1, FORM_RESTART, 1264);
}

void TfrmMain::btnLogoutClick() {
    Close();
}

void TfrmMain::FormClose(TCloseAction& action) {
    MenuTarget = 2;
    Leaving = true;
    setEnabled(false);
    BusyText = GetLangText(1263);
    ShowBusyBox();
    // Closed by the restart window, which types its own selection.
    if (!Restarting) SendKeys(MakeMoveKeys(2, MenuCurrent).c_str());
    action = caFree;
}

bool TfrmMain::event(QEvent* e) {
    if (e->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(e);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            btnStaticConfig->isEnabled()) {
            btnStaticConfig->click();
            return true;
        }
    }
    return TForm::event(e);
}
