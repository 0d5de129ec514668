#pragma once

#include "CliCommon.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

// The commands that work on Corvane's data folder without a keyboard.
struct ExchangeOptions {
    QString dataFolder;
    int model = -1;     // --model; -1: the model Corvane last saw
    bool force = false; // replace lighting presets and rules that differ
};

// The model to share for and to check codes against: --model, else the
// keyboard Corvane saw last; -1 when neither is known.
int modelFor(const ExchangeOptions &options);

// corvane-cli share FILE.kb: the profile and the macros it binds as a code.
int runShareCommand(const QString &path, const ExchangeOptions &options, const CliOutput &io);
// corvane-cli export --all FILE: every profile, macro, preset and rule.
int runExportAllCommand(const QString &path, const ExchangeOptions &options, const CliOutput &io);
// corvane-cli import CODE|FILE: a share code becomes a new profile; a bundle
// file brings in what it holds, renaming what clashes.
int runImportCommand(const QString &argument, const ExchangeOptions &options, const CliOutput &io);

// One line per part of a profile, for a person.
QStringList profileContentLines(const QString &name, const QJsonObject &document, int macros);
