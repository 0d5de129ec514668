// The configuration pages on the keyboard views, end to end against the
// virtual keyboard: what a click, a drop or a page's edit sends and stores,
// what each page shows of the keyboard's read-back, and that an inactive
// page reacts to nothing.

#include "AdvancedKeySetPageWgt.h"
#include "AppParams.h"
#include "ColorChooseWgt.h"
#include "ColorConfigWgt.h"
#include "CustomKeySetPageWgt.h"
#include "KeyTypeTable.h"
#include "KeyboardAction.h"
#include "KeyboardBaseWgt.h"
#include "KeyboardDeck.h"
#include "KeyboardModels.h"
#include "AdvanceTypeChooseWindow.h"
#include "AdvanceTypeItemWgt.h"
#include "KeyChooseBtn.h"
#include "KeyChooseWgt.h"
#include "KeyDragBtn.h"
#include "MacroFile.h"
#include "MacroSetWindow.h"
#include "MacroTableWgt.h"
#include "MTSetWindow.h"
#include "DeviceNotifier.h"
#include "KeyboardController.h"
#include "KeyboardConfigModel.h"
#include "KeyboardSession.h"
#include "PerformancePageWgt.h"
#include "ProfileManager.h"
#include "SignalObject.h"
#include "SimRig.h"
#include "UserMessage.h"

#include <QJsonObject>
#include <QListWidget>
#include <QSlider>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUndoStack>
#include "KeyDrop.h"

#include <QtTest>

#include <memory>

namespace {

constexpr int TypeA = 51, TypeS = 52, TypeD = 53, TypeW = 35, TypeQ = 34, TypeY = 39, TypeH = 56, TypeE = 36,
              TypeR = 37, TypeT = 38, TypeU = 40;

// The four views of the full-size model and the four pages on them, wired
// to the rig's worker and a profile manager of their own, as the main
// window builds them.
struct Pages {
    explicit Pages(SimRig &rig) : keyboard(rig.worker.get(), &notifier, &manager), config(*keyboard.config())
    {
        QObject::connect(&keyboard, &KeyboardController::keyCodesRead, &deck, &KeyboardDeck::setKeyCodes);
        QList<KeyboardBaseWgt *> list;
        for (int layer = 0; layer < 4; ++layer) {
            view[layer].reset(createKeyboardView(0, layer));
            view[layer]->activate(true);
            list << view[layer].get();
        }
        deck.setViews(list);
        page[PageLighting] = std::make_unique<ColorConfigWgt>();
        page[PagePerformance] = std::make_unique<PerformancePageWgt>();
        page[PageCustomKeys] = std::make_unique<CustomKeySetPageWgt>();
        page[PageAdvancedKeys] = std::make_unique<AdvancedKeySetPageWgt>();
        for (auto &p : page) {
            p->setServices({&keyboard, &manager, &deck});
            p->build();
            p->activate(true);
        }
        show(PageLighting);
    }
    ~Pages()
    {
        for (auto &p : page)
            p->activate(false);
    }
    // The page switcher's part: leave the page on screen, enter another.
    void show(ConfigPage p)
    {
        for (auto &each : page)
            each->leave();
        page[p]->enter();
    }
    void setLayer(int layer) { deck.setCurrentLayer(layer); }
    ColorConfigWgt *lighting() const { return static_cast<ColorConfigWgt *>(page[PageLighting].get()); }
    PerformancePageWgt *performance() const
    {
        return static_cast<PerformancePageWgt *>(page[PagePerformance].get());
    }
    CustomKeySetPageWgt *remap() const { return static_cast<CustomKeySetPageWgt *>(page[PageCustomKeys].get()); }
    AdvancedKeySetPageWgt *advanced() const
    {
        return static_cast<AdvancedKeySetPageWgt *>(page[PageAdvancedKeys].get());
    }
    KeyboardBtn *key(int layer, int type) const { return view[layer]->buttonForType(type); }
    QJsonObject document() const { return manager.currentDocument(); }

