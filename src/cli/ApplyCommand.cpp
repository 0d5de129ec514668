#include "ApplyCommand.h"

#include "ApplyReport.h"
#include "ApplyRunner.h"
#include "ProfileIntake.h"

#include "BoardProfile.h"
#include "InterruptWatch.h"
#include "Kb2Errors.h"
#include "Kb2Request.h"
#include "KeyboardAction.h"
#include "KeyboardLock.h"
#include "KeyboardConfig.h"
#include "KeyboardSession.h"
#include "MacroFile.h"
#include "ProfileDocument.h"
#include "ProfilePlan.h"
#include "ProfileVerify.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QStandardPaths>
#include <QTimer>

namespace {

// A keyboard names its macros by their store number ("Macro0"), a profile
// by their files. Reads the keyboard's macros on the keys the profile binds
// a macro to, and gives each binding the profile's name when the keyboard
// stores that macro's steps already: the two are then the same binding and
// nothing is sent for it.
void nameKeptMacros(KeyboardAction &worker, const ProfileData &profile, const QMap<QString, MacroLoadResult> &macros,
                    int timeoutMs, KeyboardConfig *holds)
{
    if (!profile.advanced)
        return;
    QMap<int, QPair<int, QList<quint32>>> wanted; // key -> store number, steps as stored
    for (auto it = profile.advanced->cbegin(); it != profile.advanced->cend(); ++it) {
        const MACROInfo *macro = it->as<MACROInfo>();
        if (!macro || holds->bindKindOf(it.key()) != Bind_MACRO)
            continue;
        const int number = worker.macroNumber(it.key());
        const QList<quint32> words = worker.board().macroStepWords(macros.value(macro->macroName).steps);
        if (number < 0 || words.isEmpty() || worker.board().macroStepCount(it.key()) != words.size())
            continue;
        wanted.insert(it.key(), {number, words});
    }
    if (wanted.isEmpty())
        return;
    // Listen before the first request goes out.
    QEventLoop loop;
    quint64 target = ~quint64(0);
    QObject::connect(worker.reports(), &KeyboardWorker::sigDeviceLost, &loop, &QEventLoop::quit);
    QObject::connect(worker.reports(), &KeyboardWorker::sigKB2Idle, &loop, [&](quint64 serial) {
        if (serial >= target)
            loop.quit();
    });
    for (const auto &w : wanted)
        worker.queryMacroSteps(w.first, w.second.size());
    target = worker.workSerial();
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (InterruptWatch *watch = InterruptWatch::current())
        QObject::connect(watch, &InterruptWatch::interrupted, &loop, &QEventLoop::quit);
    if (!interruptRequested())
        loop.exec();
    // Steps not read stay unknown: the binding is sent as before.
    for (auto it = wanted.cbegin(); it != wanted.cend(); ++it)
        if (worker.board().macroStoreWords(it->first, it->second.size()) == it->second) {
            auto held = holds->advanced.find(it.key());
            const auto given = profile.advanced->constFind(it.key());
            const MACROInfo *named = given != profile.advanced->cend() ? given->as<MACROInfo>() : nullptr;
            MACROInfo *kept = held != holds->advanced.end() && held->value ? std::get_if<MACROInfo>(&*held->value)
                                                                             : nullptr;
            if (kept && named)
                kept->macroName = named->macroName;
        }
}

} // namespace

QString defaultMacroFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("Corvane/Macro"));
}

