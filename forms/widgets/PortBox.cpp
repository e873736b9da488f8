#include "forms/widgets/PortBox.h"

#include "engine/SerialLink.h"
#include "platform/PortDiscovery.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QSignalBlocker>
#include <QTimer>

namespace {
constexpr int kPathRole = Qt::UserRole + 1;
} // namespace

PortBox::PortBox(QComboBox* box, int intervalMs)
    : QObject(box), box_(box), timer_(new QTimer(this)) {
    timer_->setObjectName(QStringLiteral("tmrPorts"));
    timer_->setInterval(intervalMs);
    connect(timer_, &QTimer::timeout, this, [this] {
        QWidget* window = box_->window();
        // While connecting the box is disabled and its choice is in use;
        // an open list is not pulled from under the user either.
        if (window->isVisible() && window->isEnabled() && !IsLinkOpen() &&
            !box_->view()->isVisible())
            Refresh();
    });
    timer_->start();
    Refresh();
}

void PortBox::Refresh() {
    const std::vector<platform::PortChoice> choices = platform::RefreshPortChoices();
    bool same = static_cast<int>(choices.size()) == box_->count();
    for (int i = 0; same && i < box_->count(); ++i)
        same = box_->itemData(i).toInt() == choices[i].number &&
               box_->itemText(i) == QString::fromStdString(choices[i].label);
    if (same) return;
    const int chosen = box_->currentIndex() >= 0 ? SelectedNumber() : 1;
    const QSignalBlocker quiet(box_);
    box_->clear();
    for (const platform::PortChoice& c : choices) {
        box_->addItem(QString::fromStdString(c.label), c.number);
        box_->setItemData(box_->count() - 1, QString::fromStdString(c.path), kPathRole);
    }
    if (!Select(chosen)) box_->setCurrentIndex(0);
}

int PortBox::SelectedNumber() const {
    const QVariant number = box_->currentData();
    return number.isValid() ? number.toInt() : 1;
}

bool PortBox::SelectPath(const QString& path) {
    const int index = path.isEmpty() ? -1 : box_->findData(path, kPathRole);
    if (index < 0) return false;
    box_->setCurrentIndex(index);
    return true;
}

QString PortBox::SelectedPath() const {
    return box_->currentData(kPathRole).toString();
}

bool PortBox::Select(int number) {
    const int index = box_->findData(number);
    if (index < 0) return false;
    box_->setCurrentIndex(index);
    return true;
}
