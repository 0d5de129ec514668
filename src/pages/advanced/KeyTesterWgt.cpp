#include "KeyTesterWgt.h"

#include "AdvancedKeyRecords.h"
#include "Hook.h"
#include "KeyTypeTable.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
constexpr int Columns = 6;

QString tileName(int hookType)
{
    const int type = keyTypeOfHookType(hookType);
    QString name = type >= 0 ? keyTypeName(type) : QString();
    if (name.isEmpty())
        name = Hook::nameOfType(hookType);
    return name.replace(QLatin1Char('\n'), QLatin1Char(' '));
}
} // namespace

KeyTesterWgt::KeyTesterWgt(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("KeyTesterWgt"));
    m_title = new QLabel(this);
    m_title->setStyleSheet(QStringLiteral("QLabel{font-size:16px;color:#333333;font-weight:bold;}"));
    m_panel = new QWidget(this);
    m_panel->setObjectName(QStringLiteral("KeyTesterPanel"));
    m_panel->setAttribute(Qt::WA_StyledBackground);
    m_panel->setStyleSheet(QStringLiteral("#KeyTesterPanel{background:rgb(216, 218, 221);border-radius:8px;}"));
    m_panel->setMinimumSize(300, 120);
    m_grid = new QGridLayout(m_panel);
    m_grid->setContentsMargins(10, 10, 10, 10);
    m_grid->setSpacing(6);
    m_grid->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_title);
    layout->addWidget(m_panel, 1);
    retranslate();
}

void KeyTesterWgt::keyPressed(int hookType)
{
    auto it = m_tiles.find(hookType);
    if (it != m_tiles.end()) {
        it->release->stop(); // held again before its tile went
        return;
    }
    Tile tile;
    tile.button = new QToolButton(m_panel);
    tile.button->setText(tileName(hookType));
    tile.button->setAccessibleName(tile.button->text());
    tile.button->setMinimumSize(40, 40);
    tile.button->setFocusPolicy(Qt::NoFocus);
    tile.button->setStyleSheet(QStringLiteral(
        "QToolButton{color:black;font-size:12px;border:1px solid rgb(160, 170, 184);border-radius:4px;"
        "background:rgb(78, 201, 176);padding:0px 4px;}"));
    tile.release = new QTimer(this);
    tile.release->setSingleShot(true);
    tile.release->setInterval(ReleaseDelayMs);
    connect(tile.release, &QTimer::timeout, this, [this, hookType] { removeTile(hookType); });
    m_tiles.insert(hookType, tile);
    m_order << hookType;
    relayout();
}

void KeyTesterWgt::keyReleased(int hookType)
{
    auto it = m_tiles.find(hookType);
    if (it != m_tiles.end())
        it->release->start();
}

void KeyTesterWgt::removeTile(int hookType)
{
    auto it = m_tiles.find(hookType);
    if (it == m_tiles.end())
        return;
    delete it->button;
    it->release->deleteLater();
    m_tiles.erase(it);
    m_order.removeAll(hookType);
    relayout();
    emit tileRemoved(hookType);
}

void KeyTesterWgt::clear()
{
    for (const Tile &t : qAsConst(m_tiles)) {
        delete t.button;
        t.release->deleteLater();
    }
    m_tiles.clear();
    m_order.clear();
}

QStringList KeyTesterWgt::shownKeys() const
{
    QStringList names;
    for (int type : m_order)
        names << m_tiles.value(type).button->text();
    return names;
}

void KeyTesterWgt::relayout()
{
    for (int type : qAsConst(m_order))
        m_grid->removeWidget(m_tiles.value(type).button);
    for (int i = 0; i < m_order.size(); ++i) {
        QToolButton *b = m_tiles.value(m_order.at(i)).button;
        m_grid->addWidget(b, i / Columns, i % Columns);
        b->show();
    }
}

void KeyTesterWgt::retranslate()
{
    m_title->setText(tr("按键测试"));
    m_panel->setAccessibleName(tr("按键测试"));
}

void KeyTesterWgt::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}
