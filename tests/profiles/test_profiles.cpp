#include "KbScramble.h"
#include "ProfileData.h"
#include "ProfileDocument.h"
#include "ProfileFile.h"
#include "ProfileManager.h"
#include "ProfileName.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/resource.h>
#endif
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

QString folder()
{
    return ProfileManager::profileFolder();
}

void writeRaw(const QString &fileName, const QByteArray &bytes)
{
    QDir().mkpath(folder());
    QFile file(folder() + "/" + fileName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void writeProfile(const QString &fileName, const QJsonObject &doc)
{
    writeRaw(fileName, kb_scramble(QJsonDocument(doc).toJson(QJsonDocument::Compact)));
}

QJsonObject readProfile(const QString &path)
{
    ProfileDocument doc;
    readProfileFile(path, &doc);
    return doc;
}

// A document with something in every group.
QJsonObject fullDocument()
{
    QJsonObject doc = defaultProfileDocument();
    doc["KeyboardRGB"] = QJsonObject{{"rgb-mode", 7}, {"rgb-luminance", 2}, {"rgb-speed", 1}, {"rgb-sleep", 3},
                                     {"rgb-direction", true}};
    doc["KeyPerformance"] = QJsonObject{{"global-key-touch", 1250}, {"deadSpacePress", 20}, {"deadSpaceRelease", 3},
                                        {"super-light-speed", true}, {"quick-key-press", 30}, {"quick-key-release", 40}};
    doc["KeyCustom"] = QJsonObject{{"fn0-layout", QJsonObject{{"0", 41}, {"17", 4}}}, {"fn1-layout", QJsonObject()},
                                   {"fn2-layout", QJsonObject{{"5", 58}}}, {"fn3-layout", QJsonObject()}};
    doc["KeyTouchDB"] = QJsonObject{{"17", QJsonObject{{"work-mode", 1}, {"keyTouchDis", 1500},
                                                       {"quickTouchPressDis", 300}, {"quickTouchUpDis", 200}}}};
    doc["AdvancedKey"] = QJsonObject{
        {"3", QJsonObject{{"bindItem", "MT"}, {"pressType", 4}, {"clickType", 5}, {"delay", 200}}},
        {"9", QJsonObject{{"bindItem", "TDKS"}, {"bindKey", QJsonArray{4, 5}}, {"triggerValue", QJsonArray{"1010", "0101"}},
                          {"touchDis", QJsonArray{0.5, 1.25}}}},
        {"12", QJsonObject{{"bindItem", "MACRO"}, {"macroName", "宏一"}}}};
    doc["ProfileName"] = "full";
    return doc;
}

QByteArray fileBytes(const QString &fileName)
{
    QFile file(folder() + "/" + fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Used by the POSIX-only cases.
[[maybe_unused]] QStringList profileFiles()
{
    return QDir(folder()).entryList(QDir::Files | QDir::Hidden);
}


#ifdef Q_OS_UNIX
// Makes the profile folder read-only while it lives. Root ignores
// permissions, so root takes an unprivileged effective user meanwhile.
class ReadOnlyFolder {
public:
    ReadOnlyFolder()
        : m_folder(QFile::permissions(folder()))
        , m_parent(QFile::permissions(QDir::currentPath()))
    {
        const auto readOnly = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup
                              | QFile::ReadOther | QFile::ExeOther;
        QFile::setPermissions(folder(), readOnly);
        if (geteuid() == 0) {
            QFile::setPermissions(QDir::currentPath(), m_parent | QFile::ReadGroup | QFile::ExeGroup
                                                           | QFile::ReadOther | QFile::ExeOther);
            m_droppedRoot = seteuid(65534) == 0;
        }
    }
    ~ReadOnlyFolder()
    {
        if (m_droppedRoot && seteuid(0) != 0)
            qFatal("cannot take back the root user");
        QFile::setPermissions(QDir::currentPath(), m_parent);
        QFile::setPermissions(folder(), m_folder);
    }
    // Whether the folder can still be read but no longer be written.
    bool holds() const
    {
        if (profileFiles().isEmpty())
            return false;
        QFile probe(folder() + "/probe");
        if (!probe.open(QIODevice::WriteOnly))
            return true;
        probe.remove();
        return false;
    }

private:
    QFile::Permissions m_folder;
    QFile::Permissions m_parent;
    bool m_droppedRoot = false;
};
#endif

} // namespace

class TestProfiles : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void fileFormat();
    void importNamesAndIds();
    void startupListsDamagedFiles();
    void selectionMakesCurrent();
    void updateOperations();
    void advancedKeyEntries();
    void namesAreRefused_data();
    void namesAreRefused();
    void renameAndDelete();
    void refusedFileOperationsChangeNothing();
    void reload();
    void importFromElsewhere();
    void failedWriteKeepsPreviousFile();

    void typedProfileRoundTrip();
    void typedReadingIsLenient();
    void typedReadingHoldsNumbersToTheKeyboard();

private:
    QTemporaryDir *m_dir = nullptr;
    QString m_oldCwd;
};

void TestProfiles::init()
{
    m_oldCwd = QDir::currentPath();
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir::setCurrent(m_dir->path()));
}

void TestProfiles::cleanup()
{
    QDir::setCurrent(m_oldCwd);
    delete m_dir;
    m_dir = nullptr;
}

void TestProfiles::fileFormat()
{
    QCOMPARE(kb_scramble(QByteArray("{}")), QByteArray("\xdc\xda"));
    QCOMPARE(kb_scramble(kb_scramble("any bytes \x00\xff")), QByteArray("any bytes \x00\xff"));

    // Every group survives a save and a reload unchanged.
    ProfileManager manager;
    const QJsonObject full = fullDocument();
    writeProfile("full.kb", full);
    QVERIFY(manager.ImportProfileFile("full.kb"));
    manager.SelectCurrentProfile(1);
    QVERIFY(manager.SaveCurrentProfileAs("copy.kb"));
    QVERIFY(manager.ImportProfileFile("copy.kb"));
    QJsonObject reloaded = manager.profile(2);
    QCOMPARE(reloaded.value("ProfileName").toString(), QString("copy"));
    reloaded["ProfileName"] = "full";
    QCOMPARE(reloaded, full);

    // On disk: compact JSON, scrambled, no header.
    QFile file(folder() + "/copy.kb");
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray plain = kb_scramble(file.readAll());
    QVERIFY(plain.startsWith("{\""));
    QVERIFY(!plain.contains('\n'));
}

void TestProfiles::importNamesAndIds()
{
    const QJsonObject doc = fullDocument();
    writeProfile("a.b.kb", doc);
    writeProfile("B.kb", doc);
    writeProfile("c.kb", doc);
    writeRaw("notes.txt", "not a profile");

    ProfileManager manager;
    const QList<ProfileListEntry> entries = manager.LoadProfileList();
    QCOMPARE(entries.size(), 3);
    QCOMPARE(entries[0].name, QString("a.b")); // list shows all but ".kb"
    QCOMPARE(entries[1].name, QString("B"));   // sorted ignoring case
    QCOMPARE(entries[2].name, QString("c"));
    QCOMPARE(manager.profile(entries[0].id).value("ProfileName").toString(), QString("a"));
    for (const ProfileListEntry &e : entries)
        QCOMPARE(QFileInfo(manager.profilePath(e.id)).fileName(), e.name + ".kb");
    QCOMPARE(manager.profileIdForFile("c.kb"), entries[2].id);

    // Ids are never reused: a profile imported after a deletion gets a new one.
    QVERIFY(manager.DeleteProfile(entries[1].id));
    QVERIFY(!QFile::exists(folder() + "/B.kb"));
    QVERIFY(manager.profile(entries[1].id).isEmpty());
    writeProfile("d.kb", doc);
    QVERIFY(manager.ImportProfileFile("d.kb"));
    QCOMPARE(manager.lastId(), 4);
    QCOMPARE(manager.profileIds(), QList<int>({1, 3, 4}));

    // Reload keeps the id, the name stored in the document and the path.
    manager.ReloadProfileFile(3, "d.kb");
    QCOMPARE(manager.profilePath(3), folder() + "/c.kb");
    QCOMPARE(manager.lastId(), 4);
}

void TestProfiles::startupListsDamagedFiles()
{
    const QJsonObject good = fullDocument();
    const QByteArray goodBytes = serialiseProfile(good);
    writeProfile("good1.kb", good);
    writeRaw("empty.kb", QByteArray());
    writeRaw("truncated.kb", goodBytes.left(goodBytes.size() / 2));
    writeRaw("plain.kb", QJsonDocument(good).toJson()); // never scrambled
    writeRaw("array.kb", kb_scramble("[1,2,3]"));
    writeRaw("emptyobject.kb", kb_scramble("{}"));
    writeRaw("nested.kb", kb_scramble(QByteArray("{\"a\":") + QByteArray(100000, '[') + QByteArray(100000, ']') + "}"));
    writeRaw("huge.kb", kb_scramble("{\"a\":\"" + QByteArray(MaxProfileFileSize, 'x') + "\"}"));
    writeRaw("binary.kb", QByteArray(4096, '\xff'));
    QDir().mkpath(folder() + "/folder.kb"); // a directory with a profile's name
    writeProfile("good2.kb", good);

    // Every file is listed, in name order; the damaged ones with the reason.
    ProfileManager manager;
    const QList<ProfileListEntry> entries = manager.LoadProfileList();
    QStringList shown;
    for (const ProfileListEntry &e : entries)
        shown << e.name + "|" + e.damage;
    const QString invalid = "内容不是有效的配置";
    QCOMPARE(shown, QStringList({"array|" + invalid, "binary|" + invalid, "empty|文件为空", "emptyobject|" + invalid,
                                 "good1|", "good2|", "huge|文件过大", "nested|" + invalid, "plain|" + invalid,
                                 "truncated|" + invalid}));
    const int good1 = entries[4].id, plain = entries[8].id;
    QCOMPARE(manager.profileIds(), QList<int>({good1, entries[5].id}));
    QVERIFY(!manager.ImportProfileFile("missing.kb"));
    QVERIFY(!manager.ImportProfileFile("../outside.kb"));

    // A damaged profile is found by its file, and cannot be applied,
    // exported or renamed.
    QCOMPARE(manager.profileIdForFile("plain.kb"), plain);
    QVERIFY(manager.isDamaged(plain));
    QCOMPARE(manager.profilePath(plain), folder() + "/plain.kb");
    manager.SelectCurrentProfile(plain);
    QVERIFY(manager.currentDocument().isEmpty());
    QVERIFY(!manager.ExportProfile(plain, QDir::currentPath() + "/out.kb"));
    QCOMPARE(manager.lastError(), QString("配置文件“plain.kb”已损坏：") + invalid);
    QVERIFY(!QFile::exists(QDir::currentPath() + "/out.kb"));
    QVERIFY(!manager.RenameProfile(plain, "fixed"));
    QVERIFY(QFile::exists(folder() + "/plain.kb"));

    // A save over it, reloaded under its id, makes it a profile again.
    manager.SelectCurrentProfile(good1);
    QVERIFY(manager.SaveCurrentProfileAs("plain.kb"));
    QVERIFY(manager.ReloadProfileFile(plain, "plain.kb"));
    QVERIFY(!manager.isDamaged(plain));
    QCOMPARE(manager.profile(plain).value("KeyboardRGB"), good.value("KeyboardRGB"));
    QCOMPARE(manager.profilePath(plain), folder() + "/plain.kb");

    // Deleting a damaged one removes its file.
    const int binary = entries[1].id;
    QVERIFY(manager.DeleteProfile(binary));
    QVERIFY(!QFile::exists(folder() + "/binary.kb"));
    QCOMPARE(manager.profileIdForFile("binary.kb"), 0);
}

// Selecting a profile makes it current, typed as the pages show it;
// selecting nothing empties the document.
void TestProfiles::selectionMakesCurrent()
{
    ProfileManager manager;
    writeProfile("full.kb", fullDocument());
    QVERIFY(manager.ImportProfileFile("full.kb"));
    manager.SelectCurrentProfile(1);
    QCOMPARE(manager.currentId(), 1);
    const ProfileData current = manager.currentProfile();
    QCOMPARE(current.layers->at(0).value(17), 4);
    QCOMPARE(current.advanced->value(3).kind(), int(Bind_MT));

    for (int id : {0, 99}) {
        manager.SelectCurrentProfile(id);
        QVERIFY(manager.currentDocument().isEmpty());
        QVERIFY(manager.currentProfile().isEmpty());
        QCOMPARE(manager.currentId(), id);
    }
}

void TestProfiles::updateOperations()
{
    ProfileManager manager;
    // A fresh manager edits the default document.
    QCOMPARE(manager.currentDocument(), defaultProfileDocument());
    QCOMPARE(manager.currentId(), 0);

    manager.UpdateBoardRGBValue("rgb-direction", 1);
    manager.UpdateBoardRGBValue("rgb-speed", QString("3"));
    manager.UpdateBoardPerformanceValue("super-light-speed", true);
    manager.UpdateBoardPerformanceValue("global-key-touch", 1800);
    manager.UpdateBoardLayerKey(2, 17, 44);
    manager.UpdateBoardLayerKey(4, 17, 44); // no such layer
    KeyTravelRecord r;
    r.workMode = 1;
    r.keyTouchDis = 1200;
    r.quickTouchPressDis = 100;
    r.quickTouchUpDis = 150;
    manager.UpdateBoardKeyTouch({{5, r}, {6, r}});
    r.keyTouchDis = 900;
    manager.UpdateBoardKeyTouch({{6, r}});
    manager.UpdateBoardKeyTouch({});

    QJsonObject doc = manager.currentDocument();
    const QJsonObject rgb = doc.value("KeyboardRGB").toObject();
    QCOMPARE(rgb.value("rgb-direction"), QJsonValue(true));
    QCOMPARE(rgb.value("rgb-speed"), QJsonValue(3));
    QCOMPARE(doc.value("KeyPerformance").toObject().value("super-light-speed"), QJsonValue(true));
    QCOMPARE(doc.value("KeyPerformance").toObject().value("global-key-touch"), QJsonValue(1800));
    const QJsonObject custom = doc.value("KeyCustom").toObject();
    QCOMPARE(custom.value("fn2-layout").toObject(), QJsonObject({{"17", 44}}));
    QCOMPARE(custom.size(), 4);
    const QJsonObject touch = doc.value("KeyTouchDB").toObject();
    QCOMPARE(touch.size(), 2);
    QCOMPARE(touch.value("5").toObject(), QJsonObject({{"work-mode", 1}, {"keyTouchDis", 1200},
                                                       {"quickTouchPressDis", 100}, {"quickTouchUpDis", 150}}));
    QCOMPARE(touch.value("6").toObject().value("keyTouchDis").toInt(), 900);

    manager.UpdateBoardLayer(1, {{3, 9}});
    QCOMPARE(manager.currentDocument().value("KeyCustom").toObject().value("fn1-layout").toObject(),
             QJsonObject({{"3", 9}}));

    // After selecting nothing, single values are dropped, whole groups are created.
    manager.SelectCurrentProfile();
    manager.UpdateBoardRGBValue("rgb-mode", 3);
    manager.UpdateBoardLayerKey(0, 1, 2);
    manager.UpdateBoardKeyTouch({{5, r}});
    manager.UpdateBoardAdvancedKey(QVariant::fromValue(MTInfo()));
    QVERIFY(manager.currentDocument().isEmpty());
    LightingSettings lighting;
    lighting.mode = 3;
    manager.UpdateBoardRGB(lighting);
    PerformanceSettings performance;
    performance.globalTravelUm = 1500;
    manager.UpdateBoardPerformance(performance);
    doc = manager.currentDocument();
    QCOMPARE(doc.keys(), QStringList({"KeyPerformance", "KeyboardRGB"}));
    QCOMPARE(doc.value("KeyboardRGB").toObject().value("rgb-mode").toInt(), 3);
    QCOMPARE(doc.value("KeyPerformance").toObject().value("global-key-touch").toInt(), 1500);

    // Saving an empty document writes nothing.
    manager.SelectCurrentProfile();
    QVERIFY(!manager.SaveCurrentProfileAs("empty.kb"));
    QVERIFY(!QFile::exists(folder() + "/empty.kb"));
}

void TestProfiles::advancedKeyEntries()
{
    ProfileManager manager;
    DKSInfo dks;
    dks.keyIndex = 9;
    dks.touchDis = {0.5, 1.25};
    dks.bindKey = {4, 5};
    dks.triggerValue = {"1010", "0101"};
    MTInfo mt;
    mt.keyIndex = 3;
    mt.pressType = 4;
    mt.clickType = 5;
    MPTInfo mpt;
    mpt.keyIndex = 5;
    mpt.bindKey = {1, 2, 3};
    mpt.triggerValue = {500, 1000, 1500};
    ENDInfo end;
    end.keyIndex = 6;
    end.switchType = 8;
    MACROInfo macro;
    macro.keyIndex = 8;
    macro.macroName = "宏一";
    RSInfo rs;
    rs.keyIndex = 10;
    rs.switchType = 12;

    for (const QVariant &v : {QVariant::fromValue(dks), QVariant::fromValue(mt), QVariant::fromValue(mpt),
                              QVariant::fromValue(end), QVariant::fromValue(macro), QVariant::fromValue(rs), QVariant(42)})
        manager.UpdateBoardAdvancedKey(v);

    const QJsonObject adv = manager.currentDocument().value("AdvancedKey").toObject();
    QCOMPARE(adv.keys(), QStringList({"3", "5", "6", "8", "9"})); // RS and plain values are not stored
    QCOMPARE(adv.value("9").toObject(),
             QJsonObject({{"bindItem", "TDKS"}, {"bindKey", QJsonArray{4, 5}}, {"triggerValue", QJsonArray{"1010", "0101"}},
                          {"touchDis", QJsonArray{0.5, 1.25}}}));
    QCOMPARE(adv.value("3").toObject(),
             QJsonObject({{"bindItem", "MT"}, {"pressType", 4}, {"clickType", 5}, {"delay", 200}}));
    QCOMPARE(adv.value("5").toObject(), QJsonObject({{"bindItem", "MPT"}, {"bindKey", QJsonArray{1, 2, 3}},
                                                     {"triggerValue", QJsonArray{500, 1000, 1500}}}));
    QCOMPARE(adv.value("6").toObject(), QJsonObject({{"bindItem", "END"}, {"switchType", 8}}));
    QCOMPARE(adv.value("8").toObject(), QJsonObject({{"bindItem", "MACRO"}, {"macroName", "宏一"}}));

    // A new binding on the same key replaces the old one; removal by key.
    end.keyIndex = 3;
    manager.UpdateBoardAdvancedKey(QVariant::fromValue(end));
    QCOMPARE(manager.currentDocument().value("AdvancedKey").toObject().value("3").toObject().value("bindItem").toString(),
             QString("END"));
    manager.RemoveBoardAdvancedKey(3);
    manager.RemoveBoardAdvancedKey(QString("9"));
    QCOMPARE(manager.currentDocument().value("AdvancedKey").toObject().keys(), QStringList({"5", "6", "8"}));
}

void TestProfiles::namesAreRefused_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("empty") << QString();
    QTest::newRow("blank") << QString("   ");
    QTest::newRow("too long") << QString(MaxProfileNameLength + 1, QChar('x'));
    QTest::newRow("slash") << QString("a/b");
    QTest::newRow("backslash") << QString("a\\b");
    QTest::newRow("parent") << QString("..");
    QTest::newRow("climb") << QString("../../etc/x");
    QTest::newRow("dots inside") << QString("a..b");
    QTest::newRow("control") << QString("a\tb");
    QTest::newRow("newline") << QString("a\nb");
    QTest::newRow("colon") << QString("c:x");
    QTest::newRow("star") << QString("a*");
    QTest::newRow("question") << QString("why?");
    QTest::newRow("quote") << QString("say \"hi\"");
    QTest::newRow("angle") << QString("<x>");
    QTest::newRow("pipe") << QString("a|b");
    QTest::newRow("leading dot") << QString(".hidden");
    QTest::newRow("trailing dot") << QString("name.");
    QTest::newRow("trailing space") << QString("name ");
    QTest::newRow("device") << QString("con");
}

