#include "forms/base/Memoform.h"

#include "engine/ConsoleLog.h"
#include "engine/Transcript.h"
#include "forms/base/FormRefs.h"
#include "forms/base/Messageform.h"
#include "forms/widgets/Accessible.h"
#include "lang/TextIds.h"
#include "platform/Ui.h"
#include "shared/Publicunit.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QTextCursor>
#include <QTime>
#include <QVBoxLayout>

namespace {

constexpr int kMonitorKey = Qt::Key_F12;
constexpr int kMaxLines = 5000;

// A one-line text of the message range, without its line end.
QString LineText(int32_t id) {
    return LangText(id).trimmed();
}

TfrmMemo::SaveFileAsker s_asker;

// F12 in any of the program's windows shows the monitor.
class MonitorKeyFilter : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != kMonitorKey || key->modifiers() != Qt::NoModifier) return false;
        if (qobject_cast<TForm*>(static_cast<QWidget*>(watched)->window()) == nullptr) return false;
        ShowConsoleMonitor();
        return true;
    }
};

} // namespace

TfrmMemo::TfrmMemo(QWidget* parent) : TForm(parent) {
    setObjectName(QStringLiteral("frmMemo"));
    SetTakesActivation(false);
    setWindowTitle(LineText(txt::MonitorCaption));
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont font(QStringLiteral("Courier New"), 9);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    Memo1->setFont(font);
    // A long session stays bounded.
    Memo1->setMaximumBlockCount(kMaxLines);
    btnCopy = new QPushButton(this);
    btnCopy->setObjectName(QStringLiteral("btnCopy"));
    chkTimestamps = new QCheckBox(this);
    chkTimestamps->setObjectName(QStringLiteral("chkTimestamps"));
    btnSaveText = new QPushButton(this);
    btnSaveText->setObjectName(QStringLiteral("btnSaveText"));
    btnTranscript = new QPushButton(this);
    btnTranscript->setObjectName(QStringLiteral("btnTranscript"));
    for (QPushButton* b : {btnCopy, btnSaveText, btnTranscript})
        b->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(chkTimestamps);
    buttons->addStretch(1);
    buttons->addWidget(btnTranscript);
    buttons->addWidget(btnSaveText);
    buttons->addWidget(btnCopy);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(Memo1, 1);
    layout->addLayout(buttons);
    resize(640, 400);
    connect(btnCopy, &QPushButton::clicked, this, [this] { btnCopyClick(); });
    connect(btnSaveText, &QPushButton::clicked, this, [this] { btnSaveTextClick(); });
    connect(btnTranscript, &QPushButton::clicked, this, [this] { btnTranscriptClick(); });
    ApplyTexts();

    observer_ = AddConsoleObserver([this](ConsoleDirection direction, const std::string& bytes) {
        if (direction == ConsoleDirection::Received)
            Received(bytes);
        else
            Typed(bytes);
    });
    static MonitorKeyFilter* filter = nullptr;
    if (filter == nullptr && qApp != nullptr) {
        filter = new MonitorKeyFilter;
        filter->setParent(qApp);
        qApp->installEventFilter(filter);
    }
}

TfrmMemo::~TfrmMemo() {
    RemoveConsoleObserver(observer_);
}

void TfrmMemo::ApplyTexts() {
    setWindowTitle(LineText(txt::MonitorCaption));
    btnCopy->setText(LineText(txt::MonitorCopy));
    chkTimestamps->setText(LineText(txt::MonitorTimestamps));
    btnSaveText->setText(LineText(txt::MonitorSaveText));
    ShowTranscriptState();
}

void TfrmMemo::ShowTranscriptState() {
    // A transcript started with --transcript shows as running too.
    btnTranscript->setText(
        LineText(TranscriptRunning() ? txt::MonitorStopTranscript : txt::MonitorStartTranscript));
}

void TfrmMemo::SetSaveFileAsker(SaveFileAsker asker) {
    s_asker = std::move(asker);
}

QString TfrmMemo::AskSaveFile(int32_t captionId, int32_t filterId) {
    // A button's caption as the dialog's title: without its key marker.
    const QString caption = WithoutMnemonic(LineText(captionId));
    const QString filter = LineText(filterId);
    if (s_asker) return s_asker(this, caption, filter);
    return QFileDialog::getSaveFileName(this, caption, QString(), filter);
}

bool TfrmMemo::SaveText(const QString& path, QString& error) {
    ShowHeld();
    QSaveFile file(path);
    const QByteArray text = Memo1->toPlainText().toUtf8() + '\n';
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        error = MessageText(txt::SettingsFileUnwritable, path) + QStringLiteral(" (") +
                file.errorString() + QLatin1Char(')');
        return false;
    }
    return true;
}

