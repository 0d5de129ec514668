// The settings dialog against the virtual keyboard and an update server on
// the loopback address: versions, online and local firmware updates and
// every way they fail, the keyboard lock, the watchdog and the engine's
// verdict, the backup and its restore, the polling rate, the factory reset,
// the updater button and the notice.

#include "BoardProfile.h"
#include "FirmwareImage.h"
#include "FirmwareNotice.h"
#include "HidBackend.h"
#include "HidLibrary.h"
#include "IAPFirmwareWindow.h"
#include "KB2FirmwareDevelop.h"
#include "KeyboardAction.h"
#include "KeyboardLock.h"
#include "KeyboardSession.h"
#include "LoopbackHttpServer.h"
#include "MacroFile.h"
#include "OnlineUpdate.h"
#include "ProfileManager.h"
#include "ProcessControl.h"
#include "ProfilePlan.h"
#include "QueuedSpy.h"
#include "RuntimeDir.h"
#include "ShellResources.h"
#include "SignalObject.h"
#include "SystemConfig.h"
#include "TestSigner.h"
#include "TestWait.h"
#include "UpdateTrust.h"
#include "UpdaterLock.h"
#include "VirtualHidBackend.h"

#include <QComboBox>
#include <QCryptographicHash>
#include <QLabel>
#include <QNetworkProxy>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <functional>
#include <memory>

