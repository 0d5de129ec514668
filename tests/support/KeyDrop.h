#pragma once

// Drops a key name on a key as the key picker's drag does.

#include "KeyboardBtn.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>

inline void dropName(KeyboardBtn *key, const QString &name)
{
    QMimeData data;
    data.setData(KeyboardBtn::DragFormat, QByteArray());
    data.setText(name);
    QDragEnterEvent enter(QPoint(5, 5), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(key, &enter);
    QDropEvent drop(QPointF(5, 5), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(key, &drop);
}
