#include "forms/Restartconfigform.h"

#include "engine/KeyOutput.h"
#include "forms/FormRefs.h"
#include "forms/Mainform.h"
#include "forms/Welcomeform.h"
#include "platform/Ui.h"
#include "shared/Publicunit.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <string>

namespace {

// The answer to the switch's factory-default question.
constexpr char kConfirmDefault = 'y';

// The main window goes with the restart; its close handler shows the busy
// window and, Restarting being set, types nothing.
void CloseMainWindow() {
    if (TfrmMain* main = frmMain.get()) main->Close();
    frmMain.clear();
}

} // namespace

TfrmRestartConfig::TfrmRestartConfig(QWidget* parent) : TForm(parent) {
    setObjectName(QStringLiteral("frmRestartConfig"));

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont title(QStringLiteral("Arial"), 18);
    title.setStyleHint(QFont::SansSerif);
    title.setBold(true);
    Label1->setFont(title);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setWordWrap(true);

    auto makeButton = [this](const char* name) {
        auto* b = new QPushButton(this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(true);
        b->setMinimumSize(240, 34);
        return b;
    };
    btnDefault = makeButton("btnDefault");
    btnDefault->setDefault(true);
    btnRestart = makeButton("btnRestart");
    btnPrevMenu = makeButton("btnPrevMenu");

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 18, 24, 24);
    layout->setSpacing(10);
    layout->addWidget(Label1);
    layout->addSpacing(8);
    for (QPushButton* b : {btnDefault, btnRestart, btnPrevMenu})
        layout->addWidget(b, 0, Qt::AlignHCenter);
    layout->addStretch(1);

    MenuTarget = 0;
    MenuCurrent = 0;
    setWindowTitle(LangText(1200));
    Label1->setText(LangText(1201));
    btnDefault->setText(LangText(1202));
    btnRestart->setText(LangText(1203));
    btnPrevMenu->setText(LangText(1204));

    // Sized for the texts of the language in force.
    resize(QSize(480, 0).expandedTo(sizeHint()) + QSize(0, 16));

    connect(btnDefault, &QPushButton::clicked, this, [this] { btnDefaultClick(); });
    connect(btnRestart, &QPushButton::clicked, this, [this] { btnRestartClick(); });
    connect(btnPrevMenu, &QPushButton::clicked, this, [this] { btnPrevMenuClick(); });
}

void TfrmRestartConfig::FormActivate() {
    CurrentForm = FORM_RESTART;
    Leaving = false;
    Restarting = false;
    setEnabled(true);
}

void TfrmRestartConfig::btnDefaultClick() {
    MenuTarget = 0;
    const std::string question = std::string(GetLangText(1316)) + "\n" + GetLangText(1317);
    if (platform::AppMessageBox(DecodeText(question), LangText(1224), platform::MB_YESNO) !=
        platform::IDYES)
        return;
    setEnabled(false);
    Restarting = true;
    CloseMainWindow();
    std::string keys = MakeMoveKeys(0, MenuCurrent);
    keys += kConfirmDefault;
    SendKeys(keys.c_str());
    Close();
    if (TfrmWelcome* welcome = frmWelcome.get()) {
        welcome->memInit->clear();
        welcome->Show();
    }
    BusyText = GetLangText(1280);
    ShowBusyBox();
}

void TfrmRestartConfig::btnRestartClick() {
    MenuTarget = 1;
    if (platform::AppMessageBox(LangText(1318), LangText(1225), platform::MB_YESNO) !=
        platform::IDYES)
        return;
    setEnabled(false);
    BusyText = GetLangText(1225);
    ShowBusyBox();
    Restarting = true;
    CloseMainWindow();
    SendKeys(MakeMoveKeys(1, MenuCurrent).c_str());
    Close();
    if (TfrmWelcome* welcome = frmWelcome.get()) welcome->Show();
}

void TfrmRestartConfig::btnPrevMenuClick() {
    Close();
}

void TfrmRestartConfig::FormClose(TCloseAction& action) {
    MenuTarget = 2;
    Leaving = true;
    setEnabled(false);
    if (!Restarting) {
        CurrentForm = TargetForm;
        BusyText = GetLangText(1265);
        ShowBusyBox();
        SendKeys(MakeMoveKeys(2, MenuCurrent).c_str());
    }
    action = caFree;
}

bool TfrmRestartConfig::event(QEvent* e) {
    if (e->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(e);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            btnDefault->isEnabled()) {
            btnDefault->click();
            return true;
        }
    }
    return TForm::event(e);
}
