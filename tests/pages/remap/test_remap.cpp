// The key remapping page driven as a user drives it (layout buttons, clicks
// on the keys of a layer's view, picker clicks and picker drags) against the
// virtual keyboard: what each layer of the keyboard and of the profile holds
// afterwards.

#include "AppParams.h"
#include "CustomKeySetPageWgt.h"
#include "KeyChooseBtn.h"
#include "KeyChooseWgt.h"
#include "KeyTypeTable.h"
#include "KeyboardBaseWgt.h"
#include "KeyboardDeck.h"
#include "KeyboardModels.h"
#include "PredefinedLayouts.h"
#include "ProfileManager.h"
#include "PageRig.h"

#include <QDragEnterEvent>
#include <QJsonObject>
#include <QLabel>
#include <QMimeData>
#include <QToolButton>
#include <QTranslator>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

namespace {

int type(const char *name)
{
    return keyTypeFromName(QString::fromUtf8(name));
}

// The remapping page on the keyboard views, heard by the read-back.
struct RemapRig : PageRig<CustomKeySetPageWgt> {
    RemapRig()
    {
        rig.kb.fillDistinctive(); // every layer differs from the keys' own types
        build();
        read = readBack(false);
    }

    void setLayer(int layer) { deck.setCurrentLayer(layer); }
    KeyboardBtn *key(int layer, int t) const { return view[layer]->buttonForType(t); }
    QJsonObject stored(int layer) const
    {
        return manager.currentDocument()["KeyCustom"].toObject()[QStringLiteral("fn%1-layout").arg(layer)].toObject();
    }
    KeyChooseBtn *pickerKey(int t) const
    {
        for (KeyChooseBtn *b : page.picker()->keyButtons())
            if (b->type() == t)
                return b;
        return nullptr;
    }
    // The picker's own drag payload, dropped on a key.
    static void drag(KeyChooseBtn *from, KeyboardBtn *to)
    {
        std::unique_ptr<QMimeData> data(from->dragData());
        QDragEnterEvent enter(QPoint(5, 5), Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(to, &enter);
        QDropEvent drop(QPointF(5, 5), Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(to, &drop);
    }

    bool read = false;
};

// Translates every text to "EN:" + source, to see which texts follow a
// language change.
class MarkingTranslator : public QTranslator {
public:
    bool isEmpty() const override { return false; }
    QString translate(const char *, const char *source, const char *, int) const override
    {
        return QStringLiteral("EN:") + QString::fromUtf8(source);
    }
};

} // namespace

class TestRemap : public QObject {
    Q_OBJECT
private slots:
    void layoutTables();
    void layoutsFollowTheirLayers();
    void singleKeysByPickerAndDrag();
    void languageChange();
};

// The six tables as the layouts are known: a mistyped key name would turn
// into Esc, and a table of the wrong size has lost or gained keys.
void TestRemap::layoutTables()
{
    const QList<QMap<int, int>> &layouts = predefinedLayouts();
    QCOMPARE(layouts.size(), PredefinedLayoutCount);
    const int sizes[] = {25, 9, 35, 18, 22, 27};
    for (int id = 0; id < PredefinedLayoutCount; ++id) {
        QCOMPARE(layouts.at(id).size(), sizes[id]);
        for (auto it = layouts.at(id).cbegin(); it != layouts.at(id).cend(); ++it)
            QVERIFY2(it.value() != 0 || it.key() == 0, qPrintable(QString::number(it.key())));
    }
    QCOMPARE(layouts.at(0).value(0), type("Reset"));
    QCOMPARE(layouts.at(1).value(type("L-Win")), 148);
    QCOMPARE(layouts.at(2).value(type("APP")), type("Fn"));
    QCOMPARE(layouts.at(5).value(type("P")), type("J"));
    QCOMPARE(layouts.at(5).value(type("L")), type("S"));
}

void TestRemap::layoutsFollowTheirLayers()
{
    RemapRig r;
    QVERIFY(r.read);
    SimRig &rig = r.rig;
    auto clickLayout = [&](int id) {
        QTest::mouseClick(r.page.layoutButton(id), Qt::LeftButton);
        QVERIFY(rig.waitIdle());
    };

    // "Dvorak" on layer 2 gives every key of the layer its own type back.
    r.setLayer(2);
    QVERIFY(rig.param(2, type("Q")) != keyTypeCode(type("Q")));
    clickLayout(2);
    int checked = 0;
    for (KeyboardBtn *b : r.view[2]->buttons()) {
        const int own = b->firstType();
        QCOMPARE(b->currentType(), own);
        QCOMPARE(r.stored(2)[QString::number(own)].toInt(), own);
        if (keyTypeHasCode(own) && keyTypeCode(own)) {
            QCOMPARE(rig.param(2, own), keyTypeCode(own));
            ++checked;
        }
    }
    QVERIFY(checked > 100);

    // "默认" on layer 1: media on F1..F12, lighting on the arrows.
    r.setLayer(1);
    clickLayout(DefaultLayoutId);
    const char *const fRow[] = {"Media", "Vol-", "Vol+", "Mute", "◄◄", "►►", "Play", "Stop", "Email", "3W", "File", "Calc"};
    for (int f = 1; f <= 12; ++f) {
        QCOMPARE(rig.param(1, f), keyTypeCode(type(fRow[f - 1])));
        QCOMPARE(r.stored(1)[QString::number(f)].toInt(), type(fRow[f - 1]));
    }
    const QPair<const char *, const char *> arrows[] = {{"↑", "Light+"}, {"←", "Spd-"}, {"↓", "Light-"}, {"→", "Spd+"}};
    for (const auto &a : arrows) {
        QCOMPARE(rig.param(1, type(a.first)), keyTypeCode(type(a.second)));
        QCOMPARE(r.key(1, type(a.first))->currentType(), type(a.second));
    }
    QCOMPARE(rig.param(1, type("A")), keyTypeCode(type("A"))); // not in the layout: its own type
    // ... and on layer 0 it restores the keys.
    r.setLayer(0);
    r.page.onBtnTypeClicked(DefaultLayoutId);
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.param(0, type("F1")), keyTypeCode(type("F1")));
    // The layer held its own types already: nothing changed, nothing stored.
    QCOMPARE(r.stored(0).value("1").toInt(type("F1")), type("F1"));

