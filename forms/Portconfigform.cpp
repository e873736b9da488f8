#include "forms/Portconfigform.h"

#include "forms/FormRefs.h"
#include "shared/Publicunit.h"

PortEntry PortTable[kPortTableSize];
PortEntry SavedPortTable[kPortTableSize];

void ResetPortTable() {}
void HandlePortRow(int32_t, const char*) {}
void PortArrival() {}
void PortPrompt() {}
int32_t FillAutoChoices(QComboBox*, const char*) {
    return -1;
}
int32_t FillSpeedChoices(const char*, QComboBox*, const char*, const char*) {
    return -1;
}
void PreparePortChoices() {}
void TakePortCopy() {}
void MarkPortPages() {}
void WritePortPage() {}
int BuildPortPageKeys(int, char* out, int outSize) {
    if (out && outSize > 0) out[0] = 0;
    return 0;
}
int LastPortPage() {
    return 0;
}

TfrmPortConfig::TfrmPortConfig(QWidget* parent) : TForm(parent) {}
TfrmPortConfig::~TfrmPortConfig() = default;
void TfrmPortConfig::ShowPortRow(int) {}
void TfrmPortConfig::ShowPortPage() {}
bool TfrmPortConfig::CollectPortPage() {
    return true;
}
void TfrmPortConfig::btnQuitClick() {}
void TfrmPortConfig::btnSaveClick() {}
void TfrmPortConfig::btnPrevPageClick() {}
void TfrmPortConfig::btnNextPageClick() {}
void TfrmPortConfig::FormShow() {}
void TfrmPortConfig::FormClose(TCloseAction& action) {
    action = caFree;
}
