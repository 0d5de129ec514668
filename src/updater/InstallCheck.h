#pragma once

#include <QByteArray>
#include <QString>

// Checks on a downloaded program before it may replace the installed one.

// The start of an executable of this platform: ELF on Linux, "MZ" on Windows.
bool looksLikeExecutable(const QByteArray &head);
// Lower-case hex SHA-256 of a file; empty when it cannot be read.
QString fileSha256(const QString &path);
// Whether files can be created in the folder (a system-wide install is not).
bool isFolderWritable(const QString &folder);
