#include "AppParams.h"

#include <QMutex>
#include <QMutexLocker>
#include <QRandomGenerator>
#include <QTime>

namespace {

struct Values {
    quint8 calibrationRunning = 0;
    quint8 boardStatus = 0;
    double travelStep = 0.01;
    int travelSteps = 800;
    double maxTravel = 4.0;
    double minTravel = 0.1;
    double rapidTriggerPressDefault = 0.3;
    double rapidTriggerReleaseDefault = 0.3;
    int decimals = 2;
    int pollingRateIndex = -1;
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

template <typename T>
T get(T Values::*field)
{
    QMutexLocker locker(&lock());
    return values().*field;
}

template <typename T>
void set(T Values::*field, const T &value)
{
    QMutexLocker locker(&lock());
    values().*field = value;
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

quint8 calibrationRunning() { return get(&Values::calibrationRunning); }
void setCalibrationRunning(quint8 running) { set(&Values::calibrationRunning, running); }
quint8 boardStatus() { return get(&Values::boardStatus); }
void setBoardStatus(quint8 status) { set(&Values::boardStatus, status); }
double travelStep() { return get(&Values::travelStep); }
void setTravelStep(double step) { set(&Values::travelStep, step); }
int travelSteps() { return get(&Values::travelSteps); }
void setTravelSteps(int steps) { set(&Values::travelSteps, steps); }
double maxTravel() { return get(&Values::maxTravel); }
void setMaxTravel(double mm) { set(&Values::maxTravel, mm); }
double minTravel() { return get(&Values::minTravel); }
void setMinTravel(double mm) { set(&Values::minTravel, mm); }
double rapidTriggerPressDefault() { return get(&Values::rapidTriggerPressDefault); }
void setRapidTriggerPressDefault(double mm) { set(&Values::rapidTriggerPressDefault, mm); }
double rapidTriggerReleaseDefault() { return get(&Values::rapidTriggerReleaseDefault); }
void setRapidTriggerReleaseDefault(double mm) { set(&Values::rapidTriggerReleaseDefault, mm); }
int decimals() { return get(&Values::decimals); }
void setDecimals(int digits) { set(&Values::decimals, digits); }
int pollingRateIndex() { return get(&Values::pollingRateIndex); }
void setPollingRateIndex(int index) { set(&Values::pollingRateIndex, index); }

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
