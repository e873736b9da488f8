#pragma once
// The process-wide hooks a test may install (message boxes, the serial
// device factory, COM name mappings, the engine's language lookup, manual
// stepping), put back as the program starts. Called from every cleanup(), so
// a case that fails half-way cannot leave its hooks to the next one.
#include "engine/SerialLink.h"
#include "platform/SerialDevice.h"
#include "platform/Ui.h"

inline void RestoreGlobalHooks() {
    platform::SetMessageBoxHandler(nullptr);
    platform::SetSerialDeviceFactory(nullptr);
    platform::ClearPortMappings();
    SetLanguageLookup(nullptr);
    SetManualStepping(false);
}
