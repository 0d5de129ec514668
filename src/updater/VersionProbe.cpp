#include "VersionProbe.h"

#include "UpdateLog.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTimer>

QString parseVersionOutput(const QByteArray &output, const QString &name)
{
    QByteArray line = output;
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);
    static const QRegularExpression form(QStringLiteral("^(\\S+) ([0-9]{1,9}(?:\\.[0-9]{1,9}){0,7})$"));
    const QRegularExpressionMatch match = form.match(QString::fromLatin1(line));
    if (line.size() > VersionProbe::OutputLimit || !match.hasMatch() || match.captured(1) != name)
        return QString();
    return match.captured(2);
}

VersionProbe::VersionProbe(QObject *parent) : QObject(parent), m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, [this] { fail(QStringLiteral("no answer in time")); });
}

VersionProbe::~VersionProbe()
{
    abort();
}

void VersionProbe::start(const QString &program, const QString &name)
{
    abort();
    m_name = name;
    m_program = program;
    m_output.clear();
    m_version.clear();
    m_problem.clear();
    m_retried = false;
    m_timer->start(m_timeoutMs);
    launch();
}

void VersionProbe::launch()
{
    m_process = new QProcess(this);
    m_process->setProgram(m_program);
    m_process->setArguments({QStringLiteral("--version")});
    m_process->setStandardInputFile(QProcess::nullDevice());
    m_process->setStandardErrorFile(QProcess::nullDevice());
    connect(m_process, &QProcess::readyReadStandardOutput, this, &VersionProbe::readOutput);
    connect(m_process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), this, &VersionProbe::ended);
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            startFailed();
    });
    m_process->start(QIODevice::ReadOnly);
}

// A program that was just written may be held for a moment (on Windows a
// virus scanner reads a new .exe first): one more try, within the same time.
void VersionProbe::startFailed()
{
    const QString why = m_process->errorString();
    if (m_retried) {
        fail(QStringLiteral("cannot be started: %1").arg(why));
        return;
    }
    m_retried = true;
    qCDebug(lcUpdate) << "starting" << m_program << "failed, trying once more:" << why;
    QProcess *p = m_process;
    m_process = nullptr;
    p->disconnect(this);
    p->deleteLater();
    const quint64 run = m_run;
    QTimer::singleShot(RetryPauseMs, this, [this, run] {
        if (run == m_run && m_timer->isActive())
            launch();
    });
}

void VersionProbe::abort()
{
    ++m_run; // a retry still to come is off
    m_timer->stop();
    if (!m_process)
        return;
    QProcess *p = m_process;
    m_process = nullptr;
    p->disconnect(this);
    if (p->state() != QProcess::NotRunning) {
        // Reaped once it has gone, without waiting here.
        connect(p, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), p, &QObject::deleteLater);
        p->kill();
    } else {
        p->deleteLater();
    }
}

void VersionProbe::readOutput()
{
    if (!m_process)
        return;
    m_output += m_process->read(OutputLimit + 1 - m_output.size());
    if (m_output.size() > OutputLimit)
        fail(QStringLiteral("more output than a version"));
}

void VersionProbe::ended()
{
    if (!m_process)
        return;
    readOutput();
    if (!m_process)
        return;
    const bool exitedWell = m_process->exitStatus() == QProcess::NormalExit && m_process->exitCode() == 0;
    const QString version = parseVersionOutput(m_output, m_name);
    if (!exitedWell || version.isEmpty()) {
        fail(QStringLiteral("unexpected answer: %1").arg(QString::fromLatin1(m_output.toPercentEncoding(" ."))));
        return;
    }
    abort();
    m_version = version;
    emit finished(true);
}

void VersionProbe::fail(const QString &problem)
{
    const QString program = m_program;
    abort();
    m_problem = problem;
    qCWarning(lcUpdate) << "cannot tell the version of" << program << ":" << problem;
    emit finished(false);
}
