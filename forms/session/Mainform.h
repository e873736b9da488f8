#pragma once
// The main menu window: mirrors the switch's main menu (static configuration,
// restart, logout) and shows the firmware version read from its screen.
#include "forms/base/MenuForm.h"

class TfrmMain : public TMenuForm {
    Q_OBJECT
public:
    TfrmMain(); // the create handler

    QPushButton* btnStaticConfig = nullptr;
    QPushButton* btnReboot = nullptr;
    QPushButton* btnLogout = nullptr;
    QLabel* lblVersion = nullptr;

    void btnStaticConfigClick();
    void btnRebootClick();
    void btnLogoutClick();

protected:
    void FormShow() override;
    void FormActivate() override;
    void FormClose(TCloseAction& action) override;
};

// Buttons a layer above the session adds under the main menu's items (the
// settings file's, installed by the program at start-up); nullptr: none.
class QVBoxLayout;
using MainMenuAddition = void (*)(TfrmMain* main, QVBoxLayout* layout);
void SetMainMenuAddition(MainMenuAddition addition);

// Router page operation for the version lines 2011 to 2013 of the main-menu
// screen: assembles VersionText. The buffer holds 11 characters; anything
// beyond is cut off.
void VersionLine(int32_t value, const char* text);
// Router entry: a main-menu item line; creates and shows the main window when
// the console reached the menu on the user's way.
void MainArrival();
