#pragma once
// The port configuration window: reads the 26 ports of the console's port
// screens into PortTable, shows them eight rows at a time, and writes the
// changed console pages back by typing into those screens.
#include "forms/Form.h"

#include <cstdint>

class QComboBox;
class QLabel;
class QPushButton;

// One port row of the console screen. Texts are zero-terminated and cut to
// their field width when taken from the console or from a choice list.
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

// Clears names, types and choice counts before a new read of the port screens
// (also clears Saving and PortCount).
void ResetPortTable();
// A recognised port field, values 4101..4809 (row * 100 + field).
void HandlePortRow(int32_t value, const char* text);
// The port screen was drawn (value 4001): reading progress, or the next page
// of an Apply.
void PortArrival();
// The console's "press any key" prompt after a save (value 4007).
void PortPrompt();

// Fill a row's choice list; both return the selected index, -1 when the
// console text matches no choice offered.
int32_t FillAutoChoices(QComboBox* list, const char* autoText);
int32_t FillSpeedChoices(const char* type, QComboBox* list, const char* speedText,
                         const char* name);
// Choice indexes and counts of every read port, from the console texts.
void PreparePortChoices();
// SavedPortTable := PortTable (ports with a name).
void TakePortCopy();
// PageDirty[p] for every eight-port page that differs from SavedPortTable.
void MarkPortPages();
// Types the next console page of an Apply (written when dirty, else passed).
void WritePortPage();
// The keys that write (dirty) or pass (clean) console page `page`, the console
// being on that page with Quit highlighted. Never writes more than outSize
// bytes including the terminating zero; returns the length.
int BuildPortPageKeys(int page, char* out, int outSize);
// (PortCount - 1) / 8, truncating toward zero.
int LastPortPage();
// The module trunk's port name, "TRUNK" + (ModuleTrunk + 1).
void ModuleTrunkName(char* out, int outSize);

class TfrmPortConfig : public TForm {
    Q_OBJECT
public:
    explicit TfrmPortConfig(QWidget* parent = nullptr); // the create handler
    ~TfrmPortConfig() override;

    // The console's port pages have been read through and the first page
    // has come back.
    bool AllRead = false;

    void ShowPortRow(int r);
    void ShowPortPage();
    // Validates the shown page and copies it into PortTable; false (after a
    // message box, with the offending box reset to "0" and focused) when a
    // rate is not an integer in 0..1000.
    bool CollectPortPage();

    void btnQuitClick();
    void btnSaveClick();
    void btnPrevPageClick();
    void btnNextPageClick();

    QPushButton* btnQuit = nullptr;
    QPushButton* btnSave = nullptr;
    QPushButton* btnPrevPage = nullptr;
    QPushButton* btnNextPage = nullptr;

protected:
    void FormShow() override;
    void FormClose(TCloseAction& action) override;

private:
    void CreateControls();
    void ApplyLanguageLayout();
    QLabel* label(int n) const;
};
