#pragma once

#include "AdvancedKeyInfo.h"
#include "MacroFile.h"

#include <QList>
#include <QString>

// A stored macro: its name (the file name without ".csv") and its steps.
struct MacroEntry {
    QString name;
    QList<MACRO_Key> steps;
};

// The macro files of one folder. Every change is one file operation that
// either happens completely or leaves the folder as it was; the changing
// operations return an empty string on success, otherwise one translated
// sentence for the user. No file is ever written or removed outside the
// folder: every name passes macroNameProblem() or names a listed macro.
class MacroStore {
public:
    explicit MacroStore(const QString &folder = macroFolderPath());

    QString folder() const { return m_folder; }
    // Makes the folder when it is missing; false when it cannot be made.
    bool ensureFolder() const;
    // Every "*.csv" file of the folder that reads as a macro, by name. Files
    // with a wrong header and names that could not be loaded back are
    // skipped (and logged).
    QList<MacroEntry> load() const;

    QString filePath(const QString &name) const;
    // A macro file of that name exists; names differing only in case are the
    // same file on Windows, so they count as taken everywhere.
    bool contains(const QString &name) const;
    // name, or name_1, name_2, ... the first that is not taken.
    QString freeName(const QString &name) const;

    // A new macro file; refuses bad or taken names.
    QString create(const QString &name, const QList<MACRO_Key> &steps) const;
    // Replaces the steps of an existing macro file.
    QString save(const QString &name, const QList<MACRO_Key> &steps) const;
    QString rename(const QString &from, const QString &to) const;
    QString remove(const QString &name) const;

private:
    QString write(const QString &name, const QList<MACRO_Key> &steps) const;
    QString m_folder;
};
