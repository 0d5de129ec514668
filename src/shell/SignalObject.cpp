#include "SignalObject.h"

SignalObject *SignalObject::instance()
{
    static SignalObject *hub = new SignalObject;
    return hub;
}

SignalObject::SignalObject(QObject *parent)
    : QObject(parent)
{
}