namespace {

const QString DocPath = QStringLiteral("/firmware/258/258.json");
const QString BinPath = QStringLiteral("/firmware/258/kb-1.2.0.bin");

QByteArray testImage(int size)
{
    QByteArray image(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        image[i] = char((i * 31 + 5 + (i >> 7)) & 0xFF);
    return image;
}

// Without the SHA-256, which a signed document must give.
QByteArray unhashedDocument(const QString &version, const QByteArray &image, const QString &fileName = "kb-1.2.0.bin")
{
    const QByteArray md5 = QCryptographicHash::hash(image, QCryptographicHash::Md5).toHex();
    return QStringLiteral(R"({"version":"%1","md5":"%2","fileName":"%3","date":"2024-06-01","log":"更快的回报"})")
        .arg(version, QString::fromLatin1(md5), fileName)
        .toUtf8();
}

// As published: the image's SHA-256 (of shaOf) beside its MD5.
QByteArray signedDocument(const QString &version, const QByteArray &image, const QByteArray &shaOf)
{
    QByteArray doc = unhashedDocument(version, image);
    doc.chop(1);
    return doc + ",\"sha256\":\"" + QCryptographicHash::hash(shaOf, QCryptographicHash::Sha256).toHex() + "\"}";
}

QByteArray document(const QString &version, const QByteArray &image)
{
    return signedDocument(version, image, image);
}

// A keyboard, its worker and read-back, an update server, and the dialog,
// wired as the main window wires them.
struct Rig {
    explicit Rig(bool bootLoader = false)
    {
        QDir::setCurrent(dir.path());
        SystemConfig config;
        config.setLanguage("Chinese");
        config.setSoftwareVersion("1.1.0.12");
        config.setUpdateEndpoint(server.base());
        VirtualKeyboard::Options o;
        o.latencyUs = 0;
        o.rebootDelayMs = 20;
        o.startInBootLoader = bootLoader;
        kb = &backend.addKeyboard(o);
        kb->fillDistinctive();
        HidBackend::setInstance(&backend);
        worker = std::make_unique<KeyboardAction>();
        worker->setFirstWriteDelay(0);
        worker->setProbeTimeout(30);
        worker->setAnswerTimeout(60);
        session = new KeyboardSession(worker.get(), &context, KeyboardSession::Role::Listen);
        // After the session: an idle report reaches this spy after it.
        idle = std::make_unique<QueuedSpy>(worker->reports(), &KeyboardWorker::sigKB2Idle);
        QObject::connect(worker->reports(), &KeyboardWorker::sigKB2DeviceInfo, &context, [this](const QVariant &v) {
            if (!QString::fromUtf8(v.value<STU_BoardInfo2>().version).contains("Boot"))
                KeyboardSession::startReadBack(worker.get());
        }, Qt::QueuedConnection);
        // As the device lifecycle does: a removal of the open interface
        // closes it (an idle worker would not notice), an arrival connects.
        plugListener = backend.addPlugListener([this](const std::string &path, bool arrived) {
            const QString p = QString::fromStdString(path);
            QMetaObject::invokeMethod(&context, [this, p, arrived] {
                if (!arrived) {
                    if (worker->isDeviceOpen() && worker->devicePathString() == p)
                        worker->closeDevice();
                } else if (!worker->isDeviceOpen() && !(dialog && dialog->isUpdating())) {
                    worker->requestArrival(p);
                }
            }, Qt::QueuedConnection);
        });
        online.setBoardId(0x102);
        QObject::connect(SignalObject::instance(), &SignalObject::sigBoardReset, worker.get(),
                         &KeyboardAction::restoreFactory);
        overrideTrustedUpdateKeys(QList<MinisignPublicKey>{signer.publicKey()});
    }
    ~Rig()
    {
        overrideTrustedUpdateKeys(std::nullopt);
        // Before the context goes: the keyboard may still be restarting.
        backend.removePlugListener(plugListener);
        QObject::disconnect(SignalObject::instance(), &SignalObject::sigBoardReset, worker.get(), nullptr);
        dialog.reset();
        idle.reset();
        worker.reset();
        HidLibrary::shutdown();
        HidBackend::setInstance(nullptr);
    }

    // The version document and its signature, as the server publishes them.
    void serveDocument(const QByteArray &doc)
    {
        server.serve(DocPath, doc);
        server.serve(DocPath + ".minisig", signer.sign(doc, "258.json"));
    }
    bool connectAndRead()
    {
        QSignalSpy done(session, &KeyboardSession::readBackFinished);
        worker->requestConnect();
        return done.wait(20000) && session->readBack().isComplete() && waitIdle();
    }
    bool waitIdle()
    {
        const quint64 target = worker->workSerial();
        return waitFor([&] { return !idle->isEmpty() && idle->last().first().toULongLong() >= target; });
    }
    bool fetchDocument()
    {
        FirmwareCheck *check = online.check();
        if (!check)
            return false;
        QSignalSpy done(check, &FirmwareCheck::finished);
        return done.wait(5000) && done.first().first().toBool();
    }
    void open(const QString &firmwareVersion = "1.0.3", bool bootLoader = false)
    {
        IAPFirmwareWindow::Services s;
        s.worker = worker.get();
        s.online = &online;
        s.profiles = &profiles;
        s.readBack = [this](KeyboardReadBack *rb) {
            *rb = session->readBack();
            return session->isComplete();
        };
        s.pollingRate = session->readBack().pollingRate;
        dialog = std::make_unique<IAPFirmwareWindow>(s, firmwareVersion, bootLoader);
        IAPFirmwareWindow::Prompts p;
        p.ask = [this](const QString &title, const QString &text) {
            questions << title + "|" + text;
            return answer;
        };
        p.inform = [this](const QString &title, const QString &text) { notes << title + "|" + text; };
        p.chooseFirmwareFile = [this](const QString &) { return nextFile; };
        p.chooseReportFile = [this](const QString &) { return nextFile; };
        p.startProgram = [this](const QString &program, const QStringList &args, qint64 *pid) {
            started << program + " " + args.join(' ');
            *pid = startedPid;
            return true;
        };
        dialog->setPrompts(p);
        dialog->setWatchdogIntervals(5000, 2000);
        dialog->setDownloadStallTimeout(300);
        KB2FirmwareDevelop *engine = dialog->engine();
        engine->setPauseMs(2);
        engine->setRestartWaitMs(20);
        engine->setAnswerTimeoutMs(60);
        // As the main window does: connect again once the engine lets go.
        QObject::connect(dialog.get(), &IAPFirmwareWindow::sigDeviceReleased, worker.get(),
                         &KeyboardAction::requestConnect);
        released = std::make_unique<QSignalSpy>(dialog.get(), &IAPFirmwareWindow::sigDeviceReleased);
        ended = std::make_unique<QSignalSpy>(dialog.get(), &IAPFirmwareWindow::sigEndUpdate);
    }
    // The user picks a local image (written here as name) and updates.
    bool updateFrom(const QString &name, const QByteArray &image)
    {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(image) != image.size())
            return false;
        f.close();
        nextFile = f.fileName();
        dialog->chooseButton()->click();
        // Yes to writing a file whose version cannot be told.
        const bool keep = answer;
        answer = true;
        dialog->localButton()->click();
        answer = keep;
        return true;
    }
    // Runs change on the engine's thread the first time progress reaches value.
    void atProgress(int value, std::function<void()> change)
    {
        auto done = std::make_shared<std::atomic<bool>>(false);
        QObject::connect(dialog->engine(), &KB2FirmwareDevelop::sigNotifyProgress, &context, [=](int v) {
            if (v >= value && !done->exchange(true))
                change();
        }, Qt::DirectConnection);
    }
    // Frames sent to the keyboard since the log was last cleared.
    int framesToKeyboard() const
    {
        int n = 0;
        for (const auto &f : kb->frameLog())
            n += f.direction == VirtualKeyboard::Direction::ToKeyboard;
        return n;
    }
    QByteArray runningImage() const
    {
        const auto s = kb->state();
        return QByteArray(reinterpret_cast<const char *>(s.runningImage.data()), int(s.runningImage.size()));
    }

    QTemporaryDir dir;
    LoopbackHttpServer server;
    TestSigner signer;
    VirtualHidBackend backend;
    VirtualKeyboard *kb = nullptr;
    std::unique_ptr<KeyboardAction> worker;
    std::unique_ptr<QueuedSpy> idle;
    QObject context;
    KeyboardSession *session = nullptr;
    ProfileManager profiles;
    OnlineUpdate online;
    std::unique_ptr<IAPFirmwareWindow> dialog;
    std::unique_ptr<QSignalSpy> released, ended;
    QStringList questions, notes, started;
    bool answer = false;
    qint64 startedPid = 0; // what the started updater's process id is said to be
    int plugListener = 0;
    QString nextFile;
};

} // namespace

class TestFirmwareDialog : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        corvaneInitResources();
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    }
    void versionsShown();
    void onlineUpdate_data();
    void onlineUpdate();
    void signedOnlineUpdate_data();
    void signedOnlineUpdate();
    void localUpdate();
    void backupAndRestore();
    void keyboardHeldElsewhere();
    void lostKeyboard_data();
    void lostKeyboard();
    void truthfulVerdict_data();
    void truthfulVerdict();
    void keyboardStaysInBootLoader();
    void slowEraseIsNotALoss();
    void updateAgainWhileReconnecting();
    void settingsActions();
    void noticeOncePerReport();
};

