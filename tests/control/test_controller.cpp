// The controller's one apply runner, whoever asks: a page's edit, undo,
// redo, and a profile applied by hand, by the application in front or from
// a script meet the keyboard's refusals the same way.

#include "BoardProfile.h"
#include "DeviceNotifier.h"
#include "KeyTypeTable.h"
#include "KeyboardAction.h"
#include "KeyboardConfigModel.h"
#include "KeyboardController.h"
#include "KeyboardSession.h"
#include "MacroFile.h"
#include "ProfileManager.h"
#include "SimRig.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QtTest>

namespace {

constexpr int TypeQ = 34, TypeT = 38; // the keys of those legends on the full-size model

enum Caller { Edit, Undo, Redo, ByHand, ByFocus, FromScript };
enum Refusal { StoreFull, WriteRefused, KeyboardGone };

} // namespace

Q_DECLARE_METATYPE(Caller)
Q_DECLARE_METATYPE(Refusal)

class TestController : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { qRegisterMetaType<ApplyRunner::Outcome>(); }
    void everyCallerMeetsRefusalsAlike_data();
    void everyCallerMeetsRefusalsAlike();
};

void TestController::everyCallerMeetsRefusalsAlike_data()
{
    QTest::addColumn<Caller>("caller");
    QTest::addColumn<Refusal>("refusal");
    const std::pair<Caller, const char *> callers[] = {{Edit, "edit"},     {Undo, "undo"},       {Redo, "redo"},
                                                       {ByHand, "by hand"}, {ByFocus, "by focus"}, {FromScript, "script"}};
    const std::pair<Refusal, const char *> refusals[] = {
        {StoreFull, "macro store full"}, {WriteRefused, "write refused"}, {KeyboardGone, "keyboard gone"}};
    for (const auto &c : callers)
        for (const auto &r : refusals)
            QTest::addRow("%s, %s", c.second, r.second) << c.first << r.first;
}

