#include "platform/Secret.h"

#include <cstring>
#include <sys/prctl.h>

namespace platform {

void KeepSecretsInProcess() {
    (void)::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
}

void WipeSecret(char* bytes, std::size_t count) {
    if (bytes != nullptr && count > 0) ::explicit_bzero(bytes, count);
}

void WipeSecret(std::string& secret) {
    // Up to its capacity: a string moved from keeps the characters of its
    // own buffer behind its new, empty end. Growing to the capacity never
    // moves the buffer.
    secret.resize(secret.capacity());
    WipeSecret(secret.data(), secret.size());
    secret.clear();
}

} // namespace platform
