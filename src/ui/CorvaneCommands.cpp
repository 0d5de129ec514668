#include "CorvaneCommands.h"

#include "ApplyReport.h"
#include "BoardProfile.h"
#include "DeviceLifecycle.h"
#include "KeyboardAction.h"
#include "KeyboardConfigModel.h"
#include "KeyboardController.h"
#include "KeyboardSession.h"
#include "MainWindow.h"
#include "ProfileDocument.h"
#include "ProfileIntake.h"
#include "ProfileListText.h"
#include "ProfileName.h"
#include "ProfileVerify.h"
#include "ReadBackJson.h"
#include "ReadBackText.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTimer>
#include <QUndoStack>

namespace {

QByteArray line(const QString &text)
{
    return text.toUtf8() + '\n';
}

// A failure as corvane-cli prints it.
RemoteReply failed(const QString &text, int exitCode = 1)
{
    RemoteReply r;
    r.exitCode = exitCode;
    r.err = line(QStringLiteral("corvane-cli: ") + text);
    return r;
}

RemoteReply reported(const ApplyReport &report, const QByteArray &out = QByteArray())
{
    RemoteReply r;
    r.exitCode = report.exitCode;
    r.out = out;
    r.err = line(report.failure ? QStringLiteral("corvane-cli: ") + report.text : report.text);
    return r;
}

} // namespace

CorvaneCommands::CorvaneCommands(MainWindow *window, QObject *parent)
    : QObject(parent), m_window(window), m_keyboard(window->keyboard())
{
}

QStringList CorvaneCommands::profileNames() const
{
    QStringList names;
    if (m_window)
        for (const MainWindow::ListedProfile &p : m_window->listedProfiles())
            names << p.name;
    return names;
}

QString CorvaneCommands::activeProfile() const
{
    return m_window ? m_window->activeProfileName() : QString();
}

void CorvaneCommands::cancelled()
{
    // What was handed to the keyboard is one step of the history already;
    // the frames of it go out whole, so that the history and the keyboard
    // agree. The reply goes nowhere.
}

void CorvaneCommands::run(const RemoteCommand &command, const Progress &progress, const Done &done)
{
    using Verb = RemoteCommand::Verb;
    if (!m_window) {
        done(failed(QStringLiteral("Corvane is closing")));
        return;
    }
    switch (command.verb) {
    case Verb::Show:
        m_window->showFromTray();
        done(RemoteReply());
        return;
    case Verb::ProfileList: {
        QList<ProfileListItem> items;
        for (const MainWindow::ListedProfile &p : m_window->listedProfiles())
            items << ProfileListItem{p.name, p.active, p.damaged};
        RemoteReply r;
        r.out = profileListText(items, command.json);
        done(r);
        return;
    }
    case Verb::Undo:
    case Verb::Redo:
        runHistory(command.verb == Verb::Undo, done);
        return;
    default:
        break;
    }

    // The rest needs the keyboard's configuration: a read-back still under
    // way is waited for, a bounded while.
    if (m_keyboard->isConnected() && m_keyboard->isReading() && !m_keyboard->isFirmwareUpdateRunning()) {
        auto waited = std::make_shared<bool>(false);
        auto connection = std::make_shared<QMetaObject::Connection>();
        auto retry = [this, command, progress, done, waited, connection] {
            if (*waited)
                return;
            *waited = true;
            disconnect(*connection);
            if (m_keyboard->isReading())
                done(failed(QStringLiteral("Corvane could not read the keyboard; try again once it shows it")));
            else
                run(command, progress, done);
        };
        *connection = connect(m_keyboard->lifecycle()->session(), &KeyboardSession::readBackFinished, this, retry);
        QTimer::singleShot(ReadBackWaitMs, this, retry);
        return;
    }

    switch (command.verb) {
    case Verb::Info:
    case Verb::Dump:
        done(infoReply(command.verb == Verb::Dump));
        return;
    case Verb::Export:
        done(exportReply(command.fileName));
        return;
    case Verb::Apply:
    case Verb::ProfileUse:
        runApply(command, progress, done);
        return;
    default:
        done(failed(QStringLiteral("Corvane does not take this command")));
        return;
    }
}

