// The lighting page driven as a user drives it (effect buttons, slider keys,
// the sleep box, the direction switch, preset and reset buttons, wheel
// drags, clicks and drags on the key caps) against the virtual keyboard:
// what reaches the keyboard's lighting record and colour table, the profile
// and the presets file; and what the page shows of the keyboard and of an
// applied profile without sending anything back.

#include "AppParams.h"
#include "BoardProfile.h"
#include "BoardRecords.h"
#include "ColorChooseWgt.h"
#include "ColorConfigWgt.h"
#include "ColorWheel.h"
#include "Kb2Commands.h"
#include "KeyboardBaseWgt.h"
#include "KeyboardDeck.h"
#include "KeyboardModels.h"
#include "LabelSpinBox.h"
#include "LightingPresetStore.h"
#include "LightingPresetText.h"
#include "ProfilePlan.h"
#include "ProfileManager.h"
#include "SettingsFactory.h"
#include "SignalObject.h"
#include "PageRig.h"
#include "Swatches.h"
#include "SwitchControl.h"

#include <QComboBox>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QToolButton>
#include <QUndoStack>
#include <QtTest>

#include <functional>
#include <memory>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

constexpr int TypeA = 51, TypeS = 52, TypeW = 35, TypeQ = 34, TypeE = 36, TypeR = 37, TypeT = 38, TypeH = 56;
const QString PresetsFile = QStringLiteral("config/settings.ini");

using Lights = VirtualKeyboard::Lighting;
using Rgb = VirtualKeyboard::Rgb;

// The lighting record's fields that differ, by name.
QStringList changedFields(const Lights &a, const Lights &b)
{
    QStringList out;
    auto bit = [&](quint8 mask, const char *name) {
        if ((a.bitmap & mask) != (b.bitmap & mask))
            out << name;
    };
    bit(Kb2LightingBits::On, "on");
    bit(Kb2LightingBits::Reversed, "reversed");
    bit(quint8(~(Kb2LightingBits::On | Kb2LightingBits::Reversed)), "other bits");
    if (a.grayscale != b.grayscale)
        out << "brightness";
    if (a.rgbMode != b.rgbMode)
        out << "mode";
    if (a.rgbSpeed != b.rgbSpeed)
        out << "speed";
    if (a.rgbSleep != b.rgbSleep)
        out << "sleep";
    if (a.background != b.background || a.colours != b.colours)
        out << "colours";
    return out;
}

Rgb rgb(const QColor &c)
{
    return Rgb{quint8(c.red()), quint8(c.green()), quint8(c.blue())};
}

// The lighting page on the keyboard views, in a fresh working folder, its
// questions answered by the test.
struct LightRig : PageRig<ColorConfigWgt> {
    explicit LightRig(const std::function<void(VirtualKeyboard::State &)> &setup = {},
                      const std::function<void()> &beforeBuild = {})
    {
        QDir::setCurrent(dir.path());
        if (beforeBuild)
            beforeBuild();
        // Light off (effect 3 kept), full brightness and speed, 10 minutes.
        rig.kb.modify([](VirtualKeyboard::State &s) {
            s.lighting.bitmap = 0;
            s.lighting.rgbMode = 2;
            s.lighting.grayscale = 4;
            s.lighting.rgbSpeed = 4;
            s.lighting.rgbSleep = 10;
        });
        if (setup)
            rig.kb.modify(setup);
        page.setAsk([this](const QString &title, const QString &text) {
            questions << title + ":" + text;
            return answer;
        });
        build();
        read = readBack();
    }
    ~LightRig() { QDir::setCurrent(QDir::tempPath()); }

    Lights lights() const { return rig.kb.state().lighting; }
    Rgb colourOf(int type) const { return rig.kb.state().keyColours[rig.cellOf(type)]; }
    QJsonObject rgbGroup() const { return manager.currentDocument()["KeyboardRGB"].toObject(); }
    int frames(int command = -1) const
    {
        int n = 0;
        for (const auto &f : rig.sentFrames())
            n += command < 0 || f[2] == command;
        return n;
    }
    ColorChooseWgt *chooser() const { return page.chooser(); }
    void press(QWidget *w, Qt::Key k)
    {
        w->setFocus();
        QTest::keyClick(w, k);
    }
    // The pointer, with the button held, over target: the pressed widget
    // has the mouse, so the move reaches it.
    static void moveOver(QWidget *grabber, QWidget *target)
    {
        const QPoint global = target->mapToGlobal(target->rect().center());
        QMouseEvent me(QEvent::MouseMove, grabber->mapFromGlobal(global), global, Qt::NoButton, Qt::LeftButton,
                       Qt::NoModifier);
        QApplication::sendEvent(grabber, &me);
    }
    // Press on from, drag over the keys, release over the last of them.
    void drag(KeyboardBtn *from, const QList<KeyboardBtn *> &over)
    {
        QTest::mousePress(from, Qt::LeftButton);
        for (KeyboardBtn *k : over)
            moveOver(from, k);
        const QPoint end = from->mapFromGlobal(over.last()->mapToGlobal(over.last()->rect().center()));
        QTest::mouseRelease(from, Qt::LeftButton, {}, end);
    }
    LightingPresetStore::Preset storedPreset(int n) const { return LightingPresetStore().load()[n]; }

