// The commands of corvane-cli run in process against the virtual keyboard:
// what apply, export, doctor and report leave on the keyboard, on disk and
// on their output, with faults injected at the moment they matter.

#include "ApplyCommand.h"
#include "BoardProfile.h"
#include "ExportCommand.h"
#include "FrameRing.h"
#include "Kb2Request.h"
#include "KbScramble.h"
#include "KeyboardLock.h"
#include "MacroFile.h"
#include "ProfileDocument.h"
#include "ProfileFile.h"
#include "ProfilePlan.h"
#include "RuntimeDir.h"
#include "SimRig.h"
#include "SupportCommands.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <cstdlib>

namespace {

// A command's out and err, kept in files of a temporary folder (read back
// as they grow).
struct Captured {
    QTemporaryDir dir;
    CliOutput io;
    Captured()
    {
        io.out = std::fopen(QFile::encodeName(dir.filePath(QStringLiteral("out"))).constData(), "w+b");
        io.err = std::fopen(QFile::encodeName(dir.filePath(QStringLiteral("err"))).constData(), "w+b");
        if (!io.out || !io.err)
            qFatal("cannot capture a command's output in %s", qPrintable(dir.path()));
    }
    ~Captured()
    {
        std::fclose(io.out);
        std::fclose(io.err);
    }
    static QByteArray written(FILE *f)
    {
        std::fflush(f);
        const long end = std::ftell(f);
        QByteArray bytes(int(end), '\0');
        std::fseek(f, 0, SEEK_SET);
        bytes.resize(int(std::fread(bytes.data(), 1, size_t(end), f)));
        std::fseek(f, end, SEEK_SET); // writing goes on at the end
        return bytes;
    }
    QString out() { return QString::fromUtf8(written(io.out)); }
    // err without the progress bar, which redraws with carriage returns.
    QString err()
    {
        QStringList lines;
        for (const QString &line : QString::fromUtf8(written(io.err)).split('\n', Qt::SkipEmptyParts))
            if (!line.startsWith('\r'))
                lines << line;
        return lines.join('\n');
    }
};

QJsonObject fullProfileData()
{
    QFile f(QStringLiteral(CORVANE_APPLY_DATA "/full_profile_applied.json"));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("missing test data %s", qPrintable(f.fileName()));
    return QJsonDocument::fromJson(f.readAll()).object();
}

// The profile that touches every group, its macro files in dir/Macro.
QString writeFullProfile(const QTemporaryDir &dir)
{
    const QJsonObject data = fullProfileData();
    QDir().mkpath(dir.filePath("Macro"));
    const QJsonObject macros = data.value("macros").toObject();
    for (auto it = macros.begin(); it != macros.end(); ++it) {
        QFile f(dir.filePath("Macro/" + it.key() + ".csv"));
        f.open(QIODevice::WriteOnly);
        f.write(it.value().toString().toUtf8());
    }
    const QString path = dir.filePath("full.kb");
    writeProfileFile(path, data.value("profile").toObject());
    return path;
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
}

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

ApplyOptions applyOptions(const QTemporaryDir &dir, bool verify, bool full = false)
{
    ApplyOptions o;
    o.verify = verify;
    o.full = full;
    o.macroFolder = dir.filePath("Macro");
    o.readBackTimeoutMs = 20000;
    return o;
}

ExportOptions exportOptions(bool force = false)
{
    ExportOptions o;
    o.force = force;
    o.readBackTimeoutMs = 20000;
    return o;
}

// Runs change on the worker thread the moment the read-back's last answer
// (the dead zones) is in, once: from then on the command is applying.
void afterReadBack(SimRig &rig, std::function<void()> change)
{
    auto armed = std::make_shared<bool>(false);
    QObject::connect(
        rig.worker->reports(), &KeyboardWorker::sigKB2Sensitivity, rig.worker.get(),
        [armed, change](const QVariant &) {
            if (!*armed) {
                *armed = true;
                change();
            }
        },
        Qt::DirectConnection);
}

QStringList commandsSent(SimRig &rig)
{
    QStringList out;
    for (const auto &f : rig.sentFrames())
        out << QByteArray(reinterpret_cast<const char *>(f.data()), int(f.size())).toHex();
    return out;
}

// A profile file's document as applying it sets the keyboard: without its
// name, and without the sensitivities of keys without rapid trigger, which
// are not sent.
ProfileDocument appliedDocument(const QString &path)
{
    ProfileDocument doc;
    readProfileFile(path, &doc);
    doc.remove(ProfileKeys::ProfileName);
    QJsonObject travel = doc.value(ProfileKeys::KeyTouchDB).toObject();
    for (auto it = travel.begin(); it != travel.end(); ++it) {
        QJsonObject entry = it.value().toObject();
        if (entry.value(ProfileMembers::WorkMode).toInt() != 2) {
            entry.remove(ProfileMembers::PressDis);
            entry.remove(ProfileMembers::UpDis);
        }
        it.value() = entry;
    }
    doc.insert(ProfileKeys::KeyTouchDB, travel);
    return doc;
}

} // namespace

