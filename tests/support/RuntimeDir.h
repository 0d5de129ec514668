#pragma once

#include <QDir>
#include <QString>
#include <QtGlobal>

// The environment variable that names the folder of the keyboard lock (and,
// on Linux, of the command socket): a test points it at a folder of its own.
#ifdef Q_OS_WIN
constexpr char RuntimeDirVariable[] = "CORVANE_RUNTIME_DIR";
#else
constexpr char RuntimeDirVariable[] = "XDG_RUNTIME_DIR";
#endif

// Where the keyboard locks lie in such a folder.
inline QString lockFolderIn(const QString &runtime)
{
#ifdef Q_OS_WIN
    return runtime;
#else
    return QDir(runtime).filePath(QStringLiteral("corvane"));
#endif
}
