#include "shared/FieldText.h"

#include "lang/Language.h"

namespace {

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

bool DoubleByteLanguage() {
    return LanguageId == kLangChineseTraditional || LanguageId == kLangChineseSimplified;
}

} // namespace

std::string Trim(const char* s, size_t max) {
    size_t n = strnlen(s, max);
    size_t b = 0;
    while (b < n && IsBlank(s[b]))
        ++b;
    while (n > b && IsBlank(s[n - 1]))
        --n;
    return std::string(s + b, n - b);
}

std::string Trim(const std::string& s) {
    return Trim(s.c_str(), s.size());
}

size_t FieldCut(const std::string& src, size_t max) {
    if (!DoubleByteLanguage()) return src.size() < max ? src.size() : max;
    size_t len = 0;
    while (len < src.size()) {
        const size_t step =
            (static_cast<unsigned char>(src[len]) >= 0x81 && len + 1 < src.size()) ? 2 : 1;
        if (len + step > max) break;
        len += step;
    }
    return len;
}

bool ParseInt(const std::string& text, int32_t& out) {
    std::string t = Trim(text);
    size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) negative = t[i++] == '-';
    if (i >= t.size()) return false;
    int64_t v = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9') return false;
        v = v * 10 + (t[i] - '0');
        if (v > 2147483648LL) return false;
    }
    if (negative) v = -v;
    if (v > INT32_MAX || v < INT32_MIN) return false;
    out = static_cast<int32_t>(v);
    return true;
}

size_t FindNoCase(const std::string& s, const char* what) {
    const size_t n = strlen(what);
    if (n == 0 || s.size() < n) return std::string::npos;
    for (size_t i = 0; i + n <= s.size(); ++i) {
        size_t k = 0;
        while (k < n && Upper(s[i + k]) == Upper(what[k]))
            ++k;
        if (k == n) return i;
    }
    return std::string::npos;
}

std::string ReplaceFirstNoCase(std::string s, const char* what, const char* with) {
    size_t at = FindNoCase(s, what);
    if (at != std::string::npos) s.replace(at, strlen(what), with);
    return s;
}

int ForwardSpaces(int32_t now, int32_t before, int32_t count) {
    int64_t d = static_cast<int64_t>(now) - before;
    if (count <= 0) return d > 0 && d < 16 ? static_cast<int>(d) : 0;
    return static_cast<int>(((d % count) + count) % count);
}
