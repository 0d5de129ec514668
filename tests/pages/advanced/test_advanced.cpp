// The advanced-key page and its editors driven as a user drives them (clicks
// on key caps, the kind chooser, picker clicks and drags onto key slots,
// clicks on the DKS diagram, sliders and edit boxes, the commit and delete
// buttons) against the virtual keyboard: the keyboard's advanced records and
// per-key mode bytes, the profile's "AdvancedKey" group and the binding list.

#include "AdvanceKeySetWindow.h"
#include "AdvanceTypeChooseWindow.h"
#include "AdvanceTypeItemWgt.h"
#include "AdvancedKeyRecords.h"
#include "AdvancedKeySetPageWgt.h"
#include "AppParams.h"
#include "BindItemWgt.h"
#include "DKSRegionBtn.h"
#include "DKSSetWgt.h"
#include "DKSSetWindow.h"
#include "HoldTimeWgt.h"
#include "Hook.h"
#include "KeyChooseBtn.h"
#include "KeyChooseWgt.h"
#include "KeyDragBtn.h"
#include "KeyTesterWgt.h"
#include "KeyTypeTable.h"
#include "KeyboardBaseWgt.h"
#include "KeyboardDeck.h"
#include "KeyboardModels.h"
#include "MPTSetWindow.h"
#include "MTSetWindow.h"
#include "MacroSetWindow.h"
#include "PairKeySetWindow.h"
#include "ProfileManager.h"
#include "PageRig.h"
#include "TGLSetWindow.h"
#include "TouchDisModifyWindow.h"
#include "TravelEditWgt.h"
#include "UserMessage.h"
#include "WireKeyTable.h"

#include <QDragEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QSlider>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

int type(const char *name)
{
    return keyTypeFromName(QString::fromUtf8(name));
}

quint16 wire(int keyType)
{
    return kb2_model_to_wire(keyTypeCode(keyType));
}

// Chooser button ids.
enum { ChooseDKS, ChooseMPT, ChooseMT, ChooseTGL, ChooseEND, ChooseSOCD, ChooseMACRO };
// The keyboard's advanced modes (low nibble of parameter 8).
enum { ModeDKS = 1, ModeMPT = 2, ModeMT = 3, ModeTGL = 4, ModeEND = 5, ModeSOCD = 8 };

// The advanced-key page on the keyboard views, its messages collected.
struct AdvRig : PageRig<AdvancedKeySetPageWgt> {
    explicit AdvRig(bool distinctive = false, const std::function<void(VirtualKeyboard::State &)> &setup = {})
    {
        if (distinctive)
            rig.kb.fillDistinctive();
        if (setup)
            rig.kb.modify(setup);
        setUserMessageSink([this](const QString &title, const QString &text) { messages << title + ":" + text; });
        build();
        read = readBack(false);
    }
    ~AdvRig() { setUserMessageSink({}); }

