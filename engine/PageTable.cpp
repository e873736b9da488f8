#include "engine/PageTable.h"

#include "engine/KeyOutput.h"
#include "engine/LineFraming.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <cstring>

#ifndef TAVIK_DATA_DIR
#define TAVIK_DATA_DIR "/usr/local/share/tavik-config"
#endif

namespace {

constexpr size_t kRecordSize = 88;
Parser* g_parser = nullptr;
std::vector<std::string> g_dataFolders;

int32_t readLe32(const unsigned char* p) {
    const uint32_t u = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                       static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
    int32_t v;
    std::memcpy(&v, &u, sizeof v);
    return v;
}

} // namespace

int FindKey(const char* text, const char* key) {
    if (key == nullptr || *key == 0) return 0;
    if (text == nullptr) return -1;
    const size_t kl = std::strlen(key);
    const size_t tl = std::strlen(text);
    if (tl < kl) return -1;
    for (size_t i = 0; i + kl <= tl; ++i)
        if (std::memcmp(text + i, key, kl) == 0) return static_cast<int>(i + kl);
    return -1;
}

// ---------------------------------------------------------------- StringPage

StringPage::StringPage() {
    auto sentinel = std::make_unique<PageEntry>();
    std::memset(sentinel.get(), 0, sizeof(PageEntry));
    sentinel->position = kSentinelPosition;
    sentinel->value = -1;
    entries_.push_back(std::move(sentinel));
}

void StringPage::AddEntry(std::unique_ptr<PageEntry> entry) {
    if (!entry || entry->position > kNoPosition) return;
    auto it = entries_.begin();
    while (it != entries_.end() && (*it)->position <= entry->position)
        ++it;
    entries_.insert(it, std::move(entry));
}

void StringPage::AddEntries(std::vector<std::unique_ptr<PageEntry>> entries) {
    // Everything kept sorts before the sentinel (position 10000), which
    // therefore stays last.
    for (auto& e : entries)
        if (e && e->position <= kNoPosition) entries_.push_back(std::move(e));
    std::stable_sort(entries_.begin(), entries_.end(),
                     [](const auto& a, const auto& b) { return a->position < b->position; });
}

std::unique_ptr<PageEntry> StringPage::Match(const char* line) const {
    std::unique_ptr<PageEntry> result = MakeEntry(line);
    for (const auto& e : entries_) {
        if (e->position != result->position) continue;
        const int k = FindKey(result->text, e->text);
        if (k < 0) continue;
        result->value = e->value;
        char rest[80];
        const size_t n = strnlen(result->text + k, sizeof rest - 1);
        std::memcpy(rest, result->text + k, n);
        rest[n] = 0;
        std::memcpy(result->text, rest, n + 1);
        return result;
    }
    result->position = kNoPosition;
    result->value = -1;
    return result;
}

// -------------------------------------------------------------------- Parser

Parser::Parser() = default;

bool Parser::LoadTable(const std::string& fileName) {
    top_ = StringPage();
    for (auto& page : pages_)
        page = StringPage();
    pageState_ = 99;

    FILE* f = std::fopen(fileName.c_str(), "rb");
    if (f == nullptr) return false;

    // Bytes left in the file, so that a count the file cannot hold is seen
    // before anything is read for it. Unknown (not seekable): rely on fread.
    long long remaining = -1;
    if (std::fseek(f, 0, SEEK_END) == 0) {
        const long size = std::ftell(f);
        if (size >= 0) remaining = size;
    }
    if (std::fseek(f, 0, SEEK_SET) != 0) remaining = -1;

    // Reads one list; false when the rest of the file cannot be trusted.
    auto readList = [&](StringPage& list) -> bool {
        unsigned char countBytes[4];
        if (std::fread(countBytes, 1, sizeof countBytes, f) != sizeof countBytes) return false;
        if (remaining >= 0) remaining -= 4;
        const int32_t count = readLe32(countBytes);
        if (count < 0) return false;
        // A count the rest of the file cannot hold is not trusted at all:
        // reading on would turn the following lists' bytes into entries.
        if (remaining >= 0 && count > remaining / static_cast<long long>(kRecordSize)) return false;
        // One sort per list: inserting record by record was quadratic, and
        // a large table froze the window for half a minute.
        std::vector<std::unique_ptr<PageEntry>> read;
        read.reserve(static_cast<size_t>(remaining >= 0 ? count : 0));
        bool whole = true;
        for (int32_t i = 0; i < count; ++i) {
            unsigned char record[kRecordSize];
            if (std::fread(record, 1, kRecordSize, f) != kRecordSize) {
                whole = false;
                break;
            }
            if (remaining >= 0) remaining -= static_cast<long long>(kRecordSize);
            auto entry = std::make_unique<PageEntry>();
            entry->position = readLe32(record);
            std::memcpy(entry->text, record + 4, sizeof entry->text);
            entry->text[sizeof entry->text - 1] = 0;
            entry->value = readLe32(record + 84);
            read.push_back(std::move(entry));
        }
        list.AddEntries(std::move(read));
        return whole;
    };

    bool whole = readList(top_);
    for (auto& page : pages_)
        if (whole) whole = readList(page);
    std::fclose(f);
    int entries = top_.Count() - 1;
    for (const auto& page : pages_)
        entries += page.Count() - 1;
    return whole && entries > 0;
}

std::unique_ptr<PageEntry> Parser::Parse(const char* line) {
    std::unique_ptr<PageEntry> r = top_.Match(line);
    if (r->value >= 0) {
        pageState_ = r->value;
        PostToTarget(WM_CONSOLE_PAGE, 0, pageState_);
    }
    if (pageState_ >= 0 && pageState_ < 16) return pages_[pageState_].Match(line);
    r->value = -1;
    return r;
}

bool CreateParser() {
    if (g_parser != nullptr) return true;
    g_parser = new Parser();
    return g_parser->LoadTable(LocateDataFile(kPageTableFile));
}

void DestroyParser() {
    delete g_parser;
    g_parser = nullptr;
}

Parser* GetParser() {
    return g_parser;
}

void SetDataFolders(std::vector<std::string> folders) {
    g_dataFolders = std::move(folders);
}

std::vector<std::string> DataFilePlaces(const std::string& bareName) {
    const QString bare = QString::fromStdString(bareName);
    std::vector<std::string> places{QFileInfo(bare).absoluteFilePath().toStdString()};
    if (!g_dataFolders.empty()) {
        for (const std::string& folder : g_dataFolders)
            places.push_back(folder + "/" + bareName);
        return places;
    }
    if (QCoreApplication::instance() != nullptr) {
        const QString dir = QCoreApplication::applicationDirPath();
        places.push_back((dir + "/" + bare).toStdString());
        // An installation moved as a whole (another prefix, a package
        // unpacked elsewhere) still finds its data beside its bin folder.
        places.push_back(
            QFileInfo(dir + "/../share/tavik-config/" + bare).absoluteFilePath().toStdString());
    }
    const std::string installed = (QStringLiteral(TAVIK_DATA_DIR "/") + bare).toStdString();
    if (std::find(places.begin(), places.end(), installed) == places.end())
        places.push_back(installed);
    return places;
}

std::string LocateDataFile(const std::string& bareName) {
    if (QFileInfo(QString::fromStdString(bareName)).isFile()) return bareName;
    for (const std::string& place : DataFilePlaces(bareName))
        if (QFileInfo(QString::fromStdString(place)).isFile()) return place;
    return bareName;
}
