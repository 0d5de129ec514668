// Commands from outside the running Corvane: the wire format, the local
// endpoint under hostile clients, corvane-cli handing its commands over,
// and the session bus.

#include "CommandClient.h"
#include "CommandEndpoint.h"
#include "CommandQueue.h"
#include "EndpointProtocol.h"
#include "KeyboardLock.h"
#include "RuntimeDir.h"
#ifdef CORVANE_HAVE_DBUS
#include "SessionBusService.h"
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#endif

#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <cstring>
#ifndef Q_OS_WIN
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace P = EndpointProtocol;
using Verb = RemoteCommand::Verb;

namespace {

constexpr int WaitMs = 30000;

// Records what reaches it; answers with a canned reply, at once or when told.
class FakeHandler : public QObject, public RemoteCommandHandler {
    Q_OBJECT
public:
    QList<RemoteCommand> commands;
    RemoteReply canned;
    bool hold = false;
    QList<Verb> refused;
    std::function<void(const RemoteReply &)> pending;
    int cancels = 0;

    void run(const RemoteCommand &command, const std::function<void(int, const QString &)> &progress,
             const std::function<void(const RemoteReply &)> &done) override
    {
        commands << command;
        progress(45, QStringLiteral("layers"));
        if (hold)
            pending = done;
        else
            done(canned);
        emit ran();
    }
    QStringList profileNames() const override { return {"Game", "Office"}; }
    QString activeProfile() const override { return active; }
    bool accepts(Verb verb) const override { return !refused.contains(verb); }
    void cancelled() override
    {
        ++cancels;
        emit wasCancelled();
    }
    QString active = QStringLiteral("Game");

signals:
    void ran();
    void wasCancelled();
};

// A raw client: what it sends goes out as it is.
struct RawClient {
    QLocalSocket socket;
    explicit RawClient(const QString &address)
    {
        socket.connectToServer(address);
        socket.waitForConnected(WaitMs);
    }
    QByteArray exchange(const QByteArray &bytes)
    {
        socket.write(bytes);
        return nextLine();
    }
    QByteArray nextLine()
    {
        QSignalSpy read(&socket, &QLocalSocket::readyRead);
        while (!socket.canReadLine() && socket.state() == QLocalSocket::ConnectedState && read.wait(WaitMs)) {
        }
        return socket.readLine();
    }
    bool waitClosed()
    {
        QSignalSpy closed(&socket, &QLocalSocket::disconnected);
        return socket.state() == QLocalSocket::UnconnectedState || closed.wait(WaitMs);
    }
};

QJsonObject json(const QByteArray &line)
{
    return QJsonDocument::fromJson(line).object();
}

struct Run {
    int exitCode = -1;
    QByteArray out, err;
};

// corvane-cli in its own process, while this one serves the endpoint.
Run cli(const QStringList &args, const std::function<void(QProcess &)> &whileRunning = {})
{
    QProcess p;
    p.start(QStringLiteral(CORVANE_CLI), args);
    QSignalSpy finished(&p, qOverload<int, QProcess::ExitStatus>(&QProcess::finished));
    if (whileRunning)
        whileRunning(p);
    Run r;
    if (!finished.wait(WaitMs) && p.state() != QProcess::NotRunning)
        return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

} // namespace

class TestEndpoint : public QObject {
    Q_OBJECT
private slots:
    void init();
    void requestsAreParsedStrictly_data();
    void requestsAreParsedStrictly();
    void everyCommandCrossesTheWire();
    void hostileClientsGetAnErrorAndTheServerGoesOn();
    void commandsRunOneAtATime();
    void theSocketIsPrivate();
    void anotherUserIsRefused();
    void corvaneCliHandsItsCommandsOver();
    void withoutCorvane();
    void sessionBus();

signals:
    void propertiesChanged(const QString &interface, const QVariantMap &changed, const QStringList &invalidated);

private:
    QTemporaryDir m_runtime;
    QString m_address;
};

void TestEndpoint::init()
{
    qRegisterMetaType<QProcess::ExitStatus>();
    // corvane-cli, started from here, finds the same folder.
    qputenv(RuntimeDirVariable, QFile::encodeName(m_runtime.path()));
    KeyboardLock::setDefaultKey(KeyboardLock::simulatedKey(0));
    m_address = CommandEndpoint::address(KeyboardLock::defaultKey());
}

void TestEndpoint::requestsAreParsedStrictly_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("error"); // part of it
    QTest::addColumn<qint64>("id");     // in the error answer

