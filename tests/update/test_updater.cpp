// The updater end to end: an update server on the loopback address, an
// install folder holding a stand-in configurator that runs, holds the lock
// file and logs what happens to it, and the real files being replaced; the
// Update program itself where it is stopped from outside.

#include "LoopbackHttpServer.h"
#include "OnlineUpdate.h"
#include "ProcessControl.h"
#include "RuntimeDir.h"
#include "SoftwareUpdate.h"
#include "SystemConfig.h"
#include "TestSigner.h"
#include "TestWait.h"
#include "UpdateTrust.h"
#include "Update.h"
#include "UpdaterLock.h"
#include "UpdateLog.h"
#include "VersionProbe.h"
#include "CorvaneVersion.h"

#include <QCryptographicHash>
#include <QLabel>
#include <QNetworkProxy>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <csignal>
#include <memory>
#include <optional>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

// The stand-ins and Update as other processes: whether one runs, ending one
// at once, asking one to end (SIGTERM; on Windows the request it listens for).
bool processRuns(qint64 pid)
{
#ifdef Q_OS_WIN
    HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, DWORD(pid));
    const bool runs = process && ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    if (process)
        ::CloseHandle(process);
    return runs;
#else
    return ::kill(pid_t(pid), 0) == 0;
#endif
}
void endProcessNow(qint64 pid)
{
#ifdef Q_OS_WIN
    if (HANDLE process = ::OpenProcess(PROCESS_TERMINATE, FALSE, DWORD(pid))) {
        ::TerminateProcess(process, 1);
        ::CloseHandle(process);
    }
#else
    ::kill(pid_t(pid), SIGKILL);
#endif
}
bool askToEnd(qint64 pid)
{
#ifdef Q_OS_WIN
    return requestProgramEnd(pid);
#else
    return ::kill(pid_t(pid), SIGTERM) == 0;
#endif
}
// Whether a folder's permission bits keep this user from writing in it:
// not for root, and not on Windows (where they are a file's read-only flag).
bool permissionBitsBind()
{
#ifdef Q_OS_WIN
    return false;
#else
    return ::geteuid() != 0;
#endif
}

