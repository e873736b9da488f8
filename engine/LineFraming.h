#pragma once
#include "engine/PageEntry.h"

#include <memory>

// Line to entry: position code and text (value 0). Texts are cut at 79 bytes.
std::unique_ptr<PageEntry> MakeEntry(const char* line);
// Watches the lines after each clear screen; false = unexpected screen start.
bool CheckScreenStart(const char* line);
void ResetScreenStartCheck(); // tests only: engine-wide state back to start