void TfrmMemo::btnSaveTextClick() {
    const QString path = AskSaveFile(txt::MonitorSaveText, txt::MonitorTextFilter);
    if (path.isEmpty()) return;
    QString error;
    if (!SaveText(path, error))
        platform::AppMessageBox(error, LineText(txt::MonitorCaption), platform::MB_OK);
}

bool TfrmMemo::StartTranscriptTo(const QString& path) {
    std::string error;
    const bool started = StartTranscript(path.toLocal8Bit().toStdString(), error);
    ShowTranscriptState();
    if (!started)
        platform::AppMessageBox(
            MessageText(txt::MonitorTranscriptFailed, QString::fromLocal8Bit(error.c_str())),
            LineText(txt::MonitorCaption), platform::MB_OK);
    return started;
}

void TfrmMemo::btnTranscriptClick() {
    if (TranscriptRunning()) {
        StopTranscript();
        ShowTranscriptState();
        return;
    }
    const QString path = AskSaveFile(txt::MonitorStartTranscript, txt::MonitorTextFilter);
    if (!path.isEmpty()) StartTranscriptTo(path);
}

void TfrmMemo::ShowMonitor() {
    ApplyTexts();
    show();
    raise();
    activateWindow();
    NameControls(this);
}

void TfrmMemo::btnCopyClick() {
    ShowHeld();
    const QString selected = Memo1->textCursor().selectedText();
    // The selection separates lines with U+2029.
    QString text = selected.isEmpty() ? Memo1->toPlainText() : selected;
    text.replace(QChar(0x2029), QLatin1Char('\n'));
    QApplication::clipboard()->setText(text);
}

void TfrmMemo::Received(const std::string& bytes) {
    partial_ += bytes;
    // Only whole pieces: an escape sequence may be split between reads.
    const size_t cut = partial_.find_last_of("\x1b\r\n");
    if (cut == std::string::npos) return;
    const std::string ready = StripTerminalControls(partial_.substr(0, cut));
    partial_.erase(0, cut);
    if (ready.empty()) return;
    QString text = QString::fromLatin1(ready.data(), static_cast<int>(ready.size()));
    while (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    if (text.isEmpty()) return;
    typing_ = false;
    Append(text, true);
}

void TfrmMemo::Typed(const std::string& bytes) {
    const QString keys = QString::fromLatin1(ReadableBytes(bytes).c_str());
    if (!typing_) {
        typing_ = true;
        Append(QStringLiteral("> ") + keys, true);
        return;
    }
    Append(keys, false);
}

void TfrmMemo::Append(QString text, bool newLine) {
    // The time a line began, on the lines begun while the toggle is on.
    if (newLine && chkTimestamps->isChecked()) {
        const QString stamp = QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz "));
        text.replace(QLatin1Char('\n'), QLatin1Char('\n') + stamp);
        text.prepend(stamp);
    }
    if (!isVisible()) {
        if (newLine && (!held_.isEmpty() || !Memo1->document()->isEmpty())) {
            held_ += QLatin1Char('\n');
            ++heldLines_;
        }
        held_ += text;
        heldLines_ += static_cast<int>(text.count(QLatin1Char('\n')));
        // As bounded as the memo: only its last kMaxLines lines are kept.
        if (heldLines_ > 2 * kMaxLines) {
            qsizetype at = held_.size();
            for (int n = 0; n < kMaxLines && at > 0; ++n)
                at = held_.lastIndexOf(QLatin1Char('\n'), at - 1);
            held_.remove(0, at); // from the line break before the first line kept
            heldLines_ = kMaxLines;
        }
        return;
    }
    // Follows the console unless the reader scrolled up to read.
    QScrollBar* bar = Memo1->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    const int kept = bar->value();
    if (newLine) {
        Memo1->appendPlainText(text);
    } else {
        QTextCursor end(Memo1->document());
        end.movePosition(QTextCursor::End);
        end.insertText(text);
    }
    bar->setValue(atEnd ? bar->maximum() : kept);
}

void TfrmMemo::ShowHeld() {
    if (held_.startsWith(QLatin1Char('\n')) && Memo1->document()->isEmpty()) held_.remove(0, 1);
    if (held_.isEmpty()) return;
    QTextCursor end(Memo1->document());
    end.movePosition(QTextCursor::End);
    end.insertText(held_);
    held_.clear();
    heldLines_ = 0;
    Memo1->verticalScrollBar()->setValue(Memo1->verticalScrollBar()->maximum());
}

void TfrmMemo::showEvent(QShowEvent* event) {
    ShowHeld();
    TForm::showEvent(event);
}

void ShowConsoleMonitor() {
    if (TfrmMemo* monitor = frmMemo.get()) monitor->ShowMonitor();
}

QPushButton* MakeMonitorButton(QWidget* window) {
    auto* button =
        new QPushButton(LineText(txt::MonitorCaption) + QStringLiteral(" (F12)"), window);
    button->setObjectName(QStringLiteral("btnMonitor"));
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, button, [] { ShowConsoleMonitor(); });
    return button;
}
