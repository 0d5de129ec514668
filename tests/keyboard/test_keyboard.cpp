// The keyboard view, its models, the key picker and the key hook; the
// editing roads end to end against the virtual keyboard.

#include "AppParams.h"
#include "HidBackend.h"
#include "Hook.h"
#include "KeyChooseBtn.h"
#include "KeyChooseWgt.h"
#include "KeyTypeTable.h"
#include "KeyboardAction.h"
#include "KeyboardBtn.h"
#include "KeyboardLayouts.h"
#include "KeyboardModels.h"
#include "KeyboardSession.h"
#include "MacroCsv.h"
#include "ProfileDocument.h"
#include "ProfileManager.h"
#include "SendDataProgress.h"
#include "SignalObject.h"
#include "SoftwareConfig.h"
#include "SimRig.h"
#include "VirtualHidBackend.h"
#include "VirtualKeyTable.h"
#include "linux/QtVirtualKey.h"

#include <QButtonGroup>
#include <QDir>
#include <QFontDatabase>
#include <QGridLayout>
#include <QJsonArray>
#include <QJsonObject>
#include <QKeyEvent>
#include <QMimeData>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QWindow>
#include <QtTest>

#include <memory>
#include <set>

namespace {

constexpr int TypeA = 51, TypeS = 52, TypeD = 53, TypeW = 35, TypeQ = 34, TypeY = 39, TypeH = 56, TypeE = 36,
              TypeR = 37, TypeT = 38, TypeU = 40;
constexpr int TypeFn1 = 137, TypeFn2 = 138;

// Keys per matrix row in the main block (rows 0..5, pad excluded), knobs,
// and whether a numeric pad is built.
struct ModelRows {
    int model;
    int rows[6];
    int knobs;
    bool pad;
};
const ModelRows kModelRows[] = {
    {15, {4, 0, 0, 0, 0, 0}, 0, true},      {8, {1, 7, 6, 6, 5, 4}, 0, false},
    {10, {0, 14, 14, 13, 12, 8}, 0, false}, {9, {0, 14, 14, 13, 14, 9}, 0, false},
    {14, {0, 14, 15, 14, 14, 9}, 1, false}, {5, {0, 15, 15, 14, 14, 9}, 0, false},
    {16, {0, 14, 15, 14, 14, 10}, 1, false}, {6, {0, 15, 15, 14, 14, 10}, 0, false},
    {20, {0, 16, 16, 13, 13, 10}, 0, false}, {22, {13, 15, 15, 14, 13, 9}, 1, false},
    {17, {14, 15, 15, 14, 13, 9}, 1, false}, {4, {15, 15, 15, 14, 13, 9}, 0, false},
    {19, {13, 15, 15, 14, 14, 10}, 0, false}, {21, {14, 15, 15, 14, 14, 10}, 1, false},
    {12, {15, 15, 15, 14, 14, 10}, 0, false}, {13, {15, 16, 16, 13, 13, 10}, 0, false},
    {1, {16, 15, 15, 14, 14, 10}, 0, false}, {2, {16, 17, 17, 13, 13, 11}, 0, false},
    {11, {17, 17, 17, 13, 13, 11}, 0, false}, {18, {18, 14, 14, 13, 13, 9}, 0, true},
    {23, {17, 14, 14, 13, 13, 10}, 0, true},
    // The function row holds Esc and F1..F12 and, to make up the 99 keys,
    // five navigation keys beside them.
    {3, {18, 14, 14, 13, 13, 10}, 0, true},   {0, {16, 17, 17, 13, 13, 11}, 0, true},
};

int keyCountOf(const QString &className)
{
    QString digits;
    for (QChar c : className)
        if (c.isDigit())
            digits += c;
    return digits.toInt();
}

using Rig = SimRig;

// Four views of the full-size model, one per layer, wired to the rig's
// worker and a profile manager of their own, as the main window builds them.
struct Views {
    explicit Views(Rig &rig)
    {
        manager.UpdateBoardLayer(0, {}); // a document with every group
        for (int layer = 0; layer < 4; ++layer) {
            view[layer].reset(createKeyboardView(0, layer));
            view[layer]->setKeyboardAction(rig.worker.get());
            view[layer]->setProfileManager(&manager);
            view[layer]->activate(true);
        }
    }
    KeyboardBtn *key(int layer, int type) const { return view[layer]->buttonForType(type); }
    QJsonObject document() const { return manager.currentDocument(); }

