#pragma once

#include "Minisign.h"

#include <QList>
#include <QString>

#include <optional>

// The keys that release documents must be signed with: the one built in
// (CMake option CORVANE_UPDATE_PUBKEY) and the one installed beside the
// program at <prefix>/share/corvane/update.pub, which is as well protected
// as the program itself. None: a development build, which fetches only over
// HTTPS or from the loopback address.
QList<MinisignPublicKey> trustedUpdateKeys();
bool haveTrustedUpdateKey();
// Where the installed key is looked for.
QString installedUpdateKeyPath();

// Replaces the keys above for this process (tests); nullopt restores them.
void overrideTrustedUpdateKeys(std::optional<QList<MinisignPublicKey>> keys);
