#include "ConfigPageWgt.h"

#include "KeyboardConfig.h"
#include "KeyboardConfigModel.h"
#include "KeyboardController.h"
#include "KeyTypeTable.h"
#include "KeyboardBtn.h"
#include "KeyboardDeck.h"

#include <QEvent>
#include <QVBoxLayout>

ConfigPageWgt::ConfigPageWgt(ConfigPage page, QWidget *parent) : QWidget(parent), m_page(page) {}

void ConfigPageWgt::build()
{
    if (m_built)
        return;
    m_built = true;
    // No title of its own: the page menu above says which page this is.
    auto *layout = new QVBoxLayout(this);
    buildWidgets(layout);
    layout->addStretch();
    retranslate();
}

void ConfigPageWgt::activate(bool on)
{
    if (on == m_active)
        return;
    if (!on && m_current) {
        leave(); // ends the page's live work while it can still act
        m_current = true; // shown again when it is activated again
    }
    m_active = on;
    if (on) {
        // The views of another model take the face of the page on screen.
        m_connections << connect(keyboards(), &KeyboardDeck::viewsChanged, this, [this] {
            if (m_current)
                onEnter();
        });
        // The read-back, the keyboard's own reports, an undo or a redo:
        // what the keyboard holds changed under the page.
        if (config())
            m_connections << connect(config(), &KeyboardConfigModel::configShown, this,
                                     [this](const KeyboardConfig &c, bool fromKeyboard) {
                                         showConfig(c, fromKeyboard);
                                     });
        setupConnections();
        return;
    }
    for (const QMetaObject::Connection &c : qAsConst(m_connections))
        disconnect(c);
    m_connections.clear();
}

void ConfigPageWgt::enter()
{
    m_current = true;
    if (m_active)
        onEnter();
}

void ConfigPageWgt::leave()
{
    if (!m_current)
        return;
    m_current = false;
    if (m_active)
        onLeave();
}

void ConfigPageWgt::retranslate()
{
    setAccessibleName(title());
}

void ConfigPageWgt::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}

void ConfigPageWgt::showConfig(const KeyboardConfig &config, bool fromKeyboard)
{
    (void)fromKeyboard;
    showProfile(profileOfConfig(config));
}

QString ConfigPageWgt::keyLegend(int keyType) const
{
    const KeyboardBtn *key = keyboards() ? keyboards()->key(keyType) : nullptr;
    return key && !key->legend().isEmpty() ? key->legend() : keyTypeName(keyType);
}

KeyboardConfigModel *ConfigPageWgt::config() const
{
    return m_services.keyboard ? m_services.keyboard->config() : nullptr;
}

const KeyboardCapabilities &ConfigPageWgt::capabilities() const
{
    static const KeyboardCapabilities none;
    return m_services.keyboard ? m_services.keyboard->capabilities() : none;
}
