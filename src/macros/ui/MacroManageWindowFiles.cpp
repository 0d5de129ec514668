// The macro list of MacroManageWindow and the files behind it.

#include "MacroManageWindow.h"

#include "MacroLog.h"
#include "ModalGuard.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>

namespace {

QList<MACRO_Key> stepsOf(const QListWidgetItem *item)
{
    return item ? item->data(MacroManageWindow::StepsRole).value<QList<MACRO_Key>>() : QList<MACRO_Key>();
}

QString nameOf(const QListWidgetItem *item)
{
    return item ? item->data(MacroManageWindow::NameRole).toString() : QString();
}

} // namespace

void MacroManageWindow::loadMacros()
{
    m_store.ensureFolder();
    const QList<MacroEntry> entries = m_store.load();
    for (const MacroEntry &entry : entries)
        addMacroEntry(entry);
    qCDebug(lcMacros) << entries.size() << "macros listed from" << m_store.folder();
}

QListWidgetItem *MacroManageWindow::addMacroEntry(const MacroEntry &entry)
{
    QSignalBlocker block(m_macroList);
    auto *item = new QListWidgetItem(entry.name, m_macroList);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    item->setData(NameRole, entry.name);
    item->setData(StepsRole, QVariant::fromValue(entry.steps));
    return item;
}

QListWidgetItem *MacroManageWindow::currentMacro() const
{
    return m_macroList->currentItem();
}

void MacroManageWindow::showMacro(QListWidgetItem *item)
{
    const QList<MACRO_Key> steps = stepsOf(item);
    m_steps.setSteps(steps);
    // A file longer than the list can show is never written back cut short.
    m_viewOnly = m_steps.steps().size() < steps.size();
    if (m_viewOnly)
        qCDebug(lcMacros) << "macro longer than the step list, shown read-only:" << nameOf(item);
    m_shown = nameOf(item);
    m_canSave = false;
    showSteps();
    updateControls();
}

bool MacroManageWindow::storeNewMacro(const QList<MACRO_Key> &steps)
{
    const QString name = m_store.freeName(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmmss")));
    const QString error = m_store.create(name, steps);
    if (!error.isEmpty()) {
        message(tr("error"), error);
        return false;
    }
    QListWidgetItem *item = addMacroEntry({name, steps});
    m_macroList->setCurrentItem(item);
    m_macroList->scrollToItem(item);
    emit sigMacrosChanged();
    return true;
}

void MacroManageWindow::saveRecording()
{
    if (m_steps.isEmpty()) {
        message(tr("提示"), tr("请先录制宏信息！"));
        return;
    }
    if (m_steps.rowCount() > MacroStepList::MaxSavedRows) {
        message(tr("提示"), tr("每个宏最大支持64个操作"));
        return;
    }
    if (storeNewMacro(m_steps.steps())) {
        m_canSave = false;
        updateControls();
    }
}

void MacroManageWindow::importMacro()
{
    const QString path = m_importPrompt ? m_importPrompt()
                                        : ModalGuard::openFileName(this, tr("选择要打开的文件"), QDir::homePath(),
                                                                 tr("数据文件(*.csv)"));
    if (path.isEmpty())
        return;
    const MacroLoadResult read = readMacroFile(path);
    if (read.status == MacroLoadResult::FileMissing) {
        message(tr("error"), tr("open file failure!"));
        return;
    }
    if (read.status == MacroLoadResult::BadHeader) {
        message(tr("error"), tr("数据解析异常!"));
        return;
    }
    // As many steps as the step list holds.
    MacroStepList capped;
    capped.setSteps(read.steps);
    storeNewMacro(capped.steps());
}

void MacroManageWindow::exportMacro()
{
    if (m_steps.isEmpty()) {
        message(tr("提示"), tr("请先录制宏信息！"));
        return;
    }
    const QString suggested =
        QDir::home().filePath((m_shown.isEmpty() ? QStringLiteral("macro") : m_shown) + QStringLiteral(".csv"));
    QString path = m_exportPrompt ? m_exportPrompt()
                                  : ModalGuard::saveFileName(this, tr("选择要保存的文件"), suggested,
                                                           tr("数据文件(*.csv)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".csv");
    QString error;
    if (!writeMacroFile(path, m_steps.steps(), &error)) {
        qCDebug(lcMacros) << "export failed:" << path << error;
        message(tr("error"), tr("open file failure!"));
    }
}

void MacroManageWindow::deleteMacro()
{
    QListWidgetItem *item = currentMacro();
    if (!item)
        return;
    const QString error = m_store.remove(nameOf(item));
    if (!error.isEmpty()) {
        message(tr("error"), error);
        return;
    }
    delete m_macroList->takeItem(m_macroList->row(item));
    showMacro(currentMacro());
    emit sigMacrosChanged();
}

void MacroManageWindow::copyMacro()
{
    QListWidgetItem *item = currentMacro();
    if (!item)
        return;
    const QString name = m_store.freeName(nameOf(item));
    const QList<MACRO_Key> steps = stepsOf(item);
    const QString error = m_store.create(name, steps);
    if (!error.isEmpty()) {
        message(tr("error"), error);
        return;
    }
    QListWidgetItem *copy = addMacroEntry({name, steps});
    m_macroList->setCurrentItem(copy);
    m_macroList->scrollToItem(copy);
    emit sigMacrosChanged();
}

void MacroManageWindow::onMacroRenamed(QListWidgetItem *item)
{
    const QString old = nameOf(item);
    const QString next = item->text();
    if (next == old)
        return;
    const QString error = m_store.rename(old, next);
    if (!error.isEmpty()) {
        {
            // The entry shows what is on disk.
            QSignalBlocker block(m_macroList);
            item->setText(old);
        }
        message(tr("提示"), error);
        return;
    }
    {
        QSignalBlocker block(m_macroList);
        item->setData(NameRole, next);
    }
    if (m_shown == old)
        m_shown = next;
    emit sigMacrosChanged();
}
