// The keyboard lock as another local user would attack it: planted links,
// folders made first by someone else, holder names that are terminal escapes.
// And as the user's own programs need it: one folder, whatever the
// environment.

#include "KeyboardLock.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Runs the test in an environment of its own: a runtime folder, a session
// root (what /run/user is) and a temporary folder, all under one root.
struct LockEnvironment {
    QTemporaryDir root;
    QString session = root.filePath(QStringLiteral("run"));
    QString temp = root.filePath(QStringLiteral("tmp"));
    QString ownRuntime = QDir(session).filePath(QString::number(::geteuid()));

    LockEnvironment()
    {
        QDir().mkpath(session);
        QDir().mkpath(temp);
        qputenv("CORVANE_RUNTIME_ROOT", QFile::encodeName(session));
        qputenv("TMPDIR", QFile::encodeName(temp));
        qunsetenv("XDG_RUNTIME_DIR");
        qunsetenv("SUDO_UID");
    }
    ~LockEnvironment()
    {
        qunsetenv("CORVANE_RUNTIME_ROOT");
        qunsetenv("TMPDIR");
        qunsetenv("XDG_RUNTIME_DIR");
    }
    void makeSessionFolder() const
    {
        QDir().mkpath(ownRuntime);
        ::chmod(QFile::encodeName(ownRuntime).constData(), 0700);
    }
};

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

mode_t modeOf(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

} // namespace

class TestLock : public QObject {
    Q_OBJECT
private slots:
    void everyEnvironmentFindsTheSameFolder();
    void foldersNotTheUsersAloneAreRefused();
    void linksAreNeverFollowed();
    void holderTextIsPlainAndBounded();
};

// Corvane started from the desktop has XDG_RUNTIME_DIR; cron, a service or
// sudo do not. Both must meet on the session's runtime folder.
void TestLock::everyEnvironmentFindsTheSameFolder()
{
    LockEnvironment env;
    env.makeSessionFolder();
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(env.ownRuntime));
    KeyboardLock desktop(QStringLiteral("Corvane"), QStringLiteral("k"));
    QCOMPARE(desktop.tryAcquire(), KeyboardLock::Result::Acquired);
    qunsetenv("XDG_RUNTIME_DIR");
    KeyboardLock cron(QStringLiteral("corvane-cli apply"), QStringLiteral("k"));
    QCOMPARE(cron.tryAcquire(), KeyboardLock::Result::Held);
    QCOMPARE(cron.otherHolder(), QString("Corvane"));
    // Made for the user alone.
    QCOMPARE(modeOf(QDir(env.ownRuntime).filePath("corvane")), mode_t(0700));
    QCOMPARE(modeOf(QDir(env.ownRuntime).filePath("corvane/k.lock")), mode_t(0600));
    desktop.release();
    QCOMPARE(cron.tryAcquire(), KeyboardLock::Result::Acquired);
    cron.release();

    // Without any session folder: one of the user's own in the temporary
    // folder, the same for every program.
    LockEnvironment bare;
    KeyboardLock first(QStringLiteral("Corvane"), QStringLiteral("k"));
    QCOMPARE(first.tryAcquire(), KeyboardLock::Result::Acquired);
    const QString fallback = QDir(bare.temp).filePath(QStringLiteral("corvane-%1").arg(::geteuid()));
    QCOMPARE(KeyboardLock::folder(), QDir(fallback).filePath("corvane"));
    QCOMPARE(modeOf(fallback), mode_t(0700));
    KeyboardLock second(QStringLiteral("corvane-cli"), QStringLiteral("k"));
    QCOMPARE(second.tryAcquire(), KeyboardLock::Result::Held);
}