    ProfileManager manager;
    ExternalDeviceNotifier notifier;
    KeyboardController keyboard;
    KeyboardConfigModel &config;
    KeyboardDeck deck;
    std::unique_ptr<KeyboardBaseWgt> view[4];
    std::unique_ptr<ConfigPageWgt> page[ConfigPageCount];
};


// A keyboard read back, with the pages on its views.
struct ReadKeyboard {
    explicit ReadKeyboard(bool distinctive = false)
    {
        if (distinctive)
            rig.kb.fillDistinctive();
        read = rig.readBack(session) && rig.waitIdle();
        pages.config.reset(configFromReadBack(session.readBack()));
    }
    SimRig rig;
    KeyboardSession session{rig.worker.get()};
    Pages pages{rig};
    bool read = false;
};

// A working folder of the test's own, with a macro folder in it.
struct WorkFolder {
    WorkFolder() : old(QDir::currentPath())
    {
        QDir::setCurrent(dir.path());
        QDir().mkpath(macroFolderPath());
    }
    ~WorkFolder() { QDir::setCurrent(old); }
    QTemporaryDir dir;
    QString old;
};

// What the keyboard holds that a user can change, field by field.
void compareBoards(const VirtualKeyboard::State &a, const VirtualKeyboard::State &b)
{
    constexpr size_t Mode = 8, FirstRecordParam = 9, LastRecordParam = 19;
    for (size_t p = 0; p < a.params.size(); ++p)
        for (size_t c = 0; c < a.params[p].size(); ++c)
            // A key without a binding ignores what its record left behind.
            if (p < FirstRecordParam || p > LastRecordParam || (a.params[Mode][c] & 0x0F) || (b.params[Mode][c] & 0x0F))
                QVERIFY2(a.params[p][c] == b.params[p][c],
                     qPrintable(QStringLiteral("parameter %1 of cell %2: %3, %4")
                                    .arg(p).arg(c).arg(a.params[p][c]).arg(b.params[p][c])));
    for (size_t c = 0; c < a.keyColours.size(); ++c)
        QVERIFY2(a.keyColours[c] == b.keyColours[c], qPrintable(QStringLiteral("colour of cell %1").arg(c)));
    QCOMPARE(a.deadBand.gdBi, b.deadBand.gdBi);
    QCOMPARE(a.lighting.bitmap, b.lighting.bitmap);
    QCOMPARE(a.lighting.grayscale, b.lighting.grayscale);
    QCOMPARE(a.lighting.rgbMode, b.lighting.rgbMode);
}

void clickItem(QListWidget *list, int row)
{
    const QRect r = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
}

int framesSent(const SimRig &rig)
{
    return int(rig.sentFrames().size());
}

} // namespace

class TestPages : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { qRegisterMetaType<BindKeyType>("BindKeyType"); }
    void pagesShowTheReadBackWithoutSending();
    void inactivePagesAreDeaf();
    void remapByDropAndPicker();
    void predefinedLayoutsAndFnColours();
    void travelAndRapidTrigger();
    void advancedKeyClicks();
    void lightingClicksAndPresets();
    void undoAndRedoEveryKindOfEdit();
    void historyStepsAndRefusals();
};

// Each page shows its part of what the keyboard reports: on the keys, and
// without a frame going back.
void TestPages::pagesShowTheReadBackWithoutSending()
{
    SimRig rig;
    rig.kb.fillDistinctive();
    KeyboardSession session(rig.worker.get());
    QVERIFY(rig.readBack(session));
    QVERIFY(rig.waitIdle());
    const KeyboardReadBack rb = session.readBack();
    Pages pages(rig); // built after the read-back: fed it below
    rig.kb.clearFrameLog();

    // The key identities come with the read-back; the pages are then shown
    // the configuration it holds.
    emit rig.worker->reports()->sigKB2OriginalKeyValueMap(rb.originalKeys);
    QCoreApplication::processEvents(); // the controller hears it queued
    pages.config.reset(configFromReadBack(rb));
    QVERIFY(rig.waitIdle());
    QCOMPARE(framesSent(rig), 0);

    const VirtualKeyboard::State st = rig.kb.state();
    const int cellA = rig.cellOf(TypeA), cellH = rig.cellOf(TypeH);
    // Lighting: the keys' colours.
    QCOMPARE(pages.key(0, TypeH)->keyColour(),
             QColor(st.keyColours[cellH].red, st.keyColours[cellH].green, st.keyColours[cellH].blue));
    // Performance: own travel and rapid trigger, in millimetres.
    KeyboardBtn *a = pages.key(0, TypeA);
    QCOMPARE(bool(a->keyData().travelDiffers), (st.params[8][cellA] & 0xF0) == 0x10);
    QCOMPARE(bool(a->keyData().rapidTrigger), (st.params[8][cellA] & 0xF0) == 0x20);
    QCOMPARE(a->keyData().travel, st.params[4][cellA] / 1000.0);
    QCOMPARE(a->keyData().rapidTriggerPress, st.params[20][cellA] / 1000.0);
    // Remapping: every layer's assignments.
    QCOMPARE(keyTypeCode(pages.key(2, TypeA)->currentType()), st.params[2][cellA]);
    // Advanced keys: the bindings, on every layer.
    QCOMPARE(pages.key(0, TypeA)->keyData().bindKind(), int(Bind_MT));
    QCOMPARE(pages.key(3, TypeQ)->keyData().bindKind(), int(Bind_SOCD));
}