class TestCliCommands : public QObject {
    Q_OBJECT
private slots:
    void applySendsTheConfiguratorsFramesAndVerifies();
    void applyFaults_data();
    void applyFaults();
    void badFilesSendNothing_data();
    void badFilesSendNothing();
    void exportThenApplyGivesTheConfigurationBack();
    void exportWritesOnlyWhereAndWhatItIsTold();
    void doctorAndPermission();
    void reportHoldsTheLastExchange();
    void aHeldKeyboardIsNotTouched();
};

// The command makes the configurator's calls: the same frames leave for the
// keyboard as when the plan runs directly, and reading back finds every
// setting of a profile that touches every group.
void TestCliCommands::applySendsTheConfiguratorsFramesAndVerifies()
{
    QTemporaryDir dir;
    const QString path = writeFullProfile(dir);

    QStringList direct;
    {
        SimRig rig;
        KeyboardSession session(rig.worker.get());
        QVERIFY(rig.readBack(session));
        ProfileData profile;
        QString why;
        QVERIFY(loadProfileFile(path, &profile, &why));
        const QString folder = dir.filePath("Macro");
        for (const ProfileStep &step : planWholeProfileOn(rig.worker->board(), profile,
                                                   [&](const QString &n) { return loadMacroFile(folder, n); }))
            runProfileStep(step, *rig.worker);
        QVERIFY(rig.waitIdle());
        direct = commandsSent(rig);
    }

    // --full: the whole plan, as the configurator ran it before.
    SimRig whole;
    Captured f;
    QCOMPARE(runApplyCommand(*whole.worker, path, applyOptions(dir, false, true), f.io), 0);
    QCOMPARE(f.err(), QString("applied " + path));
    QCOMPARE(commandsSent(whole), direct);

    // By difference: fewer frames, the same keyboard.
    SimRig rig;
    Captured c;
    QCOMPARE(runApplyCommand(*rig.worker, path, applyOptions(dir, false), c.io), 0);
    QCOMPARE(c.err(), QString("applied " + path));
    QVERIFY(commandsSent(rig).size() < direct.size());
    QVERIFY(rig.kb.state().params == whole.kb.state().params);
    QCOMPARE(rig.kb.state().deadBand.gdBi, whole.kb.state().deadBand.gdBi);
    QCOMPARE(rig.kb.state().lighting.bitmap, whole.kb.state().lighting.bitmap);

    // Again: the keyboard holds it all, its macros too (read from its store,
    // they are known by number only), and no configuration frame goes out.
    QVERIFY(QJsonDocument(fullProfileData().value("profile").toObject().value("AdvancedKey").toObject())
                .toJson()
                .contains("macroName"));
    rig.kb.modify([](VirtualKeyboard::State &s) { s.saved = true; }); // any write clears it
    rig.kb.clearFrameLog();
    Captured again;
    QCOMPARE(runApplyCommand(*rig.worker, path, applyOptions(dir, false), again.io), 0);
    QCOMPARE(again.err(), QString("nothing to send: the keyboard already holds every setting of " + path));
    QVERIFY(rig.kb.state().saved);

    // A macro the keyboard holds with other steps is sent again.
    const int macroStart = commandsSent(rig).size();
    rig.kb.modify([](VirtualKeyboard::State &s) {
        for (auto &step : s.macroSteps)
            step.second ^= 1;
    });
    Captured changed;
    QCOMPARE(runApplyCommand(*rig.worker, path, applyOptions(dir, false), changed.io), 0);
    QCOMPARE(changed.err(), QString("applied " + path));
    int macroWrites = 0;
    for (const QString &frame : commandsSent(rig).mid(macroStart))
        macroWrites += frame.mid(4, 2) == "20" && frame.mid(8, 2) == "01";
    QVERIFY(macroWrites > 0);

    Captured v;
    const int verified = runApplyCommand(*rig.worker, path, applyOptions(dir, true), v.io);
    QVERIFY2(v.out().isEmpty(), qPrintable(v.out()));
    QCOMPARE(verified, 0);
    QVERIFY(v.err().startsWith("applied and verified"));
    QCOMPARE(rig.kb.state().deadBand.gdBi, 1800);

    // A profile that needs nothing sent here (no binding to remove) is
    // applied at once, not taken for a keyboard that stopped answering.
    SimRig plain;
    const QString nothing = dir.filePath("nothing.kb");
    writeBytes(nothing, serialiseProfile(QJsonObject{{"AdvancedKey", QJsonObject{}}}));
    Captured n;
    QCOMPARE(runApplyCommand(*plain.worker, nothing, applyOptions(dir, false, true), n.io), 0);
    QCOMPARE(n.err(), QString("applied " + nothing));
}

