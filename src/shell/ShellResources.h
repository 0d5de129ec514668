#pragma once

#include <QString>

// Registers the compiled-in resources (":/Resource/..."). Every program and
// every widget test calls it once before using them.
void corvaneInitResources();

// The application style sheet, ":/Resource/style.qss".
QString corvaneStyleSheet();
