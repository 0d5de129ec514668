// The performance page driven as a user drives it (slider keys and clicks,
// typing in the boxes, switch clicks) against the virtual keyboard: what
// reaches the keyboard and the profile, and what the key test and the
// calibration show of the keyboard's live tables.

#include "AppParams.h"
#include "CalibrationAnimation.h"
#include "KeyQuickTouchWindow.h"
#include "KeyboardBtn.h"
#include "KeyTouchDisSetWindow.h"
#include "PageRig.h"

#include <QUndoStack>
#include "PerformancePageWgt.h"
#include "PressProgressBar.h"
#include "SignalObject.h"
#include "SwitchControl.h"
#include "TravelScale.h"
#include "TravelScopeWindow.h"

#include <QAccessible>
#include <QListWidget>
#include <QTemporaryDir>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <QtTest>

#include <functional>

namespace {

constexpr int TypeA = 51, TypeS = 52, TypeD = 53;

// The performance page on the keyboard views, with what its tests look for.
struct PerfRig : PageRig<PerformancePageWgt> {
    explicit PerfRig(const std::function<void(VirtualKeyboard::State &)> &setup = {})
    {
        if (setup)
            rig.kb.modify(setup);
        build();
        read = readBack();
    }

    // The control of that type whose accessible name is name, among those
    // on screen: what a screen reader finds.
    template <typename W>
    W *find(const QString &name) const
    {
        for (W *w : page.findChildren<W *>()) {
            QAccessibleInterface *a = QAccessible::queryAccessibleInterface(w);
            if (a && a->text(QAccessible::Name) == name && w->isVisibleTo(&page))
                return w;
        }
        return nullptr;
    }
    QPushButton *button(const QString &text) const { return find<QPushButton>(text); }
    QJsonObject performance() const { return manager.currentDocument()["KeyPerformance"].toObject(); }
    QJsonObject travelRecord(int type) const
    {
        return manager.currentDocument()["KeyTouchDB"].toObject()[QString::number(type)].toObject();
    }
    // Typing into a box, then Return.
    void type(QLineEdit *edit, const QString &text)
    {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    // A slider moved by a key and let go.
    void slide(QSlider *slider, Qt::Key key)
    {
        slider->setFocus();
        QTest::keyClick(slider, key);
    }
    PressProgressBar *bar() const { return page.findChild<PressProgressBar *>(); }
    // With CORVANE_GRAB_DIR set, a picture of the view and the page.
    void grab(const QString &name)
    {
        const QString dir = qEnvironmentVariable("CORVANE_GRAB_DIR");
        if (!dir.isEmpty())
            window.grab().save(dir + QLatin1Char('/') + name + QStringLiteral(".png"));
    }

    bool read = false;
};

// Whether some pixel of the picture is of the kind asked for.
bool anyPixel(const QImage &image, const std::function<bool(const QColor &)> &kind)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (kind(image.pixelColor(x, y)))
                return true;
    return false;
}
bool reddish(const QColor &c) { return c.red() - c.green() > 80 && c.red() - c.blue() > 80; }
bool greenish(const QColor &c) { return c.green() - c.red() > 40 && c.green() - c.blue() > 40; }
bool bluish(const QColor &c) { return c.blue() - c.red() > 60 && c.blue() - c.green() > 20; }

template <typename T>
QList<QList<T>> emptyTable()
{
    QList<QList<T>> t;
    for (int row = 0; row < 6; ++row)
        t << QVector<T>(21, 0).toList();
    return t;
}

// Counts the paint events of the widgets it watches.
struct PaintCounter : QObject {
    QHash<QObject *, int> paints;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints[watched];
        return false;
    }
};

} // namespace

class TestPerformance : public QObject {
    Q_OBJECT
private slots:
    void scaleOfTheKeyboard();
    void globalAndSelectedTravel();
    void rapidTrigger();
    void deadZonesAndSuperResponse();
    void popUpsApplyToPickedKeys();
    void keyCapsShowOwnTravelOnly();
    void keyTestFollowsTheDeepestKey();
    void keyTestRepaintsOnlyKeysThatLookDifferent();
    void keyTestShowsTheSelectedKeysPoints();
    void setByPressing();
    void travelScopeRecordsAndReplays();
    void driftingKeyIsListedAndCalibrated();
    void calibrationChartAndEnding();
    void liveViewsEndWithTheKeyboard();
};

// Positions, millimetres and micrometres on the scales keyboards report,
// and what the page shows for a fine one.
void TestPerformance::scaleOfTheKeyboard()
{
    const TravelScale s = TravelScale::fromKeyboard(0.01, 100, 4000);
    QCOMPARE(s.positions, 391);
    QCOMPARE(s.rapidDefaultPosition(), 21);
    QCOMPARE(s.deadZonePositions(), 100);
    QCOMPARE(s.micronsAt(391), 4000);
    QCOMPARE(s.positionOfMm(4.0), 391);
    QCOMPARE(s.positionOfMm(2.3), 221); // 2.3 mm is 2299.99.. in binary; still 2300 µm
    QCOMPARE(s.micronsAt(s.positionOfMicrons(1500)), 1500);
    // Off the scale: the sliders take the step below, the key editors the nearest.
    QCOMPARE(s.micronsAt(s.positionOfMicrons(1506)), 1500);
    QCOMPARE(s.micronsAt(s.nearestPositionOfMicrons(1506)), 1510);
    QCOMPARE(s.nearestPositionOfMicrons(50), 1);
    QCOMPARE(s.nearestPositionOfMicrons(9000), 391);
    // A range that is not a whole number of steps: the last position is the maximum.
    const TravelScale odd = TravelScale::fromKeyboard(0.01, 100, 4005);
    QCOMPARE(odd.positions, 392);
    QCOMPARE(odd.micronsAt(391), 4000);
    QCOMPARE(odd.micronsAt(392), 4005);
    QVERIFY(!isCompleteNumber(".5") && !isCompleteNumber("1.") && isCompleteNumber("1.5"));

    // A keyboard counting in 5 µm: three decimals, and its own scale.
    PerfRig r([](VirtualKeyboard::State &st) { st.precision = 5; });
    QVERIFY(r.read);
    QCOMPARE(r.keyboard.capabilities().decimals, 3);
    QSlider *global = r.find<QSlider>("设置全局触发行程");
    QCOMPARE(global->maximum(), 781);
    QCOMPARE(r.find<QLineEdit>("设置全局触发行程")->text(), QString("2.000"));
    r.type(r.find<QLineEdit>("设置全局触发行程"), "1.235");
    QVERIFY(r.rig.waitIdle());
    QCOMPARE(r.rig.kb.state().deadBand.gdBi, quint16(1235));
}

