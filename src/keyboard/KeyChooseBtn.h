#pragma once

#include <QPoint>
#include <QPushButton>

// A key of the picker. It carries its key type in the property "Type" and
// can be dragged onto the keyboard view, which reads the key's name.
class KeyChooseBtn : public QPushButton {
    Q_OBJECT
public:
    KeyChooseBtn(int type, const QSize &size, QWidget *parent = nullptr);

    int type() const;
    // The drag's payload: the MIME data the keyboard view accepts.
    class QMimeData *dragData() const;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    // The name shrinks (and a tall key breaks it after a hyphen) so that it
    // fits the key; the text itself stays the key's name for drags.
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_dragArmed = false;
};
