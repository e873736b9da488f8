#pragma once
// Passwords held in memory: kept out of core files and other users' reach,
// and overwritten once they have been used.
#include <string>

namespace platform {

// From now on the process writes no core file and other processes of the
// same user may not attach to it (PR_SET_DUMPABLE 0). There is no way back:
// copies of a password may linger in freed memory long after its use.
void KeepSecretsInProcess();
// Overwrites the bytes (in a way the compiler may not drop), for a string
// all its buffer, then empties it.
void WipeSecret(std::string& secret);
void WipeSecret(char* bytes, std::size_t count);

} // namespace platform
