#pragma once

#include <QString>

// The engine's English state and error messages as the settings dialog
// shows them, in the interface language. Unknown texts pass unchanged.
QString firmwareMessageText(const QString &engineMessage);