    QTemporaryDir dir;
    QStringList questions;
    bool answer = true;
    bool read = false;
};

void wheelDrag(ColorWheel *w, const QList<QPointF> &points)
{
    QTest::mousePress(w, Qt::LeftButton, {}, points.first().toPoint());
    for (const QPointF &p : points.mid(1)) {
        QMouseEvent me(QEvent::MouseMove, p, w->mapToGlobal(p.toPoint()), Qt::NoButton, Qt::LeftButton,
                       Qt::NoModifier);
        QApplication::sendEvent(w, &me);
    }
    QTest::mouseRelease(w, Qt::LeftButton, {}, points.last().toPoint());
}

#ifdef Q_OS_UNIX
// The folder read-only while it lives. Root ignores permissions, so root
// takes an unprivileged effective user meanwhile.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString &folder, const QString &parent)
        : m_folder(folder), m_parent(parent), m_folderPerms(QFile::permissions(folder)),
          m_parentPerms(QFile::permissions(parent))
    {
        const auto readOnly = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                              QFile::ReadOther | QFile::ExeOther;
        QFile::setPermissions(folder, readOnly);
        QFile::setPermissions(parent, m_parentPerms | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                          QFile::ExeOther);
        if (geteuid() == 0)
            m_droppedRoot = seteuid(65534) == 0;
    }
    ~ReadOnlyFolder()
    {
        if (m_droppedRoot && seteuid(0) != 0)
            qFatal("cannot take back the root user");
        QFile::setPermissions(m_parent, m_parentPerms);
        QFile::setPermissions(m_folder, m_folderPerms);
    }
    bool holds() const
    {
        QFile probe(m_folder + "/probe");
        if (!probe.open(QIODevice::WriteOnly))
            return true;
        probe.remove();
        return false;
    }

private:
    QString m_folder, m_parent;
    QFile::Permissions m_folderPerms, m_parentPerms;
    bool m_droppedRoot = false;
};
#endif

} // namespace

class TestLighting : public QObject {
    Q_OBJECT
private slots:
    void wheelGeometryAndDrags();
    void presetStringsAndFile();
    void keyboardStateIsShownNotSent();
    void controlsWriteTheirOwnField();
    void superLightSpeedQuestion();
    void presetsAndPainting();
    void chooserColourPaintsKeys();
    void profileShownAndApplied();
    void presetWriteFailureIsReported();
};