// The change under test binds the macro M to T: for undo the step taken
// back is its removal, for redo the binding undone before.
void TestController::everyCallerMeetsRefusalsAlike()
{
    QFETCH(Caller, caller);
    QFETCH(Refusal, refusal);
    QTemporaryDir work;
    struct Back {
        QString to = QDir::currentPath();
        ~Back() { QDir::setCurrent(to); }
    } back;
    QDir::setCurrent(work.path());
    QDir().mkpath(macroFolderPath());
    QVERIFY(writeMacroFile(macroFolderPath() + "/M.csv", {{true, QStringLiteral("A"), 10}}));

    SimRig rig;
    KeyboardSession session{rig.worker.get()};
    ProfileManager manager;
    ExternalDeviceNotifier notifier;
    KeyboardController keyboard{rig.worker.get(), &notifier, &manager};
    KeyboardConfigModel &config = *keyboard.config();
    keyboard.setMacroLoader([](const QString &name) { return loadMacroFile(macroFolderPath(), name); });
    QVERIFY(rig.readBack(session) && rig.waitIdle());
    config.reset(configFromReadBack(session.readBack()));
    manager.AdoptBoardDocument(boardProfileDocument(session.readBack()));

    const AdvancedBinding macro = MACROInfo{TypeT, "M", {}};
    auto bind = [&](KeyboardConfig &c) { c.advanced.insert(TypeT, macro); };
    QUndoStack *history = config.history();
    if (caller == Undo) {
        QVERIFY(config.edit({"bind", {}, {}}, KeyboardConfigModel::NoMerge, bind));
        QVERIFY(rig.waitIdle());
        QVERIFY(config.edit({"unbind", {}, {}}, KeyboardConfigModel::NoMerge,
                            [](KeyboardConfig &c) { c.advanced.remove(TypeT); }));
        QVERIFY(rig.waitIdle());
    } else if (caller == Redo) {
        QVERIFY(config.edit({"bind", {}, {}}, KeyboardConfigModel::NoMerge, bind));
        QVERIFY(rig.waitIdle());
        history->undo();
        QVERIFY(rig.waitIdle());
    }
    QCOMPARE(config.config().bindKindOf(TypeT), int(Bind_None));
    const int steps = history->count();

    if (refusal == StoreFull) {
        // Filled behind the history's back, as another program would.
        for (int i = 0; i < KeyboardController::MaxMacros; ++i) {
            MACROInfo info;
            info.keyIndex = TypeQ + i;
            info.steps << MACRO_Key{true, QStringLiteral("A"), 10};
            QVERIFY(rig.worker->writeAdvancedBinding(info));
        }
        QVERIFY(rig.waitIdle());
    }
    rig.kb.clearFrameLog();
    VirtualKeyboard::Faults faults;
    if (refusal == WriteRefused)
        faults.failStatus = 100; // every answer to the change says refused
    else if (refusal == KeyboardGone)
        faults.unplugAfterFrames = 1;
    rig.kb.setFaults(faults);

    QSignalSpy refused(&config, &KeyboardConfigModel::changeRefused);
    QSignalSpy finished(keyboard.runner(), &ApplyRunner::finished);
    bool storeFullSaid = false;
    switch (caller) {
    case Edit:
        // The page that asked says why (it is told false).
        storeFullSaid = !config.edit({"bind", {}, {}}, KeyboardConfigModel::NoMerge, bind) && refusal == StoreFull;
        break;
    case Undo:
        history->undo();
        break;
    case Redo:
        history->redo();
        break;
    case ByHand:
    case ByFocus:
    case FromScript: {
        KeyboardConfig wanted = config.config();
        bind(wanted);
        const auto source = caller == ByHand    ? KeyboardController::ApplySource::ByHand
                            : caller == ByFocus ? KeyboardController::ApplySource::ByFocus
                                                : KeyboardController::ApplySource::FromScript;
        const KeyboardController::ProfileApplied applied =
            keyboard.applyProfile(profileOfConfig(wanted), QStringLiteral("P"), source);
        QVERIFY(applied.started);
        storeFullSaid = applied.storeFull;
        break;
    }
    }

    if (refusal == StoreFull) {
        // Nothing of the macro goes out, the refusal is said once, and the
        // configuration is what the keyboard holds.
        QVERIFY(rig.waitIdle());
        QCOMPARE(int(refused.count() + (storeFullSaid ? 1 : 0)), 1);
        QCOMPARE(config.config().bindKindOf(TypeT), int(Bind_None));
        QVERIFY((rig.kb.state().params[8][rig.cellOf(TypeT)] & 0x0F) == 0);
        return;
    }
    // The outcome of this change's run, not of one before it.
    const quint64 run = config.lastRun();
    QVERIFY(run != 0);
    auto outcomeOf = [&]() -> std::optional<ApplyRunner::Outcome> {
        for (const QList<QVariant> &f : qAsConst(finished))
            if (f.at(0).toULongLong() == run)
                return f.at(1).value<ApplyRunner::Outcome>();
        return std::nullopt;
    };
    while (!outcomeOf())
        QVERIFY(finished.wait(20000));
    const ApplyRunner::Outcome outcome = *outcomeOf();
    if (refusal == WriteRefused) {
        QCOMPARE(int(outcome.kind), int(ApplyRunner::Outcome::Done));
        QCOMPARE(outcome.refused, outcome.frames);
    } else {
        QCOMPARE(int(outcome.kind), int(ApplyRunner::Outcome::Lost));
        QVERIFY2(outcome.framesDone < outcome.frames, qPrintable(QStringLiteral("%1 of %2").arg(outcome.framesDone).arg(outcome.frames)));
    }
    // One action, at most one step, whoever asked.
    QVERIFY(history->count() <= steps + 1);
}

QTEST_MAIN(TestController)
#include "test_controller.moc"
