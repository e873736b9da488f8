#pragma once
// Base of the windows over a paged console table (ports, PVIDs, a VLAN
// group's members). The console shows eight rows a page; the window shows
// the whole table. Reading: the console draws a page, the window's screen
// arrival turns to the next page, until the read comes round to the first
// row again (a garbled page is read round once more). Saving: only the pages
// that differ from the copy taken when the table was shown are written, one
// page per screen arrival, the others passed.
#include "forms/base/ConfigForm.h"

#include <cstdint>

// The model's side of the cycle.
struct PageCycle {
    // The read came round to the first row again.
    bool (*wrapped)(int32_t value, const char* text);
    // Ends a round: true when a page did not line up.
    bool (*finishRead)();
    // Begins the second round.
    void (*restartRead)();
    // Marks the dirty pages (against the copy).
    void (*markDirty)();
    // Types the next page of a save (its keys when dirty, else a pass).
    void (*writeNextPage)();
};

class TPagedScreen : public TConfigForm {
    Q_OBJECT
public:
    using TConfigForm::TConfigForm;

    // The pages have been read through and the first page has come back.
    bool TableComplete = false;
    // The pages have been read round a second time because the first round
    // left a page garbled.
    bool Reread = false;

protected:
    // Apply: the dirty pages marked, the busy window up and the first page
    // written; the switch's answer ends the save (EndAnsweredSave).
    void StartSave(const PageCycle& cycle);
};

// A row cell drawn while the table is read into `window` (nullptr while the
// window is not open yet): true when the cell ends the read (the table is
// complete; the cell belongs to the next round and is not stored).
bool EndsPageRead(TPagedScreen* window, const PageCycle& cycle, int32_t value, const char* text);

// The screen's last line drawn, `window` open: during a save the next page
// is written once the keys of the last are out; otherwise the window is
// shown when `complete`, else the console turns to its next page
// (`beforeTurn` runs first, when given).
void PagedScreenArrived(TPagedScreen* window, const PageCycle& cycle, bool complete,
                        void (*beforeTurn)() = nullptr);