    ProfileManager manager;
    std::unique_ptr<KeyboardBaseWgt> view[4];
};

void dropName(KeyboardBtn *key, const QString &name)
{
    QMimeData data;
    data.setData(KeyboardBtn::DragFormat, QByteArray());
    data.setText(name);
    QDragEnterEvent enter(QPoint(5, 5), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(key, &enter);
    QDropEvent drop(QPointF(5, 5), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(key, &drop);
}

void resetAppParams()
{
    AppParams::setCurrentPage(0);
    AppParams::setCurrentLayer(0);
    AppParams::setPerformanceSubPage(0);
    AppParams::setGlobalTravel(1.5);
}

} // namespace

class TestKeyboard : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { qRegisterMetaType<BindKeyType>("BindKeyType"); }
    void init() { resetAppParams(); }
    void hookTables();
    void hookOnLinux();
    void modelsFollowTheirLayouts();
    void picker();
    void remapByDropAndPicker();
    void predefinedLayouts();
    void identitiesFromTheBoard();
    void travelAndRapidTrigger();
    void clicksColoursAndLiveValues();
    void applyingAProfile();
    void inactiveViewReactsToNothing();
};

void TestKeyboard::hookTables()
{
    // The numbering: letters before digits, keypad 1..9 then 0.
    QCOMPARE(int(Hook::KEY_A), 13);
    QCOMPARE(int(Hook::KEY_0), 39);
    QCOMPARE(int(Hook::KEY_PSCR), 49);
    QCOMPARE(int(Hook::KEY_LSHIFT), 70);
    QCOMPARE(int(Hook::KEY_FN), 81);
    QCOMPARE(int(Hook::KEY_P1), 94);
    QCOMPARE(int(Hook::KEY_P0), 103);
    QCOMPARE(Hook::typeFromName(QStringLiteral("PENT")), int(Hook::KEY_PENT));
    QCOMPARE(Hook::typeFromName(QStringLiteral("ESC")), 0);
    QCOMPARE(Hook::typeFromName(QStringLiteral("KEY_ESC")), -1);
    QCOMPARE(Hook::nameOfType(Hook::KEY_LSHIFT), QStringLiteral("LSHIFT"));

    // Every key but Fn and keypad Enter has a virtual key; no virtual key
    // is listed twice.
    std::set<int> typesWithVk, vks;
    for (const auto &row : virtualKeyTable()) {
        QVERIFY2(vks.insert(row.first).second, qPrintable(QString::number(row.first, 16)));
        typesWithVk.insert(row.second);
    }
    QCOMPARE(int(vks.size()), 103);
    for (int t = 0; t <= Hook::KEY_P0; ++t)
        QCOMPARE(typesWithVk.count(t) == 1, t != Hook::KEY_FN && t != Hook::KEY_PENT);
    QCOMPARE(hookTypeForVirtualKey(0x2A), int(Hook::KEY_PSCR));
    QCOMPARE(hookTypeForVirtualKey(0x2C), int(Hook::KEY_PSCR)); // Print Screen as keyboards report it
    QCOMPARE(hookTypeForVirtualKey(0x60), int(Hook::KEY_P0));
    QCOMPARE(hookTypeForVirtualKey(0x61), int(Hook::KEY_P1));

    // Messages: down and up are reported, system messages and unknown
    // virtual keys are not (an unknown key is not Esc).
    Hook hook;
    QSignalSpy press(&hook, &Hook::sendPressKeyType);
    QSignalSpy up(&hook, &Hook::sendUpKeyType);
    hook.handleKeyMessage(Hook::MsgKeyDown, 0x41);
    hook.handleKeyMessage(Hook::MsgKeyUp, 0x41);
    hook.handleKeyMessage(Hook::MsgSysKeyDown, 0x41);
    hook.handleKeyMessage(Hook::MsgSysKeyUp, 0x41);
    hook.handleKeyMessage(Hook::MsgKeyDown, 0xAD); // volume mute: not in the table
    hook.handleKeyMessage(Hook::MsgKeyDown, 0);
    QCOMPARE(press.count(), 1);
    QCOMPARE(press.first().first().value<Hook::Type>(), Hook::KEY_A);
    QCOMPARE(up.count(), 1);
}

void TestKeyboard::hookOnLinux()
{
    // Qt keys to virtual keys: shifted symbols are their key, the keypad
    // has codes of its own, left and right modifiers differ by key code.
    QCOMPARE(virtualKeyForQtKey(Qt::Key_Exclam, Qt::ShiftModifier, 0), 0x31);
    QCOMPARE(virtualKeyForQtKey(Qt::Key_Q, Qt::NoModifier, 0), 0x51);
    QCOMPARE(virtualKeyForQtKey(Qt::Key_7, Qt::KeypadModifier, 0), 0x67);
    QCOMPARE(virtualKeyForQtKey(Qt::Key_Plus, Qt::KeypadModifier, 0), 0x6B);
    QCOMPARE(virtualKeyForQtKey(Qt::Key_Plus, Qt::ShiftModifier, 0), 0xBB);
    QCOMPARE(virtualKeyForQtKey(Qt::Key_Shift, Qt::ShiftModifier, 62), 0xA1);
    QCOMPARE(virtualKeyForQtKey(Qt::Key_Shift, Qt::ShiftModifier, 50), 0xA0);
    QCOMPARE(virtualKeyForQtKey(Qt::Key_Control, Qt::ControlModifier, 105), 0xA3);
    QCOMPARE(virtualKeyForQtKey(Qt::Key_VolumeUp, Qt::NoModifier, 0), 0);

    // The installed hook hears key events at the window, once each, and
    // stays quiet while Alt is held.
    Hook hook;
    QVERIFY(hook.install());
    QSignalSpy press(&hook, &Hook::sendPressKeyType);
    QSignalSpy up(&hook, &Hook::sendUpKeyType);
    QWindow window;
    QKeyEvent down(QEvent::KeyPress, Qt::Key_W, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_W, Qt::NoModifier);
    QKeyEvent altDown(QEvent::KeyPress, Qt::Key_W, Qt::AltModifier);
    QKeyEvent unknown(QEvent::KeyPress, Qt::Key_VolumeUp, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &down);
    QCoreApplication::sendEvent(&window, &release);
    QCoreApplication::sendEvent(&window, &altDown);
    QCoreApplication::sendEvent(&window, &unknown);
    QObject plain; // a widget's copy of the event is not counted again
    QCoreApplication::sendEvent(&plain, &down);
    QCOMPARE(press.count(), 1);
    QCOMPARE(press.first().first().value<Hook::Type>(), Hook::KEY_W);
    QCOMPARE(up.count(), 1);
}

void TestKeyboard::modelsFollowTheirLayouts()
{
    QVERIFY2(QFontDatabase().families(QFontDatabase::SimplifiedChinese).size() > 0,
             "no Simplified Chinese font: the key legends and the picker would draw boxes");
    const QString pngDir = qEnvironmentVariable("CORVANE_VIEW_PNG_DIR");
    QCOMPARE(createKeyboardView(7, 0), nullptr);
    QCOMPARE(keyboardModelIds().size(), 23);

    for (const ModelRows &expected : kModelRows) {
        std::unique_ptr<KeyboardBaseWgt> view(createKeyboardView(expected.model, 2));
        QVERIFY(view);
        auto *model = qobject_cast<KeyboardModelWgt *>(view.get());
        const QString name = model->layout().className;
        QCOMPARE(QString::fromLatin1(view->metaObject()->className()), name);
        QCOMPARE(view->modelId(), expected.model);
        QCOMPARE(view->layer(), 2);
        QCOMPARE(view->size(), QSize(1100, 330));

        AppParams::setCurrentPage(2);
        const QPixmap picture = view->grab(); // lays the view out
        if (!pngDir.isEmpty())
            picture.save(QDir(pngDir).filePath(name + QStringLiteral(".png")));
        const QList<KeyboardBtn *> keys = view->buttons();
        QCOMPARE(keys.size(), keyCountOf(name));
        int rows[6] = {};
        int padKeys = 0;
        std::set<int> cells, types;
        for (int id = 0; id < keys.size(); ++id) {
            KeyboardBtn *k = keys.at(id);
            QCOMPARE(view->buttonGroup()->id(k), id);
            QVERIFY2(k->matrixRow() < 6 && k->matrixColumn() <= 20, qPrintable(name));
            QVERIFY2(cells.insert(k->matrixRow() * 21 + k->matrixColumn()).second, qPrintable(name));
            types.insert(k->firstType());
            if (view->numpadGrid() && view->numpadGrid()->indexOf(k) >= 0)
                ++padKeys;
            else
                ++rows[k->matrixRow()];
            QCOMPARE(view->buttonForType(k->firstType()), k);
            QVERIFY2(view->rect().contains(k->geometry()), qPrintable(name));
        }
        QCOMPARE(int(types.size()), keys.size());
        for (int r = 0; r < 6; ++r)
            QVERIFY2(rows[r] == expected.rows[r], qPrintable(QStringLiteral("%1 row %2: %3").arg(name).arg(r).arg(rows[r])));
        QCOMPARE(padKeys, expected.pad ? 17 : 0);
        QCOMPARE(model->knobs().size(), expected.knobs);
        for (QWidget *knob : model->knobs())
            QVERIFY(!view->buttonGroup()->buttons().contains(qobject_cast<QAbstractButton *>(knob)));

        if (expected.model == 0) {
            for (int id = 0; id < keys.size(); ++id)
                QCOMPARE(keys.at(id)->firstType(), id);
            // The pad as the full-size keyboard has it.
            QCOMPARE(view->buttonForType(102)->matrixRow(), 2);
            QCOMPARE(view->buttonForType(102)->matrixColumn(), 20);
            QCOMPARE(view->buttonForType(103)->matrixColumn(), 16);
            QCOMPARE(view->buttonForType(100)->matrixColumn(), 11);
            QCOMPARE(view->buttonForType(94)->matrixColumn(), 13);
        }
        if (expected.model == 18) { // the 98-key pad columns
            QCOMPARE(keys.at(81)->matrixColumn(), 14);
            QCOMPARE(keys.at(97)->matrixRow(), 4);
            QCOMPARE(keys.at(97)->matrixColumn(), 16);
        }
    }
}

void TestKeyboard::picker()
{
    KeyChooseWgt picker;
    QCOMPARE(picker.pages()->count(), 4);
    QCOMPARE(picker.pages()->currentIndex(), 0);
    const QList<KeyChooseBtn *> keys = picker.keyButtons();
    QCOMPARE(keys.size(), 104 + 27 + 15 + 5);
    for (int i = 0; i < 104; ++i)
        QCOMPARE(keys.at(i)->type(), i); // the basic page is the full-size keyboard
    for (KeyChooseBtn *k : keys) {
        QCOMPARE(k->objectName(), QStringLiteral("KeyChooseBtn"));
        QCOMPARE(k->text(), keyTypeName(k->type()));
    }
    QCOMPARE(keys.at(104 + 18)->text(), QStringLiteral("Fn1"));
    QCOMPARE(keys.last()->type(), 153);
    QCOMPARE(keys.last()->size(), QSize(61, 36));
    const QString pngDir = qEnvironmentVariable("CORVANE_VIEW_PNG_DIR");
    if (!pngDir.isEmpty()) {
        picker.resize(1100, 420);
        picker.grab().save(QDir(pngDir).filePath(QStringLiteral("KeyChooseWgt.png")));
    }
    picker.showPage(3);
    QCOMPARE(picker.pages()->currentIndex(), 3);

    QSignalSpy clicked(&picker, &KeyChooseWgt::sigKeyClicked);
    keys.at(104 + 19)->click();
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked.first().first().toInt(), TypeFn2);

