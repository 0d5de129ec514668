#pragma once

#include "Kb2Frame.h"

#include <QVariant>

// One unit of the worker's queue: a request type (1..27), the access selector
// (1 write, 0 read) and what the request carries: a board record, or the
// argument of a sub-code request (rate index, table number, row numbers).
struct KB2Request {
    int type = 0;
    quint8 selector = 1;
    QVariant record;
    int arg1 = -1;
    int arg2 = -1;
};

// Builds the frame of a request; false for the types that send nothing.
bool kb2BuildRequestFrame(const KB2Request &request, Kb2Frame &frame);
// The request type that carries a record held in a variant; 0 for none.
int kb2RequestTypeForRecord(const QVariant &record);
