#pragma once

#include "ApplyRunner.h"

#include <QString>

// How applying a profile ended, in the words corvane-cli prints, whether the
// command runs itself or in the running Corvane: one line for the error
// stream and the exit code. A failure's line is printed after
// "corvane-cli: ", a note as it is.
struct ApplyReport {
    enum { GoOnToVerify = -1 };
    int exitCode = 0;
    bool failure = false;
    QString text;
};

namespace ApplyReports {

// The exit code of a run stopped by Ctrl-C (as a shell reports SIGINT).
constexpr int InterruptedExitCode = 130;

ApplyReport nothingToSend(const QString &path);
// After the run: exitCode GoOnToVerify when it went well and verify was
// asked for. currentGroup is what the progress last said was being sent.
ApplyReport afterRun(const QString &path, const ApplyRunner::Queued &queued, const ApplyRunner::Outcome &outcome,
                     const QString &currentGroup, bool verify);
// After reading the keyboard back (--verify): differences found, refusals counted.
ApplyReport afterVerify(const QString &path, int differences, int refused);

} // namespace ApplyReports
