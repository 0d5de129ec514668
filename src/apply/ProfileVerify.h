#pragma once

#include "ProfileData.h"

#include <QList>
#include <QString>

struct KeyboardConfig;

// What differs between a profile and what a keyboard holds after it was
// applied. Only what applying the profile sets is compared: its groups, on
// the keys the board has (others are skipped when applying). Values are the
// profile's own: a setting the keyboard stores rounded shows as a difference.
struct ProfileDifference {
    QString group;         // "KeyboardRGB", "KeyPerformance", "KeyCustom", "KeyTouchDB", "AdvancedKey"
    QString key;           // "rgb-mode", "key 17 (A) colour", "fn1-layout key 17 (A)", "key 17 (A) keyTouchDis", ...
    QString profileValue;  // "none" when the profile has none
    QString keyboardValue; // "none" when the keyboard has none
};

// keyboard: boardProfile() of a read-back; boardKeys: the board's key types.
QList<ProfileDifference> profileDifferences(const ProfileData &profile, const ProfileData &keyboard,
                                            const QList<int> &boardKeys);

// "KeyTouchDB key 17 (A) keyTouchDis: profile 1500, keyboard 1200"
QString differenceLine(const ProfileDifference &difference);

// What differs between the configuration a keyboard should hold and the one
// it holds (a read-back after applying, or the board-side copy once every
// frame is answered), by the rules above with every group of `expected`;
// the page's own slider positions are no setting of the keyboard's. Per-key
// colours ("#rrggbb", group "KeyboardRGB") are compared on the board's keys
// that `expected` has a colour for. The one comparison of corvane-cli's
// verify and of the configurator's check.
QList<ProfileDifference> configDifferences(const KeyboardConfig &expected, const KeyboardConfig &held,
                                           const QList<int> &boardKeys);
