#pragma once
// The busy window: stands in front while the switch's console moves to
// another screen. It shows the busy text, a second line and a looping
// animation, and refuses to close unless CloseBusyBox allowed it.
#include "forms/base/Form.h"

#include <QString>

#include <cstdint>
#include <string>

// Shows the busy window with BusyText (creating it when needed); it takes no
// input while it is up, except its Cancel when the work offers one.
void ShowBusyBox();
// Closes and forgets the busy window, if there is one; an offered Cancel and
// the progress line go with it.
void CloseBusyBox();

// Cancel on the busy window (and Esc): `cancel` runs once when the user asks,
// and only then is the button there. The work that offers it must be able
// to stop where it stands: a read (it ends at the screen being drawn and
// goes back to its menu), the connect countdown. Offered while offers are
// off (a settings walk or restore drives the windows), nothing is offered.
// nullptr takes the offer back.
void OfferBusyCancel(void (*cancel)());
bool BusyCancelOffered();
void SetBusyCancelOffers(bool on);
// A read (a configuration screen or a menu read page by page) offers
// Cancel: asked, the busy window says so, no further page keys are typed,
// and the read stops at the arrival of the screen being drawn (a burst
// cannot be cut).
void OfferReadCancel();
bool ReadCancelAsked();
// The arrival of a screen under a read: when its Cancel was asked, and no
// keys of a page turn are still going out (their screen comes next and
// stops the read there), the busy window says `busyTextId`, `keys` (those
// that leave the screen) are typed, and the menu's own arrival, seeing
// CurrentForm == TargetForm as after a window's Exit, drops the unshown
// window and shows the menu. True when the arrival is taken: the caller
// turns no page and shows nothing.
bool StopReadAtArrival(int32_t busyTextId, const char* keys);

// A save has been typed and the switch has not answered: Cancel is shown but
// refused with the reason ("the switch is saving; wait for its answer"), as
// keys stopped in the middle of a page would leave the console mid-edit.
bool SaveInProgress();
// The progress line under the busy text: "step 3 of 7" (a backup or
// restore; count 0 clears it) and "page 2 of 4" (a console table of more
// than one page, seen from its page line while the busy window is up).
void SetBusyStep(int step, int count);
void SetBusyPage(int page, int count);
// The "Page p of n" line of a console screen, as the console draws it
// ("[15;02HPage 2 of 4" between two ESCs); false for any other line.
bool ParsePageLine(const std::string& segment, int& page, int& count);
// The last step of a window's arrival: the window comes to the front,
// enabled, and the busy window goes.
void ShowArrived(TForm* form);

// A message text (id >= 1300) with its line end dropped and "%1" filled in.
QString MessageText(int32_t id, const QString& arg = QString());
// A data file that cannot be read: text `id` naming the file, the places it
// was looked in (one a line), then text `tailId`.
QString DataFileMessage(int32_t id, const char* bareName, int32_t tailId);

class QLabel;
class QPushButton;
class AviPlayer;

class TfrmMessage : public TForm {
    Q_OBJECT
public:
    explicit TfrmMessage(QWidget* parent = nullptr);

    QLabel* lblMsg1 = nullptr;
    QLabel* lblMsg2 = nullptr;
    QLabel* lblProgress = nullptr;
    QPushButton* btnCancel = nullptr;
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

    // Cancel pressed (or Esc): refused during a save, else the offered
    // cancel runs once.
    void btnCancelClick();
    // The button shown while a cancel is offered or a save runs; the window
    // takes input only then.
    void UpdateCancel();
    // The progress line: the step and page parts, either may be empty.
    void ShowProgress(const QString& step, const QString& page);
    const QString& PageText() const { return page_; }

protected:
    void FormShow() override;
    void FormClose(TCloseAction& action) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::string shownText_; // what ShowText last showed, and how
    int32_t shownLanguage_ = -1;
    QString shownDecoded_;
    QString step_, page_;
};
