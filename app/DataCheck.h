#pragma once
// tavik-config --check-data: where the data files were found and whether
// they can be read; for an installation that does not start as expected.
#include <cstdio>

// Needs the application object (the program's folder is one place looked
// in). Returns 0 when every file was read, 1 otherwise.
int CheckDataFiles(std::FILE* out);
