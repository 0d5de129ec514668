#include "AppParams.h"

#include <QMutex>
#include <QMutexLocker>
#include <QRandomGenerator>
#include <QTime>

namespace {

struct Values {
    bool nonceMade = false;
    std::array<quint8, 4> nonce = {};
};

QMutex &lock()
{
    static QMutex mutex;
    return mutex;
}

Values &values()
{
    static Values v;
    return v;
}

void makeNonceLocked()
{
    Values &v = values();
    if (v.nonceMade)
        return;
    v.nonce = AppParams::nonceFromSeed(quint32(QTime::currentTime().msec()));
    v.nonceMade = true;
}

} // namespace

namespace AppParams {

std::array<quint8, 4> sessionNonce()
{
    QMutexLocker locker(&lock());
    makeNonceLocked();
    return values().nonce;
}

void makeSessionNonce()
{
    QMutexLocker locker(&lock());
    makeNonceLocked();
}

std::array<quint8, 4> nonceFromSeed(quint32 seed)
{
    QRandomGenerator generator(seed);
    std::array<quint8, 4> nonce;
    for (quint8 &byte : nonce)
        byte = quint8(generator.generate() & 0xFF);
    return nonce;
}

} // namespace AppParams
