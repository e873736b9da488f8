#pragma once
// The login window. It types the account into the switch's own login screen
// and learns the outcome only from the pages that follow: the main menu on
// success, the login screen drawn again on failure.
#include "forms/base/Form.h"

#include <cstdint>

class QLabel;
class QLineEdit;
class QPushButton;

class TfrmLogin : public TForm {
    Q_OBJECT
public:
    explicit TfrmLogin(QWidget* parent = nullptr); // the create handler

    QLabel* lblTavik = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* btnLogin = nullptr;
    QPushButton* btnExit = nullptr;
    QLineEdit* edtUsername = nullptr;
    QLineEdit* edtPassword = nullptr;
    QLabel* lblMsg = nullptr;

    // Login-page arrivals counted since the user name was typed.
    int32_t LoginPromptCount = 0;

    void btnLoginClick();
    void btnExitClick();

    enum MsgColour { MsgMaroon, MsgRed, MsgNavy };
    void SetMessage(const QString& text, MsgColour colour);

protected:
    void FormShow() override;
    void FormActivate() override;
    void FormHide() override;
    void FormClose(TCloseAction& action) override;
};

// Router entries: a line of the login screen; the switch asks for the
// password.
void LoginPageArrival();
void PasswordPromptArrival();
// Whether the login page counted so far shows that the switch refused the
// account typed last.
bool LoginRefused(int32_t promptCount);