    QTest::newRow("garbage") << QByteArray("\x01\xff{{") << "not JSON" << P::NoId;
    QTest::newRow("array") << QByteArray("[1]") << "not a JSON object" << P::NoId;
    QTest::newRow("no version") << QByteArray(R"({"id":1,"cmd":"info"})") << "\"v\"" << qint64(1);
    QTest::newRow("version 2") << QByteArray(R"({"v":2,"id":3,"cmd":"info"})") << "version 2" << qint64(3);
    QTest::newRow("fractional id") << QByteArray(R"({"v":1,"id":1.5,"cmd":"info"})") << "\"id\"" << P::NoId;
    QTest::newRow("unknown verb") << QByteArray(R"({"v":1,"id":4,"cmd":"flash"})") << "unknown command" << qint64(4);
    QTest::newRow("stray member") << QByteArray(R"({"v":1,"id":5,"cmd":"info","name":"x"})") << "does not belong" << qint64(5);
    QTest::newRow("ill-typed") << QByteArray(R"({"v":1,"id":6,"cmd":"apply","name":"G","verify":"yes"})") << "true or false" << qint64(6);
    QTest::newRow("nested") << QByteArray(R"({"v":1,"id":7,"cmd":"apply","name":["G"]})") << "not a string" << P::NoId;
    QTest::newRow("given twice") << QByteArray(R"({"v":1,"id":8,"cmd":"info","cmd":"dump"})") << "twice" << P::NoId;
    QTest::newRow("control character") << QByteArray(R"({"v":1,"id":9,"cmd":"profile-use","name":"a\u001b[2J"})") << "control" << qint64(9);
    QTest::newRow("broken surrogate") << QByteArray(R"({"v":1,"id":9,"cmd":"profile-use","name":"\ud800"})") << "broken" << qint64(9);
    QTest::newRow("name too long") << QByteArray(R"({"v":1,"id":9,"cmd":"profile-use","name":")" + QByteArray(256, 'a') + "\"}") << "longer" << qint64(9);
    QTest::newRow("bad base64") << QByteArray(R"({"v":1,"id":10,"cmd":"apply","file":"a.kb","data":"@@"})") << "base64" << qint64(10);
    QTest::newRow("name and data") << QByteArray(R"({"v":1,"id":11,"cmd":"apply","name":"G","file":"a.kb","data":""})") << "either" << qint64(11);
    QTest::newRow("oversized") << QByteArray(R"({"v":1,"id":12,"cmd":"info","x":")" + QByteArray(P::MaxRequestLine, 'a') + "\"}") << "longer than" << P::NoId;
}

// A bad request is refused with a reason, and with its id when it had one.
void TestEndpoint::requestsAreParsedStrictly()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, error);
    QFETCH(qint64, id);
    const P::Request r = P::parseRequest(line);
    QVERIFY2(r.error.contains(error), qPrintable(r.error));
    QCOMPARE(r.id, id);
    const P::Answer a = P::parseAnswer(P::encodeError(r.id, r.error, P::ErrorCode::BadRequest).chopped(1));
    QCOMPARE(int(a.kind), int(P::Answer::Kind::Error));
    QCOMPARE(a.id, id);
}

