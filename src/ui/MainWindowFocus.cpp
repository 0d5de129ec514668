// Profiles that follow the application in front.

#include "MainWindow.h"

#include "KeyboardController.h"

#include "KeyboardConfigModel.h"

#include "FocusSource.h"
#include "KeyboardAction.h"
#include "ProfileManager.h"
#include "SystemConfig.h"
#include "UiLog.h"

#include <QLabel>

void MainWindow::setFocusSource(FocusSource *source)
{
    connect(source, &FocusSource::applicationChanged, this, &MainWindow::onApplicationInFront);
}

void MainWindow::onApplicationInFront(const FocusedApp &app)
{
    m_front = AppIdentity{app.executable, app.windowInstance, app.windowClass};
    m_frontPending = true;
    followFront();
}

void MainWindow::followFront()
{
    if (!m_frontPending)
        return;
    if (m_firmwareUpdateRunning || m_applying || !m_keyboard->isConnected() || m_keyboard->isReading()
        || !m_config->hasConfig())
        return; // acted on when that ends
    m_frontPending = false;

    const AppProfileRules rules = readAppProfileRules(SystemConfig());
    if (rules.isEmpty())
        return;
    // A rule's profile exists when its file is loaded and readable.
    QStringList existing;
    auto consider = [&](const QString &name) {
        const int id = m_profiles->profileIdForFile(name + QLatin1String(".kb"));
        if (id != 0 && !m_profiles->isDamaged(id))
            existing.append(name);
    };
    for (const AppProfileRule &rule : rules.rules)
        consider(rule.profile);
    if (!rules.defaultProfile.isEmpty())
        consider(rules.defaultProfile);

    const AppProfileMatch match = matchAppProfile(rules, m_front, existing);
    if (match.profile.isEmpty())
        return;
    const int id = m_profiles->profileIdForFile(match.profile + QLatin1String(".kb"));
    if (id == m_profiles->currentId())
        return;
    qCDebug(lcUi) << "application in front" << m_front.displayName() << "selects profile" << match.profile;
    // Edits to the profile in use are kept as closing the window keeps them.
    m_profiles->SaveCurrentProfile();
    m_activeByFocus = true;
    m_activeCause = m_front.displayName();
    switchToProfile(id);
    emit profileFollowedFocus(match.profile);
}

void MainWindow::showActiveProfile()
{
    QString text;
    if (!m_activeName.isEmpty())
        text = !m_activeByFocus ? m_activeName
                                : tr("%1 — 自动：%2")
                                      .arg(m_activeName, m_activeCause.isEmpty() ? tr("其他应用") : m_activeCause);
    m_activeProfile->setText(text);
    m_activeProfile->setAccessibleName(text);
    updateTrayText();
}

QString MainWindow::activeProfileText() const
{
    return m_activeProfile->text();
}
