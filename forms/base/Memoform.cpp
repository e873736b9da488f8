#include "forms/base/Memoform.h"

#include "engine/ConsoleLog.h"
#include "forms/base/FormRefs.h"
#include "forms/widgets/Accessible.h"
#include "lang/TextIds.h"
#include "shared/Publicunit.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QVBoxLayout>

namespace {

constexpr int kMonitorKey = Qt::Key_F12;
constexpr int kMaxLines = 5000;

// A one-line text of the message range, without its line end.
QString LineText(int32_t id) {
    return LangText(id).trimmed();
}

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
    btnCopy = new QPushButton(LineText(txt::MonitorCopy), this);
    btnCopy->setObjectName(QStringLiteral("btnCopy"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnCopy);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(Memo1, 1);
    layout->addLayout(buttons);
    resize(640, 400);
    connect(btnCopy, &QPushButton::clicked, this, [this] { btnCopyClick(); });

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

void TfrmMemo::ShowMonitor() {
    setWindowTitle(LineText(txt::MonitorCaption));
    btnCopy->setText(LineText(txt::MonitorCopy));
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

void TfrmMemo::Append(const QString& text, bool newLine) {
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