void TestPerformance::globalAndSelectedTravel()
{
    PerfRig r;
    QVERIFY(r.read);
    QSlider *global = r.find<QSlider>("设置全局触发行程");
    QLineEdit *globalBox = r.find<QLineEdit>("设置全局触发行程");
    QCOMPARE(global->maximum(), 391);
    QCOMPARE(r.find<QSlider>("按下按键的触发行程"), nullptr); // rapid trigger is off: its options hidden
    QCOMPARE(globalBox->text(), QString("2.00")); // as the keyboard reports it
    QCOMPARE(r.config.config().performance.globalTravelUm, 2000);

    // The last position sends the maximum, says so, and the profile keeps it.
    QSignalSpy toast(SignalObject::instance(), &SignalObject::sigShowToastTip);
    r.slide(global, Qt::Key_End);
    QVERIFY(r.rig.waitIdle());
    QCOMPARE(r.rig.kb.state().deadBand.gdBi, quint16(4000));
    QCOMPARE(r.performance()["global-key-touch"].toInt(), 4000);
    QCOMPARE(toast.count(), 1);
    QCOMPARE(toast.first().at(2).toString(), QString("全局行程已设置为4.00mm"));

    // Typed values: a whole one is applied, a half-typed one put back.
    r.type(globalBox, "1.23");
    QVERIFY(r.rig.waitIdle());
    QCOMPARE(global->value(), 114);
    QCOMPARE(r.rig.kb.state().deadBand.gdBi, quint16(1230));
    QCOMPARE(r.config.config().performance.globalTravelUm, 1230);
    r.rig.kb.clearFrameLog();
    for (const char *half : {".5", "1."}) {
        r.type(globalBox, half);
        QCOMPARE(globalBox->text(), QString("1.23"));
    }
    QVERIFY(r.rig.waitIdle());
    QCOMPARE(r.frames(), 0);

    // Selected keys: a click on the groove applies like a drag.
    r.click(r.key(TypeA));
    r.click(r.key(TypeS));
    QSlider *selected = r.find<QSlider>("设置单键触发行程");
    r.type(r.find<QLineEdit>("设置单键触发行程"), "2.5");
    QVERIFY(r.rig.waitIdle());
    QCOMPARE(r.rig.param(4, TypeA), quint16(2500));
    r.grab("travel-selected");
    QCOMPARE(r.rig.param(8, TypeS) & 0xF0, 0x10);
    QCOMPARE(r.travelRecord(TypeS)["keyTouchDis"].toInt(), 2500);
    QCOMPARE(r.travelRecord(TypeS)["work-mode"].toInt(), 1);
    QTest::mouseClick(selected, Qt::LeftButton, {}, QPoint(selected->width() - 2, selected->height() / 2));
    QVERIFY(r.rig.waitIdle());
    QCOMPARE(selected->value(), 391);
    QCOMPARE(r.rig.param(4, TypeA), quint16(4000));
    QCOMPARE(r.key(TypeA)->keyData().travel, 4.0);
    QCOMPARE(r.rig.param(4, TypeD), quint16(2000)); // not selected
}

void TestPerformance::rapidTrigger()
{
    PerfRig r;
    QVERIFY(r.read);
    SwitchControl *rapid = r.find<SwitchControl>("快速触发(选中键位生效)");

    // Nothing selected: the switch goes back off and nothing is sent.
    r.click(rapid);
    QVERIFY(!rapid->isChecked());
    QVERIFY(r.rig.waitIdle());
    QCOMPARE(r.frames(), 0);

    r.click(r.key(TypeA));
    r.click(r.key(TypeS));
    r.click(rapid);
    QVERIFY(r.rig.waitIdle());
    QVERIFY(rapid->isChecked());
    QSlider *press = r.find<QSlider>("按下按键的触发行程");
    QVERIFY(press);
    QCOMPARE(press->value(), 21);
    r.grab("rapid-on");
    for (int type : {TypeA, TypeS}) {
        QCOMPARE(r.rig.param(8, type) & 0xF0, 0x20);
        QCOMPARE(r.rig.param(20, type), quint16(300));
        QCOMPARE(r.travelRecord(type)["work-mode"].toInt(), 2);
    }

    // Two selected keys with it and one without show it off; dropping the
    // one without shows it on.
    r.click(r.key(TypeD));
    QVERIFY(!rapid->isChecked());
    QCOMPARE(r.page.rapidSelected(), 2);
    QCOMPARE(r.page.plainSelected(), 1);
    r.click(r.key(TypeD));
    QVERIFY(rapid->isChecked());

    // The sensitivities reach the selected keys.
    r.slide(press, Qt::Key_End);
    r.slide(r.find<QSlider>("松开按键的重置行程"), Qt::Key_Home);
    QVERIFY(r.rig.waitIdle());
    QCOMPARE(r.rig.param(20, TypeA), quint16(4000));
    QCOMPARE(r.rig.param(21, TypeS), quint16(100));
    QCOMPARE(r.travelRecord(TypeA)["quickTouchPressDis"].toInt(), 4000);

    // "重置" moves the slider only; the keyboard keeps what it has.
    r.rig.kb.clearFrameLog();
    QPushButton *reset = nullptr;
    for (QPushButton *b : r.page.findChildren<QPushButton *>())
        if (b->accessibleDescription() == "按下按键的触发行程")
            reset = b;
    r.click(reset);
    QCOMPARE(press->value(), 30);
    QCOMPARE(r.performance()["quick-key-press"].toInt(), 30);
    QVERIFY(r.rig.waitIdle());
    QCOMPARE(r.frames(), 0);

    r.click(rapid);
    QVERIFY(r.rig.waitIdle());
    QCOMPARE(r.rig.param(8, TypeA) & 0x20, 0);
    QVERIFY(!r.key(TypeA)->keyData().rapidTrigger);
}