// Each verb survives the trip with every member, and so do the answers;
// answers that are not ours are not taken.
void TestEndpoint::everyCommandCrossesTheWire()
{
    RemoteCommand apply;
    apply.verb = Verb::Apply;
    apply.fileName = QStringLiteral("目录/kb.kb");
    apply.data = QByteArray("\0\x01profile", 9);
    apply.verify = apply.full = true;
    RemoteCommand byName;
    byName.verb = Verb::Apply;
    byName.name = QStringLiteral("Game 2");
    RemoteCommand list;
    list.verb = Verb::ProfileList;
    list.json = true;
    RemoteCommand exportTo;
    exportTo.verb = Verb::Export;
    exportTo.fileName = QStringLiteral("/tmp/x.kb");
    QList<RemoteCommand> commands{apply, byName, list, exportTo};
    for (Verb v : {Verb::Info, Verb::Dump, Verb::Undo, Verb::Redo, Verb::Show}) {
        RemoteCommand c;
        c.verb = v;
        commands << c;
    }
    for (const RemoteCommand &c : commands) {
        const QByteArray line = P::encodeRequest(P::MaxId, c);
        QVERIFY(line.endsWith('\n') && line.count('\n') == 1);
        const P::Request r = P::parseRequest(line.chopped(1));
        QVERIFY2(r.ok(), qPrintable(r.error));
        QCOMPARE(r.id, P::MaxId);
        QCOMPARE(int(r.command.verb), int(c.verb));
        QCOMPARE(r.command.name, c.name);
        QCOMPARE(r.command.fileName, c.fileName);
        QCOMPARE(r.command.data, c.data);
        QVERIFY(r.command.verify == c.verify && r.command.full == c.full && r.command.json == c.json);
    }

    const P::Answer reply = P::parseAnswer(P::encodeReply(7, {4, "out\n", QByteArray("\0\xfe", 2)}).chopped(1));
    QCOMPARE(int(reply.kind), int(P::Answer::Kind::Reply));
    QCOMPARE(reply.reply.exitCode, 4);
    QCOMPARE(reply.reply.err, QByteArray("\0\xfe", 2));
    QCOMPARE(P::parseAnswer(P::encodeReply(7, {300, {}, {}}).chopped(1)).reply.exitCode, 1);
    const P::Answer progress = P::parseAnswer(P::encodeProgress(7, 140, "layers").chopped(1));
    QVERIFY(progress.kind == P::Answer::Kind::Progress && progress.progress == 100 && progress.label == "layers");
    for (const QByteArray &bad : {QByteArray(R"({"v":1,"id":7,"exit":0,"out":"","err":"","x":1})"),
                                 QByteArray(R"({"v":1,"id":7,"progress":5,"exit":0,"out":"","err":""})"),
                                 QByteArray(R"({"v":1,"id":7,"exit":256,"out":"","err":""})"),
                                 QByteArray(R"({"v":1,"id":7,"progress":5,"label":"\u001b]0;x"})")})
        QCOMPARE(int(P::parseAnswer(bad).kind), int(P::Answer::Kind::Invalid));
}

