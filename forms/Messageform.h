#pragma once
// The busy window: stands in front while the switch's console moves to
// another screen. It shows the busy text, a second line and a looping
// animation, and refuses to close unless CloseBusyBox allowed it (see
// ShowBusyBox / CloseBusyBox in shared/Publicunit.h).
#include "forms/Form.h"

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
