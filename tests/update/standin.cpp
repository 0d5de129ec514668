// A stand-in for the configurator in the updater's tests. Its version and
// behaviour are the last line of its own file ("CORVANE-STANDIN <version>
// <mode>"), so that one build gives an old and a new program. "--version"
// prints "Corvane <version>" and ends, as the configurator does. Otherwise it
// holds the single-instance lock in --workdir and logs to "standin.log"
// there: "started <version> <pid> <arguments>", and "stopped <version>" when
// asked to end.
// Modes: normal; crash (ends with an error at once); stubborn (ignores the
// request to end); slowstop (asked to end, logs "stopping <version>" and
// ends only once "standin.release" appears in --workdir); noversion
// (answers "--version" with something else).

#include "ProcessControl.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileSystemWatcher>
#include <QLockFile>
#include <QTimer>

#include <cstdio>

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
    QFile self(QCoreApplication::applicationFilePath());
    if (!self.open(QIODevice::ReadOnly))
        return 2;
    const QByteArray bytes = self.readAll();
    const QByteArray tag = QByteArray("CORVANE") + "-STANDIN ";
    const QList<QByteArray> marker = bytes.mid(bytes.lastIndexOf(tag) + tag.size()).trimmed().split(' ');
    const QByteArray version = marker.value(0);
    const QByteArray mode = marker.value(1);

    QString workDir;
    const QStringList args = app.arguments();
    if (args.contains(QLatin1String("--version"))) {
        std::printf("%s\n", mode == "noversion" ? "Corvane (unknown)" : ("Corvane " + version).constData());
        return 0;
    }
    for (int i = 1; i + 1 < args.size(); ++i)
        if (args.at(i) == QLatin1String("--workdir"))
            workDir = args.at(i + 1);
    if (workDir.isEmpty())
        return 2;
    g_log = workDir + QLatin1String("/standin.log");

    // A stand-in left behind by a failed test must not hold the test
    // runner's output open, nor run for ever.
#ifdef Q_OS_WIN
    const char *const nowhere = "NUL";
#else
    const char *const nowhere = "/dev/null";
#endif
    std::freopen(nowhere, "w", stdout);
    std::freopen(nowhere, "w", stderr);
    QTimer::singleShot(120000, &app, [] { QCoreApplication::exit(4); });

    QLockFile lock(singleInstanceLockPath(workDir));
    if (!lock.tryLock(0)) {
        log("refused " + version);
        return 0;
    }
    QFileSystemWatcher folder;
    const QString release = workDir + QLatin1String("/standin.release");
    auto stopIfReleased = [release, version] {
        if (!QFile::exists(release))
            return;
        log("stopped " + version);
        QCoreApplication::quit();
    };
    // Stubborn hears the request to end (so that it is not taken for a
    // program that cannot be asked) and stays.
    if (mode == "stubborn")
        installTerminationHandler(&app, [] {});
    else
        installTerminationHandler(&app, [&] {
            if (mode != "slowstop") {
                log("stopped " + version);
                QCoreApplication::quit();
                return;
            }
            log("stopping " + version);
            QObject::connect(&folder, &QFileSystemWatcher::directoryChanged, &app, stopIfReleased);
            folder.addPath(workDir);
            stopIfReleased();
        });
    log("started " + version + ' ' + QByteArray::number(QCoreApplication::applicationPid()) + ' ' +
        args.mid(1).join(QLatin1Char(' ')).toUtf8());
    if (mode == "crash")
        return 3;
    return app.exec();
}
