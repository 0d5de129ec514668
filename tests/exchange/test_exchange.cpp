// Share codes, the bundle of everything and snapshots: round trips, hostile
// input, and that nothing is ever overwritten.

#include "MacroCsv.h"
#include "MacroFile.h"
#include "ProfileBundle.h"
#include "ProfileData.h"
#include "ProfileFile.h"
#include "SettingsFactory.h"
#include "ShareCode.h"
#include "SnapshotStore.h"
#include "SystemConfig.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QJsonObject fullProfileData()
{
    QFile f(QStringLiteral(CORVANE_APPLY_DATA "/full_profile_applied.json"));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("missing test data %s", qPrintable(f.fileName()));
    return QJsonDocument::fromJson(f.readAll()).object();
}

QList<MACRO_Key> stepsOf(const QString &csv)
{
    QList<MACRO_Key> steps;
    parseMacroCsv(csv.toUtf8(), &steps);
    return steps;
}

bool sameSteps(const QList<MACRO_Key> &a, const QList<MACRO_Key> &b)
{
    return writeMacroCsv(a) == writeMacroCsv(b);
}

// A data folder with two profiles (the full one binds macro m1), the
// macros, two presets and rules.
void fillFolder(const DataFolder &folder)
{
    const QJsonObject data = fullProfileData();
    QDir().mkpath(folder.macros());
    QDir().mkpath(folder.profiles());
    const QJsonObject macros = data.value("macros").toObject();
    for (auto it = macros.begin(); it != macros.end(); ++it)
        writeMacroFile(QDir(folder.macros()).filePath(it.key() + ".csv"), stepsOf(it.value().toString()));
    ProfileDocument full = data.value("profile").toObject();
    full.insert(ProfileKeys::ProfileName, "Full");
    writeProfileFile(QDir(folder.profiles()).filePath("Full.kb"), full);
    ProfileDocument plain = defaultProfileDocument();
    plain.insert(ProfileKeys::ProfileName, "游戏");
    writeProfileFile(QDir(folder.profiles()).filePath("游戏.kb"), plain);
    QDir().mkpath(QFileInfo(folder.presetsFile()).absolutePath());
    auto presets = openIniSettings(folder.presetsFile());
    presets->setValue("rgbPresuppose1", "0#255#0#0|1#0#255#0|");
    presets->setValue("rgbPresuppose4", "30#1#2#3|");
    presets->sync();
    SystemConfig config(folder.settingsFile());
    AppProfileRules rules;
    rules.rules = {{"game.exe", "游戏"}, {"code", "Full"}};
    rules.defaultProfile = "Full";
    writeAppProfileRules(config, rules);
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

} // namespace

class TestExchange : public QObject {
    Q_OBJECT
private slots:
    void shareCodeRoundTripsEveryKind();
    void shareCodeRefusesBadInput();
    void bundleRoundTripsAFolder();
    void bundleImportNeverOverwrites();
    void bundleRefusesBadFiles();
    void snapshotsKeepTheNewestTwenty();
};

void TestExchange::shareCodeRoundTripsEveryKind()
{
    const QJsonObject data = fullProfileData();
    SharedProfile shared;
    shared.model = 6;
    shared.document = data.value("profile").toObject();
    shared.macros.insert("m1", stepsOf(data.value("macros").toObject().value("m1").toString()));
    const QString code = encodeShareCode(shared);
    QVERIFY(code.startsWith("corvane1-"));
    QVERIFY2(code.size() < 2000, qPrintable(QString::number(code.size())));

    // Pasted among chat text, the code is found and gives everything back.
    const QString pasted = QStringLiteral("试试这个配置：\n%1\n好用！").arg(code);
    QCOMPARE(findShareCode(pasted), code);
    SharedProfile back;
    QCOMPARE(decodeShareCode(findShareCode(pasted), &back), ShareCodeError::None);
    QCOMPARE(back.model, 6);
    QCOMPARE(back.document, shared.document);
    QCOMPARE(readProfile(back.document), readProfile(shared.document));
    QCOMPARE(back.macros.keys(), QStringList{"m1"});
    QVERIFY(sameSteps(back.macros.value("m1"), shared.macros.value("m1")));
}

