#include "forms/base/PagedScreen.h"

#include "engine/KeyOutput.h"
#include "forms/base/Messageform.h"
#include "forms/base/RowLineup.h"
#include "lang/TextIds.h"
#include "shared/Publicunit.h"

void TPagedScreen::StartSave(const PageCycle& cycle) {
    setEnabled(false);
    BusyText = GetLangText(txt::BusySending);
    ShowBusyBox();
    cycle.markDirty();
    Saving = true;
    AwaitingAnswer = true;
    cycle.writeNextPage();
}

bool EndsPageRead(TPagedScreen* window, const PageCycle& cycle, int32_t value, const char* text) {
    if (window == nullptr || window->TableComplete || Saving || !cycle.wrapped(value, text))
        return false;
    if (!ReadRoundDone(cycle.finishRead(), window->Reread, cycle.restartRead)) return false;
    window->TableComplete = true;
    return true;
}

void PagedScreenArrived(TPagedScreen* window, const PageCycle& cycle, bool complete,
                        void (*beforeTurn)()) {
    if (Saving) {
        if (!IsSendPending()) cycle.writeNextPage();
        return;
    }
    if (complete) {
        ShowArrived(window);
    } else if (!IsSendPending()) {
        if (beforeTurn) beforeTurn();
        const char nextPage[] = {KEY_BACKSPACE, KEY_ENTER, 0};
        SendKeys(nextPage);
    }
}