// Garbage, a line past the bound, a line without end, a flood of
// connections: each gets an error answer or is closed, and the endpoint
// goes on serving the next client.
void TestEndpoint::hostileClientsGetAnErrorAndTheServerGoesOn()
{
    FakeHandler handler;
    handler.canned = {0, "board\n", {}};
    CommandQueue queue(&handler);
    CommandEndpoint endpoint(&queue);
    endpoint.setMaxConnections(3);
    QVERIFY2(endpoint.listen(KeyboardLock::defaultKey()), qPrintable(endpoint.errorString()));
    const QByteArray info = P::encodeRequest(1, {});

    {
        RawClient c(m_address);
        QCOMPARE(json(c.exchange(QByteArray("\0garbage\n", 9))).value("code").toString(), QString("bad-request"));
        QCOMPARE(json(c.exchange(R"({"v":9,"id":2,"cmd":"info"})" "\n")).value("id").toInt(), 2);
        const QJsonObject answer = json(c.exchange(info + info)); // two at once: both answered, in turn
        QCOMPARE(answer.value("progress").toInt(), 45);
        QCOMPARE(json(c.nextLine()).value("exit").toInt(), 0);
        QCOMPARE(json(c.nextLine()).value("progress").toInt(), 45);
        QCOMPARE(QByteArray::fromBase64(json(c.nextLine()).value("out").toString().toLatin1()), QByteArray("board\n"));
        QCOMPARE(handler.commands.size(), 2);

        // Past the bound: one error, then the end.
        c.socket.write(QByteArray(P::MaxRequestLine + 100, 'x'));
        QCOMPARE(json(c.nextLine()).value("code").toString(), QString("too-long"));
        QVERIFY(c.waitClosed());
    }
    {
        // A line that never ends is closed after the idle time.
        endpoint.setIdleTimeout(300);
        RawClient c(m_address);
        c.socket.write("{\"v\":1");
        QVERIFY(c.waitClosed());
    }
    endpoint.setIdleTimeout(CommandEndpoint::DefaultIdleTimeoutMs);
    {
        std::vector<std::unique_ptr<RawClient>> flood;
        for (int i = 0; i < 3; ++i)
            flood.push_back(std::make_unique<RawClient>(m_address));
        RawClient extra(m_address);
        QCOMPARE(json(extra.nextLine()).value("code").toString(), QString("busy"));
        QVERIFY(extra.waitClosed());
    }
    QTRY_COMPARE_WITH_TIMEOUT(endpoint.connectionCount(), 0, WaitMs);
    RawClient after(m_address);
    after.exchange(info);
    QCOMPARE(json(after.nextLine()).value("exit").toInt(), 0);
    QCOMPARE(handler.commands.size(), 3);
}

// A second client's command waits for the first one's; the handler hears
// of a client that left, and a second done is dropped.
void TestEndpoint::commandsRunOneAtATime()
{
    FakeHandler handler;
    handler.hold = true;
    CommandQueue queue(&handler);
    CommandEndpoint endpoint(&queue);
    QVERIFY(endpoint.listen(KeyboardLock::defaultKey()));
    QSignalSpy ran(&handler, &FakeHandler::ran);

    auto first = std::make_unique<RawClient>(m_address);
    first->exchange(P::encodeRequest(1, {}));
    RawClient second(m_address);
    RemoteCommand undo;
    undo.verb = Verb::Undo;
    QCOMPARE(json(second.exchange(P::encodeRequest(2, undo))).value("label").toString(),
             QString("waiting for another command to finish"));
    QCOMPARE(handler.commands.size(), 1);

    // The first client leaves while its command runs.
    QSignalSpy cancelled(&handler, &FakeHandler::wasCancelled);
    first.reset();
    QVERIFY(cancelled.wait(WaitMs));
    const auto firstDone = handler.pending;
    firstDone({0, "late", {}});
    QVERIFY(ran.wait(WaitMs));
    QCOMPARE(int(handler.commands.last().verb), int(Verb::Undo));
    QTest::ignoreMessage(QtWarningMsg, "a command's reply came twice or too late; dropped");
    firstDone({0, "twice", {}}); // dropped: another command runs now
    handler.pending({5, {}, "nothing to undo\n"});
    QCOMPARE(json(second.nextLine()).value("progress").toInt(), 45);
    const QJsonObject reply = json(second.nextLine());
    QCOMPARE(reply.value("exit").toInt(), 5);
    QCOMPARE(reply.value("id").toInt(), 2);
}

