#include "forms/session/Welcomeform.h"

#include "engine/KeyOutput.h"
#include "engine/LineFraming.h"
#include "engine/PageTable.h"
#include "engine/SerialLink.h"
#include "forms/base/FormRefs.h"
#include "forms/base/Memoform.h"
#include "forms/base/Messageform.h"
#include "forms/session/PageRouter.h"
#include "forms/session/SessionEnd.h"
#include "forms/widgets/Accessible.h"
#include "forms/widgets/PortBox.h"
#include "forms/widgets/Remembered.h"
#include "lang/Language.h"
#include "lang/TextIds.h"
#include "platform/Ui.h"
#include "shared/Publicunit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

#include <cstring>
#include <string>

namespace {

constexpr int kConnectSeconds = 20;
// How often the port box looks for devices plugged in or out.
constexpr int kPortLookMs = 2000;

constexpr char kConnectKeys[] = {'n', KEY_CTRL_A, KEY_ESC, KEY_TAB, 0};
// Keys the walk back to the login page may type after Connect. From the
// deepest screen it needs a few dozen. A screen that answers every key
// without ever reaching its exit item (an edit mode whose Ctrl-A was
// replaced by the walk's answer to output drawn before it) would otherwise
// be walked for ever behind the busy window.
constexpr int kConnectWalkKeys = 200;

// Controls are found by name, so the texts can be applied while the window
// is still being built.
void SetControlText(QWidget* window, const char* name, int32_t id) {
    QWidget* w = window->findChild<QWidget*>(QString::fromLatin1(name));
    if (auto* label = qobject_cast<QLabel*>(w))
        label->setText(LangText(id));
    else if (auto* button = qobject_cast<QAbstractButton*>(w))
        button->setText(LangText(id));
}

void ClearStartWindowLines() {
    if (TfrmWelcome* welcome = frmWelcome.get()) welcome->ClearInitLines();
}

void AddStartWindowLine(const std::string& line) {
    TfrmWelcome* welcome = frmWelcome.get();
    if (welcome == nullptr) return;
    CloseBusyBox();
    welcome->Show();
    welcome->memInit->appendPlainText(QString::fromLatin1(line.c_str()));
    welcome->Repaint();
}

} // namespace

void ApplyWelcomeTexts() {
    QWidget* window = frmWelcome.get();
    if (!window) return;
    window->setWindowTitle(LangText(txt::WelcomeCaption));
    SetControlText(window, "Label1", txt::WelcomeTo);
    SetControlText(window, "lblTavik", txt::WelcomeTitle);
    SetControlText(window, "lblVersion", txt::WelcomeVersion);
    SetControlText(window, "Label3", txt::WelcomePortLabel);
    SetControlText(window, "btnConnect", txt::WelcomeConnect);
    SetControlText(window, "btnExit", txt::WelcomeExit);
    SetControlText(window, "Label2", txt::WelcomeLanguage);
    // Made before the language file is read, so it takes its text here too.
    if (auto* monitor = window->findChild<QPushButton*>(QStringLiteral("btnMonitor")))
        monitor->setText(LangText(txt::MonitorCaption).trimmed() + QStringLiteral(" (F12)"));
    if (window->isVisible()) NameControls(window);
}

// ---------------------------------------------------------------------------

