#pragma once
// The line-up check of a paged console table (the port, VLAN support and
// VLAN group screens): pages of rows, each row a name cell and value cells.
// Cells are placed by the screen row they are drawn on, never by a count:
// a name on the first row, or on a row already named in this round, starts
// the next page, and every cell of row r lands in entry page * rows + r.
//
// A page is garbled when
// - a name arrives on another row than the next one from the top,
// - a value cell arrives on a row without a name in this round, or twice,
// - at the end of the round, a row misses one of its cells or holds a value
//   the switch cannot hold (the model says which: markImpossible).
// What a garbled page shows may belong to other entries, so the models never
// write it back field by field.
#include <cstdint>

class RowLineup {
public:
    static constexpr int kPages = 4;

    // `pageGarbled` is the model's own flag array (one per page), so that
    // its windows and tests see the outcome by the model's name. Fields
    // `nameField`..`lastField` make a whole row.
    RowLineup(bool (&pageGarbled)[kPages], int tableSize, int rowsPerPage, int nameField,
              int lastField);

    // A new round: no row seen, no page garbled.
    void reset();
    // A non-empty name cell on screen row `row` (0-based): its entry, or -1
    // past the table or the page.
    int placeName(int row);
    // A value cell: the entry of that row on the page being read, or -1.
    int placeValue(int row, int field);
    // Would a name on this row start a page past the table? Then the read
    // has come round although the first name was not recognised again.
    bool wrapsAt(int row) const;
    void markImpossible(int entry);
    void markGarbled(int entry);
    bool seenName(int entry) const;
    // Ends a round over entries [0, count): marks the pages of rows missing
    // a cell or holding an impossible value; true when any page is garbled.
    bool finish(int count);
    bool anyGarbled() const;

private:
    static constexpr int kMaxEntries = 32;
    bool* pages_;
    int tableSize_;
    int rowsPerPage_;
    int nameField_;
    uint32_t allFields_;
    uint32_t fields_[kMaxEntries] = {}; // a bit per cell seen
    bool impossible_[kMaxEntries] = {};
    int pageStart_ = 0;  // entry of the first row of the page being read
    int pageNames_ = 0;  // names read on it so far (rows filled from the top)
    bool named_ = false; // a name was placed in this round
};

// A read that came round to its first row again: true when the table is as
// complete as it gets. A page that did not line up is read once more (the
// first time, `restart` begins the second round and false is returned);
// what the second round leaves garbled is shown disabled and never written.
bool ReadRoundDone(bool misaligned, bool& reread, void (*restart)());
