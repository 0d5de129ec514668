#pragma once

#include "ConfigPageWgt.h"

#include <QList>
#include <QStackedWidget>

// The page switcher: it holds the four configuration pages and shows one,
// leaving the page that goes and entering the page that comes. What a page
// does is the page's own.
class KeyConfigWgt : public QStackedWidget {
    Q_OBJECT
public:
    explicit KeyConfigWgt(const ConfigPageWgt::Services &services, QWidget *parent = nullptr);

    ConfigPageWgt *page(int page) const;
    ConfigPageWgt *currentPage() const;
    // The page's name in the page menu.
    QString pageName(int page) const;

    // Shows page n and tells the rest of the program through the hub.
    void changePage(int page);
    // The pages in use (a keyboard model is shown) or not.
    void activatePages(bool on);
    // The current page takes its place again, as after a page change (an
    // applied profile has changed what it shows).
    void reenterCurrentPage();
    // Every page shows what an applied profile has set.
    void showProfile(const ProfileData &profile);

private:
    QList<ConfigPageWgt *> m_pages;
};
