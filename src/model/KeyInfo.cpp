#include "KeyInfo.h"

int keyInfoMetaTypeId()
{
    static const int id = qRegisterMetaType<KeyInfo>("KeyInfo");
    return id;
}
