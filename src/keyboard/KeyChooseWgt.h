#pragma once

#include <QList>
#include <QWidget>

class KeyChooseBtn;
class QLabel;
class QStackedWidget;
class QTreeWidget;

// The key picker of the remapping page: a full-size keyboard of the basic
// keys and pages of extended, lighting and keyboard-control keys. A click
// on a key reports its type; a drag carries its name to the keyboard view.
class KeyChooseWgt : public QWidget {
    Q_OBJECT
public:
    static constexpr int DefaultKeyUnit = 36; // px per key unit
    // keyUnit: a smaller picker for pages with little room.
    explicit KeyChooseWgt(QWidget *parent = nullptr, int keyUnit = DefaultKeyUnit);

    QList<KeyChooseBtn *> keyButtons() const { return m_buttons; }
    QStackedWidget *pages() const { return m_pages; }
    QTreeWidget *menu() const { return m_menu; }
    // The help badge beside the note of the keyboard-control page.
    QLabel *helpIcon() const { return m_help; }
    void showPage(int index);
    // The editors that embed the picker show their own title instead.
    void setTitleVisible(bool visible);

signals:
    void sigKeyClicked(int keyType);

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();
    QWidget *basicPage();
    QWidget *flowPage(const QList<int> &types, const QSize &size, QWidget *extra = nullptr);
    KeyChooseBtn *makeButton(int type, const QSize &size, QWidget *parent);
    QSize scaled(int width, int height) const;

    QLabel *m_title = nullptr;
    QLabel *m_note = nullptr;
    QLabel *m_help = nullptr;
    int m_keyUnit = DefaultKeyUnit;
    QTreeWidget *m_menu = nullptr;
    QStackedWidget *m_pages = nullptr;
    QList<KeyChooseBtn *> m_buttons;
};
