#include "lang/Language.h"

#include "engine/PageTable.h"
#include "lang/QtTranslations.h"

#include <cstring>
#include <string>

LangEntry LangTable[kLangTableSize] = {};

extern const unsigned char kBuiltInEnglish[];
extern const size_t kBuiltInEnglishSize;
int32_t LanguageId = 0;

namespace {

constexpr int32_t kFirstMessageId = 1300;

bool IsBlank(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool IsDigit(int c) {
    return c >= '0' && c <= '9';
}

// `c` is the last character read. Consumes the rest of its line, so the
// next read starts on the following line. "\n", "\r\n" and a lone "\r" all
// end a line.
void SkipLine(FILE* f, int c) {
    while (c != EOF && c != '\n' && c != '\r')
        c = fgetc(f);
    if (c == '\r') {
        int d = fgetc(f);
        if (d != '\n' && d != EOF) ungetc(d, f);
    }
}

// Files saved by some editors start with a UTF-8 byte order mark; without
// this the first line (the Welcome caption) would not start with a number.
void SkipByteOrderMark(FILE* f) {
    int a = fgetc(f);
    if (a != 0xEF) {
        if (a != EOF) ungetc(a, f);
        return;
    }
    int b = fgetc(f);
    int c = b == 0xBB ? fgetc(f) : EOF;
    if (b == 0xBB && c == 0xBF) return;
    // Not a mark: only one character can be pushed back, so go back by
    // position instead (the file is seekable; it was opened from disk).
    fseek(f, 0, SEEK_SET);
}

} // namespace

int LoadLanguageFile(FILE* f) {
    if (!f) return 0;
    SkipByteOrderMark(f);
    int i = 0;
    for (;;) {
        int c = fgetc(f);
        while (c != EOF && IsBlank(c))
            c = fgetc(f);
        if (c == EOF) break;
        // The table is full: whatever follows is dropped.
        if (i >= kLangTableSize) break;

        bool negative = false;
        if (c == '-' || c == '+') {
            negative = c == '-';
            c = fgetc(f);
        }
        int64_t value = 0;
        int digits = 0;
        bool tooLong = false;
        while (c != EOF && IsDigit(c)) {
            if (value <= INT32_MAX) value = value * 10 + (c - '0');
            if (value > INT32_MAX) tooLong = true;
            ++digits;
            c = fgetc(f);
        }
        if (digits == 0 || tooLong) {
            // Not a numbered line: skip it without taking an entry, so a
            // stray comment or garbage never shifts or corrupts the table.
            SkipLine(f, c);
            continue;
        }

        LangEntry& e = LangTable[i];
        e.id = static_cast<int32_t>(negative ? -value : value);
        std::memset(e.text, 0, sizeof e.text);
        size_t n = 0;
        bool lineEnd = false;
        if (c == '\n' || c == '\r') {
            // The line ends right after the number: no separator, no text.
            SkipLine(f, c);
            lineEnd = true;
        } else if (c != EOF) {
            // `c` is the separator, discarded. The text is the rest of the
            // line; characters past the limit are read and dropped.
            for (;;) {
                c = fgetc(f);
                if (c == EOF) break;
                if (c == '\n' || c == '\r') {
                    SkipLine(f, c);
                    lineEnd = true;
                    break;
                }
                if (n < static_cast<size_t>(kLangMaxLineText)) e.text[n++] = static_cast<char>(c);
            }
        }
        // Message texts keep their line end: messages are built by joining
        // parts with "\n", and each part's own line end gives the empty line
        // between them.
        if (e.id >= kFirstMessageId && lineEnd) e.text[n++] = '\n';
        ++i;
    }
    fclose(f);
    return i;
}

const char* LookupLangText(int32_t id) {
    for (LangEntry& e : LangTable) {
        if (e.id != id) continue;
        // The loader always terminates its texts; this guards against any
        // other writer of the table.
        e.text[sizeof e.text - 1] = '\0';
        return e.text;
    }
    return "";
}

const char* CodePageNameFor(int32_t languageId) {
    switch (languageId) {
    case kLangChineseSimplified:
        return "GBK";
    case kLangChineseTraditional:
        return "Big5";
    default:
        return "Windows-1252";
    }
}

const char* CodePageName() {
    return CodePageNameFor(LanguageId);
}

const char* LanguageFileName(int itemIndex) {
    switch (itemIndex) {
    case 1:
        return "Language_CN.txt";
    case 2:
        return "Language_TW.txt";
    default:
        return "Language_EN.txt";
    }
}

int32_t LanguageIdForItem(int itemIndex) {
    switch (itemIndex) {
    case 1:
        return kLangChineseSimplified;
    case 2:
        return kLangChineseTraditional;
    default:
        return kLangEnglish;
    }
}

namespace {
FILE* OpenLanguageFile(const char* bareName) {
    std::string path = LocateDataFile(bareName);
    if (path.empty()) path = bareName;
    return std::fopen(path.c_str(), "rb");
}
} // namespace

namespace {
// A file without a single numbered line wrote nothing into the table (the
// loader takes an entry only for such a line), so the table still matches
// LanguageId's code page; it counts as unreadable.
bool LoadWhole(FILE* f) {
    return f != nullptr && LoadLanguageFile(f) > 0;
}
} // namespace

bool LoadLanguageByName(const char* bareName) {
    return LoadWhole(OpenLanguageFile(bareName));
}

void LoadBuiltInEnglish() {
    FILE* f = fmemopen(const_cast<unsigned char*>(kBuiltInEnglish), kBuiltInEnglishSize, "rb");
    LoadLanguageFile(f);
}

bool SelectLanguage(int itemIndex) {
    if (!LoadWhole(OpenLanguageFile(LanguageFileName(itemIndex)))) return false;
    LanguageId = LanguageIdForItem(itemIndex);
    UseQtTranslations(LanguageId);
    return true;
}

void ResetLanguageState() {
    std::memset(LangTable, 0, sizeof LangTable);
    LanguageId = 0;
    UseQtTranslations(0);
}
