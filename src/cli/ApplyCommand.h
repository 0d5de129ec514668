#pragma once

#include "CliCommon.h"

#include <QString>

class KeyboardAction;
struct ProfileData;

struct ApplyOptions {
    bool verify = false;
    // Send the whole profile, not only what differs from the keyboard.
    bool full = false;
    // Where the files of the profile's macros are: Corvane's "Macro" folder.
    QString macroFolder;
    int readBackTimeoutMs = ReadBackTimeoutMs;
    // No request finished for this long: the keyboard has stopped answering.
    // A backstop only: a request that goes unanswered ends the run sooner.
    int stallMs = 15000;
};

// The "Macro" folder in Corvane's per-user data folder.
QString defaultMacroFolder();

// Reads a profile file for applying: refuses, with one line in *why, a file
// that is missing, too large, not a profile or holds no keyboard settings.
bool loadProfileFile(const QString &path, ProfileData *profile, QString *why);

// corvane-cli apply FILE [--verify]: sends the profile with the steps and
// frames the configurator uses, with a progress bar on err; with verify, reads
// the keyboard back and prints each difference on out. Returns the exit code:
// 0 applied (and no difference), 1 otherwise, with one line on err.
int runApplyCommand(KeyboardAction &worker, const QString &path, const ApplyOptions &options, const CliOutput &io);
