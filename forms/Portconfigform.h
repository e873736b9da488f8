#pragma once
// The port configuration window: reads the 26 ports of the console's port
// screens into PortTable, shows them eight rows at a time, and writes the
// changed console pages back by typing into those screens.
#include "forms/Form.h"

#include <cstdint>

class QComboBox;
class QLabel;
class QPushButton;
class QLineEdit;
class QCheckBox;
class QFrame;

// One port row of the console screen. Texts are zero-terminated and cut to
// their field width when taken from the console.
struct PortEntry {
    char name[10];
    char type[14];
    int32_t inRate;
    int32_t outRate;
    bool enabled;
    char autoText[12];
    char speedText[11];
    int32_t autoIndex;
    int32_t speedIndex;
    bool flowFull;
    bool flowHalf;
    int32_t autoCount;
    int32_t speedCount;
};

constexpr int kPortTableSize = 26;

extern PortEntry PortTable[kPortTableSize];
extern PortEntry SavedPortTable[kPortTableSize];

// Clears names, types and choice counts before a new read of the port screens.
void ResetPortTable();
// A recognised port field, values 4101..4809 (row * 100 + field).
void HandlePortRow(int32_t value, const char* text);
// The port screen was drawn (value 4001): reading and saving progress.
void PortArrival();
// The console's prompt on the port screen (value 4007).
void PortPrompt();

// Choice lists of a row; both return the selected index, -1 when the console
// text matches no choice.
int32_t FillAutoChoices(QComboBox* list, const char* autoText);
int32_t FillSpeedChoices(const char* type, QComboBox* list, const char* speedText,
                         const char* name);
void PreparePortChoices();
void TakePortCopy();
void MarkPortPages();
// Types the next console page of an Apply (written when dirty, else passed).
void WritePortPage();
// The key text WritePortPage would type for console page `page` when the
// console is already there (no catching up); for tests and WritePortPage.
// Returns the number of bytes written to out (at most outSize - 1).
int BuildPortPageKeys(int page, char* out, int outSize);
// Last page index, (PortCount - 1) / 8 truncating.
int LastPortPage();

class TfrmPortConfig : public TForm {
    Q_OBJECT
public:
    explicit TfrmPortConfig(QWidget* parent = nullptr);
    ~TfrmPortConfig() override;

    bool AllRead = false;

    void ShowPortRow(int r);
    void ShowPortPage();
    bool CollectPortPage();

    void btnQuitClick();
    void btnSaveClick();
    void btnPrevPageClick();
    void btnNextPageClick();

protected:
    void FormShow() override;
    void FormClose(TCloseAction& action) override;
};
