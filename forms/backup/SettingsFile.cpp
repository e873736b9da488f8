#include "forms/backup/SettingsFile.h"

#include "engine/SerialLink.h"
#include "forms/backup/SettingsRestore.h"
#include "forms/base/FormRefs.h"
#include "forms/base/Messageform.h"
#include "forms/session/Mainform.h"
#include "lang/TextIds.h"
#include "platform/SerialDevice.h"
#include "platform/Ui.h"
#include "shared/Publicunit.h"

#include <QDate>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kPollMs = 20;
const char* const kFileTooLarge = "file: larger than 1 MiB";

QString Arg(int32_t id, const QString& value) {
    return LangText(id).replace(QLatin1String("%1"), value);
}

} // namespace

bool ReadSettingsFile(const QString& path, BackupDocument& doc, std::string& error) {
    doc = BackupDocument{};
    // Checked before opening: opening a FIFO would wait for a writer, and a
    // device or a huge file would be read for ever.
    const QFileInfo info(path);
    if (!info.exists()) {
        error = "file: not found";
        return false;
    }
    if (!info.isFile()) {
        error = "file: not a regular file (a folder, a device or a pipe)";
        return false;
    }
    if (info.size() > kMaxSettingsFileBytes) {
        error = kFileTooLarge;
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = "file: cannot be read (" + file.errorString().toStdString() + ")";
        return false;
    }
    // Bounded even if the file grew since it was looked at.
    const QByteArray json = file.read(kMaxSettingsFileBytes + 1);
    if (json.size() > kMaxSettingsFileBytes) {
        error = kFileTooLarge;
        return false;
    }
    return BackupFromJson(json, doc, error);
}

bool WriteSettingsFile(const QString& path, const BackupDocument& doc, QString& error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(BackupToJson(doc)) < 0 || !file.commit()) {
        error = Arg(txt::SettingsFileUnwritable, path) + QStringLiteral(" (") + file.errorString() +
                QLatin1Char(')');
        return false;
    }
    return true;
}

BackupRun::BackupRun(QString path, Finished finished, QObject* parent)
    : QObject(parent), path_(std::move(path)), finished_(std::move(finished)) {}

BackupRun::~BackupRun() {
    if (!over_) SetBusyCancelOffers(true);
}

bool BackupRun::Start(bool timer) {
    over_ = false;
    // The walk drives the windows: a read's Cancel would pull a window from
    // under it.
    SetBusyCancelOffers(false);
    if (!walk_.Start()) {
        Finish(false, DecodeText(walk_.Error()));
        return false;
    }
    if (timer) {
        timer_ = new QTimer(this);
        connect(timer_, &QTimer::timeout, this, [this] { Poll(); });
        timer_->start(kPollMs);
    }
    Poll();
    return true;
}

SettingsWalk::State BackupRun::Poll() {
    const SettingsWalk::State s = walk_.Poll();
    if (over_ || s == SettingsWalk::State::Running) return s;
    if (s == SettingsWalk::State::Failed) {
        Finish(false, DecodeText(walk_.Error()));
        return s;
    }
    // Only a file its restore accepts is written.
    const std::string refused = CheckBackupReadsBack(walk_.Document());
    if (!refused.empty()) {
        Finish(false, Arg(txt::BackupNotRestorable, QString::fromStdString(refused)));
        return s;
    }
    QString error;
    if (WriteSettingsFile(path_, walk_.Document(), error)) {
        Finish(true, path_);
    } else {
        writeFailed_ = true;
        Finish(false, error);
    }
    return s;
}

void BackupRun::Finish(bool ok, const QString& message) {
    over_ = true;
    SetBusyCancelOffers(true);
    if (timer_) timer_->stop();
    if (finished_) finished_(ok, message);
}

void AddSettingsFileButtons(TfrmMain* main, QVBoxLayout* layout) {
    // Set apart from the console's menu items, which they are not.
    layout->addSpacing(12);
    auto* save = new QPushButton(LangText(txt::SaveSettingsButton).trimmed(), main);
    save->setObjectName(QStringLiteral("btnSaveSettings"));
    save->setAutoDefault(false);
    save->setMinimumSize(280, 34);
    layout->addWidget(save, 0, Qt::AlignHCenter);
    QObject::connect(save, &QPushButton::clicked, main, [] { SaveSettingsToFile(); });
    auto* restore = new QPushButton(LangText(txt::RestoreSettingsButton).trimmed(), main);
    restore->setObjectName(QStringLiteral("btnRestoreSettings"));
    restore->setAutoDefault(false);
    restore->setMinimumSize(280, 34);
    layout->addWidget(restore, 0, Qt::AlignHCenter);
    QObject::connect(restore, &QPushButton::clicked, main, [] { RestoreSettingsFromFile(); });
}

