#pragma once

#include "TravelScale.h"

#include <QMetaType>
#include <QString>

// What a keyboard reports about itself, as opposed to what a user sets on
// it (KeyboardConfig): its identity, the scale of its travels, the
// polling rate it runs at and which system modes it has. Filled from the
// keyboard's answers as they come; a value type the pages are handed.
struct KeyboardCapabilities {
    quint32 boardId = 0;
    QString serial;
    QString firmwareVersion; // as the keyboard names it ("V1.0.3")
    QString name;
    TravelScale travel;      // from its precision answer
    int decimals = 2;        // millimetres are shown with 2, or 3 for a step finer than 10 µm
    int pollingRate = -1;    // index, -1 until reported
    bool hasWindowsMode = true;
    bool hasMacMode = true;

    bool operator==(const KeyboardCapabilities &o) const;
    bool operator!=(const KeyboardCapabilities &o) const { return !(*this == o); }
};

Q_DECLARE_METATYPE(KeyboardCapabilities)

// The keyboard's lighting record as it reports it, in plain values: it
// names the effect the keyboard returns to while its light is off, which a
// configuration does not hold.
struct LightingReport {
    int keyboardMode = 0; // the record's effect byte
    bool on = false;
    int brightness = 0;
    int speed = 0;
    int sleep = 0;
    bool reversed = false;
};

Q_DECLARE_METATYPE(LightingReport)