void TestCliCommands::applyFaults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("error");      // in the one line on err
    QTest::addColumn<QStringList>("differences"); // parts of each line on out, separated by |

    QTest::newRow("MT write refused") << "refuse" << "1 difference(s) between"
                                      << QStringList{"AdvancedKey key 56 |: profile {\"bindItem\":\"MT\",|keyboard none"};
    QTest::newRow("keyboard stops answering") << "silent" << "the keyboard stopped answering while applying"
                                              << QStringList();
    QTest::newRow("keyboard unplugged") << "unplug" << "the keyboard was disconnected while applying"
                                        << QStringList();
}

// A refused write shows as a difference; a keyboard that falls silent or
// goes away ends the run promptly with one line, never a hang.
void TestCliCommands::applyFaults()
{
    QFETCH(QString, fault);
    QFETCH(QString, error);
    QFETCH(QStringList, differences);
    QTemporaryDir dir;
    const QString path = writeFullProfile(dir);
    SimRig rig;
    const int mtCell = rig.cellOf(56);
    VirtualKeyboard::Faults faults;
    if (fault == "refuse") {
        faults.failStatus = 1;
        faults.onlyCommand = 0x24;
        // A keyboard that refuses keeps what it had.
        const VirtualKeyboard::State before = rig.kb.state();
        QObject::connect(
            rig.worker->reports(), &KeyboardWorker::sigKB2RequestFailed, rig.worker.get(),
            [&rig, before, mtCell](int type, bool, int) {
                if (type != Kb2Req::MT)
                    return;
                rig.kb.modify([&](VirtualKeyboard::State &s) {
                    for (int p : {8, 9, 10, 19})
                        s.params[size_t(p)][size_t(mtCell)] = before.params[size_t(p)][size_t(mtCell)];
                });
            },
            Qt::DirectConnection);
    } else if (fault == "silent") {
        faults.dropAnswers = -1;
    } else {
        faults.unplugAfterFrames = 5;
    }
    afterReadBack(rig, [&rig, faults] { rig.kb.setFaults(faults); });

    Captured c;
    QCOMPARE(runApplyCommand(*rig.worker, path, applyOptions(dir, true), c.io), 1);
    const QStringList err = c.err().split('\n');
    QCOMPARE(err.size(), 1);
    QVERIFY2(err.first().startsWith("corvane-cli: ") && err.first().contains(error), qPrintable(err.first()));
    const QStringList out = c.out().split('\n', Qt::SkipEmptyParts);
    QCOMPARE(out.size(), differences.size());
    for (int i = 0; i < out.size(); ++i)
        for (const QString &part : differences[i].split('|'))
            QVERIFY2(out[i].contains(part), qPrintable(out[i]));
    if (fault != "refuse")
        QVERIFY(!rig.worker->isDeviceOpen());
}

