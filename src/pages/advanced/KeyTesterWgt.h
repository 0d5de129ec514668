#pragma once

#include <QMap>
#include <QStringList>
#include <QWidget>

class QGridLayout;
class QLabel;
class QTimer;
class QToolButton;

// The advanced page's key tester: a tile for every key held down, taken
// away a moment after the key is released (so a quick tap is still seen).
// Keys arrive in the keyboard hook's numbering (Hook::Type).
class KeyTesterWgt : public QWidget {
    Q_OBJECT
public:
    static constexpr int ReleaseDelayMs = 800;

    explicit KeyTesterWgt(QWidget *parent = nullptr);

    void keyPressed(int hookType);
    void keyReleased(int hookType);
    void clear();
    // The names on the tiles, in the order the keys went down.
    QStringList shownKeys() const;

signals:
    void tileRemoved(int hookType);

protected:
    void changeEvent(QEvent *event) override;

private:
    struct Tile {
        QToolButton *button = nullptr;
        QTimer *release = nullptr;
    };
    void removeTile(int hookType);
    void relayout();
    void retranslate();

    QLabel *m_title = nullptr;
    QWidget *m_panel = nullptr;
    QGridLayout *m_grid = nullptr;
    QMap<int, Tile> m_tiles;
    QList<int> m_order;
};
