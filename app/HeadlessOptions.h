#pragma once
// The command-line options of a headless run (--backup, --restore, --check,
// --user, --password-file, --language, --timeout, --json), where its
// password comes from, and what is checked before anything is opened.
#include "forms/backup/HeadlessRun.h"

#include <cstdio>
#include <string>

class QCommandLineParser;

struct HeadlessOptions {
    bool backup = false;
    bool restore = false;
    bool check = false;
    // One JSON object on stdout at the end of the run (RunReportJson).
    bool json = false;
    std::string file;
    std::string user = "admin";
    std::string passwordFile;
    std::string port; // the COM name of the first --port, if any
    std::string language = "en";
    int timeoutSeconds = 900;
    // An option only a headless run takes, given without --backup/--restore/
    // --check.
    std::string withoutRun;
    bool active() const { return backup || restore || check; }
};

// Declares the headless options on the parser of the whole command line.
void AddHeadlessOptions(QCommandLineParser& parser);
// The headless options of a parsed command line, checked; false with
// `error` for a bad one.
bool ReadHeadlessOptions(const QCommandLineParser& parser, HeadlessOptions& options,
                         std::string& error);
// The job of the options: the password from --password-file (its first
// line) or the environment variable TAVIK_PASSWORD, the backup's file
// checked. False with `error` when the options do not make a job; warnings
// (a password file others may read) go to `warnings`.
bool MakeHeadlessJob(const HeadlessOptions& options, HeadlessJob& job, std::string& error,
                     std::FILE* warnings = stderr);
// The usage lines of these options.
extern const char kHeadlessUsage[];