void TestExchange::shareCodeRefusesBadInput()
{
    SharedProfile shared;
    shared.model = 0;
    shared.document = defaultProfileDocument();
    const QString code = encodeShareCode(shared);
    SharedProfile out;
    out.model = 99;
    const auto refused = [&](const QString &text, ShareCodeError expected) {
        const ShareCodeError got = decodeShareCode(text, &out);
        return got == expected && out.model == 99;
    };
    // One character changed, cut short, characters outside the alphabet.
    QString flipped = code;
    flipped[20] = flipped.at(20) == 'A' ? 'B' : 'A';
    QVERIFY(refused(flipped, ShareCodeError::Damaged));
    QVERIFY(refused(code.left(code.size() - 6), ShareCodeError::Damaged));
    QVERIFY(refused(code.left(12), ShareCodeError::Damaged));
    QVERIFY(refused(code + "!", ShareCodeError::Damaged));
    QVERIFY(refused("corvane2-AAAA", ShareCodeError::NewerVersion));
    QVERIFY(refused("hello", ShareCodeError::NotACode));
    QVERIFY(refused(QString(), ShareCodeError::NotACode));
    QVERIFY(refused("corvane1-" + QString(MaxShareCodeLength + 1, 'A'), ShareCodeError::TooLong));
    QVERIFY(findShareCode("no code here").isEmpty());

    // A valid frame around bad contents: a checksum does not make it ours.
    const auto frame = [](const QByteArray &compressed) {
        QByteArray bytes(1, char(ShareCodeVersion));
        bytes += compressed;
        bytes += QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).left(4);
        return "corvane1-" + QString::fromLatin1(bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
    };
    // Decompression bombs: one that says how large it is, one that lies.
    const QByteArray bomb = qCompress(QByteArray(20 * 1024 * 1024, '{'), 9);
    QVERIFY(refused(frame(bomb), ShareCodeError::Damaged));
    QByteArray liar = bomb;
    liar[0] = 0, liar[1] = 0, liar[2] = 0, liar[3] = 100;
    QVERIFY(refused(frame(liar), ShareCodeError::Damaged));
    QVERIFY(refused(frame(qCompress("[1,2]")), ShareCodeError::Damaged));
    QVERIFY(refused(frame(qCompress(R"({"m":0,"p":{"KeyboardRGB":{"rgb-mode":"x"}}})")), ShareCodeError::NotAProfile));
    QVERIFY(refused(frame(qCompress(R"({"m":300,"p":{}})")), ShareCodeError::NotAProfile));
    const QByteArray badMacro = R"({"m":0,"p":{"KeyboardRGB":{"rgb-mode":1,"rgb-luminance":4,"rgb-speed":4,"rgb-sleep":1,"rgb-direction":false}},"x":{"../evil":"Key,Key UP/DOWN,Delay(ms)\n"}})";
    QVERIFY(refused(frame(qCompress(badMacro)), ShareCodeError::NotAProfile));
}

void TestExchange::bundleRoundTripsAFolder()
{
    QTemporaryDir a, b;
    const DataFolder from{a.path()}, to{b.path()};
    fillFolder(from);
    QStringList skipped;
    const ProfileBundle bundle = collectBundle(from, &skipped);
    QVERIFY(skipped.isEmpty());
    QCOMPARE(bundle.profiles.size(), 2);
    QCOMPARE(bundle.macros.keys(), (QStringList{"m1", "m2"}));
    QCOMPARE(bundle.presets.keys(), (QList<int>{1, 4}));

    ProfileBundle read;
    QCOMPARE(parseBundle(serialiseBundle(bundle), &read), BundleError::None);
    const BundleImportPlan plan = planBundleImport(read, to);
    QVERIFY(!plan.replacesSomething());
    QStringList written;
    QString why;
    QVERIFY2(applyBundleImport(read, plan, to, false, &written, &why), qPrintable(why));
    QCOMPARE(written.size(), 6);
    for (const char *file : {"LocalProfile/Full.kb", "LocalProfile/游戏.kb", "Macro/m1.csv", "Macro/m2.csv"})
        QCOMPARE(fileBytes(QDir(to.root).filePath(QString::fromUtf8(file))), fileBytes(QDir(from.root).filePath(QString::fromUtf8(file))));
    const ProfileBundle again = collectBundle(to);
    QCOMPARE(serialiseBundle(again), serialiseBundle(bundle));

    // Everything is there already: a second import writes nothing.
    written.clear();
    QVERIFY(applyBundleImport(read, planBundleImport(read, to), to, false, &written, &why));
    QCOMPARE(written, QStringList());
}

