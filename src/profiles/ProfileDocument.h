#pragma once

#include "AdvancedKeyInfo.h"

#include <QByteArray>
#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QVariant>

// One profile: a JSON object with the groups "KeyboardRGB", "KeyPerformance",
// "KeyCustom", "AdvancedKey", "KeyTouchDB" and the string "ProfileName".
using ProfileDocument = QJsonObject;

namespace ProfileKeys {
inline const QString KeyboardRGB = QStringLiteral("KeyboardRGB");
inline const QString KeyPerformance = QStringLiteral("KeyPerformance");
inline const QString KeyCustom = QStringLiteral("KeyCustom");
inline const QString AdvancedKey = QStringLiteral("AdvancedKey");
inline const QString KeyTouchDB = QStringLiteral("KeyTouchDB");
inline const QString ProfileName = QStringLiteral("ProfileName");
} // namespace ProfileKeys

// A real profile is a few tens of kilobytes; anything far beyond that is not
// one of ours and is refused before it is parsed.
constexpr qint64 MaxProfileFileSize = 4 * 1024 * 1024;

// The document a fresh manager starts from.
ProfileDocument defaultProfileDocument();

// File bytes -> document: unscrambles, parses and checks that the result is
// a non-empty JSON object. On failure returns false, leaves *doc untouched
// and says why in *error (for the log).
bool parseProfileBytes(const QByteArray &fileBytes, ProfileDocument *doc, QString *error = nullptr);

// Document -> file bytes: compact UTF-8 JSON, scrambled.
QByteArray serialiseProfile(const ProfileDocument &doc);

// The "fn<layer>-layout" member name of a KeyCustom layer.
QString layerMemberName(int layer);

// The KeyTouchDB entry of one per-key travel record.
QJsonObject keyTravelEntry(const KeyTravelRecord &record);

// The AdvancedKey entry of the advanced-key record held by the variant, and
// its key index. The record types are tried in the order DKS, MT, TGL, MPT,
// END, SOCD, MACRO; returns false (and touches nothing) for any other
// variant, RS included: RS bindings are not kept in profiles.
bool advancedKeyEntry(const QVariant &record, QJsonObject *entry, int *keyIndex);
