// What the key test's stream means, without a widget: setting travel by
// pressing.

#include "TravelByPress.h"

#include <QtTest>

namespace {

QList<QList<quint16>> round(std::initializer_list<std::tuple<int, int, quint16>> cells)
{
    QList<QList<quint16>> t;
    for (int row = 0; row < 6; ++row)
        t << QVector<quint16>(21, 0).toList();
    for (const auto &[row, column, um] : cells)
        t[row][column] = um;
    return t;
}

} // namespace

class TestLiveTravel : public QObject {
    Q_OBJECT
private slots:
    void travelByPressing();
};

// The deepest depth of each key becomes its travel, on the keyboard's scale;
// held keys count from the start, light touches and keys outside the matrix
// do not, and nothing is kept past the end of a watch.
void TestLiveTravel::travelByPressing()
{
    const TravelScale scale = TravelScale::fromKeyboard(0.01, 100, 4000);
    TravelByPress rule;
    QVERIFY(!rule.start({{7, 6, 0}, {8, 0, 21}}, {})); // no place in the matrix
    QVERIFY(!rule.isWatching());

    // A held at 1.237 mm at the click; S at 0.9, then 1.231; D touched at
    // 0.099 mm only; F pressed past the maximum; a round that lacks a row.
    QVERIFY(rule.start({{1, 2, 1}, {2, 2, 2}, {3, 2, 3}, {4, 2, 4}, {9, 7, 1}},
                       round({{2, 1, 1237}, {2, 2, 900}})));
    QCOMPARE(rule.watchedIds(), QList<int>({1, 2, 3, 4}));
    rule.addRound(round({{2, 1, 10}, {2, 2, 1231}, {2, 3, 99}, {2, 4, 4100}}));
    rule.addRound(QList<QList<quint16>>() << QList<quint16>());
    QCOMPARE(rule.deepestUm(1), 1237);
    QCOMPARE(rule.deepestUm(2), 1231);
    const TravelByPress::Result r = rule.finish(scale);
    QVERIFY(!rule.isWatching());
    QCOMPARE(r.travelUm.value(1), 1230);
    QCOMPARE(r.travelUm.value(2), 1230);
    QCOMPARE(r.travelUm.value(4), 4000);
    QCOMPARE(r.unpressed, QList<int>({3}));
    QCOMPARE(r.travelUm.size(), 3);

    // A round after the end, or after a cancel, counts for nothing.
    rule.addRound(round({{2, 1, 3000}}));
    QVERIFY(rule.finish(scale).travelUm.isEmpty());
    QVERIFY(rule.start({{1, 2, 1}}, {}));
    rule.cancel();
    rule.addRound(round({{2, 1, 3000}}));
    QVERIFY(rule.start({{1, 2, 1}}, {}));
    QCOMPARE(rule.finish(scale).unpressed, QList<int>({1}));
}

QTEST_MAIN(TestLiveTravel)
#include "test_livetravel.moc"