    // What a drag carries, and what the view makes of it on each layer.
    std::unique_ptr<QMimeData> data(keys.at(104 + 18)->dragData());
    QVERIFY(data->hasFormat(KeyboardBtn::DragFormat));
    QCOMPARE(data->text(), QStringLiteral("Fn1"));
    QCOMPARE(KeyboardBtn::dropTypeFor(QStringLiteral("Fn1"), 0), TypeFn1);
    QCOMPARE(KeyboardBtn::dropTypeFor(QStringLiteral("Fn1"), 1), -1);
    QCOMPARE(KeyboardBtn::dropTypeFor(QStringLiteral("Fn2"), 1), TypeFn2);
    QCOMPARE(KeyboardBtn::dropTypeFor(QStringLiteral("Fn2"), 2), -1);
    QCOMPARE(KeyboardBtn::dropTypeFor(QStringLiteral("Fn3"), 3), -1);
    QCOMPARE(KeyboardBtn::dropTypeFor(QStringLiteral("Esc"), 3), 0);
    QCOMPARE(KeyboardBtn::dropTypeFor(QStringLiteral("RGB\nON/OFF"), 2), 141);
    QCOMPARE(KeyboardBtn::dropTypeFor(QStringLiteral("no such key"), 0), -1); // not Esc
}

