#pragma once
// The start window's port box: COM1..COM4 and the serial devices present,
// kept up to date while the window waits for a Connect, then the console
// server addresses used lately. A device path or an address
// ("telnet://HOST:PORT") may also be typed into it.
#include <QObject>
#include <QStringList>

class QComboBox;
class QTimer;

class PortBox : public QObject {
    Q_OBJECT
public:
    // Fills `box` at once and looks for devices every `intervalMs` while the
    // box's window is shown and enabled (not connecting or connected).
    PortBox(QComboBox* box, int intervalMs);
    // Lists the devices present again; the chosen port stays chosen when it
    // is still there (a port keeps its COM name for the whole run).
    void Refresh();
    // n of the chosen "COMn"; 1 when nothing is chosen.
    int SelectedNumber() const;
    // Chooses COMn when it is listed; false otherwise.
    bool Select(int number);
    // Chooses the entry of that device; false when it is not listed.
    bool SelectPath(const QString& path);
    QString SelectedPath() const;
    // The addresses listed after the devices (most recent first).
    void SetRecent(const QStringList& addresses);
    // n of the port to open for what the box shows: a listed entry, a
    // typed "COMn", or a typed path or address, which gets a COM name of
    // its own for the rest of the run (the first one free from COM5).
    int TakeEntry();

private:
    int FreeNumber() const;

    QComboBox* box_;
    QTimer* timer_;
    QStringList recent_;
};