void TestLighting::wheelGeometryAndDrags()
{
    ColorWheel w;
    w.resize(200, 100);
    w.show();
    // The largest centred square, a ring of a tenth of it, the square inside.
    QCOMPARE(w.drawingSquare(), QRectF(50, 0, 100, 100));
    QCOMPARE(w.ringWidth(), 10);
    QCOMPARE(w.outerRadius(), 48.0);
    QCOMPARE(w.innerRadius(), 38.0);
    QVERIFY(qAbs(w.svSquare().width() - 2 * 36 / std::sqrt(2.0)) < 1e-9);
    QCOMPARE(w.svSquare().center(), QPointF(100, 50));
    w.resize(300, 340);
    QCOMPARE(w.ringWidth(), 30);
    QCOMPARE(w.drawingSquare(), QRectF(0, 20, 300, 300));
    w.resize(200, 100);

    // Hue counter-clockwise from three o'clock, with 3.14 for pi (so 45
    // degrees up and right is 44, down and left 224), held to 0..359 either
    // side of three o'clock.
    const QPointF c(100, 50);
    QCOMPARE(w.hueAt(c + QPointF(0, -43)), 90);
    QCOMPARE(w.hueAt(c + QPointF(30, -30)), 44);
    QCOMPARE(w.hueAt(c + QPointF(-30, -30)), 135);
    QCOMPARE(w.hueAt(c + QPointF(-43, 0)), 179);
    QCOMPARE(w.hueAt(c + QPointF(-30, 30)), 224);
    QCOMPARE(w.hueAt(c + QPointF(0, 43)), 270);
    QCOMPARE(w.hueAt(c + QPointF(30, 30)), 315);
    QCOMPARE(w.hueAt(c + QPointF(43, 0.01)), 359);
    QCOMPARE(w.hueAt(c + QPointF(43, -0.01)), 0);
    // Saturation across, value down, held to the square.
    const QRectF sq = w.svSquare();
    QCOMPARE(w.saturationValueAt(sq.topLeft()), qMakePair(0, 0));
    QCOMPARE(w.saturationValueAt(sq.center()), qMakePair(128, 128));
    QCOMPARE(w.saturationValueAt(sq.bottomRight() + QPointF(20, 20)), qMakePair(255, 255));

    // Drags: a hue drag keeps following the angle off the ring; a press
    // outside ring and square does nothing.
    QSignalSpy changed(&w, &ColorWheel::colorChanged);
    wheelDrag(&w, {c + QPointF(0, -43), c + QPointF(-80, 0)});
    QCOMPARE(w.color().hsvHue(), 179);
    QCOMPARE(w.color().hsvSaturation(), 255);
    wheelDrag(&w, {sq.center(), sq.topLeft() + QPointF(-30, sq.height() / 4)});
    QCOMPARE(w.color().hsvHue(), 179);
    QCOMPARE(w.color().hsvSaturation(), 0);
    QCOMPARE(w.color().value(), qRound(0.25 * 255));
    const int signals_ = changed.count();
    wheelDrag(&w, {QPointF(5, 5), c + QPointF(0, 43)});
    QCOMPARE(changed.count(), signals_);
    // A grey keeps the hue shown; a hidden wheel says nothing.
    w.setColor(QColor(90, 90, 90));
    QCOMPARE(w.color().hsvHue(), 179);
    w.hide();
    w.setColor(Qt::blue);
    QCOMPARE(changed.count(), signals_ + 1);
}

void TestLighting::presetStringsAndFile()
{
    // W (35) is written before A (51), and read back.
    const QMap<int, QColor> aw = {{TypeA, Qt::red}, {TypeW, Qt::blue}};
    QCOMPARE(writePresetString(aw), QStringLiteral("35#0#0#255|51#255#0#0|"));
    QCOMPARE(readPresetString(writePresetString(aw)), aw);
    // Entries of the wrong shape, key or range are skipped; the rest read.
    QCOMPARE(readPresetString("1#2#3|x#1#2#3|5#1#2#3#4|7#300#0#0|169#1#1#1|-1#0#0#0||9#10#20#30|0#1#2"),
             (QMap<int, QColor>{{9, QColor(10, 20, 30)}}));

    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    // No file: every preset starts as our factory preset; the file is made
    // by the first save.
    LightingPresetStore store;
    QCOMPARE(store.path(), PresetsFile);
    const LightingPresetStore::Presets fresh = store.load();
    QCOMPARE(fresh[1], LightingPresetStore::builtIn(1));
    QCOMPARE(fresh[1].value(TypeW), QColor(255, 40, 0));
    QVERIFY(fresh[1].size() > 80);
    QVERIFY(!QFile::exists(PresetsFile));
    QVERIFY(store.save(2, aw));
    QFile file(PresetsFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("rgbPresuppose3=35#0#0#255|51#255#0#0|"));
    QCOMPARE(LightingPresetStore().load()[2], aw);

    // The file's factory presets win over ours; a saved empty preset stays
    // empty; a damaged entry loses only its bad parts.
    {
        const auto settings = openIniSettings(PresetsFile);
        settings->setValue("rootPresuppose1", "52#1#2#3|");
        settings->setValue("rgbPresuppose5", "");
        settings->setValue("rgbPresuppose6", "35#1#2#3|junk|51#9#9#");
    }
    QCOMPARE(store.factory(0), (QMap<int, QColor>{{TypeS, QColor(1, 2, 3)}}));
    QCOMPARE(store.factory(3), LightingPresetStore::builtIn(3));
    const LightingPresetStore::Presets loaded = store.load();
    QVERIFY(loaded[4].isEmpty());
    QCOMPARE(loaded[5], (QMap<int, QColor>{{TypeW, QColor(1, 2, 3)}}));
    QDir::setCurrent(QDir::tempPath());
}

