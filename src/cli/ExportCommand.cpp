#include "ExportCommand.h"

#include "ProfileIntake.h"

#include "BoardProfile.h"
#include "KeyboardAction.h"
#include "KeyboardLock.h"
#include "KeyTypeTable.h"
#include "KeyboardSession.h"
#include "ProfileDocument.h"
#include "ProfileName.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#if defined(__unix__)
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#endif

QString exportTargetProblem(const QString &path, bool force)
{
    const QFileInfo info(path);
    const QString name = info.fileName();
    const QString nameProblem = profileFileNameProblem(name);
    if (!nameProblem.isEmpty() || name.startsWith(QLatin1Char('.')))
        return QStringLiteral("%1: a profile file name ends in .kb and has a name before it, as Corvane lists them")
            .arg(path);
    const QFileInfo folder(info.absolutePath());
    if (!folder.isDir())
        return QStringLiteral("the folder %1 does not exist").arg(info.absolutePath());
    // A link could point anywhere; the file is written where it is named only.
    if (info.isSymLink())
        return QStringLiteral("%1 is a symbolic link; export writes only a file of its own").arg(path);
    if (info.exists() && !info.isFile())
        return QStringLiteral("%1 exists and is not a file").arg(path);
    if (info.exists() && !force)
        return QStringLiteral("%1 exists; --force replaces it").arg(path);
    return QString();
}

bool writeFileAtomically(const QString &path, const QByteArray &bytes, bool replace, QString *why)
{
#if !defined(__unix__)
    if (replace) {
        QSaveFile file(path);
        if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
            return true;
        *why = file.errorString();
        return false;
    }
#endif
    const QFileInfo info(path);
    QTemporaryFile temp(info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".XXXXXX"));
    if (!temp.open()) {
        *why = temp.errorString();
        return false;
    }
    bool ok = temp.write(bytes) == bytes.size() && temp.flush();
#if defined(__unix__)
    ok = ok && ::fsync(temp.handle()) == 0;
#endif
    // As a file the user saves: readable by others, like Corvane's own profiles.
    ok = ok && temp.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    if (!ok) {
        *why = temp.errorString();
        return false; // the temporary file goes with temp
    }
#if defined(__unix__)
    if (replace) {
        // Named first (an unnamed temporary file cannot be renamed over
        // another), then put in place with rename(2), which replaces the name
        // itself: a link put there meanwhile is replaced, never followed.
        const QString staged = temp.fileName() + QStringLiteral(".new");
        if (!temp.rename(staged)) {
            *why = temp.errorString();
            return false;
        }
        if (::rename(QFile::encodeName(staged).constData(), QFile::encodeName(path).constData()) != 0) {
            *why = QString::fromLocal8Bit(std::strerror(errno));
            QFile::remove(staged);
            return false;
        }
        temp.setAutoRemove(false);
        return true;
    }
#endif
    // Renaming a temporary file never replaces an existing one.
    if (!temp.rename(path)) {
        *why = QFileInfo::exists(path) ? QStringLiteral("%1 appeared meanwhile; --force replaces it").arg(path)
                                       : temp.errorString();
        return false;
    }
    temp.setAutoRemove(false);
    return true;
}

int runExportCommand(KeyboardAction &worker, const QString &path, const ExportOptions &options, const CliOutput &io)
{
    QString why = exportTargetProblem(path, options.force);
    if (!why.isEmpty())
        return io.fail(why);

    KeyboardLock lock(QStringLiteral("corvane-cli export"));
    if (const int refused = takeKeyboard(lock, QStringLiteral("export"), io))
        return refused;
    KeyboardSession session(&worker);
    if (readKeyboard(worker, session, &why, options.readBackTimeoutMs) != ReadResult::Complete)
        return io.fail(QStringLiteral("nothing exported: %1").arg(why));

    QStringList macroKeys;
    const ProfileData profile = profileForExport(boardProfile(session.readBack()), &macroKeys);
    ProfileDocument doc = writeProfile(profile);
    // As Corvane names an imported profile: after its file.
    doc.insert(ProfileKeys::ProfileName, profileBaseName(QFileInfo(path).fileName()));
    if (!writeFileAtomically(path, serialiseProfile(doc), options.force, &why))
        return io.fail(QStringLiteral("cannot write %1: %2").arg(path, why));
    if (!macroKeys.isEmpty())
        io.note(QStringLiteral("note: the macros on %1 are not in the profile: the keyboard does not give macros back")
                    .arg(macroKeys.join(QLatin1String(", "))));
    io.note(QStringLiteral("exported the keyboard's configuration to %1").arg(path));
    return 0;
}
