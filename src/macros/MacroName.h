#pragma once

#include <QString>

// Macro names become file names in the "Macro" folder, so a name must be a
// single, portable file name.
constexpr int MaxMacroNameLength = 64;

// Empty when the name can be used for a new macro file; otherwise a
// translated sentence for the user saying what is wrong with it. Whether a
// macro of that name exists is the store's question.
QString macroNameProblem(const QString &name);
