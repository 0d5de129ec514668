#include "MacroStore.h"

#include "MacroLog.h"
#include "MacroName.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString Suffix = QStringLiteral(".csv");

} // namespace

MacroStore::MacroStore(const QString &folder) : m_folder(folder) {}

bool MacroStore::ensureFolder() const
{
    QDir dir(m_folder);
    if (dir.exists()) {
        qCDebug(lcMacros) << "Macro folder already exists.";
        return true;
    }
    if (!QDir().mkpath(m_folder)) {
        qCDebug(lcMacros) << "Failed to create Macro folder.";
        return false;
    }
    qCDebug(lcMacros) << "Macro folder created successfully.";
    return true;
}

QList<MacroEntry> MacroStore::load() const
{
    QList<MacroEntry> out;
    const QFileInfoList files =
        QDir(m_folder).entryInfoList({QStringLiteral("*.csv")}, QDir::Files | QDir::Readable, QDir::Name);
    for (const QFileInfo &file : files) {
        // The whole name before ".csv": a macro "a.b" is bound, and later
        // loaded, as "a.b".
        const QString name = file.fileName().chopped(Suffix.size());
        if (!isSafeMacroName(name)) {
            qCDebug(lcMacros) << "macro file skipped, name not loadable:" << file.fileName();
            continue;
        }
        MacroLoadResult read = readMacroFile(file.filePath());
        if (read.status != MacroLoadResult::Ok) {
            qCDebug(lcMacros) << "macro file skipped, not a macro:" << file.fileName();
            continue;
        }
        out.append({name, read.steps});
    }
    return out;
}

QString MacroStore::filePath(const QString &name) const
{
    return QDir(m_folder).filePath(name + Suffix);
}

bool MacroStore::contains(const QString &name) const
{
    const QStringList files = QDir(m_folder).entryList({QStringLiteral("*.csv")}, QDir::Files);
    for (const QString &file : files)
        if (file.chopped(Suffix.size()).compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QString MacroStore::freeName(const QString &name) const
{
    if (!contains(name))
        return name;
    for (int n = 1;; ++n) {
        const QString candidate = QStringLiteral("%1_%2").arg(name).arg(n);
        if (!contains(candidate))
            return candidate;
    }
}

QString MacroStore::write(const QString &name, const QList<MACRO_Key> &steps) const
{
    if (!ensureFolder())
        return QCoreApplication::translate("MacroStore", "无法创建宏文件夹。");
    QString error;
    if (!writeMacroFile(filePath(name), steps, &error)) {
        qCDebug(lcMacros) << "macro not saved:" << name << error;
        return QCoreApplication::translate("MacroStore", "宏文件保存失败，原有文件未改动。");
    }
    qCDebug(lcMacros) << "macro saved:" << name << steps.size() << "steps";
    return QString();
}

QString MacroStore::create(const QString &name, const QList<MACRO_Key> &steps) const
{
    const QString problem = macroNameProblem(name);
    if (!problem.isEmpty())
        return problem;
    if (contains(name))
        return QCoreApplication::translate("MacroStore", "已有名为“%1”的宏。").arg(name);
    return write(name, steps);
}

QString MacroStore::save(const QString &name, const QList<MACRO_Key> &steps) const
{
    if (!isSafeMacroName(name))
        return QCoreApplication::translate("MacroStore", "宏文件保存失败，原有文件未改动。");
    return write(name, steps);
}

QString MacroStore::rename(const QString &from, const QString &to) const
{
    if (to == from)
        return QString();
    const QString problem = macroNameProblem(to);
    if (!problem.isEmpty())
        return problem;
    // Only a change of case may land on a name that a file has already.
    if (to.compare(from, Qt::CaseInsensitive) != 0 && contains(to))
        return QCoreApplication::translate("MacroStore", "已有名为“%1”的宏。").arg(to);
    if (!isSafeMacroName(from) || !QFile::exists(filePath(from)))
        return QCoreApplication::translate("MacroStore", "宏文件“%1”已不存在。").arg(from);
    QFile file(filePath(from));
    if (!file.rename(filePath(to))) {
        qCDebug(lcMacros) << "macro not renamed:" << from << to << file.errorString();
        return QCoreApplication::translate("MacroStore", "宏文件重命名失败。");
    }
    qCDebug(lcMacros) << "macro renamed:" << from << "->" << to;
    return QString();
}

QString MacroStore::remove(const QString &name) const
{
    if (!isSafeMacroName(name))
        return QCoreApplication::translate("MacroStore", "宏文件删除失败。");
    QFile file(filePath(name));
    if (!file.exists())
        return QString(); // nothing on disk to remove
    if (!file.remove()) {
        qCDebug(lcMacros) << "macro not removed:" << name << file.errorString();
        return QCoreApplication::translate("MacroStore", "宏文件删除失败。");
    }
    qCDebug(lcMacros) << "macro removed:" << name;
    return QString();
}
