#pragma once
// The saved copy and the dirty pages of a paged table (ports, PVIDs, a
// group's members). The copy is taken when the table is shown; an Apply
// writes only the pages holding an entry that differs from it. A garbled
// page is never dirty: what it shows may belong to other entries.
#include "shared/Publicunit.h"

// Copies every entry `valid` accepts; the others are marked empty.
template <class Entry, int N>
void TakePageCopy(const Entry (&table)[N], Entry (&saved)[N], bool (*valid)(int)) {
    for (int i = 0; i < N; ++i) {
        if (valid(i))
            saved[i] = table[i];
        else
            saved[i].name[0] = 0;
    }
}

// Sets PageDirty[p] for every page of `perPage` entries holding an entry,
// before the first one `valid` refuses, that differs (`differs`) from the
// copy. Pages already marked stay marked.
template <class Entry, int N, class Differs>
void MarkDirtyPages(const Entry (&table)[N], const Entry (&saved)[N], int perPage,
                    const bool* garbled, bool (*valid)(int), Differs differs) {
    for (int i = 0; i < N && valid(i); ++i)
        if (!garbled[i / perPage] && differs(table[i], saved[i])) PageDirty[i / perPage] = true;
}
