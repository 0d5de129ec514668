#pragma once

#include <QString>

// Profile names become file names in the profile folder, so a name must be
// a single, portable file name.
constexpr int MaxProfileNameLength = 64;

// Empty when the name can be used; otherwise a translated sentence for the
// user saying what is wrong with it.
QString profileNameProblem(const QString &name);

// Empty when the file name (with its ".kb") names a profile file directly
// inside the profile folder; otherwise why not (for the log).
QString profileFileNameProblem(const QString &fileName);

// "a.b.kb" -> "a": the name stored in the document is the part before the
// first dot.
QString profileBaseName(const QString &fileName);

// "a.b.kb" -> "a.b": the name shown in the profile list.
QString profileListName(const QString &fileName);
