#include "HeadlessOptions.h"

#include <cstdlib>
#include <fstream>

const char kHeadlessUsage[] =
    "  --backup FILE     save the switch's settings to FILE without a window\n"
    "  --restore FILE    put the settings of FILE back on the switch without a window\n"
    "  --user NAME       console account for --backup/--restore (default admin)\n"
    "  --password-file FILE  its password, the file's first line; or set the\n"
    "                    environment variable TAVIK_PASSWORD (never on the command line)\n";

namespace {

bool Value(int argc, char** argv, int& i, const std::string& arg, const char* name,
           std::string& out, std::string& error) {
    const std::string option = std::string("--") + name;
    if (arg == option) {
        if (i + 1 >= argc) {
            error = option + " needs a value";
            return true;
        }
        out = argv[++i];
        return true;
    }
    if (arg.rfind(option + "=", 0) == 0) {
        out = arg.substr(option.size() + 1);
        return true;
    }
    return false;
}

} // namespace

bool TakeHeadlessOption(int argc, char** argv, int& i, HeadlessOptions& options,
                        std::string& error) {
    const std::string arg = argv[i];
    if (Value(argc, argv, i, arg, "backup", options.file, error)) {
        options.backup = true;
    } else if (Value(argc, argv, i, arg, "restore", options.file, error)) {
        options.restore = true;
    } else if (Value(argc, argv, i, arg, "user", options.user, error) ||
               Value(argc, argv, i, arg, "password-file", options.passwordFile, error)) {
    } else if (arg == "--password" || arg.rfind("--password=", 0) == 0) {
        error = "a password is never taken from the command line: use --password-file FILE "
                "or TAVIK_PASSWORD";
    } else {
        return false;
    }
    if (error.empty() && options.backup && options.restore)
        error = "--backup and --restore cannot be combined";
    if (error.empty() && (options.backup || options.restore) && options.file.empty())
        error = "--backup and --restore need a file name";
    return true;
}

bool MakeHeadlessJob(const HeadlessOptions& options, HeadlessJob& job, std::string& error) {
    job.restore = options.restore;
    job.file = QString::fromLocal8Bit(options.file.c_str());
    job.user = options.user;
    if (!options.port.empty()) job.port = QString::fromStdString(options.port);
    if (!options.passwordFile.empty()) {
        std::ifstream in(options.passwordFile);
        if (!in) {
            error = "cannot read the password file " + options.passwordFile;
            return false;
        }
        std::getline(in, job.password);
        if (!job.password.empty() && job.password.back() == '\r') job.password.pop_back();
    } else if (const char* env = std::getenv("TAVIK_PASSWORD")) {
        job.password = env;
    } else {
        error = "no password: give --password-file FILE or set TAVIK_PASSWORD";
        return false;
    }
    if (job.user.empty()) {
        error = "--user needs a name";
        return false;
    }
    return true;
}
