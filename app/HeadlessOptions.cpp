#include "HeadlessOptions.h"

#include "platform/Secret.h"

#include <QCommandLineParser>
#include <QSaveFile>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

const char kHeadlessUsage[] =
    "  --backup FILE     save the switch's settings to FILE without a window\n"
    "  --restore FILE    put the settings of FILE back on the switch without a window\n"
    "  --check FILE      compare the switch with FILE without changing it: the\n"
    "                    differences one per line, exit 0 when equal, 6 when not\n"
    "  --user NAME       console account of the run (default admin)\n"
    "  --password-file FILE  its password, the file's first line (a file only you\n"
    "                    may read, or a pipe); or set the environment variable\n"
    "                    TAVIK_PASSWORD (never on the command line)\n"
    "  --language en|cn|tw  the language of the run's lines (default en)\n"
    "  --timeout SECONDS the longest the run may take (default 900)\n"
    "  --json            end with one JSON object on stdout: result, exit code,\n"
    "                    the settings changed or differing, the message\n";

namespace {

// A password is a line; more than this is no password file.
constexpr size_t kPasswordFileMax = 1024;
// A pipe that sends nothing for this long (a writer that never comes, or
// one that never ends its line) ends the read: a run never waits for ever.
constexpr int kPasswordWaitMs = 10000;
constexpr int kMaxTimeoutSeconds = 24 * 60 * 60;

// A whole number of seconds, 1 to a day; 0 when the text is none.
int TimeoutSeconds(const std::string& text) {
    if (text.empty() || text.size() > 5) return 0;
    int seconds = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return 0;
        seconds = seconds * 10 + (c - '0');
    }
    return seconds <= kMaxTimeoutSeconds ? seconds : 0;
}

const QStringList kRunSettings = {QStringLiteral("user"), QStringLiteral("password-file"),
                                  QStringLiteral("language"), QStringLiteral("timeout"),
                                  QStringLiteral("json")};

std::string Text(const QString& value) {
    return value.toLocal8Bit().toStdString();
}

// The options only a headless run takes, and their values' checks.
void ReadRunSettings(const QCommandLineParser& parser, HeadlessOptions& options,
                     std::string& error) {
    if (parser.isSet(QStringLiteral("user"))) options.user = Text(parser.value(QStringLiteral("user")));
    options.passwordFile = Text(parser.value(QStringLiteral("password-file")));
    options.json = parser.isSet(QStringLiteral("json"));
    if (parser.isSet(QStringLiteral("language"))) {
        options.language = Text(parser.value(QStringLiteral("language")));
        if (options.language != "en" && options.language != "cn" && options.language != "tw")
            error = "--language takes en, cn or tw, not '" + options.language + "'";
    }
    if (error.empty() && parser.isSet(QStringLiteral("timeout"))) {
        const std::string timeout = Text(parser.value(QStringLiteral("timeout")));
        options.timeoutSeconds = TimeoutSeconds(timeout);
        if (options.timeoutSeconds == 0)
            error = "--timeout takes a whole number of seconds from 1 to " +
                    std::to_string(kMaxTimeoutSeconds) + ", not '" + timeout + "'";
    }
    // The first one given, in the order of the command line.
    for (const QString& name : parser.optionNames())
        if (kRunSettings.contains(name)) {
            options.withoutRun = "--" + Text(name);
            break;
        }
}

std::string Reason(const std::string& path) {
    return path + ": " + std::strerror(errno);
}

bool FileOrPipe(const struct stat& st) {
    return S_ISREG(st.st_mode) || S_ISFIFO(st.st_mode);
}

// The open file into `buf` up to its first line end, at most
// kPasswordFileMax + 1 bytes. False with errno set on a read error, and with
// `silent` when a pipe sent nothing for kPasswordWaitMs.
bool ReadSome(int fd, char* buf, size_t& got, bool& silent) {
    got = 0;
    silent = false;
    while (got < kPasswordFileMax + 1 && std::memchr(buf, '\n', got) == nullptr) {
        pollfd ready{fd, POLLIN, 0};
        const int n = ::poll(&ready, 1, kPasswordWaitMs);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) {
            silent = true;
            return false;
        }
        const ssize_t bytes = ::read(fd, buf + got, kPasswordFileMax + 1 - got);
        if (bytes < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (bytes < 0) return false;
        if (bytes == 0) break;
        got += static_cast<size_t>(bytes);
    }
    return true;
}

// The password file opened, if it is a regular file or a pipe (`<(pass
// show switch)`, a FIFO); not a folder or a device, which could be read for
// ever. Looked at before it is opened, as opening a device may already wait
// or act, and again once open, in case the path changed meanwhile.
int OpenFileOrPipe(const std::string& path, struct stat& st, std::string& error) {
    if (::stat(path.c_str(), &st) != 0) {
        error = "cannot read the password file " + Reason(path);
        return -1;
    }
    // Non-blocking: opening a FIFO no writer has opened yet would wait.
    const int fd =
        FileOrPipe(st) ? ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK) : -1;
    if (fd < 0 && FileOrPipe(st)) {
        error = "cannot read the password file " + Reason(path);
        return -1;
    }
    if (fd < 0 || ::fstat(fd, &st) != 0 || !FileOrPipe(st)) {
        if (fd >= 0) ::close(fd);
        error = "the password file " + path + " is not a file or a pipe";
        return -1;
    }
    return fd;
}

