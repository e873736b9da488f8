#include "forms/base/Form.h"

#include "forms/base/Placement.h"
#include "forms/widgets/Accessible.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

namespace {
QPointer<TForm> s_active;
// The last window shown that takes activation: the one the next window is
// opened from. Kept when it hides (a menu hides as the window it opens is
// being read), so its place is still known.
QPointer<TForm> s_lastShown;
} // namespace

QFont UiFont(int pointSize, bool bold) {
    QFont f(QStringLiteral("Arial"), pointSize, bold ? QFont::Bold : QFont::Normal);
    f.setStyleHint(QFont::SansSerif);
    return f;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry,
                  Qt::Alignment align) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(geometry);
    l->setAlignment(align);
    l->setFont(UiFont(9));
    return l;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text,
                        const QRect& geometry) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(geometry);
    return b;
}

QLabel* MakeGarbledNote(QWidget* parent, const QString& text, const QRect& geometry,
                        Qt::Alignment align) {
    QLabel* l = MakeLabel(parent, "lblGarbled", text, geometry, align);
    l->setWordWrap(true);
    l->setStyleSheet(QStringLiteral("color: maroon;"));
    l->hide();
    return l;
}

// Activates a form when the user clicks into it, as the window system would.
class FormClickWatcher : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress && watched->isWidgetType()) {
            QWidget* top = static_cast<QWidget*>(watched)->window();
            auto* form = qobject_cast<TForm*>(top);
            if (form && form->TakesActivation() && form->isVisible() && form->isEnabled() &&
                s_active != form)
                form->Activate();
        }
        return false;
    }
};

TForm::TForm(QWidget* parent) : QWidget(parent, Qt::Window) {
    static FormClickWatcher* watcher = nullptr;
    if (!watcher && qApp) {
        watcher = new FormClickWatcher;
        watcher->setParent(qApp);
        qApp->installEventFilter(watcher);
    }
    setAttribute(Qt::WA_DeleteOnClose, false);
}

TForm::~TForm() {
    if (s_active == this) s_active = nullptr;
}

TForm* TForm::ActiveForm() {
    return s_active.data();
}
void TForm::ResetActiveForm() {
    s_active = nullptr;
}

void TForm::Activate() {
    s_active = this;
    FormActivate();
}

void TForm::Show() {
    if (freed_) return;
    if (!isVisible()) {
        FormShow();
        const TForm* opener = s_lastShown.data();
        PlaceCentred(this, placedOnScreen_ || opener == this ? nullptr : opener);
        setVisible(true);
        FocusFirstControl();
        if (takesActivation_) s_lastShown = this;
    }
    // After the layout has placed the labels beside their boxes.
    NameControls(this);
    raise();
    activateWindow();
    if (s_active != this) Activate();
}

void TForm::Hide() {
    if (!isVisible()) return;
    setVisible(false);
    FormHide();
    if (s_active == this) s_active = nullptr;
}

void TForm::Close() {
    if (freed_ || closing_) return;
    TCloseAction action = caHide;
    FormClose(action);
    if (action == caNone) return;
    closing_ = true;
    Hide();
    closing_ = false;
    if (s_active == this) s_active = nullptr;
    if (action == caFree) {
        freed_ = true;
        deleteLater();
    }
}

void TForm::closeEvent(QCloseEvent* event) {
    // The window system's close button runs the same path as Close(); the
    // window hides or frees itself there, so the system's own close is
    // always refused.
    event->ignore();
    // A window disabled while it waits for the switch (a save, a re-read, a
    // delete) stays: its close handler would type its way out over keys
    // still going out, and the console would be left mid-edit. The program
    // closes such a window itself once the switch has answered.
    if (!isEnabled()) return;
    Close();
}

void TForm::SetDefaultButton(QPushButton* button) {
    if (defaultButton_ && defaultButton_ != button) defaultButton_->setDefault(false);
    defaultButton_ = button;
    button->setDefault(true);
}

QWidget* TForm::FirstFocus() {
    return FirstInputControl(this, defaultButton_.data());
}

void TForm::FocusFirstControl() {
    if (QWidget* first = FirstFocus()) first->setFocus(Qt::ActiveWindowFocusReason);
}

void TForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier &&
        EscapePressed())
        return;
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        auto* focused = qobject_cast<QPushButton*>(focusWidget());
        QPushButton* button = focused ? focused : defaultButton_.data();
        if (button && button->isEnabled() && button->isVisible()) {
            button->click();
            return;
        }
    }
    QWidget::keyPressEvent(event);
}
