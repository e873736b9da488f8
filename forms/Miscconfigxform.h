#pragma once
// The misc configuration window: the console account (user name and a
// password change), Retry Forever, Auto-Aging and the MAC hash algorithm
// (forms/MiscModel.h). The switch judges a password change itself and
// answers with one of two result lines; both close the window.
#include "forms/Form.h"
#include "forms/MiscModel.h"

#include <cstdint>

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

class TfrmMiscConfigX : public TForm {
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
    // An Apply's keys are out and the switch's result has not come yet.
    bool AwaitingResult = false;

protected:
    void FormActivate() override;
    void FormClose(TCloseAction& action) override;

private:
    void CreateControls();
};
