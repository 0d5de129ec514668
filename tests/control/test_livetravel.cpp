// What the key test's stream means, without a widget: setting travel by
// pressing, the scope's thresholds and marks, its recordings, and keys
// that drift at rest.

#include "KeyTrace.h"
#include "KeyTraceCsv.h"
#include "RestDrift.h"
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
    void thresholdsAndMarks();
    void recordingsRoundTripAndRefuseHostileFiles();
    void restDrift();
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

// A press, a partial release that re-triggers under rapid trigger, a bottom
// wobble inside the release dead zone, a release into the press dead zone
// and a press from rest again, one sample every 10 ms.
void TestLiveTravel::thresholdsAndMarks()
{
    const QVector<int> depths = {0,    500,  1000, 1500, 2000, 2500, 2400, 2200, 2100,
                                 2300, 2400, 3900, 3700, 3500, 1000, 150,  100,  1300};
    // The keyboard's state bits for the same stream: three actuations.
    const QVector<quint8> states = {0, 0, 0, 1, 1, 1, 1, 0, 0, 0, 1, 1, 1, 0, 0, 0, 0, 1};
    QVector<KeyTraceSample> trace;
    for (int i = 0; i < depths.size(); ++i)
        trace.append({i * 10, depths[i], states[i]});

    KeyTraceSettings rapid;
    rapid.actuationUm = 1200;
    rapid.rapid = true;
    rapid.pressUm = 300;
    rapid.releaseUm = 200;
    rapid.deadPressUm = 200;
    rapid.deadReleaseUm = 200;
    const KeyTriggerModel::Run run = KeyTriggerModel::run(trace, rapid);
    const QList<KeyTraceMark> expected = {{30, 1500, true},  {70, 2200, false}, {100, 2400, true},
                                          {130, 3500, false}, {170, 1300, true}};
    QCOMPARE(run.marks, expected);
    QCOMPARE(KeyTrace::reportedMarks(trace), expected);
    QCOMPARE(KeyTrace::actuationCount(trace), 3);
    // The lines follow the last turning point: the release line 0.2 mm
    // above the deepest point (the dead zone's edge at the bottom), the
    // press line 0.3 mm below the highest point since the release.
    QCOMPARE(run.steps[5].releaseLineUm, 2300);
    QCOMPARE(run.steps[5].pressLineUm, -1);
    QCOMPARE(run.steps[8].pressLineUm, 2400);
    QCOMPARE(run.steps[8].releaseLineUm, -1);
    QCOMPARE(run.steps[12].releaseLineUm, 3600);
    QCOMPARE(run.steps[15].pressLineUm, -1); // at rest: the actuation point again
    QCOMPARE(run.steps[15].releaseLineUm, -1);

    // Without rapid trigger only the actuation point counts.
    KeyTraceSettings plain = rapid;
    plain.rapid = false;
    const KeyTriggerModel::Run fixed = KeyTriggerModel::run(trace, plain);
    QCOMPARE(fixed.marks, QList<KeyTraceMark>({{30, 1500, true}, {140, 1000, false}, {170, 1300, true}}));
    for (const KeyTriggerModel::Step &step : fixed.steps)
        QVERIFY(step.pressLineUm < 0 && step.releaseLineUm < 0);

    QCOMPARE(keyTraceSummary("A", trace), QString("A：最大深度 3.90 mm，触发 3 次"));
    QCOMPARE(keyTraceSummary("A", {}), QString("A：最大深度 0.00 mm，触发 0 次"));
}