void TestLighting::keyboardStateIsShownNotSent()
{
    // Read back: keyboard mode 16 (preset 3) with 7 minutes of sleep.
    LightRig r([](VirtualKeyboard::State &s) {
        s.lighting.bitmap = Kb2LightingBits::On | Kb2LightingBits::Reversed;
        s.lighting.rgbMode = 16;
        s.lighting.rgbSleep = 7;
        s.lighting.grayscale = 2;
        s.lighting.rgbSpeed = 1;
        s.keyColours[0] = Rgb{1, 2, 3};
    });
    QVERIFY(r.read);
    ColorConfigWgt &page = r.page;
    QVERIFY(page.effectButton(15)->isChecked());
    QCOMPARE(page.effectButton(15)->text(), QStringLiteral("静态灯光"));
    QCOMPARE(r.chooser()->currentPreset(), 2);
    QVERIFY(r.chooser()->presetButton(2)->isChecked());
    QCOMPARE(page.sleepBox()->currentText(), QStringLiteral("10 min"));
    QCOMPARE(page.brightnessSlider()->value(), 2);
    QCOMPARE(page.speedSlider()->value(), 1);
    QCOMPARE(page.speedValue()->text(), QStringLiteral("1"));
    QVERIFY(page.directionSwitch()->isChecked());
    QCOMPARE(page.directionText()->text(), QStringLiteral("正向"));
    QCOMPARE(page.mode(), 15);
    QVERIFY(page.isPerKeyColouring());
    // The keyboard's colour table (read before its mode) became the preset
    // it runs, on file too; the others are left alone.
    const int esc = 0;
    QCOMPARE(r.chooser()->preset(2).value(esc), QColor(1, 2, 3));
    QCOMPARE(r.storedPreset(0), LightingPresetStore::builtIn(0));
    QCOMPARE(r.storedPreset(2).value(esc), QColor(1, 2, 3));
    QCOMPARE(r.key(esc, 3)->keyColour(), QColor(1, 2, 3));

    // Later reports: an effect with the light off shows "no effect" and
    // hides the rows; minutes past the list leave the box; a mode past the
    // presets shows the last one. Nothing goes back.
    STU_BoardFromPRGB rec;
    rec.bitmap = 0;
    rec.rgb_mode = 4;
    rec.rgb_sleep = 121;
    emit r.rig.worker->reports()->sigKB2ColorLights(QVariant::fromValue(rec));
    QCoreApplication::processEvents(); // the controller hears it queued
    QVERIFY(page.effectButton(0)->isChecked());
    QVERIFY(!page.speedRow()->isVisibleTo(&page) && !page.sleepRow()->isVisibleTo(&page));
    QVERIFY(!page.directionRow()->isVisibleTo(&page));
    QCOMPARE(page.sleepBox()->currentText(), QStringLiteral("10 min"));
    QVERIFY(!r.chooser()->presetButton(2)->isChecked());
    QVERIFY(!page.isPerKeyColouring());
    rec.bitmap = Kb2LightingBits::On;
    emit r.rig.worker->reports()->sigKB2ColorLights(QVariant::fromValue(rec));
    QCoreApplication::processEvents(); // the controller hears it queued
    QVERIFY(page.effectButton(5)->isChecked());
    QVERIFY(page.speedRow()->isVisibleTo(&page));
    rec.rgb_mode = 25;
    rec.rgb_sleep = 0;
    emit r.rig.worker->reports()->sigKB2ColorLights(QVariant::fromValue(rec));
    QCoreApplication::processEvents(); // the controller hears it queued
    QCOMPARE(r.chooser()->currentPreset(), 5);
    QCOMPARE(page.sleepBox()->currentText(), QStringLiteral("从不"));
    QVERIFY(r.rig.waitIdle());
    QCOMPARE(r.frames(), 0);
}