void TestKeyboard::remapByDropAndPicker()
{
    Rig rig;
    rig.kb.fillDistinctive(); // every layer holds assignments; A, S, D, W, H carry bindings
    KeyboardSession session(rig.worker.get());
    Views views(rig);
    QVERIFY(rig.readBack(session));
    QVERIFY(rig.waitIdle());
    AppParams::setCurrentPage(2);

    for (int layer = 0; layer < 4; ++layer) {
        AppParams::setCurrentLayer(layer);
        const QString member = QStringLiteral("fn%1-layout").arg(layer);
        // By drop; a key with a binding refuses drops.
        dropName(views.key(layer, TypeE), QStringLiteral("Y"));
        dropName(views.key(layer, TypeA), QStringLiteral("Y"));
        QVERIFY(rig.waitIdle());
        QCOMPARE(rig.param(layer, TypeE), keyTypeCode(TypeY));
        QCOMPARE(views.key(layer, TypeE)->currentType(), TypeY);
        QCOMPARE(views.key(layer, TypeA)->currentType(), layer == 0 ? TypeA : views.key(layer, TypeA)->currentType());
        QVERIFY(rig.param(layer, TypeA) != keyTypeCode(TypeY));
        QCOMPARE(views.document()[QStringLiteral("KeyCustom")].toObject()[member].toObject()[QStringLiteral("36")].toInt(),
                 TypeY);
        // By picker: of two keys clicked, only the second awaits the key.
        const quint16 before = rig.param(layer, TypeR);
        QTest::mouseClick(views.key(layer, TypeR), Qt::LeftButton);
        QTest::mouseClick(views.key(layer, TypeT), Qt::LeftButton);
        QCOMPARE(views.key(layer, TypeR)->legend(), keyTypeName(views.key(layer, TypeR)->currentType()));
        QCOMPARE(views.key(layer, TypeT)->legend(), QString());
        emit SignalObject::instance()->sigModifyKeyType(TypeQ);
        QVERIFY(rig.waitIdle());
        QCOMPARE(rig.param(layer, TypeT), keyTypeCode(TypeQ));
        QCOMPARE(rig.param(layer, TypeR), before);
        QCOMPARE(views.key(layer, TypeT)->legend(), QStringLiteral("Q"));
        QCOMPARE(views.document()[QStringLiteral("KeyCustom")].toObject()[member].toObject()[QStringLiteral("38")].toInt(),
                 TypeQ);
    }

    // A layer refuses the Fn keys of itself and of the layers below it.
    AppParams::setCurrentLayer(2);
    rig.kb.clearFrameLog();
    const int typeU = views.key(2, TypeU)->currentType();
    dropName(views.key(2, TypeU), QStringLiteral("Fn2"));
    dropName(views.key(2, TypeU), QStringLiteral("no such key"));
    QVERIFY(rig.waitIdle());
    QCOMPARE(views.key(2, TypeU)->currentType(), typeU);
    QCOMPARE(int(rig.kb.frameLog().size()), 0);
    AppParams::setCurrentLayer(1);
    dropName(views.key(1, TypeU), QStringLiteral("Fn2"));
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.param(1, TypeU), quint16(0xF002));

    // Lighting: a click paints and sends only while per-key colouring is on.
    AppParams::setCurrentPage(0);
    AppParams::setCurrentColour(QColor(10, 20, 30));
    AppParams::setPerKeyColouringAllowed(0);
    rig.kb.clearFrameLog();
    QTest::mouseClick(views.key(1, TypeH), Qt::LeftButton);
    QVERIFY(rig.waitIdle());
    QCOMPARE(int(rig.kb.frameLog().size()), 0);
    AppParams::setPerKeyColouringAllowed(1);
    QSignalSpy cache(SignalObject::instance(), &SignalObject::sigUpdateKeyColorCache);
    QTest::mouseClick(views.key(1, TypeH), Qt::LeftButton);
    QVERIFY(rig.waitIdle());
    QVERIFY(rig.kb.state().keyColours[rig.cellOf(TypeH)] == (VirtualKeyboard::Rgb{10, 20, 30}));
    QCOMPARE(cache.count(), 1);
    AppParams::setPerKeyColouringAllowed(1);
}