void TestPages::inactivePagesAreDeaf()
{
    SimRig rig;
    KeyboardSession session(rig.worker.get());
    QVERIFY(rig.readBack(session));
    QVERIFY(rig.waitIdle());
    Pages pages(rig);
    pages.config.reset(configFromReadBack(session.readBack()));
    pages.show(PagePerformance);
    for (auto &p : pages.page)
        p->activate(false);
    rig.kb.clearFrameLog();

    PerformancePageWgt *performance = pages.performance();
    performance->setKeysSelectable(true);
    performance->checkAllKeys(true);
    performance->setCheckedKeysTravel(2.0);
    pages.remap()->applyLayout(1, {{TypeA, TypeY}});
    emit SignalObject::instance()->sigShowFnKeyColor();
    pages.lighting()->paintPreset({{TypeA, Qt::red}});
    emit rig.worker->sigKB2LayoutKey(QVariant::fromValue(MapKB2DockerKey{{0, {{TypeA, 0x1C}}}}));
    emit rig.worker->reports()->sigKB2UpdateKRGBInfo({{TypeA, Qt::red}});
    QCoreApplication::processEvents(); // the controller hears it queued
    QTest::mouseClick(pages.key(0, TypeA), Qt::LeftButton);
    QVERIFY(rig.waitIdle());
    KeyboardBtn *a = pages.key(0, TypeA);
    QVERIFY(!a->isSelectable() && !a->isKeyChecked());
    QCOMPARE(a->currentType(), TypeA);
    QCOMPARE(a->keyColour(), KeyboardBtn::NeutralColour);
    QCOMPARE(framesSent(rig), 0);
}

void TestPages::remapByDropAndPicker()
{
    ReadKeyboard keyboard(true);
    QVERIFY(keyboard.read);
    SimRig &rig = keyboard.rig;
    Pages &pages = keyboard.pages;
    pages.show(PageCustomKeys);

    for (int layer = 0; layer < 4; ++layer) {
        pages.setLayer(layer);
        const QString member = QStringLiteral("fn%1-layout").arg(layer);
        // By drop; a key with a binding refuses drops.
        dropName(pages.key(layer, TypeE), QStringLiteral("Y"));
        dropName(pages.key(layer, TypeA), QStringLiteral("Y"));
        QVERIFY(rig.waitIdle());
        QCOMPARE(rig.param(layer, TypeE), keyTypeCode(TypeY));
        QCOMPARE(pages.key(layer, TypeE)->currentType(), TypeY);
        QVERIFY(rig.param(layer, TypeA) != keyTypeCode(TypeY));
        QCOMPARE(pages.document()["KeyCustom"].toObject()[member].toObject()["36"].toInt(), TypeY);
        // By picker: of two keys clicked, only the second awaits the key.
        const quint16 before = rig.param(layer, TypeR);
        QTest::mouseClick(pages.key(layer, TypeR), Qt::LeftButton);
        QTest::mouseClick(pages.key(layer, TypeT), Qt::LeftButton);
        QCOMPARE(pages.key(layer, TypeR)->legend(), keyTypeName(pages.key(layer, TypeR)->currentType()));
        QCOMPARE(pages.key(layer, TypeT)->legend(), QString());
        emit pages.remap()->picker()->sigKeyClicked(TypeQ);
        QVERIFY(rig.waitIdle());
        QCOMPARE(rig.param(layer, TypeT), keyTypeCode(TypeQ));
        QCOMPARE(rig.param(layer, TypeR), before);
        QCOMPARE(pages.key(layer, TypeT)->legend(), QStringLiteral("Q"));
        QCOMPARE(pages.document()["KeyCustom"].toObject()[member].toObject()["38"].toInt(), TypeQ);
    }

    // A layer refuses the Fn keys of itself and of the layers below it.
    pages.setLayer(2);
    rig.kb.clearFrameLog();
    const int typeU = pages.key(2, TypeU)->currentType();
    dropName(pages.key(2, TypeU), QStringLiteral("Fn2"));
    QVERIFY(rig.waitIdle());
    QCOMPARE(pages.key(2, TypeU)->currentType(), typeU);
    QCOMPARE(framesSent(rig), 0);
    pages.setLayer(1);
    dropName(pages.key(1, TypeU), QStringLiteral("Fn2"));
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.param(1, TypeU), quint16(0xF002));

    // Leaving the page gives the waiting key its legend back.
    QTest::mouseClick(pages.key(1, TypeR), Qt::LeftButton);
    QCOMPARE(pages.key(1, TypeR)->legend(), QString());
    pages.show(PageLighting);
    QCOMPARE(pages.key(1, TypeR)->legend(), keyTypeName(pages.key(1, TypeR)->currentType()));
}

