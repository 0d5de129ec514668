#include "FileItemWgt.h"

#include "ShellIcons.h"

#include <QHBoxLayout>
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
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 6, 0);
    layout->addStretch();
    layout->addWidget(m_menuButton);
    setTextMargins(0, 0, 30, 0); // keep long names clear of the button

    connect(m_menuButton, &QToolButton::clicked, this, [this] { emit sigMenuClicked(m_id); });
    connect(this, &QLineEdit::returnPressed, this, &FileItemWgt::commitEditing);
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
