#pragma once

#include "AdvancedKeyInfo.h"

#include <QList>
#include <QString>

// A macro's file: <folder>/<name>.csv, in the format of MacroCsv.h.

struct MacroLoadResult {
    enum Status {
        Ok,
        FileMissing, // cannot be opened, or the name is refused
        BadHeader,
    };
    Status status = FileMissing;
    QList<MACRO_Key> steps;
};

// Reading stops here: a real macro file is a few kilobytes, and a stray huge
// file must not fill the memory. Lines beyond it are ignored.
constexpr qint64 MaxMacroFileBytes = 1024 * 1024;

// The folder of the macro files: "Macro" in the working directory.
QString macroFolderPath();

// A macro name that names a file inside the folder: not empty, no path
// separator, drive colon, "..", or control character. Names come from
// profile files, which may come from anyone.
bool isSafeMacroName(const QString &name);

MacroLoadResult loadMacroFile(const QString &folder, const QString &name);
// Any file, read by the same rules (import).
MacroLoadResult readMacroFile(const QString &path);

// Writes the steps to path through a temporary file that replaces it only
// when complete, so a failed write keeps the old file. False with the
// reason (for the log) in *error.
bool writeMacroFile(const QString &path, const QList<MACRO_Key> &steps, QString *error = nullptr);
