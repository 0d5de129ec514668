#pragma once

#include <QMetaType>

// Scoped so the short enumerator names stay out of the global namespace.
enum class ToastType : qint32 {
    Success = 0,
    Info = 1,
    Warning = 2,
    Error = 3,
};

enum class ToastPosition : qint32 {
    TopLeft = 0,
    TopRight = 1,
    BottomLeft = 2,
    BottomRight = 3,
    Center = 4,
    TopCenter = 5,
    BottomCenter = 6,
};

Q_DECLARE_METATYPE(ToastType)
Q_DECLARE_METATYPE(ToastPosition)