    // "ABC" on layer 0: Q becomes A, M becomes Z, the digits stay.
    clickLayout(5);
    QCOMPARE(rig.param(0, type("Q")), keyTypeCode(type("A")));
    QCOMPARE(rig.param(0, type("M")), keyTypeCode(type("Z")));
    QCOMPARE(rig.param(0, type("R-Alt")), keyTypeCode(type("Menu")));
    for (const char *digit : {"1", "5", "0"})
        QCOMPARE(rig.param(0, type(digit)), keyTypeCode(type(digit)));
    QCOMPARE(r.stored(0)[QString::number(type("Q"))].toInt(), type("A"));
    QCOMPARE(r.stored(0)[QString::number(type("M"))].toInt(), type("Z"));
    QCOMPARE(r.stored(0).size(), r.view[0]->buttons().size());
    // Layer 1 kept the default layout.
    QCOMPARE(rig.param(1, 1), keyTypeCode(type("Media")));
}

void TestRemap::singleKeysByPickerAndDrag()
{
    RemapRig r;
    QVERIFY(r.read);
    SimRig &rig = r.rig;
    const int E = type("E"), T = type("T"), U = type("U");
    for (int layer = 0; layer < 4; ++layer) {
        r.setLayer(layer);
        // Click a key, then a picker key.
        QTest::mouseClick(r.key(layer, T), Qt::LeftButton);
        QCOMPARE(r.key(layer, T)->legend(), QString());
        QTest::mouseClick(r.pickerKey(type("Vol+")), Qt::LeftButton);
        QVERIFY(rig.waitIdle());
        QCOMPARE(rig.param(layer, T), keyTypeCode(type("Vol+")));
        QCOMPARE(r.key(layer, T)->legend(), QStringLiteral("Vol+"));
        QCOMPARE(r.stored(layer)[QString::number(T)].toInt(), type("Vol+"));
        // A picker key dragged onto a key, without a click first.
        RemapRig::drag(r.pickerKey(type("Z")), r.key(layer, E));
        QVERIFY(rig.waitIdle());
        QCOMPARE(rig.param(layer, E), keyTypeCode(type("Z")));
        QCOMPARE(r.stored(layer)[QString::number(E)].toInt(), type("Z"));
    }
    // The Fn keys of a layer and the layers below it are refused there.
    r.setLayer(2);
    const quint16 before = rig.param(2, U);
    rig.kb.clearFrameLog();
    QTest::mouseClick(r.key(2, U), Qt::LeftButton);
    QTest::mouseClick(r.pickerKey(KeyTypeFn1), Qt::LeftButton);
    RemapRig::drag(r.pickerKey(KeyTypeFn2), r.key(2, U));
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.param(2, U), before);
    QVERIFY(rig.sentFrames().empty());
    RemapRig::drag(r.pickerKey(KeyTypeFn3), r.key(2, U));
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.param(2, U), quint16(0xF003));
}

void TestRemap::languageChange()
{
    RemapRig r;
    // The picker's title is on screen above its menu, and follows the language.
    auto title = [&r] {
        for (QLabel *l : r.page.picker()->findChildren<QLabel *>())
            if (l->text().endsWith(QStringLiteral("自定义按键")) && l->isVisibleTo(&r.window))
                return l->text();
        return QString();
    };
    QCOMPARE(title(), QStringLiteral("自定义按键"));
    MarkingTranslator translator;
    QCoreApplication::installTranslator(&translator);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    QCOMPARE(r.page.layoutButton(0)->text(), QStringLiteral("EN:默认"));
    QCOMPARE(r.page.layoutButton(1)->accessibleName(), QStringLiteral("EN:功能"));
    QCOMPARE(r.page.layoutButton(2)->text(), QStringLiteral("Dvorak"));
    QCOMPARE(r.page.picker()->menu()->topLevelItem(1)->text(0), QStringLiteral("EN:扩展字符"));
    QCOMPARE(title(), QStringLiteral("EN:自定义按键"));
    QCoreApplication::removeTranslator(&translator);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    QCOMPARE(r.page.layoutButton(0)->text(), QStringLiteral("默认"));
}

QTEST_MAIN(TestRemap)
#include "test_remap.moc"
