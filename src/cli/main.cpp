// corvane-cli: the device layer from the command line, for scripting and
// bug reports. Plain lines for people, JSON for programs.

#include "ApplyCommand.h"
#include "CliCommon.h"
#include "CorvaneVersion.h"
#include "ExchangeCommands.h"
#include "ExportCommand.h"
#include "HidBackend.h"
#include "HidLibrary.h"
#include "InterruptWatch.h"
#include "KeyboardAction.h"
#include "KeyboardLock.h"
#include "KeyboardSession.h"
#include "ProfileName.h"
#include "ReadBackJson.h"
#include "ReadBackText.h"
#include "RemoteCommands.h"
#include "SimScenario.h"
#include "SupportCommands.h"
#include "VirtualHidBackend.h"
#ifdef CORVANE_HAVE_FLASH
#include "FlashCommand.h"
#endif
#ifdef CORVANE_HAVE_SHEET
#include "SheetCommand.h"
#include <QGuiApplication>
#endif

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>

#include <cstdio>
#include <cstring>
#include <memory>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

namespace {

const char *const Usage =
    "usage: corvane-cli COMMAND [--simulate[=FAMILY]] [--workdir DIR] [--verbose]\n"
    "  list                    HID interfaces with the keyboard's ids, and which one answers\n"
    "  info                    board information, name, precision, polling rate, Win/Mac mode\n"
    "  dump                    the whole read-back as JSON\n"
    "  apply FILE.kb|NAME [--verify] [--full]\n"
    "                          apply a profile file, or the profile NAME of Corvane's list, as\n"
    "                          Corvane does: only what differs from the keyboard is sent (--full\n"
    "                          sends all of it); --verify reads the keyboard back and prints\n"
    "                          every difference\n"
    "  export FILE.kb [--force]\n"
    "                          save the keyboard's configuration as a profile\n"
    "  export --all FILE [--force]\n"
    "                          every profile, the macros they use, the lighting presets and the\n"
    "                          application rules of Corvane's data folder in one file\n"
    "  import FILE|CODE [--force] [--model N]\n"
    "                          bring in a file of export --all (names that are taken get a\n"
    "                          suffix; --force replaces presets and rules that differ), or a\n"
    "                          share code as a new profile\n"
    "  share FILE.kb [--model N]\n"
    "                          print a profile with its macros as a code to paste in a chat\n"
    "                          (N: keyboard model; by default the one Corvane saw last)\n"
    "  sheet FILE.kb OUT.pdf|OUT.svg [--model N] [--lang zh|en]\n"
    "                          draw the profile's four Fn layers and its advanced keys, one\n"
    "                          page each, as Corvane prints them (in Corvane's language unless\n"
    "                          --lang names one)\n"
    "  doctor                  check access to the keyboard and print the commands that fix it\n"
    "  report FILE             write a support file (JSON) for a bug report\n"
    "  flash FILE [--no-wait]  write a firmware image, then wait for the keyboard to come\n"
    "                          back and print its new version (--no-wait skips that)\n"
    "  profile list [--json]   the profiles of Corvane's list; \"*\" marks the one in use\n"
    "  profile use NAME        make NAME the profile in use and apply it (needs Corvane)\n"
    "  undo, redo              undo or redo Corvane's last change to the keyboard (needs Corvane)\n"
    "  --workdir DIR           Corvane's data folder, where its profiles are, if not the usual one\n"
    "  --verbose               print the protocol trace on stderr\n"
    "  --version               print corvane-cli's version and end\n"
    "  --no-lock               go on when the keyboard lock cannot be taken (its folder is\n"
    "                          not the user's alone, say): nothing then stops another\n"
    "                          program from writing the keyboard at the same time\n"
    "While Corvane runs and holds the keyboard, info, dump, export and apply are handed to it\n"
    "and run there; flash, doctor and report wait until Corvane is closed.\n"
    "exit codes: 0 done, 1 failed, 2 usage, 3 the keyboard is in use by another program\n"
    "(nothing sent), 130 interrupted by Ctrl-C or SIGTERM\n";

int usage()
{
    std::fputs(Usage, stderr);
    return 2;
}

QString wide(const std::wstring &s)
{
    return QString::fromStdWString(s);
}

int listCommand(bool lockRequired, const CliOutput &io)
{
    HidLibrary::ensureInitialised();
    HidBackend *backend = HidBackend::instance();
    KeyboardAction worker;
    // The keyboard is not asked who it is while another program drives it.
    KeyboardLock lock(QStringLiteral("corvane-cli list"));
    const KeyboardLock::Result locked = lock.tryAcquire();
    const bool held = locked == KeyboardLock::Result::Held;
    const QString holder = lock.otherHolder().isEmpty() ? QStringLiteral("another program") : lock.otherHolder();
    const bool unlocked = locked == KeyboardLock::Result::Unavailable && lockRequired;
    int found = 0;
    for (const HidDeviceInfo &info : backend->enumerate(0, 0)) {
        if (info.vendorId != KeyboardAction::VendorId || info.productId != KeyboardAction::ProductId)
            continue;
        ++found;
        const QString path = QString::fromStdString(info.path);
        QString state;
        if (backend->nodeAccess(info.path) == HidNodeAccess::Denied)
            state = QStringLiteral("permission denied (`corvane-cli doctor` says how to fix it)");
        else if (held)
            state = QStringLiteral("in use by %1, not asked").arg(holder);
        else if (unlocked)
            state = QStringLiteral("not asked: no keyboard lock (%1)").arg(lock.failure());
        else if (worker.probePath(path))
            state = QStringLiteral("answers: board id %1, version %2")
                        .arg(worker.boardInfo().boardId)
                        .arg(QString::fromUtf8(worker.boardInfo().version));
        else
            state = QStringLiteral("no answer");
        io.line(QStringLiteral("%1  interface %2  %3 %4  serial \"%5\"  %6")
                    .arg(path)
                    .arg(info.interfaceNumber)
                    .arg(wide(info.manufacturer), wide(info.product), wide(info.serialNumber), state));
    }
    if (found == 0)
        return io.fail(QStringLiteral("no keyboard found (USB vendor 1C4F, product EE88)"));
    return 0;
}

int readBackCommand(bool json, const CliOutput &io)
{
    KeyboardLock lock(QLatin1String(json ? "corvane-cli dump" : "corvane-cli info"));
    if (const int refused = takeKeyboard(lock, QLatin1String(json ? "dump" : "info"), io))
        return refused;
    KeyboardAction worker;
    KeyboardSession session(&worker);
    session.setQuerySystemMode(true);
    session.setBasicOnly(!json);
    QString why;
    const ReadResult result = readKeyboard(worker, session, &why, ReadBackTimeoutMs);
    if (result == ReadResult::Failed)
        return io.fail(why);

    const KeyboardReadBack &rb = session.readBack();
    if (json) {
        // What was read is printed even when some of it is missing.
        QJsonObject root = readBackToJson(rb);
        if (!rb.isComplete()) {
            QJsonArray missing;
            for (ReadPart part : rb.missing)
                missing.append(readPartName(part));
            root.insert(QStringLiteral("missing"), missing);
        }
        std::fputs(QJsonDocument(root).toJson(QJsonDocument::Indented).constData(), io.out);
    } else {
        for (const QString &line : readBackInfoLines(rb, worker.devicePathString()))
            io.line(line);
    }
    if (result == ReadResult::Incomplete)
        return io.fail(why);
    return 0;
}

struct Arguments {
    QString command;
    QStringList positional;
    int family = -1; // -1: the real keyboard
    bool verify = false;
    bool full = false;
    bool force = false;
    bool noWait = false;
    bool noLock = false;
    bool json = false;
    bool all = false;
    int model = -1;
    QString language; // --lang: "Chinese" or "English"
    QString workDir;
    bool ok = true;
};

Arguments parseArguments(QStringList args)
{
    Arguments a;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg == QLatin1String("--workdir") && i + 1 < args.size()) {
            a.workDir = args.at(++i);
            a.ok = a.ok && !a.workDir.isEmpty();
        } else if (arg.startsWith(QLatin1String("--workdir="))) {
            a.workDir = arg.section(QLatin1Char('='), 1);
            a.ok = a.ok && !a.workDir.isEmpty();
        } else if (arg == QLatin1String("--all")) {
            a.all = true;
        } else if (arg == QLatin1String("--model") && i + 1 < args.size()) {
            bool ok = false;
            a.model = args.at(++i).toInt(&ok);
            a.ok = a.ok && ok && a.model >= 0 && a.model <= 255;
        } else if (arg == QLatin1String("--lang") && i + 1 < args.size()) {
            const QString lang = args.at(++i);
            a.language = lang == QLatin1String("zh") ? QStringLiteral("Chinese")
                         : lang == QLatin1String("en") ? QStringLiteral("English")
                                                       : QString();
            a.ok = a.ok && !a.language.isEmpty();
        } else if (arg == QLatin1String("--json")) {
            a.json = true;
        } else if (arg == QLatin1String("--simulate") || arg.startsWith(QLatin1String("--simulate="))) {
            bool ok = true;
            a.family = arg.contains(QLatin1Char('=')) ? arg.section(QLatin1Char('='), 1).toInt(&ok) : 0;
            a.ok = a.ok && ok && a.family >= 0 && a.family <= 255;
        } else if (arg == QLatin1String("--verify")) {
            a.verify = true;
        } else if (arg == QLatin1String("--full")) {
            a.full = true;
        } else if (arg == QLatin1String("--force")) {
            a.force = true;
        } else if (arg == QLatin1String("--no-wait")) {
            a.noWait = true;
        } else if (arg == QLatin1String("--no-lock")) {
            a.noLock = true;
        } else if (arg.startsWith(QLatin1String("--"))) {
            a.ok = false;
        } else if (a.command.isEmpty()) {
            a.command = arg;
        } else {
            a.positional << arg;
        }
    }
    // Each command takes its own options and the number of files it names.
    static const QMap<QString, int> files = {{"list", 0},  {"info", 0},   {"dump", 0},   {"doctor", 0},
                                             {"apply", 1}, {"export", 1}, {"report", 1}, {"flash", 1},
                                             {"undo", 0},  {"redo", 0},   {"share", 1},  {"import", 1},
                                             {"sheet", 2}};
    const QString sub = a.positional.value(0);
    const bool profile = a.command == QLatin1String("profile")
                         && ((sub == QLatin1String("list") && a.positional.size() == 1)
                             || (sub == QLatin1String("use") && a.positional.size() == 2));
    const bool exchange = a.command == QLatin1String("share") || a.command == QLatin1String("import")
                          || a.command == QLatin1String("sheet") || a.all;
    a.ok = a.ok && (profile || (files.contains(a.command) && a.positional.size() == files.value(a.command)))
           && (!a.json || (profile && sub == QLatin1String("list")))
           && (a.workDir.isEmpty() || profile || exchange || a.command == QLatin1String("apply"))
           && (!a.all || a.command == QLatin1String("export"))
           && (a.model < 0 || a.command == QLatin1String("share") || a.command == QLatin1String("import")
               || a.command == QLatin1String("sheet"))
           && (a.language.isEmpty() || a.command == QLatin1String("sheet"))
           && (!a.verify || a.command == QLatin1String("apply")) && (!a.full || a.command == QLatin1String("apply"))
           && (!a.force || a.command == QLatin1String("export") || a.command == QLatin1String("import"))
           && (!a.noWait || a.command == QLatin1String("flash"));
    return a;
}

