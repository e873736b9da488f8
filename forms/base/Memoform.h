#pragma once
// The console monitor: the console's lines as they arrive and the keys
// typed (passwords as '*'), for seeing what the switch shows when something
// goes wrong. It only watches: it types nothing, and it never becomes the
// active form, so going to it and back does not run a window's activation
// handler (which would refill that window's controls and lose its edits).
// F12 in any window, or a window's monitor button, shows it.
#include "forms/base/Form.h"

#include <QString>

#include <string>

class QPlainTextEdit;
class QPushButton;
class QBoxLayout;

class TfrmMemo : public TForm {
    Q_OBJECT
public:
    explicit TfrmMemo(QWidget* parent = nullptr);
    ~TfrmMemo() override;

    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* btnCopy = nullptr;

    // Shows and raises the window without making it the active form.
    void ShowMonitor();
    // Copies the selected text, or everything when nothing is selected.
    void btnCopyClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Received(const std::string& bytes);
    void Typed(const std::string& bytes);
    // Adds text to the memo, as a new line or at the end of the last one.
    // While the window is hidden the text is only held: laying out every
    // line as it arrives cost the program more than anything else while the
    // switch drew. It goes into the memo when the window is shown.
    void Append(const QString& text, bool newLine);
    void ShowHeld();
    int observer_ = 0;
    std::string partial_; // received bytes after the last line break
    bool typing_ = false; // the last line shown is a line of typed keys
    QString held_;        // text for the memo not yet in it
    int heldLines_ = 0;
};

// Shows the console monitor, when there is one.
void ShowConsoleMonitor();
// A "Console monitor" button for a window's layout.
QPushButton* MakeMonitorButton(QWidget* window);
