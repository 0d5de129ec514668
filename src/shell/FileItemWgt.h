#pragma once

#include <QLineEdit>
#include <QString>

class QLabel;
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
    // Marks the entry as a file that could not be read, with the reason;
    // an empty reason clears the mark.
    void setDamage(const QString &reason);
    QString damage() const { return m_damage; }
    // What a screen reader says for the entry: its name, and that it is
    // damaged when it is.
    QString spokenName() const;

    void retranslate();

signals:
    // The text or the mark changed: the list keeps its item's name in step.
    void sigNameChanged(int id, QString spokenName);
    void sigMenuClicked(int id);
    void sigItemClicked(int id, QString name);
    void sigItemRename(int id, QString name);

protected:
    void changeEvent(QEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void commitEditing();
    void updateNames();

    int m_id;
    QString m_damage;
    QToolButton *m_menuButton = nullptr;
    QLabel *m_damageMark = nullptr;
};
