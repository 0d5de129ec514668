#pragma once

#include "ProfileData.h"
#include "ProfileDocument.h"

class KB2ActionData;
struct KeyboardReadBack;

// The profile of what the keyboard holds: lighting, performance, the four
// layers, per-key travel and the advanced keys of its read-back (RS
// bindings have no profile entry and are left out).
ProfileData boardProfile(const KeyboardReadBack &rb);
// The same as a profile document: writeProfile(boardProfile(rb)).
ProfileDocument boardProfileDocument(const KeyboardReadBack &rb);

// What the board-side copy holds now, as a read-back: after every frame
// sent to the keyboard has been answered, the lighting, per-key colours,
// dead zones, layers, per-key travel and advanced keys as the keyboard
// acknowledged them. No name or modes.
KeyboardReadBack mirrorReadBack(const KB2ActionData &board);
