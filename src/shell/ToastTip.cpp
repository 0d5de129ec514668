#include "ToastTip.h"

#include "ShellIcons.h"

#include <QFrame>
#include <QGraphicsDropShadowEffect>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

QPoint toastPosition(ToastPosition position, const QSize &area, const QSize &toast)
{
    const int W = area.width(), H = area.height(), w = toast.width(), h = toast.height();
    switch (position) {
    case ToastPosition::TopLeft:
        return {20, 20};
    case ToastPosition::TopRight:
        return {W - w - 20, 20};
    case ToastPosition::BottomLeft:
        return {20, H - h - 20};
    case ToastPosition::BottomRight:
        return {W - w - 20, H - h - 20};
    case ToastPosition::Center:
        return {(W - w) / 2, (H - h) / 2};
    case ToastPosition::TopCenter:
        return {(W - w) / 2, 20};
    case ToastPosition::BottomCenter:
        return {(W - w) / 2, H - h - 20};
    }
    return {20, 20};
}

ToastTip::ToastTip(ToastType type, ToastPosition position, const QString &text, int msecs, QWidget *parent)
    : QWidget(parent)
    , m_position(position)
{
    setObjectName(QStringLiteral("ToastTip"));
    setAttribute(Qt::WA_DeleteOnClose);
    setMinimumHeight(60);
    setStyleSheet(QStringLiteral("QWidget#ToastTip {background: transparent;}"));
    setContentsMargins(10, 10, 10, 10);
    setWindowFlags(Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_frame = new QFrame(this);
    m_frame->setObjectName(QStringLiteral("ToastFrame"));
    m_frame->setStyleSheet(
        QStringLiteral("border: 0px; background-color: white; color: black; border-radius: 3px;"));
    auto *shadow = new QGraphicsDropShadowEffect(m_frame);
    shadow->setColor(Qt::darkGray);
    shadow->setBlurRadius(10);
    shadow->setOffset(0);
    m_frame->setGraphicsEffect(shadow);
    outer->addWidget(m_frame);

    auto *row = new QHBoxLayout(m_frame);
    row->setContentsMargins(20, 10, 20, 10);
    m_iconLabel = new QLabel(m_frame);
    m_iconLabel->setMinimumSize(20, 20);
    m_iconLabel->setPixmap(toastIcon(type, 20, devicePixelRatioF()));
    m_textLabel = new QLabel(text, m_frame);
    m_textLabel->setSizePolicy(QSizePolicy::MinimumExpanding, QSizePolicy::Preferred);
    row->addWidget(m_iconLabel);
    row->addWidget(m_textLabel);
    outer->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();

    // Made now, applied to the frame when the fade starts: a widget takes
    // one effect, and until then the frame wears its shadow.
    m_opacityEffect = new QGraphicsOpacityEffect(this);
    m_opacityEffect->setOpacity(m_opacity);

    m_fadeTimer = new QTimer(this);
    m_fadeTimer->setInterval(FadeInterval);
    connect(m_fadeTimer, &QTimer::timeout, this, &ToastTip::fadeStep);
    m_displayTimer = new QTimer(this);
    m_displayTimer->setSingleShot(true);
    connect(m_displayTimer, &QTimer::timeout, m_fadeTimer, qOverload<>(&QTimer::start));
    m_displayTimer->start(qMax(0, msecs));
}

QString ToastTip::text() const
{
    return m_textLabel->text();
}

double ToastTip::opacity() const
{
    return m_opacity;
}

void ToastTip::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    place();
}

void ToastTip::place()
{
    if (parentWidget())
        move(toastPosition(m_position, parentWidget()->size(), size()));
}

void ToastTip::fadeStep()
{
    if (m_frame->graphicsEffect() != m_opacityEffect)
        m_frame->setGraphicsEffect(m_opacityEffect); // replaces (and deletes) the shadow
    m_opacity -= FadeStep;
    if (m_opacity < 0.01) {
        m_fadeTimer->stop();
        close();
        return;
    }
    m_opacityEffect->setOpacity(m_opacity);
}
