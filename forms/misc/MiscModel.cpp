#include "forms/misc/MiscModel.h"

#include "engine/KeyOutput.h"
#include "engine/PageValues.h"
#include "shared/FieldText.h"

#include <cctype>
#include <cstring>

MiscRecord MiscSettings;
MiscRecord SavedMiscSettings;
char ConsoleUserName[16];

namespace {

const char* const kHash[kMacHashChoices] = {"CRC-Hash ", "DirectMap"};

std::string Text(const char* text) {
    return text ? std::string(text, strnlen(text, 256)) : std::string();
}

} // namespace

const char* MacHashChoice(int index) {
    return index >= 0 && index < kMacHashChoices ? kHash[index] : "";
}

int32_t MacHashIndex(const char* text) {
    for (int i = 0; i < kMacHashChoices; ++i)
        if (text && std::strcmp(text, kHash[i]) == 0) return i;
    return -1;
}

bool IsEnabledText(const char* text) {
    std::string upper = Text(text);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper.find("ENABLED") != std::string::npos;
}

void StoreMiscValue(int32_t value, const char* text) {
    switch (value) {
    case pv::MiscUserName:
        SetField(ConsoleUserName, Text(text));
        break;
    case pv::MiscRetry:
        SetField(MiscSettings.retryText, Text(text));
        break;
    case pv::MiscAging:
        SetField(MiscSettings.agingText, Text(text));
        break;
    case pv::MiscHash:
        SetField(MiscSettings.hashText, Text(text));
        break;
    default:
        break;
    }
}

void InterpretMiscTexts() {
    MiscSettings.retryForever = IsEnabledText(MiscSettings.retryText);
    MiscSettings.autoAging = IsEnabledText(MiscSettings.agingText);
    if (!Trim(MiscSettings.hashText, sizeof MiscSettings.hashText).empty())
        MiscSettings.hashIndex = MacHashIndex(MiscSettings.hashText);
}

void TakeMiscCopy() {
    SavedMiscSettings = MiscSettings;
}

void ResetMiscSettings() {
    MiscSettings = MiscRecord{};
    SavedMiscSettings = MiscRecord{};
    ConsoleUserName[0] = 0;
}

int BuildMiscKeys(const std::string& user, const std::string& oldPassword,
                  const std::string& newPassword, const std::string& again, char* out, int outSize,
                  std::vector<SecretSpan>* secret) {
    KeyText keys(out, outSize);
    keys.add(KEY_ENTER);
    for (const std::string* box : {&user, &oldPassword, &newPassword, &again}) {
        const int start = keys.length();
        keys.add(box->c_str());
        if (secret != nullptr && box != &user) secret->push_back({start, keys.length() - start});
        keys.add(KEY_TAB);
    }
    const MiscRecord& now = MiscSettings;
    const MiscRecord& was = SavedMiscSettings;
    if (now.retryForever != was.retryForever) keys.add(KEY_SPACE);
    keys.add(KEY_TAB);
    if (now.autoAging != was.autoAging) keys.add(KEY_SPACE);
    keys.add(KEY_TAB);
    if (now.hashIndex != was.hashIndex) keys.add(KEY_SPACE);
    keys.add(KEY_CTRL_A);
    keys.add(KEY_TAB);
    keys.add(KEY_ENTER);
    return keys.length();
}