void TestPages::predefinedLayoutsAndFnColours()
{
    ReadKeyboard keyboard(true);
    QVERIFY(keyboard.read);
    SimRig &rig = keyboard.rig;
    Pages &pages = keyboard.pages;
    pages.show(PageCustomKeys);
    const QMap<int, int> layout = {{TypeA, TypeY}, {TypeS, TypeQ}};

    // Layouts 1..5 apply on layers 0 and 1, the default layout (0) on layer
    // 1 only; elsewhere the layer returns to the keys' own types. Each time
    // the whole layer goes to the keyboard and into the profile.
    struct Case {
        int resetId, layer;
        bool applied;
    };
    const Case cases[] = {{1, 0, true}, {1, 1, true}, {1, 2, false}, {3, 3, false}, {0, 1, true}, {0, 0, false}};
    for (const Case &c : cases) {
        int otherS[4];
        for (int l = 0; l < 4; ++l)
            otherS[l] = pages.key(l, TypeS)->currentType();
        pages.setLayer(c.layer);
        pages.remap()->applyLayout(c.resetId, layout);
        QVERIFY(rig.waitIdle());
        const int a = c.applied ? TypeY : TypeA;
        QCOMPARE(rig.param(c.layer, TypeA), keyTypeCode(a));
        QCOMPARE(rig.param(c.layer, TypeS), keyTypeCode(c.applied ? TypeQ : TypeS));
        QCOMPARE(rig.param(c.layer, TypeD), keyTypeCode(TypeD));
        QCOMPARE(pages.key(c.layer, TypeA)->currentType(), a);
        const QJsonObject stored =
            pages.document()["KeyCustom"].toObject()[QStringLiteral("fn%1-layout").arg(c.layer)].toObject();
        QCOMPARE(stored.size(), 104);
        QCOMPARE(stored["51"].toInt(), a);
        // The views of other layers are left alone.
        const int other = (c.layer + 2) % 4;
        QCOMPARE(pages.key(other, TypeS)->currentType(), otherS[other]);
    }

    // The layers the keyboard reports set the current types; the function
    // keys are coloured by their category.
    pages.config.noteFromKeyboard([](KeyboardConfig &c) {
        for (auto [key, code] : {std::pair{TypeE, 0x10E2}, {TypeR, 0xF317}, {TypeT, 0xF101}, {TypeY, 0x12A0}})
            c.layers[1].insert(key, keyTypeFromCode(quint16(code)));
    });
    QCOMPARE(pages.key(1, TypeE)->currentType(), 117);
    QCOMPARE(pages.key(1, TypeE)->keyColour(), QColor(142, 196, 212));
    QCOMPARE(pages.key(1, TypeY)->keyColour(), QColor(142, 196, 212)); // Launchpad: an application key too
    QCOMPARE(pages.key(1, TypeR)->keyColour(), QColor(209, 246, 209));
    QCOMPARE(pages.key(1, TypeT)->keyColour(), QColor(218, 177, 115));
    QCOMPARE(pages.key(1, TypeU)->keyColour(), KeyboardBtn::NeutralColour);
    QCOMPARE(pages.key(0, TypeE)->currentType(), TypeE);
}

