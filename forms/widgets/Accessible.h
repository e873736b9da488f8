#pragma once
// Names for screen readers: every control of a window gets its caption as
// its accessible name, an edit or list box the caption of its label (the
// label left of it on its row, else the one right above it), in the
// language in force. objectName stays the control's name.
class QWidget;

// Names the controls of a shown window; run again after its texts change.
void NameControls(QWidget* window);