void TestPerformance::deadZonesAndSuperResponse()
{
    PerfRig r;
    QVERIFY(r.read);
    r.click(r.button("高级设置"));
    QCOMPARE(r.page.subPage(), int(SubPageAdvanced));
    QLineEdit *pressBox = r.find<QLineEdit>("按下（触发）");
    QSlider *pressSlider = r.find<QSlider>("按下（触发）");
    QCOMPARE(pressSlider->maximum(), 100);
    QCOMPARE(pressBox->text(), QString("0.10")); // the keyboard's 100 µm

    // Return in a dead-zone box does nothing: the slider sets the value.
    const int before = r.frames();
    r.type(pressBox, "0.15");
    r.type(r.find<QLineEdit>("抬起（重置）"), "0.3");
    QVERIFY(r.rig.waitIdle());
    QCOMPARE(r.frames(), before);
    QCOMPARE(pressSlider->value(), 10);
    QCOMPARE(r.rig.kb.state().deadBand.dtDB, quint16(100));

    // Optimisation off: any value goes, 0 too.
    r.slide(pressSlider, Qt::Key_Right);
    QVERIFY(r.rig.waitIdle());
    QCOMPARE(r.rig.kb.state().deadBand.dtDB, quint16(110));
    QCOMPARE(pressBox->text(), QString("0.11"));
    r.slide(pressSlider, Qt::Key_Home);
    QVERIFY(r.rig.waitIdle());
    QCOMPARE(r.rig.kb.state().deadBand.dtDB, quint16(0));
    QCOMPARE(r.performance()["deadSpacePress"].toInt(), 0);

    // Turning it on raises a low dead zone to 0.2 mm; so does a release.
    r.click(r.find<SwitchControl>("触发优化"));
    QVERIFY(r.rig.waitIdle());
    QCOMPARE(r.rig.kb.state().deadBand.dtDB, quint16(200));
    QCOMPARE(pressBox->text(), QString("0.20"));
    r.slide(pressSlider, Qt::Key_Home);
    QVERIFY(r.rig.waitIdle());
    QCOMPARE(r.rig.kb.state().deadBand.dtDB, quint16(200));
    QCOMPARE(r.performance()["deadSpacePress"].toInt(), 200);
    r.click(r.find<SwitchControl>("触底优化"));
    QVERIFY(r.rig.waitIdle());
    QCOMPARE(r.rig.kb.state().deadBand.dtRdB, quint16(200));

    // A dead zone between two of the slider's steps reaches the profile in
    // use as the keyboard holds it, not as the slider shows it.
    KeyboardConfig fine = r.config.config();
    fine.performance.pressDeadZoneUm = 235;
    r.config.reset(fine); // as a read-back ends
    QCOMPARE(r.performance()["deadSpacePress"].toInt(), 235);

    // Super response: the system-mode bit, the profile and back off when
    // the lighting page asks.
    SwitchControl *super = r.find<SwitchControl>("超级响应模式");
    r.click(super);
    QVERIFY(r.rig.waitIdle());
    QCOMPARE(r.rig.kb.state().lighting.bitmap & 0x10, 0x10);
    QCOMPARE(r.performance()["super-light-speed"].toBool(), true);
    r.grab("advanced");
    emit SignalObject::instance()->sigCloseLightSpeedMode();
    QVERIFY(r.rig.waitIdle());
    QVERIFY(!super->isChecked());
    QCOMPARE(r.rig.kb.state().lighting.bitmap & 0x10, 0);
    QCOMPARE(r.performance()["super-light-speed"].toBool(), false);
}

// Keys with a travel of their own or rapid trigger carry their figures in
// the text colour (press red, release green); every other key shows its
// legend alone, as on the other pages.
void TestPerformance::keyCapsShowOwnTravelOnly()
{
    PerfRig r;
    QVERIFY(r.read);
    r.click(r.key(TypeA));
    r.type(r.find<QLineEdit>("设置单键触发行程"), "2.5");
    r.click(r.key(TypeA));
    r.click(r.key(TypeS));
    r.click(r.find<SwitchControl>("快速触发(选中键位生效)"));
    r.click(r.key(TypeS));
    QVERIFY(r.rig.waitIdle());
    QCOMPARE(r.rig.param(4, TypeA), quint16(2500));
    QCOMPARE(r.rig.param(8, TypeS) & 0x20, 0x20);
    QTest::mouseMove(&r.page, QPoint(2, 2));
    r.grab("key-caps");

    KeyboardBtn *d = r.key(TypeD);
    QCOMPARE(d->face(), KeyFace::Travel);
    const QImage plain = d->grab().toImage();
    d->setFace(KeyFace::Legend);
    QCOMPARE(plain, d->grab().toImage());
    d->setFace(KeyFace::Travel);

    const QImage own = r.key(TypeA)->grab().toImage();
    QVERIFY(r.key(TypeA)->keyData().travelDiffers);
    QVERIFY(!anyPixel(own, bluish));
    QVERIFY(!anyPixel(own, reddish));
    const QImage rapid = r.key(TypeS)->grab().toImage();
    QVERIFY(anyPixel(rapid, reddish));
    QVERIFY(anyPixel(rapid, greenish));
    QVERIFY(!anyPixel(rapid, bluish));
    // No corner flag: the top left corner is the key's own.
    QVERIFY(!anyPixel(rapid.copy(3, 3, 8, 8), reddish));
}