// The first line of the password file; only its first KiB is read.
bool ReadPasswordFile(const std::string& path, std::string& password, std::string& error,
                      std::FILE* warnings) {
    struct stat st {};
    const int fd = OpenFileOrPipe(path, st, error);
    if (fd < 0) return false;
    // As ssh says of a key others may read.
    if (S_ISREG(st.st_mode) && (st.st_mode & (S_IRGRP | S_IROTH)) != 0)
        std::fprintf(warnings,
                     "warning: the password file %s can be read by others; "
                     "chmod 600 %s\n",
                     path.c_str(), path.c_str());
    char buf[kPasswordFileMax + 1];
    size_t got = 0;
    bool silent = false;
    const bool read = ReadSome(fd, buf, got, silent);
    if (silent)
        error = "nothing came from the password file " + path + " in " +
                std::to_string(kPasswordWaitMs / 1000) + " s";
    else if (!read)
        error = "cannot read the password file " + Reason(path);
    ::close(fd);
    const char* newline = static_cast<const char*>(std::memchr(buf, '\n', got));
    size_t length = newline != nullptr ? size_t(newline - buf) : got;
    if (read && newline == nullptr && got > kPasswordFileMax)
        error = "the password file " + path + " has no line end in its first " +
                std::to_string(kPasswordFileMax) + " bytes";
    if (length > 0 && buf[length - 1] == '\r') --length;
    if (error.empty()) password.assign(buf, length);
    platform::WipeSecret(buf, sizeof buf);
    return error.empty();
}

// The environment's copy is overwritten too, so that no process started
// later (and no core file) holds it.
void TakePasswordFromEnvironment(char* value, std::string& password) {
    password.assign(value);
    platform::WipeSecret(value, std::strlen(value));
    ::unsetenv("TAVIK_PASSWORD");
}

// Whether the backup can be written where asked, found out the way the
// backup writes it (a new file beside it, renamed over it), and without
// touching a file that is there.
bool CheckBackupPath(const QString& path, std::string& error) {
    QSaveFile probe(path);
    if (probe.open(QIODevice::WriteOnly)) {
        probe.cancelWriting();
        return true;
    }
    error = "cannot write the backup to " + path.toLocal8Bit().toStdString() + ": " +
            probe.errorString().toLocal8Bit().toStdString();
    return false;
}

} // namespace

void AddHeadlessOptions(QCommandLineParser& parser) {
    for (const char* name : {"backup", "restore", "check", "user", "password-file", "language",
                             "timeout", "password"})
        parser.addOption(QCommandLineOption(QString::fromLatin1(name), QString(),
                                            QStringLiteral("value")));
    parser.addOption(QCommandLineOption(QStringLiteral("json")));
}

bool ReadHeadlessOptions(const QCommandLineParser& parser, HeadlessOptions& options,
                         std::string& error) {
    for (const char* job : {"backup", "restore", "check"}) {
        const QString name = QString::fromLatin1(job);
        if (!parser.isSet(name)) continue;
        options.file = Text(parser.value(name));
        options.backup = options.backup || name == QLatin1String("backup");
        options.restore = options.restore || name == QLatin1String("restore");
        options.check = options.check || name == QLatin1String("check");
    }
    ReadRunSettings(parser, options, error);
    if (error.empty() && parser.isSet(QStringLiteral("password")))
        error = "a password is never taken from the command line: use --password-file FILE "
                "or TAVIK_PASSWORD";
    if (error.empty() && int(options.backup) + int(options.restore) + int(options.check) > 1)
        error = "--backup, --restore and --check cannot be combined";
    if (error.empty() && options.active() && options.file.empty())
        error = "--backup, --restore and --check need a file name";
    return error.empty();
}

bool MakeHeadlessJob(const HeadlessOptions& options, HeadlessJob& job, std::string& error,
                     std::FILE* warnings) {
    job.restore = options.restore;
    job.check = options.check;
    job.file = QString::fromLocal8Bit(options.file.c_str());
    job.user = options.user;
    job.language = QString::fromStdString(options.language);
    job.timeoutSeconds = options.timeoutSeconds;
    if (!options.port.empty()) job.port = QString::fromStdString(options.port);
    if (job.user.empty()) {
        error = "--user needs a name";
        return false;
    }
    if (options.backup && !CheckBackupPath(job.file, error)) return false;
    if (!options.passwordFile.empty()) {
        if (!ReadPasswordFile(options.passwordFile, job.password, error, warnings)) return false;
        if (job.password.empty()) error = "the password file " + options.passwordFile + " is empty";
    } else if (char* env = std::getenv("TAVIK_PASSWORD")) {
        TakePasswordFromEnvironment(env, job.password);
        if (job.password.empty()) error = "TAVIK_PASSWORD is empty";
    } else {
        error = "no password: give --password-file FILE or set TAVIK_PASSWORD";
    }
    return error.empty();
}
