#pragma once
// After the first login the program reads the trunk screen once, hidden
// behind the busy window, so that the port window knows the module trunk
// before the user opens it. VersionStage tells where the walk is: 0 before
// the first version line of the main menu, 1 while the walk runs, 2 after.
#include <cstdint>

// A main-menu item line: on the first menu after login (stage 1) the walk
// goes into the static menu's trunk screen.
void PostLoginMenuItem(int32_t value);
// The first version line after login starts the walk: the busy window stays
// up through it.
void PostLoginVersionLine();
// The trunk screen's Quit item: true when it ends the walk (the keys back to
// the main menu are typed), false when it is the user's own trunk screen.
bool PostLoginTrunkQuit();
// The switch restarted during the walk: the next login runs it again.
void CutPostLoginWalk();
