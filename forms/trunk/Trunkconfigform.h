#pragma once
// The trunk configuration window: seven trunk check boxes (static or not)
// and a grid of 26 ports by 7 trunks of radio buttons, one group box per port
// so that a port is in one trunk at most. It checks the trunk rules on Apply
// and writes the changed cells as one keystroke text (forms/TrunkModel.h).
#include "forms/base/ConfigForm.h"
#include "forms/trunk/TrunkModel.h"

#include <cstdint>

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;

// Router entries of the trunk screen: a status or member cell (with or
// without a window, also during the post-login walk), the screen drawn with
// Edit highlighted, and the save result.
void HandleTrunkRow(int32_t value, const char* text);
void TrunkArrival();
void TrunkSaveDone();

class TfrmTrkConfig : public TConfigForm {
    Q_OBJECT
public:
    explicit TfrmTrkConfig(QWidget* parent = nullptr); // the create handler

    // Radio clicks collect the members only once the first activation has
    // shown the table: the buttons ShowTrunks turns on are no user's choice.
    uint8_t RulesArmed = 0;
    bool MembersChanged = false;
    bool StaticChanged = false;

    void ShowTrunks();
    void SetTrunkOption(QCheckBox* box);
    void CheckTrunkRules();
    void SetUnchecked(QRadioButton* button);
    void CollectTrunkMembers();
    void WriteTrunks();

    void btnSaveClick();
    void btnQuitClick();

    QPushButton* btnQuit = nullptr;
    QPushButton* btnSave = nullptr;
    // The note shown when the screen stayed garbled after a second read.
    QLabel* lblGarbled = nullptr;
    // The screen did not line up and has been drawn once more.
    bool Reread = false;

    // The read's outcome before the window is first shown: a screen still
    // garbled gets the note and no Apply.
    void ShowLineup(bool garbled);

protected:
    void FormActivate() override;
    void FormClose(TCloseAction& action) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void ApplyLanguageLayout();
    // The count and mixing rules, trunk by trunk; false after the message of
    // the first rule broken.
    bool TrunkRulesHold();
    QLabel* label(int n) const;

private:
    // The controls as ShowTrunks filled them: Exit asks when they differ.
    QString shownState_;
};