    // A click on a free key, then on a kind in the chooser.
    AdvanceKeySetWindow *choose(int keyType, int chooserId)
    {
        QTest::mouseClick(key(keyType), Qt::LeftButton);
        if (!page.typeChooser()->isVisible())
            return nullptr;
        QTest::mouseClick(page.typeChooser()->items().at(chooserId), Qt::LeftButton);
        return page.editor();
    }
    // A click on a bound key opens its editor.
    AdvanceKeySetWindow *reopen(int keyType)
    {
        QTest::mouseClick(key(keyType), Qt::LeftButton);
        return page.editor();
    }
    static KeyChooseBtn *pickerKey(AdvanceKeySetWindow *editor, int t)
    {
        for (KeyChooseBtn *b : editor->picker()->keyButtons())
            if (b->type() == t)
                return b;
        return nullptr;
    }
    // Click the slot, then the key in the editor's picker.
    static void pick(AdvanceKeySetWindow *editor, KeyDragBtn *slot, int t)
    {
        QTest::mouseClick(slot, Qt::LeftButton);
        QTest::mouseClick(pickerKey(editor, t), Qt::LeftButton);
    }
    // The picker key's own drag payload, dropped on the slot.
    static void drop(AdvanceKeySetWindow *editor, KeyDragBtn *slot, int t)
    {
        std::unique_ptr<QMimeData> data(pickerKey(editor, t)->dragData());
        QDragEnterEvent enter(QPoint(5, 5), Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(slot, &enter);
        QDropEvent dropped(QPointF(5, 5), Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(slot, &dropped);
    }
    bool commit(AdvanceKeySetWindow *editor)
    {
        QTest::mouseClick(editor->commitButton(), Qt::LeftButton);
        return rig.waitIdle();
    }
    int mode(int t) const { return rig.param(8, t) & 0x0F; }
    AdvancedBinding stored(int t) const
    {
        const ProfileData p = manager.currentProfile();
        return p.advanced ? p.advanced->value(t) : AdvancedBinding();
    }
    bool isStored(int t) const
    {
        const ProfileData p = manager.currentProfile();
        return p.advanced && p.advanced->contains(t);
    }
    int framesOf(quint8 command) const
    {
        int n = 0;
        for (const auto &f : rig.sentFrames())
            n += f.size() > 2 && f[2] == command ? 1 : 0;
        return n;
    }
    // The list as kind and bound keys per key.
    QMap<int, QPair<int, QList<int>>> listed() const
    {
        QMap<int, QPair<int, QList<int>>> out;
        for (BindItemWgt *e : page.bindItems())
            out.insert(e->firstType(), qMakePair(e->kind(), boundKeyTypes(e->keyInfo())));
        return out;
    }

    QStringList messages;
    bool read = false;
};

} // namespace

class TestAdvanced : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { qRegisterMetaType<BindKeyType>("BindKeyType"); }
    void holdTapToggleAndRelease();
    void dynamicKeystrokeAndMultiPoint();
    void pairsRemovalAndReadBack();
    void limits();
    void keyWithoutWireCode();
    void keyTester();
};

