// Opening, refreshing and closing the busy window.
#include "forms/FormRefs.h"
#include "forms/Messageform.h"
#include "shared/Publicunit.h"

#include <QLabel>

void ShowBusyBox() {
    // A reference that is held but no longer alive cannot occur here (only
    // CloseBusyBox frees the window, and it clears the reference at once);
    // asking for the live window keeps a freed one from ever being touched.
    TfrmMessage* box = frmMessage.get();
    if (!box) {
        box = new TfrmMessage;
        frmMessage.set(box);
    }
    box->Show();
    box->lblMsg1->setText(DecodeText(BusyText));
    box->Repaint();
    box->setEnabled(false);
}

void CloseBusyBox() {
    if (!frmMessage.exists()) return;
    if (TfrmMessage* box = frmMessage.get()) {
        box->CloseAllowed = true;
        box->Close();
    }
    frmMessage.clear();
}