void TestLighting::controlsWriteTheirOwnField()
{
    LightRig r;
    QVERIFY(r.read);
    ColorConfigWgt &page = r.page;
    // Running an effect, the keyboard's colour table belongs to no preset.
    QCOMPARE(r.storedPreset(0), LightingPresetStore::builtIn(0));
    // Acts, then checks that only the named fields of the keyboard's record
    // changed, and the profile member.
    auto expect = [&](const std::function<void()> &act, const QStringList &fields) {
        const Lights before = r.lights();
        act();
        QVERIFY(r.rig.waitIdle());
        QCOMPARE(changedFields(before, r.lights()), fields);
    };

    // Effect 5: keyboard mode 4 with the light on; the rows appear.
    expect([&] { r.click(page.effectButton(5)); }, {"on", "mode"});
    QCOMPARE(r.lights().rgbMode, quint8(4));
    QCOMPARE(r.rgbGroup()["rgb-mode"].toInt(), 5);
    QVERIFY(page.sleepRow()->isVisibleTo(&page));
    expect([&] { r.click(page.effectButton(9)); }, {"mode"});
    QCOMPARE(r.lights().rgbMode, quint8(8));

    expect([&] { r.press(page.brightnessSlider(), Qt::Key_Left); }, {"brightness"});
    QCOMPARE(r.lights().grayscale, quint8(3));
    QCOMPARE(r.rgbGroup()["rgb-luminance"].toInt(), 3);

    expect([&] { r.press(page.speedSlider(), Qt::Key_Home); }, {"speed"});
    QCOMPARE(r.lights().rgbSpeed, quint8(0));
    QCOMPARE(page.speedValue()->text(), QStringLiteral("0"));
    QCOMPARE(r.rgbGroup()["rgb-speed"].toInt(), 0);

    // "Never" is 0 minutes, on the keyboard and in the profile.
    expect([&] { r.press(page.sleepBox(), Qt::Key_Home); }, {"sleep"});
    QCOMPARE(r.lights().rgbSleep, quint8(1));
    expect([&] { r.press(page.sleepBox(), Qt::Key_End); }, {"sleep"});
    QCOMPARE(page.sleepBox()->currentText(), QStringLiteral("从不"));
    QCOMPARE(r.lights().rgbSleep, quint8(0));
    QCOMPARE(r.rgbGroup()["rgb-sleep"].toInt(), 0);
    expect([&] { r.press(page.sleepBox(), Qt::Key_Up); }, {"sleep"});
    QCOMPARE(r.lights().rgbSleep, quint8(120));
    QCOMPARE(r.rgbGroup()["rgb-sleep"].toInt(), 120);

    // The direction row is titled "反向"; beside its switch "正向" when on,
    // "反向" when off. On still sets the reversed bit and "rgb-direction".
    QCOMPARE(page.directionRow()->findChildren<QLabel *>().first()->text(), QStringLiteral("反向"));
    expect([&] { r.click(page.directionSwitch()); }, {"reversed"});
    QVERIFY(r.lights().bitmap & Kb2LightingBits::Reversed);
    QVERIFY(r.rgbGroup()["rgb-direction"].toBool());
    QCOMPARE(page.directionText()->text(), QStringLiteral("正向"));
    expect([&] { r.click(page.directionSwitch()); }, {"reversed"});
    QVERIFY(!(r.lights().bitmap & Kb2LightingBits::Reversed));
    QVERIFY(!r.rgbGroup()["rgb-direction"].toBool());
    QCOMPARE(page.directionText()->text(), QStringLiteral("反向"));

    // "No effect" clears the light's flag and keeps the effect number.
    expect([&] { r.click(page.effectButton(0)); }, {"on"});
    QCOMPARE(r.rgbGroup()["rgb-mode"].toInt(), 0);
    QVERIFY(!page.speedRow()->isVisibleTo(&page));
    QVERIFY(page.brightnessSlider()->isVisibleTo(&page));
}

void TestLighting::superLightSpeedQuestion()
{
    LightRig r;
    QVERIFY(r.read);
    ColorConfigWgt &page = r.page;
    QSignalSpy closed(SignalObject::instance(), &SignalObject::sigCloseLightSpeedMode);
    r.click(page.effectButton(3));
    QVERIFY(r.rig.waitIdle());
    QVERIFY(r.questions.isEmpty()); // not in that mode: nobody is asked
    const QJsonObject profile = r.rgbGroup();
    const Lights before = r.lights();
    r.rig.kb.clearFrameLog();

    // "No": every control goes back, and nothing is sent or stored.
    // The keyboard says it is in super-light-speed mode.
    r.config.noteFromKeyboard([](KeyboardConfig &c) { c.performance.superLightSpeed = true; });
    r.answer = false;
    r.press(page.brightnessSlider(), Qt::Key_Left);
    r.press(page.speedSlider(), Qt::Key_Left);
    r.press(page.sleepBox(), Qt::Key_Home);
    r.click(page.directionSwitch());
    r.click(page.effectButton(7));
    r.click(r.chooser()->presetButton(1));
    QVERIFY(r.rig.waitIdle());
    QCOMPARE(r.questions.size(), 6);
    QCOMPARE(r.questions.first(),
             QStringLiteral("超光速提示:当前处于超光速模式，RGB灯效被禁用，是否退出超光速模式？"));
    QCOMPARE(page.brightnessSlider()->value(), 4);
    QCOMPARE(page.speedSlider()->value(), 4);
    QCOMPARE(page.speedValue()->text(), QStringLiteral("4"));
    QCOMPARE(page.sleepBox()->currentText(), QStringLiteral("10 min"));
    QVERIFY(!page.directionSwitch()->isChecked());
    QVERIFY(page.effectButton(3)->isChecked());
    QVERIFY(!r.chooser()->presetButton(1)->isChecked());
    QCOMPARE(r.frames(), 0);
    QCOMPARE(r.rgbGroup(), profile);
    QVERIFY(changedFields(before, r.lights()).isEmpty());
    QCOMPARE(closed.count(), 0);

    // "Yes": the change goes out and the mode is left, once per change.
    r.answer = true;
    r.press(page.brightnessSlider(), Qt::Key_Left);
    QVERIFY(r.rig.waitIdle());
    QCOMPARE(r.lights().grayscale, quint8(3));
    QCOMPARE(r.rgbGroup()["rgb-luminance"].toInt(), 3);
    QCOMPARE(closed.count(), 1);
}