void TestPerformance::popUpsApplyToPickedKeys()
{
    PerfRig r;
    QVERIFY(r.read);
    auto *touch = r.page.findChild<KeyTouchDisSetWindow *>();
    r.click(r.button("设置单键触发行程"));
    QVERIFY(touch->isVisible());
    QCOMPARE(touch->position(), r.find<QSlider>("设置全局触发行程")->value());
    QVERIFY(!touch->commitButton()->isEnabled());
    r.grab("touch-window");
    r.click(r.key(TypeD));
    touch->slider()->setFocus();
    QTest::keyClick(touch->slider(), Qt::Key_Right);
    QVERIFY(touch->commitButton()->isEnabled());
    r.click(touch->commitButton());
    QVERIFY(r.rig.waitIdle());
    QVERIFY(!touch->isVisible());
    QVERIFY(r.key(TypeA)->isSelectable()); // the travel sub-page's keys stay selectable
    QCOMPARE(r.rig.param(4, TypeD), quint16(2010)); // one step above the global 2.00 mm

    // The rapid-trigger window: the keys checked when it is saved have it,
    // the others lose it on the keyboard too.
    r.click(r.key(TypeA));
    r.click(r.find<SwitchControl>("快速触发(选中键位生效)"));
    QVERIFY(r.rig.waitIdle());
    QCOMPARE(r.rig.param(8, TypeA) & 0x20, 0x20);
    auto *quick = r.page.findChild<KeyQuickTouchWindow *>();
    r.click(r.button("设置单键快速触发"));
    QVERIFY(quick->isVisible());
    QVERIFY(r.key(TypeA)->isKeyChecked());
    r.grab("quick-window");
    r.click(r.key(TypeA));
    r.click(r.key(TypeS));
    r.click(quick->commitButton());
    QVERIFY(r.rig.waitIdle());
    QCOMPARE(r.rig.param(8, TypeA) & 0x20, 0);
    QCOMPARE(r.rig.param(8, TypeS) & 0x20, 0x20);
}

void TestPerformance::keyTestFollowsTheDeepestKey()
{
    PerfRig r;
    QVERIFY(r.read);
    QPushButton *test = r.button("开始测试");
    PressProgressBar *bar = r.bar();
    QCOMPARE(bar->trackHeight(), 240);
    r.click(test);
    QCOMPARE(test->text(), QString("停止测试"));
    QTRY_COMPARE_WITH_TIMEOUT(r.rig.worker->mode(), int(KeyboardAction::KeyTest), 20000);

    // Real strokes on the keyboard: A past its 2 mm actuation, S not.
    const int cellA = r.rig.cellOf(TypeA), cellS = r.rig.cellOf(TypeS);
    r.rig.kb.pressKey(cellA / 21, cellA % 21, 3.0);
    QTRY_COMPARE_WITH_TIMEOUT(bar->value(), 3.0, 20000);
    QVERIFY(bar->isActuated());
    QCOMPARE(bar->fillHeight(), 180);
    QCOMPARE(bar->fillColour(), QColor(108, 226, 108));
    QCOMPARE(r.key(TypeA)->face(), KeyFace::KeyTest);
    QCOMPARE(r.key(TypeA)->liveFirst(), quint16(3000));
    r.grab("key-test");
    r.rig.kb.releaseAllKeys();
    r.rig.kb.pressKey(cellS / 21, cellS % 21, 1.5);
    QTRY_COMPARE_WITH_TIMEOUT(bar->value(), 1.5, 20000);
    QCOMPARE(bar->fillColour(), QColor(249, 189, 16));

    // Equal depths: the key drawn later decides; a state of 8 or more is
    // not actuated; below 0.1 mm shows 0. (Fed by hand, each checked
    // before the live stream's next round can arrive.)
    KeyboardAction *w = r.rig.worker.get();
    r.rig.kb.releaseAllKeys();
    const QList<KeyboardBtn *> keys = r.view[0]->buttons();
    auto feed = [&](quint16 first, quint8 firstState, quint16 second, quint8 secondState) {
        QList<QList<quint16>> travel = emptyTable<quint16>();
        QList<QList<quint8>> states = emptyTable<quint8>();
        travel[keys[0]->matrixRow()][keys[0]->matrixColumn()] = first;
        states[keys[0]->matrixRow()][keys[0]->matrixColumn()] = firstState;
        travel[keys[1]->matrixRow()][keys[1]->matrixColumn()] = second;
        states[keys[1]->matrixRow()][keys[1]->matrixColumn()] = secondState;
        emit w->reports()->sigUpdateMMData(travel, states);
    };
    feed(2500, 1, 2500, 9);
    QCOMPARE(bar->value(), 2.5);
    QVERIFY(!bar->isActuated());
    feed(2500, 9, 2500, 1);
    QVERIFY(bar->isActuated());
    feed(99, 1, 50, 1);
    QCOMPARE(bar->value(), 0.0);
    QCOMPARE(bar->fillHeight(), 0);

    // "停止测试": the bar keeps its height a moment, then drops.
    feed(2000, 1, 0, 0);
    r.click(test);
    QCOMPARE(test->text(), QString("开始测试"));
    QCOMPARE(bar->value(), 2.0);
    QTRY_COMPARE_WITH_TIMEOUT(bar->value(), 0.0, 20000);
    QCOMPARE(r.key(TypeA)->face(), KeyFace::Travel);

    // Stopped and started again at once: the first test's end, which the
    // worker reports late, does not end the second.
    QSignalSpy ends(r.rig.worker->reports(), &KeyboardWorker::sigKeyTestEnded);
    r.click(test);
    QTRY_COMPARE_WITH_TIMEOUT(r.rig.worker->mode(), int(KeyboardAction::KeyTest), 20000);
    r.click(test);
    r.click(test);
    QTRY_VERIFY_WITH_TIMEOUT(!ends.isEmpty(), 20000);
    QCoreApplication::processEvents(); // its queued delivery
    QVERIFY(r.page.isKeyTestRunning());
    QTRY_COMPARE_WITH_TIMEOUT(r.rig.worker->mode(), int(KeyboardAction::KeyTest), 20000);
    r.click(test);
    QVERIFY(!r.page.isKeyTestRunning());

    // Another sub-page stops it at once.
    r.click(test);
    QTRY_COMPARE_WITH_TIMEOUT(r.rig.worker->mode(), int(KeyboardAction::KeyTest), 20000);
    r.click(r.button("高级设置"));
    QVERIFY(!r.page.isKeyTestRunning());
    QVERIFY(!test->isChecked());
    QCOMPARE(r.rig.worker->mode(), int(KeyboardAction::Idle));
}

