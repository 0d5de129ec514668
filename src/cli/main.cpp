// corvane-cli: the device layer from the command line, for scripting and
// bug reports. Plain lines for people, JSON for programs.

#include "HidBackend.h"
#include "HidLibrary.h"
#include "Kb2Errors.h"
#include "KeyboardAction.h"
#include "KeyboardSession.h"
#include "ReadBackJson.h"
#include "SimScenario.h"
#include "VirtualHidBackend.h"
#ifdef CORVANE_HAVE_FLASH
#include "FlashCommand.h"
#endif

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

constexpr int ReadBackTimeoutMs = 60000;

const char *const Usage =
    "usage: corvane-cli COMMAND [--simulate[=FAMILY]] [--verbose]\n"
    "  list        HID interfaces with the keyboard's ids, and which one answers\n"
    "  info        board information, name, precision, polling rate, Win/Mac mode\n"
    "  dump        the whole read-back as JSON\n"
    "  flash FILE  write a firmware image\n"
    "  --verbose   print the protocol trace on stderr\n";

int fail(const QString &message)
{
    std::fprintf(stderr, "corvane-cli: %s\n", qPrintable(message));
    return 1;
}

void out(const QString &line)
{
    std::fprintf(stdout, "%s\n", line.toUtf8().constData());
}

bool permissionDenied(const QString &path)
{
    const QByteArray p = path.toLocal8Bit();
    if (!p.startsWith("/dev/"))
        return false;
    return ::access(p.constData(), R_OK | W_OK) != 0 && errno == EACCES;
}

QString permissionHint(const QString &path)
{
    return QStringLiteral("permission denied on %1; install the udev rule resources/linux/60-corvane.rules "
                          "(see README: copy it to /etc/udev/rules.d/, reload udev, replug the keyboard)")
        .arg(path);
}

QStringList keyboardPaths()
{
    QStringList paths;
    for (const HidDeviceInfo &info : HidBackend::instance()->enumerate(0, 0))
        if (info.vendorId == KeyboardAction::VendorId && info.productId == KeyboardAction::ProductId)
            paths.append(QString::fromStdString(info.path));
    return paths;
}

// Why connecting found nothing, as one line.
QString connectFailure(int rc)
{
    const QStringList paths = keyboardPaths();
    if (paths.isEmpty())
        return QStringLiteral("no keyboard found (USB vendor 1C4F, product EE88)");
    for (const QString &p : paths)
        if (permissionDenied(p))
            return permissionHint(p);
    if (rc == -2)
        return QStringLiteral("the keyboard answered but could not be opened again");
    return QStringLiteral("no answer from the keyboard on any of its %1 interfaces").arg(paths.size());
}

QString wide(const std::wstring &s)
{
    return QString::fromStdWString(s);
}

int listCommand()
{
    HidLibrary::ensureInitialised();
    HidBackend *backend = HidBackend::instance();
    KeyboardAction worker;
    int found = 0;
    for (const HidDeviceInfo &info : backend->enumerate(0, 0)) {
        if (info.vendorId != KeyboardAction::VendorId || info.productId != KeyboardAction::ProductId)
            continue;
        ++found;
        const QString path = QString::fromStdString(info.path);
        QString state;
        if (permissionDenied(path))
            state = QStringLiteral("permission denied (install resources/linux/60-corvane.rules)");
        else if (worker.probePath(path))
            state = QStringLiteral("answers: board id %1, version %2")
                        .arg(worker.boardInfo().boardId)
                        .arg(QString::fromUtf8(worker.boardInfo().version));
        else
            state = QStringLiteral("no answer");
        out(QStringLiteral("%1  interface %2  %3 %4  serial \"%5\"  %6")
                .arg(path)
                .arg(info.interfaceNumber)
                .arg(wide(info.manufacturer), wide(info.product), wide(info.serialNumber), state));
    }
    if (found == 0)
        return fail(QStringLiteral("no keyboard found (USB vendor 1C4F, product EE88)"));
    return 0;
}

const char *rateName(int index)
{
    static const char *const names[] = {"8 kHz", "4 kHz", "2 kHz", "1 kHz", "500 Hz", "250 Hz", "125 Hz"};
    return index >= 0 && index < 7 ? names[index] : "unknown";
}

QString modeText(const KeyboardReadBack &rb)
{
    QString text = rb.systemMode == SystemWindows ? QStringLiteral("Windows")
                   : rb.systemMode == SystemMac   ? QStringLiteral("Mac")
                                                  : QStringLiteral("unknown");
    if (rb.noWindowsMode)
        text += QStringLiteral(" (no Windows mode)");
    if (rb.noMacMode)
        text += QStringLiteral(" (no Mac mode)");
    return text;
}

// What could not be read, as the end of one line.
QString missingText(const KeyboardReadBack &rb)
{
    QStringList parts;
    for (ReadPart part : rb.missing)
        parts << readPartName(part);
    return QStringLiteral("%1 (%2)").arg(parts.join(QLatin1String(", ")), QLatin1String(kb2ErrorName(rb.readError)));
}

