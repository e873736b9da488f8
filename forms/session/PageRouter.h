#pragma once
// The page router: what one recognised console entry makes the windows do.
// The start window hands it every entry; each window's own unit holds the
// handlers of its pages (its arrival, its rows, its results).
#include <cstdint>

void RoutePageEntry(int32_t value, const char* text);

// Called with every recognised entry before it is routed (nullptr: none):
// a headless run counts them as the switch's progress.
void SetPageObserver(void (*observer)(int32_t value));

// Releases the shared configuration tables, as the program does when the
// connection ends.
void ReleaseSharedTables();