// The socket is 0600 in a 0700 folder; a socket a crashed Corvane left is
// taken over, anything else in the way is left alone and not used.
void TestEndpoint::theSocketIsPrivate()
{
#ifdef Q_OS_WIN
    QSKIP("a named pipe has no file modes");
#else
    FakeHandler handler;
    CommandQueue queue(&handler);
    {
        CommandEndpoint endpoint(&queue);
        QVERIFY(endpoint.listen(KeyboardLock::defaultKey()));
        struct stat st;
        QCOMPARE(::lstat(QFile::encodeName(m_address), &st), 0);
        QVERIFY(S_ISSOCK(st.st_mode));
        QCOMPARE(st.st_mode & 0777, 0600u);
        QCOMPARE(::stat(QFile::encodeName(KeyboardLock::folder()), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0700u);
        CommandEndpoint second(&queue);
        QVERIFY(!second.listen(KeyboardLock::defaultKey()));
        QVERIFY(second.errorString().contains("already"));
    }
    QVERIFY(!QFile::exists(m_address));

    // Left by a crash: bound, never unlinked, nobody listening.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un sa{};
    sa.sun_family = AF_UNIX;
    std::strcpy(sa.sun_path, QFile::encodeName(m_address).constData());
    QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&sa), sizeof sa), 0);
    ::close(fd);
    {
        CommandEndpoint endpoint(&queue);
        QVERIFY2(endpoint.listen(KeyboardLock::defaultKey()), qPrintable(endpoint.errorString()));
        // Opened up behind Corvane's back: the client will not use it.
        QCOMPARE(::chmod(QFile::encodeName(m_address), 0666), 0);
        CommandClient client;
        QSignalSpy finished(&client, &CommandClient::finished);
        client.start({}, m_address);
        QVERIFY(finished.wait(WaitMs));
        QCOMPARE(int(client.outcome()), int(CommandClient::Outcome::Unsafe));
        QVERIFY(client.detail().contains("mode 0666"));
        QVERIFY(handler.commands.isEmpty());
    }

    QFile plain(m_address);
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    CommandEndpoint endpoint(&queue);
    QVERIFY(!endpoint.listen(KeyboardLock::defaultKey()));
    QVERIFY(endpoint.errorString().contains("not a socket"));
    QVERIFY(QFile::exists(m_address));
    QVERIFY(QFile::remove(m_address));
    // A folder of ours left open to others is made the user's alone again
    // before the socket goes in.
    const QString folder = KeyboardLock::folder();
    QCOMPARE(::chmod(QFile::encodeName(folder), 0777), 0);
    QVERIFY(endpoint.listen(KeyboardLock::defaultKey()));
    struct stat st;
    QCOMPARE(::lstat(QFile::encodeName(folder).constData(), &st), 0);
    QCOMPARE(st.st_mode & 0777, mode_t(0700));
#endif
}

