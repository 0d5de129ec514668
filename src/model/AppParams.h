#pragma once

#include <QColor>
#include <QtGlobal>

#include <array>

// What the program shares across its parts, none of it a keyboard's: the
// names of its pages, a few defaults, and the session nonce. What a keyboard
// reports about itself belongs to its controller (KeyboardCapabilities).
// The configuration pages, in the order of the page menu.
enum ConfigPage : int { PageLighting = 0, PagePerformance = 1, PageCustomKeys = 2, PageAdvancedKeys = 3 };
constexpr int ConfigPageCount = 4;

// The sub-pages of the performance page.
enum PerformanceSubPage : int { SubPageTravel = 0, SubPageAdvanced = 1, SubPageCalibration = 2 };

// The travel a key has until the keyboard reports its own global travel.
constexpr double DefaultGlobalTravelMm = 1.5;
// The rapid-trigger press and release sensitivities a key starts with.
constexpr double RapidTriggerDefaultMm = 0.3;

// Lighting mode indices from here on paint every key with its own colour
// (the presets); below it the keyboard runs an effect.
constexpr int PerKeyLightingMode = 15;

namespace AppParams {

// The nonce carried by the basic-information query. Made on the first call
// (or by makeSessionNonce) and the same for the rest of the run.
std::array<quint8, 4> sessionNonce();
void makeSessionNonce();
// The nonce a generator seeded with seed draws: the low byte of four draws.
std::array<quint8, 4> nonceFromSeed(quint32 seed);

} // namespace AppParams
