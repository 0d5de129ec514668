#include "UpdateTrust.h"

#include "UpdateLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace {

std::optional<QList<MinisignPublicKey>> &overridden()
{
    static std::optional<QList<MinisignPublicKey>> keys;
    return keys;
}

} // namespace

QString installedUpdateKeyPath()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QLatin1String("/../share/corvane/update.pub"));
}

QList<MinisignPublicKey> trustedUpdateKeys()
{
    if (overridden())
        return *overridden();
    QList<MinisignPublicKey> keys;
    MinisignPublicKey key;
#ifdef CORVANE_UPDATE_PUBKEY
    if (parseMinisignPublicKey(QByteArrayLiteral(CORVANE_UPDATE_PUBKEY), &key))
        keys << key;
#endif
    QFile file(installedUpdateKeyPath());
    if (file.exists()) {
        // A key file that is there but unreadable is a broken install, not a
        // development build: without any key nothing would be checked.
        if (file.open(QIODevice::ReadOnly) && parseMinisignPublicKey(file.read(4096), &key)) {
            keys << key;
        } else {
            qCWarning(lcUpdate) << "unusable update key" << file.fileName();
            keys << MinisignPublicKey{}; // trusts nothing, but counts as a key
        }
    }
    return keys;
}

bool haveTrustedUpdateKey()
{
    return !trustedUpdateKeys().isEmpty();
}

void overrideTrustedUpdateKeys(std::optional<QList<MinisignPublicKey>> keys)
{
    overridden() = std::move(keys);
}