// A process of another user that reaches the socket (its modes opened up
// by hand) is closed at once, before anything is read.
void TestEndpoint::anotherUserIsRefused()
{
#ifdef Q_OS_WIN
    QSKIP("the pipe's access list keeps other users out; Wine has one user");
#else
    const passwd *nobody = ::getpwnam("nobody");
    if (::geteuid() != 0 || !nobody)
        QSKIP("needs root and the user nobody to act as another user");
    FakeHandler handler;
    CommandQueue queue(&handler);
    CommandEndpoint endpoint(&queue);
    QVERIFY(endpoint.listen(KeyboardLock::defaultKey()));
    // (The lock folder, named before its parent is opened up: the lock
    // itself would no longer take a runtime folder open to others.)
    const QString folder = KeyboardLock::folder();
    QCOMPARE(::chmod(QFile::encodeName(m_runtime.path()), 0755), 0);
    QCOMPARE(::chmod(QFile::encodeName(folder), 0755), 0);
    QCOMPARE(::chmod(QFile::encodeName(m_address), 0666), 0);
    QSignalSpy refused(&endpoint, &CommandEndpoint::connectionRefused);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("refused a connection .* user id 65534"));

    const QByteArray path = QFile::encodeName(m_address);
    const QByteArray request = P::encodeRequest(1, {});
    const pid_t child = ::fork();
    if (child == 0) {
        // Only system calls from here: this is a copy of a Qt program.
        ::alarm(60);
        if (::setgid(nobody->pw_gid) != 0 || ::setuid(nobody->pw_uid) != 0)
            ::_exit(10);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un sa{};
        sa.sun_family = AF_UNIX;
        std::strcpy(sa.sun_path, path.constData());
        if (::connect(fd, reinterpret_cast<sockaddr *>(&sa), sizeof sa) != 0)
            ::_exit(11);
        [[maybe_unused]] const ssize_t sent = ::write(fd, request.constData(), size_t(request.size()));
        char byte;
        ::_exit(::read(fd, &byte, 1) <= 0 ? 0 : 12); // closed, not a byte of answer
    }
    QVERIFY(child > 0);
    QVERIFY(refused.wait(WaitMs));
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);

    QCOMPARE(::chmod(QFile::encodeName(m_runtime.path()), 0700), 0);

    // Another user's socket in its place: not used, and not taken over.
    endpoint.close();
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un sa{};
    sa.sun_family = AF_UNIX;
    std::strcpy(sa.sun_path, path.constData());
    QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&sa), sizeof sa), 0);
    QCOMPARE(::chmod(path.constData(), 0600), 0);
    QCOMPARE(::chown(path.constData(), nobody->pw_uid, nobody->pw_gid), 0);
    CommandClient client;
    QSignalSpy finished(&client, &CommandClient::finished);
    client.start({}, m_address);
    QVERIFY(finished.wait(WaitMs));
    QCOMPARE(int(client.outcome()), int(CommandClient::Outcome::Unsafe));
    ::close(fd);
    QVERIFY(!endpoint.listen(KeyboardLock::defaultKey()));
    QVERIFY(endpoint.errorString().contains("user id 65534"));
    QVERIFY(QFile::remove(m_address));
    QVERIFY(handler.commands.isEmpty());
#endif
}

// While "Corvane" holds the keyboard, corvane-cli's commands go to its
// endpoint: the answer's bytes and exit code come through as they are.
void TestEndpoint::corvaneCliHandsItsCommandsOver()
{
    FakeHandler handler;
    CommandQueue queue(&handler);
    CommandEndpoint endpoint(&queue);
    QVERIFY(endpoint.listen(KeyboardLock::defaultKey()));
    KeyboardLock corvane(QStringLiteral("Corvane"));
    QCOMPARE(corvane.tryAcquire(), KeyboardLock::Result::Acquired);

    handler.canned = {4, "Board ID: 1\n", QByteArray("corvane-cli: incomplete read-back\n")};
    Run run = cli({"info", "--simulate"});
    QCOMPARE(run.exitCode, 4);
    QCOMPARE(run.out, QByteArray("Board ID: 1\n"));
    QVERIFY2(run.err.endsWith("45% layers\ncorvane-cli: incomplete read-back\n"), run.err.constData());

    QTemporaryDir dir;
    const QString target = dir.filePath("kb.kb");
    handler.canned = {0, "PROFILE BYTES", "exported the keyboard's configuration\n"};
    run = cli({"export", target, "--simulate"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(handler.commands.last().fileName, target);
    QFile written(target);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), QByteArray("PROFILE BYTES"));
    // It exists now: refused here as the direct command refuses, nothing sent.
    const int sent = handler.commands.size();
    run = cli({"export", target, "--simulate"});
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.err.contains("exists; --force replaces it"));
    QCOMPARE(handler.commands.size(), sent);

    handler.canned = {0, {}, "applied\n"};
    run = cli({"apply", target, "--verify", "--simulate"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(handler.commands.last().data, QByteArray("PROFILE BYTES"));
    QVERIFY(handler.commands.last().verify && !handler.commands.last().full);
    run = cli({"apply", "Game", "--full", "--simulate"});
    QCOMPARE(handler.commands.last().name, QString("Game"));
    QVERIFY(handler.commands.last().data.isEmpty() && handler.commands.last().full);
    run = cli({"profile", "list", "--json", "--simulate"});
    QVERIFY(handler.commands.last().verb == Verb::ProfileList && handler.commands.last().json);

    // A command this Corvane does not take is refused as before, nothing run.
    handler.refused = {Verb::Dump, Verb::Undo};
    const int taken = handler.commands.size();
    run = cli({"dump", "--simulate"});
    QCOMPARE(run.exitCode, 3);
    QCOMPARE(run.err, QByteArray("corvane-cli: Corvane is using the keyboard: close it, or use its own support "
                                 "report (Settings, Save Support Report)\n"));
    QCOMPARE(run.out, QByteArray());
    run = cli({"undo", "--simulate"});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.err, QByteArray("corvane-cli: this Corvane does not take undo from outside; use its window\n"));
    QCOMPARE(handler.commands.size(), taken);

#ifndef Q_OS_WIN
    // Ctrl-C while Corvane works: the connection closes, Corvane is told.
    handler.hold = true;
    QSignalSpy ran(&handler, &FakeHandler::ran);
    QSignalSpy cancelled(&handler, &FakeHandler::wasCancelled);
    run = cli({"apply", "Game", "--simulate"}, [&](QProcess &p) {
        if (ran.wait(WaitMs))
            ::kill(pid_t(p.processId()), SIGINT);
    });
    QCOMPARE(run.exitCode, 130);
    QVERIFY(cancelled.count() == 1 || cancelled.wait(WaitMs));
    handler.pending({0, {}, {}});
#endif
}

