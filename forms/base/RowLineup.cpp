#include "forms/base/RowLineup.h"

#include <algorithm>
#include <iterator>

RowLineup::RowLineup(bool (&pageGarbled)[kPages], int tableSize, int rowsPerPage, int nameField,
                     int lastField)
    : pages_(pageGarbled), tableSize_(std::min(tableSize, kMaxEntries)), rowsPerPage_(rowsPerPage),
      nameField_(nameField), allFields_((2u << lastField) - (1u << nameField)) {}

void RowLineup::reset() {
    std::fill(std::begin(fields_), std::end(fields_), 0u);
    std::fill(std::begin(impossible_), std::end(impossible_), false);
    std::fill(pages_, pages_ + kPages, false);
    pageStart_ = 0;
    pageNames_ = 0;
    named_ = false;
}

bool RowLineup::seenName(int entry) const {
    return entry >= 0 && entry < tableSize_ && (fields_[entry] & (1u << nameField_));
}

void RowLineup::markGarbled(int entry) {
    if (entry >= 0 && entry < tableSize_ && entry / rowsPerPage_ < kPages)
        pages_[entry / rowsPerPage_] = true;
}

void RowLineup::markImpossible(int entry) {
    if (entry >= 0 && entry < tableSize_) impossible_[entry] = true;
}

int RowLineup::placeName(int row) {
    if (row < 0 || row >= rowsPerPage_) return -1;
    if (named_ && (row == 0 || seenName(pageStart_ + row))) {
        pageStart_ += rowsPerPage_;
        pageNames_ = 0;
    }
    const int entry = pageStart_ + row;
    if (entry >= tableSize_) return -1;
    // Names fill a page's rows from the top: a name on any other row means
    // a cell was lost or moved on the line.
    if (row != pageNames_) markGarbled(entry);
    pageNames_ = row + 1;
    fields_[entry] = 1u << nameField_;
    impossible_[entry] = false;
    named_ = true;
    return entry;
}

int RowLineup::placeValue(int row, int field) {
    if (row < 0 || row >= rowsPerPage_ || field < 0 || field >= 32) return -1;
    const int entry = pageStart_ + row;
    if (entry >= tableSize_) return -1;
    if (!seenName(entry) || (fields_[entry] & (1u << field))) markGarbled(entry);
    fields_[entry] |= 1u << field;
    return entry;
}

bool RowLineup::wrapsAt(int row) const {
    if (!named_ || row < 0 || row >= rowsPerPage_) return false;
    const bool newPage = row == 0 || seenName(pageStart_ + row);
    return (newPage ? pageStart_ + rowsPerPage_ : pageStart_) + row >= tableSize_;
}

bool RowLineup::finish(int count) {
    for (int i = 0; i < count && i < tableSize_; ++i)
        if (fields_[i] != allFields_ || impossible_[i]) markGarbled(i);
    return anyGarbled();
}

bool RowLineup::anyGarbled() const {
    return std::any_of(pages_, pages_ + kPages, [](bool g) { return g; });
}

bool ReadRoundDone(bool misaligned, bool& reread, void (*restart)()) {
    if (!misaligned || reread) return true;
    reread = true;
    restart();
    return false;
}