void TestCliCommands::badFilesSendNothing_data()
{
    QTest::addColumn<QByteArray>("content"); // "<dir>" makes a folder, "<none>" no file
    QTest::addColumn<QString>("error");

    const QByteArray good = serialiseProfile(fullProfileData().value("profile").toObject());
    QTest::newRow("truncated") << good.left(good.size() / 2) << "is not a profile file: not JSON";
    QTest::newRow("garbage") << QByteArray("\x00\x13garbage\xff", 10) << "is not a profile file";
    QTest::newRow("oversized") << QByteArray(int(MaxProfileFileSize) + 1, ' ') << "too large";
    QTest::newRow("empty") << QByteArray() << "empty file";
    // Members the reader would replace by their defaults (the lights off, a
    // travel of a few micrometres) if they were let through.
    QTest::newRow("text for a number") << serialiseProfile(QJsonObject{
        {"KeyPerformance", QJsonObject{{"global-key-touch", "1.2mm"}}}}) << "global-key-touch is text, not a number";
    QTest::newRow("member left out") << serialiseProfile(QJsonObject{{"KeyPerformance", QJsonObject{}}})
                                     << "KeyPerformance/global-key-touch is missing";
    QTest::newRow("no settings") << kb_scramble("{\"ProfileName\":\"x\",\"other\":1}") << "holds no keyboard settings";
    QTest::newRow("missing macro") << serialiseProfile(QJsonObject{
        {"AdvancedKey", QJsonObject{{"56", QJsonObject{{"bindItem", "MACRO"}, {"macroName", "absent"}}}}}})
                                   << "macro \"absent\"";
    QTest::newRow("folder") << QByteArray("<dir>") << "is a folder";
    QTest::newRow("missing") << QByteArray("<none>") << "cannot read";
}

void TestCliCommands::badFilesSendNothing()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, error);
    QTemporaryDir dir;
    const QString path = dir.filePath("p.kb");
    if (content == "<dir>")
        QDir().mkpath(path);
    else if (content != "<none>")
        writeBytes(path, content);

    SimRig rig;
    Captured c;
    QCOMPARE(runApplyCommand(*rig.worker, path, applyOptions(dir, true), c.io), 1);
    QVERIFY2(c.err().startsWith("corvane-cli: ") && c.err().contains(error) && !c.err().contains('\n'),
             qPrintable(c.err()));
    QVERIFY(c.out().isEmpty());
    QCOMPARE(rig.kb.framesReceived(), 0);
}

