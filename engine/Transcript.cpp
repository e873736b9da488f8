#include "engine/Transcript.h"

#include "engine/ConsoleLog.h"

#include <QDateTime>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

FILE* g_file = nullptr;
int g_observer = 0;
// Keys typed one by one are written as one line, from the first key's time
// until the switch answers.
std::string g_keys;
QString g_keysTime;

QString Now() {
    return QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss.zzz"));
}

void WriteLine(const QString& time, char direction, const std::string& bytes) {
    if (g_file == nullptr) return;
    std::fprintf(g_file, "%s %c %s\n", time.toLatin1().constData(), direction,
                 ReadableBytes(bytes).c_str());
    // A support case often ends in a crash or a killed program.
    std::fflush(g_file);
}

void FlushKeys() {
    if (g_keys.empty()) return;
    WriteLine(g_keysTime, '>', g_keys);
    g_keys.clear();
}

} // namespace

bool StartTranscript(const std::string& path, std::string& error) {
    StopTranscript();
    g_file = std::fopen(path.c_str(), "w");
    if (g_file == nullptr) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    std::fprintf(g_file, "# tavik-config console transcript, started %s\n",
                 QDateTime::currentDateTime().toString(Qt::ISODate).toLatin1().constData());
    std::fprintf(g_file, "# < from the switch, > typed; passwords are written as *\n");
    std::fflush(g_file);
    g_observer = AddConsoleObserver([](ConsoleDirection direction, const std::string& bytes) {
        if (direction == ConsoleDirection::Typed) {
            if (g_keys.empty()) g_keysTime = Now();
            g_keys += bytes;
            return;
        }
        FlushKeys();
        WriteLine(Now(), '<', bytes);
    });
    return true;
}

void StopTranscript() {
    if (g_file == nullptr) return;
    FlushKeys();
    RemoveConsoleObserver(g_observer);
    g_observer = 0;
    std::fclose(g_file);
    g_file = nullptr;
}

bool TranscriptRunning() {
    return g_file != nullptr;
}
