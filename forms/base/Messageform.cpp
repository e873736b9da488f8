#include "forms/base/Messageform.h"

#include "engine/ConsoleLog.h"
#include "engine/KeyOutput.h"
#include "engine/LinkWatchdog.h"
#include "engine/PageTable.h"
#include "forms/base/ConfigForm.h"
#include "forms/base/FormRefs.h"
#include "forms/widgets/AviPlayer.h"
#include "lang/Language.h"
#include "lang/TextIds.h"
#include "platform/Ui.h"
#include "shared/Publicunit.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <cstdlib>

namespace {

constexpr int kWidth = 380;
constexpr int kAnimationHeight = 64;
constexpr int kMessageLines = 4;

QFont MessageFont() {
    QFont font(QStringLiteral("Arial"), 10);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

QLabel* MakeMessageLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(MessageFont());
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    // Maroon in every state: the window is disabled while it is up, and a
    // disabled label would otherwise turn grey.
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, QColor(0x80, 0x00, 0x00));
    label->setPalette(pal);
    return label;
}

} // namespace

TfrmMessage::TfrmMessage(QWidget* parent) : TForm(parent) {
    setObjectName(QStringLiteral("frmMessage"));
    // No close or minimise buttons: the window only goes away through
    // CloseBusyBox.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setWindowTitle(QStringLiteral("GUI Message Box"));

    aviComm = new AviPlayer(this);
    aviComm->setObjectName(QStringLiteral("aviComm"));
    aviComm->setFixedHeight(kAnimationHeight);

    lblMsg1 = MakeMessageLabel(this, "lblMsg1");
    lblMsg2 = MakeMessageLabel(this, "lblMsg2");
    lblMsg2->setWordWrap(false);
    lblProgress = MakeMessageLabel(this, "lblProgress");
    lblProgress->setWordWrap(false);

    btnCancel = new QPushButton(this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setAutoDefault(false);
    btnCancel->hide();
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(btnCancel);
    buttonRow->addStretch(1);

    // Room for four lines of message text: the connect countdown uses three,
    // and the Chinese texts wrap differently from the English ones. The
    // line height is taken with headroom because Chinese glyphs come from a
    // fallback font that is usually taller than the Latin one.
    const int line = QFontMetrics(MessageFont()).lineSpacing() * 5 / 4 + 1;
    lblMsg1->setMinimumHeight(line * kMessageLines);
    // Its text comes and goes; its room stays, so nothing above it moves.
    lblProgress->setFixedHeight(line);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->setSpacing(6);
    layout->addWidget(aviComm);
    layout->addWidget(lblMsg1, 1);
    layout->addWidget(lblProgress);
    layout->addWidget(lblMsg2);
    layout->addLayout(buttonRow);

    // The progress line and the button row always have their room, so the
    // window keeps its size when they come and go.
    const int buttonHeight = btnCancel->sizeHint().height();
    const int height = 10 + kAnimationHeight + 6 + line * kMessageLines + 6 + line + 6 + line + 6 +
                       buttonHeight + 10;
    setFixedSize(kWidth, height);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}

namespace {
QString s_animationPath;
void (*s_cancel)() = nullptr;
bool s_cancelOffers = true;
bool s_readCancelAsked = false;
QString s_stepText;
} // namespace

QString TfrmMessage::AnimationPath() {
    if (!s_animationPath.isEmpty()) return s_animationPath;
    return QCoreApplication::applicationDirPath() + QStringLiteral("/net_comm.avi");
}

void TfrmMessage::SetAnimationPath(const QString& path) {
    s_animationPath = path;
}

void TfrmMessage::FormShow() {
    // The program's own folder first; an installed program keeps its data
    // files in the data folder instead.
    bool playing = aviComm->open(AnimationPath());
    if (!playing && s_animationPath.isEmpty()) {
        const std::string other = LocateDataFile("net_comm.avi");
        if (!other.empty() && QFile::exists(QString::fromStdString(other)))
            playing = aviComm->open(QString::fromStdString(other));
    }
    // Without an animation the texts take the whole window.
    aviComm->setVisible(playing);
    if (playing) aviComm->play();

    CloseAllowed = false;
    setWindowTitle(LangText(txt::BusyCaption));
    lblMsg1->setText(LangText(txt::BusyLine1));
    lblMsg2->setText(LangText(txt::BusyLine2));
    btnCancel->setText(LangText(txt::CancelButton));
    ShowProgress(s_stepText, QString());
}

void TfrmMessage::ShowProgress(const QString& step, const QString& page) {
    step_ = step;
    page_ = page;
    QString text = step;
    if (!step.isEmpty() && !page.isEmpty()) text += QStringLiteral(" - ");
    lblProgress->setText(text + page);
}

void TfrmMessage::UpdateCancel() {
    const bool shown = s_cancel != nullptr || SaveInProgress();
    if (btnCancel->isVisible() != shown) btnCancel->setVisible(shown);
    btnCancel->setEnabled(shown);
    // Only the button takes input; without it the window takes none.
    setEnabled(shown);
}

void TfrmMessage::btnCancelClick() {
    if (SaveInProgress()) {
        platform::AppMessageBox(MessageText(txt::CancelRefusedSaving), LangText(txt::BusyCaption),
                                platform::MB_OK);
        return;
    }
    void (*cancel)() = s_cancel;
    s_cancel = nullptr;
    if (cancel == nullptr) return;
    btnCancel->setEnabled(false);
    cancel();
    // The window may have gone with the work (the countdown's Cancel).
    if (TfrmMessage* box = frmMessage.get()) box->UpdateCancel();
}

void TfrmMessage::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (btnCancel->isVisible() && btnCancel->isEnabled()) btnCancel->click();
        return;
    }
    TForm::keyPressEvent(event);
}