// What export writes, applied to a freshly reset keyboard, gives the same
// configuration back (but for the macro, whose steps the keyboard keeps).
void TestCliCommands::exportThenApplyGivesTheConfigurationBack()
{
    QTemporaryDir dir;
    SimRig rig;
    rig.kb.fillDistinctive();
    const VirtualKeyboard::State original = rig.kb.state();
    Captured first;
    QCOMPARE(runExportCommand(*rig.worker, dir.filePath("a.kb"), exportOptions(), first.io), 0);
    QVERIFY(first.err().contains("the macros on Y are not in the profile"));
    ProfileDocument doc;
    QVERIFY(readProfileFile(dir.filePath("a.kb"), &doc));
    QCOMPARE(doc.value(ProfileKeys::ProfileName).toString(), QString("a"));
    QCOMPARE(doc.value(ProfileKeys::AdvancedKey).toObject().size(), 7); // MT, DKS, TGL, MPT, END, 2 x SOCD; no RS, no macro

    // Rapid trigger and own travels turned off in the export: the macro key
    // (Y) has no trigger mode to take, and the check does not ask it of it.
    {
        ProfileDocument off = doc;
        QJsonObject travel = off.value(ProfileKeys::KeyTouchDB).toObject();
        for (auto it = travel.begin(); it != travel.end(); ++it) {
            QJsonObject entry = it.value().toObject();
            entry["work-mode"] = 0;
            it.value() = entry;
        }
        off.insert(ProfileKeys::KeyTouchDB, travel);
        QFile f(dir.filePath("off.kb"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(serialiseProfile(off));
        f.close();
        Captured verified;
        QCOMPARE(runApplyCommand(*rig.worker, f.fileName(), applyOptions(dir, true), verified.io), 0);
        QVERIFY2(!verified.out().contains("work-mode"), qPrintable(verified.out()));
        rig.kb.modify([&original](VirtualKeyboard::State &s) { s = original; });
    }

    rig.kb.modify([](VirtualKeyboard::State &s) { s = VirtualKeyboard::factoryState(SimRig::fastOptions()); });
    Captured apply;
    QCOMPARE(runApplyCommand(*rig.worker, dir.filePath("a.kb"), applyOptions(dir, true), apply.io), 0);
    QVERIFY2(apply.out().isEmpty(), qPrintable(apply.out()));

    Captured second;
    QCOMPARE(runExportCommand(*rig.worker, dir.filePath("b.kb"), exportOptions(), second.io), 0);
    QCOMPARE(appliedDocument(dir.filePath("b.kb")), appliedDocument(dir.filePath("a.kb")));
    const VirtualKeyboard::State now = rig.kb.state();
    QCOMPARE(now.deadBand.gdBi, original.deadBand.gdBi);
    QCOMPARE(now.lighting.rgbMode, original.lighting.rgbMode);
    for (int p = 0; p <= 4; ++p)
        for (int cell = 0; cell < VirtualKeyboard::Cells; ++cell)
            if (original.matrix[size_t(cell)])
                QCOMPARE(now.params[size_t(p)][size_t(cell)], original.params[size_t(p)][size_t(cell)]);
}

// Export refuses before it reads anything when the target is not a new .kb
// file of its own in an existing folder; nothing half-written is ever left.
void TestCliCommands::exportWritesOnlyWhereAndWhatItIsTold()
{
    QTemporaryDir dir, elsewhere;
    const QString existing = dir.filePath("old.kb");
    writeBytes(existing, "old");
    const QString outside = elsewhere.filePath("target.kb");
    writeBytes(outside, "outside");
    // Symbolic links are a POSIX matter here (Windows' QFile::link makes a
    // shell shortcut, an ordinary file).
#ifndef Q_OS_WIN
    QFile::link(outside, dir.filePath("link.kb"));
#endif

    SimRig rig;
    struct Case {
        QString path;
        bool force;
        QString error;
    };
    const QList<Case> refused = {
        {existing, false, "exists; --force replaces it"},
#ifndef Q_OS_WIN
        {dir.filePath("link.kb"), true, "is a symbolic link"},
#endif
        {dir.filePath("no/such/folder/x.kb"), false, "does not exist"},
        {dir.filePath("profile.json"), false, "ends in .kb"},
        {dir.filePath(".kb"), false, "ends in .kb"},
        {dir.path(), true, "ends in .kb"},
    };
    for (const Case &k : refused) {
        Captured c;
        QCOMPARE(runExportCommand(*rig.worker, k.path, exportOptions(k.force), c.io), 1);
        QVERIFY2(c.err().contains(k.error), qPrintable(k.path + ": " + c.err()));
    }
    QCOMPARE(rig.kb.framesReceived(), 0);
    QCOMPARE(readBytes(existing), QByteArray("old"));
    QCOMPARE(readBytes(outside), QByteArray("outside"));

    // A read-back that cannot be completed writes nothing at all.
    VirtualKeyboard::Faults colours;
    colours.failStatus = 1;
    colours.onlyCommand = 0x2A;
    rig.kb.setFaults(colours);
    Captured incomplete;
    QCOMPARE(runExportCommand(*rig.worker, dir.filePath("new.kb"), exportOptions(), incomplete.io), 1);
    QVERIFY(incomplete.err().contains("nothing exported"));
    rig.kb.setFaults({});

    Captured forced;
    QCOMPARE(runExportCommand(*rig.worker, existing, exportOptions(true), forced.io), 0);
    ProfileDocument doc;
    QVERIFY(readProfileFile(existing, &doc));
#ifndef Q_OS_WIN
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
             QStringList({"link.kb", "old.kb"}));

    // A link that appears during the read-back is replaced, never followed,
    // even with --force.
    QString why;
    const QString raced = dir.filePath("raced.kb");
    QVERIFY(QFile::link(outside, raced));
    QVERIFY(writeFileAtomically(raced, "new", true, &why));
    QVERIFY(!QFileInfo(raced).isSymLink());
    QCOMPARE(readBytes(raced), QByteArray("new"));
    QCOMPARE(readBytes(outside), QByteArray("outside"));
    QVERIFY(QFile::remove(raced));
#else
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList({"old.kb"}));
    QString why;
#endif

    // A file that appears while writing is not replaced either.
    QVERIFY(!writeFileAtomically(existing, "new", false, &why));
    QVERIFY(why.contains("appeared meanwhile"));
    QVERIFY(readProfileFile(existing, &doc));
#ifdef Q_OS_WIN
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 1);
#else
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 2);
#endif
}