void TestFirmwareDialog::versionsShown()
{
    Rig rig;
    const QByteArray image = testImage(3000);
    rig.serveDocument(document("1.2.0", image));
    QVERIFY(rig.fetchDocument());

    rig.open("1.0.3");
    IAPFirmwareWindow &d = *rig.dialog;
    QCOMPARE(d.firmwareVersionText(), QString("V1.0.3"));
    QCOMPARE(d.newestText(), QString("★最新版本：V1.2.0\n版本日志：\n更快的回报"));
    QVERIFY(d.onlineButton()->isEnabled());
    QVERIFY(d.progressBar()->isHidden());
    QCOMPARE(d.percentLabel()->text(), QString("0%"));
    QCOMPARE(d.findChild<QLabel *>("iapValue")->text(), QString("V1.1.0.12"));

    // Online 1.2 against 1.2.0: nothing newer, nothing offered.
    d.setFirmwareVersion("1.2");
    QVERIFY(d.newestText().isEmpty());
    QVERIFY(!d.onlineButton()->isEnabled());
    QCOMPARE(d.statusText(), QString("已是最新版本"));
    d.setFirmwareVersion("");
    QCOMPARE(d.firmwareVersionText(), QString("V0.0.0"));
    QVERIFY(d.onlineButton()->isEnabled());

    // Without its application the keyboard takes what the server has.
    d.setFirmwareVersion("1.2.0");
    d.setBootLoader(true);
    QCOMPARE(d.statusText(), QString("固件不存在，请先升级固件"));
    QVERIFY(d.onlineButton()->isEnabled());

    // No update server: no online update, and the status says why.
    SystemConfig().setUpdateEndpoint("");
    d.setBootLoader(false);
    QVERIFY(!d.onlineButton()->isEnabled());
    QCOMPARE(d.statusText(), QString("未配置更新服务器，无法在线更新。"));
    // Nor a plain-HTTP one elsewhere.
    SystemConfig().setUpdateEndpoint("http://updates.corvane.invalid");
    d.setBootLoader(false);
    QVERIFY(!d.onlineButton()->isEnabled());
    QCOMPARE(d.statusText(), OnlineUpdate::endpointProblemText("insecure"));
    QVERIFY(!rig.online.check());
    // A program without a key has no online updates at all, and says so.
    SystemConfig().setUpdateEndpoint(rig.server.base());
    overrideTrustedUpdateKeys(QList<MinisignPublicKey>{});
    d.setBootLoader(false);
    QVERIFY(!d.onlineButton()->isEnabled());
    QVERIFY(!d.checkUpdateButton()->isEnabled());
    QCOMPARE(d.statusText(), QString("此版本未内置更新签名密钥，在线更新已关闭。"));
    QVERIFY(!rig.online.check());
}

void TestFirmwareDialog::onlineUpdate_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("status");
    QTest::newRow("good") << "" << "固件升级完成，当前固件版本：V1.2.0";
    QTest::newRow("404") << "404" << "固件下载失败：更新服务器拒绝了请求（HTTP 404）。";
    QTest::newRow("500") << "500" << "固件下载失败：更新服务器拒绝了请求（HTTP 500）。";
    QTest::newRow("truncated") << "truncated" << "固件下载失败：下载不完整，连接中断。";
    QTest::newRow("stalled") << "stalled" << "固件下载失败：下载超时，服务器没有响应。";
    QTest::newRow("wrong md5") << "md5" << "下载的固件校验失败（MD5 不一致），没有写入键盘。";
    QTest::newRow("empty image") << "empty" << "下载的固件文件是空的，没有写入键盘。";
}

void TestFirmwareDialog::onlineUpdate()
{
    QFETCH(QString, fault);
    QFETCH(QString, status);
    Rig rig;
    // A failed download never gets as far as the keyboard: only the good
    // case needs it read.
    if (fault.isEmpty())
        QVERIFY(rig.connectAndRead());
    const QByteArray image = testImage(3000);
    rig.serveDocument(signedDocument("1.2.0", fault == "md5" ? testImage(2999) : image, image));
    LoopbackHttpServer::Response bin;
    bin.body = image;
    if (fault == "404" || fault == "500")
        bin.status = fault.toInt();
    if (fault == "truncated")
        bin.cut = 1000;
    if (fault == "stalled") {
        bin.cut = 1000;
        bin.stall = true;
    }
    if (fault == "empty") {
        bin.body.clear();
        rig.serveDocument(document("1.2.0", QByteArray()));
    }
    rig.server.serve(BinPath, bin);
    QVERIFY(rig.fetchDocument());
    rig.open("1.0.3");
    IAPFirmwareWindow &d = *rig.dialog;
    QSignalSpy startSpy(&d, &IAPFirmwareWindow::sigStartUpdate);
    // The new firmware reports its version once it runs.
    QObject::connect(&d, &IAPFirmwareWindow::sigStartUpdate, &rig.context,
                     [&rig] { rig.kb->modify([](VirtualKeyboard::State &s) { s.appVersion = "V1.2.0"; }); });
    rig.kb->clearFrameLog();
    const QByteArray running = rig.runningImage();

    d.onlineButton()->click();
    if (fault.isEmpty()) {
        QVERIFY(startSpy.wait(5000));
        // Closing in the middle would leave the keyboard without firmware.
        d.closeBtnClicked();
        QCOMPARE(rig.notes.value(0), QString("提示|固件正在升级，请等待升级结束后再关闭。"));
        QVERIFY(rig.released->wait(15000));
        QVERIFY2(waitFor([&] { return d.statusText() == status; }, 20000), qPrintable(d.statusText()));
        QCOMPARE(rig.ended->count(), 1);
        QVERIFY(d.progressBar()->isHidden() && d.percentLabel()->isHidden());
        QCOMPARE(d.progressBar()->value(), 100);
        QCOMPARE(rig.runningImage(), fw_pad_image(image));
        QCOMPARE(d.firmwareVersionText(), QString("V1.2.0"));
        QVERIFY(d.newestText().isEmpty());
        QVERIFY(!QFile::exists("cache/kb-1.2.0.bin"));
        QVERIFY(rig.worker->isDeviceOpen());
    } else {
        QVERIFY(waitFor([&] { return d.statusText() == status; }, 5000));
        QCOMPARE(startSpy.count(), 0);
        QCOMPARE(rig.framesToKeyboard(), 0);
        QCOMPARE(rig.runningImage(), running);
        QVERIFY(d.onlineButton()->isEnabled()); // a try again is possible
        QVERIFY(QDir("cache").entryList(QDir::Files | QDir::Hidden).isEmpty());
        QVERIFY(QDir(ProfileManager::profileFolder()).entryList(QDir::Files).isEmpty());
    }
}