int readBackCommand(bool json)
{
    KeyboardAction worker;
    KeyboardSession session(&worker);
    session.setQuerySystemMode(true);
    session.setBasicOnly(!json);
    const int rc = worker.connectDevice();
    if (rc != KeyboardAction::Connected)
        return fail(connectFailure(rc));

    QEventLoop loop;
    QString bootVersion;
    QObject::connect(&session, &KeyboardSession::readBackFinished, &loop, &QEventLoop::quit);
    QObject::connect(&session, &KeyboardSession::bootLoaderDetected, &loop, [&](const QString &v) {
        bootVersion = v;
        loop.quit();
    });
    QTimer::singleShot(ReadBackTimeoutMs, &loop, &QEventLoop::quit);
    loop.exec();

    if (!bootVersion.isEmpty())
        return fail(QStringLiteral("the keyboard is running its boot loader (%1); finish a firmware update first")
                        .arg(bootVersion));
    if (!session.isFinished())
        return fail(QStringLiteral("no answer from the keyboard: the read-back timed out"));
    const KeyboardReadBack &rb = session.readBack();
    if (rb.missing.contains(ReadPart::Connection))
        return fail(QStringLiteral("the keyboard was disconnected during the read-back"));

    if (json) {
        // What was read is printed even when some of it is missing.
        QJsonObject root = readBackToJson(rb);
        if (!rb.isComplete()) {
            QJsonArray missing;
            for (ReadPart part : rb.missing)
                missing.append(readPartName(part));
            root.insert(QStringLiteral("missing"), missing);
        }
        std::fputs(QJsonDocument(root).toJson(QJsonDocument::Indented).constData(), stdout);
    } else {
        out(QStringLiteral("Interface:     %1").arg(worker.devicePathString()));
        out(QStringLiteral("Board ID:      %1 (family %2)").arg(rb.info.boardId).arg(rb.info.family()));
        out(QStringLiteral("Serial:        %1").arg(QString::fromUtf8(rb.info.serial)));
        out(QStringLiteral("Version:       %1").arg(QString::fromUtf8(rb.info.version)));
        out(QStringLiteral("Name:          %1").arg(rb.name));
        out(QStringLiteral("Precision:     %1 mm per step").arg(rb.precisionStep));
        out(QStringLiteral("Polling rate:  %1 (index %2)").arg(QLatin1String(rateName(rb.pollingRate))).arg(rb.pollingRate));
        out(QStringLiteral("Mode:          %1").arg(modeText(rb)));
    }
    if (!rb.isComplete())
        return fail(QStringLiteral("incomplete read-back, could not read: %1").arg(missingText(rb)));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("corvane-cli"));

    QStringList args = app.arguments().mid(1);
    // Warnings only, unless asked: a failure is one line of our own. The
    // protocol trace is for bug reports (QT_LOGGING_RULES still wins).
    if (args.removeAll(QStringLiteral("--verbose")) > 0)
        QLoggingCategory::setFilterRules(QStringLiteral("corvane.*.debug=true"));
    int family = -1;
    for (int i = args.size() - 1; i >= 0; --i) {
        const QString &a = args.at(i);
        if (a == QLatin1String("--simulate") || a.startsWith(QLatin1String("--simulate="))) {
            bool ok = true;
            family = a.contains('=') ? a.section('=', 1).toInt(&ok) : 0;
            if (!ok || family < 0 || family > 255) {
                std::fputs(Usage, stderr);
                return 2;
            }
            args.removeAt(i);
        }
    }
    if (args.isEmpty()) {
        std::fputs(Usage, stderr);
        return 2;
    }

    const QString command = args.takeFirst();
    if (command == QLatin1String("flash")) {
#ifdef CORVANE_HAVE_FLASH
        if (args.size() != 1) {
            std::fputs(Usage, stderr);
            return 2;
        }
        return runFlashCommand(args.first(), family);
#else
        return fail(QStringLiteral("flash is not available in this build"));
#endif
    }
    if (!args.isEmpty() || (command != QLatin1String("list") && command != QLatin1String("info") &&
                            command != QLatin1String("dump"))) {
        std::fputs(Usage, stderr);
        return 2;
    }

    std::unique_ptr<VirtualHidBackend> simulated;
    if (family >= 0) {
        SimScenario scenario;
        std::string error;
        if (!simScenarioFromEnvironment(family, scenario, error))
            return fail(QString::fromStdString(error));
        simulated = std::make_unique<VirtualHidBackend>();
        addScenarioKeyboard(*simulated, scenario);
        HidBackend::setInstance(simulated.get());
    }

    int rc = 2;
    if (command == QLatin1String("list"))
        rc = listCommand();
    else
        rc = readBackCommand(command == QLatin1String("dump"));
    HidLibrary::shutdown();
    HidBackend::setInstance(nullptr);
    return rc;
}