// The doctor on a keyboard it can use and on one this user may not open
// (refused through the HID seam); apply then says the same in one line.
void TestCliCommands::doctorAndPermission()
{
    SimRig rig;
    Captured ok;
    QCOMPARE(runDoctorCommand(*rig.worker, true, ok.io), 0);
    const QStringList lines = ok.out().split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 6); // two interfaces: node, access, answer
    QVERIFY(lines.contains("ok    sim:kb0:if1 (interface 1): keyboard answers (board id 258, version V1.0.3)"));
    QVERIFY(lines.contains("--    sim:kb0:if0 (interface 0): keyboard answers (no answer)"));

    for (const std::string &p : rig.kb.interfacePaths())
        rig.backend.setAccessDenied(p, true);
    Captured denied;
    QCOMPARE(runDoctorCommand(*rig.worker, true, denied.io), 1);
    const QString out = denied.out();
    QCOMPARE(out.count("FAIL  "), 2);
    QVERIFY(out.contains("FAIL  sim:kb0:if1 (interface 1): user can open it (permission denied for "));
    QVERIFY(out.contains("To fix, run:\n  echo 'KERNEL==\"hidraw*\", ATTRS{idVendor}==\"1c4f\", ATTRS{idProduct}==\"ee88\", "
                         "TAG+=\"uaccess\"' | sudo tee /etc/udev/rules.d/60-corvane.rules\n"
                         "  sudo udevadm control --reload-rules\n"));
    QCOMPARE(denied.err(), QString("corvane-cli: 2 check(s) failed"));

    QTemporaryDir dir;
    Captured apply;
    QCOMPARE(runApplyCommand(*rig.worker, writeFullProfile(dir), applyOptions(dir, false), apply.io), 1);
    QVERIFY2(apply.err().contains("permission denied on sim:kb0:if1, sim:kb0:if0; `corvane-cli doctor`"),
             qPrintable(apply.err()));
}

