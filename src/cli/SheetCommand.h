#pragma once

#include "CliCommon.h"

#include <QString>

// corvane-cli sheet FILE.kb OUT.pdf|OUT.svg: the profile's four layers and
// its advanced keys, drawn as the configurator prints them. Needs a
// QGuiApplication (fonts), which main makes for this command alone.
// language: "Chinese" or "English" (--lang), or empty for the language
// Corvane is set to in dataFolder.
int runSheetCommand(const QString &profilePath, const QString &outPath, int model, const QString &language,
                    const QString &dataFolder, const CliOutput &io);
