#pragma once

#include "AdvancedKeyInfo.h"

#include <QByteArray>
#include <QList>

// The macro files of the "Macro" folder: a header line "Key,Key UP/DOWN,Delay(ms)"
// and one step per line (key name, "DOWN" or "UP", delay in ms).
constexpr int MaxMacroCsvSteps = 250;

enum class MacroCsvResult { Ok, BadHeader };

// Reads the steps of a macro file's bytes. Lines end in LF or CRLF; a
// leading UTF-8 byte-order mark is ignored. Each line is split at ",",
// empty fields dropped. The header must be exactly the three fields above;
// lines without exactly three fields are skipped; at most MaxMacroCsvSteps
// steps are taken. A step is down only when its second field is "DOWN"; a
// delay that is not a number, or is negative, reads as 0. A field may be
// quoted ("," is the comma key's name, "" an empty name); a line whose
// quotes do not close is split as plain text.
MacroCsvResult parseMacroCsv(const QByteArray &bytes, QList<MACRO_Key> *steps);

// The file bytes of a macro: the header and one LF-ended line per step.
// Key names that are empty or hold a comma, a quote or a line break are
// quoted, so that parseMacroCsv gives the same steps back (a name never
// holds a line feed: lines end there); a negative delay is written as 0.
QByteArray writeMacroCsv(const QList<MACRO_Key> &steps);