// The report is valid JSON and ends with the frames of the last exchange,
// byte for byte as the keyboard saw them.
void TestCliCommands::reportHoldsTheLastExchange()
{
    QTemporaryDir dir;
    SimRig rig;
    const QString path = dir.filePath("report.json");
    Captured c;
    QCOMPARE(runReportCommand(*rig.worker, path, true, c.io, 20000), 0);
    QCOMPARE(c.err(), "wrote the support report " + path);

    QJsonParseError error;
    const QJsonObject root = QJsonDocument::fromJson(readBytes(path), &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(root["program"].toObject()["qtRuntime"].toString(), QString(qVersion()));
    QVERIFY(!root["os"].toObject()["kernel"].toString().isEmpty());
    QCOMPARE(root["interfaces"].toArray().size(), 2);
    QCOMPARE(root["interfaces"].toArray()[1].toObject()["access"].toString(), QString("allowed"));
    QCOMPARE(root["board"].toObject()["version"].toString(), QString("V1.0.3"));
    QVERIFY(root["readBack"].toObject()["missing"].toArray().isEmpty());
    QVERIFY(root["doctor"].toObject()["ok"].toBool());

    const QJsonArray frames = root["frames"].toArray();
    QCOMPARE(frames.size(), FrameRing::Capacity); // a read-back exchanges far more
    for (int i = 1; i < frames.size(); ++i)
        QCOMPARE(frames[i].toObject()["sequence"].toInt(), frames[i - 1].toObject()["sequence"].toInt() + 1);
    auto hex = [](const std::vector<uint8_t> &b) {
        return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(b.data()), int(b.size())).toHex(' '));
    };
    QString lastOut, lastIn;
    for (const auto &f : rig.kb.frameLog())
        (f.direction == VirtualKeyboard::Direction::ToKeyboard ? lastOut : lastIn) = hex(f.bytes);
    const QJsonObject out = frames[frames.size() - 2].toObject(), in = frames.last().toObject();
    QCOMPARE(out["direction"].toString(), QString("out"));
    QCOMPARE(out["bytes"].toString(), lastOut);
    QCOMPARE(in["direction"].toString(), QString("in"));
    QCOMPARE(in["bytes"].toString(), lastIn);
}

// While another program has the keyboard, apply and export send nothing at
// all (not even the probe), say who has it, and end with their own code.
void TestCliCommands::aHeldKeyboardIsNotTouched()
{
    QTemporaryDir runtime;
    qputenv(RuntimeDirVariable, QFile::encodeName(runtime.path()));
    QTemporaryDir dir;
    const QString path = writeFullProfile(dir);
    KeyboardLock corvane(QStringLiteral("Corvane"));
    QCOMPARE(corvane.tryAcquire(), KeyboardLock::Result::Acquired);

    SimRig rig;
    Captured a;
    QCOMPARE(runApplyCommand(*rig.worker, path, applyOptions(dir, true), a.io), KeyboardBusyExitCode);
    QCOMPARE(a.err(), QString("corvane-cli: Corvane is using the keyboard: close it, or use its own profile list"));
    Captured e;
    const QString target = dir.filePath("out.kb");
    QCOMPARE(runExportCommand(*rig.worker, target, exportOptions(), e.io), KeyboardBusyExitCode);
    QVERIFY2(e.err().startsWith("corvane-cli: Corvane is using the keyboard"), qPrintable(e.err()));
    QVERIFY(rig.kb.frameLog().empty());
    QVERIFY(!QFile::exists(target));

    // Once it lets go, the same command goes through, and holds the
    // keyboard only while it runs.
    corvane.release();
    Captured ok;
    QCOMPARE(runExportCommand(*rig.worker, target, exportOptions(), ok.io), 0);
    QCOMPARE(corvane.tryAcquire(), KeyboardLock::Result::Acquired);
}

QTEST_GUILESS_MAIN(TestCliCommands)
#include "test_cli_commands.moc"
