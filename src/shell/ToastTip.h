#pragma once

#include "ToastTypes.h"

#include <QPoint>
#include <QSize>
#include <QString>
#include <QWidget>

class QFrame;
class QGraphicsOpacityEffect;
class QLabel;
class QTimer;

// Where a toast of size toast sits inside a parent of size area.
QPoint toastPosition(ToastPosition position, const QSize &area, const QSize &toast);

// A transient bubble: shows for the given time, fades out in about 200 ms,
// then closes and deletes itself.
class ToastTip : public QWidget {
    Q_OBJECT
public:
    ToastTip(ToastType type, ToastPosition position, const QString &text, int msecs, QWidget *parent = nullptr);

    static constexpr int FadeInterval = 20; // ms per step
    static constexpr double FadeStep = 0.1;

    QString text() const;
    double opacity() const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void place();
    void fadeStep();

    ToastPosition m_position;
    QFrame *m_frame = nullptr;
    QLabel *m_iconLabel = nullptr;
    QLabel *m_textLabel = nullptr;
    QGraphicsOpacityEffect *m_opacityEffect = nullptr;
    QTimer *m_displayTimer = nullptr;
    QTimer *m_fadeTimer = nullptr;
    double m_opacity = 1.0;
};
