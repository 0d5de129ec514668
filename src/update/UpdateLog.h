#pragma once

#include <QLoggingCategory>

// Downloads, version documents and the updater.
Q_DECLARE_LOGGING_CATEGORY(lcUpdate)