void TestPages::travelAndRapidTrigger()
{
    ReadKeyboard keyboard;
    QVERIFY(keyboard.read);
    SimRig &rig = keyboard.rig;
    Pages &pages = keyboard.pages;
    pages.show(PagePerformance);
    PerformancePageWgt *performance = pages.performance();
    auto expectRecord = [&](int type, int mode, int travel, int press, int release) {
        const QJsonObject r = pages.document()["KeyTouchDB"].toObject()[QString::number(type)].toObject();
        QCOMPARE(r["work-mode"].toInt(), mode);
        QCOMPARE(r["keyTouchDis"].toInt(), travel);
        QCOMPARE(r["quickTouchPressDis"].toInt(), press);
        QCOMPARE(r["quickTouchUpDis"].toInt(), release);
    };

    performance->setKeysSelectable(true);
    performance->checkWasdKeys();
    QCOMPARE(pages.deck.checkedKeys().size(), 4);
    QCOMPARE(performance->plainSelected(), 4); // the rapid-trigger switch counts them
    performance->checkAllKeys(false);
    QTest::mouseClick(pages.key(0, TypeA), Qt::LeftButton);
    QTest::mouseClick(pages.key(0, TypeS), Qt::LeftButton);
    QVERIFY(pages.key(0, TypeA)->isKeyChecked());
    QTest::mouseClick(pages.key(1, TypeD), Qt::LeftButton); // layer 1: not selectable
    QVERIFY(!pages.key(1, TypeD)->isKeyChecked());

    // Own travel: mode byte with 0x10, then the travel.
    const quint16 travelD = rig.param(4, TypeD);
    performance->setCheckedKeysTravel(2.2);
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.param(8, TypeA), quint16(0x10));
    QCOMPARE(rig.param(4, TypeA), quint16(2200));
    expectRecord(TypeS, 1, 2200, 300, 300);
    QCOMPARE(rig.param(4, TypeD), travelD); // not checked

    // Rapid trigger on, its sensitivities, a travel change while it is on.
    performance->setCheckedKeysRapidTrigger(true);
    performance->setCheckedKeysRapidDistances(0.5, 0.7);
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.param(8, TypeA), quint16(0x20));
    QCOMPARE(rig.param(20, TypeA), quint16(500));
    QCOMPARE(rig.param(21, TypeA), quint16(700));
    performance->setCheckedKeysTravel(2.5);
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.param(4, TypeA), quint16(2500));
    QCOMPARE(rig.param(8, TypeA), quint16(0x20));
    expectRecord(TypeA, 2, 2500, 500, 700); // the key's own sensitivities, not 0.3 mm

    // Off again: the own travel stays.
    performance->setCheckedKeysRapidTrigger(false);
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.param(8, TypeA), quint16(0x10));
    expectRecord(TypeA, 1, 2500, 500, 700);

    // A bound key keeps its binding in the low nibble.
    MTInfo hold;
    hold.keyIndex = TypeS;
    pages.config.edit({QStringLiteral("MT"), {}, {}}, KeyboardConfigModel::NoMerge,
                      [&hold](KeyboardConfig &c) { c.advanced.insert(TypeS, hold); });
    performance->resetCheckedKeysToGlobal();
    QVERIFY(rig.waitIdle());
    // Back to the global travel: the keyboard's own, read back.
    QCOMPARE(pages.config.config().performance.globalTravelUm, 2000);
    QCOMPARE(rig.param(8, TypeA), quint16(0x00));
    QCOMPARE(rig.param(4, TypeA), quint16(2000));
    QCOMPARE(rig.param(8, TypeS), quint16(0x03));
    expectRecord(TypeA, 0, 2000, 500, 700);
    pages.config.edit({QStringLiteral("MT"), {}, {}}, KeyboardConfigModel::NoMerge,
                      [](KeyboardConfig &c) { c.advanced.remove(TypeS); });

    // The rapid-trigger window's choice: checked keys on, the others off on
    // the keyboard too.
    performance->setCheckedKeysRapidTrigger(true);
    QTest::mouseClick(pages.key(0, TypeS), Qt::LeftButton); // S unchecked, still rapid
    performance->applyRapidTriggerToCheckedKeys();
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.param(8, TypeA), quint16(0x20));
    QCOMPARE(rig.param(8, TypeS), quint16(0x00));
    QVERIFY(!pages.key(0, TypeS)->keyData().rapidTrigger);
    expectRecord(TypeS, 0, 2000, 500, 700);

    // Borders and selection helpers.
    performance->showRapidTriggerBorders(true);
    QVERIFY(pages.key(0, TypeA)->isHighlighted());
    QVERIFY(!pages.key(0, TypeS)->isHighlighted());
    performance->setKeysSelectable(false);
    QVERIFY(!pages.key(0, TypeA)->isKeyChecked());
    performance->checkRapidTriggerKeys();
    QVERIFY(pages.key(0, TypeA)->isKeyChecked());
    QVERIFY(!pages.key(0, TypeS)->isKeyChecked());

    // The board's per-key records: keys reset, then as recorded (micrometres).
    KeyTravelRecord own;
    own.workMode = WorkOwnTravel;
    own.keyTouchDis = 1800;
    pages.config.noteFromKeyboard([&own](KeyboardConfig &c) { c.keyTravel = {{TypeE, own}}; });
    QCOMPARE(pages.key(0, TypeE)->keyData().travel, 1.8);
    QVERIFY(pages.key(0, TypeE)->keyData().travelDiffers);
    QVERIFY(!pages.key(0, TypeA)->keyData().rapidTrigger);
}

