#include "ApplyReport.h"

#include "Kb2Errors.h"
#include "KeyboardFeatures.h"

#include <QStringList>

namespace {

ApplyReport failure(int exitCode, const QString &text)
{
    return ApplyReport{exitCode, true, text};
}

ApplyReport note(const QString &text)
{
    return ApplyReport{0, false, text};
}

} // namespace

namespace ApplyReports {

ApplyReport nothingToSend(const QString &path)
{
    return note(QStringLiteral("nothing to send: the keyboard already holds every setting of %1").arg(path));
}

ApplyReport afterRun(const QString &path, const ApplyRunner::Queued &queued, const ApplyRunner::Outcome &outcome,
                     const QString &currentGroup, bool verify)
{
    if (outcome.kind == ApplyRunner::Outcome::Cancelled) {
        // The frames no longer queued have gone out; the last of them may
        // not have been answered.
        const int done = outcome.framesDone;
        QStringList sent, partly, notSent;
        for (const ApplyRunner::Group &g : queued.groups) {
            if (g.label.isEmpty())
                continue;
            (g.endFrame <= done ? sent : g.firstFrame < done ? partly : notSent) << g.label;
        }
        QString text = QStringLiteral("interrupted: %1 of the %2 frames of %3 were sent")
                           .arg(done)
                           .arg(outcome.frames)
                           .arg(path);
        if (!sent.isEmpty())
            text += QStringLiteral("; applied: %1").arg(sent.join(QLatin1String(", ")));
        if (!partly.isEmpty())
            text += QStringLiteral("; partly applied: %1").arg(partly.join(QLatin1String(", ")));
        if (!notSent.isEmpty())
            text += QStringLiteral("; not applied: %1").arg(notSent.join(QLatin1String(", ")));
        return failure(InterruptedExitCode, text);
    }
    if (outcome.kind != ApplyRunner::Outcome::Done) {
        const bool lost = outcome.kind == ApplyRunner::Outcome::Lost;
        return failure(1, QStringLiteral("%1 while applying %2 (%3); the settings sent before stay on the keyboard")
                              .arg(lost ? QStringLiteral("the keyboard was disconnected")
                                        : QStringLiteral("the keyboard stopped answering"),
                                   path, currentGroup.isEmpty() ? QLatin1String(kb2ErrorName(outcome.code))
                                                                : currentGroup));
    }
    if (!queued.planError.isEmpty())
        return failure(1, QStringLiteral("applying %1 stopped at its macros: %2").arg(path, queued.planError));
    if (queued.storeFull)
        return failure(1, QStringLiteral("the keyboard holds at most %1 macros; the others of %2 were not written")
                              .arg(AdvancedKeyControl::MaxMacros)
                              .arg(path));
    if (verify)
        return ApplyReport{ApplyReport::GoOnToVerify, false, QString()};
    if (outcome.refused > 0)
        return failure(1, QStringLiteral("the keyboard refused %1 of the settings of %2; --verify shows which")
                              .arg(outcome.refused)
                              .arg(path));
    return note(QStringLiteral("applied %1").arg(path));
}

ApplyReport afterVerify(const QString &path, int differences, int refused)
{
    const QString refusedText = QStringLiteral("the keyboard refused %1 setting(s)").arg(refused);
    if (differences > 0)
        return failure(1, QStringLiteral("%1 difference(s) between %2 and the keyboard%3")
                              .arg(differences)
                              .arg(path, refused > 0 ? QStringLiteral("; ") + refusedText : QString()));
    if (refused > 0)
        return failure(1, QStringLiteral("%1 of %2, though reading it back shows every setting of it")
                              .arg(refusedText, path));
    return note(QStringLiteral("applied and verified %1: the keyboard holds every setting of it").arg(path));
}

} // namespace ApplyReports
