#pragma once

#include <QDateTime>
#include <QString>

class ProfileManager;
struct KeyboardReadBack;

// The keyboard's configuration, kept as a profile before its firmware is
// replaced, so that it can be put back afterwards.

// "备份-yyyyMMdd-hhmmss"
QString firmwareBackupName(const QDateTime &when);

// Writes the read-back as that profile in the profile folder (atomically)
// and loads it into the profile manager. Macro keys whose macro file is
// missing are left out, so that the rest can always be applied. Returns the
// profile's id; 0 when it could not be written or loaded, with a translated
// sentence in problem.
int saveFirmwareBackup(ProfileManager *profiles, const KeyboardReadBack &readBack, const QDateTime &when,
                       QString *name, QString *problem);