void TestExchange::bundleImportNeverOverwrites()
{
    QTemporaryDir a, b;
    const DataFolder from{a.path()}, to{b.path()};
    fillFolder(from);
    const ProfileBundle bundle = collectBundle(from);
    // The other computer has its own "Full" profile, an m1 macro of other
    // steps, its own first preset and rule for game.exe.
    QDir().mkpath(to.profiles());
    ProfileDocument mine = defaultProfileDocument();
    writeProfileFile(QDir(to.profiles()).filePath("full.kb"), mine);
    QDir().mkpath(to.macros());
    writeMacroFile(QDir(to.macros()).filePath("m1.csv"), stepsOf("Key,Key UP/DOWN,Delay(ms)\nZ,DOWN,1\n"));
    QDir().mkpath(QFileInfo(to.presetsFile()).absolutePath());
    openIniSettings(to.presetsFile())->setValue("rgbPresuppose1", "5#5#5#5|");
    {
        SystemConfig config(to.settingsFile());
        AppProfileRules rules;
        rules.rules = {{"GAME.EXE", "other"}};
        writeAppProfileRules(config, rules);
    }
    const QByteArray myProfile = fileBytes(QDir(to.profiles()).filePath("full.kb"));
    const QByteArray myMacro = fileBytes(QDir(to.macros()).filePath("m1.csv"));

    const BundleImportPlan plan = planBundleImport(bundle, to);
    QCOMPARE(plan.profiles.at(0).target, QString("Full_1"));
    QCOMPARE(plan.macros.at(0).target, QString("m1_1"));
    QCOMPARE(plan.macros.at(1).target, QString("m2")); // new here
    QCOMPARE(plan.presetsChanged, QList<int>{1});
    QCOMPARE(plan.rulesChanged.size(), 1);
    QCOMPARE(plan.rulesChanged.at(0).profile, QString("游戏"));
    QCOMPARE(plan.rulesAdded.size(), 1);
    QCOMPARE(plan.rulesAdded.at(0).profile, QString("Full_1")); // follows the renamed profile
    QStringList written;
    QString why;
    QVERIFY2(applyBundleImport(bundle, plan, to, false, &written, &why), qPrintable(why));
    QCOMPARE(fileBytes(QDir(to.profiles()).filePath("full.kb")), myProfile);
    QCOMPARE(fileBytes(QDir(to.macros()).filePath("m1.csv")), myMacro);
    // The renamed profile binds the renamed macro.
    ProfileDocument renamed;
    QVERIFY(readProfileFile(QDir(to.profiles()).filePath("Full_1.kb"), &renamed));
    QCOMPARE(renamed.value("AdvancedKey").toObject().value("57").toObject().value("macroName").toString(), QString("m1_1"));
    QCOMPARE(renamed.value("ProfileName").toString(), QString("Full_1"));
    // Without asking, what differs is kept; only the new preset and rule came.
    auto presets = openIniSettings(to.presetsFile());
    QCOMPARE(presets->value("rgbPresuppose1").toString(), QString("5#5#5#5|"));
    QCOMPARE(presets->value("rgbPresuppose4").toString(), QString("30#1#2#3|"));
    AppProfileRules rules = readAppProfileRules(SystemConfig(to.settingsFile()));
    QCOMPARE(rules.rules.size(), 2);
    QCOMPARE(rules.rules.at(0).profile, QString("other"));
    QCOMPARE(rules.defaultProfile, QString("Full_1"));
    // Asked and agreed: they are replaced.
    QVERIFY(applyBundleImport(bundle, planBundleImport(bundle, to), to, true, &written, &why));
    QCOMPARE(openIniSettings(to.presetsFile())->value("rgbPresuppose1").toString(), bundle.presets.value(1));
    QCOMPARE(readAppProfileRules(SystemConfig(to.settingsFile())).rules.at(0).profile, QString("游戏"));

    // A link where a file goes is not followed. (On Windows QFile::link
    // makes a shortcut, a plain file that nothing follows.)
#ifndef Q_OS_WIN
    QTemporaryDir c;
    const DataFolder linked{c.path()};
    QDir().mkpath(linked.profiles());
    const QString outside = c.filePath("outside.kb");
    QFile::link(outside, QDir(linked.profiles()).filePath("Full.kb"));
    QVERIFY(!writeUserFile(QDir(linked.profiles()).filePath("Full.kb"), "x", &why));
    QVERIFY(!QFile::exists(outside));
#endif
}