void TestKeyboard::predefinedLayouts()
{
    Rig rig;
    rig.kb.fillDistinctive();
    KeyboardSession session(rig.worker.get());
    Views views(rig);
    QVERIFY(rig.readBack(session));
    QVERIFY(rig.waitIdle());
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
            otherS[l] = views.key(l, TypeS)->currentType();
        AppParams::setCurrentLayer(c.layer);
        emit SignalObject::instance()->sigResetCustomKeyType(c.resetId, layout);
        QVERIFY(rig.waitIdle());
        const int a = c.applied ? TypeY : TypeA;
        QCOMPARE(rig.param(c.layer, TypeA), keyTypeCode(a));
        QCOMPARE(rig.param(c.layer, TypeS), keyTypeCode(c.applied ? TypeQ : TypeS));
        QCOMPARE(rig.param(c.layer, TypeD), keyTypeCode(TypeD));
        QCOMPARE(views.key(c.layer, TypeA)->currentType(), a);
        const QJsonObject stored = views.document()[QStringLiteral("KeyCustom")]
                                       .toObject()[QStringLiteral("fn%1-layout").arg(c.layer)]
                                       .toObject();
        QCOMPARE(stored.size(), 104);
        QCOMPARE(stored[QStringLiteral("51")].toInt(), a);
        // The views of other layers are left alone.
        const int other = (c.layer + 2) % 4;
        QCOMPARE(views.key(other, TypeS)->currentType(), otherS[other]);
    }
}

void TestKeyboard::identitiesFromTheBoard()
{
    Rig rig;
    rig.kb.fillDistinctive();
    KeyboardSession session(rig.worker.get());
    Views views(rig);
    QVERIFY(rig.readBack(session));
    QVERIFY(rig.waitIdle());

    // Every key the board names takes that identity.
    const QMap<int, QList<int>> original = session.readBack().originalKeys;
    QVERIFY(!original.isEmpty());
    int named = 0;
    for (KeyboardBtn *b : views.view[0]->buttons()) {
        const QList<int> row = original.value(b->matrixRow());
        if (b->matrixColumn() < row.size() && row.at(b->matrixColumn()) >= 0) {
            QCOMPARE(b->firstType(), row.at(b->matrixColumn()));
            ++named;
        }
    }
    QVERIFY(named > 60);

    // The per-key read-back: own travel (mode 0x10), rapid trigger (0x20)
    // and their values, in millimetres.
    const int cellA = rig.cellOf(TypeA);
    KeyboardBtn *a = views.key(0, TypeA);
    const quint16 modeA = rig.kb.state().params[8][cellA];
    QCOMPARE(bool(a->keyData().travelDiffers), (modeA & 0xF0) == 0x10);
    QCOMPARE(bool(a->keyData().rapidTrigger), (modeA & 0xF0) == 0x20);
    QCOMPARE(a->keyData().travel, (1000 + cellA * 7) / 1000.0);
    QCOMPARE(a->keyData().rapidTriggerPress, (100 + cellA * 3) / 1000.0);
    QCOMPARE(a->keyData().bindKind, int(Bind_MT)); // the virtual keyboard binds MT on A
    QCOMPARE(views.key(0, TypeQ)->keyData().bindKind, int(Bind_SOCD));

    // A new identity table replaces the types; a row the board leaves out
    // keeps them.
    KeyboardBtn *atA = views.key(1, TypeA);
    KeyboardBtn *atH = views.key(1, TypeH);
    QMap<int, QList<int>> swapped = original;
    QList<int> row = swapped.value(atA->matrixRow());
    row[atA->matrixColumn()] = TypeW;
    swapped[atA->matrixRow()] = row;
    swapped.remove(atH->matrixRow() + 10);
    emit rig.worker->sigKB2OriginalKeyValueMap(swapped);
    QCOMPARE(atA->firstType(), TypeW);
    QCOMPARE(atA->currentType(), TypeW);
    QCOMPARE(atA->legend(), QStringLiteral("W"));
    QCOMPARE(views.view[1]->buttonForType(TypeW), atA);

    // A per-key record from the board is in micrometres.
    KeyTravelRecord own;
    own.workMode = 1;
    own.keyTouchDis = 1800;
    emit rig.worker->sigKB2LayoutDB(QVariant::fromValue(MapKB2DockerDB{{TypeE, own}}));
    QCOMPARE(views.key(0, TypeE)->keyData().travel, 1.8);
    QVERIFY(views.key(0, TypeE)->keyData().travelDiffers);
    QCOMPARE(views.key(0, TypeH)->keyData().bindKind, int(Bind_None)); // marks are reset
}

