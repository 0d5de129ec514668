#pragma once

#include "ProfileDocument.h"

struct KeyboardReadBack;

// The profile document of what the keyboard holds: lighting, performance,
// the four layers, per-key travel and the advanced keys of its read-back.
ProfileDocument boardProfileDocument(const KeyboardReadBack &rb);
