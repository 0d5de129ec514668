#pragma once

#include "BoardRecords.h"

#include <QPair>

// The built-in 6 x 21 key matrix of a keyboard family (the top byte of the
// board id): 126 model key codes, row-major. Families 0, 7 and any family
// without a matrix of its own share the default one.
const quint16 *familyKeyMatrix(int family);

// The first non-zero code after linear position pos (start with -1), with
// its position; (0, 126) once past the last key.
QPair<quint16, int> familyNextKey(int family, int pos);
