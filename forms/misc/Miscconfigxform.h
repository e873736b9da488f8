#pragma once
// The misc configuration window: the console account (user name and a
// password change), Retry Forever, Auto-Aging and the MAC hash algorithm
// (forms/MiscModel.h). The switch judges a password change itself and
// answers with one of two result lines; both close the window. After a
// saved change the window opens the misc screen once more and compares the
// user name the switch stored with the one typed: one lost key would
// otherwise lock the operator out unnoticed.
#include "forms/base/ConfigForm.h"
#include "forms/misc/MiscModel.h"

#include <cstdint>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Router entries of the misc screen: a value line (the router shows the busy
// window first), the screen drawn with Edit highlighted, and the two save
// results (saved, or the password refused).
void HandleMiscRow(int32_t value, const char* text);
void MiscArrival();
void MiscResult(int32_t value);

class TfrmMiscConfigX : public TConfigForm {
    Q_OBJECT
public:
    // Edits in the window not yet applied to the switch.
    bool HasUnappliedChanges() const;
    explicit TfrmMiscConfigX(QWidget* parent = nullptr); // the create handler

    void ShowMisc();
    void CollectMisc();
    void WriteMisc();

    void btnSaveClick();
    void btnQuitClick();

    QLineEdit* edtUsername = nullptr;
    QLineEdit* edtOldPassword = nullptr;
    QLineEdit* edtNewPassword = nullptr;
    QLineEdit* edtPasswordAgain = nullptr;
    QCheckBox* chkRetryForever = nullptr;
    QCheckBox* chkAutoAging = nullptr;
    QComboBox* cboMacHash = nullptr;
    QLabel* lblMsg = nullptr;
    QPushButton* btnQuit = nullptr;
    QPushButton* btnSave = nullptr;
    // The misc screen drawn again after a save (0 not reading back; 1 the
    // first read, 2 the one ESC redraw when the first did not show the
    // name typed).
    int ReadBackRound = 0;

    // The switch's result line: the refusal is answered at once; a saved
    // change is read back first.
    void SaveResult(int32_t value);
    // The misc screen is up again during a read-back (Edit highlighted).
    void ReadBackArrived();

protected:
    void FormActivate() override;
    void FormClose(TCloseAction& action) override;

private:
    void CreateControls();
    void ShowResultAndClose(const QString& message);

    std::string TypedUser_; // the user name the last Apply typed
    // The console waits on a result line (the key that answers it is ESC),
    // rather than showing the misc screen.
    bool OnResultLine_ = false;
};
