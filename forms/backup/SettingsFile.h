#pragma once
// "Save settings to file…" on the main window: a settings walk
// (forms/SettingsWalk.h) whose document is written to a file, with the busy
// window up all the way and one message at the end. The same run serves the
// headless driver, which passes the file name and its own finish handler.
#include "forms/backup/SettingsWalk.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QDate;
class QTimer;
class QWidget;
class QVBoxLayout;
class TfrmMain;

class BackupRun : public QObject {
    Q_OBJECT
public:
    // finished(ok, message): message is what went wrong, or the file written.
    using Finished = std::function<void(bool, const QString&)>;
    BackupRun(QString path, Finished finished, QObject* parent = nullptr);
    ~BackupRun() override;
    // Starts the walk (and, with `timer`, polls it from the event loop);
    // false when the main menu is not up.
    bool Start(bool timer = true);
    // One look at the walk; writes the file once it is done.
    SettingsWalk::State Poll();
    SettingsWalk& walk() { return walk_; }
    void SetFinished(Finished finished) { finished_ = std::move(finished); }
    // The switch was read whole but the file could not be written (a failure
    // of the machine, not of the line).
    bool writeFailed() const { return writeFailed_; }

private:
    void Finish(bool ok, const QString& message);
    bool writeFailed_ = false;
    QString path_;
    Finished finished_;
    SettingsWalk walk_;
    QTimer* timer_ = nullptr;
    bool over_ = true;
};

constexpr qint64 kMaxSettingsFileBytes = 1 << 20;

// Reads and checks a settings file whole: a regular file of at most 1 MiB
// (a folder, a device, a FIFO or a larger file is refused before anything is
// read), then every field (BackupFromJson). Needs no window and no switch.
// False with `error` naming what is wrong ("file: larger than 1 MiB",
// "ports[3].inRate: must be 0 to 1000").
bool ReadSettingsFile(const QString& path, BackupDocument& doc, std::string& error);

// Writes the document (JSON, docs/backup.md); false with `error` when the
// file cannot be written whole.
bool WriteSettingsFile(const QString& path, const BackupDocument& doc, QString& error);

// The main window's buttons of the settings file, added under its menu items.
void AddSettingsFileButtons(TfrmMain* main, QVBoxLayout* layout);
// Makes every main window from now on carry those buttons (the program does
// this at start-up; the main window cannot include this layer).
void InstallSettingsFileButtons();
// The name the save dialog proposes: "tavik-COM5-2026-12-06.json" for a
// serial line; for a console server reached as "tcp://host:port" (the path
// `resolvedPath` the COM name stands for) "tavik-host_port-2026-12-06.json",
// the address without the characters a file name cannot hold.
QString DefaultSettingsFileName(const QString& comName, const QString& resolvedPath,
                                const QDate& date);
// `path` ending in ".json" (any letter case), else with it added.
QString WithJsonSuffix(const QString& path);
// The save dialog over `parent`, proposing `defaultName`; the chosen path
// with ".json" added when missing, or empty when the dialog was cancelled.
QString AskSettingsSavePath(QWidget* parent, const QString& defaultName);

// The buttons' actions: ask for a file, run the backup or the restore, say
// how it went.
void SaveSettingsToFile();
void RestoreSettingsFromFile();
// The end of the window restore's summary: the windows' boxes it answered,
// one a line under their heading (empty when there were none).
QString RestoreSummaryTail(const QStringList& answered);
