#pragma once

#include "CliCommon.h"

#include <QString>

// corvane-cli sheet FILE.kb OUT.pdf|OUT.svg: the profile's four layers and
// its advanced keys, drawn as the configurator prints them. Needs a
// QGuiApplication (fonts), which main makes for this command alone.
int runSheetCommand(const QString &profilePath, const QString &outPath, int model, const CliOutput &io);
