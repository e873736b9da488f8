#include "forms/widgets/Accessible.h"

#include "shared/Publicunit.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTableWidget>

#include <climits>
#include <cstdlib>

namespace {

// A caption as a name: no shortcut marker, no trailing colon.
QString AsName(QString text) {
    text = WithoutMnemonic(text).simplified();
    while (text.endsWith(QLatin1Char(':')) || text.endsWith(QChar(0xFF1A)))
        text = text.chopped(1).trimmed();
    return text;
}

QRect InWindow(QWidget* w, QWidget* window) {
    return QRect(w->mapTo(window, QPoint(0, 0)), w->size());
}

// The label a box belongs to: on its row and left of it (the nearest), else
// right above it and overlapping it sideways (the nearest).
QLabel* LabelOf(QWidget* box, QWidget* window, const QList<QLabel*>& labels) {
    const QRect b = InWindow(box, window);
    QLabel* left = nullptr;
    QLabel* above = nullptr;
    int leftGap = INT_MAX;
    int aboveGap = INT_MAX;
    for (QLabel* label : labels) {
        if (label->isHidden() || AsName(label->text()).isEmpty()) continue;
        const QRect l = InWindow(label, window);
        const int middle = l.center().y();
        if (middle >= b.top() && middle <= b.bottom() && l.right() <= b.left() + 2 &&
            b.left() - l.right() < leftGap) {
            leftGap = b.left() - l.right();
            left = label;
        }
        const bool overlaps = l.left() < b.right() && l.right() > b.left();
        if (overlaps && l.bottom() <= b.top() + 2 && b.top() - l.bottom() < aboveGap &&
            b.top() - l.bottom() < 3 * b.height()) {
            aboveGap = b.top() - l.bottom();
            above = label;
        }
    }
    return left ? left : above;
}

} // namespace

void NameControls(QWidget* window) {
    if (window == nullptr) return;
    const QList<QLabel*> labels = window->findChildren<QLabel*>();
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (w->window() != window) continue; // another window parented here
        if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            w->setAccessibleName(AsName(button->text()));
            continue;
        }
        const bool box = qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) ||
                         qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QListWidget*>(w) ||
                         qobject_cast<QPlainTextEdit*>(w) || qobject_cast<QTableWidget*>(w);
        // The edit inside an editable combo box is named by its box.
        if (!box || qobject_cast<QComboBox*>(w->parentWidget())) continue;
        if (QLabel* label = LabelOf(w, window, labels))
            w->setAccessibleName(AsName(label->text()));
        else if (w->accessibleName().isEmpty())
            w->setAccessibleName(window->windowTitle());
    }
}
