#pragma once

#include <QString>
#include <QStringList>

// The udev rule that gives the user at the seat read/write access to the
// keyboard's hidraw nodes, and where udev looks for rules. The rule is the
// one shipped as resources/linux/60-corvane.rules (a test keeps them equal).

constexpr const char *UdevRuleFileName = "60-corvane.rules";

// The rule line.
QString corvaneUdevRule();

// Where udev reads rules, highest precedence first; a file in an earlier
// folder hides one of the same name in a later folder.
QStringList udevRuleDirectories();

// Whether one rule line gives access to hidraw nodes of the device with these
// ids: it matches hidraw (KERNEL=="hidraw*" or SUBSYSTEM=="hidraw"), the
// vendor and product ids (ATTRS{idVendor}, ATTRS{idProduct}; hex, any case),
// and grants access (TAG+="uaccess", or a MODE that lets others read and
// write). Comments and continuation-free lines only, as we ship them.
bool udevRuleGrantsAccess(const QString &line, quint16 vendorId, quint16 productId);

struct UdevRuleStatus {
    enum State {
        Matching,    // a rule file gives access to the keyboard
        NotMatching, // our rule file is there but does not (edited, old, masked)
        Missing,     // no rule file gives access
    };
    State state = Missing;
    QString file; // the file that matches, or our file that does not
};

// Looks through the rule folders, as udev would see them.
UdevRuleStatus findUdevRule(const QStringList &directories, quint16 vendorId, quint16 productId);

// The exact shell commands that install the rule (when asked) and make udev
// apply it to the keyboard's nodes now. Replugging the keyboard is said
// separately, it is not a command.
QStringList udevFixCommands(bool installRule);
