#pragma once
// Helpers every configuration window needs to take console texts into
// fixed-size fields and to build the keystroke texts that write them back.
#include <cstdint>
#include <cstring>
#include <string>

// Blanks and control bytes around a text removed (at most `max` bytes read).
std::string Trim(const char* s, size_t max);
std::string Trim(const std::string& s);

// A fixed-size field's text up to its terminator.
template <size_t N> std::string Field(const char (&f)[N]) {
    return std::string(f, strnlen(f, N));
}

// Copies at most N - 1 bytes and terminates. Under the Chinese code pages a
// lead byte is never separated from its trail byte, so a cut text still
// decodes cleanly.
size_t FieldCut(const std::string& src, size_t max);
template <size_t N> void SetField(char (&dst)[N], const std::string& src) {
    const size_t len = FieldCut(src, N - 1);
    std::memcpy(dst, src.data(), len);
    dst[len] = 0;
}

// A decimal integer with an optional sign and nothing else (blanks around it
// are allowed). False for anything else, including values beyond 32 bits.
bool ParseInt(const std::string& text, int32_t& out);

// Case-insensitive (ASCII) search and first replacement.
size_t FindNoCase(const std::string& s, const char* what);
std::string ReplaceFirstNoCase(std::string s, const char* what, const char* with);

// Forward distance from choice `before` to choice `now` in a list of `count`
// choices: the console only cycles forward, so a step back goes round.
int ForwardSpaces(int32_t now, int32_t before, int32_t count);

// Appends to a fixed keystroke buffer and never past it; the text stays
// zero-terminated.
class KeyText {
public:
    KeyText(char* out, int size) : out_(out), size_(size) {
        if (size_ > 0) out_[0] = 0;
    }
    void add(char c) {
        if (len_ + 1 < size_) {
            out_[len_++] = c;
            out_[len_] = 0;
        }
    }
    void add(const char* s) {
        while (*s)
            add(*s++);
    }
    void repeat(char c, int n) {
        for (int i = 0; i < n; ++i)
            add(c);
    }
    int length() const { return len_; }

private:
    char* out_;
    int size_;
    int len_ = 0;
};
