// The keyboard view, its models, the key picker and the key hook; the
// editing roads end to end against the virtual keyboard.

#include "AppParams.h"
#include "Hook.h"
#include "KeyChooseBtn.h"
#include "KeyChooseWgt.h"
#include "KeyTypeTable.h"
#include "KeyboardBtn.h"
#include "KeyboardLayouts.h"
#include "KeyboardModels.h"
#include "VirtualKeyTable.h"
#include "QtVirtualKey.h"

#include <QButtonGroup>
#include <QDir>
#include <QFontDatabase>
#include <QGridLayout>
#include <QJsonArray>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QWindow>
#include "KeyDrop.h"

#include <QtTest>

#include <memory>
#include <set>

namespace {

constexpr int TypeA = 51, TypeY = 39, TypeE = 36, TypeR = 37;
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

} // namespace

class TestKeyboard : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { qRegisterMetaType<BindKeyType>("BindKeyType"); }
    void hookTables();
    void hookOnLinux();
    void modelsFollowTheirLayouts();
    void picker();
    void viewSaysWhatTheUserDid();
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
    // stays quiet while Alt is held. (Windows' hook is the system's
    // low-level one, which test_windows drives.)
#ifndef Q_OS_WIN
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
#endif
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
    for (int i = 0; i < 104; ++i)
        QCOMPARE(keys.at(i)->type(), i); // the basic page is the full-size keyboard
    for (KeyChooseBtn *k : keys) {
        QCOMPARE(k->objectName(), QStringLiteral("KeyChooseBtn"));
        QCOMPARE(k->text(), keyTypeName(k->type()));
    }
    // The other pages, in their order: extended keys without "Desktop" and
    // "Lauachpad"; lighting with "RGB M-" before the logo keys; keyboard
    // control.
    auto range = [](int first, int last) {
        QList<int> t;
        for (int i = first; i <= last; ++i)
            t << i;
        return t;
    };
    const QList<QList<int>> pages = {range(112, 129) + range(137, 139) + range(155, 160),
                                     range(141, 147) + QList<int>{168} + range(161, 167), range(149, 153)};
    const QList<QSize> sizes = {QSize(54, 36), QSize(45, 36), QSize(61, 36)};
    for (int page = 1; page < 4; ++page) {
        QList<int> shown;
        for (KeyChooseBtn *k : picker.pages()->widget(page)->findChildren<KeyChooseBtn *>()) {
            shown << k->type();
            QCOMPARE(k->size(), sizes.at(page - 1));
        }
        QCOMPARE(shown, pages.at(page - 1));
    }
    QCOMPARE(keys.size(), 104 + 27 + 15 + 5);
    // The note of the keyboard-control page has its help badge.
    QVERIFY(!picker.helpIcon()->pixmap(Qt::ReturnByValue).isNull());
    QCOMPARE(keys.at(104 + 18)->text(), QStringLiteral("Fn1"));
    const QString pngDir = qEnvironmentVariable("CORVANE_VIEW_PNG_DIR");
    if (!pngDir.isEmpty()) {
        picker.resize(1100, 420);
        for (int page = 0; page < picker.pages()->count(); ++page) {
            picker.showPage(page);
            picker.grab().save(QDir(pngDir).filePath(QStringLiteral("KeyChooseWgt-%1.png").arg(page)));
        }
        picker.showPage(0);
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

// The view says what the user did and nothing more: clicks (after the
// key's own check mark), drops it accepts, check changes; a view that is
// not active says nothing.
void TestKeyboard::viewSaysWhatTheUserDid()
{
    std::unique_ptr<KeyboardBaseWgt> view(createKeyboardView(0, 1));
    view->activate(true);
    QSignalSpy clicked(view.get(), &KeyboardBaseWgt::keyClicked);
    QSignalSpy dropped(view.get(), &KeyboardBaseWgt::keyDropped);
    QSignalSpy checks(view.get(), &KeyboardBaseWgt::keyCheckChanged);
    KeyboardBtn *e = view->buttonForType(TypeE);

    QTest::mouseClick(e, Qt::LeftButton);
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked.first().first().value<KeyboardBtn *>(), e);
    QVERIFY(!e->isKeyChecked()); // not selectable
    e->setSelectable(true);
    QTest::mouseClick(e, Qt::LeftButton);
    QVERIFY(e->isKeyChecked());
    QCOMPARE(checks.count(), 1);
    QCOMPARE(view->checkedButtons(), QList<KeyboardBtn *>{e});

    // Drops: a name becomes the key's type; Fn keys of this layer or below
    // and unknown names are refused, and so is a drop on a bound key.
    dropName(e, QStringLiteral("Y"));
    dropName(e, QStringLiteral("Fn1"));
    dropName(e, QStringLiteral("no such key"));
    KeyboardBtn *a = view->buttonForType(TypeA);
    KeyInfo bound = a->keyData();
    bound.binding = MTInfo();
    a->setAdvancedRecord(bound);
    dropName(a, QStringLiteral("Y"));
    QCOMPARE(dropped.count(), 1);
    QCOMPARE(dropped.first().at(0).toInt(), TypeE);
    QCOMPARE(dropped.first().at(1).toInt(), TypeY);
    QCOMPARE(e->currentType(), TypeY);

    // What a screen reader hears: the legend and, for a key given another
    // key's type, where it is (Y on E and the Y key itself are told apart);
    // then the key's state.
    QCOMPARE(e->accessibleName(), QStringLiteral("Y（E 键位）"));
    QCOMPARE(view->buttonForType(TypeY)->accessibleName(), QStringLiteral("Y"));
    KeyboardBtn *r = view->buttonForType(TypeR);
    r->setCurrentType(141);
    QCOMPARE(r->accessibleName(), QStringLiteral("RGB ON/OFF（R 键位）"));
    QVERIFY(a->accessibleDescription().contains(QStringLiteral("MT")));
    a->setRapidTrigger(true);
    QVERIFY(a->accessibleDescription().contains(QStringLiteral("快速触发")));
    e->setLegend(QString()); // waiting for an assignment: still named
    QCOMPARE(e->accessibleName(), QStringLiteral("Y（E 键位）"));

    view->activate(false);
    QTest::mouseClick(e, Qt::LeftButton);
    dropName(view->buttonForType(TypeR), QStringLiteral("Q"));
    QCOMPARE(clicked.count(), 2);
    QCOMPARE(dropped.count(), 1);
}

QTEST_MAIN(TestKeyboard)
#include "test_keyboard.moc"
