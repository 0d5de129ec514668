#pragma once

#include "KeyboardDoctor.h"

#include <QJsonObject>
#include <QString>

#include <functional>

class QObject;

struct KeyboardReadBack;

// One JSON file with what a bug report needs: program, Qt and OS versions,
// the keyboard's interfaces and their permissions, the board information,
// the whole read-back, the doctor's results and the last frames exchanged
// with the keyboard (the device layer's in-memory ring; only this file ever
// holds them).
struct SupportReportInput {
    QString program;                         // "corvane-cli", "Corvane"
    const KeyboardReadBack *readBack = nullptr; // null: nothing was read
    DoctorReport doctor;
};

// Enumerates the HID interfaces (no device I/O beyond that).
QJsonObject buildSupportReport(const SupportReportInput &input);

// Writes the report atomically (QSaveFile): the file is the whole report or,
// on failure, what was there before. False with the reason in *error.
bool writeSupportReport(const QString &path, const SupportReportInput &input, QString *error);

// For the configurator's settings dialog: its session's read-back (null when
// none) and the interface it has open (empty when none). The doctor runs
// without probing, so the session keeps its keyboard.
bool writeSupportReport(const QString &path, const KeyboardReadBack *readBack, const QString &openPath,
                        QString *error);

// The same, on a thread of its own: enumerating the interfaces and writing the
// file never hold up the window. readBack is copied (null: nothing read).
// done runs on context's thread, and not at all once context is gone.
void writeSupportReportInBackground(const QString &path, const KeyboardReadBack *readBack, const QString &openPath,
                                    QObject *context, std::function<void(bool ok, const QString &error)> done);
