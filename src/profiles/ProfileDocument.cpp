#include "ProfileDocument.h"

#include "KbScramble.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

ProfileDocument defaultProfileDocument()
{
    ProfileDocument doc;
    doc.insert(ProfileKeys::KeyboardRGB, QJsonObject{{"rgb-mode", 0},
                                                      {"rgb-luminance", 4},
                                                      {"rgb-speed", 4},
                                                      {"rgb-sleep", 1},
                                                      {"rgb-direction", false}});
    doc.insert(ProfileKeys::KeyPerformance, QJsonObject{{"global-key-touch", 5},
                                                         {"deadSpacePress", 20},
                                                         {"deadSpaceRelease", 3},
                                                         {"super-light-speed", false}});
    doc.insert(ProfileKeys::KeyCustom, QJsonObject{{"fn0-layout", QJsonObject()},
                                                    {"fn1-layout", QJsonObject()},
                                                    {"fn2-layout", QJsonObject()},
                                                    {"fn3-layout", QJsonObject()}});
    doc.insert(ProfileKeys::AdvancedKey, QJsonObject());
    doc.insert(ProfileKeys::KeyTouchDB, QJsonObject());
    doc.insert(ProfileKeys::ProfileName, QStringLiteral("Default Profile"));
    return doc;
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
    return QJsonObject{{"work-mode", record.workMode},
                       {"keyTouchDis", int(record.keyTouchDis)},
                       {"quickTouchPressDis", int(record.quickTouchPressDis)},
                       {"quickTouchUpDis", int(record.quickTouchUpDis)}};
}

namespace {

template <typename T>
bool holds(const QVariant &v)
{
    return v.userType() == qMetaTypeId<T>() || v.canConvert<T>();
}

template <typename List>
QJsonArray toArray(const List &list)
{
    QJsonArray array;
    for (const auto &item : list)
        array.append(item);
    return array;
}

} // namespace

bool advancedKeyEntry(const QVariant &record, QJsonObject *entry, int *keyIndex)
{
    // Register the records so that the type checks below see them even if
    // nobody has stored one in a variant yet.
    dksInfoMetaTypeId();
    mtInfoMetaTypeId();
    tglInfoMetaTypeId();
    mptInfoMetaTypeId();
    endInfoMetaTypeId();
    socdInfoMetaTypeId();
    macroInfoMetaTypeId();

    QJsonObject e;
    int index = 0;
    if (holds<DKSInfo>(record)) {
        const DKSInfo r = record.value<DKSInfo>();
        index = r.keyIndex;
        e = {{"bindItem", "TDKS"},
             {"bindKey", toArray(r.bindKey)},
             {"triggerValue", toArray(r.triggerValue)},
             {"touchDis", toArray(r.touchDis)}};
    } else if (holds<MTInfo>(record)) {
        const MTInfo r = record.value<MTInfo>();
        index = r.keyIndex;
        e = {{"bindItem", "MT"}, {"pressType", r.pressType}, {"clickType", r.clickType}, {"delay", r.delay}};
    } else if (holds<TGLInfo>(record)) {
        const TGLInfo r = record.value<TGLInfo>();
        index = r.keyIndex;
        e = {{"bindItem", "TGL"}, {"switchType", r.switchType}, {"delay", r.delay}};
    } else if (holds<MPTInfo>(record)) {
        const MPTInfo r = record.value<MPTInfo>();
        index = r.keyIndex;
        e = {{"bindItem", "MPT"}, {"bindKey", toArray(r.bindKey)}, {"triggerValue", toArray(r.triggerValue)}};
    } else if (holds<ENDInfo>(record)) {
        const ENDInfo r = record.value<ENDInfo>();
        index = r.keyIndex;
        e = {{"bindItem", "END"}, {"switchType", r.switchType}};
    } else if (holds<SOCDInfo>(record)) {
        const SOCDInfo r = record.value<SOCDInfo>();
        index = r.keyIndex;
        e = {{"bindItem", "SOCD"}, {"switchType", r.switchType}};
    } else if (holds<MACROInfo>(record)) {
        const MACROInfo r = record.value<MACROInfo>();
        index = r.keyIndex;
        e = {{"bindItem", "MACRO"}, {"macroName", r.macroName}};
    } else {
        return false;
    }
    *entry = e;
    *keyIndex = index;
    return true;
}
