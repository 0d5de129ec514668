#include "SupportCommands.h"

#include "KeyboardAction.h"
#include "KeyboardDoctor.h"
#include "KeyboardLock.h"
#include "KeyboardSession.h"
#include "SupportReport.h"

#include <QCoreApplication>

DoctorOptions cliDoctorOptions(KeyboardAction &worker, bool simulated)
{
    DoctorOptions options;
    options.checkUdevRule = !simulated;
    options.probe = [&worker](const QString &path, QString *board) {
        if (!worker.probePath(path))
            return false;
        const STU_BoardInfo2 info = worker.boardInfo();
        *board = QStringLiteral("board id %1, version %2").arg(info.boardId).arg(QString::fromUtf8(info.version));
        return true;
    };
    return options;
}

int runDoctorCommand(KeyboardAction &worker, bool simulated, const CliOutput &io)
{
    KeyboardLock lock(QStringLiteral("corvane-cli doctor"));
    if (const int refused = takeKeyboard(lock, QStringLiteral("doctor"), io))
        return refused;
    const DoctorReport report = diagnoseKeyboardAccess(cliDoctorOptions(worker, simulated));
    int failed = 0;
    for (const DoctorCheck &c : report.checks) {
        io.line(doctorLine(c));
        failed += c.result == DoctorCheck::Fail;
    }
    if (!report.fixes.isEmpty()) {
        io.line(QString());
        io.line(QStringLiteral("To fix, run:"));
        for (const QString &command : report.fixes)
            io.line(QStringLiteral("  ") + command);
    }
    for (const QString &advice : report.advice)
        io.line(advice);
    if (failed > 0)
        return io.fail(QStringLiteral("%1 check(s) failed").arg(failed));
    return 0;
}

int runReportCommand(KeyboardAction &worker, const QString &path, bool simulated, const CliOutput &io,
                     int readBackTimeoutMs)
{
    KeyboardLock lock(QStringLiteral("corvane-cli report"));
    if (const int refused = takeKeyboard(lock, QStringLiteral("report"), io))
        return refused;
    SupportReportInput input;
    input.program = QCoreApplication::applicationName();
    input.doctor = diagnoseKeyboardAccess(cliDoctorOptions(worker, simulated));

    KeyboardSession session(&worker);
    session.setQuerySystemMode(true);
    QString why;
    const ReadResult read = readKeyboard(worker, session, &why, readBackTimeoutMs);
    if (read != ReadResult::Failed)
        input.readBack = &session.readBack();

    QString error;
    if (!writeSupportReport(path, input, &error))
        return io.fail(QStringLiteral("cannot write %1: %2").arg(path, error));
    if (read != ReadResult::Complete)
        io.note(QStringLiteral("note: %1; the report holds what was found").arg(why));
    io.note(QStringLiteral("wrote the support report %1").arg(path));
    return 0;
}
