#include "FileListWgt.h"

#include "FileItemWgt.h"
#include "ModalGuard.h"

#include <QCursor>
#include <QMenu>
#include <QPointer>

FileListWgt::FileListWgt(QWidget *parent)
    : QListWidget(parent)
{
    setObjectName(QStringLiteral("ListWidget"));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
}

bool FileListWgt::addEntry(const QString &text, int id, bool editable)
{
    if (rowOf(id) >= 0)
        return false;
    auto *widget = new FileItemWgt(id, text, this);
    if (editable)
        widget->startEditing();
    auto *item = new QListWidgetItem(this);
    item->setData(Qt::UserRole, id);
    item->setData(Qt::AccessibleTextRole, widget->spokenName());
    item->setSizeHint(QSize(0, 40));
    addItem(item);
    setItemWidget(item, widget);

    connect(widget, &FileItemWgt::sigItemClicked, this, &FileListWgt::sigItemClicked);
    connect(widget, &FileItemWgt::sigItemRename, this, &FileListWgt::sigMenuItemRename);
    connect(widget, &FileItemWgt::sigMenuClicked, this, &FileListWgt::showEntryMenu);
    connect(widget, &FileItemWgt::sigNameChanged, this, [this](int entryId, const QString &spoken) {
        const int row = rowOf(entryId);
        if (row >= 0)
            QListWidget::item(row)->setData(Qt::AccessibleTextRole, spoken);
    });
    return true;
}

int FileListWgt::rowOf(int id) const
{
    for (int row = 0; row < count(); ++row) {
        if (item(row)->data(Qt::UserRole).toInt() == id)
            return row;
    }
    return -1;
}

FileItemWgt *FileListWgt::entry(int id) const
{
    const int row = rowOf(id);
    return row < 0 ? nullptr : qobject_cast<FileItemWgt *>(itemWidget(item(row)));
}

bool FileListWgt::removeEntry(int id)
{
    const int row = rowOf(id);
    if (row < 0)
        return false;
    // The entry may be the sender of the signal being handled: delete late.
    if (QWidget *widget = itemWidget(item(row))) {
        widget->hide();
        widget->deleteLater();
    }
    delete takeItem(row);
    return true;
}

int FileListWgt::entryCount() const
{
    return count();
}

QMenu *FileListWgt::entryMenu(int id, QWidget *parent)
{
    auto *menu = new QMenu(parent ? parent : this);
    menu->setObjectName(QStringLiteral("profileMenu"));
    QAction *rename = menu->addAction(tr("重命名"));
    connect(rename, &QAction::triggered, this, [this, id] {
        if (FileItemWgt *e = entry(id))
            e->startEditing();
    });
    QAction *share = menu->addAction(tr("导出"));
    connect(share, &QAction::triggered, this, [this, id] { emit sigMenuItemShare(id); });
    QAction *code = menu->addAction(tr("复制分享码"));
    connect(code, &QAction::triggered, this, [this, id] { emit sigMenuItemShareCode(id); });
    QMenu *sheet = menu->addMenu(tr("打印/导出图层"));
    const QPair<const char *, int> sheetTargets[] = {{QT_TR_NOOP("打印…"), SheetPrinter},
                                                     {QT_TR_NOOP("导出为 PDF…"), SheetPdf},
                                                     {QT_TR_NOOP("导出为 SVG…"), SheetSvg}};
    for (const auto &target : sheetTargets) {
        const int how = target.second;
        connect(sheet->addAction(tr(target.first)), &QAction::triggered, this,
                [this, id, how] { emit sigMenuItemLayerSheet(id, how); });
    }
    // A file that could not be read can only be deleted (or replaced by a save).
    const FileItemWgt *e = entry(id);
    const bool damaged = e && !e->damage().isEmpty();
    rename->setEnabled(!damaged);
    share->setEnabled(!damaged);
    code->setEnabled(!damaged);
    sheet->setEnabled(!damaged);
    // Names the entry whose menu this is, whichever row is current.
    connect(menu->addAction(tr("删除")), &QAction::triggered, this, [this, id] { emit sigMenuItemDelete(id); });
    return menu;
}

void FileListWgt::showEntryMenu(int id)
{
    QPointer<QMenu> menu = entryMenu(id);
    ModalGuard::execMenu(menu, QCursor::pos());
    if (menu)
        menu->deleteLater();
}
