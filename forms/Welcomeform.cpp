#include "forms/Welcomeform.h"

#include "engine/KeyOutput.h"
#include "engine/LineFraming.h"
#include "engine/PageTable.h"
#include "engine/SerialLink.h"
#include "forms/FormRefs.h"
#include "forms/Loginform.h"
#include "forms/Mainform.h"
#include "forms/Portconfigform.h"
#include "forms/Restartconfigform.h"
#include "forms/Staticconfigform.h"
#include "lang/Language.h"
#include "platform/Ui.h"
#include "shared/Publicunit.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <cstring>
#include <string>

namespace {

constexpr int kConnectSeconds = 20;

constexpr char kPostLoginWalkStart[] = {KEY_ENTER, KEY_TAB, KEY_ENTER, KEY_BACKSPACE, 0};
constexpr char kPostLoginWalkEnd[] = {KEY_ENTER, KEY_BACKSPACE, KEY_BACKSPACE, KEY_ENTER, 0};
constexpr char kConnectKeys[] = {'n', KEY_CTRL_A, KEY_ESC, KEY_TAB, 0};

// Set when the switch starts its self-test while a window other than this
// one owns the console, i.e. it restarted without being told to. The
// windows of the old session are then dropped at the next login page.
bool s_switchRestarted = false;

std::string CountdownText(int32_t ticks) {
    return std::string(GetLangText(1260)) + "\n\n" + std::to_string(kConnectSeconds - ticks);
}

bool InRange(int32_t v, int32_t lo, int32_t hi) {
    return v >= lo && v <= hi;
}

// 4101..4109, 4201..4209, ..., 4801..4809
bool IsPortRow(int32_t v) {
    return InRange(v, 4101, 4809) && InRange((v / 100) % 10, 1, 8) && InRange(v % 100, 1, 9);
}

// 5011..5017 (statuses) and 5101..5126, ..., 5701..5726 (member cells)
bool IsTrunkRow(int32_t v) {
    return InRange(v, 5011, 5017) ||
           (InRange(v, 5101, 5726) && InRange((v / 100) % 10, 1, 7) && InRange(v % 100, 1, 26));
}

// The part of the trunk rows the rest of the program needs before any trunk
// window exists: which trunk holds port 26 (the module port), learned while
// the post-login walk passes the trunk screen.
void NoteTrunkRow(int32_t value, const char* text) {
    if (value < 5101 || !ResyncPending) return;
    const int32_t trunk = (value / 100) % 50 - 1;
    if (value % 100 == 26 && SameStr(text, "v")) ModuleTrunk = trunk;
}

// The switch restarted on its own: the windows of the session are hidden so
// that nothing can type into the booting console; the login page drops them.
void HideSessionWindows() {
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows) {
        auto* form = qobject_cast<TForm*>(w);
        if (form == nullptr || form->Freed() || !form->isVisible()) continue;
        if (form == frmWelcome.get() || form == frmLogin.get()) continue;
        if (form->inherits("TfrmMessage") || form->inherits("TfrmMemo")) continue;
        form->Hide();
    }
    Saving = false;
    if (VersionStage == 1) {
        // The post-login walk was cut off; the next login runs it again.
        VersionStage = 0;
        ResyncPending = false;
    }
}

void ShowArrived(TForm* form) {
    form->Show();
    form->setEnabled(true);
    CloseBusyBox();
}

// Main menu page (2001..2003).
void MainArrival() {
    if (CurrentForm == FORM_LOGIN) {
        if (TfrmLogin* login = frmLogin.get()) login->Hide();
    } else if (CurrentForm != FORM_MAIN) {
        frmStaticConfig.clear();
        frmRestartConfig.clear();
        Leaving = false;
    }
    if (!frmMain.exists() && !ResyncPending) frmMain.set(new TfrmMain);
    if (!Leaving && CurrentForm == TargetForm) {
        if (TfrmMain* main = frmMain.get()) ShowArrived(main);
    }
}