// A resting key's noise below 0.1 mm draws nothing new, so it is not
// repainted, while a key that moves is.
void TestPerformance::keyTestRepaintsOnlyKeysThatLookDifferent()
{
    PerfRig r;
    QVERIFY(r.read);
    r.click(r.button("开始测试"));
    QTRY_COMPARE_WITH_TIMEOUT(r.rig.worker->mode(), int(KeyboardAction::KeyTest), 20000);
    KeyboardBtn *a = r.key(TypeA), *s = r.key(TypeS);
    const int cellA = r.rig.cellOf(TypeA), cellS = r.rig.cellOf(TypeS);
    r.rig.kb.pressKey(cellA / 21, cellA % 21, 3.0);
    r.rig.kb.pressKey(cellS / 21, cellS % 21, 0.05);
    QTRY_VERIFY_WITH_TIMEOUT(a->liveFirst() == 3000 && s->liveFirst() == 50, 20000);

    PaintCounter counter;
    a->installEventFilter(&counter);
    s->installEventFilter(&counter);
    r.rig.kb.pressKey(cellA / 21, cellA % 21, 2.5);
    r.rig.kb.pressKey(cellS / 21, cellS % 21, 0.08);
    QTRY_VERIFY_WITH_TIMEOUT(a->liveFirst() == 2500 && s->liveFirst() == 80, 20000);
    QTRY_VERIFY_WITH_TIMEOUT(counter.paints.value(a) > 0, 20000);
    // One more pass of the window's painting, which would carry S along
    // had anything marked it.
    const int painted = counter.paints.value(a);
    a->update();
    QTRY_VERIFY_WITH_TIMEOUT(counter.paints.value(a) > painted, 20000);
    QCOMPARE(counter.paints.value(s), 0);
}

// One selected key feeds the bar however deep another key is, with its
// actuation line and, with rapid trigger, the band that moves with it.
void TestPerformance::keyTestShowsTheSelectedKeysPoints()
{
    PerfRig r;
    QVERIFY(r.read);
    r.click(r.key(TypeA));
    r.type(r.find<QLineEdit>("设置单键触发行程"), "1.2");
    r.click(r.find<SwitchControl>("快速触发(选中键位生效)"));
    r.type(r.find<QLineEdit>("松开按键的重置行程"), "0.2");
    QVERIFY(r.rig.waitIdle());
    QCOMPARE(r.rig.param(21, TypeA), quint16(200));

    PressProgressBar *bar = r.bar();
    r.click(r.button("开始测试"));
    QTRY_COMPARE_WITH_TIMEOUT(r.rig.worker->mode(), int(KeyboardAction::KeyTest), 20000);
    const int cellA = r.rig.cellOf(TypeA), cellS = r.rig.cellOf(TypeS);
    r.rig.kb.pressKey(cellA / 21, cellA % 21, 2.0);
    r.rig.kb.pressKey(cellS / 21, cellS % 21, 3.0);
    QTRY_COMPARE_WITH_TIMEOUT(r.key(TypeS)->liveFirst(), quint16(3000), 20000);
    QCOMPARE(bar->value(), 2.0);
    QVERIFY(bar->isActuated());
    QCOMPARE(bar->shownKey(), r.key(TypeA)->legend());
    // 0 mm sits at y 262 and a millimetre is 60 px: the line at 1.20 mm, the
    // band from 1.80 to 2.30 mm around the key's 2.00 mm.
    QCOMPARE(bar->actuationY(), 262 - 72);
    QCOMPARE(bar->bandTopY(), 262 - 138);
    QCOMPARE(bar->bandBottomY(), 262 - 108);
    QAccessibleInterface *a = QAccessible::queryAccessibleInterface(bar);
    // The key and its depth where Qt's AT-SPI bridge exports them.
    QCOMPARE(a->text(QAccessible::Name), "按键行程：" + r.key(TypeA)->legend());
    QCOMPARE(a->text(QAccessible::Description), QString("2.00 mm；触发 1.20 mm，按下 0.30 mm，松开 0.20 mm"));
    QCOMPARE(a->text(QAccessible::Value), r.key(TypeA)->legend() + ": 2.00 mm");
    QVERIFY(a->valueInterface());
    r.grab("key-test-marks");

    // The band moves with the key.
    r.rig.kb.pressKey(cellA / 21, cellA % 21, 1.0);
    QTRY_COMPARE_WITH_TIMEOUT(bar->value(), 1.0, 20000);
    QVERIFY(!bar->isActuated());
    QCOMPARE(bar->bandTopY(), 262 - 78);
    QCOMPARE(bar->actuationY(), 262 - 72);

    // A key with the global travel shows it, without a band.
    r.click(r.key(TypeA));
    r.click(r.key(TypeS));
    QTRY_COMPARE_WITH_TIMEOUT(bar->value(), 3.0, 20000);
    QCOMPARE(bar->actuationY(), 262 - 120);
    QCOMPARE(bar->bandTopY(), -1);
    QCOMPARE(a->text(QAccessible::Description), QString("3.00 mm；触发 2.00 mm"));

    // Two selected keys: the deepest key again, unmarked and unnamed.
    r.click(r.key(TypeA));
    r.rig.kb.pressKey(cellA / 21, cellA % 21, 3.5);
    QTRY_COMPARE_WITH_TIMEOUT(bar->value(), 3.5, 20000);
    QCOMPARE(bar->shownKey(), QString());
    QCOMPARE(bar->actuationY(), -1);
    QCOMPARE(a->text(QAccessible::Value), QString("3.50 mm"));
    QCOMPARE(a->text(QAccessible::Name), QString("按键行程"));
    QCOMPARE(a->text(QAccessible::Description), QString("3.50 mm"));
}

// The per-key parameter frames the keyboard received.
std::vector<std::vector<uint8_t>> keyFrames(const PerfRig &r)
{
    constexpr uint8_t KeyCommand = 0x23;
    std::vector<std::vector<uint8_t>> out;
    for (const auto &f : r.rig.sentFrames())
        if (f.size() > 2 && f[2] == KeyCommand)
            out.push_back(f);
    return out;
}

