#include "KeyDragBtn.h"

#include "AdvancedKeyRecords.h"
#include "KeyTypeTable.h"
#include "KeyboardBtn.h"

#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QStyle>

KeyDragBtn::KeyDragBtn(QWidget *parent) : QPushButton(parent)
{
    setObjectName(QStringLiteral("KeyDragBtn"));
    setAcceptDrops(true);
    setCheckable(true);
    setFixedSize(64, 40);
    setCursor(Qt::PointingHandCursor);
    setStyleSheet(QStringLiteral(
        "QPushButton#KeyDragBtn{background:white;font-size:12px;color:rgb(118, 120, 123);"
        "border:1px solid rgb(160, 170, 184);border-radius:4px;padding:0px;}"
        "QPushButton#KeyDragBtn:checked{border:2px solid rgb(254, 187, 36);}"
        "QPushButton#KeyDragBtn[dragHover=\"true\"]{border:2px dashed rgb(254, 187, 36);}"
        "QPushButton#KeyDragBtn[fixed=\"true\"]{background:rgb(245, 247, 250);color:#333333;}"));
    updateLook();
}

int KeyDragBtn::typeOfDroppedText(const QString &text)
{
    const int type = keyTypeFromName(text);
    // The name table answers 0 for names it does not know.
    if (type == 0 && text != keyTypeName(0))
        return -1;
    return isBindableKeyType(type) ? type : -1;
}

bool KeyDragBtn::setKeyType(int type)
{
    // A fixed slot shows the edited key itself, whatever it is.
    const int next = type >= 0 && (m_fixed || isBindableKeyType(type)) ? type : -1;
    if (next != m_type) {
        m_type = next;
        updateLook();
        emit keyTypeChanged(m_type);
    }
    return m_type == type;
}

void KeyDragBtn::setSlotName(const QString &name)
{
    m_slotName = name;
    updateLook();
}

void KeyDragBtn::setFixed(bool fixed)
{
    m_fixed = fixed;
    setCheckable(!fixed);
    setAcceptDrops(!fixed);
    setFocusPolicy(fixed ? Qt::NoFocus : Qt::StrongFocus);
    setCursor(fixed ? Qt::ArrowCursor : Qt::PointingHandCursor);
    updateLook();
}

void KeyDragBtn::updateLook()
{
    QString name = m_type >= 0 ? keyTypeName(m_type) : QString();
    setText(name);
    name.replace(QLatin1Char('\n'), QLatin1Char(' '));
    setToolTip(name);
    setAccessibleName(name.isEmpty() ? m_slotName
                      : m_slotName.isEmpty() ? name
                                             : m_slotName + QStringLiteral(": ") + name);
    setProperty("dragHover", m_dragHover);
    setProperty("fixed", m_fixed);
    style()->unpolish(this);
    style()->polish(this);
}

void KeyDragBtn::dragEnterEvent(QDragEnterEvent *event)
{
    const QMimeData *data = event->mimeData();
    if (m_fixed || !data->hasFormat(KeyboardBtn::DragFormat) || typeOfDroppedText(data->text()) < 0) {
        event->ignore();
        return;
    }
    m_dragHover = true;
    updateLook();
    event->acceptProposedAction();
}

void KeyDragBtn::dragMoveEvent(QDragMoveEvent *event)
{
    event->acceptProposedAction();
}

void KeyDragBtn::dragLeaveEvent(QDragLeaveEvent *event)
{
    m_dragHover = false;
    updateLook();
    QPushButton::dragLeaveEvent(event);
}

void KeyDragBtn::dropEvent(QDropEvent *event)
{
    m_dragHover = false;
    const QMimeData *data = event->mimeData();
    const int type = data->hasFormat(KeyboardBtn::DragFormat) ? typeOfDroppedText(data->text()) : -1;
    if (m_fixed || type < 0) {
        updateLook();
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    setKeyType(type);
    updateLook();
}

void KeyDragBtn::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        if (!m_fixed)
            clear();
        event->accept();
        return;
    }
    QPushButton::mouseReleaseEvent(event);
}

void KeyDragBtn::keyPressEvent(QKeyEvent *event)
{
    if (!m_fixed && (event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace)) {
        clear();
        return;
    }
    QPushButton::keyPressEvent(event);
}
