// The settings-file reader: whatever it accepts keeps every rule and, written
// back, reads to the same document and the same bytes; whatever it refuses
// is named as "field: rule" in printable ASCII (the text goes to a terminal
// and into a message box).
#include "forms/backup/BackupModel.h"

#include <cstdlib>
#include <string>

namespace {

bool NamesFieldAndRule(const std::string& error) {
    const size_t colon = error.find(": ");
    if (colon == 0 || colon == std::string::npos || colon + 2 == error.size()) return false;
    for (char c : error)
        if (c < 0x20 || c > 0x7e) return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray json(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    BackupDocument doc;
    std::string error;
    if (!BackupFromJson(json, doc, error)) {
        if (!NamesFieldAndRule(error)) std::abort();
        return 0;
    }
    if (!CheckBackupRules(doc).empty()) std::abort();
    const QByteArray written = BackupToJson(doc);
    BackupDocument again;
    if (!BackupFromJson(written, again, error) || !(again == doc)) std::abort();
    if (BackupToJson(again) != written) std::abort();
    return 0;
}