// Static-configuration menu page (3001..3005).
void StaticArrival() {
    if (CurrentForm == FORM_MAIN) {
        if (TfrmMain* main = frmMain.get()) main->Hide();
    } else if (CurrentForm != FORM_STATIC) {
        frmTrkConfig.clear();
        if (frmPortConfig.exists() && Saving) {
            // A port save goes on: the console went back to this menu
            // between two of its pages.
            if (TfrmStaticConfig* menu = frmStaticConfig.get()) menu->btnPortConfigClick();
            return;
        }
        frmPortConfig.clear();
        frmVlanConfig.clear();
        frmMiscConfigX.clear();
        Leaving = false;
    }
    if (!frmStaticConfig.exists() && !ResyncPending) frmStaticConfig.set(new TfrmStaticConfig);
    if (!Leaving && CurrentForm == TargetForm) {
        if (TfrmStaticConfig* menu = frmStaticConfig.get()) ShowArrived(menu);
    }
}

// Restart menu page (15001).
void RestartArrival() {
    if (CurrentForm == FORM_MAIN) {
        if (TfrmMain* main = frmMain.get()) main->Hide();
    }
    if (!frmRestartConfig.exists()) frmRestartConfig.set(new TfrmRestartConfig);
    if (!Leaving) {
        CloseBusyBox();
        if (TfrmRestartConfig* menu = frmRestartConfig.get()) menu->Show();
    }
}

} // namespace

// ---------------------------------------------------------------------------
// The login page's arrival lives beside the router: it also finishes the
// clean-up after a restart the program did not order.

