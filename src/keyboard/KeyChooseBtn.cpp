#include "KeyChooseBtn.h"

#include "KeyTypeTable.h"
#include "KeyboardBtn.h"

#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>

KeyChooseBtn::KeyChooseBtn(int type, const QSize &size, QWidget *parent) : QPushButton(parent)
{
    setObjectName(QStringLiteral("KeyChooseBtn"));
    setProperty("Type", QVariant::fromValue(uint(type)));
    setText(keyTypeName(type));
    setFixedSize(size);
}

int KeyChooseBtn::type() const
{
    return int(property("Type").toUInt());
}

QMimeData *KeyChooseBtn::dragData() const
{
    auto *data = new QMimeData;
    data->setData(KeyboardBtn::DragFormat, QByteArray());
    data->setText(text());
    return data;
}

void KeyChooseBtn::mousePressEvent(QMouseEvent *event)
{
    m_dragArmed = event->button() == Qt::LeftButton;
    QPushButton::mousePressEvent(event);
}

void KeyChooseBtn::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragArmed || !(event->buttons() & Qt::LeftButton)) {
        QPushButton::mouseMoveEvent(event);
        return;
    }
    m_dragArmed = false;
    setDown(false);
    auto *drag = new QDrag(this);
    drag->setMimeData(dragData());
    drag->setPixmap(grab().scaledToHeight(36, Qt::SmoothTransformation));
    drag->exec(Qt::MoveAction);
}