void TestLiveTravel::recordingsRoundTripAndRefuseHostileFiles()
{
    // Two keys, one of them the comma key, written and read back.
    const QVector<KeyTraceSample> a = {{0, 0, 0}, {5, 1500, 1}, {9, 65535, 255}};
    const QVector<KeyTraceSample> comma = {{0, 20, 0}, {5, 30, 0}};
    QByteArray csv = KeyTraceCsv::header();
    for (int i = 0; i < 3; ++i) {
        csv += KeyTraceCsv::line("A", a[i]);
        if (i < 2)
            csv += KeyTraceCsv::line(",\"", comma[i]);
    }
    QVERIFY(csv.contains("\",\"\"\",20,0"));
    KeyTraceCsv::Parsed p = KeyTraceCsv::parse(csv);
    QVERIFY2(p.error.isEmpty(), qPrintable(p.error));
    QCOMPARE(p.recording.keys, QStringList({"A", ",\""}));
    QCOMPARE(p.recording.samples[0], a);
    QCOMPARE(p.recording.samples[1], comma);
    // Windows line ends and a byte-order mark are taken.
    QByteArray crlf = "\xEF\xBB\xBF" + csv;
    crlf.replace("\n", "\r\n");
    QCOMPARE(KeyTraceCsv::parse(crlf).recording.samples, p.recording.samples);

    // Each fault fails the whole file, naming its line.
    const QByteArray h = KeyTraceCsv::header();
    const QList<QPair<QByteArray, QString>> bad = {
        {"", "第 1 行"},
        {"time,key,depth,state\n1,A,2,0\n", "第 1 行"},
        {h + "1,A,2\n", "第 2 行"},
        {h + "1,A,2,0,9\n", "第 2 行"},
        {h + "-1,A,2,0\n", "时间"},
        {h + "5,A,2,0\n4,A,2,0\n", "第 3 行"},
        {h + "99999999999,A,2,0\n", "时间"},
        {h + "1,A,65536,0\n", "深度"},
        {h + "1,A,2.5,0\n", "深度"},
        {h + "1,A,2,256\n", "状态"},
        {h + "1,,2,0\n", "按键名"},
        {h + "1,A\tB,2,0\n", "按键名"},
        {h + "1,\"A,2,0\n", "字段"},
        {h + "1,A\"B,2,0\n", "字段"},
        {h + "1,\xC3\x28,2,0\n", "按键名"},
        {h + "1," + QByteArray(300, 'A') + ",2,0\n", "太长"},
        {h + "1,A,1,0\n1,B,1,0\n1,C,1,0\n1,D,1,0\n1,E,1,0\n", "第 6 行"},
    };
    for (const auto &[bytes, why] : bad) {
        p = KeyTraceCsv::parse(bytes);
        QVERIFY2(p.error.contains(why), qPrintable(bytes.left(40) + " -> " + p.error));
        QVERIFY(p.recording.keys.isEmpty());
    }
    // The bounds on size and rows.
    QByteArray big = h;
    big.reserve(KeyTraceCsv::MaxRows * 9);
    for (int i = 0; i <= KeyTraceCsv::MaxRows; ++i)
        big += "1,A,2,0\n";
    QVERIFY(KeyTraceCsv::parse(big).error.contains(QString::number(KeyTraceCsv::MaxRows)));
    big = h + QByteArray(KeyTraceCsv::MaxBytes, '\n');
    QBuffer buffer(&big);
    buffer.open(QIODevice::ReadOnly);
    QVERIFY(KeyTraceCsv::read(&buffer).error.contains("MB"));
}

// Rounds every 100 ms: A rests at 0.2 mm, D jumps between 0.02 and
// 0.18 mm, S is pressed once; a rest counts once it lasted a second.
void TestLiveTravel::restDrift()
{
    RestDrift drift;
    drift.setKeys({{1, 2, 1}, {2, 2, 2}, {3, 2, 3}, {4, 9, 0}});
    auto feed = [&](qint64 t, quint16 s) {
        return drift.addRound(t, round({{2, 1, 200}, {2, 2, s}, {2, 3, quint16(t % 200 ? 180 : 20)}}));
    };
    for (int t = 0; t < 500; t += 100)
        QVERIFY(!feed(t, 20));
    QVERIFY(!feed(500, 2000)); // pressed: the rest starts again
    for (int t = 600; t < 1600; t += 100)
        QVERIFY(!feed(t, 20));
    QVERIFY(drift.findings().isEmpty());
    QVERIFY(feed(1600, 20));
    QCOMPARE(drift.findings(), QList<RestDrift::Finding>({{1, false, 200, 0}, {3, true, 20, 160}}));
    // A press keeps what the last rest found; a new key test forgets it.
    QVERIFY(!feed(1700, 3000));
    QCOMPARE(drift.findings().size(), 2);
    drift.reset();
    QVERIFY(drift.findings().isEmpty());
    // Keys at rest within the bounds are not listed.
    drift.setKeys({{2, 2, 2}});
    for (int t = 0; t < 1000; t += 100)
        QVERIFY(!feed(t, 150));
    QVERIFY(feed(1000, 150));
    QVERIFY(drift.findings().isEmpty());
}

QTEST_MAIN(TestLiveTravel)
#include "test_livetravel.moc"
