// The simulator's state file: whatever it accepts, it writes back in a form
// that reads to the same state, and writing that again gives the same bytes.
#include "sim/StateJson.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray json(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    sim::SwitchState state = sim::FactoryState();
    std::string error;
    if (!sim::LoadStateJson(json, state, error)) return 0;
    const QByteArray dumped = sim::DumpStateJson(state);
    sim::SwitchState again = sim::FactoryState();
    if (!sim::LoadStateJson(dumped, again, error)) std::abort();
    if (!(again == state)) std::abort();
    if (sim::DumpStateJson(again) != dumped) std::abort();
    return 0;
}
