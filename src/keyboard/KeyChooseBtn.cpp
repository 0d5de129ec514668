#include "KeyChooseBtn.h"

#include "KeyTypeTable.h"
#include "KeyboardBtn.h"

#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

KeyChooseBtn::KeyChooseBtn(int type, const QSize &size, QWidget *parent) : QPushButton(parent)
{
    setObjectName(QStringLiteral("KeyChooseBtn"));
    setProperty("Type", QVariant::fromValue(uint(type)));
    setText(keyTypeName(type));
    QString name = text();
    setAccessibleName(name.replace(QLatin1Char('\n'), QLatin1Char(' ')));
    setToolTip(accessibleName());
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

void KeyChooseBtn::paintEvent(QPaintEvent *)
{
    QStylePainter p(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString name = option.text;
    option.text.clear();
    p.drawControl(QStyle::CE_PushButton, option);

    QStringList candidates{name};
    if (height() > width() * 3 / 2 && name.contains(QLatin1Char('-')) && !name.contains(QLatin1Char('\n')))
        candidates << QString(name).replace(QLatin1Char('-'), QStringLiteral("-\n"));
    const QRect box = rect().adjusted(2, 1, -2, -1);
    auto fitting = [&](const QFont &font) -> QString {
        const QFontMetrics fm(font);
        for (const QString &candidate : qAsConst(candidates)) {
            const QStringList lines = candidate.split(QLatin1Char('\n'));
            int widest = 0;
            for (const QString &line : lines)
                widest = qMax(widest, fm.horizontalAdvance(line));
            if (widest <= box.width() && lines.size() * fm.height() <= box.height())
                return candidate;
        }
        return QString();
    };
    QFont f = font();
    QString chosen;
    for (int size = f.pixelSize() > 0 ? f.pixelSize() : 10; size >= 7 && chosen.isEmpty(); --size) {
        f.setPixelSize(size);
        chosen = fitting(f);
    }
    if (chosen.isEmpty())
        chosen = name;
    p.setFont(f);
    // A key that cannot be chosen here reads as such.
    p.setPen(isEnabled() ? palette().color(QPalette::ButtonText) : QColor(192, 196, 204));
    p.drawText(box, Qt::AlignCenter, chosen);
}
