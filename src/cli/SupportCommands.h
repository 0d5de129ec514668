#pragma once

#include "CliCommon.h"

#include <QString>

class KeyboardAction;
struct DoctorOptions;

// The doctor's options for the command line: probing through the worker; no
// udev rule check for the virtual keyboard, whose interfaces are no nodes.
DoctorOptions cliDoctorOptions(KeyboardAction &worker, bool simulated);

// corvane-cli doctor: one line per check on out, then the commands that fix
// what failed; 1 when anything failed.
int runDoctorCommand(KeyboardAction &worker, bool simulated, const CliOutput &io);

// corvane-cli report FILE: the support report, after the doctor and a
// read-back (what could be read, when not everything). 0 once it is written,
// whatever it says.
int runReportCommand(KeyboardAction &worker, const QString &path, bool simulated, const CliOutput &io,
                     int readBackTimeoutMs = ReadBackTimeoutMs);
