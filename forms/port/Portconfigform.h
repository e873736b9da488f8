#pragma once
// The port configuration window: shows the port table (forms/PortModel.h)
// eight rows at a time, validates what the user typed, and drives an Apply
// page by page as the switch draws its port screens.
#include "forms/base/PagedScreen.h"
#include "forms/port/PortModel.h"

#include <cstdint>

class QComboBox;
class QLabel;
class QPushButton;

// Router entries of the port screen: a port cell (while reading), the screen
// drawn (reading progress, or the next page of an Apply), and the console's
// "press any key" prompt after a save.
void HandlePortRow(int32_t value, const char* text);
void PortArrival();
void PortPrompt();
// Types the next console page of an Apply (written when dirty, else passed).
void WritePortPage();

// Fill a row's choice list; both return the selected index, -1 when the
// console text matches no choice offered.
int32_t FillAutoChoices(QComboBox* list, const char* autoText);
int32_t FillSpeedChoices(const char* type, QComboBox* list, const char* speedText,
                         const char* name);

class TfrmPortConfig : public TPagedScreen {
    Q_OBJECT
public:
    explicit TfrmPortConfig(QWidget* parent = nullptr); // the create handler
    ~TfrmPortConfig() override;

    void ShowPortRow(int r);
    void ShowPortPage();
    // Validates the shown page and copies it into PortTable; false (after a
    // message box, with the offending box reset to "0" and focused) when a
    // rate is not an integer in 0..1000.
    bool CollectPortPage();
    // Whether anything shown differs from what was read (Exit then asks).
    bool HasUnappliedChanges();

    void btnQuitClick();
    void btnSaveClick();
    void btnPrevPageClick();
    void btnNextPageClick();

    QPushButton* btnQuit = nullptr;
    QPushButton* btnSave = nullptr;
    QPushButton* btnPrevPage = nullptr;
    QPushButton* btnNextPage = nullptr;
    // Shown under a garbled page, whose rows are disabled.
    QLabel* lblGarbled = nullptr;

protected:
    void FormShow() override;
    void FormClose(TCloseAction& action) override;

private:
    void CreateControls();
    void ApplyLanguageLayout();
    QLabel* label(int n) const;
    // Control k of a row panel: 0 name, 1 type, 2 in-rate, 3 out-rate,
    // 4 enable, 5 auto, 6 speed, 7 flow full, 8 flow half.
    static QString RowControlName(int k, const QWidget* panel);
    template <class T> static T* RowControl(QWidget* panel, int k) {
        return panel->findChild<T*>(RowControlName(k, panel), Qt::FindDirectChildrenOnly);
    }
};
