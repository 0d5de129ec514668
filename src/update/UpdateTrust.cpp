#include "UpdateTrust.h"

#include "UpdateLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace {

// A key file is two short lines; anything longer is not one.
constexpr qint64 KeyFileLimit = 4096;

std::optional<QList<MinisignPublicKey>> &overridden()
{
    static std::optional<QList<MinisignPublicKey>> keys;
    return keys;
}

void addKey(QList<MinisignPublicKey> *keys, const MinisignPublicKey &key)
{
    for (const MinisignPublicKey &k : qAsConst(*keys))
        if (k.keyId == key.keyId && k.key == key.key)
            return;
    keys->append(key);
}

QList<MinisignPublicKey> loadKeys()
{
    QList<MinisignPublicKey> keys;
    MinisignPublicKey key;
#ifdef CORVANE_UPDATE_PUBKEYS
    // CMake has checked their form; a key that still does not parse is said.
    for (const QByteArray &text : QByteArrayLiteral(CORVANE_UPDATE_PUBKEYS).split(',')) {
        if (parseMinisignPublicKey(text, &key))
            addKey(&keys, key);
        else
            qCWarning(lcUpdate) << "the built-in update key is not a minisign public key:" << text;
    }
#endif
    QFile file(installedUpdateKeyPath());
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly))
            qCWarning(lcUpdate) << "cannot read the update key" << file.fileName() << ":" << file.errorString();
        else if (file.size() > KeyFileLimit || !parseMinisignPublicKey(file.read(KeyFileLimit + 1), &key))
            qCWarning(lcUpdate) << "the update key" << file.fileName()
                                << "is not a minisign public key; it is not used";
        else
            addKey(&keys, key);
    }
    if (keys.isEmpty())
        qCDebug(lcUpdate) << "no trusted update key: online updates are off";
    return keys;
}

} // namespace

QString installedUpdateKeyPath()
{
#ifdef Q_OS_WIN
    // Windows installs keep everything in the program's own folder.
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QLatin1String("/update.pub"));
#else
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QLatin1String("/../share/corvane/update.pub"));
#endif
}

QList<MinisignPublicKey> trustedUpdateKeys()
{
    if (overridden())
        return *overridden();
    static const QList<MinisignPublicKey> keys = loadKeys();
    return keys;
}

bool haveTrustedUpdateKey()
{
    return !trustedUpdateKeys().isEmpty();
}

QString noUpdateKeyText()
{
    return QCoreApplication::translate("UpdateTrust", "此版本未内置更新签名密钥，在线更新已关闭。");
}

void overrideTrustedUpdateKeys(std::optional<QList<MinisignPublicKey>> keys)
{
    overridden() = std::move(keys);
}
