#pragma once
// The start window: port and language choice, connect with its 20-second
// countdown, the switch's self-test lines, and the single entry of console
// output into the user interface (its event() handles the console messages
// and HandlePageEntry routes every recognised line).
#include "forms/base/Form.h"

#include <cstdint>
#include <string>

class PortBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

class TfrmWelcome : public TForm {
    Q_OBJECT
public:
    // The create handler. It also sets the global reference frmWelcome, so
    // that code run while the window is being built (the language texts)
    // already finds it, and installs the self-test list's hooks.
    explicit TfrmWelcome(QWidget* parent = nullptr);
    ~TfrmWelcome() override;

    QLabel* Label1 = nullptr;
    QLabel* lblTavik = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* btnConnect = nullptr;
    QPushButton* btnExit = nullptr;
    QComboBox* cboComPort = nullptr;
    QComboBox* cboLang = nullptr;
    QPlainTextEdit* memInit = nullptr;
    QTimer* tmrConnect = nullptr;
    // Fills cboComPort and keeps it up to date (forms/PortBox.h).
    PortBox* ports = nullptr;
    // The note shown when the switch is the built-in simulation (hidden
    // while empty).
    QLabel* lblSimulated = nullptr;

    int32_t ConnectTicks = 0;
    int32_t ConnectWalkKeys = 0; // typed since Connect, until the login page

    // The checks made once the window is up: a language file that could not
    // be read (the built-in English texts are in use), then the page table.
    void StartUpChecks();
    // Loads the page table (kept loaded for Connect when asked); false, with
    // no table loaded, after a message naming the file and the places looked in.
    bool CheckPageTable(bool keepLoaded);

    void cboLangChange();
    void btnConnectClick();
    void tmrConnectTimer();
    void btnExitClick();

    // Every recognised console entry: stops the connect countdown and hands
    // the entry to the page router (forms/PageRouter.h).
    void HandlePageEntry(int32_t value, const char* text);
    // The connect countdown's busy text: text 1260 and the seconds left.
    std::string CountdownText() const;
    void ClearInitLines();

    // Shows (non-empty) or hides (empty) the simulated-switch note.
    void SetSimulatedNote(const QString& note);

protected:
    void FormShow() override;
    void FormActivate() override;
    void FormClose(TCloseAction& action) override;
    bool event(QEvent* e) override;

private:
    void ConsoleLine(const char* line);
    bool englishMissing_ = false;
};

// Sets the Welcome window's captions from the language table; does nothing
// while the window does not exist.
void ApplyWelcomeTexts();
