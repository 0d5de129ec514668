#pragma once

#include "RemoteCommand.h"

#include <QByteArray>
#include <QString>

// The wire format between corvane-cli (or a second Corvane) and the running
// Corvane: JSON lines, one request per line, answered by any number of
// progress lines and then one final line. Pure functions, no I/O: everything
// read here comes from another process and is checked before use.
//
//   request   {"v":1,"id":7,"cmd":"apply","name":"Game"}
//             {"v":1,"id":8,"cmd":"apply","file":"kb.kb","data":"<base64>","verify":true}
//   progress  {"v":1,"id":7,"progress":45,"label":"layers"}
//   reply     {"v":1,"id":7,"exit":0,"out":"<base64>","err":"<base64>"}
//   error     {"v":1,"id":7,"error":"...","code":"bad-request"}   (no id when it was not read)
namespace EndpointProtocol {

constexpr int Version = 1;
// A request line without its '\n'. A profile file travels in it as base64.
constexpr int MaxRequestLine = 1 << 20;
// An answer line: a dump or an exported profile, as base64.
constexpr int MaxAnswerLine = 16 << 20;
// The largest file whose bytes fit in a request with room for the rest.
constexpr int MaxRequestData = (MaxRequestLine - 8192) / 4 * 3;
constexpr int MaxNameLength = 255;      // a profile name
constexpr int MaxFileNameLength = 4096; // a file's path, for messages
constexpr int MaxLabelLength = 200;     // a progress label
constexpr int MaxErrorLength = 2000;    // an error line's text
constexpr qint64 MaxId = (qint64(1) << 53) - 1; // exact in a JSON number
constexpr qint64 NoId = -1;

// Why an error line was sent, for the client to act on.
namespace ErrorCode {
constexpr const char *BadRequest = "bad-request";   // malformed, wrong version, unknown verb or member
constexpr const char *TooLong = "too-long";         // the line passed the bound; the connection closes
constexpr const char *Unsupported = "unsupported";  // this Corvane does not take the command
constexpr const char *Busy = "busy";                // too many connections
} // namespace ErrorCode

struct Request {
    qint64 id = NoId; // known as soon as the line held a valid id
    RemoteCommand command;
    QString error; // empty when the request can be run
    bool ok() const { return error.isEmpty(); }
};

// line: without its '\n'.
Request parseRequest(const QByteArray &line);
// With its '\n'.
QByteArray encodeRequest(qint64 id, const RemoteCommand &command);

struct Answer {
    enum class Kind { Invalid, Progress, Reply, Error };
    Kind kind = Kind::Invalid;
    qint64 id = NoId;
    int progress = 0;
    QString label;
    RemoteReply reply;
    QString error; // Error: the text; Invalid: why the line was not understood
    QString code;  // Error: one of ErrorCode, or empty
};

Answer parseAnswer(const QByteArray &line);
QByteArray encodeProgress(qint64 id, int percent, const QString &label);
// An exit code outside 0..255 is sent as 1: a process cannot exit with it.
QByteArray encodeReply(qint64 id, const RemoteReply &reply);
QByteArray encodeError(qint64 id, const QString &message, const char *code);

QString verbName(RemoteCommand::Verb verb);
bool verbFromName(const QString &name, RemoteCommand::Verb *verb);

// Empty when text is plain: 1..maxLength characters, no control or format
// characters (a terminal or a log shows it as it is), no broken surrogates.
QString plainTextProblem(const QString &text, int maxLength);

} // namespace EndpointProtocol
