#pragma once

#include "Minisign.h"

#include <QList>
#include <QString>

#include <optional>

// The keys that release documents must be signed with: up to two built in
// (CMake option CORVANE_UPDATE_PUBKEY: the current key and, while the key is
// being replaced, the next one) and the one installed with the program at
// <prefix>/share/corvane/update.pub (Windows: update.pub beside it), which is
// as well protected as the program itself. A key that does not parse is warned about and not used.
// Without any key there are no online updates at all: nothing from the
// network could be told apart from what an attacker sends.
// Read once per process.
QList<MinisignPublicKey> trustedUpdateKeys();
bool haveTrustedUpdateKey();
// Where the installed key is looked for.
QString installedUpdateKeyPath();
// What the user is told when there is no key, translated.
QString noUpdateKeyText();

// Replaces the keys above for this process (tests); nullopt restores them.
void overrideTrustedUpdateKeys(std::optional<QList<MinisignPublicKey>> keys);
