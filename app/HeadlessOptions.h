#pragma once
// The command-line options of a headless run (--backup, --restore, --user,
// --password-file) and where its password comes from.
#include "forms/HeadlessRun.h"

#include <string>

struct HeadlessOptions {
    bool backup = false;
    bool restore = false;
    std::string file;
    std::string user = "admin";
    std::string passwordFile;
    std::string port; // the COM name of the first --port, if any
    bool active() const { return backup || restore; }
};

// Takes argv[i] (and its value) when it is a headless option; `error` is
// set for a bad one. False for any other option.
bool TakeHeadlessOption(int argc, char** argv, int& i, HeadlessOptions& options,
                        std::string& error);
// The job of the options: the password from --password-file (its first
// line) or the environment variable TAVIK_PASSWORD. False with `error` when
// the options do not make a job.
bool MakeHeadlessJob(const HeadlessOptions& options, HeadlessJob& job, std::string& error);
// The usage lines of these options.
extern const char kHeadlessUsage[];
