#pragma once

#include "ProfileData.h"
#include "ProfileDocument.h"

struct KeyboardReadBack;

// The profile of what the keyboard holds: lighting, performance, the four
// layers, per-key travel and the advanced keys of its read-back (RS
// bindings have no profile entry and are left out).
ProfileData boardProfile(const KeyboardReadBack &rb);
// The same as a profile document: writeProfile(boardProfile(rb)).
ProfileDocument boardProfileDocument(const KeyboardReadBack &rb);
