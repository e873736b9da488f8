#pragma once
// The console monitor: the console's lines as they arrive and the keys
// typed (passwords as '*'), for seeing what the switch shows when something
// goes wrong. It only watches: it types nothing, and it never becomes the
// active form, so going to it and back does not run a window's activation
// handler (which would refill that window's controls and lose its edits).
// F12 in any window, or a window's monitor button, shows it. Its tools:
// timestamps in front of the lines (a toggle), the lines saved as a text
// file, and a transcript started and stopped from the window (the same as
// --transcript: engine/Transcript.h, passwords already '*').
#include "forms/base/Form.h"

#include <QString>

#include <functional>
#include <string>

class QCheckBox;
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
    QCheckBox* chkTimestamps = nullptr;
    QPushButton* btnSaveText = nullptr;
    QPushButton* btnTranscript = nullptr;

    // The file name a save dialog returns (empty: cancelled). Tests answer
    // the dialog with their own; nullptr puts the file dialog back.
    using SaveFileAsker =
        std::function<QString(QWidget* parent, const QString& caption, const QString& filter)>;
    static void SetSaveFileAsker(SaveFileAsker asker);

    // Shows and raises the window without making it the active form.
    void ShowMonitor();
    // Copies the selected text, or everything when nothing is selected.
    void btnCopyClick();
    // Save as text: asks for a file, writes every line shown (a box says
    // why when the file cannot be written).
    void btnSaveTextClick();
    bool SaveText(const QString& path, QString& error);
    // Start transcript (asks for a file) or Stop transcript, whichever the
    // button says; the caption follows TranscriptRunning().
    void btnTranscriptClick();
    bool StartTranscriptTo(const QString& path);
    void ShowTranscriptState();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Received(const std::string& bytes);
    void Typed(const std::string& bytes);
    // Adds text to the memo, as a new line or at the end of the last one.
    // While the window is hidden the text is only held: laying out every
    // line as it arrives cost the program more than anything else while the
    // switch drew. It goes into the memo when the window is shown.
    void Append(QString text, bool newLine);
    QString AskSaveFile(int32_t captionId, int32_t filterId);
    void ApplyTexts();
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
