#pragma once
// The numbered text table filled from a language file, the language in force
// and the code page its bytes are written in.
//
// The table keeps the file's bytes unchanged; they are decoded for display
// (LangText / DecodeText in shared/Publicunit.h) with CodePageName().
#include <cstdint>
#include <cstdio>

struct LangEntry {
    int32_t id;
    char text[100]; // zero-terminated, bytes as read from the file
};

// Room for every line of a language file; lookups search all of it.
constexpr int kLangTableSize = 400;
// Longest text taken from one line (the rest of a longer line is dropped).
constexpr int kLangMaxLineText = 89;

extern LangEntry LangTable[kLangTableSize];

// 0 until the user picks a language (treated as English), then 1033 (English),
// 2052 (Simplified Chinese) or 1028 (Traditional Chinese).
extern int32_t LanguageId;

constexpr int32_t kLangEnglish = 1033;
constexpr int32_t kLangChineseSimplified = 2052;
constexpr int32_t kLangChineseTraditional = 1028;

// Reads the whole opened file into LangTable from index 0, one entry per
// line ("<id><one separator character><text>"), and closes it. Ids below
// 1300 store the text without its line end, ids from 1300 on (message texts)
// with it. Entries past the last line read keep what they held. A line that
// does not start with a number is skipped without using an entry. Returns
// the number of entries written. A null file does nothing.
int LoadLanguageFile(FILE* f);

// The text of the first entry with this id; an empty text when no entry has it.
const char* LookupLangText(int32_t id);

// Name of the code page of LanguageId, as QStringDecoder knows it:
// "Windows-1252" for 0 and 1033 (and any unknown id), "GBK" for 2052,
// "Big5" for 1028.
const char* CodePageName();
const char* CodePageNameFor(int32_t languageId);

// File name ("Language_EN.txt" ...) and language id of a language box item:
// 0 English, 1 Chinese_CN, 2 Chinese_TW; any other index (free text typed
// into the box, no item chosen) is English.
const char* LanguageFileName(int itemIndex);
int32_t LanguageIdForItem(int itemIndex);

// Opens a language file by bare name (working directory, program folder,
// installed data folder; see LocateDataFile) and loads it. Returns false,
// leaving the table as it was, when the file cannot be opened or holds no
// numbered line.
bool LoadLanguageByName(const char* bareName);
// Loads the English texts compiled into the program (the shipped
// Language_EN.txt as it was at build time).
void LoadBuiltInEnglish();

// The language box's choice: loads the item's file and sets LanguageId.
// When the file cannot be read, neither the table nor LanguageId changes
// (so the code page always matches the bytes in the table) and false is
// returned; the caller shows nothing. Does not touch any window: the Welcome
// window re-applies its captions afterwards. Qt's own texts follow the
// language (lang/QtTranslations.h).
bool SelectLanguage(int itemIndex);

// Tests: empty table, LanguageId 0.
void ResetLanguageState();
