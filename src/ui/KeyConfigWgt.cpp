#include "KeyConfigWgt.h"

#include "AdvancedKeySetPageWgt.h"
#include "ColorConfigWgt.h"
#include "CustomKeySetPageWgt.h"
#include "PerformancePageWgt.h"
#include "SignalObject.h"

KeyConfigWgt::KeyConfigWgt(const ConfigPageWgt::Services &services, QWidget *parent) : QStackedWidget(parent)
{
    setObjectName(QStringLiteral("KeyConfigWgt"));
    setAccessibleName(tr("设置页面"));
    m_pages << new ColorConfigWgt(this) << new PerformancePageWgt(this) << new CustomKeySetPageWgt(this)
            << new AdvancedKeySetPageWgt(this);
    for (ConfigPageWgt *p : qAsConst(m_pages)) {
        p->setServices(services);
        p->build();
        addWidget(p);
    }
    connect(SignalObject::instance(), &SignalObject::sigChangePage, this, &KeyConfigWgt::changePage);
}

ConfigPageWgt *KeyConfigWgt::page(int page) const
{
    return m_pages.value(page);
}

ConfigPageWgt *KeyConfigWgt::currentPage() const
{
    return m_pages.value(currentIndex());
}

QString KeyConfigWgt::pageName(int page) const
{
    ConfigPageWgt *p = m_pages.value(page);
    return p ? p->title() : QString();
}

void KeyConfigWgt::activatePages(bool on)
{
    for (ConfigPageWgt *p : qAsConst(m_pages))
        p->activate(on);
    if (on && currentPage())
        currentPage()->enter();
}

void KeyConfigWgt::changePage(int page)
{
    if (page < 0 || page >= m_pages.size())
        return;
    if (ConfigPageWgt *old = currentPage())
        old->leave();
    setCurrentIndex(page);
    m_pages.at(page)->enter();
    emit SignalObject::instance()->sigKeyConfigPage(page);
}

void KeyConfigWgt::showProfile(const ProfileData &profile)
{
    for (ConfigPageWgt *p : qAsConst(m_pages))
        if (p->isActive())
            p->showProfile(profile);
}

void KeyConfigWgt::reenterCurrentPage()
{
    ConfigPageWgt *p = currentPage();
    if (!p)
        return;
    p->leave();
    p->enter();
    emit SignalObject::instance()->sigKeyConfigPage(currentIndex());
}
