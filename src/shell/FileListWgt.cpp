#include "FileListWgt.h"

#include "FileItemWgt.h"

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
    if (count() >= MaxEntries || rowOf(id) >= 0)
        return false;
    auto *widget = new FileItemWgt(id, text, this);
    if (editable)
        widget->startEditing();
    auto *item = new QListWidgetItem(this);
    item->setData(Qt::UserRole, id);
    item->setSizeHint(QSize(0, 40));
    addItem(item);
    setItemWidget(item, widget);

    connect(widget, &FileItemWgt::sigItemClicked, this, &FileListWgt::sigItemClicked);
    connect(widget, &FileItemWgt::sigItemRename, this, &FileListWgt::sigMenuItemRename);
    connect(widget, &FileItemWgt::sigMenuClicked, this, &FileListWgt::showEntryMenu);
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
    connect(menu->addAction(tr("重命名")), &QAction::triggered, this, [this, id] {
        if (FileItemWgt *e = entry(id))
            e->startEditing();
    });
    connect(menu->addAction(tr("导出")), &QAction::triggered, this, [this, id] { emit sigMenuItemShare(id); });
    // Removes the entry whose menu this is, whichever row is current.
    connect(menu->addAction(tr("删除")), &QAction::triggered, this, [this, id] {
        removeEntry(id);
        emit sigMenuItemDelete(id);
    });
    return menu;
}

void FileListWgt::showEntryMenu(int id)
{
    QPointer<QMenu> menu = entryMenu(id);
    menu->exec(QCursor::pos());
    if (menu)
        menu->deleteLater();
}
