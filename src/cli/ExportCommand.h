#pragma once

#include "CliCommon.h"

#include <QByteArray>
#include <QString>

class KeyboardAction;

struct ExportOptions {
    bool force = false; // replace an existing file
    int readBackTimeoutMs = ReadBackTimeoutMs;
};

// Empty when the profile may be written at path: a .kb name in a folder that
// exists, not a link, not a folder, and not an existing file unless force.
QString exportTargetProblem(const QString &path, bool force);

// Writes bytes to path through a temporary file in the same folder, so the
// file is either whole or not there. Without replace an existing file is
// never overwritten, even one that appeared while writing.
bool writeFileAtomically(const QString &path, const QByteArray &bytes, bool replace, QString *why);

// corvane-cli export FILE.kb [--force]: the keyboard's configuration as a
// profile file, the document the configurator adopts after a read-back.
// Nothing is written unless the read-back is complete.
int runExportCommand(KeyboardAction &worker, const QString &path, const ExportOptions &options, const CliOutput &io);