void TestLighting::presetsAndPainting()
{
    LightRig r({}, [] { openIniSettings(PresetsFile)->setValue("rgbPresuppose2", "35#0#0#255|51#255#0#0|"); });
    QVERIFY(r.read);
    ColorConfigWgt &page = r.page;
    QVERIFY(!r.chooser()->fillAllButton()->isEnabled());

    // Preset 2: mode 16 (keyboard 15) and its colours, every key not in it dark.
    const LightingSettings lightingBefore = r.config.config().lighting;
    r.click(r.chooser()->presetButton(1));
    QVERIFY(r.rig.waitIdle());
    QCOMPARE(r.lights().rgbMode, quint8(15));
    QVERIFY(r.lights().bitmap & Kb2LightingBits::On);
    QCOMPARE(r.rgbGroup()["rgb-mode"].toInt(), 16);
    QVERIFY(r.colourOf(TypeW) == rgb(Qt::blue));
    QVERIFY(r.colourOf(TypeA) == rgb(Qt::red));
    QVERIFY(r.colourOf(TypeS) == rgb(Qt::black));
    QVERIFY(page.effectButton(15)->isChecked());
    QVERIFY(r.chooser()->presetButton(1)->isChecked());
    QCOMPARE(r.key(TypeW, 2)->keyColour(), QColor(Qt::blue));
    QVERIFY(r.chooser()->fillAllButton()->isEnabled());
    // Its effect and its colours are one step: undone together, then redone.
    QUndoStack *history = r.config.history();
    QCOMPARE(history->count(), 1);
    QCOMPARE(history->undoText(), QString("预设2"));
    history->undo();
    QVERIFY(r.rig.waitIdle());
    QVERIFY(r.config.config().lighting == lightingBefore);
    QCOMPARE(bool(r.lights().bitmap & Kb2LightingBits::On), lightingBefore.mode > 0);
    QVERIFY(!(r.colourOf(TypeW) == rgb(Qt::blue)));
    history->redo();
    QVERIFY(r.rig.waitIdle());
    QVERIFY(r.lights().rgbMode == 15 && r.colourOf(TypeW) == rgb(Qt::blue));

    // A click paints one key: on the keyboard and into the preset's file entry.
    r.chooser()->setColor(QColor(0, 200, 100));
    r.rig.kb.clearFrameLog();
    r.click(r.key(TypeS));
    QVERIFY(r.rig.waitIdle());
    QVERIFY(r.colourOf(TypeS) == (Rgb{0, 200, 100}));
    QCOMPARE(r.frames(Kb2Cmd::KRGB), 1);
    QCOMPARE(r.storedPreset(1).value(TypeS), QColor(0, 200, 100));
    QCOMPARE(r.storedPreset(1).value(TypeW), QColor(Qt::blue));

    // A drag over Q W E R T (and back over W) paints as it goes and sends
    // each key once, in one record, when the button is let go.
    r.chooser()->setColor(QColor(250, 10, 200));
    r.rig.kb.clearFrameLog();
    KeyboardBtn *q = r.key(TypeQ);
    QTest::mousePress(q, Qt::LeftButton);
    for (int type : {TypeW, TypeE, TypeR, TypeT, TypeW})
        LightRig::moveOver(q, r.key(type));
    QCOMPARE(r.key(TypeE, 1)->keyColour(), QColor(250, 10, 200));
    QVERIFY(r.rig.waitIdle());
    QCOMPARE(r.frames(), 0);
    QTest::mouseRelease(q, Qt::LeftButton);
    QVERIFY(r.rig.waitIdle());
    QCOMPARE(r.frames(Kb2Cmd::KRGB), 1);
    QCOMPARE(r.frames(), 1);
    for (int type : {TypeQ, TypeW, TypeE, TypeR, TypeT}) {
        QVERIFY(r.colourOf(type) == (Rgb{250, 10, 200}));
        QCOMPARE(r.storedPreset(1).value(type), QColor(250, 10, 200));
    }
    // Released back on the key it started from: its click is the drag's.
    r.rig.kb.clearFrameLog();
    r.drag(r.key(TypeH), {r.key(TypeA), r.key(TypeH)});
    QVERIFY(r.rig.waitIdle());
    QCOMPARE(r.frames(), 1);
    QVERIFY(r.colourOf(TypeA) == (Rgb{250, 10, 200}));

    // Fill: every key of the layout, as whole colour records.
    r.chooser()->setColor(QColor(7, 8, 9));
    r.rig.kb.clearFrameLog();
    r.click(r.chooser()->fillAllButton());
    QVERIFY(r.rig.waitIdle());
    const int keys = r.view[0]->buttons().size();
    QCOMPARE(r.frames(Kb2Cmd::KRGB), (keys + 13) / 14);
    QVERIFY(r.colourOf(TypeW) == (Rgb{7, 8, 9}));
    QCOMPARE(r.storedPreset(1).size(), keys);

    // Resetting the current preset brings the factory one back, on file
    // and (in per-key mode) on the keyboard.
    r.click(r.chooser()->resetCurrentButton());
    QVERIFY(r.rig.waitIdle());
    const LightingPresetStore::Preset factory = LightingPresetStore::builtIn(1);
    QCOMPARE(r.storedPreset(1), factory);
    QVERIFY(r.colourOf(TypeW) == rgb(factory.value(TypeW)));
    QVERIFY(r.colourOf(TypeA) == rgb(factory.value(TypeA)));

    // Back to an effect: presets unchecked, clicks paint nothing.
    r.click(page.effectButton(2));
    QVERIFY(!r.chooser()->presetButton(1)->isChecked());
    QVERIFY(!r.chooser()->fillAllButton()->isEnabled());
    QVERIFY(r.rig.waitIdle());
    r.rig.kb.clearFrameLog();
    r.click(r.key(TypeS));
    r.drag(r.key(TypeQ), {r.key(TypeW)});
    QVERIFY(r.rig.waitIdle());
    QCOMPARE(r.frames(), 0);
    QCOMPARE(r.key(TypeS)->keyColour(), KeyboardBtn::NeutralColour);

    // Reset all: every preset is the factory one again.
    r.click(r.chooser()->resetAllButton());
    for (int n = 0; n < Lighting::PresetCount; ++n)
        QCOMPARE(r.storedPreset(n), LightingPresetStore::builtIn(n));
}

