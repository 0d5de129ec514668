// Profiles that follow the application in front: the window gives the
// focus policy what it needs to know and applies what it asks for.

#include "MainWindow.h"

#include "KeyboardController.h"

#include "KeyboardConfigModel.h"

#include "FocusPolicy.h"
#include "FocusSource.h"
#include "KeyboardAction.h"
#include "ProfileManager.h"
#include "ProfileName.h"
#include "SystemConfig.h"
#include "UiLog.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>

void MainWindow::setupFocusPolicy()
{
    FocusPolicy::Environment env;
    env.rules = [] { return readAppProfileRules(SystemConfig()); };
    // A rule's profile exists when its file is loaded and readable.
    env.usableProfiles = [this](const QStringList &names) {
        QStringList out;
        for (const QString &name : names) {
            const int id = m_profiles->profileIdForFile(name + QLatin1String(".kb"));
            if (id != 0 && !m_profiles->isDamaged(id))
                out << name;
        }
        return out;
    };
    env.currentProfile = [this] {
        const int id = m_profiles->currentId();
        return id == 0 ? QString() : profileListName(QFileInfo(m_profiles->profilePath(id)).fileName());
    };
    env.keyboardReady = [this] {
        return !m_firmwareUpdateRunning && !m_applying && m_keyboard->isConnected() && !m_keyboard->isReading()
               && m_config->hasConfig();
    };
    m_focus = new FocusPolicy(env, {}, this);
    // Corvane's windows: this process, or where the desktop gives no
    // process, the names Qt gives its windows (X11 class, Wayland app id).
    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).baseName();
    m_focus->setOwnWindows(QCoreApplication::applicationPid(),
                           {QCoreApplication::applicationName(), program, QStringLiteral("org.corvane.Corvane"),
                            QFileInfo(QGuiApplication::desktopFileName()).completeBaseName()});
    connect(m_focus, &FocusPolicy::switchRequested, this, &MainWindow::followFocus);
}

void MainWindow::setFocusSource(FocusSource *source)
{
    connect(source, &FocusSource::applicationChanged, m_focus, &FocusPolicy::frontChanged);
}

void MainWindow::followFocus(const FocusSwitch &change)
{
    const int id = m_profiles->profileIdForFile(change.profile + QLatin1String(".kb"));
    if (id == 0)
        return;
    // Edits to the profile in use are kept as closing the window keeps them.
    m_profiles->SaveCurrentProfile();
    // Going back to the profile of before is as if the rules had not acted.
    m_activeByFocus = !change.back;
    m_activeCause = focusSwitchCause(change, tr("其他应用"));
    m_socdRsOff = change.socdRsOff;
    switchToProfile(id);
    emit profileFollowedFocus(change.profile);
}

void MainWindow::showActiveProfile()
{
    QString text;
    if (!m_activeName.isEmpty())
        text = !m_activeByFocus ? m_activeName
                                : tr("%1 — 自动：%2")
                                      .arg(m_activeName, m_activeCause.isEmpty() ? tr("其他应用") : m_activeCause);
    if (!text.isEmpty() && m_activeByFocus && m_socdRsOff)
        text += tr("（已关闭 SOCD 与 RS 按键）");
    m_activeProfile->setText(text);
    m_activeProfile->setAccessibleName(text);
    updateTrayText();
    showWindowTitle();
}

void MainWindow::showWindowTitle()
{
    setWindowTitle(m_activeByFocus && m_socdRsOff ? m_baseTitle + tr(" — 已关闭 SOCD 与 RS 按键") : m_baseTitle);
}

QString MainWindow::activeProfileText() const
{
    return m_activeProfile->text();
}