RemoteReply CorvaneCommands::infoReply(bool json) const
{
    const KeyboardSession *session = m_keyboard->lifecycle()->session();
    if (!m_keyboard->isConnected() || !session->isFinished())
        return failed(QStringLiteral("no keyboard is connected to Corvane"));
    // The keyboard's identity as it was read, what it holds as the board
    // copy has it now (every answer to a write lands there).
    KeyboardReadBack rb = session->readBack();
    const KeyboardReadBack now = mirrorReadBack(m_keyboard->device()->board());
    rb.layers = now.layers;
    rb.travel = now.travel;
    rb.travelRows = now.travelRows;
    rb.pressRows = now.pressRows;
    rb.releaseRows = now.releaseRows;
    rb.advanced = now.advanced;
    rb.colours = now.colours;
    rb.lighting = now.lighting;
    rb.lowLatency = now.lowLatency;
    rb.deadBands = now.deadBands;
    rb.parameters = now.parameters;
    const KeyboardConfig &config = m_keyboard->config()->config();
    if (config.pollingRate >= 0)
        rb.pollingRate = config.pollingRate;
    if (config.systemMode >= 0)
        rb.systemMode = config.systemMode;
    RemoteReply r;
    if (json) {
        QJsonObject root = readBackToJson(rb);
        r.out = QJsonDocument(root).toJson(QJsonDocument::Indented);
    } else {
        for (const QString &l : readBackInfoLines(rb, m_keyboard->device()->devicePathString()))
            r.out += line(l);
    }
    return r;
}

RemoteReply CorvaneCommands::exportReply(const QString &target) const
{
    if (!m_keyboard->isConnected() || !m_keyboard->config()->hasConfig())
        return failed(QStringLiteral("nothing exported: no keyboard is connected to Corvane"));
    QStringList macroKeys;
    const ProfileData profile = profileForExport(profileOfConfig(m_keyboard->config()->config()), &macroKeys);
    ProfileDocument doc = writeProfile(profile);
    // As Corvane names an imported profile: after its file.
    doc.insert(ProfileKeys::ProfileName, profileBaseName(QFileInfo(target).fileName()));
    RemoteReply r;
    r.out = serialiseProfile(doc);
    if (!macroKeys.isEmpty())
        r.err += line(QStringLiteral("note: the macros on %1 are not in the profile: the keyboard does not give macros "
                                     "back")
                          .arg(macroKeys.join(QLatin1String(", "))));
    r.err += line(QStringLiteral("exported the keyboard's configuration to %1").arg(target));
    return r;
}