void TestKeyboard::travelAndRapidTrigger()
{
    Rig rig;
    KeyboardSession session(rig.worker.get());
    Views views(rig);
    QVERIFY(rig.readBack(session));
    QVERIFY(rig.waitIdle());
    AppParams::setCurrentPage(1);
    SignalObject *hub = SignalObject::instance();
    auto record = [&](int type) {
        return views.document()[QStringLiteral("KeyTouchDB")].toObject()[QString::number(type)].toObject();
    };
    auto expectRecord = [&](int type, int mode, int travel, int press, int release) {
        const QJsonObject r = record(type);
        QCOMPARE(r[QStringLiteral("work-mode")].toInt(), mode);
        QCOMPARE(r[QStringLiteral("keyTouchDis")].toInt(), travel);
        QCOMPARE(r[QStringLiteral("quickTouchPressDis")].toInt(), press);
        QCOMPARE(r[QStringLiteral("quickTouchUpDis")].toInt(), release);
    };

    emit hub->sigKeyOptional(true);
    QSignalSpy checked(hub, &SignalObject::sigHasKeyCheck);
    emit hub->sigChooseASDWKey();
    QCOMPARE(checked.count(), 4);
    emit hub->sigChooseAllKey(false);
    QTest::mouseClick(views.key(0, TypeA), Qt::LeftButton);
    QTest::mouseClick(views.key(0, TypeS), Qt::LeftButton);
    QVERIFY(views.key(0, TypeA)->isKeyChecked());
    QTest::mouseClick(views.key(1, TypeD), Qt::LeftButton); // layer 1: not selectable
    QVERIFY(!views.key(1, TypeD)->isKeyChecked());

    // Own travel: mode byte with 0x10, then the travel.
    QSignalSpy texts(hub, &SignalObject::sigGetTouchDisSetKeyTexts);
    const quint16 travelD = rig.param(4, TypeD);
    emit hub->sigModifyChoosedKeyTouch(2.2);
    QVERIFY(rig.waitIdle());
    QCOMPARE(texts.first().first().toString(), QStringLiteral("A,S"));
    QCOMPARE(rig.param(8, TypeA), quint16(0x10));
    QCOMPARE(rig.param(4, TypeA), quint16(2200));
    expectRecord(TypeS, 1, 2200, 300, 300);
    QCOMPARE(rig.param(4, TypeD), travelD); // not checked

    // Rapid trigger on, its sensitivities, a travel change while it is on.
    emit hub->sigOpenQuickTouchMode();
    emit hub->sigUpdateChooseKeyQuickTouchDis(0.5, 0.7);
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.param(8, TypeA), quint16(0x20));
    QCOMPARE(rig.param(20, TypeA), quint16(500));
    QCOMPARE(rig.param(21, TypeA), quint16(700));
    emit hub->sigModifyChoosedKeyTouch(2.5);
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.param(4, TypeA), quint16(2500));
    QCOMPARE(rig.param(8, TypeA), quint16(0x20));
    expectRecord(TypeA, 2, 2500, 500, 700); // the key's own sensitivities, not 0.3 mm

    // Off again: the own travel stays.
    emit hub->sigCloseQuickTouchMode();
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.param(8, TypeA), quint16(0x10));
    expectRecord(TypeA, 1, 2500, 500, 700);

    // A bound key keeps its binding in the low nibble.
    KeyInfo mt = views.key(0, TypeS)->keyData();
    mt.bindKind = Bind_MT;
    emit hub->sigBindFinished(mt);
    emit hub->sigResetAllKeyTouchDis();
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.param(8, TypeA), quint16(0x00));
    QCOMPARE(rig.param(4, TypeA), quint16(1500));
    QCOMPARE(rig.param(8, TypeS), quint16(0x03));
    expectRecord(TypeA, 0, 1500, 500, 700);
    emit hub->sigDeleteKeyBind(mt);

    // The rapid-trigger window's choice: checked keys on, the others off on
    // the keyboard too.
    emit hub->sigOpenQuickTouchMode();
    QTest::mouseClick(views.key(0, TypeS), Qt::LeftButton); // S unchecked, still rapid
    emit hub->sigSetChoosedKeyQuickTouck();
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.param(8, TypeA), quint16(0x20));
    QCOMPARE(rig.param(8, TypeS), quint16(0x00));
    QVERIFY(!views.key(0, TypeS)->keyData().rapidTrigger);
    expectRecord(TypeS, 0, 1500, 500, 700);

    // Borders and selection helpers.
    emit hub->sigShowQuickTouchKeyBorder(true);
    QVERIFY(views.key(0, TypeA)->isHighlighted());
    QVERIFY(!views.key(0, TypeS)->isHighlighted());
    emit hub->sigKeyOptional(false);
    QVERIFY(!views.key(0, TypeA)->isKeyChecked());
    emit hub->sigSetQuickTouchKeyChoosed();
    QVERIFY(views.key(0, TypeA)->isKeyChecked());
    QVERIFY(!views.key(0, TypeS)->isKeyChecked());
}

