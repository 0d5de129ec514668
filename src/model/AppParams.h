#pragma once

#include <QColor>
#include <QtGlobal>

#include <array>

// Process-wide values of the keyboard and the session: its travel scale and
// defaults, decimals, status and polling rate, the session nonce. What the
// window shows (the page, the Fn layer, the lighting page's colour and mode)
// belongs to the widgets that show it. Mostly used on the GUI thread, but
// the device worker writes a few of them (decimals, board status byte,
// polling-rate index), so every accessor is serialised internally.
// The configuration pages, in the order of the page menu.
enum ConfigPage : int { PageLighting = 0, PagePerformance = 1, PageCustomKeys = 2, PageAdvancedKeys = 3 };
constexpr int ConfigPageCount = 4;

// The sub-pages of the performance page.
enum PerformanceSubPage : int { SubPageTravel = 0, SubPageAdvanced = 1, SubPageCalibration = 2 };

// The travel a key has until the keyboard reports its own global travel.
constexpr double DefaultGlobalTravelMm = 1.5;

// Lighting mode indices from here on paint every key with its own colour
// (the presets); below it the keyboard runs an effect.
constexpr int PerKeyLightingMode = 15;

namespace AppParams {

quint8 calibrationRunning();
void setCalibrationRunning(quint8 running);
quint8 boardStatus();
void setBoardStatus(quint8 status);
double travelStep(); // mm per travel unit
void setTravelStep(double step);
int travelSteps();
void setTravelSteps(int steps);
double maxTravel(); // mm
void setMaxTravel(double mm);
double minTravel(); // mm
void setMinTravel(double mm);
double rapidTriggerPressDefault(); // mm
void setRapidTriggerPressDefault(double mm);
double rapidTriggerReleaseDefault(); // mm
void setRapidTriggerReleaseDefault(double mm);
int decimals();
void setDecimals(int digits);
int pollingRateIndex(); // as the keyboard last reported it; -1 before that
void setPollingRateIndex(int index);

// The nonce carried by the basic-information query. Made on the first call
// (or by makeSessionNonce) and the same for the rest of the run.
std::array<quint8, 4> sessionNonce();
void makeSessionNonce();
// The nonce a generator seeded with seed draws: the low byte of four draws.
std::array<quint8, 4> nonceFromSeed(quint32 seed);

} // namespace AppParams