void TestFirmwareDialog::signedOnlineUpdate_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("documentRefused");
    const QString bad = "版本信息的签名不正确，内容可能被篡改，为安全起见没有使用。";
    const QString hash = "下载的固件校验失败（SHA-256 不一致），没有写入键盘。";
    QTest::newRow("unsigned") << "unsigned" << "更新服务器上的版本信息没有签名，为安全起见没有使用。" << true;
    QTest::newRow("another key") << "key" << "版本信息不是用受信任的密钥签名的，为安全起见没有使用。" << true;
    QTest::newRow("another document's signature") << "other" << bad << true;
    QTest::newRow("another board's document") << "board" << "版本信息的签名属于另一个文件，为安全起见没有使用。" << true;
    QTest::newRow("no sha256") << "nosha" << "固件版本信息没有有效的 SHA-256 校验值，为安全起见没有使用。" << true;
    QTest::newRow("hash mismatch") << "hash" << hash << false;
    QTest::newRow("truncated without length") << "truncated" << hash << false;
}

// With a trusted key only a signed document is used, and only an image with
// its SHA-256 reaches the keyboard; anything else sends it nothing.
void TestFirmwareDialog::signedOnlineUpdate()
{
    QFETCH(QString, fault);
    QFETCH(QString, status);
    QFETCH(bool, documentRefused);
    Rig rig;
    TestSigner signer;
    overrideTrustedUpdateKeys(QList<MinisignPublicKey>{signer.publicKey()});
    if (fault.isEmpty())
        QVERIFY(rig.connectAndRead());
    const QByteArray image = testImage(3000);
    QByteArray doc = signedDocument("1.2.0", image, fault == "hash" ? testImage(2999) : image);
    if (fault == "nosha")
        doc = unhashedDocument("1.2.0", image);
    rig.server.serve(DocPath, doc);
    rig.server.serve(DocPath + ".minisig", signer.sign(doc, "258.json"));
    if (fault == "unsigned")
        rig.server.serve(DocPath + ".minisig", LoopbackHttpServer::Response{404, "not found"});
    if (fault == "key")
        rig.server.serve(DocPath + ".minisig", TestSigner().sign(doc, "258.json"));
    // The signed document of another board is not this one's.
    if (fault == "board")
        rig.server.serve(DocPath + ".minisig", signer.sign(doc, "300.json"));
    if (fault == "other")
        rig.server.serve(DocPath + ".minisig", signer.sign(signedDocument("1.3.0", image, image), "258.json"));
    LoopbackHttpServer::Response bin{200, image};
    if (fault == "truncated") {
        bin.cut = 1000;
        bin.sendLength = false;
    }
    rig.server.serve(BinPath, bin);

    FirmwareCheck *check = rig.online.check();
    QVERIFY(check);
    QSignalSpy checked(check, &FirmwareCheck::finished);
    QVERIFY(checked.wait(20000));
    QCOMPARE(checked.first().first().toBool(), !documentRefused);
    rig.open("1.0.3");
    IAPFirmwareWindow &d = *rig.dialog;
    QObject::connect(&d, &IAPFirmwareWindow::sigStartUpdate, &rig.context,
                     [&rig] { rig.kb->modify([](VirtualKeyboard::State &s) { s.appVersion = "V1.2.0"; }); });
    rig.kb->clearFrameLog();
    const QByteArray running = rig.runningImage();
    if (documentRefused) {
        QCOMPARE(d.statusText(), status);
        QVERIFY(!d.onlineButton()->isEnabled());
        QVERIFY(d.newestText().isEmpty());
        d.onlineButton()->click();
    } else {
        QVERIFY(d.onlineButton()->isEnabled());
        d.onlineButton()->click();
    }
    QVERIFY2(waitFor([&] { return d.statusText() == status; }, 20000), qPrintable(d.statusText()));
    QCOMPARE(rig.server.requests().contains(BinPath), !documentRefused);
    if (fault.isEmpty()) {
        QVERIFY(rig.released->wait(20000) || rig.released->count() > 0);
        QCOMPARE(rig.runningImage(), fw_pad_image(image));
        return;
    }
    QCOMPARE(rig.framesToKeyboard(), 0);
    QCOMPARE(rig.runningImage(), running);
    QVERIFY(QDir("cache").entryList(QDir::Files | QDir::Hidden).isEmpty());
}

