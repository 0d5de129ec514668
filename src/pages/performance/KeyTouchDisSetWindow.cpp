#include "KeyTouchDisSetWindow.h"

#include "ShellIcons.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace {

// A switch from the side with its travel marked: the picture beside the
// slider, so the user sees which way "more travel" goes.
void drawAxis(QPainter &p)
{
    // Cap, stem and housing.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(68, 74, 86));
    p.drawRoundedRect(QRectF(8, 10, 56, 22), 5, 5);
    p.setBrush(QColor(254, 187, 36));
    p.drawRect(QRectF(30, 32, 12, 34));
    p.setPen(QPen(QColor(160, 170, 184), 2));
    p.setBrush(QColor(238, 238, 242));
    p.drawRoundedRect(QRectF(12, 56, 48, 40), 4, 4);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(108, 226, 108));
    p.drawEllipse(QPointF(36, 104), 8, 4);
    // The travel: an arrow from the top of the stroke to the bottom.
    p.setPen(QPen(QColor(32, 159, 223), 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(78, 14), QPointF(78, 92));
    QPainterPath head;
    head.moveTo(72, 84);
    head.lineTo(78, 94);
    head.lineTo(84, 84);
    p.drawPath(head);
    p.drawLine(QPointF(72, 14), QPointF(84, 14));
}

} // namespace

KeyTouchDisSetWindow::KeyTouchDisSetWindow(QWidget *parent) : PopWindow(parent)
{
    setObjectName(QStringLiteral("KeyTouchDisSetWindow"));
    setFixedSize(600, 320);

    m_title = new QLabel(contentArea());
    m_title->setStyleSheet(QStringLiteral("font-size:18px;font-weight:bold;"));
    m_help = new QLabel(contentArea());
    m_help->setWordWrap(true);
    m_help->setStyleSheet(QStringLiteral("color:#808080;"));
    m_axis = new QLabel(contentArea());
    m_axis->setPixmap(paintedPixmap(QSize(90, 120), 2.0, drawAxis));
    m_value = new QLabel(contentArea());
    m_value->setObjectName(QStringLiteral("touchValueLabel"));
    m_value->setMinimumWidth(70);
    m_slider = new QSlider(Qt::Horizontal, contentArea());
    m_slider->setObjectName(QStringLiteral("touchSlider"));
    m_slider->setRange(1, 40);
    m_slider->setValue(20);
    m_reset = new QPushButton(contentArea());
    m_reset->setFixedSize(60, 30);
    m_allGlobal = new QPushButton(contentArea());
    m_allGlobal->setMinimumHeight(30);

    auto *sliderRow = new QHBoxLayout;
    sliderRow->addWidget(m_slider, 1);
    sliderRow->addWidget(m_value);
    sliderRow->addWidget(m_reset);
    auto *right = new QVBoxLayout;
    right->addWidget(m_title);
    right->addWidget(m_help);
    right->addStretch();
    right->addLayout(sliderRow);
    right->addWidget(m_allGlobal, 0, Qt::AlignLeft);
    auto *layout = new QHBoxLayout(contentArea());
    layout->addWidget(m_axis, 0, Qt::AlignVCenter);
    layout->addLayout(right, 1);

    connect(m_slider, &QSlider::valueChanged, this, [this] {
        showValue();
        commitButton()->setEnabled(true);
    });
    connect(m_reset, &QPushButton::clicked, this, [this] { m_slider->setValue(m_openedAt); });
    connect(m_allGlobal, &QPushButton::clicked, this, &KeyTouchDisSetWindow::sigResetAllToGlobal);
    retranslate();
}

void KeyTouchDisSetWindow::initialise(const TravelScale &scale, int position, int decimals)
{
    m_scale = scale;
    m_decimals = decimals;
    m_openedAt = qBound(1, position, scale.positions);
    {
        const QSignalBlocker blocker(m_slider);
        m_slider->setRange(1, scale.positions);
        m_slider->setValue(m_openedAt);
    }
    showValue();
    commitButton()->setEnabled(false);
}

int KeyTouchDisSetWindow::position() const
{
    return m_slider->value();
}

void KeyTouchDisSetWindow::showValue()
{
    const QString text = travelText(travelMm(), m_decimals) + QStringLiteral("mm");
    m_value->setText(text);
    m_slider->setAccessibleDescription(text);
}

void KeyTouchDisSetWindow::changeEvent(QEvent *event)
{
    PopWindow::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        retranslate();
}

void KeyTouchDisSetWindow::retranslate()
{
    m_title->setText(tr("设置单键触发行程"));
    m_help->setText(tr("左键单击选择一个或多个按键。\n拖动下方滑杆来调整选中按键的触发行程。"));
    m_axis->setAccessibleName(tr("轴体行程示意"));
    m_slider->setAccessibleName(tr("设置单键触发行程"));
    m_reset->setText(tr("重置"));
    m_allGlobal->setText(tr("将所有按键恢复为全局"));
    commitButton()->setText(tr("确定"));
}