QString DefaultSettingsFileName(const QString& comName, const QString& resolvedPath,
                                const QDate& date) {
    QString where = comName;
    const qsizetype scheme = resolvedPath.indexOf(QLatin1String("://"));
    if (scheme > 0) {
        // "tcp://host:port/" -> "host_port": a colon or slash is no part of
        // a file name on every system the file may be copied to.
        where = resolvedPath.mid(scheme + 3);
        while (where.endsWith(QLatin1Char('/')))
            where.chop(1);
        static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9._-]+"));
        where.replace(unsafe, QStringLiteral("_"));
    }
    QString name = QStringLiteral("tavik-");
    if (!where.isEmpty()) name += where + QLatin1Char('-');
    return name + date.toString(Qt::ISODate) + QStringLiteral(".json");
}

QString WithJsonSuffix(const QString& path) {
    if (path.endsWith(QLatin1String(".json"), Qt::CaseInsensitive)) return path;
    return path + QStringLiteral(".json");
}

QString AskSettingsSavePath(QWidget* parent, const QString& defaultName) {
    QFileDialog dialog(parent, LangPlain(txt::SaveSettingsButton).trimmed(), QString(),
                       LangText(txt::SettingsFileFilter).trimmed());
    dialog.setObjectName(QStringLiteral("dlgSaveSettings"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The dialog's own suffix (its overwrite question then names the real
    // file) for a name without any; WithJsonSuffix for "name.txt".
    dialog.setDefaultSuffix(QStringLiteral("json"));
    dialog.selectFile(defaultName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return WithJsonSuffix(dialog.selectedFiles().constFirst());
}

void SaveSettingsToFile() {
    TfrmMain* main = frmMain.get();
    if (!main) return;
    const QString com =
        OpenPortNumber() > 0 ? QStringLiteral("COM%1").arg(OpenPortNumber()) : QString();
    const QString resolved =
        com.isEmpty() ? QString()
                      : QString::fromStdString(platform::ResolvePortName(com.toStdString()));
    const QString path =
        AskSettingsSavePath(main, DefaultSettingsFileName(com, resolved, QDate::currentDate()));
    if (path.isEmpty()) return;
    auto* run = new BackupRun(path, nullptr, main);
    // The run belongs to the main window; it says how it went and goes.
    auto finished = [run](bool ok, const QString& message) {
        CloseBusyBox();
        if (ok)
            platform::AppMessageBox(Arg(txt::SettingsFileSaved, message),
                                    LangText(txt::SettingsCaption).trimmed(), platform::MB_OK);
        else
            platform::AppMessageBox(Arg(txt::SettingsFileNotSaved, message),
                                    LangText(txt::SettingsCaption).trimmed(), platform::MB_OK);
        run->deleteLater();
    };
    run->SetFinished(finished);
    run->Start();
}

QString RestoreSummaryTail(const QStringList& answered) {
    if (answered.isEmpty()) return QString();
    QString tail = QStringLiteral("\n\n") + MessageText(txt::RestoreAnswered);
    for (const QString& line : answered)
        tail += QStringLiteral("\n    ") + line;
    return tail;
}

void RestoreSettingsFromFile() {
    TfrmMain* main = frmMain.get();
    if (!main) return;
    const QString path =
        QFileDialog::getOpenFileName(main, LangPlain(txt::RestoreSettingsButton).trimmed(),
                                     QString(), LangText(txt::SettingsFileFilter).trimmed());
    if (path.isEmpty()) return;
    auto* run = new RestoreRun(path, nullptr, main);
    // Left alone, the restore goes to its end: the windows' boxes are
    // answered on the way and come back in the one summary.
    run->SetAnswerBoxes(true);
    run->SetFinished([run, path](RestoreRun::Outcome outcome, const QString& message) {
        QString text = outcome == RestoreRun::Outcome::BadFile
                           ? LangText(txt::RestoreBadFile)
                                 .replace(QLatin1String("%1"), path)
                                 .replace(QLatin1String("%2"), message)
                           : message;
        text += RestoreSummaryTail(run->AnsweredBoxes());
        platform::AppMessageBox(text, LangText(txt::SettingsCaption).trimmed(), platform::MB_OK);
        run->deleteLater();
    });
    run->Start();
}

void InstallSettingsFileButtons() {
    SetMainMenuAddition(AddSettingsFileButtons);
}