void TestFirmwareDialog::localUpdate()
{
    Rig rig(true); // from the boot loader: no read-back, no backup
    overrideTrustedUpdateKeys(QList<MinisignPublicKey>{}); // a local file needs no key
    rig.open("1.0", true);
    IAPFirmwareWindow &d = *rig.dialog;
    const QByteArray image = testImage(1500);
    auto write = [&](const QString &name, const QByteArray &bytes) {
        QFile f(rig.dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    };
    write("other.hex", image);
    write("nothing.bin", QByteArray());
    write("FIRMWARE.BIN", image);
    rig.kb->clearFrameLog();

    for (const auto &[file, text] : {std::pair<QString, QString>{"other.hex", "只能用 .bin 固件文件升级，其他格式的文件不能写入键盘。"},
                                     {"nothing.bin", "固件文件是空的，没有写入键盘。"},
                                     {"missing.bin", "无法读取固件文件。"}}) {
        rig.nextFile = rig.dir.filePath(file);
        d.chooseButton()->click();
        d.localButton()->click();
        QCOMPARE(d.statusText(), text);
    }
    // A keyboard with firmware may be given an older one this way: asked
    // first, and no is nothing.
    rig.nextFile = rig.dir.filePath("FIRMWARE.BIN");
    d.chooseButton()->click();
    d.setBootLoader(false);
    d.localButton()->click();
    QCOMPARE(rig.questions, QStringList("本地更新|无法确认本地固件文件“FIRMWARE.BIN”的版本，它可能比键盘现在的固件旧。确定要写入吗？"));
    QCOMPARE(rig.framesToKeyboard(), 0);
    QCOMPARE(rig.ended->count(), 0);

    d.setBootLoader(true);
    d.localButton()->click();
    QCOMPARE(d.statusText(), QString("正在更新"));
    QVERIFY(!d.progressBar()->isHidden());
    QVERIFY(rig.released->wait(15000));
    QCOMPARE(rig.ended->count(), 1);
    QCOMPARE(rig.runningImage(), fw_pad_image(image));
    QVERIFY2(QDir(ProfileManager::profileFolder()).entryList(QDir::Files).isEmpty(),
             qPrintable(QDir(ProfileManager::profileFolder()).entryList(QDir::Files).join(',')));
}

void TestFirmwareDialog::backupAndRestore()
{
    Rig rig;
    QVERIFY(rig.connectAndRead());
    const VirtualKeyboard::State before = rig.kb->state();
    // The keyboard tells a macro's name, not its steps: the macro's file
    // (the user's, made with the macro editor) is what puts it back.
    QDir().mkpath(macroFolderPath());
    QVERIFY(writeMacroFile(macroFolderPath() + "/Macro0.csv", {{true, "A", 10}, {false, "A", 20}}));
    rig.open("1.0.3");
    IAPFirmwareWindow &d = *rig.dialog;
    QSignalSpy saved(&d, &IAPFirmwareWindow::sigBackupSaved);
    QSignalSpy restore(&d, &IAPFirmwareWindow::sigRestoreProfile);
    // The new firmware starts from its defaults.
    QObject::connect(&d, &IAPFirmwareWindow::sigStartUpdate, &rig.context, [&rig] {
        rig.kb->modify([](VirtualKeyboard::State &s) {
            s.macroSteps.clear();
            for (int c = 0; c < VirtualKeyboard::Cells; ++c) {
                if (!s.matrix[c])
                    continue;
                s.params[1][c] = 0x04;
                s.params[4][c] = 2000;
            }
            s.lighting = VirtualKeyboard::Lighting();
        });
    });
    const QByteArray image = testImage(2000);
    rig.answer = true;
    QVERIFY(rig.updateFrom("new.bin", image));

    // Written before anything reached the keyboard.
    QCOMPARE(saved.count(), 1);
    const QString name = saved.first().at(0).toString();
    QVERIFY2(QRegularExpression("^备份-\\d{8}-\\d{6}$").match(name).hasMatch(), qPrintable(name));
    QVERIFY(QFile::exists(ProfileManager::profileFolder() + "/" + name + ".kb"));
    const int id = saved.first().at(1).toInt();
    QCOMPARE(rig.profiles.profile(id).value(ProfileKeys::KeyboardRGB),
             boardProfileDocument(rig.session->readBack()).value(ProfileKeys::KeyboardRGB));

    QVERIFY(restore.wait(20000));
    QCOMPARE(restore.first().first().toInt(), id);
    QCOMPARE(rig.questions.last(),
             QString("恢复配置|固件已升级到V1.0.3。是否把升级前备份的配置“%1”恢复到键盘？").arg(name));

    // Put back as the main window applies a profile.
    rig.profiles.SelectCurrentProfile(id);
    const QList<ProfileStep> plan = planWholeProfileOn(rig.worker->board(), rig.profiles.currentProfile(),
                                                [](const QString &macro) {
                                                    return loadMacroFile(macroFolderPath(), macro);
                                                });
    for (const ProfileStep &step : plan) {
        QVERIFY2(step.error.isEmpty(), qPrintable(step.error));
        QVERIFY(runProfileStep(step, *rig.worker));
    }
    QVERIFY(rig.waitIdle());
    const VirtualKeyboard::State after = rig.kb->state();
    QCOMPARE(int(after.macroSteps.size()), 2);
    QVERIFY(after.params[1] == before.params[1]);
    QVERIFY(after.params[4] == before.params[4]);
    QCOMPARE(after.lighting.rgbMode, before.lighting.rgbMode);
    QCOMPARE(after.lighting.grayscale, before.lighting.grayscale);
}

// Another program has the keyboard: nothing is probed, written or backed
// up, and the status names the program; once it lets go the update runs. A
// lock that cannot be taken at all starts nothing either.
void TestFirmwareDialog::keyboardHeldElsewhere()
{
    Rig rig;
    QVERIFY(rig.connectAndRead());
    rig.open("1.0.3");
    IAPFirmwareWindow &d = *rig.dialog;
    QSignalSpy started(&d, &IAPFirmwareWindow::sigStartUpdate);
    QProcess holder;
    holder.start(QStringLiteral(LOCK_HOLDER), {"corvane-cli flash"});
    QVERIFY(holder.waitForReadyRead(20000));
    QCOMPARE(holder.readLine().trimmed(), QByteArray("held"));
    rig.kb->clearFrameLog();
    const QByteArray image = testImage(2000);
    QVERIFY(rig.updateFrom("new.bin", image));
    QCOMPARE(d.statusText(), QString("键盘正被 corvane-cli flash 使用，升级没有开始。请等它结束后再试。"));
    QCOMPARE(d.findChild<QLabel *>("iapStatus")->textFormat(), Qt::PlainText);
    QCOMPARE(started.count(), 0);
    QVERIFY(!d.isUpdating() && d.localButton()->isEnabled());
    QCOMPARE(rig.framesToKeyboard(), 0);
    QVERIFY(QDir(ProfileManager::profileFolder()).entryList(QDir::Files).isEmpty());

    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(20000));
    rig.answer = true; // yes to writing a file whose version cannot be told
    d.localButton()->click();
    QVERIFY(rig.released->wait(20000));
    QCOMPARE(started.count(), 1);
    QCOMPARE(rig.runningImage(), fw_pad_image(image));
    // Read back, so that nothing the worker sends lands in the next check.
    QVERIFY(waitFor([&] { return d.statusText().startsWith("固件升级完成，当前固件版本："); }, 20000));
    QVERIFY(rig.waitIdle());
    {
        KeyboardLock after(QStringLiteral("test"));
        QCOMPARE(after.tryAcquire(), KeyboardLock::Result::Acquired); // let go with the engine
    }

    const QByteArray runtime = qgetenv(RuntimeDirVariable);
    // A file where the lock's folder goes.
    QTemporaryDir blocked;
    QFile notAFolder(blocked.filePath("corvane"));
    QVERIFY(notAFolder.open(QIODevice::WriteOnly));
    notAFolder.close();
#ifdef Q_OS_WIN
    qputenv(RuntimeDirVariable, QFile::encodeName(notAFolder.fileName()));
#else
    qputenv(RuntimeDirVariable, QFile::encodeName(blocked.path()));
#endif
    rig.kb->clearFrameLog();
    d.localButton()->click();
    const QString folder = QDir::toNativeSeparators(KeyboardLock::folder());
    qputenv(RuntimeDirVariable, runtime);
    QCOMPARE(d.statusText(),
             QString("无法确认没有其他程序在使用键盘（%1 中的键盘锁无法创建或打开），为安全起见升级没有开始。").arg(folder));
    QCOMPARE(started.count(), 1);
    QCOMPARE(rig.framesToKeyboard(), 0);
}