void LoginPageArrival() {
    if (TfrmWelcome* welcome = frmWelcome.get()) welcome->Hide();
    if (CurrentForm != FORM_LOGIN) {
        frmMain.clear();
        frmRestartConfig.clear();
        if (s_switchRestarted) {
            s_switchRestarted = false;
            frmStaticConfig.clear();
            frmPortConfig.clear();
            frmTrkConfig.clear();
            frmVlanConfig.clear();
            frmVlanSupport.clear();
            frmEditVlanGrp.clear();
            frmVlanMemberX.clear();
            frmMiscConfigX.clear();
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
    const int32_t count = login->LoginPromptCount;
    if (count >= 9 && (count - 3) % 6 == 0) {
        SetScreenCursor(false);
        login->SetMessage(LangText(1219), TfrmLogin::MsgRed);
        login->setEnabled(true);
    }
}

// ---------------------------------------------------------------------------

TfrmWelcome::TfrmWelcome(QWidget* parent) : TForm(parent) {
    // The reference is set first, as the design's form creation does, so
    // that the language texts applied below find this window.
    frmWelcome.set(this);
    setObjectName(QStringLiteral("frmWelcome"));
    setWindowTitle(QStringLiteral("24 +2 Tavik Switch - Welcome"));

    QFont big(QStringLiteral("Arial"), 24);
    big.setStyleHint(QFont::SansSerif);
    QFont mono(QStringLiteral("Courier New"), 10);
    mono.setStyleHint(QFont::TypeWriter);
    mono.setFixedPitch(true);

    Label1 = new QLabel(QStringLiteral("Welcome to"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(big);

    lblTavik = new QLabel(QStringLiteral("24 +2 Tavik Switch User Interface"), this);
    lblTavik->setObjectName(QStringLiteral("lblTavik"));
    lblTavik->setFont(big);
    lblTavik->setAlignment(Qt::AlignCenter);
    lblTavik->setWordWrap(true);

    lblVersion = new QLabel(QStringLiteral("Version: "), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    QFont bold = lblVersion->font();
    bold.setBold(true);
    lblVersion->setFont(bold);
    lblVersion->setStyleSheet(QStringLiteral("color: navy;"));
    lblVersion->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    Label3 = new QLabel(QStringLiteral("Serial Port :"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label2 = new QLabel(QStringLiteral("Language"), this);
    Label2->setObjectName(QStringLiteral("Label2"));

    cboComPort = new QComboBox(this);
    cboComPort->setObjectName(QStringLiteral("cboComPort"));
    cboComPort->setEditable(false);
    for (int n = 1; n <= 4; ++n)
        cboComPort->addItem(QStringLiteral("COM%1").arg(n));

    cboLang = new QComboBox(this);
    cboLang->setObjectName(QStringLiteral("cboLang"));
    cboLang->setEditable(true);
    cboLang->setInsertPolicy(QComboBox::NoInsert);
    cboLang->addItems(
        {QStringLiteral("English"), QStringLiteral("Chinese_CN"), QStringLiteral("Chinese_TW")});

    btnConnect = new QPushButton(QStringLiteral("Connect"), this);
    btnConnect->setObjectName(QStringLiteral("btnConnect"));
    SetDefaultButton(btnConnect);
    btnExit = new QPushButton(QStringLiteral("Exit"), this);
    btnExit->setObjectName(QStringLiteral("btnExit"));
    btnExit->setAutoDefault(true);

    memInit = new QPlainTextEdit(this);
    memInit->setObjectName(QStringLiteral("memInit"));
    memInit->setReadOnly(true);
    memInit->setFrameShape(QFrame::NoFrame);
    memInit->setFont(mono);
    memInit->setLineWrapMode(QPlainTextEdit::NoWrap);
    memInit->setStyleSheet(QStringLiteral("QPlainTextEdit { color: navy; }"));
    memInit->setMinimumHeight(QFontMetrics(mono).lineSpacing() * 15);
    memInit->setFocusPolicy(Qt::NoFocus);

    lblSimulated = new QLabel(this);
    lblSimulated->setObjectName(QStringLiteral("lblSimulated"));
    lblSimulated->setAlignment(Qt::AlignCenter);
    lblSimulated->setWordWrap(true);
    lblSimulated->setStyleSheet(
        QStringLiteral("color: #7a4b00; background: #fff4d6; border: 1px solid #e0b050; "
                       "padding: 4px;"));
    lblSimulated->hide();

    tmrConnect = new QTimer(this);
    tmrConnect->setObjectName(QStringLiteral("tmrConnect"));
    tmrConnect->setInterval(1000);

    auto* choices = new QGridLayout;
    choices->setHorizontalSpacing(12);
    choices->addWidget(Label3, 0, 0);
    choices->addWidget(cboComPort, 0, 1);
    choices->addWidget(btnConnect, 0, 3);
    choices->addWidget(Label2, 1, 0);
    choices->addWidget(cboLang, 1, 1);
    choices->addWidget(btnExit, 1, 3);
    choices->setColumnMinimumWidth(1, 160);
    choices->setColumnStretch(2, 1);
    btnConnect->setMinimumWidth(110);
    btnExit->setMinimumWidth(110);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 18, 24, 18);
    layout->setSpacing(10);
    layout->addWidget(lblVersion);
    layout->addWidget(Label1);
    layout->addWidget(lblTavik);
    layout->addSpacing(8);
    layout->addLayout(choices);
    layout->addWidget(memInit, 1);
    layout->addWidget(lblSimulated);
    resize(620, 560);

    // The create handler proper.
    VersionStage = 0;
    ResyncPending = false;
    ModuleTrunk = -1;
    cboLang->setCurrentIndex(0);
    LoadLanguageByName("Language_EN.txt");
    ApplyWelcomeTexts();
    SetLanguageLookup([](int32_t id) { return LangText(id); });

    connect(btnConnect, &QPushButton::clicked, this, [this] { btnConnectClick(); });
    connect(btnExit, &QPushButton::clicked, this, [this] { btnExitClick(); });
    connect(tmrConnect, &QTimer::timeout, this, [this] { tmrConnectTimer(); });
    // An item chosen from the list and text typed into the box both change
    // the language, as the box's change event does in the design.
    connect(cboLang, &QComboBox::editTextChanged, this, [this] { cboLangChange(); });
}

TfrmWelcome::~TfrmWelcome() = default;

void TfrmWelcome::SetSimulatedNote(const QString& note) {
    lblSimulated->setText(note);
    lblSimulated->setVisible(!note.isEmpty());
}

void TfrmWelcome::cboLangChange() {
    // The box's text decides: an item's exact name (chosen from the list or
    // typed) is that item; any other text is no item, which means English.
    SelectLanguage(cboLang->findText(cboLang->currentText(), Qt::MatchExactly));
    ApplyWelcomeTexts();
}

void TfrmWelcome::FormShow() {
    cboComPort->setCurrentIndex(0);
}

void TfrmWelcome::FormActivate() {
    CurrentForm = FORM_WELCOME;
    Leaving = false;
    Restarting = false;
    setEnabled(true);
}

void TfrmWelcome::btnConnectClick() {
    CreateParser();
    if (OpenComPort(cboComPort->currentIndex() + 1) != 1) return;
    StartComThread();
    SetTargetWindow(windowTitle());
    setEnabled(false);
    TargetForm = FORM_LOGIN;
    btnConnect->setEnabled(false);
    ConnectTicks = 0;
    BusyText = CountdownText(ConnectTicks);
    tmrConnect->start();
    ShowBusyBox();
    SendKeys(kConnectKeys);
}

void TfrmWelcome::tmrConnectTimer() {
    ConnectTicks += 1;
    BusyText = CountdownText(ConnectTicks);
    ShowBusyBox();
    if (ConnectTicks < kConnectSeconds) return;
    tmrConnect->stop();
    if (IsLinkOpen()) {
        CloseComPort();
        DestroyParser();
    }
    CloseBusyBox();
    const std::string text =
        std::string(GetLangText(1309)) + "\n" + GetLangText(1310) + "\n" + GetLangText(1311);
    platform::AppMessageBox(DecodeText(text), LangText(1223), platform::MB_OK);
    btnConnect->setEnabled(true);
    setEnabled(true);
}

void TfrmWelcome::btnExitClick() {
    Close();
}

void TfrmWelcome::FormClose(TCloseAction& action) {
    if (platform::AppMessageBox(LangText(1300), LangText(1210), platform::MB_YESNO) !=
        platform::IDYES) {
        action = caNone;
        return;
    }
    // A connection was started and did not time out.
    if (!btnConnect->isEnabledTo(this)) {
        ReleaseSharedTables();
        if (IsLinkOpen()) CloseComPort();
        DestroyParser();
    }
    action = caFree;
    // Ends the message loop without asking the windows to close again.
    QCoreApplication::exit(0);
}

bool TfrmWelcome::event(QEvent* e) {
    const int type = static_cast<int>(e->type());
    if (type == WM_CONSOLE_LINE) {
        auto* console = dynamic_cast<platform::ConsoleEvent*>(e);
        const char* line = console ? console->line() : nullptr;
        ConsoleLine(line ? line : "");
        return true;
    }
    if (type == WM_CONSOLE_PAGE || type == WM_CONSOLE_KEY) return true;
    return TForm::event(e);
}

void TfrmWelcome::ConsoleLine(const char* line) {
    if (!CheckScreenStart(line) && !QuitPosted) {
        QuitPosted = true;
        CloseComPort();
        platform::PostQuit();
    }
    Parser* parser = GetParser();
    if (parser == nullptr) return; // the link was closed while the line was on its way
    std::unique_ptr<PageEntry> entry = parser->Parse(line);
    if (!entry) return;
    entry->text[sizeof entry->text - 1] = 0;
    HandlePageEntry(entry->value, entry->text);
}

void TfrmWelcome::HandlePageEntry(int32_t value, const char* text) {
    tmrConnect->stop();
    if (text == nullptr) text = "";
    if (CurrentForm == FORM_WELCOME && value / 1000 != 1) {
        DefaultPageAction(value, text);
        return;
    }

    if (InRange(value, 2, 14)) {
        if (value == 2) {
            if (CurrentForm != FORM_WELCOME) {
                s_switchRestarted = true;
                HideSessionWindows();
            }
            memInit->clear();
        }
        AddInitLine(SelfTestLabel(value), text);
    } else if (value == 1003) {
        LoginPageArrival();
    } else if (value == 1004) {
        PasswordPrompt();
    } else if (InRange(value, 2001, 2003)) {
        if (value == 2001 && VersionStage == 1) {
            ResyncPending = true;
            SendKeys(kPostLoginWalkStart);
        }
        MainArrival();
    } else if (InRange(value, 2011, 2013)) {
        VersionLine(value, text);
        if (VersionStage == 0) {
            BusyText = CountdownText(ConnectTicks);
            ShowBusyBox();
            VersionStage = 1;
        }
    } else if (InRange(value, 3001, 3005)) {
        StaticArrival();
    } else if (value == 4001) {
        PortArrival();
    } else if (value == 4006 || value == 5004 || value == 7006) {
        BusyText = GetLangText(1261);
        ShowBusyBox();
    } else if (value == 4007) {
        PortPrompt();
    } else if (IsPortRow(value)) {
        HandlePortRow(value, text);
    } else if (value == 5003) {
        if (ResyncPending) {
            SendKeys(kPostLoginWalkEnd);
            ResyncPending = false;
            VersionStage += 1;
        } else {
            BusyText = GetLangText(1261);
            ShowBusyBox();
        }
    } else if (IsTrunkRow(value)) {
        NoteTrunkRow(value, text);
    } else if (value == 15001) {
        RestartArrival();
    }
    // The trunk (5001, 5005), VLAN (6xxx to 9xxx) and misc (11xxx) pages
    // are routed once their windows exist; until then their menu buttons
    // stay disabled and only the post-login walk passes the trunk screen,
    // where the arrival creates and shows nothing anyway.
}