void TestPages::advancedKeyClicks()
{
    ReadKeyboard keyboard;
    QVERIFY(keyboard.read);
    Pages &pages = keyboard.pages;
    pages.show(PageAdvancedKeys);

    // A free key opens the chooser, a bound key its editor; at the limit a
    // free key is refused with a message.
    QStringList messages;
    setUserMessageSink([&](const QString &title, const QString &text) { messages << title + ":" + text; });
    auto *advanced = static_cast<AdvancedKeySetPageWgt *>(pages.page[PageAdvancedKeys].get());
    QSignalSpy chooser(advanced, &AdvancedKeySetPageWgt::sigOpenAdvanceTypeChooser);
    QTest::mouseClick(pages.key(0, TypeE), Qt::LeftButton);
    QCOMPARE(chooser.count(), 1);
    QCOMPARE(chooser.first().first().value<KeyInfo>().firstType, quint32(TypeE));
    // The keyboard reports the limit of bindings.
    pages.config.noteFromKeyboard([](KeyboardConfig &c) {
        for (int type = 0; type < AdvancedKeySetPageWgt::MaxAdvancedKeys; ++type) {
            TGLInfo toggle;
            toggle.keyIndex = type;
            c.advanced.insert(type, toggle);
        }
    });
    QCOMPARE(pages.key(2, 3)->keyData().bindKind(), int(Bind_TGL)); // on every layer
    QTest::mouseClick(pages.key(0, TypeE), Qt::LeftButton);
    QTest::mouseClick(pages.key(0, 3), Qt::LeftButton);
    QCOMPARE(chooser.count(), 1);
    QVERIFY(advanced->editor());
    QCOMPARE(advanced->editor()->firstType(), 3);
    QCOMPARE(messages, QStringList{QStringLiteral("提示:高级键最多绑定32个")});

    // Another page on screen: a click means nothing here.
    pages.show(PagePerformance);
    QTest::mouseClick(pages.key(0, TypeR), Qt::LeftButton);
    QCOMPARE(chooser.count(), 1);
    setUserMessageSink({});
}

void TestPages::lightingClicksAndPresets()
{
    ReadKeyboard keyboard;
    QVERIFY(keyboard.read);
    SimRig &rig = keyboard.rig;
    Pages &pages = keyboard.pages;
    pages.show(PageLighting);

    // A click paints and sends only while per-key colouring is on.
    pages.lighting()->chooser()->setColor(QColor(10, 20, 30));
    pages.lighting()->setPerKeyColouring(false);
    rig.kb.clearFrameLog();
    QTest::mouseClick(pages.key(1, TypeH), Qt::LeftButton);
    QVERIFY(rig.waitIdle());
    QCOMPARE(framesSent(rig), 0);
    pages.lighting()->setPerKeyColouring(true);
    QTest::mouseClick(pages.key(1, TypeH), Qt::LeftButton);
    QVERIFY(rig.waitIdle());
    QVERIFY(rig.kb.state().keyColours[rig.cellOf(TypeH)] == (VirtualKeyboard::Rgb{10, 20, 30}));
    QCOMPARE(pages.key(0, TypeH)->keyColour(), QColor(10, 20, 30)); // the key's colour on every layer
    QCOMPARE(pages.lighting()->keyColourCache().value(TypeH), QColor(10, 20, 30));

    // A whole preset goes out as full colour records, 14 keys a frame.
    rig.kb.clearFrameLog();
    pages.lighting()->paintPreset({{TypeA, QColor(255, 0, 0)}});
    QVERIFY(rig.waitIdle());
    const int keys = pages.view[0]->buttons().size();
    QCOMPARE(framesSent(rig), (keys + 13) / 14);
    QVERIFY(rig.kb.state().keyColours[rig.cellOf(TypeA)] == (VirtualKeyboard::Rgb{255, 0, 0}));
    QVERIFY(rig.kb.state().keyColours[rig.cellOf(TypeS)] == (VirtualKeyboard::Rgb{0, 0, 0}));
    QCOMPARE(pages.key(3, TypeS)->keyColour(), QColor(Qt::black));
}

