#pragma once
// The main menu window: mirrors the switch's main menu (static configuration,
// restart, logout) and shows the firmware version read from its screen.
#include "forms/Form.h"

#include <cstdint>

class QLabel;
class QPushButton;

class TfrmMain : public TForm {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* parent = nullptr); // the create handler

    QLabel* Label1 = nullptr;
    QPushButton* btnStaticConfig = nullptr;
    QPushButton* btnReboot = nullptr;
    QPushButton* btnLogout = nullptr;
    QLabel* lblVersion = nullptr;

    int32_t MenuTarget = -1;
    int32_t MenuCurrent = 0;

    void btnStaticConfigClick();
    void btnRebootClick();
    void btnLogoutClick();

protected:
    void FormShow() override;
    void FormActivate() override;
    void FormClose(TCloseAction& action) override;
    bool event(QEvent* e) override;

private:
    void MenuSelect(int32_t item, int32_t targetForm, int32_t busyTextId);
};

// Router page operation for the version lines 2011 to 2013 of the main-menu
// screen: assembles VersionText. The buffer holds 11 characters; anything
// beyond is cut off.
void VersionLine(int32_t value, const char* text);