TfrmWelcome::TfrmWelcome(QWidget* parent) : TForm(parent) {
    // The reference is set first, so that the language texts applied below
    // and the self-test lines find this window.
    frmWelcome.set(this);
    SetStartWindowHooks({ClearStartWindowLines, AddStartWindowLine});
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
    // A device path or a console server's address may be typed in.
    cboComPort->setEditable(true);
    cboComPort->setInsertPolicy(QComboBox::NoInsert);
    cboComPort->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    ports = new PortBox(cboComPort, kPortLookMs);

    cboLang = new QComboBox(this);
    cboLang->setObjectName(QStringLiteral("cboLang"));
    cboLang->setEditable(true);
    cboLang->setInsertPolicy(QComboBox::NoInsert);
    cboLang->addItems(
        {QStringLiteral("English"), QStringLiteral("Chinese_CN"), QStringLiteral("Chinese_TW")});

    btnConnect = new QPushButton(QStringLiteral("Connect"), this);
    btnConnect->setObjectName(QStringLiteral("btnConnect"));
    SetDefaultButton(btnConnect);
    SetPlacedOnScreen(true);
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
    choices->addWidget(MakeMonitorButton(this), 2, 3);
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
    // Without its file the program still speaks English: the texts it was
    // built with (StartUpChecks says so once the window is up).
    englishMissing_ = !LoadLanguageByName(LanguageFileName(0));
    if (englishMissing_) LoadBuiltInEnglish();
    ApplyWelcomeTexts();
    SetLanguageLookup([](int32_t id) { return LangText(id); });

    connect(btnConnect, &QPushButton::clicked, this, [this] { btnConnectClick(); });
    connect(btnExit, &QPushButton::clicked, this, [this] { btnExitClick(); });
    connect(tmrConnect, &QTimer::timeout, this, [this] { tmrConnectTimer(); });
    // An item chosen from the list and text typed into the box both change
    // the language.
    connect(cboLang, &QComboBox::editTextChanged, this, [this] { cboLangChange(); });

    // The port and language of the last run, when the program remembers them.
    ports->SetRecent(RememberedAddresses());
    const RememberedPort port = RememberedPortChoice();
    if (!ports->SelectPath(port.path)) ports->Select(port.number);
    if (const int language = RememberedLanguage(); language > 0) cboLang->setCurrentIndex(language);
}

TfrmWelcome::~TfrmWelcome() = default;

std::string TfrmWelcome::CountdownText() const {
    return std::string(GetLangText(txt::BusyConnecting)) + "\n\n" +
           std::to_string(kConnectSeconds - ConnectTicks);
}

void TfrmWelcome::ClearInitLines() {
    memInit->clear();
}

void TfrmWelcome::SetSimulatedNote(const QString& note) {
    lblSimulated->setText(note);
    lblSimulated->setVisible(!note.isEmpty());
}

void TfrmWelcome::StartUpChecks() {
    if (englishMissing_) {
        englishMissing_ = false;
        platform::AppMessageBox(
            DataFileMessage(txt::LanguageFileBad, LanguageFileName(0), txt::LanguageBuiltIn),
            LangText(txt::WelcomeLanguage), platform::MB_OK);
    }
    CheckPageTable(false);
}

bool TfrmWelcome::CheckPageTable(bool keepLoaded) {
    // Read afresh each time: the file may have been put in place meanwhile.
    DestroyParser();
    const bool usable = CreateParser();
    if (!usable || !keepLoaded) DestroyParser();
    if (!usable)
        platform::AppMessageBox(
            DataFileMessage(txt::PageTableBad, kPageTableFile, txt::PageTableHelp),
            LangText(txt::CaptionConnect), platform::MB_OK);
    return usable;
}

void TfrmWelcome::cboLangChange() {
    // The box's text decides: an item's exact name (chosen from the list or
    // typed) is that item; any other text is no item, which means English.
    const int item = cboLang->findText(cboLang->currentText(), Qt::MatchExactly);
    if (!SelectLanguage(item)) {
        // The language in force stays, and the box says which one it is.
        platform::AppMessageBox(
            DataFileMessage(txt::LanguageFileBad, LanguageFileName(item), txt::LanguageKept),
            LangText(txt::WelcomeLanguage), platform::MB_OK);
        const int kept = LanguageId == kLangChineseSimplified    ? 1
                         : LanguageId == kLangChineseTraditional ? 2
                                                                 : 0;
        const QSignalBlocker quiet(cboLang);
        cboLang->setCurrentIndex(kept);
        cboLang->setEditText(cboLang->itemText(kept));
    } else {
        RememberLanguage(item < 0 ? 0 : item);
    }
    ApplyWelcomeTexts();
}

