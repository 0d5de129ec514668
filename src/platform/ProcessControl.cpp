#include "ProcessControl.h"

#include <QDir>
#include <QTimer>

QString singleInstanceLockPath(const QString &workDir)
{
    return QDir(workDir).filePath(QStringLiteral("Single_Kinetra_App.lock"));
}

QString updaterLockPath(const QString &workDir)
{
    return QDir(workDir).filePath(QStringLiteral("Update.lock"));
}

namespace {
QStringList &restartArgumentList()
{
    static QStringList arguments;
    return arguments;
}
} // namespace

void setRestartArguments(const QStringList &arguments)
{
    restartArgumentList() = arguments;
}

QStringList restartArguments()
{
    return restartArgumentList();
}

QString programPath(const QString &folder, const QString &name)
{
#ifdef Q_OS_WIN
    return QDir(folder).filePath(name + QLatin1String(".exe"));
#else
    return QDir(folder).filePath(name);
#endif
}

ProgramStopper::ProgramStopper(QObject *parent)
    : QObject(parent), m_watch(new ProcessExitWatch(this)), m_timeout(new QTimer(this))
{
    m_timeout->setSingleShot(true);
    connect(m_watch, &ProcessExitWatch::exited, this, [this] { done(Stopped); });
    connect(m_timeout, &QTimer::timeout, this, &ProgramStopper::timeLimitReached);
}

void ProgramStopper::done(Result result)
{
    if (!m_running)
        return;
    m_running = false;
    m_watch->stop();
    m_timeout->stop();
    emit finished(result);
}
