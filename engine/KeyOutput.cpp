#include "engine/KeyOutput.h"

#include "engine/ConsoleLog.h"
#include "engine/SerialLink.h"
#include "platform/Secret.h"
#include "platform/Ui.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kMaxKeys = 254; // the send buffer holds 255 bytes

// Survives the reader thread on purpose: a text that replaces one being
// typed goes on from the position reached.
int32_t g_nextKey = 0;
// Which keys of the send buffer are secret; set with the buffer.
bool g_secret[kMaxKeys + 1] = {};

} // namespace

void SendKeys(const char* text, const std::vector<SecretSpan>& secret) {
    ComThread* thread = GetComThread();
    if (thread == nullptr) return;
    const size_t n = text == nullptr ? 0 : strnlen(text, kMaxKeys);
    std::memset(g_secret, 0, sizeof g_secret);
    for (const SecretSpan& span : secret)
        for (int i = std::max(span.start, 0); i < span.start + span.length && i < int(kMaxKeys);
             ++i)
            g_secret[i] = true;
    if (n > 0) std::memcpy(thread->sendBuffer, text, n);
    thread->sendBuffer[n] = 0;
    thread->sendPending.store(true);
}

bool IsSendPending() {
    ComThread* thread = GetComThread();
    return thread != nullptr && thread->sendPending.load();
}

void CancelPendingKeys() {
    g_nextKey = 0;
    ComThread* thread = GetComThread();
    if (thread == nullptr) return;
    thread->sendPending.store(false);
    // Keys not typed may be a password's.
    platform::WipeSecret(thread->sendBuffer, sizeof thread->sendBuffer);
}

void ComThread::TypeNextKey() {
    const auto n = static_cast<int32_t>(strnlen(sendBuffer, sizeof(sendBuffer) - 1));
    if (g_nextKey < 0) g_nextKey = 0;
    if (g_nextKey < n) {
        const auto byte = static_cast<uint8_t>(sendBuffer[g_nextKey]);
        if (port != nullptr) port->Write(&byte, 1);
        const bool secret = g_nextKey <= int32_t(kMaxKeys) && g_secret[g_nextKey];
        // A password's key is not kept once typed (the buffer stays the
        // same length: a text that replaces it goes on from here).
        if (secret) sendBuffer[g_nextKey] = kSecretKeyShown;
        ReportConsoleBytes(ConsoleDirection::Typed,
                           std::string(1, secret ? kSecretKeyShown : static_cast<char>(byte)));
        PostToTarget(WM_CONSOLE_KEY, 0, static_cast<intptr_t>(static_cast<int8_t>(byte)));
        ++g_nextKey;
    }
    if (g_nextKey >= n) {
        sendPending.store(false);
        g_nextKey = 0;
    }
}

void TypeNextKey() {
    if (ComThread* thread = GetComThread()) thread->TypeNextKey();
}

void ResetKeyOutput() {
    g_nextKey = 0;
}
