#pragma once
// The busy window: stands in front while the switch's console moves to
// another screen. It shows the busy text, a second line and a looping
// animation, and refuses to close unless CloseBusyBox allowed it.
#include "forms/Form.h"

// Shows the busy window with BusyText (creating it when needed); it takes no
// input while it is up.
void ShowBusyBox();
// Closes and forgets the busy window, if there is one.
void CloseBusyBox();

class QLabel;
class AviPlayer;

class TfrmMessage : public TForm {
    Q_OBJECT
public:
    explicit TfrmMessage(QWidget* parent = nullptr);

    QLabel* lblMsg1 = nullptr;
    QLabel* lblMsg2 = nullptr;
    AviPlayer* aviComm = nullptr;
    bool CloseAllowed = false;

    // The animation file: "net_comm.avi" in the program's folder, unless
    // tests chose another one (an empty path restores the default).
    static QString AnimationPath();
    static void SetAnimationPath(const QString& path);

protected:
    void FormShow() override;
    void FormClose(TCloseAction& action) override;
};
