#pragma once
// The restart menu window: factory default, restart, back to the main menu.
#include "forms/base/MenuForm.h"

class TfrmRestartConfig : public TMenuForm {
    Q_OBJECT
public:
    TfrmRestartConfig(); // the create handler

    QPushButton* btnDefault = nullptr;
    QPushButton* btnRestart = nullptr;
    QPushButton* btnPrevMenu = nullptr;

    void btnDefaultClick();
    void btnRestartClick();
    void btnPrevMenuClick();

protected:
    void FormActivate() override;
    void FormClose(TCloseAction& action) override;
    QWidget* FirstFocus() override;
};

// Router entry: the restart menu was drawn.
void RestartArrival();
