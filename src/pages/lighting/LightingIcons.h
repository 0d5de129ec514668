#pragma once

#include <QIcon>
#include <QPixmap>

// Our icon for each lighting mode (0 off, 1..14 the effects, 15 per-key
// colours), drawn in code.
QPixmap lightingEffectPixmap(int mode, int size = 20, qreal devicePixelRatio = 1.0);
QIcon lightingEffectIcon(int mode, int size = 20);