void TestExchange::bundleRefusesBadFiles()
{
    QTemporaryDir a;
    fillFolder(DataFolder{a.path()});
    const QByteArray good = serialiseBundle(collectBundle(DataFolder{a.path()}));
    ProfileBundle out;
    QCOMPARE(parseBundle(good.left(good.size() / 2), &out), BundleError::Damaged);
    QCOMPARE(parseBundle(QByteArray(good).replace("\"version\": 1", "\"version\": 7"), &out), BundleError::NewerVersion);
    QCOMPARE(parseBundle(fileBytes(QDir(a.path()).filePath("LocalProfile/Full.kb")), &out), BundleError::NotABundle);
    QCOMPARE(parseBundle("{\"a\": 1}", &out), BundleError::NotABundle);
    QCOMPARE(parseBundle(QByteArray(good).replace("\"name\": \"Full\"", "\"name\": \"../Full\""), &out),
             BundleError::Damaged);
    QCOMPARE(parseBundle(QByteArray(good).replace("\"name\": \"Full\"", "\"name\": \"游戏\""), &out),
             BundleError::Damaged);
    QCOMPARE(parseBundle(QByteArray(good).replace("0#255#0#0|", "<script>"), &out), BundleError::Damaged);
    QVERIFY(out.profiles.isEmpty());
}

void TestExchange::snapshotsKeepTheNewestTwenty()
{
    QTemporaryDir dir;
    SnapshotStore store(dir.filePath("Snapshots"));
    SnapshotStore::Snapshot s;
    s.document = fullProfileData().value("profile").toObject();
    s.keyColours = {{17, 0xFF8000}, {30, 0x000001}};
    s.systemMode = 1;
    s.pollingRate = 3;
    const QDateTime start = QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC);
    for (int i = 0; i <= SnapshotStore::Keep; ++i) {
        s.document.insert(ProfileKeys::ProfileName, QString::number(i));
        QVERIFY(store.take("SN/1", i == 0 ? SnapshotStore::Reason::FirmwareUpdate : SnapshotStore::Reason::FactoryReset,
                           s, nullptr, start.addSecs(i)));
    }
    const QList<SnapshotStore::Entry> entries = store.list("SN/1");
    QCOMPARE(entries.size(), SnapshotStore::Keep);
    QCOMPARE(entries.first().time, start.addSecs(SnapshotStore::Keep));
    QCOMPARE(entries.last().time, start.addSecs(1)); // the first one went
    QCOMPARE(entries.first().reason, SnapshotStore::Reason::FactoryReset);
    QCOMPARE(entries.first().serial, QString("SN/1"));
    // The same configuration again (a focus rule going back and forth) is
    // not kept twice, and pushes nothing out.
    QVERIFY(store.take("SN/1", SnapshotStore::Reason::OutsideApply, s, nullptr, start.addSecs(100)));
    QCOMPARE(store.list("SN/1").size(), SnapshotStore::Keep);
    QCOMPARE(store.list("SN/1").first().time, start.addSecs(SnapshotStore::Keep));
    QVERIFY(store.list("another").isEmpty());
    SnapshotStore::Snapshot back;
    QVERIFY(store.read(entries.first().path, &back));
    QCOMPARE(back.document, s.document);
    QCOMPARE(back.keyColours, s.keyColours);
    QCOMPARE(back.systemMode, 1);
    QCOMPARE(back.pollingRate, 3);
#ifndef Q_OS_WIN // (Windows keeps access lists, not modes)
    QCOMPARE(QFileInfo(QFileInfo(entries.first().path).absolutePath()).permissions() & 0x0077, QFile::Permissions());
#endif
}

QTEST_GUILESS_MAIN(TestExchange)
#include "test_exchange.moc"