void TestProfiles::namesAreRefused()
{
    QFETCH(QString, name);
    QVERIFY(!profileNameProblem(name).isEmpty());

    ProfileManager manager;
    writeProfile("keep.kb", fullDocument());
    QVERIFY(manager.ImportProfileFile("keep.kb"));
    manager.SelectCurrentProfile(1);

    QVERIFY(!manager.RenameProfile(1, name));
    QVERIFY(!manager.lastError().isEmpty());
    QVERIFY(!manager.SaveCurrentProfileAs(name + ".kb"));
    QVERIFY(!manager.lastError().isEmpty());
    // Nothing moved, nothing new anywhere.
    QCOMPARE(manager.profile(1).value("ProfileName").toString(), QString("keep"));
    QCOMPARE(QDir(folder()).entryList(QDir::Files | QDir::Hidden), QStringList({"keep.kb"}));
    QCOMPARE(QDir().entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList({"LocalProfile"}));
}

void TestProfiles::renameAndDelete()
{
    QVERIFY(profileNameProblem("我的配置 2").isEmpty());
    QVERIFY(profileNameProblem("a.b").isEmpty());

    ProfileManager manager;
    const QJsonObject doc = fullDocument();
    writeProfile("one.kb", doc);
    writeProfile("two.kb", doc);
    QCOMPARE(manager.LoadProfileList().size(), 2);

    // Renaming onto another profile's file is refused and changes nothing.
    const QByteArray twoBefore = serialiseProfile(readProfile(folder() + "/two.kb"));
    QVERIFY(!manager.RenameProfile(1, "two"));
    QVERIFY(manager.lastError().contains("two"));
    QVERIFY(QFile::exists(folder() + "/one.kb"));
    QCOMPARE(serialiseProfile(readProfile(folder() + "/two.kb")), twoBefore);
    QCOMPARE(manager.profile(1).value("ProfileName").toString(), QString("one"));
    QCOMPARE(manager.profilePath(1), folder() + "/one.kb");

    // A good rename moves the file and the recorded path.
    QVERIFY(manager.RenameProfile(1, "三"));
    QVERIFY(!QFile::exists(folder() + "/one.kb"));
    QCOMPARE(manager.profilePath(1), folder() + "/三.kb");
    QCOMPARE(readProfile(folder() + "/三.kb").value("ProfileName").toString(), QString("三"));

    // Renaming to its own name just rewrites the file.
    QVERIFY(manager.RenameProfile(1, "三"));
    QVERIFY(QFile::exists(folder() + "/三.kb"));

    // When the file has gone, the document is still written under the new name.
    QVERIFY(QFile::remove(folder() + "/two.kb"));
    QVERIFY(manager.RenameProfile(2, "deux"));
    QVERIFY(QFile::exists(folder() + "/deux.kb"));

    // Saving the current profile goes to its renamed file; after deletion nowhere.
    manager.SelectCurrentProfile(1);
    manager.UpdateBoardRGBValue("rgb-mode", 11);
    QVERIFY(manager.SaveCurrentProfile());
    QCOMPARE(readProfile(folder() + "/三.kb").value("KeyboardRGB").toObject().value("rgb-mode").toInt(), 11);
    QVERIFY(manager.DeleteProfile(1));
    QVERIFY(!manager.SaveCurrentProfile());
    QVERIFY(!QFile::exists(folder() + "/三.kb"));
    QVERIFY(!manager.RenameProfile(1, "again"));

    // Export writes the scrambled document wherever the user chose.
    const QString target = QDir::currentPath() + "/exported.kb";
    QVERIFY(manager.ExportProfile(2, target));
    QCOMPARE(readProfile(target).value("ProfileName").toString(), QString("deux"));
    QVERIFY(!manager.ExportProfile(1, QDir::currentPath() + "/gone.kb"));
}

