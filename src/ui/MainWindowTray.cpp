// Staying in the background: the system tray, the program's settings.

#include "MainWindow.h"

#include "FocusPolicy.h"

#include "KeyboardController.h"

#include "KeyboardAction.h"
#include "ProcessControl.h"
#include "ProfileManager.h"
#include "SettingsDialog.h"
#include "SignalObject.h"
#include "SystemConfig.h"
#include "UiLog.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QStandardPaths>
#include <QSystemTrayIcon>

namespace {

// The profiles a rule or the tray can use: loaded and readable.
QStringList usableProfiles(ProfileManager *profiles, const QStringList &names)
{
    QStringList out;
    for (const QString &name : names) {
        const int id = profiles->profileIdForFile(name + QLatin1String(".kb"));
        if (id != 0 && !profiles->isDamaged(id))
            out << name;
    }
    return out;
}

} // namespace

SettingsDialog *MainWindow::openSettingsDialog()
{
    // A closed dialog is on its way out (deleted on close).
    if (m_settingsDialog && m_settingsDialog->isVisible()) {
        m_settingsDialog->raise();
        m_settingsDialog->activateWindow();
        return m_settingsDialog;
    }
    SettingsDialog::Options options;
    options.profiles = usableProfiles(m_profiles, m_profileNames);
    options.focusAvailable = m_focusAvailable;
    options.focusSource = m_focusSourceName;
    options.focusEnableCommand = m_focusEnableCommand;
    options.program = QCoreApplication::applicationFilePath();
    // Started by the session, Corvane runs as this one does.
    options.startArguments = restartArguments();
    const QString workDir = QDir::currentPath();
    if (QDir(workDir) != QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)))
        options.startArguments << QStringLiteral("--workdir") << workDir;
    auto *dialog = new SettingsDialog(options, this);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->move(geometry().center() - dialog->rect().center());
    dialog->show();
    m_settingsDialog = dialog;
    return dialog;
}

bool MainWindow::closeToTray()
{
    if (m_quitting || readAppProfileRules(SystemConfig()).rules.isEmpty())
        return false;
    return hideToTray();
}

bool MainWindow::hideToTray()
{
    const bool available = m_trayAvailable ? m_trayAvailable() : QSystemTrayIcon::isSystemTrayAvailable();
    if (!available)
        return false;
    if (!m_tray) {
        m_tray = new QSystemTrayIcon(windowIcon(), this);
        m_trayMenu = new QMenu(this);
        m_trayMenu->setObjectName(QStringLiteral("trayMenu"));
        m_tray->setContextMenu(m_trayMenu);
        connect(m_trayMenu, &QMenu::aboutToShow, this, &MainWindow::fillTrayMenu);
        connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
                showFromTray();
        });
    }
    // Live views stop while nobody sees them; the keyboard stays open.
    emit SignalObject::instance()->sigStopKeyTest();
    emit SignalObject::instance()->sigStopAdjusting();
    // Dialogs are windows of their own and would stay behind on screen. A
    // firmware update being written never gets here (closing refuses).
    if (m_settingsDialog)
        m_settingsDialog->close();
    if (m_firmwareDialog && !m_firmwareDialog->isUpdating())
        m_firmwareDialog->close();
    updateTrayText();
    fillTrayMenu();
    m_tray->show();
    hide();
    qCDebug(lcUi) << "running in the system tray";
    return true;
}

void MainWindow::showFromTray()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    if (m_tray)
        m_tray->hide();
}

bool MainWindow::closeForQuit()
{
    m_quitting = true;
    const bool closed = close();
    m_quitting = false;
    if (closed && m_tray)
        m_tray->hide();
    // A refusal is said in the window, so it must be seen.
    if (!closed && isHidden())
        showFromTray();
    return closed;
}

void MainWindow::fillTrayMenu()
{
    if (!m_trayMenu)
        return;
    qDeleteAll(m_trayMenu->findChildren<QMenu *>(QString(), Qt::FindDirectChildrenOnly));
    m_trayMenu->clear();
    const QString active = activeProfileText().isEmpty() ? tr("键盘中的配置") : activeProfileText();
    m_trayMenu->addAction(tr("当前配置：%1").arg(active))->setEnabled(false);

    auto *pick = new QMenu(tr("切换配置"), m_trayMenu);
    auto *group = new QActionGroup(pick);
    for (const QString &name : usableProfiles(m_profiles, m_profileNames)) {
        const int id = m_profiles->profileIdForFile(name + QLatin1String(".kb"));
        QAction *action = pick->addAction(name);
        action->setCheckable(true);
        action->setChecked(name == m_activeName);
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, id] { pickProfileFromTray(id); });
    }
    pick->setEnabled(!pick->isEmpty());
    m_trayMenu->addMenu(pick);
    m_trayMenu->addSeparator();
    connect(m_trayMenu->addAction(tr("显示窗口")), &QAction::triggered, this, &MainWindow::showFromTray);
    connect(m_trayMenu->addAction(tr("退出")), &QAction::triggered, this, &MainWindow::closeForQuit);
}

void MainWindow::updateTrayText()
{
    if (!m_tray)
        return;
    const QString active = activeProfileText().isEmpty() ? tr("键盘中的配置") : activeProfileText();
    m_tray->setToolTip(QStringLiteral("Corvane — ") + active);
}

void MainWindow::pickProfileFromTray(int id)
{
    if (m_firmwareUpdateRunning || m_applying || !m_keyboard->isConnected() || m_keyboard->isReading()) {
        if (m_tray)
            m_tray->showMessage(QStringLiteral("Corvane"), tr("键盘未连接或正忙，请稍后再切换配置。"));
        return;
    }
    // The rules wait for the next change of the application in front.
    m_focus->profilePickedByHand();
    m_profiles->SaveCurrentProfile();
    m_activeByFocus = false;
    switchToProfile(id);
}
