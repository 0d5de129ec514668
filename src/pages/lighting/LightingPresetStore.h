#pragma once

#include "LightingTables.h"

#include <QColor>
#include <QMap>
#include <QString>

#include <array>

// The six colour presets in the presets file, an INI file read and written
// through the settings factory. "rgbPresuppose1".."rgbPresuppose6" hold the
// user's presets, "rootPresuppose1".."rootPresuppose6" the factory ones,
// which are only read; each value is a preset string (LightingPresetText.h).
class LightingPresetStore {
public:
    using Preset = QMap<int, QColor>; // key type -> colour
    using Presets = std::array<Preset, Lighting::PresetCount>;

    // "config/settings.ini" in the working directory.
    static QString defaultPath();
    explicit LightingPresetStore(const QString &path = defaultPath());
    QString path() const { return m_path; }

    // The user's presets. One that was never saved starts as the factory
    // preset, so that a preset is never dark before it has been edited.
    Presets load() const;
    // "rootPresuppose<n + 1>" when the file has it, else our built-in one.
    Preset factory(int n) const;
    // Writes preset n and syncs the file, which is replaced as a whole or
    // not at all; false when it could not be written.
    bool save(int n, const Preset &preset);

    // Our own factory presets, for the keys of the default key matrix:
    // a rainbow across the columns, a WASD highlight, a warm and a cold
    // gradient, a colour per row, and white with an amber function row.
    static Preset builtIn(int n);

private:
    QString m_path;
};