void TfrmMessage::ShowText(const std::string& bytes) {
    // The same bytes under the same code page, and nobody has changed the
    // label since: nothing to show.
    if (isVisible() && bytes == shownText_ && LanguageId == shownLanguage_ &&
        lblMsg1->text() == shownDecoded_) {
        if (ActiveForm() != this) Activate();
        return;
    }
    Show();
    shownDecoded_ = DecodeText(bytes);
    lblMsg1->setText(shownDecoded_);
    Repaint();
    shownText_ = bytes;
    shownLanguage_ = LanguageId;
}

void TfrmMessage::FormClose(TCloseAction& action) {
    action = CloseAllowed ? caFree : caNone;
    if (action == caFree) aviComm->stop();
}

namespace {

// "%1 of %2" texts of the progress line.
QString OfText(int32_t id, int n, int count) {
    return MessageText(id)
        .replace(QLatin1String("%1"), QString::number(n))
        .replace(QLatin1String("%2"), QString::number(count));
}

// Watches the switch's output for a table's page line while the busy window
// is up: the console draws "Page p of n" on every page of a paged table.
void WatchPageLines() {
    static bool watching = false;
    if (watching) return;
    watching = true;
    AddConsoleObserver([](ConsoleDirection direction, const std::string& bytes) {
        static std::string segment;
        if (direction != ConsoleDirection::Received) return;
        for (char c : bytes) {
            if (c != '\x1b') {
                if (segment.size() < 100) segment += c;
                continue;
            }
            int page = 0, count = 0;
            if (frmMessage.get() && ParsePageLine(segment, page, count)) SetBusyPage(page, count);
            segment.clear();
        }
    });
}

bool AllDigits(const std::string& s) {
    if (s.empty() || s.size() > 3) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

} // namespace

bool ParsePageLine(const std::string& segment, int& page, int& count) {
    // "[rr;ccH" then "Page p of n", blanks after it allowed.
    const size_t h = segment.find('H');
    if (segment.size() < 8 || segment[0] != '[' || h != 6) return false;
    std::string text = segment.substr(h + 1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\n'))
        text.pop_back();
    const std::string lead = "Page ";
    const size_t of = text.find(" of ");
    if (text.compare(0, lead.size(), lead) != 0 || of == std::string::npos) return false;
    const std::string p = text.substr(lead.size(), of - lead.size());
    const std::string n = text.substr(of + 4);
    if (!AllDigits(p) || !AllDigits(n)) return false;
    page = std::atoi(p.c_str());
    count = std::atoi(n.c_str());
    return page >= 1 && page <= count;
}

void OfferBusyCancel(void (*cancel)()) {
    s_cancel = s_cancelOffers ? cancel : nullptr;
    if (TfrmMessage* box = frmMessage.get()) box->UpdateCancel();
}

bool BusyCancelOffered() {
    return s_cancel != nullptr;
}

void SetBusyCancelOffers(bool on) {
    s_cancelOffers = on;
    if (!on) OfferBusyCancel(nullptr);
}

namespace {
// The bytes of a busy text of the message range, without its line end.
std::string BusyBytes(int32_t id) {
    std::string text = GetLangText(id);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

void AskReadCancel() {
    s_readCancelAsked = true;
    ShowBusyBox();
}
} // namespace

void OfferReadCancel() {
    OfferBusyCancel(AskReadCancel);
}

bool ReadCancelAsked() {
    return s_readCancelAsked;
}

bool StopReadAtArrival(int32_t busyTextId, const char* keys) {
    if (!s_readCancelAsked) return false;
    if (IsSendPending()) return true;
    s_readCancelAsked = false;
    CurrentForm = TargetForm;
    Leaving = true;
    BusyText = GetLangText(busyTextId);
    ShowBusyBox();
    SendKeys(keys);
    return true;
}

bool SaveInProgress() {
    if (Saving) return true;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* form = qobject_cast<TConfigForm*>(w); form && form->AwaitingAnswer) return true;
    return false;
}

void SetBusyStep(int step, int count) {
    s_stepText = count > 0 ? OfText(txt::ProgressStep, step, count) : QString();
    if (TfrmMessage* box = frmMessage.get()) box->ShowProgress(s_stepText, box->PageText());
}

void SetBusyPage(int page, int count) {
    // A table of one page has no progress worth a line.
    const QString text = count > 1 ? OfText(txt::ProgressPage, page, count) : QString();
    if (TfrmMessage* box = frmMessage.get()) box->ShowProgress(s_stepText, text);
}

void ShowBusyBox() {
    WatchPageLines();
    // A reference that is held but no longer alive cannot occur here (only
    // CloseBusyBox frees the window, and it clears the reference at once);
    // asking for the live window keeps a freed one from ever being touched.
    TfrmMessage* box = frmMessage.get();
    if (!box) {
        box = new TfrmMessage;
        frmMessage.set(box);
    }
    // The rows still drawn after a Cancel was asked set their own busy text;
    // the window keeps saying that the read is being cancelled.
    box->ShowText(s_readCancelAsked ? BusyBytes(txt::BusyCancelling) : BusyText);
    box->UpdateCancel();
    // The program now waits for the switch: the link's watchdog counts.
    SetAwaitingSwitch(true);
}

void ShowArrived(TForm* form) {
    form->Show();
    form->setEnabled(true);
    CloseBusyBox();
}

QString MessageText(int32_t id, const QString& arg) {
    QString text = LangText(id);
    while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    return arg.isNull() ? text : text.arg(arg);
}

QString DataFileMessage(int32_t id, const char* bareName, int32_t tailId) {
    QString text = MessageText(id, QString::fromLocal8Bit(bareName));
    for (const std::string& place : DataFilePlaces(bareName))
        text += QStringLiteral("\n    ") + QString::fromLocal8Bit(place.c_str());
    return text + QStringLiteral("\n\n") + MessageText(tailId);
}

void CloseBusyBox() {
    SetAwaitingSwitch(false);
    s_cancel = nullptr;
    s_readCancelAsked = false;
    if (!frmMessage.exists()) return;
    if (TfrmMessage* box = frmMessage.get()) {
        box->CloseAllowed = true;
        box->Close();
    }
    frmMessage.clear();
}
