// Update: replaces the configurator with its newest version.

#include "LanguageManager.h"
#include "ModalGuard.h"
#include "ProcessControl.h"
#include "SoftwareUpdate.h"
#include "Update.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QLockFile>
#include <QScreen>
#include <QStandardPaths>

#include <cstdio>

namespace {

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
    // it again.
    QString workDir;
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
    }
    if (workDir.isEmpty())
        workDir = configuratorDataFolder();
    if (!QDir().mkpath(workDir) || !QDir::setCurrent(workDir)) {
        std::fprintf(stderr, "Update: cannot use the folder %s\n", qPrintable(workDir));
        return 1;
    }
    workDir = QDir::currentPath();
    LanguageManager::instance()->reloadTranslator();

    // One updater at a time: two would stop, replace and start the same
    // program over each other. A crashed one's stale lock is taken over.
    QLockFile lock(updaterLockPath(workDir));
    if (!lock.tryLock(0)) {
        const QString text = QCoreApplication::translate("main", "更新程序已在运行。");
        std::fprintf(stderr, "Update: %s\n", text.toUtf8().constData());
        ModalGuard::inform(nullptr, QCoreApplication::translate("main", "提示"), text);
        return 0;
    }

    QFile style(QStringLiteral(":/Update/res/style.qss"));
    if (style.open(QIODevice::ReadOnly))
        app.setStyleSheet(QString::fromUtf8(style.readAll()));
    setApplicationFont();

    SoftwareUpdate update(workDir, QCoreApplication::applicationDirPath());
    update.setProgramArguments(programArguments);
    Update window(&update);
    QObject::connect(&window, &Update::sigQuit, &app, &QCoreApplication::quit);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        window.move(screen->availableGeometry().center() - window.rect().center());
    window.show();
    update.check();
    return app.exec();
}
