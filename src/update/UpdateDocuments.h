#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

// The two documents the update server publishes, the version comparison both
// programs use, and the names that go into request paths. Pure functions of
// their input: what comes from the network is checked here, once.

// "/firmware/<board id>/<board id>.json": the newest firmware of one board.
struct FirmwareDocument {
    QString version;  // dotted numbers, without the "V"
    QString md5;      // of the firmware file, lower-case hex; empty when absent
    QString sha256;   // of the firmware file, lower-case hex; empty when absent
    QString fileName; // the firmware file beside the document
    QString date;
    QString log;      // release notes
};

// "/drive/<name>/<name>.json": the newest configurator.
struct SoftwareDocument {
    QString lastVersion;
    QString sha256; // of the new executable, lower-case hex; empty when absent
};

// Longest text member we keep; a document is small, anything longer is not one.
constexpr int DocumentTextLimit = 64 * 1024;

// False, with a reason for the log, when the bytes are not a JSON object.
// Members that are missing or not strings are empty; a "fileName" that is not
// a plain file name (see isPlainFileName) is dropped, so that nothing from
// the server can name a path of ours. A "sha256" that is there but malformed
// is kept as given, as below.
bool parseFirmwareDocument(const QByteArray &bytes, FirmwareDocument *doc, QString *problem = nullptr);
// As above; a malformed "sha256" is kept as given (lower-cased), so that the
// download it belongs to is refused rather than installed unchecked.
bool parseSoftwareDocument(const QByteArray &bytes, SoftwareDocument *doc, QString *problem = nullptr);

// Whether version a is newer than version b: both split at ".", compared
// number by number from the left, a missing or non-numeric part counting
// as 0. So 1.2 equals 1.2.0, 1.10 is newer than 1.9, and an empty version
// is never newer than anything.
bool isVersionNewer(const QString &a, const QString &b);

// The board id as its documents are named: the id read as a signed 32-bit
// number, in decimal (a board whose top bit is set has a negative name).
QString boardIdFileName(quint32 boardId);

// Letters, digits, ".", "_" and "-", not starting with a dot, at most 128
// characters: safe as the last part of a URL path and of a local path.
bool isPlainFileName(const QString &name);
bool isMd5Hex(const QString &text);
bool isSha256Hex(const QString &text);

// The update server's base address as configured: empty (with problem
// "empty") when not configured, invalid (with problem "invalid") unless it is
// an http or https address with a host. A plain http address is refused
// (problem "insecure") unless its host is the loopback address: signatures
// say what a document is, not who may watch what the user asks for, and a
// server that is not the one configured may not answer in its name. A
// trailing "/" is dropped.
QUrl parseUpdateEndpoint(const QString &configured, QString *problem = nullptr);
// "localhost", 127.0.0.0/8 or ::1.
bool isLoopbackHost(const QString &host);
// Whether a program in this folder belongs to the system's package manager:
// under /usr but not /usr/local, as written or once links are resolved.
bool isPackageManagedFolder(const QString &folder);
// base + path, path starting with "/".
QUrl endpointUrl(const QUrl &base, const QString &path);