void TestProfiles::refusedFileOperationsChangeNothing()
{
#ifdef Q_OS_UNIX
    ProfileManager manager;
    writeProfile("one.kb", fullDocument());
    QCOMPARE(manager.LoadProfileList().size(), 1);
    const QByteArray before = fileBytes("one.kb");
    {
        ReadOnlyFolder readOnly;
        if (!readOnly.holds())
            QSKIP("cannot make the profile folder read-only here");
        QVERIFY(!manager.DeleteProfile(1));
        QCOMPARE(manager.lastError(), QString("无法删除配置文件：one.kb"));
        QVERIFY(!manager.RenameProfile(1, "two"));
        QCOMPARE(manager.lastError(), QString("无法重命名配置文件：one.kb"));
    }
    QCOMPARE(manager.profileIds(), QList<int>({1}));
    QCOMPARE(manager.profile(1).value("ProfileName").toString(), QString("one"));
    QCOMPARE(manager.profilePath(1), folder() + "/one.kb");
    QCOMPARE(profileFiles(), QStringList({"one.kb"}));
    QCOMPARE(fileBytes("one.kb"), before);
#else
    QSKIP("needs Unix permissions to make file operations fail");
#endif
}

void TestProfiles::reload()
{
    ProfileManager manager;
    writeProfile("one.kb", fullDocument());
    QVERIFY(manager.ImportProfileFile("one.kb"));
    const QJsonObject loaded = manager.profile(1);

    // A file that no longer reads is refused and the loaded copy kept.
    writeRaw("one.kb", "damaged");
    QVERIFY(!manager.ReloadProfileFile(1, "one.kb"));
    QCOMPARE(manager.lastError(), QString("无法读取配置文件：one.kb"));
    QCOMPARE(manager.profile(1), loaded);

    // Saving over the applied profile keeps it applied.
    manager.SelectCurrentProfile(1);
    manager.UpdateBoardRGBValue("rgb-mode", 2);
    QVERIFY(manager.SaveCurrentProfileAs("one.kb"));
    QVERIFY(manager.ReloadProfileFile(1, "one.kb"));
    QCOMPARE(manager.currentId(), 1);

    // Other contents put over it (an import) outlive the save on closing.
    QJsonObject other = fullDocument();
    other["KeyboardRGB"] = QJsonObject{{"rgb-mode", 5}};
    writeProfile("one.kb", other);
    QVERIFY(manager.ReloadProfileFile(1, "one.kb"));
    QCOMPARE(manager.profile(1), other);
    manager.UpdateBoardRGBValue("rgb-mode", 3);
    manager.SaveCurrentProfile();
    QCOMPARE(readProfile(folder() + "/one.kb"), other);
}

