#pragma once

#include <QtGlobal>

// The environment variable that names the folder of the keyboard lock (and,
// on Linux, of the command socket): a test points it at a folder of its own.
#ifdef Q_OS_WIN
constexpr char RuntimeDirVariable[] = "CORVANE_RUNTIME_DIR";
#else
constexpr char RuntimeDirVariable[] = "XDG_RUNTIME_DIR";
#endif