void TestKeyboard::clicksColoursAndLiveValues()
{
    Rig rig;
    KeyboardSession session(rig.worker.get());
    Views views(rig);
    QVERIFY(rig.readBack(session));
    QVERIFY(rig.waitIdle());
    SignalObject *hub = SignalObject::instance();

    // Advanced page: a free key opens the chooser, a bound key its editor;
    // at the limit a free key is refused with a message.
    AppParams::setCurrentPage(3);
    QStringList messages;
    KeyboardBaseWgt::setMessageSink([&](const QString &title, const QString &text) { messages << title + ":" + text; });
    QSignalSpy chooser(views.view[0].get(), &KeyboardBaseWgt::sigOpenAdvanceTypeChooser);
    QSignalSpy editor(hub, &SignalObject::sigModifyBindInfo);
    QTest::mouseClick(views.key(0, TypeE), Qt::LeftButton);
    QCOMPARE(chooser.count(), 1);
    QCOMPARE(chooser.first().first().value<KeyInfo>().firstType, quint32(TypeE));
    for (int type = 0; type < KeyboardBaseWgt::MaxAdvancedKeys; ++type) {
        KeyInfo bound = views.key(0, type)->keyData();
        bound.bindKind = Bind_TGL;
        emit hub->sigBindFinished(bound);
    }
    QTest::mouseClick(views.key(0, TypeE), Qt::LeftButton);
    QTest::mouseClick(views.key(0, 3), Qt::LeftButton);
    QCOMPARE(chooser.count(), 1);
    QCOMPARE(editor.count(), 1);
    QCOMPARE(messages, QStringList{QStringLiteral("提示:高级键最多绑定32个")});
    KeyboardBaseWgt::setMessageSink({});

    // The board's layer table sets the current types; on the remapping page
    // the function keys are coloured by kind.
    AppParams::setCurrentPage(2);
    const MapKB2DockerKey layers = {{1, {{TypeE, 0x10E2}, {TypeR, 0xF317}, {TypeT, 0xF101}}}};
    emit rig.worker->sigKB2LayoutKey(QVariant::fromValue(layers));
    QCOMPARE(views.key(1, TypeE)->currentType(), 117);
    QCOMPARE(views.key(1, TypeE)->keyColour(), QColor(142, 196, 212));
    QCOMPARE(views.key(1, TypeR)->keyColour(), QColor(209, 246, 209));
    QCOMPARE(views.key(1, TypeT)->keyColour(), QColor(218, 177, 115));
    QCOMPARE(views.key(1, TypeY)->keyColour(), KeyboardBtn::NeutralColour);
    QCOMPARE(views.key(0, TypeE)->currentType(), TypeE);

    // Lighting colours reach the keyboard once, not once per layer view.
    AppParams::setCurrentPage(0);
    rig.kb.clearFrameLog();
    emit hub->sigChangeRGB({{TypeA, QColor(255, 0, 0)}});
    QVERIFY(rig.waitIdle());
    int sent = 0;
    for (const auto &f : rig.kb.frameLog())
        sent += f.direction == VirtualKeyboard::Direction::ToKeyboard ? 1 : 0;
    QCOMPARE(sent, 104);
    QVERIFY(rig.kb.state().keyColours[rig.cellOf(TypeA)] == (VirtualKeyboard::Rgb{255, 0, 0}));
    QVERIFY(rig.kb.state().keyColours[rig.cellOf(TypeS)] == (VirtualKeyboard::Rgb{0, 0, 0}));

    // Key test values by matrix position; a short table is not read past.
    AppParams::setCurrentPage(1);
    emit rig.worker->sigUpdateMMData({{1234}}, {{1}});
    QCOMPARE(views.key(0, 0)->liveFirst(), quint16(1234));
    QCOMPARE(views.key(0, 1)->liveFirst(), quint16(0));
}