void TestFirmwareDialog::lostKeyboard_data()
{
    QTest::addColumn<int>("scenario");
    QTest::addColumn<QString>("status");
    const QString lost = "设备断开，升级失败，请重试。";
    QTest::newRow("unplugged mid-write") << 0 << lost;
    // Looking for a boot loader that never comes, the engine falls silent.
    QTest::newRow("engine silent: the watchdog") << 1 << lost;
    // A block sent again and again is the engine at work: its verdict counts.
    QTest::newRow("blocks never acknowledged") << 2 << "固件升级失败！键盘停留在升级模式，请再次升级以恢复键盘。";
}

void TestFirmwareDialog::lostKeyboard()
{
    QFETCH(int, scenario);
    QFETCH(QString, status);
    Rig rig;
    QVERIFY(rig.connectAndRead());
    rig.open("1.0.3");
    IAPFirmwareWindow &d = *rig.dialog;
    auto faults = [&rig](std::function<void(VirtualKeyboard::Faults &)> edit) {
        VirtualKeyboard::Faults f = rig.kb->faults();
        edit(f);
        rig.kb->setFaults(f);
    };
    switch (scenario) {
    case 0:
        d.setWatchdogIntervals(2000, 200);
        rig.atProgress(40, [&rig] { rig.kb->unplug(); });
        break;
    case 1:
        d.setWatchdogIntervals(1000, 200);
        faults([](auto &f) { f.noReenumeration = true; });
        break;
    case 2:
        rig.atProgress(35, [faults] { faults([](auto &f) { f.refuseBlocks = -1; }); });
        break;
    }
    QVERIFY(rig.updateFrom("new.bin", testImage(20000)));
    QVERIFY(rig.released->wait(15000));
    QCOMPARE(d.statusText(), status);
    QCOMPARE(rig.ended->count(), 0);
    QVERIFY(!d.isUpdating());
    QVERIFY(d.localButton()->isEnabled());
    // Nothing the engine says afterwards takes the message back.
    QCoreApplication::processEvents();
    QCOMPARE(d.statusText(), status);
}

// Updates that go well on a keyboard that takes its time over the finish
// (it answers late, or restarts into the new firmware without answering),
// or that refuses a flash CRC query on the way: the engine judges the
// finish within its own bound, and the dialog shows neither a lost keyboard
// nor a read and write error.
void TestFirmwareDialog::truthfulVerdict_data()
{
    QTest::addColumn<int>("scenario");
    QTest::newRow("finish answered late") << 0;
    QTest::newRow("restarts without answering the finish") << 1;
    QTest::newRow("CRC query refused") << 2;
}

