#include "RemoteCommands.h"

#include "ApplyCommand.h"
#include "CommandClient.h"
#include "CommandEndpoint.h"
#include "EndpointProtocol.h"
#include "ExportCommand.h"
#include "InterruptWatch.h"
#include "KeyboardLock.h"
#include "ProfileDocument.h"
#include "ProfileFile.h"
#include "ProfileListText.h"
#include "ProfileName.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <memory>

namespace {

void print(FILE *stream, const QByteArray &bytes)
{
    if (!bytes.isEmpty())
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

// The file's bytes for apply, read as the direct command reads it; false
// with the same one-line reasons.
bool readProfileBytes(const QString &path, QByteArray *bytes, QString *why)
{
    if (QFileInfo(path).isDir()) {
        *why = QStringLiteral("%1 is a folder, not a profile file").arg(path);
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *why = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    if (file.size() > MaxProfileFileSize) {
        *why = QStringLiteral("%1 is not a profile file: too large (%2 bytes)").arg(path).arg(file.size());
        return false;
    }
    *bytes = file.read(EndpointProtocol::MaxRequestData + 1);
    if (file.error() != QFileDevice::NoError) {
        *why = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    if (bytes->size() > EndpointProtocol::MaxRequestData) {
        *why = QStringLiteral("%1 is too large to hand to Corvane (more than %2 bytes); close Corvane to apply it")
                   .arg(path)
                   .arg(EndpointProtocol::MaxRequestData);
        return false;
    }
    return true;
}

} // namespace

bool corvaneHoldsKeyboard()
{
    KeyboardLock probe(QStringLiteral("corvane-cli"));
    return probe.tryAcquire() == KeyboardLock::Result::Held && probe.otherHolder() == QLatin1String("Corvane");
}

bool applyArgumentIsFile(const QString &argument)
{
    return QFileInfo::exists(argument) || argument.endsWith(QLatin1String(".kb"), Qt::CaseInsensitive) ||
           argument.contains(QLatin1Char('/')) || argument.contains(QDir::separator());
}

RemoteOutcome runRemoteCommand(RemoteCommand command, bool force, const CliOutput &io, int *exitCode)
{
    using Verb = RemoteCommand::Verb;
    QString why;
    if (command.verb == Verb::Export) {
        why = exportTargetProblem(command.fileName, force);
        if (!why.isEmpty()) {
            *exitCode = io.fail(why);
            return RemoteOutcome::Handled;
        }
    }
    if (command.verb == Verb::Apply && command.name.isEmpty() && !readProfileBytes(command.fileName, &command.data, &why)) {
        *exitCode = io.fail(why);
        return RemoteOutcome::Handled;
    }
    const QString nameProblem = command.verb == Verb::ProfileUse || (command.verb == Verb::Apply && !command.name.isEmpty())
                                    ? EndpointProtocol::plainTextProblem(command.name, EndpointProtocol::MaxNameLength)
                                    : QString();
    if (!nameProblem.isEmpty()) {
        *exitCode = io.fail(QStringLiteral("the profile name %1").arg(nameProblem));
        return RemoteOutcome::Handled;
    }

    // Ctrl-C closes the connection, which tells Corvane, and ends with 130.
    std::unique_ptr<InterruptWatch> ownWatch;
    if (!InterruptWatch::current())
        ownWatch = std::make_unique<InterruptWatch>();
    InterruptWatch *watch = InterruptWatch::current();

    CommandClient client;
    ProgressLine bar(io.err);
    QEventLoop loop;
    QObject::connect(&client, &CommandClient::progress, &loop,
                     [&bar](int percent, const QString &label) { bar.setProgress(percent, label); });
    QObject::connect(&client, &CommandClient::finished, &loop, &QEventLoop::quit);
    if (watch)
        QObject::connect(watch, &InterruptWatch::interrupted, &client, &CommandClient::abort);
    client.start(command, CommandEndpoint::address(KeyboardLock::defaultKey()));
    if (watch && watch->isInterrupted())
        client.abort();
    if (client.outcome() == CommandClient::Outcome::Pending)
        loop.exec();
    bar.end();

    const RemoteReply &reply = client.reply();
    switch (client.outcome()) {
    case CommandClient::Outcome::NotRunning: return RemoteOutcome::NoCorvane;
    case CommandClient::Outcome::Unsupported: return RemoteOutcome::NotTaken;
    case CommandClient::Outcome::Replied:
        break;
    case CommandClient::Outcome::Aborted:
        *exitCode = InterruptedExitCode;
        io.note(QStringLiteral("corvane-cli: interrupted; Corvane was told to stop the command"));
        return RemoteOutcome::Handled;
    case CommandClient::Outcome::Unsafe:
        *exitCode = KeyboardBusyExitCode;
        io.note(QStringLiteral("corvane-cli: Corvane's command endpoint cannot be trusted, so nothing was sent: %1")
                    .arg(client.detail()));
        return RemoteOutcome::Handled;
    case CommandClient::Outcome::Refused:
        *exitCode = 2;
        io.note(QStringLiteral("corvane-cli: Corvane refused the command: %1").arg(client.detail()));
        return RemoteOutcome::Handled;
    case CommandClient::Outcome::BadAnswer:
        *exitCode = io.fail(QStringLiteral("Corvane's answer cannot be read (%1); whether the command ran is not known")
                                .arg(client.detail()));
        return RemoteOutcome::Handled;
    default:
        *exitCode = io.fail(QStringLiteral("%1; whether the command ran is not known").arg(client.detail()));
        return RemoteOutcome::Handled;
    }

    // Export: the profile is only exported once the file is written.
    if (command.verb == Verb::Export && reply.exitCode == 0) {
        if (!writeFileAtomically(command.fileName, reply.out, force, &why)) {
            *exitCode = io.fail(QStringLiteral("cannot write %1: %2").arg(command.fileName, why));
            return RemoteOutcome::Handled;
        }
        print(io.err, reply.err);
        *exitCode = 0;
        return RemoteOutcome::Handled;
    }
    print(io.out, reply.out);
    print(io.err, reply.err);
    *exitCode = reply.exitCode;
    return RemoteOutcome::Handled;
}

QString corvaneDataFolder(const QString &workDir)
{
    if (!workDir.isEmpty())
        return workDir;
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)).filePath(QStringLiteral("Corvane"));
}

int listProfilesDirectly(const QString &dataFolder, bool json, const CliOutput &io)
{
    // As Corvane lists them at start: every .kb of the folder by name, the
    // damaged ones too. Without Corvane no profile is in use.
    const QDir dir(QDir(dataFolder).filePath(QStringLiteral("LocalProfile")));
    QList<ProfileListItem> items;
    for (const QString &file : dir.entryList({QStringLiteral("*.kb")}, QDir::Files, QDir::Name | QDir::IgnoreCase)) {
        if (!profileFileNameProblem(file).isEmpty())
            continue;
        ProfileDocument doc;
        items.append({profileListName(file), false, !readProfileFile(dir.filePath(file), &doc)});
    }
    print(io.out, profileListText(items, json));
    return 0;
}
