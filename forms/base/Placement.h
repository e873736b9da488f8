#pragma once
// Where a window opens and which control has the keyboard when it does.
class QWidget;

// Centres `window` on `opener` (on the screen when there is none), kept
// inside the screen's free area so that no title bar opens off screen.
// Called before the window is shown.
void PlaceCentred(QWidget* window, const QWidget* opener);

// The control a window gives the keyboard to when it opens: its first field
// a user types or chooses in (tab order), else `fallback` (the default
// button), else the first control that takes focus at all. Typing straight
// after a window opens then lands in a field instead of being lost.
QWidget* FirstInputControl(QWidget* window, QWidget* fallback);
