#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>

// The main window's icons and logo, drawn in code.
enum class UiIcon { Save, Import, Settings, Preferences, Minimise, Close, Windows, Mac, Undo, Redo, More };

QIcon uiIcon(UiIcon icon, const QColor &colour = QColor(48, 49, 51), int size = 32);
QPixmap corvaneLogo(const QSize &size);
