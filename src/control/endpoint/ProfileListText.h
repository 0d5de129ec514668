#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

struct ProfileListItem {
    QString name;      // as the profile list shows it
    bool active = false;  // the profile in use
    bool damaged = false; // listed, but cannot be applied
};

// What `corvane-cli profile list` prints, with or without Corvane running:
// one profile a line, "* " before the one in use and "  " before the
// others, " (damaged)" after one that cannot be read; with json an array
// of {"name", "active", "damaged"}.
QByteArray profileListText(const QList<ProfileListItem> &items, bool json);
