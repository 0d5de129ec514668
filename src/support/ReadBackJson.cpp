#include "ReadBackJson.h"

#include "KeyTypeTable.h"
#include "KeyboardSession.h"

#include <QJsonArray>

namespace {

template <typename T>
QJsonArray rows(const T *cells)
{
    QJsonArray out;
    for (int r = 0; r < KB2MatrixRows; ++r) {
        QJsonArray row;
        for (int c = 0; c < KB2MatrixCols; ++c)
            row.append(int(cells[r * KB2MatrixCols + c]));
        out.append(row);
    }
    return out;
}

template <typename T>
QJsonArray listRows(const QList<QList<T>> &list)
{
    QJsonArray out;
    for (const auto &row : list) {
        QJsonArray r;
        for (T v : row)
            r.append(int(v));
        out.append(r);
    }
    return out;
}

QJsonArray intList(const QList<int> &list)
{
    QJsonArray out;
    for (int v : list)
        out.append(v);
    return out;
}

QString hex32(quint32 v)
{
    return QLatin1String("0x") + QStringLiteral("%1").arg(v, 8, 16, QLatin1Char('0')).toUpper();
}

QString keyLabel(int type)
{
    const QString name = keyTypeName(type);
    return name.isEmpty() ? QString::number(type) : QStringLiteral("%1 (%2)").arg(type).arg(name);
}

QJsonObject advancedToJson(const QList<QVariant> &maps)
{
    QJsonObject out;
    for (const QVariant &v : maps) {
        if (v.userType() == qMetaTypeId<MapKB2DockerTDKS>()) {
            QJsonObject kind;
            const auto m = v.value<MapKB2DockerTDKS>();
            for (auto it = m.cbegin(); it != m.cend(); ++it) {
                QJsonArray travels;
                for (double t : it->touchDis)
                    travels.append(t);
                QJsonArray triggers;
                for (const QString &t : it->triggerValue)
                    triggers.append(t);
                kind.insert(keyLabel(it.key()), QJsonObject{{"bindKey", intList(it->bindKey)},
                                                           {"triggerValue", triggers},
                                                           {"touchDis", travels}});
            }
            out.insert("DKS", kind);
        } else if (v.userType() == qMetaTypeId<MapKB2DockerMPT>()) {
            QJsonObject kind;
            const auto m = v.value<MapKB2DockerMPT>();
            for (auto it = m.cbegin(); it != m.cend(); ++it)
                kind.insert(keyLabel(it.key()), QJsonObject{{"bindKey", intList(it->bindKey)},
                                                           {"triggerValue", intList(it->triggerValue)}});
            out.insert("MPT", kind);
        } else if (v.userType() == qMetaTypeId<MapKB2DockerMT>()) {
            QJsonObject kind;
            const auto m = v.value<MapKB2DockerMT>();
            for (auto it = m.cbegin(); it != m.cend(); ++it)
                kind.insert(keyLabel(it.key()), QJsonObject{{"pressType", it->pressType},
                                                           {"clickType", it->clickType},
                                                           {"delay", it->delay}});
            out.insert("MT", kind);
        } else if (v.userType() == qMetaTypeId<MapKB2DockerTGL>()) {
            QJsonObject kind;
            const auto m = v.value<MapKB2DockerTGL>();
            for (auto it = m.cbegin(); it != m.cend(); ++it)
                kind.insert(keyLabel(it.key()), QJsonObject{{"switchType", it->switchType}, {"delay", it->delay}});
            out.insert("TGL", kind);
        } else if (v.userType() == qMetaTypeId<MapKB2DockerEND>()) {
            QJsonObject kind;
            const auto m = v.value<MapKB2DockerEND>();
            for (auto it = m.cbegin(); it != m.cend(); ++it)
                kind.insert(keyLabel(it.key()), QJsonObject{{"switchType", it->switchType}});
            out.insert("END", kind);
        } else if (v.userType() == qMetaTypeId<MapKB2DockerSOCD>()) {
            QJsonObject kind;
            const auto m = v.value<MapKB2DockerSOCD>();
            for (auto it = m.cbegin(); it != m.cend(); ++it)
                kind.insert(keyLabel(it.key()), QJsonObject{{"switchType", it->switchType}});
            out.insert("SOCD", kind);
        } else if (v.userType() == qMetaTypeId<MapKB2DockerRS>()) {
            QJsonObject kind;
            const auto m = v.value<MapKB2DockerRS>();
            for (auto it = m.cbegin(); it != m.cend(); ++it)
                kind.insert(keyLabel(it.key()), QJsonObject{{"switchType", it->switchType}});
            out.insert("RS", kind);
        } else if (v.userType() == qMetaTypeId<MapKB2DockerMACRO>()) {
            QJsonObject kind;
            const auto m = v.value<MapKB2DockerMACRO>();
            for (auto it = m.cbegin(); it != m.cend(); ++it)
                kind.insert(keyLabel(it.key()), QJsonObject{{"macroName", it->macroName}});
            out.insert("MACRO", kind);
        }
    }
    return out;
}

} // namespace

