#include "DataCheck.h"

#include "engine/PageTable.h"
#include "lang/Language.h"

#include <QFileInfo>

#include <string>

namespace {

void Report(std::FILE* out, const std::string& bare, bool read) {
    const QFileInfo found(QString::fromStdString(LocateDataFile(bare)));
    std::fprintf(out, "%s: %s %s\n", bare.c_str(),
                 found.isFile() ? found.absoluteFilePath().toLocal8Bit().constData() : "not found",
                 read ? "ok" : "cannot be read");
}

} // namespace

int CheckDataFiles(std::FILE* out) {
    bool all = true;
    const bool table = CreateParser();
    DestroyParser();
    Report(out, kPageTableFile, table);
    all = all && table;
    for (int item = 0; item < 3; ++item) {
        const char* name = LanguageFileName(item);
        const bool read = LoadLanguageByName(name);
        Report(out, name, read);
        all = all && read;
    }
    return all ? 0 : 1;
}
