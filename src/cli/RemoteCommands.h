#pragma once

#include "CliCommon.h"
#include "RemoteCommand.h"

#include <QString>

// corvane-cli's side of the running Corvane: while Corvane holds the
// keyboard, the commands that change or read it go to Corvane's endpoint,
// which runs them as the command itself would; the answer is printed byte
// for byte and its exit code returned.

// Corvane holds the keyboard of the default key (its lock names it).
bool corvaneHoldsKeyboard();

enum class RemoteOutcome {
    Handled,   // done, refused or failed: *exitCode, and err said why
    NoCorvane, // nothing takes commands: no Corvane runs (nothing printed)
    NotTaken,  // this Corvane does not take the command (nothing printed)
};

// Hands the command to the running Corvane and prints its answer. For
// export, the file is written here, as the direct command writes it
// (force: replace one that exists); for apply from a file, the file is read
// here (command.fileName) and its bytes sent.
RemoteOutcome runRemoteCommand(RemoteCommand command, bool force, const CliOutput &io, int *exitCode);

// Whether the argument of apply names a file (it exists, ends in .kb or
// holds a folder) rather than a profile of Corvane's list.
bool applyArgumentIsFile(const QString &argument);

// Corvane's data folder: workDir, or the per-user one Corvane uses.
QString corvaneDataFolder(const QString &workDir);

// corvane-cli profile list without Corvane: the profiles of the data folder.
int listProfilesDirectly(const QString &dataFolder, bool json, const CliOutput &io);
