#pragma once
// The restart menu window: factory default, restart, back to the main menu.
#include "forms/Form.h"

#include <cstdint>

class QLabel;
class QPushButton;

class TfrmRestartConfig : public TForm {
    Q_OBJECT
public:
    explicit TfrmRestartConfig(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QPushButton* btnDefault = nullptr;
    QPushButton* btnRestart = nullptr;
    QPushButton* btnPrevMenu = nullptr;

    int32_t MenuTarget = 0;
    int32_t MenuCurrent = 0;

    void btnDefaultClick();
    void btnRestartClick();
    void btnPrevMenuClick();

protected:
    void FormActivate() override;
    void FormClose(TCloseAction& action) override;
    bool event(QEvent* e) override;
};
