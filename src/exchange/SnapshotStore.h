#pragma once

#include "ProfileDocument.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>

// Copies of a keyboard's configuration taken before a step that could lose
// it: a firmware update, a factory reset, a profile import that replaces
// one, a Win/Mac switch, a profile applied from outside. Each is a profile
// file (the same scrambled JSON) in Snapshots/<serial>/, with one more
// member, "Snapshot", saying when, why and of which keyboard; the newest
// Keep of each keyboard are kept.
class SnapshotStore {
public:
    enum class Reason { FirmwareUpdate, FactoryReset, ProfileImport, SystemModeSwitch, OutsideApply, Unknown };
    static constexpr int Keep = 20;

    struct Entry {
        QString path;
        QDateTime time; // UTC
        Reason reason = Reason::Unknown;
        QString serial;
    };
    struct Snapshot {
        ProfileDocument document; // without the "Snapshot" member
        QMap<int, quint32> keyColours; // key type -> 0xRRGGBB, as the keyboard had them
        // What a profile does not hold: the Win/Mac mode and the polling
        // rate index; -1 unknown.
        int systemMode = -1;
        int pollingRate = -1;
    };

    // root: the folder holding one folder per keyboard ("<working
    // directory>/Snapshots" by default).
    explicit SnapshotStore(const QString &root = defaultRoot());
    static QString defaultRoot();

    // Writes a snapshot (atomically, in a folder only the user can read) and
    // drops the oldest beyond Keep; one equal to a kept snapshot is not
    // written again. False, with the reason, when it could not be written;
    // nothing else is touched then.
    bool take(const QString &serial, Reason reason, const Snapshot &snapshot, QString *why = nullptr,
              const QDateTime &when = QDateTime::currentDateTimeUtc());
    // Newest first; files that are not snapshots are left out.
    QList<Entry> list(const QString &serial) const;
    bool read(const QString &path, Snapshot *snapshot, QString *why = nullptr) const;

    // The folder of a keyboard: its serial as a safe file name.
    QString folderFor(const QString &serial) const;
    static QString reasonKey(Reason reason);
    static Reason reasonFromKey(const QString &key);
    // What the snapshot list shows (translated).
    static QString reasonText(Reason reason);

private:
    QString m_root;
};
