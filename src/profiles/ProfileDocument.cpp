#include "ProfileDocument.h"

#include "KbScramble.h"
#include "ProfileData.h"

#include <QJsonDocument>
#include <QJsonParseError>

ProfileDocument defaultProfileDocument()
{
    return writeProfile(defaultProfile());
}

bool parseProfileBytes(const QByteArray &fileBytes, ProfileDocument *doc, QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (fileBytes.isEmpty())
        return fail(QStringLiteral("empty file"));
    if (fileBytes.size() > MaxProfileFileSize)
        return fail(QStringLiteral("file too large (%1 bytes)").arg(fileBytes.size()));

    QJsonParseError parseError;
    const QJsonDocument json = QJsonDocument::fromJson(kb_scramble(fileBytes), &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return fail(QStringLiteral("not JSON: %1 at %2").arg(parseError.errorString()).arg(parseError.offset));
    if (!json.isObject())
        return fail(QStringLiteral("not a JSON object"));
    const QJsonObject object = json.object();
    if (object.isEmpty())
        return fail(QStringLiteral("empty object"));
    *doc = object;
    return true;
}

QByteArray serialiseProfile(const ProfileDocument &doc)
{
    return kb_scramble(QJsonDocument(doc).toJson(QJsonDocument::Compact));
}

QString layerMemberName(int layer)
{
    return QStringLiteral("fn%1-layout").arg(layer);
}

QJsonObject keyTravelEntry(const KeyTravelRecord &record)
{
    using namespace ProfileMembers;
    return QJsonObject{{WorkMode, record.workMode},
                       {KeyTouchDis, int(record.keyTouchDis)},
                       {PressDis, int(record.quickTouchPressDis)},
                       {UpDis, int(record.quickTouchUpDis)}};
}

bool advancedKeyEntry(const QVariant &record, QJsonObject *entry, int *keyIndex)
{
    AdvancedBinding binding;
    int key = 0;
    // RS bindings are not kept in profiles.
    if (!bindingFromRecord(record, &binding, &key) || binding.kind() == Bind_RS)
        return false;
    *entry = bindingEntry(binding);
    *keyIndex = key;
    return true;
}
