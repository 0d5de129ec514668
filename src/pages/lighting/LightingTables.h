#pragma once

#include "AppParams.h"

#include <QtGlobal>

// The lighting page's numbers and tables, apart from any widget.
//
// Page modes: 0 light off, 1..14 the built-in effects, 15 per-key colours
// (PerKeyLightingMode). In per-key mode one of the six presets is shown and
// the keyboard runs mode 15 + preset.
namespace Lighting {

constexpr int OffMode = 0;
constexpr int EffectButtons = 15; // modes 0..14 sit in the effect grid
constexpr int StaticMode = PerKeyLightingMode;
constexpr int PresetCount = 6;
constexpr int MaxLevel = 4; // brightness and speed run 0..MaxLevel
constexpr int SleepChoices = 13;
constexpr int SleepNeverIndex = 12;
constexpr int SleepLongestIndex = 11; // "120 min"

// The tr() source (context "ColorConfigWgt") of a mode's name, 0..15.
const char *effectName(int mode);
// The tr() source (context "ColorConfigWgt") of a sleep choice's text.
const char *sleepText(int index);
// Minutes sent for a sleep choice; -1 for an index outside the list.
int sleepMinutes(int index);

// The sleep choice that shows a number of minutes. Minutes above the list
// leave the box as it is (-1) when the keyboard reports them; a profile's
// show the longest choice, as the keyboard runs at most that.
enum class SleepSource { Keyboard, Profile };
int sleepIndexFor(int minutes, SleepSource source);

// What the page shows for a lighting mode: the page mode and, in per-key
// mode, the preset (0..5; -1 otherwise).
struct ModeView {
    int mode = OffMode;
    int preset = -1;
};
// From the keyboard's record: its mode byte and whether the light is on.
// Keyboard modes 14 and above are the presets; those past the sixth show
// the sixth.
ModeView viewOfKeyboardMode(int keyboardMode, bool on);
// From a profile's "rgb-mode", which holds the mode as sent (15 + preset in
// per-key mode).
ModeView viewOfStoredMode(int mode);
// The mode sent for a view: the effect, or 15 + preset.
int sentMode(const ModeView &view);

} // namespace Lighting
