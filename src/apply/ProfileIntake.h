#pragma once

#include "MacroFile.h"
#include "ProfileData.h"

#include <QMap>

#include <QByteArray>
#include <QString>
#include <QStringList>

// A profile file's bytes taken for applying (source names it in messages):
// refused, with one line in *why, when they are no profile, hold no keyboard
// settings, or hold a member the reader could only take as its default (a
// number written as text, a group missing a member), which would then be
// sent as if the profile said so.
bool readProfileForApply(const QByteArray &bytes, const QString &source, ProfileData *profile, QString *why);

// The keyboard's configuration as a profile to export: without its macro
// bindings (their keys' names in *macroKeys), since the keyboard does not
// give a macro's steps back.
ProfileData profileForExport(const ProfileData &profile, QStringList *macroKeys);

// Every macro the profile binds, read from folder before anything is sent:
// a missing file stops the application while the keyboard is untouched.
bool loadProfileMacros(const ProfileData &profile, const QString &folder, QMap<QString, MacroLoadResult> *macros,
                       QString *why);
