#pragma once

#include <QColor>
#include <QMap>
#include <QString>

// One colour preset as the presets file stores it: for every key, in
// ascending key-type order, "type#red#green#blue|" (keys outside 0..168
// and invalid colours are left out).
//
// Reading is lenient and pure: entries are split on "|" (empty ones
// dropped), and an entry counts only when it has exactly four "#"-separated
// fields that are decimal integers, a key type 0..168 and colour components
// 0..255; every other entry is skipped. A later entry for the same key wins.
QMap<int, QColor> readPresetString(const QString &text);
QString writePresetString(const QMap<int, QColor> &colours);