QJsonObject boardInfoToJson(const STU_BoardInfo2 &info)
{
    return QJsonObject{
        {"boardId", qint64(info.boardId)},
        {"family", info.family()},
        {"value2", int(info.value2)},
        {"bootState", int(info.bootState)},
        {"bootLoader", info.bootState == 0xFF},
        {"serial", QString::fromUtf8(info.serial)},
        {"version", QString::fromUtf8(info.version)},
        {"third", QString::fromUtf8(info.third)},
    };
}

QJsonObject readBackToJson(const KeyboardReadBack &rb)
{
    QJsonObject root;
    root.insert("board", boardInfoToJson(rb.info));
    root.insert("name", rb.name);
    root.insert("precision", QJsonObject{{"stepMm", rb.precisionStep}, {"a", rb.precisionA}, {"b", rb.precisionB}});
    root.insert("pollingRateIndex", rb.pollingRate);
    root.insert("systemMode", rb.systemMode);
    root.insert("noWindowsMode", rb.noWindowsMode);
    root.insert("noMacMode", rb.noMacMode);

    QJsonObject matrix;
    for (auto it = rb.originalKeys.cbegin(); it != rb.originalKeys.cend(); ++it)
        matrix.insert(QString::number(it.key()), intList(it.value()));
    root.insert("keyMatrix", matrix);

    const STU_BoardFromLayout &p = rb.parameters;
    root.insert("parameters", QJsonObject{
        {"0_fn0", rows(p.fn0)}, {"1_fn1", rows(p.fn1)}, {"2_fn2", rows(p.fn2)}, {"3_fn3", rows(p.fn3)},
        {"4_travel", rows(p.travel)}, {"8_mode", rows(p.mode)},
        {"9", rows(p.param9)}, {"10", rows(p.param10)}, {"11", rows(p.param11)}, {"12", rows(p.param12)},
        {"13", rows(p.param13)}, {"14", rows(p.param14)}, {"15", rows(p.param15)}, {"16", rows(p.param16)},
        {"17", rows(p.param17)}, {"18", rows(p.param18)}, {"19", rows(p.param19)},
        {"20_rtPress", rows(p.param20)}, {"21_rtRelease", rows(p.param21)},
    });
    root.insert("perKeyTravel", QJsonObject{{"travel", listRows(rb.travelRows)},
                                            {"rapidTriggerPress", listRows(rb.pressRows)},
                                            {"rapidTriggerRelease", listRows(rb.releaseRows)}});

    QJsonObject layers;
    for (auto layer = rb.layers.cbegin(); layer != rb.layers.cend(); ++layer) {
        QJsonObject keys;
        for (auto it = layer->cbegin(); it != layer->cend(); ++it)
            keys.insert(keyLabel(it.key()), QStringLiteral("0x%1").arg(it.value(), 4, 16, QLatin1Char('0')));
        layers.insert(QString::number(layer.key()), keys);
    }
    root.insert("layers", layers);

    const STU_BoardFromDB &db = rb.deadBands;
    root.insert("deadBands", QJsonObject{{"ticks", db.ticks}, {"gdBi", db.gdBi}, {"dt_dB", db.dt_dB},
                                         {"dt_RdB", db.dt_RdB}, {"db1", db.db1}, {"db2", db.db2}, {"db3", db.db3}});

    const STU_BoardFromPRGB &l = rb.lighting;
    QJsonArray colours;
    for (quint32 c : l.colours)
        colours.append(hex32(c));
    root.insert("lighting", QJsonObject{{"background", hex32(l.background)}, {"colours", colours},
                                        {"bitmap", l.bitmap}, {"grayscale", l.grayscale},
                                        {"rgb_mode", l.rgb_mode}, {"rgb_speed", l.rgb_speed},
                                        {"rgb_sleep", l.rgb_sleep}, {"lowLatency", rb.lowLatency}});

    QJsonObject keyColours;
    for (auto it = rb.colours.cbegin(); it != rb.colours.cend(); ++it)
        keyColours.insert(keyLabel(it.key()), it.value().name(QColor::HexRgb));
    root.insert("keyColours", keyColours);
    root.insert("advancedKeys", advancedToJson(rb.advanced));
    return root;
}
