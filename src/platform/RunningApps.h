#pragma once

#include <QStringList>

// The executable names of the user's running processes, sorted and without
// duplicates, for picking an application. Linux: /proc/<pid>/exe, which
// only the processes the user may inspect reveal; Windows: a process
// snapshot.
QStringList runningApplicationNames();
