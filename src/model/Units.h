#pragma once

#include <QtGlobal>

// Travel in millimetres to whole micrometres, truncated toward zero and
// clamped to 0..65535. A tiny bias keeps values such as 2.3 mm, whose binary
// form lies just below the decimal, from losing a micrometre (2300, not 2299),
// while 1.2345 mm still gives 1234.
quint16 mmToMicrons(double mm);
