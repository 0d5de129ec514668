#include "Hook.h"
#include "KeyTypeTable.h"
#include "SimTyping.h"
#include "VirtualHidBackend.h"

#include <QApplication>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QtTest>

#include <set>

namespace {

uint8_t wireOf(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, quint32 scanCode = 0)
{
    return SimTyping::wireCodeOf(QKeyEvent(QEvent::KeyPress, key, modifiers, scanCode, 0, 0));
}

} // namespace

class TestSimTyping : public QObject {
    Q_OBJECT
private slots:
    void everyHookKeyHasOneKeyboardCode();
    void typingInAWindowMovesTheKeyboard();
};

void TestSimTyping::everyHookKeyHasOneKeyboardCode()
{
    // Each hook key but Fn (which has no virtual key) lands on its own key
    // type with a one-byte code: a misspelt or doubled row shows here.
    std::set<int> types;
    for (int hook = 0; hook <= Hook::KEY_P0; ++hook) {
        const QByteArray name = Hook::nameOfType(hook).toLatin1();
        const int type = SimTyping::keyTypeForHookType(hook);
        if (hook == Hook::KEY_FN) {
            QCOMPARE(keyTypeName(type), QStringLiteral("Fn"));
            continue;
        }
        QVERIFY2(type != KeyTypeNone && keyTypeHasCode(type) && keyTypeCode(type) < 0x100, name);
        QVERIFY2(types.insert(type).second, name);
    }
    QCOMPARE(SimTyping::keyTypeForHookType(-1), KeyTypeNone);
    QCOMPARE(SimTyping::keyTypeForHookType(Hook::KEY_P0 + 1), KeyTypeNone);

    // Qt keys through the whole chain to the HID usages the keyboard holds.
    QCOMPARE(wireOf(Qt::Key_A), uint8_t(0x04));
    QCOMPARE(wireOf(Qt::Key_Exclam, Qt::ShiftModifier), uint8_t(0x1E)); // the 1 key
    QCOMPARE(wireOf(Qt::Key_Shift), uint8_t(0xE1));
    QCOMPARE(wireOf(Qt::Key_Shift, Qt::NoModifier, 62), uint8_t(0xE5)); // right shift on X11
    QCOMPARE(wireOf(Qt::Key_1, Qt::KeypadModifier), uint8_t(0x59));
    QCOMPARE(wireOf(Qt::Key_Menu), uint8_t(0x65));
    QCOMPARE(wireOf(Qt::Key_Print), uint8_t(0x46));
    QCOMPARE(wireOf(Qt::Key_Space), uint8_t(0x2C));
    QCOMPARE(wireOf(Qt::Key_VolumeUp), uint8_t(0)); // no virtual key
    QCOMPARE(wireOf(Qt::Key_F13), uint8_t(0));
}

void TestSimTyping::typingInAWindowMovesTheKeyboard()
{
    VirtualKeyboard::Options options;
    options.latencyUs = 0;
    VirtualHidBackend backend;
    VirtualKeyboard &kb = backend.addKeyboard(options);
    kb.fillDistinctive(); // full travel 3800 um, actuation points below it
    const uint16_t full = kb.state().maxTravel;
    const int a = kb.cellOf(0x04), esc = kb.cellOf(0x29);
    QVERIFY(a >= 0 && esc >= 0);

    SimTyping typing(kb);
    qApp->installEventFilter(&typing);
    QWidget window;
    auto *edit = new QLineEdit(&window);
    (new QVBoxLayout(&window))->addWidget(edit);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    edit->setFocus();
    QWindow *handle = window.windowHandle();
    // A stroke lasts 40 ms: once Esc has gone down and up, every step of a
    // key typed before it has run.
    auto fence = [&] {
        QTest::keyPress(handle, Qt::Key_Escape);
        const bool down = kb.waitForKeyDepth(esc, full, 20000);
        QTest::keyRelease(handle, Qt::Key_Escape);
        return down && kb.waitForKeyDepth(esc, 0, 20000);
    };

    // Down, actuated, and back up; the key still reaches the widget.
    QTest::keyPress(handle, Qt::Key_A, Qt::NoModifier);
    QVERIFY(kb.waitForKeyDepth(a, full, 20000));
    QCOMPARE(kb.state().table6[a], full);
    QCOMPARE(kb.state().table3[a], uint8_t(1));
    QCOMPARE(edit->text(), QStringLiteral("a"));
    // The releases and presses that auto-repeat sends leave it held.
    QKeyEvent repeatUp(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"), true);
    QKeyEvent repeatDown(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"), true);
    QCoreApplication::sendEvent(handle, &repeatUp);
    QVERIFY(fence());
    QCOMPARE(kb.state().table2[a], full);
    QCoreApplication::sendEvent(handle, &repeatDown);
    QTest::keyRelease(handle, Qt::Key_A, Qt::NoModifier);
    QVERIFY(kb.waitForKeyDepth(a, 0, 20000));
    auto st = kb.state();
    QCOMPARE(st.table6[a], uint16_t(0));
    QCOMPARE(st.table3[a], uint8_t(0));

    // A key held when Corvane loses the focus never sees its release here:
    // it is lifted at once.
    QTest::keyPress(handle, Qt::Key_A);
    QVERIFY(kb.waitForKeyDepth(a, full, 20000));
    QApplicationStateChangeEvent inactive(Qt::ApplicationInactive);
    QCoreApplication::sendEvent(qApp, &inactive);
    QVERIFY(kb.waitForKeyDepth(a, 0, 20000));

    // Keys the keyboard lacks move nothing.
    QTest::keyPress(handle, Qt::Key_F13);
    QTest::keyPress(handle, Qt::Key_VolumeUp);
    QVERIFY(fence());
    st = kb.state();
    QVERIFY(std::all_of(st.table2.begin(), st.table2.end(), [](uint16_t v) { return v == 0; }));
    qApp->removeEventFilter(&typing);
}

QTEST_MAIN(TestSimTyping)
#include "test_simtyping.moc"
