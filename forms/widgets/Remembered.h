#pragma once
// The port and language chosen last, remembered between runs (QSettings,
// ~/.config/tavik-config/tavik-config.conf). Off until the program entry
// turns it on, so tests and other callers never read a user's choices.
#include <QString>
#include <QStringList>

// `file` empty: the user's settings file; else that file (tests).
void EnableRememberedChoices(const QString& file = QString());
void DisableRememberedChoices();

struct RememberedPort {
    int number = 0; // 0: none remembered
    QString path;   // the device it was, found again under another name
};
RememberedPort RememberedPortChoice();
void RememberPort(int number, const QString& path);
// The console server addresses connected to lately, the latest first.
constexpr int kRecentAddresses = 8;
QStringList RememberedAddresses();
// Puts `address` first; the oldest beyond kRecentAddresses is dropped.
void RememberAddress(const QString& address);
// The language box's item, -1 when none is remembered.
int RememberedLanguage();
void RememberLanguage(int item);