const QString DocPath = QStringLiteral("/drive/Corvane/Corvane.json");
#ifdef Q_OS_WIN
const QString ExePath = QStringLiteral("/drive/Corvane/Corvane.exe"); // the server keeps each platform's program
#else
const QString ExePath = QStringLiteral("/drive/Corvane/Corvane");
#endif

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Fixture {
    Fixture()
    {
        QDir(dir.path()).mkpath("install");
        QDir(dir.path()).mkpath("work/cache");
        standin = readFile(QStringLiteral(CORVANE_STANDIN));
        SystemConfig config(work() + "/sysConfig.ini");
        config.setSoftwareName("Corvane");
        // What the settings say about the version is never what counts.
        config.setSoftwareVersion("0.0.1");
        config.setUpdateEndpoint(server.base());
        writeProgram(installed(), program("1.0.0"));
        signer.emplace();
        overrideTrustedUpdateKeys(QList<MinisignPublicKey>{signer->publicKey()});
        update = std::make_unique<SoftwareUpdate>(work(), install());
        update->setStallTimeout(300);
        update->setStopTimeout(3000);
        update->setProbation(500);
        window = std::make_unique<Update>(update.get());
        quit = std::make_unique<QSignalSpy>(window.get(), &Update::sigQuit);
    }
    ~Fixture()
    {
        overrideTrustedUpdateKeys(std::nullopt);
        window.reset();
        update.reset();
        // Whatever stand-in is still running goes with the test.
        for (const QString &line : log()) {
            const QStringList parts = line.split(' ');
            if (parts.value(0) == "started")
                endProcessNow(parts.value(2).toLongLong());
        }
        QDir(install()).setPath(install());
        QFile::setPermissions(install(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    static void writeProgram(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup);
    }
    QString install() const { return dir.filePath("install"); }
    QString work() const { return dir.filePath("work"); }
    QString installed() const { return programPath(install(), "Corvane"); }
    QByteArray program(const QByteArray &version, const QByteArray &mode = "normal") const
    {
        return standin + "\nCORVANE-STANDIN " + version + ' ' + mode + '\n';
    }
    QStringList log() const
    {
        return QString::fromUtf8(readFile(work() + "/standin.log")).split('\n', Qt::SkipEmptyParts);
    }
    bool logged(const QString &prefix) const
    {
        for (const QString &line : log())
            if (line.startsWith(prefix))
                return true;
        return false;
    }
    // The installed configurator, running.
    bool startOld(const QByteArray &mode = "normal")
    {
        if (mode != "normal")
            writeProgram(installed(), program("1.0.0", mode));
        if (!startDetachedProgram(installed(), {"--workdir", work()}, work(), nullptr))
            return false;
        return waitFor([&] { return logged("started 1.0.0"); });
    }
    // The version document naming exe by its SHA-256 (or by sha256 as
    // given; a null one leaves the member out), signed at signedAt.
    QByteArray serve(const QByteArray &version, const QByteArray &exe, std::optional<QString> sha256 = std::nullopt,
                     qint64 signedAt = 1700000000)
    {
        QByteArray doc = "{\"lastVersion\":\"" + version + "\"";
        const QString sha = sha256 ? *sha256 : Fixture::sha(exe);
        if (!sha.isNull())
            doc += ",\"sha256\":\"" + sha.toLatin1() + "\"";
        doc += "}";
        serveDocument(doc, signedAt);
        server.serve(ExePath, exe);
        return doc;
    }
    void serveDocument(const QByteArray &doc, qint64 signedAt = 1700000000)
    {
        server.serve(DocPath, doc);
        server.serve(DocPath + ".minisig", signer->sign(doc, "Corvane.json", true, signedAt));
    }
    // Every file of the install folder and its bytes.
    QMap<QString, QByteArray> installFolder() const
    {
        QMap<QString, QByteArray> files;
        for (const QString &name : QDir(install()).entryList(QDir::Files | QDir::Hidden))
            files.insert(name, readFile(install() + "/" + name));
        return files;
    }
    static QString sha(const QByteArray &bytes)
    {
        return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
    }
    bool reach(SoftwareUpdate::State state, int timeoutMs = 10000)
    {
        return waitFor([&] { return update->state() == state; }, timeoutMs);
    }
    // No half-written or downloaded file beside the program.
    QStringList leftovers() const
    {
        QStringList files = QDir(install()).entryList(QDir::Files | QDir::Hidden);
        files.removeAll(QFileInfo(installed()).fileName());
        files.removeAll(QFileInfo(installed()).fileName() + ".backup");
        return files;
    }

    QTemporaryDir dir;
    LoopbackHttpServer server;
    std::optional<TestSigner> signer;
    QByteArray standin;
    std::unique_ptr<SoftwareUpdate> update;
    std::unique_ptr<Update> window;
    std::unique_ptr<QSignalSpy> quit;
};

// The Update program installed as a package installs it: bin/Update beside
// bin/Corvane (the stand-in) and the trusted key in share/corvane/update.pub.
struct Installed : Fixture {
    Installed()
    {
        QDir(install()).mkpath("bin");
        QDir(install()).mkpath("share/corvane");
#ifdef Q_OS_WIN
        QFile key(bin() + "/update.pub");
#else
        QFile key(install() + "/share/corvane/update.pub");
#endif
        ready = QFile::copy(CORVANE_UPDATE, programPath(bin(), "Update")) &&
                QFile::setPermissions(programPath(bin(), "Update"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) &&
                key.open(QIODevice::WriteOnly) && key.write(signer->publicKeyFile()) > 0 && key.flush() &&
                QFile::rename(Fixture::installed(), installed());
    }
    bool ready = false;
    QString bin() const { return install() + "/bin"; }
    QString installed() const { return programPath(bin(), "Corvane"); }
    // The stand-in as installed here, running.
    bool startOld(const QByteArray &mode = "normal")
    {
        if (mode != "normal")
            writeProgram(installed(), program("1.0.0", mode));
        if (!startDetachedProgram(installed(), {"--workdir", work()}, work(), nullptr))
            return false;
        return waitFor([&] { return logged("started 1.0.0"); });
    }
    void startUpdate(QProcess *update, int probationMs = 0)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("CORVANE_NONINTERACTIVE", "1");
        if (probationMs)
            env.insert("CORVANE_UPDATE_PROBATION_MS", QString::number(probationMs));
        update->setProcessEnvironment(env);
        update->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        update->start(programPath(bin(), "Update"), {"--workdir", work(), "--install"});
    }
    QStringList leftovers() const
    {
        QStringList files = QDir(bin()).entryList(QDir::Files | QDir::Hidden);
        files.removeAll(QFileInfo(installed()).fileName());
        files.removeAll(QFileInfo(programPath(bin(), "Update")).fileName());
        files.removeAll("update.pub"); // the key set beside the programs on Windows
        return files;
    }
    // The old program is in place, the last one started and still running.
    bool oldRunsAgain(const QByteArray &old) const
    {
        const auto last = [this] { return log().value(log().size() - 1); };
        if (readFile(installed()) != old || !waitFor([&] { return last().startsWith("started 1.0.0"); }, 20000))
            return false;
        const qint64 pid = last().section(' ', 2, 2).toLongLong();
        return log().filter("started 1.0.0").size() == 2 && pid > 0 && processRuns(pid);
    }
};

} // namespace

class TestUpdater : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        QVERIFY(QFile::exists(CORVANE_STANDIN));
    }

    void versionCheck()
    {
        Fixture fx;
        QCOMPARE(fx.window->statusText(), QString("正在检查更新"));
        QCOMPARE(fx.window->dotsLabel()->text(), QString(""));
        // Up to date: nothing offered.
        fx.serve("1.0.0", fx.program("1.0.0"));
        fx.update->check();
        QVERIFY(fx.reach(SoftwareUpdate::State::UpToDate));
        QCOMPARE(fx.window->statusText(), QString("已是最新版本！"));
        QVERIFY(fx.window->updateButton()->isHidden());
        // A document without "lastVersion" is never newer.
        fx.serveDocument("{\"version\":\"9\"}");
        fx.update->check();
        QVERIFY(fx.reach(SoftwareUpdate::State::UpToDate));
        // Newer: the versions and the button.
        fx.serve("1.1.0", fx.program("1.1.0"));
        fx.update->check();
        QVERIFY(fx.reach(SoftwareUpdate::State::Available));
        QCOMPARE(fx.window->statusText(), QString("当前版本：V1.0.0    最新版本：V1.1.0"));
        QVERIFY(!fx.window->updateButton()->isHidden());
        // What the server says is shown as it is, never read as markup.
        fx.serve("1.1.<img src=x>", fx.program("1.1.0"));
        fx.update->check();
        QVERIFY(fx.reach(SoftwareUpdate::State::Available));
        QCOMPARE(fx.window->findChild<QLabel *>("statusLabel")->textFormat(), Qt::PlainText);
        QVERIFY(fx.window->statusText().endsWith("V1.1.<img src=x>"));
        QCOMPARE(fx.window->updateButton()->text(), QString("立即更新"));
        QVERIFY(fx.window->dotsLabel()->text().isEmpty());
        // An older signed document (a replay) after it is refused, said so.
        fx.serve("1.2.0", fx.program("1.2.0"), std::nullopt, 1600000000);
        fx.update->check();
        QVERIFY(fx.reach(SoftwareUpdate::State::CheckFailed));
        QCOMPARE(fx.window->statusText(), QString("更新服务器返回的版本信息比上次的旧，已忽略。"));
        QVERIFY(fx.window->updateButton()->isHidden());
        // The document cannot be had: said so, nothing else happens.
        fx.server.clear();
        fx.update->check();
        QVERIFY(fx.reach(SoftwareUpdate::State::CheckFailed));
        QCOMPARE(fx.window->statusText(), QString("无法获取最新版本信息：更新服务器拒绝了请求（HTTP 404）。"));
        // No update server configured: no request at all.
        const int asked = fx.server.requests().size();
        SystemConfig(fx.work() + "/sysConfig.ini").setUpdateEndpoint("");
        fx.update->check();
        QCOMPARE(fx.update->state(), SoftwareUpdate::State::NotConfigured);
        QCOMPARE(fx.window->statusText(), QString("未配置更新服务器，无法在线更新。"));
        QCOMPARE(fx.server.requests().size(), asked);
        QVERIFY(!fx.server.requests().contains(ExePath));
    }

    void newerVersionInstalled()
    {
        Fixture fx;
        QVERIFY(fx.startOld());
        const QByteArray old = readFile(fx.installed());
        const QByteArray fresh = fx.program("1.1.0");
        fx.serve("1.1.0", fresh);
        fx.window->setQuitDelay(50);
        fx.update->setProgramArguments({"--simulate=3"});
        fx.update->check();
        QVERIFY(fx.reach(SoftwareUpdate::State::Available));
        fx.window->updateButton()->click();
        QVERIFY(fx.window->updateButton()->isHidden());
        QVERIFY(fx.reach(SoftwareUpdate::State::Finished));
        QCOMPARE(fx.window->statusText(), QString("更新完成！正在启动！"));
        // Stopped through SIGTERM (a normal close), replaced, started with
        // the options the old one had.
        QCOMPARE(fx.log().mid(0, 3), QStringList({fx.log().value(0), "stopped 1.0.0", fx.log().value(2)}));
        QVERIFY(fx.log().value(2).startsWith("started 1.1.0"));
        QVERIFY2(fx.log().value(2).endsWith(" --workdir " + fx.work() + " --simulate=3"), qPrintable(fx.log().value(2)));
        QCOMPARE(readFile(fx.installed()), fresh);
        QCOMPARE(readFile(fx.installed() + ".backup"), old);
        QVERIFY(QFileInfo(fx.installed()).isExecutable());
        QVERIFY(fx.server.requests().contains(DocPath + ".minisig"));
        QVERIFY2(fx.leftovers().isEmpty(), qPrintable(fx.leftovers().join(',')));
        QVERIFY(fx.quit->wait(2000));
    }

    void refusedDownloads_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("status");
        QTest::newRow("truncated") << "truncated" << "下载新版本失败：下载不完整，连接中断。 当前版本没有改变。";
        QTest::newRow("404") << "404" << "下载新版本失败：更新服务器拒绝了请求（HTTP 404）。 当前版本没有改变。";
        QTest::newRow("wrong sha256") << "sha" << "下载的文件校验失败（SHA-256 不一致），当前版本没有改变。";
        QTest::newRow("not a program") << "text" << "下载的文件不是可运行的程序，当前版本没有改变。";
    }
    // Nothing is stopped or replaced for a download that is not whole and right.
    void refusedDownloads()
    {
        QFETCH(QString, fault);
        QFETCH(QString, status);
        Fixture fx;
        QVERIFY(fx.startOld());
        const QByteArray old = readFile(fx.installed());
        const QByteArray fresh = fx.program("1.1.0");
        if (fault == "sha")
            fx.serve("1.1.0", fresh, Fixture::sha(fresh + "x"));
        else if (fault == "text")
            fx.serve("1.1.0", "<html>gateway</html>");
        else
            fx.serve("1.1.0", fresh);
        LoopbackHttpServer::Response r{200, fresh};
        if (fault == "truncated")
            r.cut = fresh.size() / 2;
        if (fault == "404")
            r.status = 404;
        if (fault == "truncated" || fault == "404")
            fx.server.serve(ExePath, r);
        fx.update->check();
        QVERIFY(fx.reach(SoftwareUpdate::State::Available));
        fx.window->updateButton()->click();
        QVERIFY(fx.reach(SoftwareUpdate::State::Failed));
        QCOMPARE(fx.window->statusText(), status);
        QCOMPARE(fx.log().size(), 1); // still the first start, never stopped
        QCOMPARE(readFile(fx.installed()), old);
        QVERIFY(!QFile::exists(fx.installed() + ".backup"));
        QVERIFY2(fx.leftovers().isEmpty(), qPrintable(fx.leftovers().join(',')));
        QVERIFY(fx.window->closeButton()->isEnabled());
    }

    void refusedWhenSigned_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("documentRefused");
        const QString bad = "版本信息的签名不正确，内容可能被篡改，为安全起见没有使用。";
        const QString hash = "下载的文件校验失败（SHA-256 不一致），当前版本没有改变。";
        QTest::newRow("unsigned") << "unsigned" << "更新服务器上的版本信息没有签名，为安全起见没有使用。" << true;
        QTest::newRow("another key") << "key" << "版本信息不是用受信任的密钥签名的，为安全起见没有使用。" << true;
        QTest::newRow("another document's signature") << "other" << bad << true;
        QTest::newRow("garbled signature") << "garbled" << bad << true;
        QTest::newRow("signed for another file") << "file" << "版本信息的签名属于另一个文件，为安全起见没有使用。" << true;
        QTest::newRow("hash mismatch") << "hash" << hash << false;
        QTest::newRow("truncated without length") << "truncated" << hash << false;
    }
    // Each refused with its message: nothing of the install folder changes,
    // the running program is never stopped.
    void refusedWhenSigned()
    {
        QFETCH(QString, fault);
        QFETCH(QString, status);
        QFETCH(bool, documentRefused);
        Fixture fx;
        QVERIFY(fx.startOld());
        const QMap<QString, QByteArray> before = fx.installFolder();
        const QByteArray fresh = fx.program("1.1.0");
        const QByteArray doc = fx.serve("1.1.0", fresh, fault == "hash" ? Fixture::sha(fresh + "x") : Fixture::sha(fresh));
        const QString sig = DocPath + ".minisig";
        if (fault == "unsigned")
            fx.server.serve(sig, LoopbackHttpServer::Response{404, "not found"});
        if (fault == "key")
            fx.server.serve(sig, TestSigner().sign(doc, "Corvane.json"));
        if (fault == "file")
            fx.server.serve(sig, fx.signer->sign(doc, "Other.json"));
        if (fault == "other")
            fx.server.serve(sig, fx.signer->sign(R"({"lastVersion":"1.0.0","sha256":"00"})", "Corvane.json"));
        if (fault == "garbled")
            fx.server.serve(sig, "untrusted comment: x\ngarbage\n");
        if (fault == "truncated") {
            LoopbackHttpServer::Response r{200, fresh};
            r.cut = fresh.size() / 2;
            r.sendLength = false;
            fx.server.serve(ExePath, r);
        }
        fx.update->check();
        if (documentRefused) {
            QVERIFY(fx.reach(SoftwareUpdate::State::CheckFailed, 20000));
            QVERIFY(fx.window->updateButton()->isHidden());
        } else {
            QVERIFY(fx.reach(SoftwareUpdate::State::Available, 20000));
            fx.window->updateButton()->click();
            QVERIFY(fx.reach(SoftwareUpdate::State::Failed, 20000));
        }
        QCOMPARE(fx.window->statusText(), status);
        QCOMPARE(fx.server.requests().contains(ExePath), !documentRefused);
        QCOMPARE(fx.installFolder(), before);
        QCOMPARE(fx.log().size(), 1);
    }

    // A program without a trusted key (a development build) has no online
    // updates; with one, a plain-HTTP server elsewhere is refused as well,
    // and a document must name the program's SHA-256.
    void refusedWithoutKeyOrSafeServer()
    {
        Fixture fx;
        const QMap<QString, QByteArray> before = fx.installFolder();
        const QByteArray fresh = fx.program("1.1.0");
        fx.serve("1.1.0", fresh);
        overrideTrustedUpdateKeys(QList<MinisignPublicKey>{});
        fx.update->check();
        QCOMPARE(fx.update->state(), SoftwareUpdate::State::NotConfigured);
        QCOMPARE(fx.window->statusText(), QString("此版本未内置更新签名密钥，在线更新已关闭。"));
        QVERIFY(fx.server.requests().isEmpty());
        overrideTrustedUpdateKeys(QList<MinisignPublicKey>{fx.signer->publicKey()});

        const QString noSha = "版本信息没有给出新程序的 SHA-256 校验值，不能安全地更新。";
        for (const QString &sha : {QString(), QString("not-a-checksum")}) {
            fx.serve("1.1.0", fresh, sha);
            fx.update->check();
            QVERIFY(fx.reach(SoftwareUpdate::State::CheckFailed, 20000));
            QCOMPARE(fx.window->statusText(), noSha);
        }
        QVERIFY(!fx.server.requests().contains(ExePath));

        const int asked = fx.server.requests().size();
        SystemConfig(fx.work() + "/sysConfig.ini").setUpdateEndpoint("http://updates.corvane.invalid");
        fx.update->check();
        QCOMPARE(fx.update->state(), SoftwareUpdate::State::NotConfigured);
        QCOMPARE(fx.window->statusText(), OnlineUpdate::endpointProblemText("insecure"));
        QVERIFY(fx.window->statusText().contains("http://"));
        QCOMPARE(fx.server.requests().size(), asked);
        QCOMPARE(fx.installFolder(), before);
    }

    // The installed program's own version decides, whatever the settings
    // say: an older version is never offered, and a program that cannot say
    // its version is not updated.
    void installedVersionFromTheProgram()
    {
        Fixture fx;
        Fixture::writeProgram(fx.installed(), fx.program("1.2.0"));
        SystemConfig(fx.work() + "/sysConfig.ini").setSoftwareVersion("1.0.0");
        fx.serve("1.1.0", fx.program("1.1.0"));
        fx.update->check();
        QVERIFY(fx.reach(SoftwareUpdate::State::UpToDate));
        QCOMPARE(fx.update->installedVersion(), QString("1.2.0"));
        fx.update->install(); // refused in this state
        SystemConfig(fx.work() + "/sysConfig.ini").setSoftwareVersion("9.9.9");
        fx.serve("1.3.0", fx.program("1.3.0"));
        fx.update->check();
        QVERIFY(fx.reach(SoftwareUpdate::State::Available));
        QCOMPARE(fx.window->statusText(), QString("当前版本：V1.2.0    最新版本：V1.3.0"));

        Fixture::writeProgram(fx.installed(), fx.program("1.2.0", "noversion"));
        const int asked = fx.server.requests().size();
        fx.update->check();
        QVERIFY(fx.reach(SoftwareUpdate::State::CheckFailed));
        QCOMPARE(fx.window->statusText(), QString("无法确认已安装程序的版本，为安全起见没有检查更新。"));
        QCOMPARE(fx.server.requests().size(), asked);
        QVERIFY(!fx.server.requests().contains(ExePath));

        // A program that cannot be started is tried once more: one that is
        // there by then is asked (it appears when the first start has
        // failed), one that is not is told.
        VersionProbe probe;
        QSignalSpy probed(&probe, &VersionProbe::finished);
        const QString late = programPath(fx.dir.path(), "late");
        const_cast<QLoggingCategory &>(lcUpdate()).setEnabled(QtDebugMsg, true);
        static QString s_late;
        static QByteArray s_program;
        static QtMessageHandler s_previous;
        s_late = late;
        s_program = fx.program("1.2.0");
        s_previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context, const QString &text) {
            if (text.contains("trying once more") && !QFile::exists(s_late))
                Fixture::writeProgram(s_late, s_program);
            s_previous(type, context, text);
        });
        probe.start(late, "Corvane");
        QVERIFY(probed.wait(20000));
        qInstallMessageHandler(s_previous);
        const_cast<QLoggingCategory &>(lcUpdate()).setEnabled(QtDebugMsg, false);
        QCOMPARE(probed.first().first().toBool(), true);
        QCOMPARE(probe.version(), QString("1.2.0"));
        probe.start(fx.dir.filePath("missing"), "Corvane");
        QVERIFY(probed.wait(20000));
        QCOMPARE(probed.last().first().toBool(), false);
        QVERIFY2(probe.problem().startsWith("cannot be started"), qPrintable(probe.problem()));

        // Nothing but the one line the configurator prints is a version.
        QCOMPARE(parseVersionOutput("Corvane 1.1.0.12\n", "Corvane"), QString("1.1.0.12"));
        for (const char *bad : {"Corvane 1.1\nmore\n", "Update 1.1\n", "Corvane  1.1", "Corvane 1..1", "Corvane v1.1",
                                "Corvane 1.2.3.4.5.6.7.8.9", "Corvane 1234567890", ""})
            QVERIFY2(parseVersionOutput(bad, "Corvane").isEmpty(), bad);
    }

    // What the package manager installed is not replaced, even by root.
    void packageManagedProgram()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows has no package-managed program folders");