QTEST_MAIN(TestPages)
// Five edits on four pages, each one step of the history: undone, the
// keyboard holds what it held before them, field by field; redone, what it
// held after them.
void TestPages::undoAndRedoEveryKindOfEdit()
{
    WorkFolder work;
    const QList<MACRO_Key> steps{{true, QStringLiteral("A"), 10}, {false, QStringLiteral("A"), 10}};
    QVERIFY(writeMacroFile(macroFolderPath() + "/Hello.csv", steps));

    ReadKeyboard keyboard;
    QVERIFY(keyboard.read);
    SimRig &rig = keyboard.rig;
    Pages &pages = keyboard.pages;
    QUndoStack *history = pages.config.history();
    const VirtualKeyboard::State before = rig.kb.state();
    const KeyboardConfig configBefore = pages.config.config();
    const QJsonObject documentBefore = pages.document();

    // Travel: A to 1.20 mm.
    pages.show(PagePerformance);
    QTest::mouseClick(pages.key(0, TypeA), Qt::LeftButton);
    pages.performance()->setCheckedKeysTravel(1.2);
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.param(4, TypeA), quint16(1200));
    // A followed the global travel: named so, not by its unused cell.
    QCOMPARE(history->undoText(), QString("A 的触发行程 跟随全局 → 1.20 mm"));
    QTest::mouseClick(pages.key(0, TypeA), Qt::LeftButton); // not selected any more
    // Colour: H painted.
    pages.show(PageLighting);
    pages.lighting()->chooser()->setColor(QColor(10, 20, 30));
    pages.lighting()->setPerKeyColouring(true);
    QTest::mouseClick(pages.key(0, TypeH), Qt::LeftButton);
    QVERIFY(rig.waitIdle());
    // Remap: E becomes Y on layer 1.
    pages.show(PageCustomKeys);
    pages.setLayer(1);
    dropName(pages.key(1, TypeE), QStringLiteral("Y"));
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.param(1, TypeE), keyTypeCode(TypeY));
    pages.setLayer(0);
    // MT on R: hold Q, tap W; MACRO "Hello" on T.
    pages.show(PageAdvancedKeys);
    auto *advanced = static_cast<AdvancedKeySetPageWgt *>(pages.page[PageAdvancedKeys].get());
    auto choose = [&](int key, int item) {
        QTest::mouseClick(pages.key(0, key), Qt::LeftButton);
        QTest::mouseClick(advanced->typeChooser()->items().at(item), Qt::LeftButton);
        return advanced->editor();
    };
    auto *mt = qobject_cast<MTSetWindow *>(choose(TypeR, 2));
    QVERIFY(mt);
    QTest::mouseClick(mt->holdSlot(), Qt::LeftButton);
    for (KeyChooseBtn *b : mt->picker()->keyButtons())
        if (b->type() == TypeQ)
            QTest::mouseClick(b, Qt::LeftButton);
    QTest::mouseClick(mt->tapSlot(), Qt::LeftButton);
    for (KeyChooseBtn *b : mt->picker()->keyButtons())
        if (b->type() == TypeW)
            QTest::mouseClick(b, Qt::LeftButton);
    QTest::mouseClick(mt->commitButton(), Qt::LeftButton);
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.param(8, TypeR) & 0x0F, 3);
    auto *macro = qobject_cast<MacroSetWindow *>(choose(TypeT, 6));
    QVERIFY(macro);
    QCOMPARE(macro->macroTable()->list()->count(), 1);
    clickItem(macro->macroTable()->list(), 0);
    QTest::mouseClick(macro->commitButton(), Qt::LeftButton);
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.param(8, TypeT) & 0x0F, 6);

    QCOMPARE(history->count(), 5);
    const VirtualKeyboard::State after = rig.kb.state();
    const KeyboardConfig configAfter = pages.config.config();
    for (int i = 0; i < 5; ++i)
        history->undo();
    QVERIFY(rig.waitIdle());
    compareBoards(rig.kb.state(), before);
    QVERIFY(pages.config.config() == configBefore);
    // The pages show it: A's travel, E on layer 1, no binding on R or T.
    QCOMPARE(pages.key(0, TypeA)->keyData().travel, 2.0);
    QCOMPARE(pages.key(1, TypeE)->currentType(), TypeE);
    QCOMPARE(pages.key(0, TypeR)->keyData().bindKind(), int(Bind_None));
    QCOMPARE(pages.key(0, TypeT)->keyData().bindKind(), int(Bind_None));
    QCOMPARE(pages.document()["AdvancedKey"], documentBefore["AdvancedKey"]);

    for (int i = 0; i < 5; ++i)
        history->redo();
    QVERIFY(rig.waitIdle());
    compareBoards(rig.kb.state(), after);
    QVERIFY(pages.config.config() == configAfter);
    QCOMPARE(pages.key(0, TypeT)->keyData().bindKind(), int(Bind_MACRO));
    QCOMPARE(rig.kb.state().macroSteps, after.macroSteps);
}

