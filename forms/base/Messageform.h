#pragma once
// The busy window: stands in front while the switch's console moves to
// another screen. It shows the busy text, a second line and a looping
// animation, and refuses to close unless CloseBusyBox allowed it.
#include "forms/base/Form.h"

#include <QString>

#include <cstdint>
#include <string>

// Shows the busy window with BusyText (creating it when needed); it takes no
// input while it is up.
void ShowBusyBox();
// Closes and forgets the busy window, if there is one.
void CloseBusyBox();
// The last step of a window's arrival: the window comes to the front,
// enabled, and the busy window goes.
void ShowArrived(TForm* form);

// A message text (id >= 1300) with its line end dropped and "%1" filled in.
QString MessageText(int32_t id, const QString& arg = QString());
// A data file that cannot be read: text `id` naming the file, the places it
// was looked in (one a line), then text `tailId`.
QString DataFileMessage(int32_t id, const char* bareName, int32_t tailId);

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

    // Shows the window with `bytes` (in the language's code page) as its
    // message. Shown again with the text it already shows, the window only
    // takes the activation back, as a show would: the busy text is shown for
    // every cell of a console page, and showing and repainting the window
    // each time cost more than everything else the program does while the
    // switch draws. The window shown after it still runs its FormActivate.
    void ShowText(const std::string& bytes);

    // The animation file: "net_comm.avi" in the program's folder, unless
    // tests chose another one (an empty path restores the default).
    static QString AnimationPath();
    static void SetAnimationPath(const QString& path);

protected:
    void FormShow() override;
    void FormClose(TCloseAction& action) override;

private:
    std::string shownText_; // what ShowText last showed, and how
    int32_t shownLanguage_ = -1;
    QString shownDecoded_;
};