void TestAdvanced::holdTapToggleAndRelease()
{
    AdvRig r;
    QVERIFY(r.read);
    const int E = type("E"), B = type("B"), C = type("C");
    r.rig.kb.clearFrameLog();

    // MT: hold B by a picker click (the first slot is ready), tap C by a drag.
    auto *mt = qobject_cast<MTSetWindow *>(r.choose(E, ChooseMT));
    QVERIFY(mt);
    QVERIFY(!r.page.typeChooser()->isVisible());
    QTest::mouseClick(AdvRig::pickerKey(mt, B), Qt::LeftButton);
    AdvRig::drop(mt, mt->tapSlot(), C);
    QCOMPARE(mt->tapSlot()->text(), QStringLiteral("C"));
    // A key the keyboard cannot send from a binding is refused.
    AdvRig::drop(mt, mt->holdSlot(), type("LockWin"));
    QCOMPARE(mt->holdSlot()->keyType(), B);
    QVERIFY(r.commit(mt));
    QCOMPARE(r.mode(E), int(ModeMT));
    QCOMPARE(r.rig.param(9, E), wire(B));
    QCOMPARE(r.rig.param(10, E), wire(C));
    QCOMPARE(r.rig.param(19, E), quint16(20)); // 200 ms, untouched
    QCOMPARE(r.stored(E).kind(), int(Bind_MT));
    QCOMPARE(r.stored(E).as<MTInfo>()->pressType, B);
    QCOMPARE(r.stored(E).as<MTInfo>()->clickType, C);
    QCOMPARE(r.stored(E).as<MTInfo>()->delay, 200);
    QCOMPARE(r.key(E, 2)->keyData().bindKind(), int(Bind_MT)); // marked on every layer
    QVERIFY(r.page.bindItem(E));
    QCOMPARE(r.page.bindItem(E)->boundText(), QStringLiteral("B, C"));

    // Again: the editor opens with the record; a right click empties a slot.
    mt = qobject_cast<MTSetWindow *>(r.reopen(E));
    QVERIFY(mt);
    QCOMPARE(mt->holdSlot()->keyType(), B);
    QCOMPARE(mt->tapSlot()->keyType(), C);
    QCOMPARE(mt->holdTime()->value(), 200);
    QTest::mouseClick(mt->tapSlot(), Qt::RightButton);
    QCOMPARE(mt->tapSlot()->keyType(), -1);
    QVERIFY(r.commit(mt));
    QCOMPARE(r.rig.param(10, E), quint16(WireKeyTable::NoKey));
    QCOMPARE(r.stored(E).as<MTInfo>()->clickType, -1);
    QCOMPARE(r.page.bindItems().size(), 1);
    QCOMPARE(r.framesOf(0x24), 2); // written each time

    // TGL: a hold time moved, reset, moved again.
    const int R = type("R"), T = type("T");
    auto *tgl = qobject_cast<TGLSetWindow *>(r.choose(R, ChooseTGL));
    QVERIFY(tgl);
    AdvRig::pick(tgl, tgl->keySlot(), T);
    tgl->holdTime()->slider()->setValue(700);
    QCOMPARE(tgl->holdTime()->valueLabel()->text(), QStringLiteral("700ms"));
    QTest::mouseClick(tgl->holdTime()->resetButton(), Qt::LeftButton);
    QCOMPARE(tgl->holdTime()->value(), 200);
    tgl->holdTime()->slider()->setValue(480);
    QVERIFY(r.commit(tgl));
    QCOMPARE(r.mode(R), int(ModeTGL));
    QCOMPARE(r.rig.param(9, R), wire(T));
    QCOMPARE(r.rig.param(19, R), quint16(48));
    QCOMPARE(r.stored(R).as<TGLInfo>()->delay, 480);

    // END: the key sent on release.
    const int Y = type("Y"), U = type("U");
    AdvanceKeySetWindow *end = r.choose(Y, ChooseEND);
    QVERIFY(end);
    AdvRig::drop(end, end->keySlots().first(), U);
    QVERIFY(r.commit(end));
    QCOMPARE(r.mode(Y), int(ModeEND));
    QCOMPARE(r.rig.param(9, Y), wire(U));
    QCOMPARE(r.stored(Y).as<ENDInfo>()->switchType, U);

    // Cancel keeps nothing; the editor's own remove button removes. The
    // editor moves with a drag by its top.
    end = r.reopen(Y);
    const QPoint at = end->pos();
    QTest::mousePress(end, Qt::LeftButton, {}, QPoint(300, 20));
    QMouseEvent move(QEvent::MouseMove, QPointF(350, 60), end->mapToGlobal(QPoint(350, 60)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(end, &move);
    QTest::mouseRelease(end, Qt::LeftButton, {}, QPoint(350, 60));
    QCOMPARE(end->pos(), at + QPoint(50, 40));
    AdvRig::drop(end, end->keySlots().first(), B);
    QTest::mouseClick(end->cancelButton(), Qt::LeftButton);
    QVERIFY(r.rig.waitIdle());
    QCOMPARE(r.rig.param(9, Y), wire(U));
    end = r.reopen(Y);
    QVERIFY(end->removeButton()->isVisibleTo(end));
    QTest::mouseClick(end->removeButton(), Qt::LeftButton);
    QVERIFY(r.rig.waitIdle());
    QCOMPARE(r.mode(Y), 0);
    QVERIFY(!r.isStored(Y));
    QVERIFY(!r.page.bindItem(Y));
    QCOMPARE(r.key(Y)->keyData().bindKind(), int(Bind_None));

    // Leaving the page closes an open editor.
    QVERIFY(r.reopen(E));
    r.page.leave();
    QVERIFY(!r.page.editor());
}

void TestAdvanced::dynamicKeystrokeAndMultiPoint()
{
    AdvRig r;
    QVERIFY(r.read);
    const int F = type("F"), A = type("A"), B = type("B");

    // DKS: two rows, the first acting at the first and last events.
    auto *dks = qobject_cast<DKSSetWindow *>(r.choose(F, ChooseDKS));
    QVERIFY(dks);
    QCOMPARE(dks->travelButton(0)->text(), QStringLiteral("1.4mm"));
    QCOMPARE(dks->travelButton(1)->text(), QStringLiteral("4mm"));
    QTest::mouseClick(AdvRig::pickerKey(dks, A), Qt::LeftButton);
    AdvRig::drop(dks, dks->rowSlot(1), B);
    QTest::mouseClick(dks->row(0)->region(0), Qt::LeftButton);
    QTest::mouseClick(dks->row(0)->region(6), Qt::LeftButton);
    QTest::mouseClick(dks->row(1)->region(2), Qt::LeftButton);
    QTest::mouseClick(dks->row(1)->region(3), Qt::LeftButton);
    QTest::mouseClick(dks->row(1)->region(3), Qt::LeftButton); // on and off again
    QCOMPARE(dks->row(0)->triggerValue(), QStringLiteral("1000001"));
    QCOMPARE(dks->row(1)->triggerValue(), QStringLiteral("0010000"));
    // The middle trigger points are not the user's; the first one is.
    QTest::mouseClick(dks->travelButton(1), Qt::LeftButton);
    QVERIFY(!dks->travelWindow());
    QTest::mouseClick(dks->travelButton(0), Qt::LeftButton);
    TouchDisModifyWindow *point = dks->travelWindow();
    QVERIFY(point && point->isVisible());
    QCOMPARE(point->travelEdit()->position(), 131); // 1.4 mm = 0.1 mm + 130 steps
    point->travelEdit()->slider()->setValue(191);
    QCOMPARE(point->travelEdit()->edit()->text(), QStringLiteral("2.00"));
    QTest::mouseClick(point->commitButton(), Qt::LeftButton);
    QCOMPARE(dks->travelButton(0)->text(), QStringLiteral("2mm"));
    QCOMPARE(dks->travelButton(3)->text(), QStringLiteral("2mm"));
    QVERIFY(r.commit(dks));
    QCOMPARE(r.mode(F), int(ModeDKS));
    QCOMPARE(r.rig.param(9, F), wire(A));
    QCOMPARE(r.rig.param(10, F), wire(B));
    QCOMPARE(r.rig.param(11, F), quint16(WireKeyTable::NoKey));
    QCOMPARE(r.rig.param(13, F), quint16(0x81));
    QCOMPARE(r.rig.param(14, F), quint16(0x04));
    QCOMPARE(r.rig.param(5, F), quint16(2000)); // absolute micrometres
    const DKSInfo stored = *r.stored(F).as<DKSInfo>();
    QCOMPARE(stored.triggerValue.first(), QStringLiteral("1000001"));
    QCOMPARE(stored.touchDis, (QList<double>{2.0, 4.0, 4.0, 2.0}));
    QCOMPARE(stored.bindKey, (QList<int>{A, B, -1, -1}));
    dks = qobject_cast<DKSSetWindow *>(r.reopen(F));
    QCOMPARE(dks->travelButton(3)->text(), QStringLiteral("2mm"));
    QCOMPARE(dks->row(0)->triggerValue(), QStringLiteral("1000001"));
    QCOMPARE(dks->rowSlot(1)->keyType(), B);
    QTest::mouseClick(dks->cancelButton(), Qt::LeftButton);

    // MPT: position 5 untouched, a slider moved, a travel typed.
    const int G = type("G"), S = type("S"), D = type("D");
    auto *mpt = qobject_cast<MPTSetWindow *>(r.choose(G, ChooseMPT));
    QVERIFY(mpt);
    QTest::mouseClick(AdvRig::pickerKey(mpt, A), Qt::LeftButton);
    AdvRig::pick(mpt, mpt->pointSlot(1), S);
    AdvRig::drop(mpt, mpt->pointSlot(2), D);
    QCOMPARE(mpt->pointTravel(0)->edit()->text(), QStringLiteral("0.14"));
    mpt->pointTravel(1)->slider()->setValue(50);
    QLineEdit *box = mpt->pointTravel(2)->edit();
    box->selectAll();
    QTest::keyClicks(box, QStringLiteral("2.5"));
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(mpt->pointTravel(2)->position(), 241);
    box->selectAll();
    QTest::keyClicks(box, QStringLiteral(".5"));
    QTest::keyClick(box, Qt::Key_Return); // put back from the slider
    QCOMPARE(box->text(), QStringLiteral("2.50"));
    QCOMPARE(mpt->pointTravel(2)->position(), 241);
    QVERIFY(r.commit(mpt));
    QCOMPARE(r.mode(G), int(ModeMPT));
    QCOMPARE(r.rig.param(5, G), quint16(140));
    QCOMPARE(r.rig.param(6, G), quint16(590));
    QCOMPARE(r.rig.param(7, G), quint16(2500));
    QCOMPARE(r.rig.param(9, G), wire(A));
    QCOMPARE(r.rig.param(10, G), wire(S));
    QCOMPARE(r.rig.param(11, G), wire(D));
    QCOMPARE(r.stored(G).as<MPTInfo>()->triggerValue, (QList<int>{140, 590, 2500}));
    mpt = qobject_cast<MPTSetWindow *>(r.reopen(G));
    QCOMPARE(mpt->pointTravel(1)->position(), 50);
    QTest::mouseClick(mpt->cancelButton(), Qt::LeftButton);

    // On a coarse scale a typed travel between two steps takes the lower
    // one, as the performance page does: 2.59 mm is 2.55 mm, not 2.60.
    QVERIFY(r.reportTravel(0.05, 100, 4000, 2));
    const int H = type("H");
    mpt = qobject_cast<MPTSetWindow *>(r.choose(H, ChooseMPT));
    QVERIFY(mpt);
    QTest::mouseClick(AdvRig::pickerKey(mpt, A), Qt::LeftButton);
    box = mpt->pointTravel(0)->edit();
    box->selectAll();
    QTest::keyClicks(box, QStringLiteral("2.59"));
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(mpt->pointTravel(0)->position(), 50);
    QCOMPARE(box->text(), QStringLiteral("2.55"));
    QVERIFY(r.commit(mpt));
    QCOMPARE(r.rig.param(5, H), quint16(2550));
}

void TestAdvanced::pairsRemovalAndReadBack()
{
    AdvRig r(true);
    QVERIFY(r.read);
    const int Q = type("Q"), W = type("W"), E = type("E"), R = type("R"), T = type("T"), Z = type("Z"),
              X = type("X");

    // The keyboard's bindings, one entry each.
    const auto before = r.listed();
    QCOMPARE(before.size(), 10);
    QCOMPARE(before.value(type("A")).first, int(Bind_MT));
    QCOMPARE(before.value(Q), qMakePair(int(Bind_SOCD), QList<int>{W}));
    QCOMPARE(before.value(Z).first, int(Bind_RS));
    QCOMPARE(r.page.macroCounter()->text(), QStringLiteral("绑定宏数量 1/16"));
    // An RS key read back opens its editor with its partner, from its list
    // entry as from its key.
    QTest::mouseClick(r.page.bindItem(Z), Qt::LeftButton, {}, QPoint(300, 35));
    auto *rs = qobject_cast<PairKeySetWindow *>(r.page.editor());
    QVERIFY(rs);
    QCOMPARE(rs->kind(), int(Bind_RS));
    QCOMPARE(rs->partner(), X);
    QTest::mouseClick(rs->cancelButton(), Qt::LeftButton);

    // SOCD E with R: no commit without another key of this keyboard.
    auto *socd = qobject_cast<PairKeySetWindow *>(r.choose(E, ChooseSOCD));
    QVERIFY(socd);
    QVERIFY(!socd->commitButton()->isEnabled());
    QTest::mouseClick(AdvRig::pickerKey(socd, E), Qt::LeftButton);
    QVERIFY(!socd->commitButton()->isEnabled());
    QTest::mouseClick(AdvRig::pickerKey(socd, R), Qt::LeftButton);
    QVERIFY(socd->commitButton()->isEnabled());
    QVERIFY(r.commit(socd));
    QCOMPARE(r.mode(E), int(ModeSOCD));
    QCOMPARE(r.mode(R), int(ModeSOCD));
    QCOMPARE(r.rig.param(9, E), wire(R));
    QCOMPARE(r.rig.param(9, R), wire(E));
    QCOMPARE(r.listed().value(R), qMakePair(int(Bind_SOCD), QList<int>{E}));
    QCOMPARE(r.stored(R).as<SOCDInfo>()->switchType, E);
    QCOMPARE(r.stored(E).as<SOCDInfo>()->switchType, R);

    // Q, paired with W, pairs with T: W's half, which named Q, goes.
    socd = qobject_cast<PairKeySetWindow *>(r.reopen(Q));
    QVERIFY(socd);
    QCOMPARE(socd->partner(), W);
    QTest::mouseClick(AdvRig::pickerKey(socd, T), Qt::LeftButton);
    QVERIFY(r.commit(socd));
    QCOMPARE(r.rig.param(9, Q), wire(T));
    QCOMPARE(r.rig.param(9, T), wire(Q));
    QCOMPARE(r.mode(W), 0);
    QVERIFY(!r.page.bindItem(W));
    QVERIFY(!r.isStored(W));
    QCOMPARE(r.key(W)->keyData().bindKind(), int(Bind_None));

    // The delete button of one half removes the pair.
    QTest::mouseClick(r.page.bindItem(E)->deleteButton(), Qt::LeftButton);
    QVERIFY(r.rig.waitIdle());
    QCOMPARE(r.mode(E), 0);
    QCOMPARE(r.mode(R), 0);
    QVERIFY(!r.page.bindItem(E) && !r.page.bindItem(R));
    QVERIFY(!r.isStored(E) && !r.isStored(R));
    QCOMPARE(r.key(R, 3)->keyData().bindKind(), int(Bind_None));
    // So does the delete button of any other kind; the key keeps its own
    // trigger mode (the high nibble of parameter 8), and with it its travel.
    const int H = type("H");
    const int triggerH = r.rig.param(8, H) & 0xF0;
    const int workModeH = r.config.config().keyTravel.value(H).workMode;
    QTest::mouseClick(r.page.bindItem(H)->deleteButton(), Qt::LeftButton);
    QVERIFY(r.rig.waitIdle());
    QCOMPARE(r.mode(H), 0);
    QCOMPARE(r.rig.param(8, H) & 0xF0, triggerH);
    QCOMPARE(r.config.config().keyTravel.value(H).workMode, workModeH);

    // Reconnected and read back, the list shows the same bindings.
    const auto now = r.listed();
    r.rig.worker->closeDevice();
    KeyboardSession again(r.rig.worker.get());
    QVERIFY(r.rig.readBack(again));
    QVERIFY(r.rig.waitIdle());
    QCOMPARE(r.listed(), now);
    QVERIFY(!r.page.isListFull());

    // An applied profile's bindings replace the list's.
    ProfileData profile;
    MTInfo hold;
    hold.pressType = T;
    hold.clickType = X;
    profile.advanced = QMap<int, AdvancedBinding>{{E, hold}};
    r.page.showProfile(profile);
    QCOMPARE(r.listed().keys(), QList<int>{E});
    QCOMPARE(r.listed().value(E), qMakePair(int(Bind_MT), QList<int>{T, X}));
    QCOMPARE(r.key(E, 1)->keyData().bindKind(), int(Bind_MT));
    QCOMPARE(r.key(Q)->keyData().bindKind(), int(Bind_None));
}

void TestAdvanced::limits()
{
    AdvRig r;
    QVERIFY(r.read);
    AdvanceTypeChooseWindow *chooser = r.page.typeChooser();
    const QList<KeyboardBtn *> keys = r.view[0]->buttons();
    auto readBack = [&](KeyboardBtn *b, int kind) {
        const int key = int(b->firstType());
        const std::optional<AdvancedRecord> record =
            kind == Bind_MACRO ? AdvancedRecord(MACROInfo{key, QStringLiteral("m%1").arg(key), {}})
                               : advancedRecordOfKind(kind, key);
        r.config.noteFromKeyboard([&](KeyboardConfig &c) { c.advanced[key].value = record; });
    };

    // 32 bindings: a free key is refused, a bound key still opens.
    for (int i = 0; i < AdvancedKeySetPageWgt::MaxAdvancedKeys; ++i)
        readBack(keys.at(i), Bind_TGL);
    QTest::mouseClick(keys.at(40), Qt::LeftButton);
    QVERIFY(!r.page.typeChooser()->isVisible());
    QCOMPARE(r.messages, QStringList{QStringLiteral("提示:高级键最多绑定32个")});
    QVERIFY(qobject_cast<TGLSetWindow *>(r.reopen(keys.at(3)->firstType())));
    QTest::mouseClick(r.page.editor()->cancelButton(), Qt::LeftButton);

    // A read-back of a keyboard without bindings empties the list and the marks.
    r.config.reset(configFromReadBack(r.session.readBack()));
    QVERIFY(r.page.bindItems().isEmpty());
    QCOMPARE(keys.at(3)->keyData().bindKind(), int(Bind_None));

    // 16 macros: a 17th is refused, another kind still opens.
    for (int i = 0; i < AdvancedKeySetPageWgt::MaxMacroEntries; ++i)
        readBack(keys.at(i), Bind_MACRO);
    QCOMPARE(r.page.macroCounter()->text(), QStringLiteral("绑定宏数量 16/16"));
    r.messages.clear();
    emit chooser->kindChosen(keys.at(50)->keyData(), Bind_MACRO);
    QCOMPARE(r.messages, QStringList{QStringLiteral("提示:宏高级键最多绑定16个")});
    QVERIFY(!r.page.editor());
    emit chooser->kindChosen(keys.at(50)->keyData(), Bind_MT);
    QVERIFY(qobject_cast<MTSetWindow *>(r.page.editor()));
    QTest::mouseClick(r.page.editor()->cancelButton(), Qt::LeftButton);

    // Under both limits MACRO opens the macro editor; with the keyboard's
    // store full nothing opens and nothing is said.
    r.config.reset(configFromReadBack(r.session.readBack()));
    r.messages.clear();
    emit chooser->kindChosen(keys.at(50)->keyData(), Bind_MACRO);
    QVERIFY(r.messages.isEmpty());
    QVERIFY(qobject_cast<MacroSetWindow *>(r.page.editor()));
    QTest::mouseClick(r.page.editor()->cancelButton(), Qt::LeftButton);
    for (int i = 0; i < KB2ActionData::MaxMacros; ++i) {
        MACROInfo macro;
        macro.keyIndex = keys.at(60 + i)->firstType();
        macro.steps << MACRO_Key{true, QStringLiteral("A"), 10};
        QVERIFY(r.rig.worker->writeAdvancedBinding(macro));
    }
    r.messages.clear();
    emit chooser->kindChosen(keys.at(50)->keyData(), Bind_MACRO);
    QVERIFY(r.messages.isEmpty());
    QVERIFY(!r.page.editor());

    // A read-back for a listed key replaces its entry.
    readBack(keys.at(5), Bind_MT);
    readBack(keys.at(5), Bind_END);
    QCOMPARE(r.page.bindItems().size(), 1);
    QCOMPARE(r.page.bindItem(keys.at(5)->firstType())->kind(), int(Bind_END));

    // The list takes 100 entries from the keyboard, no more.
    for (int i = 0; i < AdvancedKeySetPageWgt::MaxListEntries + 1; ++i)
        readBack(keys.at(i), Bind_TGL);
    QCOMPARE(r.page.bindItems().size(), AdvancedKeySetPageWgt::MaxListEntries);
    QVERIFY(r.page.isListFull());
    // A binding the list has no room for has no badge either.
    int marked = 0;
    for (KeyboardBtn *b : keys)
        marked += b->keyData().bindKind() != Bind_None ? 1 : 0;
    QCOMPARE(marked, AdvancedKeySetPageWgt::MaxListEntries);
    // Deleting one makes room for the one left out.
    emit r.page.bindItem(keys.at(0)->firstType())->sigDeleteItem(); // its delete button
    QVERIFY(!r.page.bindItem(keys.at(0)->firstType()));
    QCOMPARE(r.page.bindItems().size(), AdvancedKeySetPageWgt::MaxListEntries);
    QCOMPARE(r.config.config().advanced.size(), AdvancedKeySetPageWgt::MaxListEntries);
}

// A keyboard that does not report its Fn key leaves the view's own "Fn",
// which has no code on the wire: binding it is refused with a message of
// its own (not the macro store's), before the chooser opens and at commit.
void TestAdvanced::keyWithoutWireCode()
{
    // The bottom row reported up to the right Alt only: the keys after it
    // keep the view's own types.
    AdvRig r(false, [](VirtualKeyboard::State &s) {
        for (int column = 11; column < 21; ++column)
            s.matrix[5 * 21 + column] = 0;
    });
    QVERIFY(r.read);
    const int Fn = 81;
    KeyboardBtn *fn = r.key(Fn);
    QVERIFY(fn);
    const QStringList refused{QStringLiteral("提示:这个按键在键盘上没有键码，不能绑定高级键。")};
    QTest::mouseClick(fn, Qt::LeftButton);
    QVERIFY(!r.page.typeChooser()->isVisible());
    QCOMPARE(r.messages, refused);

    r.messages.clear();
    emit r.page.typeChooser()->kindChosen(fn->keyData(), Bind_MT);
    auto *mt = qobject_cast<MTSetWindow *>(r.page.editor());
    QVERIFY(mt);
    QTest::mouseClick(AdvRig::pickerKey(mt, type("A")), Qt::LeftButton);
    const int before = r.frames();
    QVERIFY(r.commit(mt));
    QCOMPARE(r.messages, refused);
    QCOMPARE(r.frames(), before);
    QVERIFY(r.page.bindItems().isEmpty());
    QVERIFY(!r.isStored(Fn));
}

void TestAdvanced::keyTester()
{
    AdvRig r;
    Hook *hook = r.page.hook();
    KeyTesterWgt *tester = r.page.keyTester();
    hook->handleKeyMessage(Hook::MsgKeyDown, 0x41);       // A
    hook->handleKeyMessage(Hook::MsgKeyDown, 0xA0);       // left Shift
    hook->handleKeyMessage(Hook::MsgKeyDown, 0x41);       // repeat: one tile
    hook->handleKeyMessage(Hook::MsgSysKeyDown, 0x42);    // with Alt: nothing
    QCOMPARE(tester->shownKeys(), (QStringList{QStringLiteral("A"), QStringLiteral("L-Shift")}));

    // A real key press on a window of the program reaches it too (on
    // Windows the hook is the system's, which Qt's test events never pass).
#ifndef Q_OS_WIN
    QWidget window;
    window.show();
    QTest::keyPress(window.windowHandle(), Qt::Key_9);
    QCOMPARE(tester->shownKeys().last(), QStringLiteral("9"));
#else
    hook->handleKeyMessage(Hook::MsgKeyDown, 0x39);
#endif

    // A released key's tile goes a moment later.
    QSignalSpy removed(tester, &KeyTesterWgt::tileRemoved);
    hook->handleKeyMessage(Hook::MsgKeyUp, 0x41);
    QCOMPARE(tester->shownKeys().size(), 3);
    QVERIFY(removed.wait(5 * KeyTesterWgt::ReleaseDelayMs));
    QCOMPARE(removed.first().first().toInt(), int(Hook::KEY_A));
    QVERIFY(!tester->shownKeys().contains(QStringLiteral("A")));

    // Off the page the tester is empty and hears nothing.
    r.page.leave();
    QVERIFY(tester->shownKeys().isEmpty());
    hook->handleKeyMessage(Hook::MsgKeyDown, 0x43);
    QVERIFY(tester->shownKeys().isEmpty());
}

QTEST_MAIN(TestAdvanced)
#include "test_advanced.moc"
