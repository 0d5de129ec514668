// Update: replaces the configurator with its newest version.

#include "LanguageManager.h"
#include "ModalGuard.h"
#include "ProcessControl.h"
#include "SoftwareUpdate.h"
#include "StopRequests.h"
#include "Update.h"
#include "UpdaterLock.h"
#include "UpdateLog.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>

#include <cstdio>

namespace {

// The exit code after a request to end (as a shell reports an interrupt).
constexpr int StoppedExitCode = 130;

// The configurator's per-user folder, where it keeps "sysConfig.ini".
QString configuratorDataFolder()
{
    const QString own = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(QStringLiteral("Corvane"));
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QCoreApplication::setApplicationName(own);
    return folder;
}

void setApplicationFont()
{
    const int id = QFontDatabase::addApplicationFont(QStringLiteral("res/HarmonyOS_SansSC_Light.ttf"));
    QString family = QStringLiteral("HarmonyOS Sans SC Light");
    if (QFontDatabase::applicationFontFamilies(id).isEmpty()) {
        // Without the bundled font, one that has the Chinese texts.
        const QStringList cjk = QFontDatabase().families(QFontDatabase::SimplifiedChinese);
        family = cjk.contains(QLatin1String("WenQuanYi Micro Hei")) ? QStringLiteral("WenQuanYi Micro Hei")
                 : cjk.isEmpty()                                     ? QString()
                                                                     : cjk.first();
    }
    if (!family.isEmpty())
        QApplication::setFont(QFont(family, 10));
}

} // namespace

int main(int argc, char **argv)
{
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Update"));

    // The configurator names its folder when it starts us; otherwise its
    // default one. What follows "--" is for the configurator when we start
    // it again. --install updates at once when a newer version is found.
    QString workDir;
    bool installAtOnce = false;
    QStringList args = app.arguments();
    const int separator = args.indexOf(QStringLiteral("--"));
    const QStringList programArguments = separator > 0 ? args.mid(separator + 1) : QStringList();
    if (separator > 0)
        args = args.mid(0, separator);
    for (int i = 1; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--workdir") && i + 1 < args.size())
            workDir = args.at(++i);
        else if (args.at(i).startsWith(QLatin1String("--workdir=")))
            workDir = args.at(i).section(QLatin1Char('='), 1);
        else if (args.at(i) == QLatin1String("--install"))
            installAtOnce = true;
    }
    if (workDir.isEmpty())
        workDir = configuratorDataFolder();
    if (!QDir().mkpath(workDir) || !QDir::setCurrent(workDir)) {
        std::fprintf(stderr, "Update: cannot use the folder %s\n", qPrintable(workDir));
        return 1;
    }
    workDir = QDir::currentPath();
    LanguageManager::instance()->reloadTranslator();

    // One updater per program, whatever folder each was given: two would
    // stop, replace and start the same program over each other.
    const QString installDir = QCoreApplication::applicationDirPath();
    // What an earlier update had to move aside while it ran (Windows).
    removeFilesSetAside(installDir);
    UpdaterLock lock(SoftwareUpdate::programToReplace(workDir, installDir));
    switch (lock.tryAcquire()) {
    case UpdaterLock::Result::Acquired:
        qCDebug(lcUpdate) << "holding the updater lock" << lock.location();
        break;
    case UpdaterLock::Result::Held: {
        const QString text = QCoreApplication::translate("main", "更新程序已在运行。");
        std::fprintf(stderr, "Update: %s\n", text.toUtf8().constData());
        ModalGuard::inform(nullptr, QCoreApplication::translate("main", "提示"), text);
        return 0;
    }
    case UpdaterLock::Result::Unavailable: {
        // Without the lock another Update could work beside this one.
        const QString text = QCoreApplication::translate("main", "无法确认没有其他更新程序在运行，没有进行更新：%1")
                                 .arg(lock.problem());
        std::fprintf(stderr, "Update: %s\n", text.toUtf8().constData());
        ModalGuard::inform(nullptr, QCoreApplication::translate("main", "提示"), text);
        return 1;
    }
    }

    // From here on a request to end is handled once the event loop runs,
    // never a kill in the middle of replacing the program. (Before, there
    // is nothing to undo.)
    StopRequests stopRequests;

    QFile style(QStringLiteral(":/Update/res/style.qss"));
    if (style.open(QIODevice::ReadOnly))
        app.setStyleSheet(QString::fromUtf8(style.readAll()));
    setApplicationFont();

    SoftwareUpdate update(workDir, installDir);
    update.setProgramArguments(programArguments);
    // A longer probation for a slow machine (and for tests); never shorter.
    bool ok = false;
    const int probation = qEnvironmentVariableIntValue("CORVANE_UPDATE_PROBATION_MS", &ok);
    if (ok)
        update.setProbation(qBound(SoftwareUpdate::DefaultProbationMs, probation, 10 * 60 * 1000));
    Update window(&update);
    QObject::connect(&window, &Update::sigQuit, &app, &QCoreApplication::quit);
    QObject::connect(&stopRequests, &StopRequests::stopRequested, &update, &SoftwareUpdate::stopRequested);
    QObject::connect(&update, &SoftwareUpdate::settled, &app, [&stopRequests] {
        stopRequests.settled();
        QCoreApplication::exit(StoppedExitCode);
    });
    if (installAtOnce)
        QObject::connect(&update, &SoftwareUpdate::stateChanged, &update, [&update](SoftwareUpdate::State state) {
            if (state == SoftwareUpdate::State::Available)
                QTimer::singleShot(0, &update, &SoftwareUpdate::install);
        });
    if (QScreen *screen = QGuiApplication::primaryScreen())
        window.move(screen->availableGeometry().center() - window.rect().center());
    window.show();
    update.check();
    return app.exec();
}
