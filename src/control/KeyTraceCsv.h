#pragma once

#include "KeyTrace.h"

#include <QByteArray>
#include <QList>
#include <QString>

class QIODevice;

// The scope's recordings: CSV with the header "time_ms,key,depth_um,state"
// and one line per key and round. A recording comes back from a file the
// user picks, so reading it trusts nothing: the size, the number of lines,
// their length, every field and the number of keys are bounded, and the
// first fault fails the whole file with its line.
namespace KeyTraceCsv {

constexpr qint64 MaxBytes = 16 * 1024 * 1024;
// A minute of four keys at 2,000 rounds a second fits; recording stops here.
constexpr int MaxRows = 500000;
constexpr int MaxLineBytes = 256;
constexpr int MaxKeys = 4;
constexpr int MaxKeyNameChars = 32;
constexpr qint64 MaxTimeMs = 24LL * 3600 * 1000;

struct Row {
    QString key;
    KeyTraceSample sample;
};

struct Recording {
    QStringList keys;                  // in order of first appearance
    QList<QVector<KeyTraceSample>> samples; // per key, as keys
};

QByteArray header();
QByteArray line(const QString &key, const KeyTraceSample &sample);

struct Parsed {
    Recording recording;
    QString error; // empty when the file was read whole
};
// Reads at most MaxBytes + 1 from the device.
Parsed read(QIODevice *device);
Parsed parse(const QByteArray &bytes);

} // namespace KeyTraceCsv