void TestLighting::chooserColourPaintsKeys()
{
    LightRig r;
    QVERIFY(r.read);
    ColorChooseWgt *c = r.chooser();
    r.click(c->presetButton(0));
    ColorWheel *w = c->wheel();

    // A hue drag on the ring, then down the square: the fields follow.
    const QPointF centre = w->drawingSquare().center();
    const double mid = (w->outerRadius() + w->innerRadius()) / 2;
    wheelDrag(w, {centre + QPointF(-mid, -0.5)});
    QCOMPARE(c->field(3)->value(), 179);
    const QRectF sq = w->svSquare();
    wheelDrag(w, {sq.center(), sq.bottomRight() + QPointF(5, 5)});
    QCOMPARE(c->field(4)->value(), 255);
    QCOMPARE(c->field(5)->value(), 255);
    const QColor dragged(QColor::fromHsv(179, 255, 255).rgb());
    QCOMPARE(c->field(0)->value(), dragged.red());
    QCOMPARE(c->field(1)->value(), dragged.green());
    QCOMPARE(c->field(2)->value(), dragged.blue());
    QCOMPARE(c->paintColor(), dragged);
    r.click(r.key(TypeE));

    // Typed R/G/B is the colour exactly; the wheel and H/S/V follow.
    QSpinBox *red = c->field(0)->spinBox();
    red->setFocus();
    red->selectAll();
    QTest::keyClicks(red, "200");
    QTest::keyClick(red, Qt::Key_Return);
    const QColor typed(200, dragged.green(), dragged.blue());
    QCOMPARE(c->paintColor(), typed);
    QCOMPARE(c->field(3)->value(), typed.toHsv().hsvHue());
    QCOMPARE(w->color().hsvHue(), typed.toHsv().hsvHue());
    r.click(r.key(TypeR));

    // A swatch button, and the recent colours offered back.
    r.click(c->swatchButton(11));
    QCOMPARE(c->paintColor(), QColor(251, 218, 65));
    QVERIFY(c->swatchButton(11)->isChecked());
    r.click(r.key(TypeT));
    QVERIFY(r.rig.waitIdle());
    QVERIFY(r.colourOf(TypeE) == rgb(dragged));
    QVERIFY(r.colourOf(TypeR) == rgb(typed));
    QVERIFY(r.colourOf(TypeT) == (Rgb{251, 218, 65}));
    QCOMPARE(c->swatches()->customColors(), (QList<QColor>{QColor(251, 218, 65), typed, dragged}));
    r.click(c->swatches()->customButton(2));
    QCOMPARE(c->paintColor(), dragged);
    QVERIFY(!c->swatchButton(11)->isChecked());
}