void CorvaneCommands::runApply(const RemoteCommand &command, const Progress &progress, const Done &done)
{
    const bool byName = command.verb == RemoteCommand::Verb::ProfileUse || !command.name.isEmpty();
    const QString path = byName ? command.name : command.fileName;
    QString why;
    KeyboardController::ProfileApplied applied;
    if (byName) {
        applied = m_window->useProfileFromOutside(command.name, command.full, &why);
    } else {
        ProfileData profile;
        QMap<QString, MacroLoadResult> macros;
        if (!readProfileForApply(command.data, path, &profile, &why)
            || !loadProfileMacros(profile, QDir::current().filePath(QStringLiteral("Macro")), &macros, &why)) {
            done(failed(why));
            return;
        }
        applied = m_window->applyProfileFromOutside(profile, profileBaseName(QFileInfo(path).fileName()),
                                                    command.full, &why);
    }
    if (!applied.started) {
        done(failed(why.isEmpty() ? QStringLiteral("cannot apply %1 now").arg(path) : why));
        return;
    }
    ApplyRunner::Queued queued;
    queued.id = applied.run;
    queued.planError = applied.planError;
    queued.storeFull = applied.storeFull;
    queued.frames = applied.frames;
    queued.groups = applied.groups;
    const bool verify = command.verify;
    auto finish = [this, path, queued, verify, done](const ApplyRunner::Outcome &outcome, const QString &current) {
        const ApplyReport report = ApplyReports::afterRun(path, queued, outcome, current, verify);
        if (report.exitCode != ApplyReport::GoOnToVerify) {
            done(reported(report));
            return;
        }
        // What the keyboard says it keeps: the board copy, as after
        // applying in the window (a full read-back would restart the history).
        const QList<ProfileDifference> differences =
            configDifferences(m_keyboard->config()->config(),
                              configFromReadBack(mirrorReadBack(m_keyboard->device()->board())), m_keyboard->keys());
        QByteArray out;
        for (const ProfileDifference &d : differences)
            out += line(differenceLine(d));
        done(reported(ApplyReports::afterVerify(path, differences.size(), outcome.refused), out));
    };
    if (applied.run == 0) {
        if (!verify && applied.planError.isEmpty() && !applied.storeFull) {
            done(reported(ApplyReports::nothingToSend(path)));
            return;
        }
        finish(ApplyRunner::Outcome(), QString());
        return;
    }
    follow(applied.run, applied.groups, progress, finish);
}

void CorvaneCommands::runHistory(bool undo, const Done &done)
{
    QUndoStack *history = m_keyboard->history();
    if (m_keyboard->isFirmwareUpdateRunning() || m_keyboard->isApplying()) {
        done(failed(QStringLiteral("Corvane is sending to the keyboard; try again once it is done")));
        return;
    }
    if (undo ? !history->canUndo() : !history->canRedo()) {
        done(failed(undo ? QStringLiteral("nothing to undo") : QStringLiteral("nothing to redo")));
        return;
    }
    const QString text = undo ? history->undoText() : history->redoText();
    const quint64 before = m_keyboard->config()->lastRun();
    undo ? history->undo() : history->redo();
    const quint64 run = m_keyboard->config()->lastRun();
    auto finish = [undo, text, done](const ApplyRunner::Outcome &outcome, const QString &) {
        if (outcome.kind != ApplyRunner::Outcome::Done) {
            done(failed(QStringLiteral("%1 %2, but the keyboard did not take all of it")
                            .arg(undo ? QStringLiteral("undid") : QStringLiteral("redid"), text)));
            return;
        }
        RemoteReply r;
        r.err = line(QStringLiteral("%1 %2").arg(undo ? QStringLiteral("undid:") : QStringLiteral("redid:"), text));
        done(r);
    };
    if (run == 0 || run == before) {
        finish(ApplyRunner::Outcome(), QString());
        return;
    }
    follow(run, {}, {}, finish);
}

void CorvaneCommands::follow(quint64 run, const QList<ApplyRunner::Group> &groups, const Progress &progress,
                             const std::function<void(const ApplyRunner::Outcome &, const QString &)> &finish)
{
    ApplyRunner *runner = m_keyboard->runner();
    auto current = std::make_shared<QString>();
    auto connections = std::make_shared<QList<QMetaObject::Connection>>();
    *connections << connect(runner, &ApplyRunner::progress, this, [=](quint64 id, int done, int frames) {
        if (id != run)
            return;
        const ApplyRunner::Group *group = ApplyRunner::groupAt(groups, qMin(done, frames - 1));
        if (group && !group->label.isEmpty())
            *current = group->label;
        if (progress)
            progress(frames > 0 ? done * 100 / frames : 100, done == frames ? QStringLiteral("done") : *current);
    });
    *connections << connect(runner, &ApplyRunner::finished, this, [=](quint64 id, const ApplyRunner::Outcome &o) {
        if (id != run)
            return;
        for (const QMetaObject::Connection &c : *connections)
            disconnect(c);
        finish(o, *current);
    });
}