void TestFirmwareDialog::truthfulVerdict()
{
    QFETCH(int, scenario);
    Rig rig;
    QVERIFY(rig.connectAndRead());
    rig.open("1.0.3");
    IAPFirmwareWindow &d = *rig.dialog;
    // Twice what the watchdog allows the middle of an update (2 s here).
    constexpr int LateMs = 4000;
    auto fault = [&rig](int command, std::function<void(VirtualKeyboard::Faults &)> edit) {
        VirtualKeyboard::Faults f = rig.kb->faults();
        f.onlyCommand = command;
        edit(f);
        rig.kb->setFaults(f);
    };
    if (scenario == 2) {
        fault(0x0E, [](auto &f) { f.failStatus = 1; });
    } else {
        rig.atProgress(95, [&rig, fault, scenario] {
            if (scenario == 0) {
                fault(0x0B, [](auto &f) { f.delayAnswersMs = LateMs; });
                return;
            }
            rig.kb->modify([](VirtualKeyboard::State &s) { s.rebootDelayMs = LateMs; });
            fault(0x0B, [](auto &f) { f.dropAnswers = 1; });
        });
    }
    QStringList shown;
    QObject::connect(d.progressBar(), &QProgressBar::valueChanged, &rig.context, [&] { shown << d.statusText(); });
    const QByteArray image = testImage(2000);
    QVERIFY(rig.updateFrom("new.bin", image));
    QVERIFY(rig.released->wait(30000));
    QCOMPARE(rig.ended->count(), 1);
    QVERIFY2(waitFor([&] { return d.statusText() == "固件升级完成，当前固件版本：V1.0.3"; }, 20000),
             qPrintable(d.statusText()));
    QCOMPARE(rig.runningImage(), fw_pad_image(image));
    QVERIFY(shown.size() > 10);
    QVERIFY2(!shown.contains("键盘读写异常！"), qPrintable(shown.join('|')));
}

// A keyboard whose new firmware does not start answers once, from its boot
// loader, right after the update: that is not taken for a success.
void TestFirmwareDialog::keyboardStaysInBootLoader()
{
    Rig rig;
    QVERIFY(rig.connectAndRead());
    rig.open("1.0.3");
    IAPFirmwareWindow &d = *rig.dialog;
    rig.atProgress(95, [&rig] { rig.kb->modify([](VirtualKeyboard::State &s) { s.detachDelayMs = 600000; }); });
    QVERIFY(rig.updateFrom("new.bin", testImage(2000)));
    QVERIFY(rig.released->wait(15000));
    const QString stuck("固件没有启动，键盘停留在升级模式，请再次升级。");
    QVERIFY2(waitFor([&] { return d.statusText() == stuck; }, IAPFirmwareWindow::ReturnGraceMs + 3000),
             qPrintable(d.statusText()));
    QVERIFY(d.isBootLoader());
    QVERIFY(d.localButton()->isEnabled());
}

// An erase that outlasts the watchdog's interval but keeps answering is the
// keyboard at work, not a lost keyboard.
void TestFirmwareDialog::slowEraseIsNotALoss()
{
    Rig rig;
    QVERIFY(rig.connectAndRead());
    rig.open("1.0.3");
    IAPFirmwareWindow &d = *rig.dialog;
    d.setWatchdogIntervals(600, 200);
    rig.kb->modify([](VirtualKeyboard::State &s) {
        s.eraseAnswers = 10;
        s.eraseStepUs = 120000; // 1.2 s of erasing, a frame every 120 ms
    });
    QVERIFY(rig.updateFrom("new.bin", testImage(2000)));
    QVERIFY(rig.released->wait(20000));
    QCOMPARE(rig.ended->count(), 1);
    QVERIFY(d.statusText() != QString("设备断开，升级失败，请重试。"));
}

// An update asked for while the worker is still reconnecting after the last
// one: the worker keeps its hands off the keyboard until the engine is done.
void TestFirmwareDialog::updateAgainWhileReconnecting()
{
    Rig rig;
    rig.answer = true; // yes to writing local files
    QVERIFY(rig.connectAndRead());
    rig.open("1.0.3");
    IAPFirmwareWindow &d = *rig.dialog;
    QFile same(rig.dir.filePath("same.bin"));
    QVERIFY(same.open(QIODevice::WriteOnly) && same.write(rig.runningImage()) > 0);
    same.close();
    QFile fresh(rig.dir.filePath("new.bin"));
    const QByteArray image = testImage(20000);
    QVERIFY(fresh.open(QIODevice::WriteOnly) && fresh.write(image) == image.size());
    fresh.close();

    int workerOpenDuringWrite = -1;
    bool again = false;
    // Whatever the worker reads while the engine has the keyboard.
    int infoWhileHeld = -1, infoAtEnd = -1;
    QSignalSpy info(rig.worker->reports(), &KeyboardWorker::sigKB2DeviceInfo);
    // The rig reconnects on the release (connected first); the user clicks
    // again at once, while that connection is on its way.
    QObject::connect(&d, &IAPFirmwareWindow::sigDeviceReleased, &rig.context, [&] {
        if (std::exchange(again, true)) {
            if (infoAtEnd < 0)
                infoAtEnd = info.count();
            return;
        }
        rig.nextFile = fresh.fileName();
        rig.atProgress(50, [&] { workerOpenDuringWrite = rig.worker->isDeviceOpen() ? 1 : 0; });
        d.chooseButton()->click();
        d.localButton()->click();
        infoWhileHeld = info.count();
    });
    rig.kb->modify([](VirtualKeyboard::State &s) { s.latencyUs = 20000; });
    rig.nextFile = same.fileName();
    d.chooseButton()->click();
    d.localButton()->click();
    QVERIFY(rig.released->wait(15000));
    QVERIFY(rig.released->wait(15000));
    QCOMPARE(infoAtEnd - infoWhileHeld, 0);
    QCOMPARE(workerOpenDuringWrite, 0);
    QCOMPARE(rig.runningImage(), fw_pad_image(image));
    // Once the engine lets go, the worker connects again.
    QVERIFY(waitFor([&] { return rig.worker->isDeviceOpen(); }, 10000));
}

