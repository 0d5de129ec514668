#include "FramelessWindow.h"

#include <QMouseEvent>
#include <QPainterPath>
#include <QRegion>
#include <QWidget>

WindowDragger::WindowDragger(QWidget *window, int band)
    : QObject(window)
    , m_window(window)
    , m_band(band)
{
}

void WindowDragger::install(QWidget *window, int band)
{
    window->installEventFilter(new WindowDragger(window, band));
}

bool WindowDragger::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_window)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *e = static_cast<QMouseEvent *>(event);
        if (e->button() != Qt::LeftButton || (m_band >= 0 && e->pos().y() >= m_band))
            return false;
        m_dragging = true;
        m_offset = e->globalPos() - m_window->frameGeometry().topLeft();
        e->setAccepted(m_band >= 0);
        return m_band >= 0;
    }
    case QEvent::MouseMove: {
        auto *e = static_cast<QMouseEvent *>(event);
        if (m_dragging && (e->buttons() & Qt::LeftButton)) {
            m_window->move(e->globalPos() - m_offset);
            e->setAccepted(m_band >= 0);
            return m_band >= 0;
        }
        m_dragging = false;
        return false;
    }
    case QEvent::MouseButtonRelease:
        m_dragging = false;
        return false;
    default:
        return false;
    }
}

void cutRoundedCorners(QWidget *window, qreal radius, int inset)
{
#ifdef Q_OS_WIN
    Q_UNUSED(window)
    Q_UNUSED(radius)
    Q_UNUSED(inset)
#else
    QPainterPath path;
    path.addRoundedRect(QRectF(window->rect()).adjusted(inset, inset, -inset, -inset), radius, radius);
    window->setMask(QRegion(path.toFillPolygon().toPolygon()));
#endif
}
