#include "FileItemWgt.h"

#include "ShellIcons.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QToolButton>

FileItemWgt::FileItemWgt(int id, const QString &text, QWidget *parent)
    : QLineEdit(text, parent)
    , m_id(id)
{
    setObjectName(QStringLiteral("FileItemWgt"));
    setReadOnly(true);
    setCursor(Qt::PointingHandCursor);

    m_menuButton = new QToolButton(this);
    m_menuButton->setObjectName(QStringLiteral("profileMenuBtn"));
    m_menuButton->setIcon(menuDotsIcon());
    m_menuButton->setIconSize(QSize(18, 18));
    m_menuButton->setFixedSize(24, 24);
    m_menuButton->setCursor(Qt::ArrowCursor);
    m_menuButton->setAutoRaise(true);
    m_damageMark = new QLabel(this);
    m_damageMark->setObjectName(QStringLiteral("profileDamageMark"));
    m_damageMark->setStyleSheet(QStringLiteral("color: #d9363e; font-weight: bold;"));
    m_damageMark->hide();
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 6, 0);
    layout->addStretch();
    layout->addWidget(m_damageMark);
    layout->addWidget(m_menuButton);
    setTextMargins(0, 0, 30, 0); // keep long names clear of the button

    connect(m_menuButton, &QToolButton::clicked, this, [this] { emit sigMenuClicked(m_id); });
    connect(this, &QLineEdit::returnPressed, this, &FileItemWgt::commitEditing);
    connect(this, &QLineEdit::textChanged, this, &FileItemWgt::updateNames);
    retranslate();
}

void FileItemWgt::retranslate()
{
    m_menuButton->setToolTip(tr("配置操作"));
    m_menuButton->setAccessibleName(tr("配置操作"));
    m_damageMark->setText(tr("已损坏"));
    updateNames();
}

void FileItemWgt::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        retranslate();
        setDamage(m_damage);
    }
    QLineEdit::changeEvent(event);
}

void FileItemWgt::setDamage(const QString &reason)
{
    m_damage = reason;
    m_damageMark->setVisible(!reason.isEmpty());
    const QString tip = reason.isEmpty() ? QString() : tr("已损坏：%1").arg(reason);
    m_damageMark->setToolTip(tip);
    setToolTip(tip);
    setTextMargins(0, 0, reason.isEmpty() ? 30 : 30 + m_damageMark->sizeHint().width(), 0);
    updateNames();
}

QString FileItemWgt::spokenName() const
{
    return m_damage.isEmpty() ? text() : tr("%1（已损坏）").arg(text());
}

void FileItemWgt::updateNames()
{
    setAccessibleName(spokenName());
    setAccessibleDescription(m_damage);
    emit sigNameChanged(m_id, spokenName());
}

int FileItemWgt::id() const
{
    return m_id;
}

QToolButton *FileItemWgt::menuButton() const
{
    return m_menuButton;
}

void FileItemWgt::startEditing(int cursorPosition)
{
    setReadOnly(false);
    setFocus(Qt::OtherFocusReason);
    setCursorPosition(cursorPosition);
}

void FileItemWgt::mouseReleaseEvent(QMouseEvent *event)
{
    QLineEdit::mouseReleaseEvent(event);
    // While the name is being edited, clicks place the cursor; they do not
    // apply the profile.
    if (isReadOnly() && event->button() == Qt::LeftButton)
        emit sigItemClicked(m_id, text());
}

void FileItemWgt::mouseDoubleClickEvent(QMouseEvent *event)
{
    QLineEdit::mouseDoubleClickEvent(event);
    startEditing();
}

void FileItemWgt::commitEditing()
{
    if (isReadOnly())
        return;
    setReadOnly(true);
    emit sigItemRename(m_id, text());
}
