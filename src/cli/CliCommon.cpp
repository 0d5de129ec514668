#include "CliCommon.h"

#include "HidBackend.h"
#include "HidPermission.h"
#include "InterruptWatch.h"
#include "Kb2Errors.h"
#include "KeyboardAction.h"
#include "KeyboardLock.h"
#include "KeyboardSession.h"

#include <QEventLoop>
#include <QTimer>

namespace {

constexpr int BarWidth = 40;

} // namespace

void CliOutput::line(const QString &text) const
{
    std::fprintf(out, "%s\n", text.toUtf8().constData());
    std::fflush(out);
}

void CliOutput::note(const QString &text) const
{
    std::fprintf(err, "%s\n", text.toUtf8().constData());
    std::fflush(err);
}

int CliOutput::fail(const QString &message) const
{
    std::fprintf(err, "corvane-cli: %s\n", message.toUtf8().constData());
    std::fflush(err);
    return 1;
}

void ProgressLine::setProgress(int value, const QString &label)
{
    value = qBound(0, value, 100);
    if (value == m_value && label == m_label)
        return;
    // Blank out a longer label drawn before.
    const int pad = qMax(0, m_label.size() - label.size());
    m_value = value;
    m_label = label;
    const int filled = value * BarWidth / 100;
    std::fprintf(m_stream, "\r[%s%s] %3d%%%s%s%s", QByteArray(filled, '#').constData(),
                 QByteArray(BarWidth - filled, '.').constData(), value, label.isEmpty() ? "" : " ",
                 label.toUtf8().constData(), QByteArray(pad, ' ').constData());
    std::fflush(m_stream);
}

void ProgressLine::end()
{
    if (m_value >= 0)
        std::fputc('\n', m_stream);
    m_value = -1;
}

namespace {
bool g_lockRequired = true;
} // namespace

void setLockRequired(bool required)
{
    g_lockRequired = required;
}

int takeKeyboard(KeyboardLock &lock, const QString &command, const CliOutput &io)
{
    const KeyboardLock::Result result = lock.tryAcquire();
    if (result == KeyboardLock::Result::Acquired)
        return 0;
    if (result == KeyboardLock::Result::Unavailable) {
        if (!g_lockRequired) {
            io.note(QStringLiteral("corvane-cli: warning: going on without the keyboard lock (--no-lock): %1; if another "
                                   "program drives the keyboard now, both write it at once")
                        .arg(lock.failure()));
            return 0;
        }
        return io.fail(QStringLiteral("cannot take the keyboard lock, so nothing was sent: %1 "
                                      "(--no-lock goes on without it)")
                           .arg(lock.failure()));
    }
    const QString holder = lock.otherHolder();
    QString what;
    if (holder == QLatin1String("Corvane")) {
        // Where the configurator does the same.
        QString own = QStringLiteral("window: its title shows the board information");
        if (command == QLatin1String("dump") || command == QLatin1String("report"))
            own = QStringLiteral("support report (Settings, Save Support Report)");
        else if (command == QLatin1String("apply"))
            own = QStringLiteral("profile list");
        else if (command == QLatin1String("export"))
            own = QStringLiteral("profile export");
        else if (command == QLatin1String("flash"))
            own = QStringLiteral("firmware update (Settings)");
        what = QStringLiteral("Corvane is using the keyboard: close it, or use its own %1").arg(own);
        if (command == QLatin1String("doctor"))
            what = QStringLiteral("Corvane is using the keyboard, so this user can reach it: close Corvane to run "
                                  "every check");
    } else {
        what = QStringLiteral("%1 is using the keyboard: wait for it to finish, then run %2 again")
                   .arg(holder.isEmpty() ? QStringLiteral("another program") : holder, command);
    }
    std::fprintf(io.err, "corvane-cli: %s\n", what.toUtf8().constData());
    std::fflush(io.err);
    return KeyboardBusyExitCode;
}

bool interruptRequested()
{
    const InterruptWatch *watch = InterruptWatch::current();
    return watch && watch->isInterrupted();
}

QStringList keyboardPaths()
{
    QStringList paths;
    for (const HidDeviceInfo &info : HidBackend::instance()->enumerate(0, 0))
        if (info.vendorId == KeyboardAction::VendorId && info.productId == KeyboardAction::ProductId)
            paths.append(QString::fromStdString(info.path));
    return paths;
}

QString connectFailure(int rc)
{
    const QStringList paths = keyboardPaths();
    if (paths.isEmpty())
        return QStringLiteral("no keyboard found (USB vendor 1C4F, product EE88)");
    const QStringList denied = HidPermission::deniedPaths();
    if (!denied.isEmpty())
        return QStringLiteral("permission denied on %1; `corvane-cli doctor` prints the commands that fix it")
            .arg(denied.join(QLatin1String(", ")));
    if (rc == KeyboardAction::OpenFailed)
        return QStringLiteral("the keyboard answered but could not be opened again");
    return QStringLiteral("no answer from the keyboard on any of its %1 interfaces").arg(paths.size());
}

ReadResult readKeyboard(KeyboardAction &worker, KeyboardSession &session, QString *why, int timeoutMs)
{
    const int rc = worker.connectDevice();
    if (rc != KeyboardAction::Connected) {
        *why = connectFailure(rc);
        return ReadResult::Failed;
    }

    QEventLoop loop;
    QString bootVersion;
    QObject::connect(&session, &KeyboardSession::readBackFinished, &loop, &QEventLoop::quit);
    QObject::connect(&session, &KeyboardSession::bootLoaderDetected, &loop, [&](const QString &v) {
        bootVersion = v;
        loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (InterruptWatch *watch = InterruptWatch::current())
        QObject::connect(watch, &InterruptWatch::interrupted, &loop, &QEventLoop::quit);
    if (!session.isFinished() && !interruptRequested())
        loop.exec();
    if (interruptRequested()) {
        worker.closeDevice();
        *why = QStringLiteral("interrupted while reading the keyboard; nothing was changed");
        return ReadResult::Failed;
    }

    if (!bootVersion.isEmpty()) {
        *why = QStringLiteral("the keyboard is running its boot loader (%1); finish a firmware update first")
                   .arg(bootVersion);
        return ReadResult::Failed;
    }
    if (!session.isFinished()) {
        *why = QStringLiteral("no answer from the keyboard: the read-back timed out");
        return ReadResult::Failed;
    }
    const KeyboardReadBack &rb = session.readBack();
    if (rb.missing.contains(ReadPart::Connection)) {
        *why = QStringLiteral("the keyboard was disconnected during the read-back");
        return ReadResult::Failed;
    }
    if (!rb.isComplete()) {
        QStringList parts;
        for (ReadPart part : rb.missing)
            parts << readPartName(part);
        *why = QStringLiteral("incomplete read-back, could not read: %1 (%2)")
                   .arg(parts.join(QLatin1String(", ")), QLatin1String(kb2ErrorName(rb.readError)));
        return ReadResult::Incomplete;
    }
    return ReadResult::Complete;
}
