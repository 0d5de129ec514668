// A stand-in for the configurator in the updater's tests. Its version and
// behaviour are the last line of its own file ("CORVANE-STANDIN <version>
// <mode>"), so that one build gives an old and a new program. It holds the
// single-instance lock in --workdir and logs to "standin.log" there:
// "started <version> <pid> <arguments>", and "stopped <version>" when asked to end.
// Modes: normal; crash (ends with an error at once); stubborn (ignores SIGTERM).

#include "ProcessControl.h"

#include <QCoreApplication>
#include <QFile>
#include <QLockFile>

#include <csignal>

namespace {

QString g_log;

void log(const QByteArray &line)
{
    QFile f(g_log);
    if (f.open(QIODevice::Append))
        f.write(line + '\n');
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QString workDir;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i)
        if (args.at(i) == QLatin1String("--workdir"))
            workDir = args.at(i + 1);
    if (workDir.isEmpty())
        return 2;
    g_log = workDir + QLatin1String("/standin.log");

    QFile self(QCoreApplication::applicationFilePath());
    if (!self.open(QIODevice::ReadOnly))
        return 2;
    const QByteArray bytes = self.readAll();
    const QByteArray tag = QByteArray("CORVANE") + "-STANDIN ";
    const QList<QByteArray> marker = bytes.mid(bytes.lastIndexOf(tag) + tag.size()).trimmed().split(' ');
    const QByteArray version = marker.value(0);
    const QByteArray mode = marker.value(1);

    QLockFile lock(singleInstanceLockPath(workDir));
    if (!lock.tryLock(0)) {
        log("refused " + version);
        return 0;
    }
    log("started " + version + ' ' + QByteArray::number(QCoreApplication::applicationPid()) + ' ' +
        args.mid(1).join(QLatin1Char(' ')).toUtf8());
    if (mode == "crash")
        return 3;
    if (mode == "stubborn")
        std::signal(SIGTERM, SIG_IGN);
    else
        installTerminationHandler(&app, [version] {
            log("stopped " + version);
            QCoreApplication::quit();
        });
    return app.exec();
}