void TestLighting::profileShownAndApplied()
{
    LightRig r;
    QVERIFY(r.read);
    ColorConfigWgt &page = r.page;
    ProfileData profile = defaultProfile();
    LightingSettings l;
    l.mode = 7;
    l.brightness = 1;
    l.speed = 2;
    l.sleep = 200;
    l.direction = true;
    profile.lighting = l;

    // The plan sends the five values in one lighting write; the page shows
    // them and sends nothing. A stored sleep past the list shows 120 min.
    const QList<ProfileStep> plan = planWholeProfileOn(r.rig.worker->board(), profile, {});
    QVERIFY(runProfileStep(plan.first(), *r.rig.worker));
    QVERIFY(r.rig.waitIdle());
    QCOMPARE(r.frames(Kb2Cmd::PRGB), 1);
    const Lights lights = r.lights();
    QCOMPARE(lights.rgbMode, quint8(6));
    QCOMPARE(lights.bitmap & (Kb2LightingBits::On | Kb2LightingBits::Reversed),
             Kb2LightingBits::On | Kb2LightingBits::Reversed);
    QCOMPARE(lights.grayscale, quint8(1));
    QCOMPARE(lights.rgbSpeed, quint8(2));
    QCOMPARE(lights.rgbSleep, quint8(200));
    r.rig.kb.clearFrameLog();
    page.showProfile(profile);
    QVERIFY(page.effectButton(7)->isChecked());
    QCOMPARE(page.brightnessSlider()->value(), 1);
    QCOMPARE(page.speedValue()->text(), QStringLiteral("2"));
    QVERIFY(page.directionSwitch()->isChecked());
    QCOMPARE(page.sleepBox()->currentText(), QStringLiteral("120 min"));
    // A per-key profile shows its preset.
    l.mode = 17;
    l.sleep = 0;
    profile.lighting = l;
    page.showProfile(profile);
    QVERIFY(page.effectButton(15)->isChecked());
    QCOMPARE(r.chooser()->currentPreset(), 2);
    QCOMPARE(page.sleepBox()->currentText(), QStringLiteral("从不"));
    QVERIFY(r.rig.waitIdle());
    QCOMPARE(r.frames(), 0);
}

void TestLighting::presetWriteFailureIsReported()
{
#ifdef Q_OS_UNIX
    LightRig r({}, [] { openIniSettings(PresetsFile)->setValue("rgbPresuppose1", "35#0#0#255|"); });
    QVERIFY(r.read);
    r.click(r.chooser()->presetButton(0));
    QFile file(PresetsFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    QSignalSpy toasts(SignalObject::instance(), &SignalObject::sigShowToastTip);
    r.chooser()->setColor(QColor(1, 1, 1));
    {
        ReadOnlyFolder readOnly(r.dir.path() + "/config", r.dir.path());
        if (!readOnly.holds())
            QSKIP("cannot make the presets folder read-only here");
        r.click(r.key(TypeS));
        QVERIFY(!LightingPresetStore().save(0, {}));
    }
    // The keyboard has the colour; the file is as it was; the user is told once.
    QVERIFY(r.rig.waitIdle());
    QVERIFY(r.colourOf(TypeS) == (Rgb{1, 1, 1}));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
    QCOMPARE(toasts.count(), 1);
    QCOMPARE(toasts.first().at(0).value<ToastType>(), ToastType::Error);
    QVERIFY(toasts.first().at(2).toString().contains("config/settings.ini"));
#else
    QSKIP("needs Unix permissions to make the write fail");
#endif
}

QTEST_MAIN(TestLighting)
#include "test_lighting.moc"
