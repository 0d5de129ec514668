#pragma once

#include <QString>
#include <QtGlobal>

// The checks around the local endpoint. Anything in the lock folder could
// have been put there by someone else, and anyone on the machine may try to
// connect; both are checked before a byte is read or sent. Empty strings
// mean "good"; otherwise one line saying why, for the log or the user.
//
// Windows: the named pipe is created for this user alone, so the file checks
// have nothing to look at and pass; the peer is checked as on Linux.
namespace EndpointSecurity {

// The server's folder: made (0700) when missing; refused unless it is a
// real folder of this user's that nobody else may write into. Read and
// search rights of others are taken away.
QString prepareFolder(const QString &folder);
// The client's view: the same, changing nothing.
QString checkFolder(const QString &folder);

// Whether anything (a file, a link) has that name.
bool pathExists(const QString &path);
// A socket of this user's; with privateMode, one only this user may open.
QString checkSocketFile(const QString &path, bool privateMode = true);

enum class Probe {
    Listening, // something answers there: a live endpoint
    Stale,     // a socket nobody listens on: left by a program that died
    Unknown,   // could not tell: leave it alone
};
// Connects without waiting and closes at once.
Probe probeSocket(const QString &path);

// The process at the other end of a connected local socket runs as this
// user; *uid is its user id (-1 when unknown).
bool peerIsSameUser(qintptr descriptor, qint64 *uid, QString *why);

} // namespace EndpointSecurity