void TfrmWelcome::FormShow() {
    ports->Refresh();
}

void TfrmWelcome::FormActivate() {
    CurrentForm = FORM_WELCOME;
    Leaving = false;
    Restarting = false;
    setEnabled(true);
}

void TfrmWelcome::btnConnectClick() {
    if (!CheckPageTable(true)) return;
    const int number = ports->TakeEntry();
    if (OpenComPort(number) != 1) return;
    RememberPort(number, ports->SelectedPath());
    if (LinkIsNetwork()) {
        RememberAddress(ports->SelectedPath());
        ports->SetRecent(RememberedAddresses());
    }
    StartComThread();
    SetTargetWindow(windowTitle());
    setEnabled(false);
    TargetForm = FORM_LOGIN;
    btnConnect->setEnabled(false);
    ConnectTicks = 0;
    ConnectWalkKeys = 0;
    BusyText = CountdownText();
    tmrConnect->start();
    ShowBusyBox();
    // Cancel (the countdown, or the walk to the login page after it)
    // closes the line as a dead one would, without a message.
    OfferBusyCancel([] { EndSession(QString()); });
    SendKeys(kConnectKeys);
}

void TfrmWelcome::tmrConnectTimer() {
    ConnectTicks += 1;
    BusyText = CountdownText();
    ShowBusyBox();
    if (ConnectTicks < kConnectSeconds) return;
    tmrConnect->stop();
    if (IsLinkOpen()) {
        CloseComPort();
        DestroyParser();
    }
    CloseBusyBox();
    const std::string text = std::string(GetLangText(txt::ConnectTimeout1)) + "\n" +
                             GetLangText(txt::ConnectTimeout2) + "\n" +
                             GetLangText(txt::ConnectTimeout3);
    platform::AppMessageBox(DecodeText(text), LangText(txt::CaptionConnect), platform::MB_OK);
    btnConnect->setEnabled(true);
    setEnabled(true);
}

void TfrmWelcome::btnExitClick() {
    Close();
}

void TfrmWelcome::FormClose(TCloseAction& action) {
    if (platform::AppMessageBox(LangText(txt::AskExit), LangText(txt::CaptionExit),
                                platform::MB_YESNO) != platform::IDYES) {
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
    if (type == WM_CONSOLE_FAULT) {
        auto* console = dynamic_cast<platform::ConsoleEvent*>(e);
        // A fault posted just before the link was closed for another reason
        // belongs to a session that has already ended.
        if (console && IsLinkOpen()) EndSession(LinkFaultMessage(int32_t(console->lParam)));
        return true;
    }
    if (type == WM_CONSOLE_KEY) {
        if (CurrentForm == FORM_WELCOME && IsLinkOpen() && ++ConnectWalkKeys > kConnectWalkKeys)
            EndSession(MessageText(txt::ScreenNotFollowed));
        return true;
    }
    if (type == WM_CONSOLE_PAGE) return true;
    return TForm::event(e);
}

void TfrmWelcome::ConsoleLine(const char* line) {
    if (!CheckScreenStart(line) && IsLinkOpen()) {
        // Not a screen of the switch the program knows: nothing it would
        // type now can be trusted, so the session ends and says why.
        EndSession(MessageText(txt::ScreenNotFollowed));
        return;
    }
    Parser* parser = GetParser();
    if (parser == nullptr) return; // the link was closed while the line was on its way
    std::unique_ptr<PageEntry> entry = parser->Parse(line);
    if (!entry) return;
    entry->text[sizeof entry->text - 1] = 0;
    HandlePageEntry(entry->value, entry->text);
}

void TfrmWelcome::HandlePageEntry(int32_t value, const char* text) {
    // A line the table knows shows the switch is there. Lines it does not
    // know still get the default walk's answer, but they do not stop the
    // countdown: a device speaking something else (another device, another
    // line speed) ends in the time-out message like a silent one.
    if (value != -1) tmrConnect->stop();
    RoutePageEntry(value, text);
}
