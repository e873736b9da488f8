#include "forms/widgets/PortBox.h"

#include "engine/SerialLink.h"
#include "lang/TextIds.h"
#include "platform/PortDiscovery.h"
#include "platform/SerialDevice.h"
#include "shared/Publicunit.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QSignalBlocker>
#include <QTimer>

#include <algorithm>
#include <map>

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

namespace {
// The entry's text: an absent COM1-COM4 says so (it stays listed, as a
// device may still be plugged in or named with --port).
QString Label(const platform::PortChoice& c) {
    const QString label = QString::fromStdString(c.label);
    return c.present ? label : label + QLatin1Char(' ') + LangText(txt::PortNotPresent).trimmed();
}
} // namespace

void PortBox::Refresh() {
    std::vector<platform::PortChoice> choices = platform::RefreshPortChoices();
    // A recent address not given a COM name yet is listed by itself (0).
    for (const QString& address : recent_) {
        const std::string path = address.toStdString();
        if (std::none_of(choices.begin(), choices.end(),
                         [&path](const platform::PortChoice& c) { return c.path == path; }))
            choices.push_back({0, path, path});
    }
    bool same = static_cast<int>(choices.size()) == box_->count();
    for (int i = 0; same && i < box_->count(); ++i)
        same = box_->itemData(i).toInt() == choices[i].number &&
               box_->itemText(i) == Label(choices[i]);
    if (same) return;
    const QString chosenPath = SelectedPath();
    const int chosen = box_->currentIndex() >= 0 ? SelectedNumber() : 1;
    // Text being typed stays as it is.
    const bool typing = box_->isEditable() && box_->currentIndex() >= 0 &&
                        box_->currentText() != box_->itemText(box_->currentIndex());
    const QString typed = box_->currentText();
    const QSignalBlocker quiet(box_);
    box_->clear();
    for (const platform::PortChoice& c : choices) {
        box_->addItem(Label(c), c.number);
        box_->setItemData(box_->count() - 1, QString::fromStdString(c.path), kPathRole);
    }
    if (!(chosen > 0 ? Select(chosen) : SelectPath(chosenPath))) box_->setCurrentIndex(0);
    if (typing) box_->setEditText(typed);
}

void PortBox::SetRecent(const QStringList& addresses) {
    recent_ = addresses;
    Refresh();
}

int PortBox::TakeEntry() {
    const QString typed = box_->currentText().trimmed();
    const int index = box_->currentIndex();
    QString path;
    if (index >= 0 && (typed.isEmpty() || typed == box_->itemText(index))) {
        if (box_->itemData(index).toInt() > 0) return box_->itemData(index).toInt();
        path = SelectedPath(); // a recent address
    } else if (const int n = platform::ComPortNumber(typed.toStdString()); n > 0) {
        return n;
    } else {
        const int listed = std::max(box_->findText(typed), box_->findData(typed, kPathRole));
        if (listed >= 0 && box_->itemData(listed).toInt() > 0) {
            box_->setCurrentIndex(listed);
            return box_->itemData(listed).toInt();
        }
        path = typed;
    }
    const int number = FreeNumber();
    if (number == 0) return SelectedNumber();
    platform::MapPortName("COM" + std::to_string(number), path.toStdString());
    Refresh();
    Select(number);
    return number;
}

// A COM name neither listed, given with --port, nor handed to a device.
int PortBox::FreeNumber() const {
    const std::map<int, std::string> given = platform::ExplicitPortMappings();
    for (int n = 5; n <= platform::kMaxComPort; ++n)
        if (box_->findData(n) < 0 && given.count(n) == 0 && platform::DiscoveredPortPath(n).empty())
            return n;
    return 0;
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
    return box_->currentIndex() >= 0 ? box_->currentData(kPathRole).toString() : QString();
}

bool PortBox::Select(int number) {
    const int index = box_->findData(number);
    if (index < 0) return false;
    box_->setCurrentIndex(index);
    return true;
}