// Without Corvane: profile list reads the data folder; the history and the
// profile in use are Corvane's alone.
void TestEndpoint::withoutCorvane()
{
    QTemporaryDir data;
    QVERIFY(QDir(data.path()).mkpath("LocalProfile"));
    for (const char *name : {"b.kb", "A.kb", "notes.txt"}) {
        QFile f(QDir(data.filePath("LocalProfile")).filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    Run run = cli({"profile", "list", "--workdir", data.path()});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QByteArray("  A (damaged)\n  b (damaged)\n"));
    run = cli({"profile", "use", "A", "--simulate"});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.err, QByteArray("corvane-cli: profile use needs the running Corvane: start it, then run the "
                                 "command again\n"));
    run = cli({"apply", "Nope", "--workdir", data.path(), "--simulate"});
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.err.startsWith("corvane-cli: no profile \"Nope\" in "));
    QCOMPARE(cli({"undo", "extra"}).exitCode, 2);
}

// The session bus, on a private bus of this test's own.
void TestEndpoint::sessionBus()
{
#ifndef CORVANE_HAVE_DBUS
    QSKIP("built without Qt D-Bus");
#else
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty())
        QSKIP("dbus-daemon is not installed");
    QProcess bus;
    bus.setStandardErrorFile(QProcess::nullDevice());
    bus.start(daemon, {"--session", "--print-address", "--nofork"});
    QSignalSpy printed(&bus, &QProcess::readyReadStandardOutput);
    QVERIFY(bus.canReadLine() || printed.wait(WaitMs));
    const QString address = QString::fromUtf8(bus.readLine()).trimmed();

    FakeHandler handler;
    CommandQueue queue(&handler);
    SessionBusService service(&queue);
    QVERIFY(service.start(QDBusConnection::connectToBus(address, "corvane")));
    QDBusConnection caller = QDBusConnection::connectToBus(address, "caller");
    // Asynchronous calls: the service answers on this very thread.
    auto call = [&](const QString &interface, const QString &method, const QVariantList &args) {
        QDBusMessage m = QDBusMessage::createMethodCall("org.corvane.Corvane1", "/org/corvane/Corvane1", interface, method);
        m.setArguments(args);
        QDBusPendingCallWatcher watcher(caller.asyncCall(m));
        QSignalSpy finished(&watcher, &QDBusPendingCallWatcher::finished);
        if (!watcher.isFinished())
            finished.wait(WaitMs);
        return watcher.reply();
    };
    const QString corvane = QStringLiteral("org.corvane.Corvane1");
    const QString properties = QStringLiteral("org.freedesktop.DBus.Properties");

    QCOMPARE(call(corvane, "ListProfiles", {}).arguments().value(0).toStringList(), QStringList({"Game", "Office"}));
    handler.canned = {1, {}, "corvane-cli: the keyboard refused the lighting\n"};
    const QDBusMessage applied = call(corvane, "ApplyProfile", {"Office"});
    QCOMPARE(applied.arguments(), QVariantList({1, QString("the keyboard refused the lighting")}));
    QCOMPARE(handler.commands.last().name, QString("Office"));
    QCOMPARE(call(corvane, "ApplyProfile", {QString("bad\nname")}).arguments().value(0).toInt(), 2);
    QCOMPARE(handler.commands.size(), 1);

    const QDBusMessage active = call(properties, "Get", {corvane, "ActiveProfile"});
    QCOMPARE(active.arguments().value(0).value<QDBusVariant>().variant().toString(), QString("Game"));
    QSignalSpy changed(this, SIGNAL(propertiesChanged(QString, QVariantMap, QStringList)));
    QVERIFY(caller.connect("org.corvane.Corvane1", "/org/corvane/Corvane1", "org.freedesktop.DBus.Properties",
                           "PropertiesChanged", this, SIGNAL(propertiesChanged(QString, QVariantMap, QStringList))));
    handler.active = QStringLiteral("Office");
    service.notifyActiveProfile(QStringLiteral("Office"));
    QVERIFY(changed.wait(WaitMs));
    QCOMPARE(changed.first().value(1).toMap().value("ActiveProfile").toString(), QString("Office"));

    // The desktop's script or extension reports the window in front, as
    // KWin's callDBus and GNOME Shell's Gio call send it: three strings.
    QSignalSpy focus(&service, &SessionBusService::focusReported);
    QCOMPARE(call(corvane, "ReportFocus", {"steam_app_730", "4242", "Counter-Strike 2"}).type(),
             QDBusMessage::ReplyMessage);
    QCOMPARE(focus.count(), 1);
    QCOMPARE(focus.last(), QVariantList({"steam_app_730", qint64(4242), "Counter-Strike 2"}));
    QCOMPARE(call(corvane, "ReportFocus", {"", "", ""}).type(), QDBusMessage::ReplyMessage); // no window
    QCOMPARE(focus.last(), QVariantList({"", qint64(0), ""}));
    // Refused, and nothing reported: a pid that is not a process number, a
    // class too long or with a control character, a title past its bound,
    // the wrong argument types.
    const QList<QVariantList> refused = {
        {"game", "-1", ""},         {"game", "12x", ""},         {"game", "99999999999", ""},
        {"game", "+5", ""},         {QString(300, 'c'), "1", ""}, {"ga\nme", "1", ""},
        {"game", "1", QString(2000, 't')}, {"game", 1, "title"},
    };
    for (const QVariantList &args : refused)
        QCOMPARE(call(corvane, "ReportFocus", args).type(), QDBusMessage::ErrorMessage);
    QCOMPARE(focus.count(), 2);
    // A caller who is not the desktop's user is refused, however well formed.
    service.setSessionUser(::getuid() + 1);
    const QDBusMessage stranger = call(corvane, "ReportFocus", {"game", "1", "title"});
    QCOMPARE(stranger.type(), QDBusMessage::ErrorMessage);
    QCOMPARE(stranger.errorName(), QString("org.freedesktop.DBus.Error.AccessDenied"));
    QCOMPARE(focus.count(), 2);
    service.stop();
    QDBusConnection::disconnectFromBus("corvane");
    QDBusConnection::disconnectFromBus("caller");
    bus.kill();
    bus.waitForFinished(WaitMs);
#endif
}

QTEST_GUILESS_MAIN(TestEndpoint)
#include "test_endpoint.moc"
