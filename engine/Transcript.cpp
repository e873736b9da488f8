#include "engine/Transcript.h"

#include "engine/ConsoleLog.h"

#include <QDateTime>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

FILE* g_file = nullptr;
int g_observer = 0;
// A write that failed (a full disk): the transcript is not whole.
bool g_writeFailed = false;
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
    if (std::fflush(g_file) != 0) g_writeFailed = true;
}

void FlushKeys() {
    if (g_keys.empty()) return;
    WriteLine(g_keysTime, '>', g_keys);
    g_keys.clear();
}

// The file for writing, readable by its owner only: a session holds the
// switch's user names and everything it showed. A file that existed keeps
// its place (a link, a named pipe) but not wider permissions.
FILE* OpenPrivate(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) (void)::fchmod(fd, 0600);
    FILE* file = ::fdopen(fd, "w");
    if (file == nullptr) ::close(fd);
    return file;
}

} // namespace

bool StartTranscript(const std::string& path, std::string& error) {
    StopTranscript();
    g_file = OpenPrivate(path);
    if (g_file == nullptr) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    g_writeFailed = false;
    std::fprintf(g_file, "# tavik-config console transcript, started %s\n",
                 QDateTime::currentDateTime().toString(Qt::ISODate).toLatin1().constData());
    std::fprintf(g_file, "# < from the switch, > typed; passwords are written as *\n");
    // The head written at once: a file that cannot take it (/dev/full, a
    // full disk) is refused now, not found empty after the session.
    if (std::fflush(g_file) != 0) {
        error = path + ": " + std::strerror(errno);
        std::fclose(g_file);
        g_file = nullptr;
        return false;
    }
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

bool StopTranscript() {
    if (g_file == nullptr) return true;
    FlushKeys();
    RemoveConsoleObserver(g_observer);
    g_observer = 0;
    const bool whole = std::fclose(g_file) == 0 && !g_writeFailed;
    g_file = nullptr;
    return whole;
}

bool TranscriptRunning() {
    return g_file != nullptr;
}

void TranscriptNote(const std::string& text) {
    if (g_file == nullptr) return;
    // The keys typed so far come first: the note belongs after them.
    FlushKeys();
    std::fprintf(g_file, "# %s %s\n", Now().toLatin1().constData(), text.c_str());
    if (std::fflush(g_file) != 0) g_writeFailed = true;
}
