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

// Member names inside the groups.
namespace ProfileMembers {
inline const QString RgbMode = QStringLiteral("rgb-mode");
inline const QString RgbLuminance = QStringLiteral("rgb-luminance");
inline const QString RgbSpeed = QStringLiteral("rgb-speed");
inline const QString RgbSleep = QStringLiteral("rgb-sleep");
inline const QString RgbDirection = QStringLiteral("rgb-direction");
inline const QString GlobalTravel = QStringLiteral("global-key-touch");
inline const QString DeadPress = QStringLiteral("deadSpacePress");
inline const QString DeadRelease = QStringLiteral("deadSpaceRelease");
inline const QString SuperLightSpeed = QStringLiteral("super-light-speed");
inline const QString QuickPress = QStringLiteral("quick-key-press");
inline const QString QuickRelease = QStringLiteral("quick-key-release");
inline const QString WorkMode = QStringLiteral("work-mode");
inline const QString KeyTouchDis = QStringLiteral("keyTouchDis");
inline const QString PressDis = QStringLiteral("quickTouchPressDis");
inline const QString UpDis = QStringLiteral("quickTouchUpDis");
inline const QString BindItem = QStringLiteral("bindItem");
inline const QString BindKey = QStringLiteral("bindKey");
inline const QString TriggerValue = QStringLiteral("triggerValue");
inline const QString TouchDis = QStringLiteral("touchDis");
inline const QString PressType = QStringLiteral("pressType");
inline const QString ClickType = QStringLiteral("clickType");
inline const QString Delay = QStringLiteral("delay");
inline const QString SwitchType = QStringLiteral("switchType");
inline const QString MacroName = QStringLiteral("macroName");
} // namespace ProfileMembers

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
