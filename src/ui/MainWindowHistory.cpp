// Undo and redo of the main window: every edit of the keyboard's
// configuration is a step of its history.

#include "MainWindow.h"

#include "FocusPolicy.h"

#include "KeyboardController.h"

#include "DeviceLifecycle.h"
#include "KeyboardConfigModel.h"
#include "KeyboardSession.h"

#include <QShortcut>
#include <QToolButton>
#include <QUndoStack>

void MainWindow::setupHistory()
{
    QUndoStack *history = m_config->history();
    // Nothing is undone while a profile is being applied or the keyboard
    // is being updated: the step would race what is being sent.
    auto undo = [this, history] {
        if (!m_applying && !m_firmwareUpdateRunning)
            history->undo();
    };
    auto redo = [this, history] {
        if (!m_applying && !m_firmwareUpdateRunning)
            history->redo();
    };
    connect(m_undoBtn, &QToolButton::clicked, this, undo);
    connect(m_redoBtn, &QToolButton::clicked, this, redo);
    connect(new QShortcut(QKeySequence::Undo, this), &QShortcut::activated, this, undo);
    for (const QKeySequence &keys : {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this, redo);
    connect(history, &QUndoStack::canUndoChanged, m_undoBtn, &QWidget::setEnabled);
    connect(history, &QUndoStack::canRedoChanged, m_redoBtn, &QWidget::setEnabled);
    connect(history, &QUndoStack::indexChanged, this, &MainWindow::showHistoryTips);
    connect(history, &QUndoStack::cleanChanged, this, &MainWindow::showHistoryTips);
    showHistoryTips();

    connect(m_config, &KeyboardConfigModel::changeRefused, this,
            [this](const QString &message) { m_prompts.inform(tr("提示"), message); });
    // A keyboard that comes gets the profile of the application in front,
    // once its configuration is known.
    connect(m_lifecycle->session(), &KeyboardSession::readBackFinished, this, [this] {
        if (m_config->hasConfig())
            m_focus->keyboardReady();
    });
}

void MainWindow::showHistoryTips()
{
    const QUndoStack *history = m_config->history();
    m_undoBtn->setToolTip(history->canUndo() ? tr("还原：%1").arg(history->undoText()) : tr("还原"));
    m_redoBtn->setToolTip(history->canRedo() ? tr("重做：%1").arg(history->redoText()) : tr("重做"));
}
