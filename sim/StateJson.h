#pragma once
// The switch's stored configuration as a JSON document (format and example
// in docs/state-format.md).
#include "sim/SwitchState.h"

#include <QByteArray>

#include <string>

namespace sim {

// Reads `json` over `state`: whatever the document leaves out keeps the
// value `state` already has (normally FactoryState(...)). Refuses, with an
// error naming the field, any value the switch could never have stored and
// any text longer than its field; `state` is unchanged then.
bool LoadStateJson(const QByteArray& json, SwitchState& state, std::string& error);

// The whole state; LoadStateJson reads it back to an equal state.
QByteArray DumpStateJson(const SwitchState& state);

} // namespace sim
