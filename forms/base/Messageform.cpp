#include "forms/base/Messageform.h"

#include "engine/LinkWatchdog.h"
#include "engine/PageTable.h"
#include "forms/base/FormRefs.h"
#include "forms/widgets/AviPlayer.h"
#include "lang/Language.h"
#include "lang/TextIds.h"
#include "shared/Publicunit.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

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

    // Room for four lines of message text: the connect countdown uses three,
    // and the Chinese texts wrap differently from the English ones. The
    // line height is taken with headroom because Chinese glyphs come from a
    // fallback font that is usually taller than the Latin one.
    const int line = QFontMetrics(MessageFont()).lineSpacing() * 5 / 4 + 1;
    lblMsg1->setMinimumHeight(line * kMessageLines);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->setSpacing(6);
    layout->addWidget(aviComm);
    layout->addWidget(lblMsg1, 1);
    layout->addWidget(lblMsg2);

    const int height = 10 + kAnimationHeight + 6 + line * kMessageLines + 6 + line + 10;
    setFixedSize(kWidth, height);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}

namespace {
QString s_animationPath;
}

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

void ShowBusyBox() {
    // A reference that is held but no longer alive cannot occur here (only
    // CloseBusyBox frees the window, and it clears the reference at once);
    // asking for the live window keeps a freed one from ever being touched.
    TfrmMessage* box = frmMessage.get();
    if (!box) {
        box = new TfrmMessage;
        frmMessage.set(box);
    }
    box->ShowText(BusyText);
    box->setEnabled(false);
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
    if (!frmMessage.exists()) return;
    if (TfrmMessage* box = frmMessage.get()) {
        box->CloseAllowed = true;
        box->Close();
    }
    frmMessage.clear();
}
