#pragma once

#include <QList>
#include <QWidget>

class KeyChooseBtn;
class QStackedWidget;
class QTreeWidget;

// The key picker of the remapping page: a full-size keyboard of the basic
// keys and pages of extended, lighting and keyboard-control keys. A click
// on a key reports its type; a drag carries its name to the keyboard view.
class KeyChooseWgt : public QWidget {
    Q_OBJECT
public:
    explicit KeyChooseWgt(QWidget *parent = nullptr);

    QList<KeyChooseBtn *> keyButtons() const { return m_buttons; }
    QStackedWidget *pages() const { return m_pages; }
    QTreeWidget *menu() const { return m_menu; }
    void showPage(int index);

signals:
    void sigKeyClicked(int keyType);

private:
    QWidget *basicPage();
    QWidget *flowPage(const QList<int> &types, const QSize &size, QWidget *extra = nullptr);
    KeyChooseBtn *makeButton(int type, const QSize &size, QWidget *parent);

    QTreeWidget *m_menu = nullptr;
    QStackedWidget *m_pages = nullptr;
    QList<KeyChooseBtn *> m_buttons;
};
