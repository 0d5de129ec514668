#pragma once

#include "SnapshotStore.h"

#include <QDialog>
#include <QList>

class QLabel;
class QListWidget;
class QPushButton;

// "快照": the snapshots of the connected keyboard, newest first; restoring
// one is asked of the owner (restoreRequested), which sends it through the
// keyboard's controller.
class SnapshotListWindow : public QDialog {
    Q_OBJECT
public:
    explicit SnapshotListWindow(QWidget *parent = nullptr);
    void setSnapshots(const QList<SnapshotStore::Entry> &entries);
    QListWidget *list() const { return m_list; }
    QPushButton *restoreButton() const { return m_restore; }
    // What one entry shows: its local time and why it was taken.
    static QString entryText(const SnapshotStore::Entry &entry);

signals:
    void restoreRequested(const QString &path);

private:
    void setupConnections();
    QLabel *m_note;
    QListWidget *m_list;
    QPushButton *m_restore;
    QPushButton *m_close;
    QList<SnapshotStore::Entry> m_entries;
};
