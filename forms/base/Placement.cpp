#include "forms/base/Placement.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QWidget>

namespace {

QScreen* ScreenFor(const QWidget* opener) {
    if (opener && opener->screen()) return opener->screen();
    return QGuiApplication::primaryScreen();
}

bool TakesKeyboard(const QWidget* w, const QWidget* window) {
    return w->isEnabled() && w->isVisibleTo(window) && (w->focusPolicy() & Qt::TabFocus);
}

// A field: something typed into or chosen from (a list too). A push button
// is not one, a check box or radio button is (the trunk window is all of
// those).
bool IsInput(const QWidget* w) {
    if (auto* edit = qobject_cast<const QLineEdit*>(w)) return !edit->isReadOnly();
    if (auto* button = qobject_cast<const QAbstractButton*>(w)) return button->isCheckable();
    return qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
           qobject_cast<const QAbstractItemView*>(w);
}

} // namespace

void PlaceCentred(QWidget* window, const QWidget* opener) {
    QScreen* screen = ScreenFor(opener);
    QRect area = screen ? screen->availableGeometry() : QRect();
    const QPoint centre = opener ? opener->geometry().center() : area.center();
    if (opener) {
        // The window frame is known only once a window has been shown: the
        // opener's is taken as the new window's, so its title bar stays on
        // the screen too.
        const QRect outer = opener->frameGeometry();
        const QRect inner = opener->geometry();
        area = area.marginsRemoved(QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                                            outer.right() - inner.right(),
                                            outer.bottom() - inner.bottom()));
    }
    // The inside of the window is placed (setGeometry), not its frame
    // (move): a window not yet shown has no frame, and would open shifted
    // by it.
    QRect placed(QPoint(0, 0), window->size());
    placed.moveCenter(centre);
    if (area.isValid()) {
        // Right and bottom first, so that a window larger than the screen
        // keeps its top-left corner (and title bar) on it.
        if (placed.right() > area.right()) placed.moveRight(area.right());
        if (placed.bottom() > area.bottom()) placed.moveBottom(area.bottom());
        if (placed.left() < area.left()) placed.moveLeft(area.left());
        if (placed.top() < area.top()) placed.moveTop(area.top());
    }
    window->setGeometry(placed);
}

QWidget* FirstInputControl(QWidget* window, QWidget* fallback) {
    QWidget* firstTaker = nullptr;
    for (QWidget* w = window->nextInFocusChain(); w && w != window; w = w->nextInFocusChain()) {
        if (!window->isAncestorOf(w) || !TakesKeyboard(w, window)) continue;
        if (IsInput(w)) return w;
        if (!firstTaker) firstTaker = w;
    }
    if (fallback && TakesKeyboard(fallback, window)) return fallback;
    return firstTaker;
}
