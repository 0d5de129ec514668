#pragma once

#include "UdevRules.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Why the program cannot talk to the keyboard, and what fixes it: for each
// interface with the keyboard's ids, whether its node exists, whether this
// user may open it and whether it answers; whether the udev rule is
// installed and matches. Shared by `corvane-cli doctor`, the support report
// and the configurator.

struct DoctorCheck {
    enum Result { Pass, Fail, Note };
    QString subject; // an interface ("/dev/hidraw3 (interface 1)"), "udev rule" or "keyboard"
    QString check;   // what was checked: "node exists", "user can open it", ...
    Result result = Pass;
    QString detail;
};

struct DoctorReport {
    QList<DoctorCheck> checks;
    QStringList fixes;  // exact shell commands, in the order to run them
    QStringList advice; // what is not a command ("unplug and replug the keyboard")
    bool ok() const;
};

struct DoctorOptions {
    // The udev rule is looked for here; off for the virtual keyboard, whose
    // interfaces are not hidraw nodes.
    bool checkUdevRule = true;
    QStringList ruleDirectories = udevRuleDirectories();
    // Asks one interface for the board information and describes the board;
    // empty: answers are not asked for. Probing an interface takes it from
    // any session that has it open.
    std::function<bool(const QString &path, QString *board)> probe;
    // The interface a running session has open (it answered): not probed.
    QString openPath;
};

// Enumerates the HID interfaces and checks them; no device I/O beyond probe.
DoctorReport diagnoseKeyboardAccess(const DoctorOptions &options);

// "ok    /dev/hidraw3 (interface 1): node exists", "FAIL  udev rule: ...".
QString doctorLine(const DoctorCheck &check);
QJsonObject doctorToJson(const DoctorReport &report);

// The name of the user this process runs as.
QString currentUserName();