void TestKeyboard::applyingAProfile()
{
    QTemporaryDir dir;
    const QString oldDir = QDir::currentPath();
    QDir::setCurrent(dir.path());
    QDir().mkpath(QStringLiteral("LocalProfile"));
    QDir().mkpath(QStringLiteral("Macro"));
    QFile macro(QStringLiteral("Macro/m1.csv"));
    QVERIFY(macro.open(QIODevice::WriteOnly));
    macro.write("Key,Key UP/DOWN,Delay(ms)\r\nA,DOWN,30\r\nA,UP,0\r\nbad line\r\n");
    macro.close();

    Rig rig;
    KeyboardSession session(rig.worker.get());
    Views views(rig);
    QVERIFY(rig.readBack(session));
    QVERIFY(rig.waitIdle());

    QJsonObject doc;
    doc[QStringLiteral("KeyCustom")] = QJsonObject{{QStringLiteral("fn1-layout"), QJsonObject{{"51", TypeY}}}};
    doc[QStringLiteral("KeyTouchDB")] = QJsonObject{
        {"52", QJsonObject{{"work-mode", 2}, {"keyTouchDis", 1500}, {"quickTouchPressDis", 400}, {"quickTouchUpDis", 600}}},
        {"53", QJsonObject{{"work-mode", 1}, {"keyTouchDis", 2200}, {"quickTouchPressDis", 300}, {"quickTouchUpDis", 300}}}};
    doc[QStringLiteral("AdvancedKey")] = QJsonObject{
        {"56", QJsonObject{{"bindItem", "MT"}, {"pressType", TypeQ}, {"clickType", TypeW}, {"delay", 200}}},
        {"57", QJsonObject{{"bindItem", "MACRO"}, {"macroName", "m1"}}}};
    doc[QStringLiteral("ProfileName")] = QStringLiteral("p");
    QFile file(QStringLiteral("LocalProfile/p.kb"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(serialiseProfile(doc));
    file.close();
    QVERIFY(views.manager.ImportProfileFile(QStringLiteral("p.kb")));

    QSignalSpy bound(SignalObject::instance(), &SignalObject::sigDeviceAdvanceBind);
    views.manager.SelectCurrentProfile(views.manager.lastId());
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.param(1, TypeA), keyTypeCode(TypeY));
    QCOMPARE(rig.param(0, TypeA), keyTypeCode(TypeA));
    QCOMPARE(rig.param(8, TypeS), quint16(0x20));
    QCOMPARE(rig.param(20, TypeS), quint16(400));
    QCOMPARE(rig.param(21, TypeS), quint16(600));
    QCOMPARE(rig.param(8, TypeD), quint16(0x10));
    QCOMPARE(rig.param(4, TypeD), quint16(2200));
    QCOMPARE(rig.param(8, TypeH) & 0x0F, 3); // MT
    QCOMPARE(rig.param(9, TypeH), keyTypeCode(TypeQ));
    QCOMPARE(int(rig.kb.state().macroSteps.size()), 2);
    QCOMPARE(bound.count(), 2);
    QCOMPARE(views.key(0, TypeH)->keyData().bindKind, int(Bind_MT));
    QCOMPARE(SendDataProgress::instance()->value(), 100);

    // A macro file that is missing stops the application with a message.
    QStringList messages;
    KeyboardBaseWgt::setMessageSink([&](const QString &title, const QString &text) { messages << title + ":" + text; });
    doc[QStringLiteral("AdvancedKey")] =
        QJsonObject{{"57", QJsonObject{{"bindItem", "MACRO"}, {"macroName", "gone"}}}};
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(serialiseProfile(doc));
    file.close();
    QVERIFY(views.manager.ImportProfileFile(QStringLiteral("p.kb")));
    views.manager.SelectCurrentProfile(views.manager.lastId());
    QCOMPARE(messages, QStringList{QStringLiteral("error:open file failure!")});
    KeyboardBaseWgt::setMessageSink({});

    QList<MACRO_Key> steps;
    QCOMPARE(parseMacroCsv("Key,Key UP/DOWN\nA,DOWN,1\n", &steps), MacroCsvResult::BadHeader);
    QDir::setCurrent(oldDir);
}

void TestKeyboard::inactiveViewReactsToNothing()
{
    Rig rig;
    KeyboardSession session(rig.worker.get());
    QVERIFY(rig.readBack(session));
    QVERIFY(rig.waitIdle());
    ProfileManager manager;
    std::unique_ptr<KeyboardBaseWgt> view(createKeyboardView(0, 0));
    view->setKeyboardAction(rig.worker.get());
    view->setProfileManager(&manager);
    view->activate(true);
    view->activate(false);

    SignalObject *hub = SignalObject::instance();
    rig.kb.clearFrameLog();
    emit hub->sigKeyOptional(true);
    emit hub->sigChooseAllKey(true);
    emit hub->sigResetCustomKeyType(1, {{TypeA, TypeY}});
    emit hub->sigShowFnKeyColor();
    emit rig.worker->sigKB2OriginalKeyValueMap({{3, {TypeY, TypeY, TypeY}}});
    QVERIFY(rig.waitIdle());
    KeyboardBtn *a = view->buttonForType(TypeA);
    QVERIFY(!a->isSelectable() && !a->isKeyChecked());
    QCOMPARE(a->currentType(), TypeA);
    QCOMPARE(view->buttons().at(50)->firstType(), 50);
    QCOMPARE(int(rig.kb.frameLog().size()), 0);
}

QTEST_MAIN(TestKeyboard)
#include "test_keyboard.moc"
