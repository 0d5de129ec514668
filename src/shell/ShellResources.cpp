#include "ShellResources.h"

#include <QFile>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initResource()
{
    Q_INIT_RESOURCE(corvane);
}

void corvaneInitResources()
{
    initResource();
}

QString corvaneStyleSheet()
{
    corvaneInitResources();
    QFile file(QStringLiteral(":/Resource/style.qss"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}
