#pragma once

#include <QStackedWidget>

class QLabel;

// The page switcher: lighting, performance, custom keys and advanced keys.
// Each page is given by the page's own widget; until a page exists, a
// plain title stands in for it.
class KeyConfigWgt : public QStackedWidget {
    Q_OBJECT
public:
    enum Page { Lighting = 0, Performance = 1, CustomKeys = 2, AdvancedKeys = 3 };

    explicit KeyConfigWgt(QWidget *parent = nullptr);

    // Shows page n and tells the rest of the program through the hub.
    void changePage(int page);
    static QString pageName(int page);

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();

    QList<QLabel *> m_titles;
};