// A drag of the global travel over ten positions, or ten steps of it by
// the keys, is one step; an edit that changes nothing is none; an undo the
// keyboard cannot take says so and leaves what the keyboard holds.
void TestPages::historyStepsAndRefusals()
{
    ReadKeyboard keyboard;
    QVERIFY(keyboard.read);
    SimRig &rig = keyboard.rig;
    Pages &pages = keyboard.pages;
    QUndoStack *history = pages.config.history();
    pages.show(PagePerformance);
    auto *performance = static_cast<PerformancePageWgt *>(pages.page[PagePerformance].get());
    QSlider *global = nullptr;
    for (QSlider *slider : performance->findChildren<QSlider *>())
        if (slider->accessibleName() == QStringLiteral("设置全局触发行程"))
            global = slider;
    QVERIFY(global);
    const quint16 start = rig.kb.state().deadBand.gdBi;
    global->setSliderDown(true);
    for (int i = 1; i <= 10; ++i)
        global->setValue(global->value() + 5);
    global->setSliderDown(false);
    QVERIFY(rig.waitIdle());
    QVERIFY(rig.kb.state().deadBand.gdBi != start);
    QCOMPARE(history->count(), 1);
    for (int i = 0; i < 10; ++i) {
        global->setValue(global->value() + 1);
        emit global->sliderReleased();
    }
    QCOMPARE(history->count(), 1); // merged: one step of the same setting
    history->undo();
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.kb.state().deadBand.gdBi, start);

    // Nothing changes: no step, no frame.
    rig.kb.clearFrameLog();
    const int steps = history->count();
    pages.config.edit({"none", {}, {}}, KeyboardConfigModel::NoMerge, [](KeyboardConfig &) {});
    QCOMPARE(history->count(), steps);
    QCOMPARE(framesSent(rig), 0);

    // A macro the store has no room for: its redo is refused, said once,
    // and the configuration stays what the keyboard holds.
    WorkFolder work;
    QVERIFY(writeMacroFile(macroFolderPath() + "/M.csv", {{true, QStringLiteral("A"), 10}}));
    pages.config.setMacroLoader([](const QString &name) { return loadMacroFile(macroFolderPath(), name); });
    const AdvancedBinding m = MACROInfo{TypeT, "M", {}};
    QVERIFY(pages.config.edit({"macro", {}, {}}, KeyboardConfigModel::NoMerge,
                              [&m](KeyboardConfig &c) { c.advanced.insert(TypeT, m); }));
    QVERIFY(rig.waitIdle());
    history->undo();
    QVERIFY(rig.waitIdle());
    // Fill the store behind the history's back.
    for (int i = 0; i < AdvancedKeyControl::MaxMacros; ++i) {
        MACROInfo info;
        info.keyIndex = TypeQ + i;
        info.steps << MACRO_Key{true, QStringLiteral("A"), 10};
        QVERIFY(rig.worker->writeAdvancedBinding(info));
    }
    QSignalSpy refused(&pages.config, &KeyboardConfigModel::changeRefused);
    history->redo();
    QCOMPARE(refused.count(), 1);
    QCOMPARE(pages.config.config().bindKindOf(TypeT), int(Bind_None));
    // The advanced page shows what was taken.
    auto *advanced = static_cast<AdvancedKeySetPageWgt *>(pages.page[PageAdvancedKeys].get());
    QVERIFY(!advanced->bindItem(TypeT));
    QCOMPARE(pages.key(0, TypeT)->keyData().bindKind(), int(Bind_None));

    // A keyboard being read: an edit is refused and said, not dropped unseen.
    QVERIFY(rig.waitIdle());
    pages.config.awaitReadBack();
    rig.kb.clearFrameLog();
    QVERIFY(!pages.config.edit({"travel", {}, {}}, KeyboardConfigModel::NoMerge,
                               [](KeyboardConfig &c) { c.performance.globalTravelUm = 1000; }));
    QCOMPARE(refused.count(), 2);
    // A page's edit is refused too, and its keys stay as the keyboard has them.
    pages.setLayer(0);
    const int ownA = pages.key(0, TypeA)->currentType();
    pages.remap()->applyLayout(1, {{TypeA, TypeY}});
    QCOMPARE(refused.count(), 3);
    QCOMPARE(pages.key(0, TypeA)->currentType(), ownA);
    QVERIFY(rig.waitIdle());
    QCOMPARE(framesSent(rig), 0);
}

#include "test_pages.moc"
