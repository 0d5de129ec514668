#pragma once

// Results of a frame exchange with the keyboard, shared by the device worker
// and the firmware engine. 0 is success; every failure has its own negative
// code, so that "the keyboard said no", "nothing came back" and "the device
// is gone" are never confused. The values of Refused, Foreign and Corrupt
// are the ones the protocol layer has always used (-1, -2, -8).
namespace Kb2Error {
enum : int {
    Ok = 0,
    Refused = -1,      // the answer carries a non-zero status byte
    Foreign = -2,      // a valid answer to another request
    NoAnswer = -3,     // nothing that answers the request arrived in time
    Corrupt = -8,      // bad start byte, length or checksum, or an empty payload
    WriteFailed = -10, // a report could not be written: the device is gone
    ReadFailed = -11,  // reading failed: the device is gone
    Closed = -12,      // no device is open
    Stopped = -13,     // the wait was cut short (close, shutdown, cancel)
};
} // namespace Kb2Error

// The exchange cannot go on with this handle: it has to be closed.
inline bool kb2DeviceGone(int code)
{
    return code == Kb2Error::WriteFailed || code == Kb2Error::ReadFailed || code == Kb2Error::Closed;
}

// Worth another attempt: the keyboard may simply have missed this one.
inline bool kb2Retryable(int code)
{
    return code == Kb2Error::NoAnswer || code == Kb2Error::Corrupt;
}

// A short English name of a code, for log lines and the command line.
const char *kb2ErrorName(int code);
