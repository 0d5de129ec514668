#include "LayoutIcons.h"

#include "ShellIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

void drawKeyboard(QPainter &p, qreal s)
{
    p.drawRoundedRect(QRectF(s * 0.08, s * 0.22, s * 0.84, s * 0.56), s * 0.08, s * 0.08);
    const qreal key = s * 0.09, gap = s * 0.045;
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 6; ++col)
            p.drawRect(QRectF(s * 0.17 + col * (key + gap), s * 0.31 + row * (key + gap), key * 0.5, key * 0.5));
    p.drawLine(QPointF(s * 0.3, s * 0.66), QPointF(s * 0.7, s * 0.66));
}

void drawSpeaker(QPainter &p, qreal s)
{
    QPainterPath body;
    body.moveTo(s * 0.14, s * 0.4);
    body.lineTo(s * 0.3, s * 0.4);
    body.lineTo(s * 0.5, s * 0.22);
    body.lineTo(s * 0.5, s * 0.78);
    body.lineTo(s * 0.3, s * 0.6);
    body.lineTo(s * 0.14, s * 0.6);
    body.closeSubpath();
    p.drawPath(body);
    p.drawArc(QRectF(s * 0.42, s * 0.34, s * 0.24, s * 0.32), -50 * 16, 100 * 16);
    p.drawArc(QRectF(s * 0.38, s * 0.22, s * 0.44, s * 0.56), -50 * 16, 100 * 16);
}

void drawLetters(QPainter &p, qreal s, const QString &letters, const QColor &c)
{
    const qreal cap = s * 0.42, gap = s * 0.06, left = (s - 2 * cap - gap) / 2;
    QFont f = p.font();
    f.setPixelSize(qMax(6, int(cap * 0.62)));
    f.setBold(true);
    p.setFont(f);
    for (int i = 0; i < 4 && i < letters.size(); ++i) {
        const QRectF r(left + (i % 2) * (cap + gap), left + (i / 2) * (cap + gap), cap, cap);
        p.setPen(QPen(c, qMax(1.0, s / 20.0)));
        p.drawRoundedRect(r, s * 0.06, s * 0.06);
        p.drawText(r, Qt::AlignCenter, letters.mid(i, 1));
    }
}

void draw(QPainter &p, int id, const QColor &c, int size)
{
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(QPen(c, qMax(1.2, size / 16.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    // The first keys of each layout's home row.
    static const char *const homeRows[] = {"AOEU", "ARST", "ASHT", "ABCD"};
    switch (id) {
    case 0: drawKeyboard(p, size); break;
    case 1: drawSpeaker(p, size); break;
    default:
        if (id >= 2 && id <= 5)
            drawLetters(p, size, QString::fromLatin1(homeRows[id - 2]), c);
        break;
    }
}

} // namespace

QIcon predefinedLayoutIcon(int id, const QColor &colour, int size)
{
    return paintedIcon(QSize(size, size), [&](QPainter &p) { draw(p, id, colour, size); });
}
