#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

// A command that reached the running Corvane from outside (corvane-cli over
// the local endpoint, or the session bus), already parsed and checked. The
// handler runs it on the GUI thread as the same command run directly would,
// and answers with the exit code and the texts corvane-cli prints, so that a
// script cannot tell the two paths apart except by speed.
struct RemoteCommand {
    enum class Verb {
        Info,        // info
        Dump,        // dump: the read-back as JSON
        Export,      // export: the profile's bytes come back in `out`; the client writes the file
        Apply,       // apply: a profile of Corvane's list by `name`, or the bytes of a file in `data`
        ProfileList, // profile list
        ProfileUse,  // profile use NAME
        Undo,
        Redo,
        Show,        // a second Corvane asks the running one to show its window
    };
    Verb verb = Verb::Info;
    QString name;      // Apply (by name), ProfileUse
    QByteArray data;   // Apply (a file's bytes, bounded by the protocol)
    QString fileName;  // Apply from a file: its name, for messages; Export: the target path as the
                       // user typed it (the profile's name and the messages come from it)
    bool verify = false; // Apply --verify
    bool full = false;   // Apply --full
    bool json = false;   // ProfileList: as JSON
};

struct RemoteReply {
    int exitCode = 0;
    QByteArray out; // what corvane-cli prints on stdout
    QByteArray err; // what it prints on stderr (one-line failures, notes)
};

class RemoteCommandHandler {
public:
    virtual ~RemoteCommandHandler() = default;
    // progress(percent, label) may be called any number of times before
    // done; done is called exactly once, possibly later (after the frames
    // went out). Both on the GUI thread.
    virtual void run(const RemoteCommand &command, const std::function<void(int, const QString &)> &progress,
                     const std::function<void(const RemoteReply &)> &done) = 0;
    // For the session bus: the profiles of the list and the one in use.
    virtual QStringList profileNames() const = 0;
    virtual QString activeProfile() const = 0;

    // Whether this Corvane takes the verb at all. A verb it does not take
    // is answered "unsupported" without calling run, and corvane-cli then
    // says what it said before commands were handed over.
    virtual bool accepts(RemoteCommand::Verb) const { return true; }
    // The one who asked for the running command went away (Ctrl-C in
    // corvane-cli, a closed connection): stop where it is safe to. done is
    // still to be called; its reply goes nowhere.
    virtual void cancelled() {}
};