// The command as the running Corvane takes it.
RemoteCommand remoteCommand(const Arguments &a)
{
    using Verb = RemoteCommand::Verb;
    RemoteCommand c;
    if (a.command == QLatin1String("info")) {
        c.verb = Verb::Info;
    } else if (a.command == QLatin1String("dump")) {
        c.verb = Verb::Dump;
    } else if (a.command == QLatin1String("export")) {
        c.verb = Verb::Export;
        c.fileName = a.positional.first();
    } else if (a.command == QLatin1String("apply")) {
        c.verb = Verb::Apply;
        (applyArgumentIsFile(a.positional.first()) ? c.fileName : c.name) = a.positional.first();
        c.verify = a.verify;
        c.full = a.full;
    } else if (a.command == QLatin1String("profile")) {
        c.verb = a.positional.first() == QLatin1String("list") ? Verb::ProfileList : Verb::ProfileUse;
        c.name = a.positional.value(1);
        c.json = a.json;
    } else {
        c.verb = a.command == QLatin1String("undo") ? Verb::Undo : Verb::Redo;
    }
    return c;
}

} // namespace

int main(int argc, char **argv)
{
#ifdef Q_OS_WIN
    // The same bytes as on Linux: UTF-8 and "\n", whether the output goes to
    // a console, a pipe or a file; a console shows UTF-8 once told so.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    SetConsoleOutputCP(CP_UTF8);
#endif
    // As Corvane answers it: before anything else, no keyboard, no settings.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("corvane-cli %s\n", CORVANE_VERSION);
        return 0;
    }
    // The sheet draws text, which takes a GUI application (fonts), and needs
    // no display: every other command stays a console program.
    std::unique_ptr<QCoreApplication> application;
