#pragma once

#include <QLineEdit>
#include <QString>

class QToolButton;

// One entry of the profile list: a read-only line with the profile's name,
// its profile id and a menu button. A double click (or the menu's rename)
// makes it editable; Return commits the new name.
class FileItemWgt : public QLineEdit {
    Q_OBJECT
public:
    FileItemWgt(int id, const QString &text, QWidget *parent = nullptr);

    int id() const;
    QToolButton *menuButton() const;
    // Makes the entry editable and puts the cursor at the given position.
    void startEditing(int cursorPosition = 3);

signals:
    void sigMenuClicked(int id);
    void sigItemClicked(int id, QString name);
    void sigItemRename(int id, QString name);

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void commitEditing();

    int m_id;
    QToolButton *m_menuButton = nullptr;
};
