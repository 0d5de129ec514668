#include "KeyQuickTouchWindow.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

KeyQuickTouchWindow::KeyQuickTouchWindow(QWidget *parent) : PopWindow(parent)
{
    setObjectName(QStringLiteral("KeyQuickTouchWindow"));
    setFixedSize(600, 320);

    m_title = new QLabel(contentArea());
    m_title->setStyleSheet(QStringLiteral("font-size:18px;font-weight:bold;"));
    m_text = new QLabel(contentArea());
    m_text->setWordWrap(true);
    m_text->setStyleSheet(QStringLiteral("color:#808080;"));
    m_all = new QPushButton(contentArea());
    m_all->setFixedSize(80, 30);
    m_none = new QPushButton(contentArea());
    m_none->setFixedSize(80, 30);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_all);
    buttons->addWidget(m_none);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(contentArea());
    layout->addWidget(m_title);
    layout->addWidget(m_text);
    layout->addStretch();
    layout->addLayout(buttons);

    connect(m_all, &QPushButton::clicked, this, [this] { emit sigChooseAll(true); });
    connect(m_none, &QPushButton::clicked, this, [this] { emit sigChooseAll(false); });
    retranslate();
}

void KeyQuickTouchWindow::changeEvent(QEvent *event)
{
    PopWindow::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        retranslate();
}

void KeyQuickTouchWindow::retranslate()
{
    m_title->setText(tr("设置单键快速触发"));
    m_text->setText(tr("选中的按键已启用快速触发。未选中则未启用。\n未启用时，按键的触发点和重置点将被固定为设定的触发行程。"));
    m_all->setText(tr("全选"));
    m_none->setText(tr("取消全选"));
    commitButton()->setText(tr("保存选择"));
}