bool loadProfileFile(const QString &path, ProfileData *profile, QString *why)
{
    const QFileInfo info(path);
    if (info.isDir()) {
        *why = QStringLiteral("%1 is a folder, not a profile file").arg(path);
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *why = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    // Refused before it is read: a profile is tens of kilobytes.
    if (file.size() > MaxProfileFileSize) {
        *why = QStringLiteral("%1 is not a profile file: too large (%2 bytes)").arg(path).arg(file.size());
        return false;
    }
    const QByteArray bytes = file.read(MaxProfileFileSize + 1);
    if (file.error() != QFileDevice::NoError) {
        *why = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    return readProfileForApply(bytes, path, profile, why);
}

int runApplyCommand(KeyboardAction &worker, const QString &path, const ApplyOptions &options, const CliOutput &io)
{
    ProfileData profile;
    QString why;
    if (!loadProfileFile(path, &profile, &why))
        return io.fail(why);
    const QString macroFolder = options.macroFolder.isEmpty() ? defaultMacroFolder() : options.macroFolder;
    QMap<QString, MacroLoadResult> macros;
    if (!loadProfileMacros(profile, macroFolder, &macros, &why))
        return io.fail(why);

    KeyboardLock lock(QStringLiteral("corvane-cli apply"));
    if (const int refused = takeKeyboard(lock, QStringLiteral("apply"), io))
        return refused;
    KeyboardSession session(&worker);
    const ReadResult read = readKeyboard(worker, session, &why, options.readBackTimeoutMs);
    if (interruptRequested()) {
        io.fail(QStringLiteral("interrupted before anything was sent; the keyboard is unchanged"));
        return InterruptedExitCode;
    }
    if (read != ReadResult::Complete)
        return io.fail(QStringLiteral("cannot apply %1: %2").arg(path, why));

    const BoardKeys board = boardKeysOf(worker);
    const MacroLoader loadMacro = [&macros](const QString &name) { return macros.value(name); };
    // What the keyboard holds once the profile is applied; without --full
    // only the difference from what it holds now goes out.
    KeyboardConfig holds = configFromReadBack(session.readBack());
    if (!options.full)
        nameKeptMacros(worker, profile, macros, options.readBackTimeoutMs, &holds);
    // Ctrl-C while the keyboard's macros were compared: nothing goes out.
    if (interruptRequested()) {
        worker.closeDevice();
        io.fail(QStringLiteral("interrupted before anything was sent; the keyboard is unchanged"));
        return InterruptedExitCode;
    }
    const KeyboardConfig applied = configWithProfile(holds, profile, board.keys);
    ApplyRunner runner(&worker);
    runner.setStallTimeout(options.stallMs);
    ApplyRunner::Request request;
    request.from = holds;
    request.to = applied;
    if (options.full)
        request.unknown = partsOfProfile(profile, board.keys);
    request.loadMacro = loadMacro;
    if (!options.full && !planSends(planChange(holds, applied, loadMacro, request.unknown)) && !options.verify) {
        io.note(ApplyReports::nothingToSend(path).text);
        return 0;
    }

    // The same runner, the same plan and order, as the configurator.
    ProgressLine bar(io.err);
    QString current;
    ApplyRunner::Queued queued;
    ApplyRunner::Outcome outcome;
    bool ended = false;
    QEventLoop loop;
    QObject::connect(&runner, &ApplyRunner::progress, &loop, [&](quint64 id, int done, int frames) {
        if (id != queued.id)
            return;
        const ApplyRunner::Group *group = ApplyRunner::groupAt(queued.groups, qMin(done, frames - 1));
        if (group && !group->label.isEmpty())
            current = group->label;
        bar.setProgress(frames > 0 ? done * 100 / frames : 100, done == frames ? QStringLiteral("done") : current);
    });
    QObject::connect(&runner, &ApplyRunner::finished, &loop, [&](quint64 id, const ApplyRunner::Outcome &o) {
        if (id != queued.id)
            return;
        outcome = o;
        ended = true;
        loop.quit();
    });
    // Ctrl-C: the runner stops the worker between two frames, and what went
    // out is told.
    if (InterruptWatch *watch = InterruptWatch::current())
        QObject::connect(watch, &InterruptWatch::interrupted, &runner, &ApplyRunner::cancel);
    queued = runner.run(request);
    if (queued.id != 0 && interruptRequested())
        runner.cancel();
    // Even when the worker is done already: its reports are still on their
    // way. A profile that needed nothing sent (no binding to remove, no key
    // this keyboard has) has no report to wait for.
    if (queued.id != 0 && !ended)
        loop.exec();
    const int refused = outcome.refused;
    if (outcome.kind == ApplyRunner::Outcome::Done)
        bar.setProgress(100, queued.planError.isEmpty() ? QStringLiteral("done") : current);
    bar.end();
    const ApplyReport report = ApplyReports::afterRun(path, queued, outcome, current, options.verify);
    if (outcome.kind == ApplyRunner::Outcome::Stalled || outcome.kind == ApplyRunner::Outcome::Failed)
        worker.closeDevice();
    if (report.exitCode != ApplyReport::GoOnToVerify) {
        if (report.failure)
            io.fail(report.text);
        else
            io.note(report.text);
        return report.exitCode;
    }

    // Read everything back, as after connecting.
    KeyboardSession check(&worker);
    QEventLoop wait;
    QObject::connect(&check, &KeyboardSession::readBackFinished, &wait, &QEventLoop::quit);
    QTimer::singleShot(options.readBackTimeoutMs, &wait, &QEventLoop::quit);
    if (InterruptWatch *watch = InterruptWatch::current())
        QObject::connect(watch, &InterruptWatch::interrupted, &wait, &QEventLoop::quit);
    KB2Request info;
    info.type = Kb2Req::BoardInfo;
    worker.queueRequest(info);
    if (!interruptRequested())
        wait.exec();
    if (interruptRequested()) {
        worker.closeDevice();
        io.fail(QStringLiteral("interrupted while verifying: %1 was applied, but not checked").arg(path));
        return InterruptedExitCode;
    }
    if (!check.isComplete())
        return io.fail(QStringLiteral("applied %1, but the keyboard could not be read back to verify it").arg(path));

    const QList<ProfileDifference> differences =
        configDifferences(applied, configFromReadBack(check.readBack()), board.keys);
    for (const ProfileDifference &d : differences)
        io.line(differenceLine(d));
    const ApplyReport verified = ApplyReports::afterVerify(path, differences.size(), refused);
    if (verified.failure)
        return io.fail(verified.text);
    io.note(verified.text);
    return 0;
}
