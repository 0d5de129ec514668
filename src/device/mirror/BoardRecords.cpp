#include "BoardRecords.h"

#include "ModelMetaTypes.h"

#include <algorithm>

namespace {
template <typename T, size_t N>
void fill(T (&array)[N], T value)
{
    std::fill(array, array + N, value);
}
} // namespace

STU_BoardFromDB::STU_BoardFromDB()
{
    fill(perKey1, quint16(3));
    fill(perKey2, quint16(5));
    fill(perKey3, quint16(10));
    fill(perKey4, quint16(20));
    fill(perKey5, quint16(30));
}

STU_BoardFromKRGB::STU_BoardFromKRGB()
{
    fill(key, quint8(0xFF));
    fill(red, quint8(0xFF));
    fill(green, quint8(0xFF));
    fill(blue, quint8(0xFF));
}

STU_BoardFromKey::STU_BoardFromKey()
{
    fill(key, quint8(0xFF));
    fill(param, quint8(0xFF));
    fill(value, quint16(0x00FF));
}

STU_BoardFromMT::STU_BoardFromMT()
{
    fill(key, quint8(0xFF));
    fill(DKS1, quint8(0xFF));
    fill(DKS2, quint8(0xFF));
    fill(delay, quint8(0xFF));
}

STU_BoardFromTGL::STU_BoardFromTGL()
{
    fill(key, quint8(0xFF));
    fill(DKS1, quint8(0xFF));
    fill(delay, quint8(0xFF));
}

STU_BoardFromTDKS::STU_BoardFromTDKS()
{
    fill(key, quint8(0xFF));
    for (auto &bytes : b)
        fill(bytes, quint8(0xFF));
    fill(value, quint16(0x00FF));
}

STU_BoardFromDDKS::STU_BoardFromDDKS()
{
    fill(key, quint8(0xFF));
    fill(DKS1, quint8(0xFF));
    fill(DKS2, quint8(0xFF));
    fill(DKS3, quint8(0xFF));
    fill(dB1, quint16(0x00FF));
    fill(dB2, quint16(0x00FF));
    fill(dB3, quint16(0x00FF));
}

STU_BoardFromEND::STU_BoardFromEND()
{
    fill(key, quint8(0xFF));
    fill(DKS1, quint8(0xFF));
}

STU_BoardFromSOCD::STU_BoardFromSOCD()
{
    fill(key, quint8(0xFF));
    fill(DKS1, quint8(0xFF));
}

STU_BoardFromRS::STU_BoardFromRS()
{
    fill(key, quint8(0xFF));
    fill(DKS1, quint8(0xFF));
}

void registerBoardMetaTypes()
{
    registerModelMetaTypes();
    qRegisterMetaType<STU_BoardInfo2>("STU_BoardInfo2");
    qRegisterMetaType<STU_BoardFromDB>("STU_BoardFromDB");
    qRegisterMetaType<STU_BoardFromLayout>("STU_BoardFromLayout");
    qRegisterMetaType<STU_BoardFromPRGB>("STU_BoardFromPRGB");
    qRegisterMetaType<STU_BoardFromKRGB>("STU_BoardFromKRGB");
    qRegisterMetaType<STU_BoardFromKey>("STU_BoardFromKey");
    qRegisterMetaType<STU_BoardFromKeyMATRIX>("STU_BoardFromKeyMATRIX");
    qRegisterMetaType<STU_BoardFromMT>("STU_BoardFromMT");
    qRegisterMetaType<STU_BoardFromTGL>("STU_BoardFromTGL");
    qRegisterMetaType<STU_BoardFromTDKS>("STU_BoardFromTDKS");
    qRegisterMetaType<STU_BoardFromDDKS>("STU_BoardFromDDKS");
    qRegisterMetaType<STU_BoardFromEND>("STU_BoardFromEND");
    qRegisterMetaType<STU_BoardFromSOCD>("STU_BoardFromSOCD");
    qRegisterMetaType<STU_BoardFromRS>("STU_BoardFromRS");
    qRegisterMetaType<STU_BoardFromMACRO>("STU_BoardFromMACRO");
    qRegisterMetaType<KeyParam>("KeyParam");
    qRegisterMetaType<QList<KeyParam>>("QList<KeyParam>");
    qRegisterMetaType<MapKB2DockerKey>("MapKB2DockerKey");
    qRegisterMetaType<MapKB2DockerDB>("MapKB2DockerDB");
    qRegisterMetaType<MapKB2DockerMT>("MapKB2DockerMT");
    qRegisterMetaType<MapKB2DockerTGL>("MapKB2DockerTGL");
    qRegisterMetaType<MapKB2DockerTDKS>("MapKB2DockerTDKS");
    qRegisterMetaType<MapKB2DockerMPT>("MapKB2DockerMPT");
    qRegisterMetaType<MapKB2DockerEND>("MapKB2DockerEND");
    qRegisterMetaType<MapKB2DockerSOCD>("MapKB2DockerSOCD");
    qRegisterMetaType<MapKB2DockerRS>("MapKB2DockerRS");
    qRegisterMetaType<MapKB2DockerMACRO>("MapKB2DockerMACRO");
}

namespace {

template <typename Map>
bool appendRecords(const QVariant &map, QList<QVariant> &out)
{
    if (map.userType() != qMetaTypeId<Map>())
        return false;
    for (const auto &record : map.value<Map>())
        out.append(QVariant::fromValue(record));
    return true;
}

} // namespace

QList<QVariant> advancedRecordsOf(const QList<QVariant> &maps)
{
    QList<QVariant> out;
    for (const QVariant &map : maps)
        appendRecords<MapKB2DockerTDKS>(map, out) || appendRecords<MapKB2DockerMT>(map, out) ||
            appendRecords<MapKB2DockerTGL>(map, out) || appendRecords<MapKB2DockerMPT>(map, out) ||
            appendRecords<MapKB2DockerEND>(map, out) || appendRecords<MapKB2DockerSOCD>(map, out) ||
            appendRecords<MapKB2DockerRS>(map, out) || appendRecords<MapKB2DockerMACRO>(map, out);
    return out;
}
