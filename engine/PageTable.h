#pragma once
// The page table ("Parser.tbl") and recognition of console lines.
#include "engine/PageEntry.h"

#include <memory>
#include <string>
#include <vector>

int FindKey(const char* text, const char* key);

class StringPage {
public:
    StringPage(); // holds the end sentinel {10000, "", -1}
    void AddEntry(std::unique_ptr<PageEntry> entry);
    // The same for a whole list at once, in O(n log n): entries with equal
    // positions keep their order (file order), after those already held.
    void AddEntries(std::vector<std::unique_ptr<PageEntry>> entries);
    std::unique_ptr<PageEntry> Match(const char* line) const;
    int Count() const { return static_cast<int>(entries_.size()); } // sentinel included
    const PageEntry& At(int i) const { return *entries_[i]; }

private:
    std::vector<std::unique_ptr<PageEntry>> entries_;
};

class Parser {
public:
    Parser();
    // Reads the file; a missing, short or malformed file gives empty lists.
    // True when all seventeen lists were read whole and hold an entry.
    bool LoadTable(const std::string& fileName);
    std::unique_ptr<PageEntry> Parse(const char* line);
    int32_t PageState() const { return pageState_; }
    const StringPage& TopList() const { return top_; }
    const StringPage& PageList(int i) const { return pages_[i]; }

private:
    StringPage top_;
    StringPage pages_[16];
    int32_t pageState_ = 99;
};

// Loads "Parser.tbl" (working dir, then program dir, then data dir); false
// when that table is missing, empty or damaged (the parser exists anyway).
bool CreateParser();
constexpr char kPageTableFile[] = "Parser.tbl";
void DestroyParser();
Parser* GetParser();
// Where CreateParser looks for a data file by bare name: the working
// directory, the program's folder, then the installed data folder.
std::string LocateDataFile(const std::string& bareName);
// Those places, in that order, for messages that name them.
std::vector<std::string> DataFilePlaces(const std::string& bareName);
// Tests: folders searched after the working directory instead of the
// program's folder and the installed data folder (empty: those again).
void SetDataFolders(std::vector<std::string> folders);