void TestLock::foldersNotTheUsersAloneAreRefused()
{
    LockEnvironment env;
    const QString planted = QDir(env.temp).filePath(QStringLiteral("corvane-%1").arg(::geteuid()));
    QVERIFY(QDir().mkpath(planted));
    // Another user made it first. As root the test can give it away; as a
    // user it can only leave it open, which is refused all the same.
    if (::geteuid() == 0)
        QCOMPARE(::chown(QFile::encodeName(planted).constData(), 65534, 65534), 0);
    QCOMPARE(::chmod(QFile::encodeName(planted).constData(), 0777), 0);
    KeyboardLock lock(QStringLiteral("Corvane"), QStringLiteral("k"));
    QCOMPARE(lock.tryAcquire(), KeyboardLock::Result::Unavailable);
    QVERIFY2(lock.failure().contains(planted), qPrintable(lock.failure()));
    QVERIFY(!QFile::exists(QDir(planted).filePath("corvane")));

    // A runtime folder open to others is passed over for the checked one.
    const QString open = env.root.filePath(QStringLiteral("open"));
    QDir().mkpath(open);
    ::chmod(QFile::encodeName(open).constData(), 0777);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(open));
    env.makeSessionFolder();
    QCOMPARE(KeyboardLock::folder(), QDir(env.ownRuntime).filePath("corvane"));
}

void TestLock::linksAreNeverFollowed()
{
    LockEnvironment env;
    env.makeSessionFolder();
    const QString victim = env.root.filePath(QStringLiteral("victim.txt"));
    {
        QFile f(victim);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("precious");
    }
    // The lock file planted as a link to a file of the user's.
    const QString lockFolder = QDir(env.ownRuntime).filePath("corvane");
    QVERIFY(QDir().mkpath(lockFolder));
    ::chmod(QFile::encodeName(lockFolder).constData(), 0700);
    QVERIFY(QFile::link(victim, QDir(lockFolder).filePath("k.lock")));
    KeyboardLock lock(QStringLiteral("Corvane"), QStringLiteral("k"));
    QCOMPARE(lock.tryAcquire(), KeyboardLock::Result::Unavailable);
    QVERIFY2(lock.failure().contains("link"), qPrintable(lock.failure()));
    QCOMPARE(contents(victim), QByteArray("precious"));

    // A hard link is refused too: emptying it would empty the victim.
    QFile::remove(QDir(lockFolder).filePath("k.lock"));
    QCOMPARE(::link(QFile::encodeName(victim).constData(),
                    QFile::encodeName(QDir(lockFolder).filePath("k.lock")).constData()),
             0);
    QCOMPARE(lock.tryAcquire(), KeyboardLock::Result::Unavailable);
    QCOMPARE(contents(victim), QByteArray("precious"));

    // The lock folder itself as a link to somewhere else.
    QVERIFY(QDir(lockFolder).removeRecursively());
    const QString elsewhere = env.root.filePath(QStringLiteral("elsewhere"));
    QDir().mkpath(elsewhere);
    ::chmod(QFile::encodeName(elsewhere).constData(), 0700);
    QVERIFY(QFile::link(elsewhere, lockFolder));
    QCOMPARE(lock.tryAcquire(), KeyboardLock::Result::Unavailable);
    QVERIFY(QDir(elsewhere).isEmpty());
}

void TestLock::holderTextIsPlainAndBounded()
{
    // A terminal title escape, a bell, a direction override that would turn
    // the text around, a second line: shown as the letters alone.
    QCOMPARE(KeyboardLock::holderText("\x1b]0;owned\x07" "Corvane\xe2\x80\xae" "cli\n1234\n"),
             QString("]0;ownedCorvanecli"));
    QCOMPARE(KeyboardLock::holderText("corvane-cli flash\n42\n"), QString("corvane-cli flash"));
    QCOMPARE(KeyboardLock::holderText(QByteArray(300, 'x')).size(), KeyboardLock::MaxHolderLength);
    QVERIFY(KeyboardLock::holderText(QByteArray("\x01\x02\x1b[2J")) == QString("[2J"));

    // What another program of the user wrote is read that way.
    LockEnvironment env;
    env.makeSessionFolder();
    KeyboardLock rogue(QStringLiteral("<b>Corvane</b>\x1b[31m"), QStringLiteral("k"));
    QCOMPARE(rogue.tryAcquire(), KeyboardLock::Result::Acquired);
    KeyboardLock other(QStringLiteral("test"), QStringLiteral("k"));
    QCOMPARE(other.tryAcquire(), KeyboardLock::Result::Held);
    QCOMPARE(other.otherHolder(), QString("<b>Corvane</b>[31m"));
}

QTEST_GUILESS_MAIN(TestLock)
#include "test_lock.moc"