void TestFirmwareDialog::settingsActions()
{
    Rig rig;
    QVERIFY(rig.connectAndRead());
    rig.open();
    IAPFirmwareWindow &d = *rig.dialog;
    QCOMPARE(d.pollingRateBox()->count(), 7);
    QCOMPARE(d.pollingRateBox()->itemText(4), QString("500Hz"));
    QVERIFY(d.pollingRateBox()->isEnabled());
    emit d.pollingRateBox()->activated(4);
    QVERIFY(rig.waitIdle());
    QCOMPARE(int(rig.kb->state().pollingRate), 4);

    rig.answer = false;
    d.factoryResetButton()->click();
    QCOMPARE(rig.questions.last(), QString("恢复出厂设置|是否将键盘恢复出厂设置？"));
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.kb->state().factoryResets, 0);
    rig.answer = true;
    d.factoryResetButton()->click();
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.kb->state().factoryResets, 1);

    // The support report holds the session's read-back and the frames just
    // exchanged; a folder that cannot be written is said, and nothing else.
    rig.nextFile = rig.dir.filePath("report.json");
    rig.notes.clear();
    d.supportReportButton()->click();
    QVERIFY(!d.supportReportButton()->isEnabled());
    QVERIFY(waitFor([&] { return !rig.notes.isEmpty(); }));
    QCOMPARE(rig.notes, QStringList("提示|诊断报告已保存到 " + QDir::toNativeSeparators(rig.nextFile)));
    QVERIFY(d.supportReportButton()->isEnabled());
    QFile reportFile(rig.nextFile);
    QVERIFY(reportFile.open(QIODevice::ReadOnly));
    const QJsonObject report = QJsonDocument::fromJson(reportFile.readAll()).object();
    QVERIFY(report.value("readBack").toObject().value("missing").toArray().isEmpty());
    QVERIFY(!report.value("board").toObject().isEmpty());
    QVERIFY(!report.value("frames").toArray().isEmpty());
    rig.nextFile = rig.dir.filePath("absent/report.json");
    rig.notes.clear();
    d.supportReportButton()->click();
    QVERIFY(waitFor([&] { return !rig.notes.isEmpty(); }));
    QCOMPARE(rig.notes.size(), 1);
    QVERIFY(rig.notes.first().startsWith("提示|诊断报告保存失败："));
    QVERIFY(!QFile::exists(rig.nextFile));

    d.checkUpdateButton()->click();
#ifdef Q_OS_WIN
    const QString update = QCoreApplication::applicationDirPath() + "/Update.exe";
#else
    const QString update = QCoreApplication::applicationDirPath() + "/Update";
#endif
    QCOMPARE(rig.started, QStringList(update + " --workdir " + QDir::currentPath()));
    // Update starts the new version with this one's options.
    setRestartArguments({"--simulate=2"});
    d.checkUpdateButton()->click();
    setRestartArguments({});
    QCOMPARE(rig.started.last(),
             update + " --workdir " + QDir::currentPath() + " -- --simulate=2");
    // While another updater holds its lock, or the one started from here
    // runs, clicking again starts none.
    {
        UpdaterLock updater(QCoreApplication::applicationFilePath());
        QCOMPARE(updater.tryAcquire(), UpdaterLock::Result::Acquired);
        d.checkUpdateButton()->click();
        QCOMPARE(rig.started.size(), 2);
        QCOMPARE(d.statusText(), QString("更新程序已在运行。"));
    }
    rig.startedPid = QCoreApplication::applicationPid();
    d.checkUpdateButton()->click();
    QCOMPARE(rig.started.size(), 3);
    d.checkUpdateButton()->click();
    QCOMPARE(rig.started.size(), 3);

    // Closing is refused only while the keyboard is being written.
    d.show();
    d.closeBtnClicked();
    QVERIFY(d.isHidden());
}

void TestFirmwareDialog::noticeOncePerReport()
{
    Rig rig;
    const QByteArray image = testImage(100);
    rig.serveDocument(document("1.2.0", image));
    FirmwareNotice notice(&rig.online);
    QSignalSpy offers(&notice, &FirmwareNotice::sigOfferFirmwareDialog);
    QSignalSpy documents(&rig.online, &OnlineUpdate::haveNewVersionData);
    auto checksDone = [&](int n) { return waitFor([&] { return documents.count() == n; }, 5000); };
    // The board report's check and the one after the initial read: one offer.
    notice.boardReported(0x102, "1.0.3", false);
    notice.initialReadFinished();
    QVERIFY(checksDone(2));
    QCOMPARE(offers.count(), 1);
    QCOMPARE(offers.first().first().toString(), QString("1.0.3"));
    // A board that is up to date, or in its boot loader, is offered nothing.
    notice.boardReported(0x102, "1.2.0", false);
    notice.boardReported(0x102, "1.0", true);
    QVERIFY(checksDone(4));
    QCOMPARE(offers.count(), 1);
    // The next report of an older board: offered again.
    notice.boardReported(0x102, "1.0.3", false);
    QVERIFY(checksDone(5));
    QCOMPARE(offers.count(), 2);
    // Two reports in quick succession: only the newer one's check may offer.
    notice.boardReported(0x102, "1.0.3", false);
    notice.boardReported(0x102, "1.0.3", false);
    QVERIFY(checksDone(7));
    QCOMPARE(offers.count(), 3);
}

QTEST_MAIN(TestFirmwareDialog)
#include "test_firmware_dialog.moc"
