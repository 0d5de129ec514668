#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

class QProcess;
class QTimer;

// The version of an installed program, from the program itself: it is run
// with --version and must print one line, "<name> <dotted version>", and
// exit 0 within the time allowed. What a settings file says may be stale or
// another folder's; the file that is about to be replaced is not.

// The version in what the program printed; empty unless the output is
// exactly that line (a final newline allowed) with 1 to 8 numbers of at
// most 9 digits.
QString parseVersionOutput(const QByteArray &output, const QString &name);

// One run. finished() comes exactly once per start().
class VersionProbe : public QObject {
    Q_OBJECT
public:
    static constexpr int DefaultTimeoutMs = 10000;
    // More than a version line: not the program we asked.
    static constexpr int OutputLimit = 256;
    // Before the one more start a program that could not be started gets.
    static constexpr int RetryPauseMs = 500;

    explicit VersionProbe(QObject *parent = nullptr);
    ~VersionProbe() override;

    void setTimeout(int ms) { m_timeoutMs = ms; }
    void start(const QString &program, const QString &name);
    // Ends a running probe (the program is killed) without finished().
    void abort();

    QString version() const { return m_version; }
    // Why there is no version, for the log.
    QString problem() const { return m_problem; }

signals:
    void finished(bool ok);

private:
    void launch();
    void startFailed();
    void readOutput();
    void ended();
    void fail(const QString &problem);

    QPointer<QProcess> m_process;
    QTimer *m_timer;
    QString m_name;
    QString m_program;
    bool m_retried = false;
    quint64 m_run = 0; // counts start() and abort(), so a stale retry does nothing
    QByteArray m_output;
    QString m_version;
    QString m_problem;
    int m_timeoutMs = DefaultTimeoutMs;
};