#ifdef CORVANE_HAVE_SHEET
    if (argc > 1 && std::strcmp(argv[1], "sheet") == 0) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QGuiApplication>(argc, argv);
    }
#endif
    if (!application)
        application = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication &app = *application;
    QCoreApplication::setApplicationName(QStringLiteral("corvane-cli"));

    QStringList args = app.arguments().mid(1);
    // Warnings only, unless asked: a failure is one line of our own. The
    // protocol trace is for bug reports (QT_LOGGING_RULES still wins).
    if (args.removeAll(QStringLiteral("--verbose")) > 0)
        QLoggingCategory::setFilterRules(QStringLiteral("corvane.*.debug=true"));
    const Arguments a = parseArguments(args);
    if (!a.ok)
        return usage();

    const CliOutput io;
    setLockRequired(!a.noLock);
    if (a.family >= 0)
        KeyboardLock::setDefaultKey(KeyboardLock::simulatedKey(a.family));
    // Ctrl-C and SIGTERM end these two in order: a half-written firmware or
    // profile is told, not left behind in silence.
    std::unique_ptr<InterruptWatch> interrupts;
    if (a.command == QLatin1String("flash") || a.command == QLatin1String("apply"))
        interrupts = std::make_unique<InterruptWatch>();
    // Corvane holds the keyboard: what it can run, it runs. Profiles in use
    // and the history are Corvane's alone.
    const bool corvaneOnly = a.command == QLatin1String("profile") || a.command == QLatin1String("undo")
                             || a.command == QLatin1String("redo");
    // Files of the data folder only: no keyboard, nothing to hand over.
    if (a.command == QLatin1String("share") || a.command == QLatin1String("import") || a.command == QLatin1String("sheet")
        || a.all) {
        ExchangeOptions options;
        options.dataFolder = corvaneDataFolder(a.workDir);
        options.model = a.model;
        options.force = a.force;
        if (a.command == QLatin1String("share"))
            return runShareCommand(a.positional.first(), options, io);
        if (a.command == QLatin1String("import"))
            return runImportCommand(a.positional.first(), options, io);
        if (a.command == QLatin1String("sheet")) {
#ifdef CORVANE_HAVE_SHEET
            return runSheetCommand(a.positional.at(0), a.positional.at(1), modelFor(options), a.language,
                                   options.dataFolder, io);
#else
            return io.fail(QStringLiteral("sheet is not available in this build"));
#endif
        }
        return runExportAllCommand(a.positional.first(), options, io);
    }
    const bool handedOver = corvaneOnly || a.command == QLatin1String("info") || a.command == QLatin1String("dump")
                            || a.command == QLatin1String("export") || a.command == QLatin1String("apply");
    RemoteOutcome remote = RemoteOutcome::NoCorvane;
    if (handedOver && (corvaneOnly || corvaneHoldsKeyboard())) {
        int rc = 0;
        remote = runRemoteCommand(remoteCommand(a), a.force, io, &rc);
        if (remote == RemoteOutcome::Handled)
            return rc;
    }
    if (a.command == QLatin1String("profile") && a.positional.first() == QLatin1String("list"))
        return listProfilesDirectly(corvaneDataFolder(a.workDir), a.json, io);
    if (corvaneOnly) {
        const QString what = a.command == QLatin1String("profile") ? QStringLiteral("profile use") : a.command;
        return io.fail(remote == RemoteOutcome::NotTaken
                           ? QStringLiteral("this Corvane does not take %1 from outside; use its window").arg(what)
                           : QStringLiteral("%1 needs the running Corvane: start it, then run the command again").arg(what));
    }
    QString applyPath = a.positional.value(0);
    if (a.command == QLatin1String("apply") && !applyArgumentIsFile(applyPath)) {
        // A profile of Corvane's list, read from its folder.
        const QString folder = QDir(corvaneDataFolder(a.workDir)).filePath(QStringLiteral("LocalProfile"));
        applyPath = QDir(folder).filePath(applyPath + QStringLiteral(".kb"));
        if (!profileNameProblem(a.positional.first()).isEmpty() || !QFileInfo(applyPath).isFile())
            return io.fail(QStringLiteral("no profile \"%1\" in %2; `corvane-cli profile list` lists them")
                               .arg(a.positional.first(), folder));
    }
    if (a.command == QLatin1String("flash")) {
#ifdef CORVANE_HAVE_FLASH
        return runFlashCommand(a.positional.first(), a.family, !a.noWait);
#else
        return io.fail(QStringLiteral("flash is not available in this build"));
#endif
    }

    std::unique_ptr<VirtualHidBackend> simulated;
    if (a.family >= 0) {
        SimScenario scenario;
        std::string error;
        if (!simScenarioFromEnvironment(a.family, scenario, error))
            return io.fail(QString::fromStdString(error));
        simulated = std::make_unique<VirtualHidBackend>();
        addScenarioKeyboard(*simulated, scenario);
        HidBackend::setInstance(simulated.get());
    }

    int rc = 2;
    if (a.command == QLatin1String("list")) {
        rc = listCommand(!a.noLock, io);
    } else if (a.command == QLatin1String("info") || a.command == QLatin1String("dump")) {
        rc = readBackCommand(a.command == QLatin1String("dump"), io);
    } else {
        KeyboardAction worker;
        if (a.command == QLatin1String("apply")) {
            ApplyOptions options;
            options.verify = a.verify;
            options.full = a.full;
            rc = runApplyCommand(worker, applyPath, options, io);
        } else if (a.command == QLatin1String("export")) {
            ExportOptions options;
            options.force = a.force;
            rc = runExportCommand(worker, a.positional.first(), options, io);
        } else if (a.command == QLatin1String("doctor")) {
            rc = runDoctorCommand(worker, simulated != nullptr, io);
        } else if (a.command == QLatin1String("report")) {
            rc = runReportCommand(worker, a.positional.first(), simulated != nullptr, io);
        }
    }
    HidLibrary::shutdown();
    HidBackend::setInstance(nullptr);
    return rc;
}