// A profile from another folder comes in under its file name; one that is
// not a profile is refused before anything in the profile folder changes.
void TestProfiles::importFromElsewhere()
{
    QTemporaryDir outside;
    auto writeOutside = [&](const QString &name, const QByteArray &bytes) {
        QFile f(outside.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    ProfileManager manager;
    writeOutside("travel.kb", serialiseProfile(fullDocument()));
    const int id = manager.ImportExternalProfile(outside.filePath("travel.kb"));
    QCOMPARE(id, 1);
    QCOMPARE(manager.profile(1).value("KeyboardRGB"), fullDocument().value("KeyboardRGB"));

    // Damaged bytes under the same name: refused, the profile stays as it was.
    const QByteArray before = fileBytes("travel.kb");
    writeOutside("travel.kb", "not a profile");
    QCOMPARE(manager.ImportExternalProfile(outside.filePath("travel.kb")), 0);
    QCOMPARE(manager.lastError(), QString("无法读取配置文件：travel.kb"));
    QCOMPARE(fileBytes("travel.kb"), before);

    // Another good one replaces it under the same id.
    QJsonObject other = fullDocument();
    other["ProfileName"] = "travel";
    other["KeyboardRGB"] = QJsonObject{{"rgb-mode", 7}};
    writeOutside("travel.kb", serialiseProfile(other));
    QCOMPARE(manager.ImportExternalProfile(outside.filePath("travel.kb")), 1);
    QCOMPARE(manager.profile(1).value("KeyboardRGB").toObject().value("rgb-mode").toInt(), 7);
    QCOMPARE(manager.profileIds(), QList<int>({1}));
    QCOMPARE(manager.ImportTargetName(outside.filePath("a:b.kb")), QString()); // a name Windows refuses
}

void TestProfiles::failedWriteKeepsPreviousFile()
{
#ifdef Q_OS_LINUX
    ProfileManager manager;
    writeProfile("big.kb", fullDocument());
    QVERIFY(manager.ImportProfileFile("big.kb"));
    manager.SelectCurrentProfile(1);
    const QByteArray before = serialiseProfile(readProfile(folder() + "/big.kb"));

    // Let the document outgrow what the process may write, so the write fails
    // half way (works even for root, unlike permissions).
    QMap<int, int> layer;
    for (int i = 0; i < 2000; ++i)
        layer.insert(i, i);
    manager.UpdateBoardLayer(0, layer);
    auto underSmallLimit = [](auto operation) {
        struct rlimit old;
        getrlimit(RLIMIT_FSIZE, &old);
        struct rlimit small = old;
        small.rlim_cur = 4096;
        std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &small);
        const bool result = operation();
        setrlimit(RLIMIT_FSIZE, &old);
        return result;
    };
    QVERIFY(!underSmallLimit([&] { return manager.SaveCurrentProfile(); }));
    QVERIFY(!manager.lastError().isEmpty());
    QCOMPARE(serialiseProfile(readProfile(folder() + "/big.kb")), before);
    QCOMPARE(profileFiles(), QStringList({"big.kb"})); // no leftovers
    QVERIFY(manager.SaveCurrentProfile());

    // A rename whose rewrite fails is undone: the file keeps its name.
    QVERIFY(manager.ReloadProfileFile(1, "big.kb"));
    const QByteArray bigBytes = fileBytes("big.kb");
    QVERIFY(!underSmallLimit([&] { return manager.RenameProfile(1, "moved"); }));
    QVERIFY(!manager.lastError().isEmpty());
    QCOMPARE(profileFiles(), QStringList({"big.kb"}));
    QCOMPARE(fileBytes("big.kb"), bigBytes);
    QCOMPARE(manager.profile(1).value("ProfileName").toString(), QString("big"));
    QCOMPARE(manager.profilePath(1), folder() + "/big.kb");
#else
    QSKIP("needs a file size limit to make the write fail");
#endif
}

void TestProfiles::typedProfileRoundTrip()
{
    // The default document, member for member.
    QCOMPARE(defaultProfileDocument(),
             QJsonObject({{"KeyboardRGB", QJsonObject{{"rgb-mode", 0}, {"rgb-luminance", 4}, {"rgb-speed", 4},
                                                      {"rgb-sleep", 1}, {"rgb-direction", false}}},
                          {"KeyPerformance", QJsonObject{{"global-key-touch", 5}, {"deadSpacePress", 20},
                                                         {"deadSpaceRelease", 3}, {"super-light-speed", false}}},
                          {"KeyCustom", QJsonObject{{"fn0-layout", QJsonObject()}, {"fn1-layout", QJsonObject()},
                                                    {"fn2-layout", QJsonObject()}, {"fn3-layout", QJsonObject()}}},
                          {"AdvancedKey", QJsonObject()}, {"KeyTouchDB", QJsonObject()},
                          {"ProfileName", "Default Profile"}}));
    QVERIFY(readProfile(defaultProfileDocument()) == defaultProfile());

    // Every group and kind, plus members nobody knows at every level, comes back as it was.
    QJsonObject doc = fullDocument();
    doc["Future"] = QJsonObject{{"a", 1}};
    auto add = [&doc](const QString &group, const QString &member, const QJsonValue &value) {
        QJsonObject g = doc[group].toObject();
        g[member] = value;
        doc[group] = g;
    };
    add("KeyboardRGB", "rgb-colour", "red");
    add("KeyPerformance", "note", 1);
    add("KeyCustom", "fn4-layout", QJsonObject{{"1", 2}});
    add("KeyCustom", "fn1-layout", QJsonObject{{"x", 3}, {"017", 5}, {"6", 1.5}, {"7", 8}});
    add("KeyTouchDB", "18", QJsonObject{{"work-mode", 2}, {"keyTouchDis", 900}, {"quickTouchPressDis", 100},
                                        {"quickTouchUpDis", 150}, {"note", "n"}});
    add("KeyTouchDB", "bad", 1);
    add("AdvancedKey", "4", QJsonObject{{"bindItem", "NEW"}, {"x", 1}});
    add("AdvancedKey", "5", QJsonObject{{"bindItem", "END"}, {"switchType", 7}, {"later", true}});
    add("AdvancedKey", "6", QJsonObject{{"bindItem", "RS"}, {"switchType", 8}});
    add("AdvancedKey", "7", QJsonObject{{"bindItem", "TGL"}, {"switchType", 9}, {"delay", 300}});
    add("AdvancedKey", "8", QJsonObject{{"bindItem", "SOCD"}, {"switchType", 10}});
    add("AdvancedKey", "10", QJsonObject{{"bindItem", "MPT"}, {"bindKey", QJsonArray{1, 2, 3}},
                                         {"triggerValue", QJsonArray{500, 1000, 1500}}});
    const ProfileData p = readProfile(doc);
    QCOMPARE(writeProfile(p), doc);

    QVERIFY(p.name == "full" && p.lighting->mode == 7 && p.lighting->direction);
    QVERIFY(p.performance->globalTravelUm == 1250 && p.performance->hasDeadZones && p.performance->quickRelease == 40);
    QCOMPARE((*p.layers)[0], (QMap<int, int>{{0, 41}, {17, 4}}));
    QCOMPARE((*p.layers)[1], (QMap<int, int>{{7, 8}}));
    QVERIFY(p.keyTravel->value(17).keyTouchDis == 1500 && p.keyTravel->value(18).workMode == 2);
    QCOMPARE(p.advanced->keys(), (QList<int>{3, 5, 6, 7, 8, 9, 10, 12}));
    QCOMPARE(p.advanced->value(9).record(9).value<DKSInfo>().touchDis, (QList<double>{0.5, 1.25}));
    QCOMPARE(p.advanced->value(12).record(12).value<MACROInfo>().macroName, QString("宏一"));

    // The rest of a dropped group goes with it.
    ProfileData dropped = p;
    dropped.lighting.reset();
    dropped.keyTravel.reset();
    const QJsonObject written = writeProfile(dropped);
    QVERIFY(!written.contains("KeyboardRGB") && !written.contains("KeyTouchDB") && written.contains("Future"));

    // The profile manager's entries come from the same code; RS stays out of profiles.
    int key = 0;
    QJsonObject entry;
    QVERIFY(advancedKeyEntry(p.advanced->value(7).record(7), &entry, &key));
    QVERIFY(key == 7 && entry == doc["AdvancedKey"].toObject()["7"].toObject());
    QVERIFY(!advancedKeyEntry(p.advanced->value(6).record(6), &entry, &key));
}

void TestProfiles::typedReadingIsLenient()
{
    const QJsonObject odd{
        {"ProfileName", 5},
        {"KeyboardRGB", QJsonObject{{"rgb-mode", "7"}, {"rgb-direction", 1}, {"rgb-speed", 2.6}, {"rgb-sleep", 1e30}}},
        {"KeyPerformance", QJsonObject{{"global-key-touch", 1250.6}, {"deadSpacePress", "x"},
                                       {"deadSpaceRelease", QJsonValue::Null}, {"quick-key-press", -1},
                                       {"quick-key-release", "y"}}},
        {"KeyCustom", QJsonObject{{"fn0-layout", 5}, {"fn2-layout", QJsonObject{{"3", 1e12}}}}},
        {"KeyTouchDB", QJsonObject{{"17", QJsonObject{{"keyTouchDis", 70000}, {"work-mode", "1"},
                                                      {"quickTouchPressDis", -5}}},
                                   {"18", "x"}}},
        {"AdvancedKey", QJsonObject{{"3", QJsonObject{{"bindItem", "MT"}, {"pressType", "x"}}},
                                    {"4", QJsonObject{{"bindItem", "TDKS"}, {"bindKey", QJsonArray{1, "a"}},
                                                      {"triggerValue", 7}, {"touchDis", QJsonArray{true}}}},
                                    {"5", QJsonArray{1}}}},
        {"KeyTravel", QJsonArray{1, 2}}};
    const ProfileData p = readProfile(odd);
    QVERIFY(p.name.isEmpty());
    QVERIFY(*p.lighting == (LightingSettings{0, 4, 3, 1, false}));
    QVERIFY(p.performance->globalTravelUm == 1251 && !p.performance->hasDeadZones);
    QVERIFY(p.performance->quickPress == -1 && p.performance->quickRelease == -1);
    QVERIFY((*p.layers)[0].isEmpty() && (*p.layers)[2].isEmpty());
    QVERIFY(p.keyTravel->keys() == QList<int>{17} && p.keyTravel->value(17) == KeyTravelRecord());
    QVERIFY(p.advanced->keys() == (QList<int>{3, 4}) && p.advanced->value(3).as<MTInfo>()->pressType == -1);
    QCOMPARE(p.advanced->value(4).as<DKSInfo>()->bindKey, (QList<int>{1, -1}));
    QVERIFY(p.advanced->value(4).as<DKSInfo>()->triggerValue.isEmpty() && p.advanced->value(4).as<DKSInfo>()->touchDis == QList<double>{0.0});

    // What could not be read is written back untouched where the typed form
    // writes nothing in its place, and reading the result changes nothing.
    const QJsonObject written = writeProfile(p);
    QCOMPARE(written["ProfileName"], QJsonValue(5));
    QCOMPARE(written["KeyPerformance"].toObject()["deadSpacePress"], QJsonValue("x"));
    QCOMPARE(written["KeyPerformance"].toObject()["quick-key-press"], QJsonValue(-1));
    QCOMPARE(written["KeyCustom"].toObject()["fn2-layout"], QJsonValue(QJsonObject{{"3", 1e12}}));
    QCOMPARE(written["KeyTouchDB"].toObject()["18"], QJsonValue("x"));
    QCOMPARE(written["AdvancedKey"].toObject()["5"], QJsonValue(QJsonArray{1}));
    QCOMPARE(written["KeyTravel"], QJsonValue(QJsonArray{1, 2}));
    QVERIFY(readProfile(written) == p);

    // Groups of the wrong type are absent, and kept.
    const ProfileData wrong = readProfile({{"KeyboardRGB", QJsonArray{1}}, {"AdvancedKey", "x"}});
    QVERIFY(!wrong.lighting && !wrong.advanced && !wrong.isEmpty());
    QCOMPARE(writeProfile(wrong), QJsonObject({{"KeyboardRGB", QJsonArray{1}}, {"AdvancedKey", "x"}}));
    QVERIFY(readProfile(QJsonObject()).isEmpty());
}

void TestProfiles::typedReadingHoldsNumbersToTheKeyboard()
{
    // A crafted file: every number the keyboard is given lies outside what
    // it holds, some beyond any int. Each reads as the nearest value the
    // keyboard can hold, or, past an int, as its default.
    const QJsonObject crafted{
        {"KeyboardRGB", QJsonObject{{"rgb-mode", 1000}, {"rgb-luminance", -4}, {"rgb-speed", 300}, {"rgb-sleep", 1e300}}},
        {"KeyPerformance", QJsonObject{{"global-key-touch", 1e6}, {"deadSpacePress", -1}, {"deadSpaceRelease", 70000},
                                       {"quick-key-press", 2147483647}, {"quick-key-release", -7}}},
        {"AdvancedKey",
         QJsonObject{{"1", QJsonObject{{"bindItem", "TDKS"}, {"touchDis", QJsonArray{1e300, -2, 65.536, 1.25, "x"}}}},
                     {"2", QJsonObject{{"bindItem", "MT"}, {"delay", 2147483647}}},
                     {"3", QJsonObject{{"bindItem", "TGL"}, {"delay", -2147483648.0}}},
                     {"4", QJsonObject{{"bindItem", "MT"}, {"delay", 1e12}}},
                     {"5", QJsonObject{{"bindItem", "MPT"}, {"triggerValue", QJsonArray{70000, -1, 1500}}}}}}};
    const ProfileData p = readProfile(crafted);
    QVERIFY(*p.lighting == (LightingSettings{256, 0, 255, 1, false}));
    QCOMPARE(p.performance->globalTravelUm, 65535);
    QVERIFY(p.performance->pressDeadZoneUm == 0 && p.performance->releaseDeadZoneUm == 65535);
    QVERIFY(p.performance->quickPress == 65535 && p.performance->quickRelease == 0);
    QCOMPARE(p.advanced->value(1).as<DKSInfo>()->touchDis, (QList<double>{65.535, 0.0, 65.535, 1.25, 0.0}));
    QCOMPARE(p.advanced->value(2).as<MTInfo>()->delay, 2550);
    QCOMPARE(p.advanced->value(3).as<TGLInfo>()->delay, 0);
    QCOMPARE(p.advanced->value(4).as<MTInfo>()->delay, MTInfo().delay);
    QCOMPARE(p.advanced->value(5).as<MPTInfo>()->triggerValue, (QList<int>{65535, 0, 1500}));
    // What is held is what is written, and it reads the same again.
    QVERIFY(readProfile(writeProfile(p)) == p);
}

QTEST_GUILESS_MAIN(TestProfiles)
#include "test_profiles.moc"
