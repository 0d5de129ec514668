#pragma once

#include "ProfileDocument.h"

#include <QString>

// Reads and parses one profile file; false (logged) when it is missing,
// unreadable or not a profile, with the reason for the user (translated)
// in *reason when it is given.
bool readProfileFile(const QString &path, ProfileDocument *doc, QString *reason = nullptr);

// Writes the document scrambled, atomically: the file is either the new
// document or, when anything fails, the previous file untouched. Failures
// are logged and reported by the result.
bool writeProfileFile(const QString &path, const ProfileDocument &doc);
