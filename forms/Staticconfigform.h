#pragma once
// The static-configuration menu window: port, trunk, VLAN and misc
// configuration, and the way back to the main menu.
#include "forms/Form.h"

#include <cstdint>

class QLabel;
class QPushButton;

class TfrmStaticConfig : public TForm {
    Q_OBJECT
public:
    explicit TfrmStaticConfig(QWidget* parent = nullptr); // the create handler

    QLabel* Label1 = nullptr;
    QPushButton* btnPortConfig = nullptr;
    QPushButton* btnTrunkConfig = nullptr;
    QPushButton* btnVlanConfig = nullptr;
    QPushButton* btnMiscConfig = nullptr;
    QPushButton* btnMainMenu = nullptr;

    int32_t MenuTarget = -1;
    int32_t MenuCurrent = 0;

    // Public: the router runs it again to resume a port save after the
    // console went back to this menu.
    void btnPortConfigClick();
    void btnTrunkConfigClick();
    void btnVlanConfigClick();
    void btnMiscConfigClick();
    void btnMainMenuClick();

protected:
    void FormShow() override;
    void FormActivate() override;
    void FormClose(TCloseAction& action) override;
    bool event(QEvent* e) override;

private:
    void MenuSelect(int32_t item, int32_t targetForm, int32_t busyTextId, void (*extraStep)());
};
