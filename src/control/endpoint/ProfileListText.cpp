#include "ProfileListText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

QByteArray profileListText(const QList<ProfileListItem> &items, bool json)
{
    if (json) {
        QJsonArray list;
        for (const ProfileListItem &item : items)
            list.append(QJsonObject{{QStringLiteral("name"), item.name},
                                    {QStringLiteral("active"), item.active},
                                    {QStringLiteral("damaged"), item.damaged}});
        return QJsonDocument(list).toJson(QJsonDocument::Indented);
    }
    QByteArray text;
    for (const ProfileListItem &item : items) {
        text += item.active ? "* " : "  ";
        text += item.name.toUtf8();
        if (item.damaged)
            text += " (damaged)";
        text += '\n';
    }
    return text;
}
