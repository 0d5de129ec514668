#include "Swatches.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

namespace {

QString patchStyle(const QString &type, const QColor &c, int radius)
{
    return QStringLiteral("%1{background:%2;border:1px solid rgb(160, 170, 184);border-radius:%3px;}")
        .arg(type, c.name())
        .arg(radius);
}

} // namespace

Swatches::Swatches(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Swatches"));
    m_row = new QHBoxLayout(this);
    m_row->setContentsMargins(0, 0, 0, 0);
    m_row->setSpacing(6);
    m_currentPatch = new QLabel(this);
    m_currentPatch->setFixedSize(40, 24);
    m_row->addWidget(m_currentPatch);
    m_row->addSpacing(4);
    for (int i = 0; i < MaxCustom; ++i) {
        auto *b = new QToolButton(this);
        b->setFixedSize(18, 18);
        b->setCursor(Qt::PointingHandCursor);
        b->setFocusPolicy(Qt::TabFocus);
        connect(b, &QToolButton::clicked, this, [this, i] {
            if (i < m_custom.size())
                emit swatchChanged(m_custom.at(i));
        });
        m_buttons << b;
        m_row->addWidget(b);
    }
    m_row->addStretch();
    setCurrentColor(Qt::red);
    rebuild();
}

void Swatches::retranslate()
{
    m_currentPatch->setAccessibleName(tr("当前颜色"));
    m_currentPatch->setToolTip(tr("当前颜色"));
    rebuild();
}

void Swatches::setCurrentColor(QColor color)
{
    if (!color.isValid())
        return;
    m_current = color.toRgb();
    m_currentPatch->setStyleSheet(patchStyle(QStringLiteral("QLabel"), m_current, 6));
    m_currentPatch->setAccessibleDescription(m_current.name());
}

void Swatches::addCustomSwatch(QColor color)
{
    if (!color.isValid())
        return;
    const QColor rgb = color.toRgb();
    m_custom.removeAll(rgb);
    m_custom.prepend(rgb);
    while (m_custom.size() > MaxCustom)
        m_custom.removeLast();
    rebuild();
}

void Swatches::rebuild()
{
    for (int i = 0; i < m_buttons.size(); ++i) {
        QToolButton *b = m_buttons.at(i);
        const bool used = i < m_custom.size();
        b->setVisible(used);
        if (!used)
            continue;
        b->setStyleSheet(patchStyle(QStringLiteral("QToolButton"), m_custom.at(i), 4));
        // Screen readers hear what the button does and which colour it holds.
        b->setAccessibleName(tr("使用最近的颜色 %1").arg(m_custom.at(i).name()));
        b->setToolTip(m_custom.at(i).name());
    }
}
