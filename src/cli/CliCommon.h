#pragma once

#include <QString>
#include <QStringList>

#include <cstdio>

class KeyboardAction;
class KeyboardLock;
class KeyboardSession;

// Exit codes besides 0 (done), 1 (failed) and 2 (usage).
// Another program has the keyboard; nothing was sent.
constexpr int KeyboardBusyExitCode = 3;
// Stopped by Ctrl-C or SIGTERM, as a shell reports a program that SIGINT ended.
constexpr int InterruptedExitCode = 130;

// What the commands share: where they print, the progress bar, and
// connecting with a read-back. Results go to out; progress, notes and the
// one-line failures to err.
struct CliOutput {
    FILE *out = stdout;
    FILE *err = stderr;

    void line(const QString &text) const;
    void note(const QString &text) const;
    // "corvane-cli: message" on err; returns the exit code 1.
    int fail(const QString &message) const;
};

// A bar on err, redrawn in place: "[####....]  45% layers".
class ProgressLine {
public:
    explicit ProgressLine(FILE *stream = stderr) : m_stream(stream) {}
    void setProgress(int value, const QString &label = QString());
    // Ends the bar's line; the outcome goes on a line of its own.
    void end();

private:
    FILE *m_stream;
    int m_value = -1;
    QString m_label;
};

// Takes the keyboard for a command ("apply", "flash", ...) before anything
// is sent. Returns 0 when the command may go on. When another program has it,
// prints who and what to do on err and returns KeyboardBusyExitCode; when the
// lock cannot be taken at all, prints why and returns 1, unless the user said
// --no-lock (setLockRequired(false)), which goes on after a warning.
int takeKeyboard(KeyboardLock &lock, const QString &command, const CliOutput &io);
void setLockRequired(bool required);
// Ctrl-C or SIGTERM has arrived (InterruptWatch).
bool interruptRequested();

// Paths of the interfaces with the keyboard's ids.
QStringList keyboardPaths();
// Why connecting found nothing, as one line (no keyboard, no permission, no
// answer).
QString connectFailure(int connectResult);

enum class ReadResult {
    Complete,
    Incomplete, // connected and read, but some parts are missing (named in *why)
    Failed,     // nothing usable: *why says why
};

// Connects and reads the keyboard back (everything, or its identity only
// when the session is set to basic), waiting at most timeoutMs.
ReadResult readKeyboard(KeyboardAction &worker, KeyboardSession &session, QString *why, int timeoutMs);

constexpr int ReadBackTimeoutMs = 60000;
