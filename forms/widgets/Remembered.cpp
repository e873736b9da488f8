#include "forms/widgets/Remembered.h"

#include <QSettings>

#include <memory>

namespace {

bool g_enabled = false;
QString g_file;

std::unique_ptr<QSettings> Settings() {
    if (!g_enabled) return nullptr;
    if (g_file.isEmpty())
        return std::make_unique<QSettings>(QStringLiteral("tavik-config"),
                                           QStringLiteral("tavik-config"));
    return std::make_unique<QSettings>(g_file, QSettings::IniFormat);
}

} // namespace

void EnableRememberedChoices(const QString& file) {
    g_enabled = true;
    g_file = file;
}

void DisableRememberedChoices() {
    g_enabled = false;
    g_file.clear();
}

RememberedPort RememberedPortChoice() {
    RememberedPort port;
    if (auto s = Settings()) {
        port.number = s->value(QStringLiteral("port/number"), 0).toInt();
        port.path = s->value(QStringLiteral("port/path")).toString();
    }
    return port;
}

void RememberPort(int number, const QString& path) {
    if (auto s = Settings()) {
        s->setValue(QStringLiteral("port/number"), number);
        s->setValue(QStringLiteral("port/path"), path);
    }
}

QStringList RememberedAddresses() {
    auto s = Settings();
    if (!s) return {};
    QStringList addresses = s->value(QStringLiteral("port/recent")).toStringList();
    addresses.removeAll(QString());
    return addresses.mid(0, kRecentAddresses);
}

void RememberAddress(const QString& address) {
    auto s = Settings();
    if (!s) return;
    QStringList addresses = RememberedAddresses();
    addresses.removeAll(address);
    addresses.prepend(address);
    s->setValue(QStringLiteral("port/recent"), addresses.mid(0, kRecentAddresses));
}

int RememberedLanguage() {
    auto s = Settings();
    if (!s) return -1;
    const int item = s->value(QStringLiteral("language/item"), -1).toInt();
    return item >= 0 && item <= 2 ? item : -1;
}

void RememberLanguage(int item) {
    if (auto s = Settings()) s->setValue(QStringLiteral("language/item"), item);
}
