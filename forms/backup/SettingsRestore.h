#pragma once
// "Restore settings from file…": the file checked whole, the switch read
// (a settings walk), the differences shown and confirmed, then only those
// written through the windows' own Apply paths, in the order the switch
// needs them (trunks; ports; VLAN mode; groups created or edited; PVIDs;
// groups the file lacks deleted; misc), and the switch read again and
// compared with the file.
#include "forms/backup/SettingsWalk.h"

#include "platform/Ui.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QTimer;

class RestoreRun : public QObject {
    Q_OBJECT
public:
    enum class Outcome { Verified, Unchanged, Differs, BadFile, Cancelled, Lost };
    using Finished = std::function<void(Outcome, const QString&)>;
    RestoreRun(QString path, Finished finished, QObject* parent = nullptr);
    ~RestoreRun() override;
    // Reads and checks the file, then starts reading the switch; false when
    // the file is refused or the main menu is not up (finished is called).
    bool Start(bool timer = true);
    void Poll();
    void SetFinished(Finished finished) { finished_ = std::move(finished); }
    // The walks' step lines.
    std::function<void(const std::string&)> progress;
    // The differences found before writing.
    const std::vector<std::string>& Changes() const { return changes_; }
    // A restore from the window: once the user said Yes to the changes, the
    // windows' own boxes ("saved", a delete's question) are answered by the
    // restore (OK, Yes) instead of waiting for a click each, and their texts
    // kept for one summary at the end. The handler in force before comes
    // back when the restore ends.
    void SetAnswerBoxes(bool on) { answerBoxes_ = on; }
    // "caption: text" of each box the restore answered with OK.
    const QStringList& AnsweredBoxes() const { return answered_; }
    // Only read and compare (a headless --check): the switch is read twice,
    // the two readings must agree (else Lost), and the run ends Unchanged or
    // Differs with Changes() the differences, having typed nothing but the
    // walks' navigation.
    void SetCheckOnly(bool checkOnly) { checkOnly_ = checkOnly; }
    // A write was started (some window's Apply or the VLAN mode typed).
    bool Typed() const { return typed_; }

private:
    struct Task {
        int32_t form;                // the window to reach
        std::function<bool()> ready; // extra condition before acting (may be null)
        std::function<void()> act;
        std::string say;
    };
    enum class Phase { Reading, Writing, Verifying, Over };
    void PlanWrites(const BackupDocument& now);
    void StartWalk();
    bool Reach(int32_t form);
    bool SecondReading(const BackupDocument& now);
    void Finish(Outcome outcome, const QString& message);
    void TakeBoxes();
    void GiveBoxesBack();
    // "step n of N" of the writing: the tasks that act.
    void ShowWriteStep();
    QString path_;
    Finished finished_;
    BackupDocument want_;
    SettingsWalk walk_;
    std::vector<Task> tasks_;
    std::vector<std::string> changes_;
    size_t next_ = 0;
    Phase phase_ = Phase::Over;
    QTimer* timer_ = nullptr;
    int rounds_ = 0;
    bool modeRound_ = false; // the round being written changes the VLAN mode
    bool checkOnly_ = false;
    std::unique_ptr<BackupDocument> firstReading_; // a check's first reading
    bool typed_ = false;
    std::string userBefore_; // the console user name the first reading found
    bool answerBoxes_ = false;
    bool boxesTaken_ = false;
    platform::MessageBoxHandler previousBoxes_;
    QStringList answered_;
    int writeStep_ = 0;
    int writeSteps_ = 0;
};

// What a restore of `file` leaves the switch holding, given what it holds
// now: the file with the console user name `user` (a restore never types
// the account; a misc save retypes the name the switch had) and, on a port
// whose module type differs, the switch's type, and the switch's speed when
// its type cannot run the file's (those ports are added to `kept`).
BackupDocument RestoreTarget(const BackupDocument& now, const BackupDocument& file,
                             const std::string& user, std::vector<std::string>* kept = nullptr);

// Puts the file's values into the windows' tables and controls (no keys).
void FillTrunkWindow(const BackupDocument& want);
void FillPortTable(const BackupDocument& want);
void FillGroupWindow(const BackupGroup& g, int32_t mode, bool creating);
void FillPvids(const BackupDocument& want);
void FillMiscWindow(const BackupDocument& want);
// The list row (as the window shows it) of the group with this name, -1.
int GroupListRow(const std::string& name);