// The deepest travel of each selected key over the watch becomes its
// actuation travel, sent and stored as the page's own edit of that travel.
void TestPerformance::setByPressing()
{
    PerfRig r;
    QVERIFY(r.read);
    QPushButton *pressSet = r.button("按压设定触发点");
    QVERIFY(pressSet);
    QVERIFY(!pressSet->isEnabled()); // no test running
    r.click(r.button("开始测试"));
    QTRY_COMPARE_WITH_TIMEOUT(r.rig.worker->mode(), int(KeyboardAction::KeyTest), 20000);
    QVERIFY(!pressSet->isEnabled()); // nothing selected
    for (int type : {TypeA, TypeS, TypeD})
        r.click(r.key(type));
    QVERIFY(pressSet->isEnabled());

    // A second click and Esc cancel; nothing is sent.
    QSignalSpy finished(&r.page, &PerformancePageWgt::pressSetFinished);
    r.page.setPressSetDuration(20000);
    r.click(pressSet);
    QVERIFY(r.page.isSettingByPress());
    QCOMPARE(pressSet->text(), QString("按压按键… 20 秒"));
    QVERIFY(r.find<QPushButton>("按压按键… 20 秒"));
    r.click(pressSet);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.last().first().toBool(), false);
    r.click(pressSet);
    QTest::keyClick(pressSet, Qt::Key_Escape);
    QCOMPARE(finished.count(), 2);
    QCOMPARE(pressSet->text(), QString("按压设定触发点"));

    // A held at 1.237 mm when the watch starts; S at 0.9 mm, then a round
    // with it at 1.231 mm; D never pressed. Both become 1.23 mm, the step
    // below on the keyboard's 0.01 mm scale.
    const int cellA = r.rig.cellOf(TypeA), cellS = r.rig.cellOf(TypeS);
    r.rig.kb.pressKey(cellA / 21, cellA % 21, 1.237);
    r.rig.kb.pressKey(cellS / 21, cellS % 21, 0.9);
    QTRY_COMPARE_WITH_TIMEOUT(r.key(TypeA)->liveFirst(), quint16(1237), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(r.key(TypeS)->liveFirst(), quint16(900), 20000);
    r.rig.kb.clearFrameLog();
    const QJsonObject recordD = r.travelRecord(TypeD);
    QSignalSpy toast(SignalObject::instance(), &SignalObject::sigShowToastTip);
    r.page.setPressSetDuration(200);
    r.click(pressSet);
    QList<QList<quint16>> travel = emptyTable<quint16>();
    travel[cellS / 21][cellS % 21] = 1231;
    emit r.rig.worker->reports()->sigUpdateMMData(travel, emptyTable<quint8>());
    QVERIFY(finished.wait(20000));
    QCOMPARE(finished.last().first().toBool(), true);
    // The test keeps running (the worker polls on): wait for the keyboard.
    QTRY_COMPARE_WITH_TIMEOUT(r.rig.param(4, TypeS), quint16(1230), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(r.rig.param(4, TypeA), quint16(1230), 20000);
    QCOMPARE(r.rig.param(4, TypeD), quint16(2000));
    QCOMPARE(r.key(TypeA)->keyData().travel, 1.23);
    QCOMPARE(r.travelRecord(TypeS)["keyTouchDis"].toInt(), 1230);
    QCOMPARE(r.travelRecord(TypeS)["work-mode"].toInt(), 1);
    QCOMPARE(r.travelRecord(TypeD), recordD);
    QCOMPARE(toast.count(), 1);
    QCOMPARE(toast.first().at(2).toString(), "未按下，行程未改变：" + r.key(TypeD)->legend());
    QVERIFY(r.page.isKeyTestRunning());

    // The same frames as typing 1.23 mm for A and S.
    const auto pressed = keyFrames(r);
    QVERIFY(!pressed.empty());
    // One undo puts all three back.
    QCOMPARE(r.config.history()->count(), 1);
    r.config.history()->undo();
    QTRY_COMPARE_WITH_TIMEOUT(r.rig.param(4, TypeA), quint16(2000), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(r.rig.param(4, TypeS), quint16(2000), 20000);
    QCOMPARE(r.rig.param(4, TypeD), quint16(2000));
    QCOMPARE(r.travelRecord(TypeD), recordD);
    r.rig.kb.clearFrameLog();
    r.click(r.key(TypeD));
    r.type(r.find<QLineEdit>("设置单键触发行程"), "1.23");
    QVERIFY(r.rig.waitIdle());
    QVERIFY(keyFrames(r) == pressed);
}

// The scope on two selected keys while the virtual keyboard plays a
// scripted press: its series and the keyboard's marks, the summary on
// pause, a recording that replays to the same series, the picture, a
// hostile file refused, and the stream ending with the window.
void TestPerformance::travelScopeRecordsAndReplays()
{
    PerfRig r;
    QVERIFY(r.read);
    QTemporaryDir dir;
    r.click(r.key(TypeA));
    r.click(r.find<SwitchControl>("快速触发(选中键位生效)")); // A with rapid trigger
    QVERIFY(r.rig.waitIdle());
    r.click(r.key(TypeS));
    r.click(r.button("行程曲线"));
    TravelScopeWindow *scope = r.page.scope();
    QVERIFY(scope && scope->isVisible());
    TravelScopeWgt *plot = scope->plot();
    QCOMPARE(plot->accessibleName(), QString("行程曲线"));
    QVERIFY(r.page.isKeyTestRunning()); // the scope started the stream
    QTRY_COMPARE_WITH_TIMEOUT(r.rig.worker->mode(), int(KeyboardAction::KeyTest), 20000);
    QCOMPARE(plot->keys().size(), 2);
    QCOMPARE(plot->keys()[0].settings.actuationUm, 2000);
    QVERIFY(plot->keys()[0].settings.rapid);
    QVERIFY(!plot->keys()[1].settings.rapid);

    QString recordPath = dir.filePath("a.csv");
    TravelScopeWindow::FileKind asked{};
    QString answer;
    scope->setFilePrompt([&](TravelScopeWindow::FileKind kind) {
        asked = kind;
        return answer;
    });
    auto scopeButton = [&](const QString &text) {
        for (QPushButton *b : scope->findChildren<QPushButton *>())
            if (b->text() == text)
                return b;
        return static_cast<QPushButton *>(nullptr);
    };
    QVERIFY(scopeButton("记录")->toolTip().contains("击键记录"));
    answer = recordPath;
    r.click(scopeButton("记录"));
    QCOMPARE(asked, TravelScopeWindow::FileKind::Record);
    QVERIFY(scope->isRecording());

    // A press past the 2 mm actuation, a partial release, a deeper press
    // and a release; each depth waited for in the scope.
    const int cellA = r.rig.cellOf(TypeA);
    auto depthShown = [&](int um) {
        for (const KeyTraceSample &s : plot->samples(0))
            if (s.depthUm == um)
                return true;
        return false;
    };
    for (int um : {1000, 2500, 1000, 3000, 0}) {
        r.rig.kb.pressKey(cellA / 21, cellA % 21, um / 1000.0);
        QTRY_VERIFY_WITH_TIMEOUT(depthShown(um) && plot->samples(0).last().depthUm == um, 20000);
    }
    const QList<KeyTraceMark> marks = plot->marks(0);
    QCOMPARE(marks.size(), 4);
    // A round reads the depths and the states in separate reports, so a
    // mark may sit on the depth before the change.
    const QList<QPair<int, int>> expected = {{2500, 1000}, {1000, 2500}, {3000, 1000}, {0, 3000}};
    for (int i = 0; i < 4; ++i) {
        QVERIFY(marks[i].depthUm == expected[i].first || marks[i].depthUm == expected[i].second);
        QCOMPARE(marks[i].actuated, i % 2 == 0);
    }
    QVERIFY(plot->marks(1).isEmpty());
    // The rapid-trigger thresholds follow A's turning points: 0.3 mm above
    // the bottom of the partial release, 0.3 mm below its deepest point.
    bool pressLine = false, releaseLine = false;
    const QVector<KeyTraceSample> live = plot->samples(0);
    for (int i = 0; i < live.size(); ++i) {
        const KeyTriggerModel::Step step = plot->steps(0)[i];
        pressLine = pressLine || (live[i].depthUm == 1000 && step.pressLineUm == 1300);
        releaseLine = releaseLine || (live[i].depthUm == 3000 && step.releaseLineUm == 2700);
    }
    QVERIFY(pressLine && releaseLine);
    if (qEnvironmentVariableIsSet("CORVANE_GRAB_DIR"))
        scope->grab().save(qEnvironmentVariable("CORVANE_GRAB_DIR") + "/scope-live.png");
    r.click(scopeButton("停止记录"));
    QVERIFY2(!scope->isRecording(), qPrintable(scope->statusText()));
    // A keystroke log: for its owner alone.
#ifndef Q_OS_WIN // (Windows keeps access lists, not modes)
    QCOMPARE(QFile::permissions(recordPath) & 0x00FF, QFileDevice::Permissions());
#endif

    // Paused: the summary, for a screen reader too, and a hover.
    r.click(scopeButton("暂停"));
    QVERIFY(plot->isPaused());
    const QString a = r.key(TypeA)->legend(), s = r.key(TypeS)->legend();
    const QString summary = a + "：最大深度 3.00 mm，触发 2 次\n" + s + "：最大深度 0.00 mm，触发 0 次";
    QCOMPARE(plot->summary(), summary);
    QCOMPARE(plot->accessibleDescription(), summary);
    QCOMPARE(scope->summaryText(), summary);
    const QVector<KeyTraceSample> seriesA = plot->samples(0), seriesS = plot->samples(1);
    int deepest = 0;
    while (seriesA[deepest].depthUm != 3000)
        ++deepest;
    QCOMPARE(plot->pointText(plot->pointOf(0, deepest)),
             QString("%1：%2 ms，3.00 mm，已触发（状态 1）").arg(a).arg(seriesA[deepest].timeMs));
    QVERIFY(plot->pointText(QPoint(0, 0)).isEmpty());

    // The recording holds what the scope showed, and plays back the same.
    answer = recordPath;
    r.click(scopeButton("打开记录"));
    QCOMPARE(asked, TravelScopeWindow::FileKind::Open);
    QVERIFY2(plot->isReplay(), qPrintable(scope->statusText()));
    QCOMPARE(plot->samples(0), seriesA);
    QCOMPARE(plot->samples(1), seriesS);
    QCOMPARE(plot->marks(0), marks);
    QCOMPARE(plot->keys()[0].settings.actuationUm, 2000); // the keyboard's key of that name
    QCOMPARE(plot->summary(), summary);

    answer = dir.filePath("scope.png");
    r.click(scopeButton("保存图片"));
    QImage picture(answer);
    QCOMPARE(picture.size(), plot->size());
    if (qEnvironmentVariableIsSet("CORVANE_GRAB_DIR"))
        scope->grab().save(qEnvironmentVariable("CORVANE_GRAB_DIR") + "/scope.png");

    // A file that is not a recording changes nothing and says why.
    QFile junk(dir.filePath("junk.csv"));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("time_ms,key,depth_um,state\n1,A,70000,0\n");
    junk.close();
    answer = junk.fileName();
    r.click(scopeButton("打开记录"));
    QVERIFY(scope->statusText().contains("第 2 行"));
    QCOMPARE(plot->samples(0), seriesA);

    // "继续" returns to the live stream; closing the scope ends the key
    // test it started.
    r.click(scopeButton("继续"));
    QVERIFY(!plot->isReplay());
    QTRY_VERIFY_WITH_TIMEOUT(!plot->samples(0).isEmpty(), 20000);
    scope->close();
    QVERIFY(!r.page.isKeyTestRunning());
    QTRY_COMPARE_WITH_TIMEOUT(r.rig.worker->mode(), int(KeyboardAction::Idle), 20000);
}

// A key resting at 0.2 mm is listed and marked while the key test runs;
// the button beside the list starts a calibration on the keyboard.
void TestPerformance::driftingKeyIsListedAndCalibrated()
{
    PerfRig r;
    QVERIFY(r.read);
    const int cellD = r.rig.cellOf(TypeD);
    r.rig.kb.pressKey(cellD / 21, cellD % 21, 0.2);
    r.click(r.button("开始测试"));
    auto *list = r.page.findChild<QListWidget *>("DriftList");
    QTRY_COMPARE_WITH_TIMEOUT(list->count(), 1, 20000);
    const QString d = r.key(TypeD)->legend();
    QCOMPARE(list->item(0)->text(), d + " 在静止时读数 0.20 mm，建议重新校准");
    QVERIFY(list->isVisibleTo(&r.page));
    QCOMPARE(r.key(TypeD)->attention(), list->item(0)->text());
    QVERIFY(QAccessible::queryAccessibleInterface(r.key(TypeD))
                ->text(QAccessible::Description)
                .contains("建议重新校准"));
    QVERIFY(r.key(TypeA)->attention().isEmpty());
    r.grab("drift");

    r.click(r.button("重新校准"));
    QTRY_VERIFY_WITH_TIMEOUT(r.rig.kb.state().calibrating, 20000);
    QVERIFY(r.page.isCalibrating());
    QCOMPARE(r.page.subPage(), int(SubPageCalibration));
    QVERIFY(!r.page.isKeyTestRunning());
}

void TestPerformance::calibrationChartAndEnding()
{
    PerfRig r;
    QVERIFY(r.read);
    r.click(r.button("键盘校准"));
    QPushButton *calibrate = r.button("开始校准");
    r.click(calibrate);
    QCOMPARE(calibrate->text(), QString("保存校准"));
    QTRY_VERIFY_WITH_TIMEOUT(r.rig.kb.state().calibrating, 20000);
    QCOMPARE(r.key(TypeA)->face(), KeyFace::Calibration);

    // A key pressed to the bottom: the last frame, the chart near 5.
    auto *animation = r.page.findChild<CalibrationAnimation *>();
    QtCharts::QLineSeries *series = r.page.chartSeries();
    const int cellA = r.rig.cellOf(TypeA);
    r.rig.kb.pressKey(cellA / 21, cellA % 21, 4.0);
    QTRY_COMPARE_WITH_TIMEOUT(animation->frame(), 40, 20000);
    QTRY_COMPARE_WITH_TIMEOUT(series->at(series->count() - 1).y(), 5.0, 20000);
    QCOMPARE(r.key(TypeA)->liveSecond(), quint16(4000));
    r.grab("calibration");

    // Every key released: frame 0 and the chart at 45. The chart keeps 200
    // points and its window moves with them.
    QList<QList<quint16>> released;
    for (int row = 0; row < 6; ++row)
        released << QVector<quint16>(21, 99).toList();
    for (int i = 0; i < 250; ++i)
        emit r.rig.worker->reports()->sigUpdateAdjustingData(released, released);
    QCOMPARE(animation->frame(), 0);
    QCOMPARE(series->count(), PerformancePageWgt::ChartPoints);
    QCOMPARE(series->at(series->count() - 1).y(), 45.0);
    const double last = series->at(series->count() - 1).x();
    QCOMPARE(r.page.chartXAxis()->max(), last);
    QCOMPARE(r.page.chartXAxis()->min(), last - PerformancePageWgt::ChartPoints);

    // "保存校准" ends it on the keyboard.
    r.rig.kb.releaseAllKeys();
    r.click(calibrate);
    QTRY_VERIFY_WITH_TIMEOUT(!r.rig.kb.state().calibrating, 20000);
    QCOMPARE(calibrate->text(), QString("开始校准"));

    // Started, saved and started again at once: the end of the first, which
    // the worker reports late, does not end the second.
    QSignalSpy ends(r.rig.worker->reports(), &KeyboardWorker::sigCalibrationEnded);
    r.click(calibrate);
    QTRY_COMPARE_WITH_TIMEOUT(r.rig.worker->mode(), int(KeyboardAction::Calibration), 20000);
    r.click(calibrate);
    r.click(calibrate);
    QTRY_VERIFY_WITH_TIMEOUT(!ends.isEmpty(), 20000);
    QCoreApplication::processEvents(); // its queued delivery
    QVERIFY(r.page.isCalibrating());
    QTRY_VERIFY_WITH_TIMEOUT(r.rig.kb.state().calibrating, 20000);
    QCOMPARE(calibrate->text(), QString("保存校准"));
    r.click(calibrate);
    QTRY_VERIFY_WITH_TIMEOUT(!r.rig.kb.state().calibrating, 20000);

    // Leaving the page ends a calibration and restores the button.
    r.click(calibrate);
    QTRY_VERIFY_WITH_TIMEOUT(r.rig.kb.state().calibrating, 20000);
    r.page.leave();
    QTRY_VERIFY_WITH_TIMEOUT(!r.rig.kb.state().calibrating, 20000);
    QVERIFY(!calibrate->isChecked());
    QCOMPARE(calibrate->text(), QString("开始校准"));
}

// A slow keyboard still feeds the live views; one that goes away ends them,
// and the page says so by its buttons instead of waiting for data.
void TestPerformance::liveViewsEndWithTheKeyboard()
{
    PerfRig r;
    QVERIFY(r.read);
    r.rig.kb.modify([](VirtualKeyboard::State &st) { st.latencyUs = 50000; });
    QPushButton *test = r.button("开始测试");
    r.click(test);
    const int cellA = r.rig.cellOf(TypeA);
    r.rig.kb.pressKey(cellA / 21, cellA % 21, 2.5);
    QTRY_COMPARE_WITH_TIMEOUT(r.bar()->value(), 2.5, 10000);

    r.click(r.button("键盘校准")); // ends the key test
    QPushButton *calibrate = r.button("开始校准");
    r.click(calibrate);
    QTRY_VERIFY_WITH_TIMEOUT(r.rig.kb.state().calibrating, 10000);
    r.rig.kb.unplug(); // whether the worker has begun polling yet or not
    QTRY_VERIFY_WITH_TIMEOUT(!r.page.isCalibrating(), 10000);
    QVERIFY(!calibrate->isChecked());
    QCOMPARE(calibrate->text(), QString("开始校准"));

    // Nothing to test without a keyboard: the button comes back at once.
    r.click(r.button("行程设置"));
    r.click(test);
    QTRY_VERIFY_WITH_TIMEOUT(!r.page.isKeyTestRunning(), 20000);
    QCOMPARE(test->text(), QString("开始测试"));
}

QTEST_MAIN(TestPerformance)
#include "test_performance.moc"
