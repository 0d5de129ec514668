// Undo and redo of the main window: every edit of the keyboard's
// configuration is a step of its history.

#include "MainWindow.h"

#include "DeviceLifecycle.h"
#include "KeyTypeTable.h"
#include "KeyboardAction.h"
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
    setupAppliedCheck();

    connect(m_config, &KeyboardConfigModel::changeRefused, this,
            [this](const QString &message) { m_prompts.inform(tr("提示"), message); });

    // The history belongs to one keyboard, from its read-back until it goes.
    // A profile for the application in front waits for it: applied by its
    // difference, it needs to know what the keyboard holds.
    connect(m_lifecycle->session(), &KeyboardSession::readBackFinished, this, [this] {
        const KeyboardReadBack &rb = m_lifecycle->session()->readBack();
        if (rb.missing.contains(ReadPart::Connection))
            return;
        m_config->reset(configFromReadBack(rb), rb.isComplete());
        followFront();
    });
    connect(m_lifecycle, &DeviceLifecycle::keyboardArrived, m_config, &KeyboardConfigModel::awaitReadBack);
    connect(m_lifecycle, &DeviceLifecycle::keyboardRemoved, m_config, &KeyboardConfigModel::forget);
    // The layers as the keyboard reports them again after a mode switch.
    connect(m_worker, &KeyboardAction::sigKB2LayoutKey, this, [this](const QVariant &value) {
        if (!m_layersAfterModeSwitch || !value.canConvert<MapKB2DockerKey>())
            return;
        m_layersAfterModeSwitch = false;
        const MapKB2DockerKey map = value.value<MapKB2DockerKey>();
        m_config->adoptFromKeyboard([&map](KeyboardConfig &config) {
            for (auto layer = map.cbegin(); layer != map.cend(); ++layer) {
                if (layer.key() < 0 || layer.key() > 3)
                    continue;
                QMap<int, int> keys;
                for (auto it = layer->cbegin(); it != layer->cend(); ++it)
                    keys.insert(it.key(), keyTypeFromCode(it.value()));
                config.layers[size_t(layer.key())] = keys;
            }
        });
    });
    // The mode is no step of the history: switching it clears the history
    // (onModeToggled), and its first report after connecting must not.
    connect(m_worker, &KeyboardAction::sigKB2SYSModeInfo, m_config, [this](int mode) {
        if (mode == SystemWindows || mode == SystemMac)
            m_config->noteSystemMode(mode);
    });
}

void MainWindow::showHistoryTips()
{
    const QUndoStack *history = m_config->history();
    m_undoBtn->setToolTip(history->canUndo() ? tr("还原：%1").arg(history->undoText()) : tr("还原"));
    m_redoBtn->setToolTip(history->canRedo() ? tr("重做：%1").arg(history->redoText()) : tr("重做"));
}
