#pragma once

#include <QListWidget>
#include <QString>

class FileItemWgt;
class QMenu;

// The profile list. Every entry carries the id of the profile it shows, as
// given by the caller, so a click always names the right profile even
// after other entries were deleted. The list has no limit: ids come from
// the caller, not from the row, and it scrolls.
class FileListWgt : public QListWidget {
    Q_OBJECT
public:
    // Where "打印/导出图层" sends a profile's layers.
    enum SheetTarget { SheetPrinter, SheetPdf, SheetSvg };

    explicit FileListWgt(QWidget *parent = nullptr);

    // False (and nothing added) when the id is taken.
    bool addEntry(const QString &text, int id, bool editable = false);
    FileItemWgt *entry(int id) const;
    bool removeEntry(int id);
    int entryCount() const;
    // The entry menu of one profile: rename, export, share code, layer
    // sheet, delete. Delete only
    // asks (sigMenuItemDelete): the owner removes the entry once the file
    // is gone, so a delete that fails leaves it listed.
    QMenu *entryMenu(int id, QWidget *parent = nullptr);

signals:
    void sigItemClicked(int id, QString name);
    void sigMenuItemRename(int id, QString name);
    void sigMenuItemCopy(int id);
    void sigMenuItemShare(int id);
    void sigMenuItemShareCode(int id);
    // "打印/导出图层": target is a SheetTarget.
    void sigMenuItemLayerSheet(int id, int target);
    void sigMenuItemDelete(int id);

private:
    int rowOf(int id) const;
    void showEntryMenu(int id);
};
