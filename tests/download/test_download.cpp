// The downloader both programs use, the version documents and the firmware
// version check, against a real HTTP server on the loopback address.

#include "DocumentFetch.h"
#include "Downloader.h"
#include "LoopbackHttpServer.h"
#include "OnlineUpdate.h"
#include "SystemConfig.h"
#include "TestSigner.h"
#include "TestWait.h"
#include "UpdateDocuments.h"
#include "UpdateFreshness.h"
#include "UpdateTrust.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkProxy>
#include <QProcess>
#include <QStandardPaths>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray body(int size)
{
    QByteArray b(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        b[i] = char(i * 7 + 3);
    return b;
}

} // namespace

class TestDownload : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        QVERIFY(m_dir.isValid());
        QDir::setCurrent(m_dir.path());
    }

    void versionComparison_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("newer");
        QTest::newRow("1.2.10 > 1.2.9") << "1.2.10" << "1.2.9" << true;
        QTest::newRow("1.2.9 < 1.2.10") << "1.2.9" << "1.2.10" << false;
        QTest::newRow("1.2 == 1.2.0") << "1.2" << "1.2.0" << false;
        QTest::newRow("1.2.0 == 1.2") << "1.2.0" << "1.2" << false;
        QTest::newRow("1.10 > 1.9") << "1.10" << "1.9" << true;
        QTest::newRow("empty never newer") << "" << "0.0.1" << false;
        QTest::newRow("empty vs empty") << "" << "" << false;
        QTest::newRow("anything over empty") << "0.0.1" << "" << true;
        QTest::newRow("non-number part is 0") << "1.x.1" << "1.0.0" << true;
        QTest::newRow("1.1.1 > 1.1.0.12") << "1.1.1" << "1.1.0.12" << true;
        QTest::newRow("same four parts") << "1.1.0.12" << "1.1.0.12" << false;
    }
    void versionComparison()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, newer);
        QCOMPARE(isVersionNewer(a, b), newer);
    }

    void namesAndAddresses()
    {
        QCOMPARE(boardIdFileName(0x00000102u), QString("258"));
        QCOMPARE(boardIdFileName(0x80000001u), QString("-2147483647"));
        QCOMPARE(boardIdFileName(0xFFFFFFFFu), QString("-1"));
        for (const char *bad : {"", "../x.bin", "a/b.bin", ".hidden", "a b.bin", "a\\b", "x?.bin"})
            QVERIFY2(!isPlainFileName(bad), bad);
        QVERIFY(isPlainFileName("kb_1.2-3.bin"));

        QString problem;
        QVERIFY(!parseUpdateEndpoint("  ", &problem).isValid());
        QCOMPARE(problem, QString("empty"));
        for (const char *bad : {"ftp://host", "http://", "not a url", "http://h/?q=1"}) {
            QVERIFY2(!parseUpdateEndpoint(bad, &problem).isValid(), bad);
            QCOMPARE(problem, QString("invalid"));
        }
        const QUrl base = parseUpdateEndpoint("http://127.0.0.1:8731/", &problem);
        QVERIFY(base.isValid());
        QCOMPARE(endpointUrl(base, "/firmware/258/258.json").toString(),
                 QString("http://127.0.0.1:8731/firmware/258/258.json"));
        QCOMPARE(endpointUrl(parseUpdateEndpoint("https://h.example/files"), "/drive/C/C").toString(),
                 QString("https://h.example/files/drive/C/C"));

        // HTTPS, or this machine only, signatures or not.
        for (const char *good : {"https://h.example", "http://127.0.0.1:8080", "http://127.1.2.3", "http://localhost:1",
                                 "http://[::1]:80"})
            QVERIFY2(parseUpdateEndpoint(good, &problem).isValid(), good);
        for (const char *bad : {"http://h.example", "http://127.0.0.1.example.com", "http://10.0.0.1",
                                "http://128.0.0.1"}) {
            QVERIFY2(!parseUpdateEndpoint(bad, &problem).isValid(), bad);
            QCOMPARE(problem, QString("insecure"));
        }
        QVERIFY(OnlineUpdate::endpointProblemText("insecure").contains("https://"));

        // What the package manager installed stays its own (Linux's folders).
#ifndef Q_OS_WIN
        for (const char *managed : {"/usr/bin", "/usr/lib/corvane", "/usr/local/../bin", "/usr"})
            QVERIFY2(isPackageManagedFolder(managed), managed);
        for (const char *own : {"/usr/local/bin", "/opt/corvane", "/home/u/.local/bin", "/usrx/bin"})
            QVERIFY2(!isPackageManagedFolder(own), own);
        const QString link = m_dir.filePath("bin-link");
        QVERIFY(QFile::link("/usr/bin", link));
        QVERIFY(isPackageManagedFolder(link));
#endif
    }

    // The minisign format as minisign writes it, and every way a signature
    // can fail to vouch for a document.
    void signatures()
    {
        const TestSigner signer, other;
        const QByteArray doc = R"({"lastVersion":"1.1.0"})";
        const QList<MinisignPublicKey> keys{signer.publicKey()};
        QCOMPARE(verifyMinisign(doc, signer.sign(doc), keys), MinisignResult::Valid);
        QCOMPARE(verifyMinisign(doc, signer.sign(doc, "document.json", false), keys), MinisignResult::Valid);
        QByteArray crlf = signer.sign(doc);
        crlf.replace("\n", "\r\n");
        QCOMPARE(verifyMinisign(doc, crlf, keys), MinisignResult::Valid);
        QCOMPARE(verifyMinisign(doc, signer.sign(doc), {other.publicKey(), signer.publicKey()}), MinisignResult::Valid);

        QCOMPARE(verifyMinisign(doc + " ", signer.sign(doc), keys), MinisignResult::BadSignature);
        QCOMPARE(verifyMinisign(doc, signer.sign(R"({"lastVersion":"0.9"})"), keys), MinisignResult::BadSignature);
        QCOMPARE(verifyMinisign(doc, other.sign(doc), keys), MinisignResult::UnknownKey);
        QCOMPARE(verifyMinisign(doc, signer.sign(doc), {}), MinisignResult::UnknownKey);
        // Another key under the trusted key's id.
        MinisignPublicKey impostor = other.publicKey();
        impostor.keyId = signer.publicKey().keyId;
        QCOMPARE(verifyMinisign(doc, signer.sign(doc), {impostor}), MinisignResult::BadSignature);
        // The trusted comment is covered by the global signature.
        QByteArray comment = signer.sign(doc);
        comment.replace("file:document.json", "file:documenT.json");
        QCOMPARE(verifyMinisign(doc, comment, keys), MinisignResult::BadSignature);

        // The trusted comment: what it vouches for, read strictly.
        MinisignSignature parsed;
        QVERIFY(parseMinisignSignature(signer.sign(doc, "258.json", true, 1700000000, 1707776000), &parsed));
        TrustedComment trusted;
        QVERIFY(parseTrustedComment(parsed.trustedComment, &trusted));
        QCOMPARE(trusted.file, QString("258.json"));
        QCOMPARE(trusted.timestamp, qint64(1700000000));
        QCOMPARE(trusted.expires, qint64(1707776000));
        for (const char *good : {"timestamp:1700000000\tfile:258.json\thashed", "file:a.json\tnote:x y\ttimestamp:5"})
            QVERIFY2(parseTrustedComment(good, &trusted), good);
        QCOMPARE(trusted.expires, qint64(0));
        for (const QByteArray &bad :
             {QByteArray("file:258.json"), QByteArray("timestamp:1700000000"), QByteArray("timestamp:1\ttimestamp:2\tfile:a"),
              QByteArray("timestamp:-1\tfile:a"), QByteArray("timestamp:01\tfile:a"), QByteArray("timestamp:+1\tfile:a"),
              QByteArray("timestamp:100000000000\tfile:a"), QByteArray("timestamp: 1\tfile:a"),
              QByteArray("timestamp:10\tfile:a\texpires:10"), QByteArray("timestamp:1\tfile:../a"),
              QByteArray("timestamp:1\tfile:a\x01"), QByteArray("timestamp:1\t\tfile:a"),
              QByteArray("timestamp:1\tfile:a\tNote:x"), QByteArray("timestamp:1\tfile:a\tnote:") + QByteArray(1100, 'x'),
              QByteArray("timestamp:1\tfile:\xe4\xb8\xad")})
            QVERIFY2(!parseTrustedComment(bad, &trusted), bad.constData());
        // The prehashed and the legacy kind cannot stand for each other.
        QByteArray lines = signer.sign(doc);
        QList<QByteArray> parts = lines.split('\n');
        QByteArray raw = QByteArray::fromBase64(parts[1]);
        raw[1] = 'd';
        parts[1] = raw.toBase64();
        QCOMPARE(verifyMinisign(doc, parts.join('\n'), keys), MinisignResult::BadSignature);

        for (const QByteArray &bad : {QByteArray(), QByteArray("untrusted comment: x\n"), signer.sign(doc).mid(1),
                                      signer.sign(doc).replace("trusted comment: ", "trusted comment:"),
                                      signer.sign(doc) + "extra\n", QByteArray(doc)})
            QCOMPARE(verifyMinisign(doc, bad, keys), MinisignResult::Malformed);

        MinisignPublicKey key;
        QVERIFY(parseMinisignPublicKey(signer.publicKeyFile(), &key));
        QCOMPARE(key.key, signer.publicKey().key);
        QVERIFY(parseMinisignPublicKey(signer.publicKeyFile().split('\n').at(1), &key));
        QVERIFY(!parseMinisignPublicKey(signer.publicKeyFile().replace("RW", "RX"), &key));
        QVERIFY(!parseMinisignPublicKey("untrusted comment: x\n", &key));
        QVERIFY(!parseMinisignPublicKey(signer.publicKeyFile() + signer.publicKeyFile(), &key));
    }

    // Files made by the minisign tool itself, as a release would be signed.
    void signaturesOfTheTool()
    {
        const QString minisign = QStandardPaths::findExecutable("minisign");
        if (minisign.isEmpty())
            QSKIP("minisign is not installed");
        QTemporaryDir dir;
        const QString pub = dir.filePath("update.pub"), sec = dir.filePath("update.key"), doc = dir.filePath("d.json");
        QProcess gen;
        gen.start(minisign, {"-G", "-W", "-p", pub, "-s", sec});
        QVERIFY(gen.waitForFinished(20000) && gen.exitCode() == 0);
        QFile f(doc);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("{\"lastVersion\":\"2.0\"}") > 0);
        f.close();
        QProcess sign;
        sign.start(minisign, {"-S", "-s", sec, "-m", doc, "-t", "file:d.json"});
        QVERIFY(sign.waitForFinished(20000) && sign.exitCode() == 0);
        QFile pubFile(pub), sigFile(doc + ".minisig"), docFile(doc);
        QVERIFY(pubFile.open(QIODevice::ReadOnly) && sigFile.open(QIODevice::ReadOnly) &&
                docFile.open(QIODevice::ReadOnly));
        MinisignPublicKey key;
        QVERIFY(parseMinisignPublicKey(pubFile.readAll(), &key));
        const QByteArray signature = sigFile.readAll();
        const QByteArray bytes = docFile.readAll();
        QCOMPARE(verifyMinisign(bytes, signature, {key}), MinisignResult::Valid);
        QCOMPARE(verifyMinisign(bytes + "\n", signature, {key}), MinisignResult::BadSignature);
    }

    // A server that keeps sending, slowly, is stopped by the overall deadline.
    void deadline()
    {
        LoopbackHttpServer server;
        LoopbackHttpServer::Response r;
        r.body = body(1000);
        r.cut = 10;
        r.stall = true;
        server.serve("/slow", r);
        Downloader d(QUrl(server.base() + "/slow"), m_dir.filePath("deadline.bin"), Downloader::FirmwareLimit);
        d.setStallTimeout(60000);
        d.setDeadline(300);
        QSignalSpy finished(&d, &Downloader::downloadFinish);
        d.start();
        QVERIFY(finished.wait(20000));
        QCOMPARE(d.failure(), Downloader::Failure::Deadline);
        QCOMPARE(d.failureText(), QString("下载用时过长，已停止。"));
        QVERIFY(!QFile::exists(m_dir.filePath("deadline.bin")));
    }

    void documents()
    {
        FirmwareDocument fw;
        QString problem;
        QVERIFY(parseFirmwareDocument(R"({"version":"V1.2.3","md5":"ABCDEF0123456789ABCDEF0123456789",
            "fileName":"kb.bin","date":"2024-05-01","log":"fixes","other":1})", &fw, &problem));
        QCOMPARE(fw.version, QString("1.2.3"));
        QCOMPARE(fw.md5, QString("abcdef0123456789abcdef0123456789"));
        QCOMPARE(fw.fileName, QString("kb.bin"));
        QCOMPARE(fw.log, QString("fixes"));
        // A file name that reaches out of its folder is dropped, never used.
        QVERIFY(parseFirmwareDocument(R"({"version":"1","fileName":"../../sysConfig.ini"})", &fw));
        QVERIFY(fw.fileName.isEmpty());
        QVERIFY(parseFirmwareDocument(R"({"version":2,"fileName":["x"]})", &fw));
        QVERIFY(fw.version.isEmpty() && fw.fileName.isEmpty());
        QVERIFY(!parseFirmwareDocument("not json", &fw, &problem));
        QCOMPARE(problem, QString("Failed to parse JSON data."));
        QVERIFY(!parseFirmwareDocument("[1,2]", &fw, &problem));
        QCOMPARE(problem, QString("JSON data is not an object."));

        SoftwareDocument sw;
        QVERIFY(parseSoftwareDocument(R"({"lastVersion":"1.1.0.13"})", &sw));
        QCOMPARE(sw.lastVersion, QString("1.1.0.13"));
        QVERIFY(sw.sha256.isEmpty());
        // A checksum that is there but unusable must not mean "unchecked".
        QVERIFY(parseSoftwareDocument(R"({"lastVersion":"2","sha256":7})", &sw));
        QVERIFY(!sw.sha256.isEmpty() && !isSha256Hex(sw.sha256));
        QVERIFY(parseSoftwareDocument(R"({})", &sw));
        QVERIFY(sw.lastVersion.isEmpty());
        QVERIFY(!isVersionNewer(sw.lastVersion, "1.0"));
    }

    // Every way a download can go wrong ends with downloadFinish() once,
    // succeeded() false and no file; only the good ones leave the body.
    void outcomes_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("cut");
        QTest::addColumn<bool>("stall");
        QTest::addColumn<bool>("sendLength");
        QTest::addColumn<int>("cap"); // 0: the document limit
        QTest::addColumn<int>("failure");
        const int none = int(Downloader::Failure::None);
        QTest::newRow("200 with length") << 200 << 70000 << -1 << false << true << 0 << none;
        QTest::newRow("200 without length") << 200 << 5000 << -1 << false << false << 0 << none;
        QTest::newRow("404") << 404 << 10 << -1 << false << true << 0 << int(Downloader::Failure::HttpStatus);
        QTest::newRow("500") << 500 << 10 << -1 << false << true << 0 << int(Downloader::Failure::HttpStatus);
        QTest::newRow("truncated") << 200 << 5000 << 1200 << false << true << 0
                                   << int(Downloader::Failure::Truncated);
        QTest::newRow("stalled") << 200 << 5000 << 100 << true << true << 0 << int(Downloader::Failure::Stalled);
        QTest::newRow("stalled before the body") << 200 << 5000 << 0 << true << true << 0
                                                 << int(Downloader::Failure::Stalled);
        QTest::newRow("announced too large") << 200 << 5000 << -1 << false << true << 4096
                                             << int(Downloader::Failure::TooLarge);
        QTest::newRow("grows too large") << 200 << 5000 << -1 << false << false << 4096
                                         << int(Downloader::Failure::TooLarge);
    }
    void outcomes()
    {
        QFETCH(int, status);
        QFETCH(int, size);
        QFETCH(int, cut);
        QFETCH(bool, stall);
        QFETCH(bool, sendLength);
        QFETCH(int, cap);
        QFETCH(int, failure);
        LoopbackHttpServer server;
        LoopbackHttpServer::Response r;
        r.status = status;
        r.body = body(size);
        r.cut = cut;
        r.stall = stall;
        r.sendLength = sendLength;
        server.serve("/file.bin", r);

        const QString folder = m_dir.filePath(QTest::currentDataTag());
        QDir().mkpath(folder);
        const QString target = folder + "/file.bin";
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("stale") == 5);
        old.close();
        Downloader d(QUrl(server.base() + "/file.bin"), target, cap ? cap : Downloader::DocumentLimit);
        d.setStallTimeout(300);
        QSignalSpy finished(&d, &Downloader::downloadFinish);
        d.start();
        QVERIFY(finished.wait(5000));
        QCoreApplication::processEvents();
        QCOMPARE(finished.count(), 1);
        QCOMPARE(int(d.failure()), failure);
        QCOMPARE(d.succeeded(), failure == int(Downloader::Failure::None));
        if (d.succeeded()) {
            QFile f(target);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), r.body);
        } else {
            QVERIFY(!d.failureText().isEmpty());
            QVERIFY2(QDir(folder).entryList(QDir::Files | QDir::Hidden).isEmpty(),
                     qPrintable(QDir(folder).entryList(QDir::Files | QDir::Hidden).join(',')));
        }
        if (status != 200)
            QCOMPARE(d.httpStatus(), status);
    }

    void refusedConnectionAndAbort()
    {
        // A port nobody listens on.
        quint16 port;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
            port = probe.serverPort();
        }
        const QString target = m_dir.filePath("refused.bin");
        Downloader refused(QUrl(QString("http://127.0.0.1:%1/x").arg(port)), target, 1000);
        QSignalSpy finished(&refused, &Downloader::downloadFinish);
        refused.start();
        QVERIFY(finished.wait(5000));
        QCOMPARE(refused.failure(), Downloader::Failure::Network);
        QVERIFY(!QFile::exists(target));

        LoopbackHttpServer server;
        LoopbackHttpServer::Response r;
        r.body = body(1000);
        r.cut = 10;
        r.stall = true;
        server.serve("/slow", r);
        Downloader slow(QUrl(server.base() + "/slow"), target, 1000);
        QSignalSpy slowFinished(&slow, &Downloader::downloadFinish);
        slow.start();
        QVERIFY(waitFor([&] { return !server.requests().isEmpty(); }, 5000));
        slow.abort();
        QCOMPARE(slowFinished.count(), 1);
        QCOMPARE(slow.failure(), Downloader::Failure::Aborted);
        QCoreApplication::processEvents();
        QCOMPARE(slowFinished.count(), 1);
        QVERIFY(QDir(m_dir.path()).entryList({"refused*", ".refused*"}, QDir::Files | QDir::Hidden).isEmpty());
    }

    void firmwareCheck()
    {
        LoopbackHttpServer server;
        const QByteArray doc = R"({"version":"1.2.0","md5":"00112233445566778899aabbccddeeff",)"
                               R"("sha256":"00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff",)"
                               R"("fileName":"kb.bin","date":"d","log":"notes"})";
        const QString docPath = "/firmware/-2147483390/-2147483390.json";
        server.serve(docPath, doc);
        OnlineUpdate online;
        online.setBoardId(0x80000102u);
        SystemConfig().setUpdateEndpoint(server.base());

        // A program without a key has no online updates: nothing is asked.
        overrideTrustedUpdateKeys(QList<MinisignPublicKey>{});
        QVERIFY(!online.check());
        QCOMPARE(OnlineUpdate::endpointProblemText(), QString("此版本未内置更新签名密钥，在线更新已关闭。"));
        DocumentFetch direct(QUrl(server.base() + docPath), m_dir.filePath("cache/direct.json"));
        QSignalSpy directDone(&direct, &DocumentFetch::finished);
        direct.start();
        QVERIFY(directDone.wait(5000));
        QCOMPARE(direct.failure(), DocumentFetch::Failure::NoKey);
        QVERIFY(server.requests().isEmpty());

        const TestSigner signer;
        overrideTrustedUpdateKeys(QList<MinisignPublicKey>{signer.publicKey()});
        server.serve(docPath + ".minisig", signer.sign(doc, "-2147483390.json"));
        // No server configured: nothing is asked.
        SystemConfig().setUpdateEndpoint("");
        QVERIFY(!online.check());
        QVERIFY(!OnlineUpdate::endpointProblemText().isEmpty());
        SystemConfig().setUpdateEndpoint("gopher://x");
        QVERIFY(!online.check());
        QVERIFY(server.requests().isEmpty());

        SystemConfig().setUpdateEndpoint(server.base());
        QVERIFY(OnlineUpdate::endpointProblemText().isEmpty());
        QSignalSpy data(&online, &OnlineUpdate::haveNewVersionData);
        FirmwareCheck *first = online.check();
        FirmwareCheck *second = online.check();
        QVERIFY(first && second);
        QSignalSpy firstDone(first, &FirmwareCheck::finished);
        QSignalSpy secondDone(second, &FirmwareCheck::finished);
        QVERIFY(secondDone.count() == 1 || secondDone.wait(5000));
        QVERIFY(firstDone.count() == 1 || firstDone.wait(5000));
        QCOMPARE(firstDone.count(), 1);
        QCOMPARE(secondDone.count(), 1);
        QCOMPARE(firstDone.first().first().toBool(), true);
        QCOMPARE(data.count(), 2);
        QCOMPARE(online.lastVersion(), QString("1.2.0"));
        QCOMPARE(online.fileName(), QString("kb.bin"));
        QCOMPARE(online.firmwareFileUrl("kb.bin").toString(), server.base() + "/firmware/-2147483390/kb.bin");
        QVERIFY(!QFile::exists("cache/-2147483390.json")); // read, then removed

        // A failed check keeps what the last good one said.
        server.clear();
        FirmwareCheck *failed = online.check();
        QSignalSpy failedDone(failed, &FirmwareCheck::finished);
        QVERIFY(failedDone.wait(5000));
        QCOMPARE(failedDone.first().first().toBool(), false);
        QCOMPARE(data.count(), 2);
        QCOMPARE(online.lastVersion(), QString("1.2.0"));
        // Another board forgets it.
        online.setBoardId(7);
        QVERIFY(!online.hasDocument());
        overrideTrustedUpdateKeys(std::nullopt);
    }

    // A signed document older than one taken before is refused, in a later
    // run too (the time is kept beside the settings), and so is one that
    // has expired or carries no signing time; the same one again is taken.
    void staleAndExpiredDocuments()
    {
        QTemporaryDir work;
        const TestSigner signer;
        overrideTrustedUpdateKeys(QList<MinisignPublicKey>{signer.publicKey()});
        LoopbackHttpServer server;
        const QByteArray doc = R"({"lastVersion":"1.2.0"})";
        QString problem;
        auto fetch = [&](const QString &file, const QByteArray &signature) {
            const QString path = "/drive/C/" + file;
            server.serve(path, doc);
            server.serve(path + ".minisig", signature);
            DocumentFetch f(QUrl(server.base() + path), work.filePath("cache/" + file));
            f.setStateFolder(work.path());
            QSignalSpy done(&f, &DocumentFetch::finished);
            f.start();
            problem.clear();
            if (!done.wait(10000))
                return DocumentFetch::Failure::Download;
            problem = f.problemText();
            return f.failure();
        };
        using F = DocumentFetch::Failure;
        const qint64 now = QDateTime::currentSecsSinceEpoch();
        QCOMPARE(fetch("C.json", signer.sign(doc, "C.json", true, 2000)), F::None);
        QCOMPARE(fetch("C.json", signer.sign(doc, "C.json", true, 1999)), F::Stale);
        QCOMPARE(problem, QString("更新服务器返回的版本信息比上次的旧，已忽略。"));
        QCOMPARE(fetch("C.json", signer.sign(doc, "C.json", true, 2000)), F::None);
        QCOMPARE(fetch("C.json", signer.sign(doc, "C.json", true, 3000, now - 1)), F::Expired);
        QCOMPARE(problem, QString("更新服务器返回的版本信息已过期，已忽略。"));
        QCOMPARE(UpdateFreshness(work.path()).newest("C.json"), qint64(2000)); // nothing refused is kept
        QCOMPARE(fetch("C.json", signer.signWithComment(doc, "file:C.json")), F::NoTime);
        QCOMPARE(fetch("C.json", signer.sign(doc, "C.json", true, 3000, now + 3600)), F::None);
        QCOMPARE(fetch("C.json", signer.sign(doc, "C.json", true, 2000)), F::Stale);
        // Each document has its own record.
        QCOMPARE(fetch("D.json", signer.sign(doc, "D.json", true, 1000)), F::None);
        // A record that is not one counts as none, and is replaced.
        QFile record(UpdateFreshness(work.path()).filePath("D.json"));
        QVERIFY(record.open(QIODevice::WriteOnly) && record.write("garbage\n") > 0);
        record.close();
        QCOMPARE(fetch("D.json", signer.sign(doc, "D.json", true, 500)), F::None);
        QCOMPARE(UpdateFreshness(work.path()).newest("D.json"), qint64(500));
        overrideTrustedUpdateKeys(std::nullopt);
    }

    // The publisher's script writes documents that parse whatever the
    // release notes hold, signed with the time, the file and an expiry.
    void signReleaseScript()
    {
        const QString minisign = QStandardPaths::findExecutable("minisign");
        if (minisign.isEmpty())
            QSKIP("minisign is not installed");
        QTemporaryDir dir;
        QProcess gen;
        gen.start(minisign, {"-G", "-W", "-p", dir.filePath("k.pub"), "-s", dir.filePath("k.key")});
        QVERIFY(gen.waitForFinished(20000) && gen.exitCode() == 0);
        QFile image(dir.filePath("kb-1.2.0.bin"));
        QVERIFY(image.open(QIODevice::WriteOnly) && image.write(body(3000)) == 3000);
        image.close();
        MinisignPublicKey key;
        QFile pub(dir.filePath("k.pub"));
        QVERIFY(pub.open(QIODevice::ReadOnly) && parseMinisignPublicKey(pub.readAll(), &key));

        const QString log = QString::fromUtf8("更快的回报 \"quoted\" back\\slash\x01\x1f\ttab\nnew line \x7f");
        const qint64 before = QDateTime::currentSecsSinceEpoch();
        QProcess sign;
        sign.start("bash", {CORVANE_SOURCE_DIR "/scripts/sign-release", "-k", dir.filePath("k.key"), "firmware",
                            dir.filePath("out"), "258", "1.2.0", image.fileName(), "2024-06-01", log});
        QVERIFY(sign.waitForFinished(60000));
        QVERIFY2(sign.exitCode() == 0, sign.readAllStandardError().constData());
        const qint64 after = QDateTime::currentSecsSinceEpoch();

        auto read = [&](const QString &name) {
            QFile f(dir.filePath("out/" + name));
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        const QByteArray doc = read("258.json");
        QJsonParseError error;
        const QJsonObject object = QJsonDocument::fromJson(doc, &error).object();
        QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString() + ": " + doc));
        QCOMPARE(object.value("log").toString(), log);
        FirmwareDocument fw;
        QVERIFY(parseFirmwareDocument(doc, &fw));
        QCOMPARE(fw.sha256, QString::fromLatin1(QCryptographicHash::hash(body(3000), QCryptographicHash::Sha256).toHex()));
        QCOMPARE(fw.fileName, QString("kb-1.2.0.bin"));
        for (const QString &name : {QString("258.json"), QString("kb-1.2.0.bin")}) {
            const QByteArray signature = read(name + ".minisig");
            QCOMPARE(verifyMinisign(read(name), signature, {key}), MinisignResult::Valid);
            MinisignSignature parsed;
            TrustedComment comment;
            QVERIFY(parseMinisignSignature(signature, &parsed) && parseTrustedComment(parsed.trustedComment, &comment));
            QCOMPARE(comment.file, name);
            QVERIFY(comment.timestamp >= before && comment.timestamp <= after);
            QCOMPARE(comment.expires, comment.timestamp + 90 * 86400);
        }
    }

private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(TestDownload)
#include "test_download.moc"