#endif
        Fixture fx;
        fx.serve("1.1.0", fx.program("1.1.0"));
        const QString link = fx.dir.filePath("usr-bin");
        QVERIFY(QFile::link("/usr/bin", link));
        for (const QString &folder : {QString("/usr/bin"), link}) {
            SoftwareUpdate update(fx.work(), folder);
            update.setFolderWritable([](const QString &) { return true; });
            Update window(&update);
            update.check();
            QCOMPARE(update.state(), SoftwareUpdate::State::PackageManaged);
            QCOMPARE(window.statusText(),
                     QString("此程序由系统的软件包管理器安装，不能在这里更新。请通过软件包管理器更新软件包。"));
            QVERIFY(window.updateButton()->isHidden());
            update.install();
            QCOMPARE(update.state(), SoftwareUpdate::State::PackageManaged);
        }
        QVERIFY(fx.server.requests().isEmpty());
    }

    // A second Update for the same program says one is running and ends at
    // once, whatever folder each works in; a crashed one's lock does not
    // block the next.
    void oneUpdaterAtATime()
    {
        QTemporaryDir work, other;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("CORVANE_NONINTERACTIVE", "1");
        env.insert("QT_LOGGING_RULES", "corvane.update.debug=true");
        env.insert("QT_FORCE_STDERR_LOGGING", "1");
        // Linux's lock file names its holder; Windows' mutex says nothing,
        // so there the holder is known by its log.
#ifdef Q_OS_WIN
        QMap<QProcess *, QByteArray> logs;
        auto holds = [&](QProcess &p) {
            return (logs[&p] += p.readAllStandardError()).contains("holding the updater lock");
        };
#else
        const QString lock = UpdaterLock(QFileInfo(CORVANE_UPDATE).absolutePath() + "/Corvane").location();
        auto holds = [&](QProcess &p) { return readFile(lock).trimmed().toLongLong() == p.processId(); };
#endif
        QProcess first;
        first.setProcessEnvironment(env);
        first.start(CORVANE_UPDATE, {"--workdir", work.path()});
        QVERIFY(first.waitForStarted(20000));
        QVERIFY(waitFor([&] { return holds(first); }, 20000));

        QProcess second;
        second.setProcessEnvironment(env);
        second.start(CORVANE_UPDATE, {"--workdir", other.path()});
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitCode(), 0);
        QVERIFY2(QString::fromUtf8(second.readAllStandardError()).contains("更新程序已在运行。"),
                 qPrintable(QString::fromUtf8(second.readAllStandardError())));
        QCOMPARE(first.state(), QProcess::Running);

        first.kill();
        QVERIFY(first.waitForFinished(20000));
        QProcess third;
        third.setProcessEnvironment(env);
        third.start(CORVANE_UPDATE, {"--workdir", other.path()});
        QVERIFY(third.waitForStarted(20000));
        QVERIFY(waitFor([&] { return holds(third); }, 20000));
        third.kill();
        QVERIFY(third.waitForFinished(20000));
    }

    // The lock lives only in a folder of this user's that nobody else may
    // enter: one that is open to others, or a link, is not used.
    void updaterLockFolder()
    {
#ifdef Q_OS_WIN
        QSKIP("on Windows the lock is a mutex of the session's namespace, not a folder");
#endif
        QTemporaryDir runtime;
        const QByteArray saved = qgetenv(RuntimeDirVariable);
        qputenv(RuntimeDirVariable, QFile::encodeName(runtime.path()));
        const QString folder = runtime.filePath("corvane-update");
        {
            UpdaterLock lock("/opt/x/Corvane");
            QCOMPARE(lock.tryAcquire(), UpdaterLock::Result::Acquired);
            QVERIFY(int(QFileInfo(folder).permissions() & 0x0077) == 0);
            QCOMPARE(UpdaterLock("/opt/x/../x/Corvane").tryAcquire(), UpdaterLock::Result::Held);
            QCOMPARE(UpdaterLock("/opt/y/Corvane").tryAcquire(), UpdaterLock::Result::Acquired);
            QVERIFY(UpdaterLock::isHeldElsewhere("/opt/x/Corvane"));
        }
        QVERIFY(!UpdaterLock::isHeldElsewhere("/opt/x/Corvane"));
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther |
                                                  QFile::ExeOther));
        UpdaterLock open("/opt/x/Corvane");
        QCOMPARE(open.tryAcquire(), UpdaterLock::Result::Unavailable);
        QVERIFY2(open.problem().contains("corvane-update"), qPrintable(open.problem()));
        QVERIFY(QDir(folder).removeRecursively());
        QVERIFY(QDir().mkpath(runtime.filePath("elsewhere")));
        QVERIFY(QFile::setPermissions(runtime.filePath("elsewhere"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY(QFile::link(runtime.filePath("elsewhere"), folder));
        UpdaterLock linked("/opt/x/Corvane");
        QCOMPARE(linked.tryAcquire(), UpdaterLock::Result::Unavailable);
        QVERIFY(QDir(runtime.filePath("elsewhere")).isEmpty());
        qputenv(RuntimeDirVariable, saved);
    }

    void newProgramExitsAtOnce()
    {
        Fixture fx;
        QVERIFY(fx.startOld());
        const QByteArray old = readFile(fx.installed());
        fx.serve("1.1.0", fx.program("1.1.0", "crash"));
        fx.update->check();
        QVERIFY(fx.reach(SoftwareUpdate::State::Available));
        fx.window->updateButton()->click();
        QVERIFY(fx.reach(SoftwareUpdate::State::RolledBack));
        QCOMPARE(fx.window->statusText(), QString("更新失败：新版本无法运行，已恢复并启动旧版本。"));
        QCOMPARE(readFile(fx.installed()), old);
        QVERIFY(waitFor([&] { return fx.log().size() == 4; }));
        QVERIFY(fx.log().value(1) == "stopped 1.0.0");
        QVERIFY(fx.log().value(2).startsWith("started 1.1.0"));
        QVERIFY(fx.log().value(3).startsWith("started 1.0.0"));
        QVERIFY(fx.leftovers().isEmpty());
        QCOMPARE(fx.quit->count(), 0);
    }

    void systemInstall()
    {
        Fixture fx;
        QVERIFY(fx.startOld());
        const QByteArray old = readFile(fx.installed());
        QVERIFY(QFile::setPermissions(fx.install(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther |
                                                        QFile::ExeOther));
        // Where permission bits do not stop this user: say what a system
        // install says.
        if (!permissionBitsBind())
            fx.update->setFolderWritable([](const QString &) { return false; });
        fx.serve("1.1.0", fx.program("1.1.0"));
        fx.update->check();
        QVERIFY(fx.reach(SoftwareUpdate::State::SystemInstall));
        QCOMPARE(fx.window->statusText(), QString("当前版本：V1.0.0    最新版本：V1.1.0\n"
                                                  "程序安装在系统目录中，请通过系统的软件包管理器更新。"));
        QVERIFY(fx.window->updateButton()->isHidden());
        fx.update->install(); // refused in this state
        QVERIFY(!fx.server.requests().contains(ExePath));
        QCOMPARE(readFile(fx.installed()), old);
        QCOMPARE(fx.log().size(), 1);
    }

    void closedDuringDownload()
    {
        Fixture fx;
        QVERIFY(fx.startOld());
        const QByteArray old = readFile(fx.installed());
        const QByteArray fresh = fx.program("1.1.0");
        fx.serve("1.1.0", fresh);
        LoopbackHttpServer::Response slow{200, fresh};
        slow.cut = 1000;
        slow.stall = true;
        fx.server.serve(ExePath, slow);
        fx.update->setStallTimeout(30000);
        fx.update->check();
        QVERIFY(fx.reach(SoftwareUpdate::State::Available));
        fx.window->updateButton()->click();
        QVERIFY(waitFor([&] { return fx.server.requests().contains(ExePath); }));
        QCOMPARE(fx.update->state(), SoftwareUpdate::State::Downloading);
        QVERIFY(!fx.window->progressBar()->isHidden());
        fx.window->closeButton()->click();
        QCOMPARE(fx.quit->count(), 1);
        QCOMPARE(fx.log().size(), 1); // still running, never asked to stop
        QCOMPARE(readFile(fx.installed()), old);
        QCoreApplication::processEvents();
        QVERIFY2(fx.leftovers().isEmpty(), qPrintable(fx.leftovers().join(',')));
    }

    void configuratorThatWillNotStop()
    {
        Fixture fx;
        QVERIFY(fx.startOld("stubborn"));
        const QByteArray old = readFile(fx.installed());
        fx.update->setStopTimeout(300);
        fx.serve("1.1.0", fx.program("1.1.0"));
        fx.update->check();
        QVERIFY(fx.reach(SoftwareUpdate::State::Available));
        fx.window->updateButton()->click();
        // While Corvane is being stopped, the window manager cannot close
        // the window either; once it is over, it can.
        QVERIFY(fx.reach(SoftwareUpdate::State::Installing));
        QVERIFY(!fx.window->close());
        QVERIFY(fx.reach(SoftwareUpdate::State::Failed));
        QCOMPARE(fx.window->statusText(), QString("无法关闭正在运行的Corvane，请先关闭它再更新。当前版本没有改变。"));
        QVERIFY(fx.window->close());
        QCOMPARE(readFile(fx.installed()), old);
        QVERIFY(fx.leftovers().isEmpty());
    }

    // Update asked to end (SIGTERM, as at logout) while it waits for the old
    // program to close: the update is given up, the old program stays and
    // is started again.
    void stoppedWhileInstalling()
    {
        Installed fx;
        QVERIFY(fx.ready);
        QVERIFY(fx.startOld("slowstop"));
        const QByteArray old = readFile(fx.installed());
        fx.serve("1.1.0", fx.program("1.1.0"));
        QProcess update;
        fx.startUpdate(&update);
        QVERIFY(waitFor([&] { return fx.logged("stopping 1.0.0"); }, 30000));
        QVERIFY(askToEnd(update.processId()));
        // The old program ends only now, with Update already asked to end.
        QFile release(fx.work() + "/standin.release");
        QVERIFY(release.open(QIODevice::WriteOnly));
        release.close();
        QVERIFY(waitFor([&] { return update.state() == QProcess::NotRunning; }, 30000));
        QCOMPARE(update.exitStatus(), QProcess::NormalExit);
        QCOMPARE(update.exitCode(), 130);
        QVERIFY(fx.oldRunsAgain(old));
        QVERIFY2(fx.leftovers().isEmpty(), qPrintable(fx.leftovers().join(',')));
    }

    // Asked to end while the new program is on probation: the new one is
    // asked to end, the old one put back and started.
    void stoppedDuringProbation()
    {
        Installed fx;
        QVERIFY(fx.ready);
        QVERIFY(fx.startOld());
        const QByteArray old = readFile(fx.installed());
        fx.serve("1.1.0", fx.program("1.1.0"));
        QProcess update;
        fx.startUpdate(&update, 600000);
        QVERIFY(waitFor([&] { return fx.logged("started 1.1.0"); }, 30000));
        QVERIFY(askToEnd(update.processId()));
        QVERIFY(waitFor([&] { return update.state() == QProcess::NotRunning; }, 30000));
        QCOMPARE(update.exitStatus(), QProcess::NormalExit);
        QCOMPARE(update.exitCode(), 130);
        QVERIFY(waitFor([&] { return fx.logged("stopped 1.1.0"); }, 30000));
        QVERIFY(fx.oldRunsAgain(old));
        QVERIFY2(fx.leftovers().isEmpty(), qPrintable(fx.leftovers().join(',')));
    }

    // The configurator says its version and ends, touching nothing (no
    // display, no folder, no keyboard); and it ends cleanly on SIGTERM,
    // releasing its lock.
    void configuratorClosesOnTerm()
    {
        QTemporaryDir home;
        QProcess version;
        QProcessEnvironment bare;
        bare.insert("HOME", home.path());
        bare.insert("QT_QPA_PLATFORM", "no-such-platform");
        version.setProcessEnvironment(bare);
        version.start(CORVANE_APP, {"--version"});
        QVERIFY(version.waitForFinished(20000));
        QCOMPARE(version.exitCode(), 0);
        QCOMPARE(version.readAllStandardOutput().trimmed(), QByteArray("Corvane " CORVANE_VERSION));
        QVERIFY(QDir(home.path()).isEmpty());

        QTemporaryDir work;
        QProcess corvane;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("CORVANE_NONINTERACTIVE", "1");
        corvane.setProcessEnvironment(env);
        corvane.start(CORVANE_APP, {"--simulate", "--workdir", work.path()});
        QVERIFY(corvane.waitForStarted(5000));
        const QString lock = singleInstanceLockPath(work.path());
        // Up: the main window has written its name into the settings.
        QVERIFY(waitFor([&] { return SystemConfig(work.filePath("sysConfig.ini")).softwareName() == "Corvane"; },
                        10000));
        ProgramStopper stopper;
        QSignalSpy stopped(&stopper, &ProgramStopper::finished);
        stopper.stop(lock, "Corvane", 10000);
        QVERIFY(stopped.wait(11000));
        QCOMPARE(stopped.first().first().toInt(), int(ProgramStopper::Stopped));
        QVERIFY(corvane.state() == QProcess::NotRunning || corvane.waitForFinished(20000));
        QCOMPARE(corvane.exitStatus(), QProcess::NormalExit);
        QCOMPARE(corvane.exitCode(), 0);
        QVERIFY(!QFile::exists(lock));
        // Nothing named in a stale lock is touched.
        ProgramStopper again;
        QSignalSpy none(&again, &ProgramStopper::finished);
        again.stop(lock, "Corvane", 1000);
        QVERIFY(none.wait(20000));
        QCOMPARE(none.first().first().toInt(), int(ProgramStopper::NotRunning));
    }
};

QTEST_MAIN(TestUpdater)
#include "test_updater.moc"
