#pragma once

#include "AdvancedKeyInfo.h"

#include <QByteArray>
#include <QList>

// The macro files of the "Macro" folder: a header line "Key,Key UP/DOWN,Delay(ms)"
// and one step per line (key name, "DOWN" or "UP", delay in ms).
constexpr int MaxMacroCsvSteps = 250;

enum class MacroCsvResult { Ok, BadHeader };

// Reads the steps of a macro file's bytes. Lines without exactly three
// fields are skipped; at most MaxMacroCsvSteps steps are taken.
MacroCsvResult parseMacroCsv(const QByteArray &bytes, QList<MACRO_Key> *steps);
