#include "UdevRules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

namespace {

// A rules file is a few lines; anything much bigger is not read whole.
constexpr qint64 MaxRulesFileBytes = 1024 * 1024;

// key{attr}=="value" and key+="value" pairs of one rule line.
struct Assignment {
    QString key;
    QString op;
    QString value;
};

QList<Assignment> assignments(const QString &line)
{
    static const QRegularExpression pair(
        QStringLiteral("([A-Za-z_]+(?:\\{[^}]*\\})?)\\s*(==|!=|\\+=|-=|:=|=)\\s*\"([^\"]*)\""));
    QList<Assignment> out;
    auto it = pair.globalMatch(line);
    while (it.hasNext()) {
        const auto m = it.next();
        out.append({m.captured(1), m.captured(2), m.captured(3)});
    }
    return out;
}

bool hexEquals(const QString &value, quint16 id)
{
    bool ok = false;
    const uint v = value.toUInt(&ok, 16);
    return ok && value.size() == 4 && v == id;
}

// A mode that lets everybody read and write, e.g. "0666".
bool modeOpenToOthers(const QString &mode)
{
    bool ok = false;
    const uint v = mode.toUInt(&ok, 8);
    return ok && (v & 06) == 06;
}

} // namespace

QString corvaneUdevRule()
{
    return QStringLiteral(
        "KERNEL==\"hidraw*\", ATTRS{idVendor}==\"1c4f\", ATTRS{idProduct}==\"ee88\", TAG+=\"uaccess\"");
}

QStringList udevRuleDirectories()
{
    return {QStringLiteral("/etc/udev/rules.d"), QStringLiteral("/run/udev/rules.d"),
            QStringLiteral("/usr/local/lib/udev/rules.d"), QStringLiteral("/usr/lib/udev/rules.d"),
            QStringLiteral("/lib/udev/rules.d")};
}

bool udevRuleGrantsAccess(const QString &line, quint16 vendorId, quint16 productId)
{
    const QString text = line.trimmed();
    if (text.isEmpty() || text.startsWith(QLatin1Char('#')))
        return false;
    bool hidraw = false, vendor = false, product = false, grants = false;
    for (const Assignment &a : assignments(text)) {
        if (a.op == QLatin1String("==")) {
            if ((a.key == QLatin1String("KERNEL") && a.value.startsWith(QLatin1String("hidraw")))
                || (a.key == QLatin1String("SUBSYSTEM") && a.value == QLatin1String("hidraw")))
                hidraw = true;
            else if (a.key == QLatin1String("ATTRS{idVendor}"))
                vendor = hexEquals(a.value, vendorId);
            else if (a.key == QLatin1String("ATTRS{idProduct}"))
                product = hexEquals(a.value, productId);
        } else if (a.key == QLatin1String("TAG") && (a.op == QLatin1String("+=") || a.op == QLatin1String("="))
                   && a.value == QLatin1String("uaccess")) {
            grants = true;
        } else if (a.key == QLatin1String("MODE") && a.op != QLatin1String("==") && modeOpenToOthers(a.value)) {
            grants = true;
        }
    }
    return hidraw && vendor && product && grants;
}

UdevRuleStatus findUdevRule(const QStringList &directories, quint16 vendorId, quint16 productId)
{
    UdevRuleStatus status;
    QSet<QString> seen; // a name in an earlier folder hides the later ones
    for (const QString &dir : directories) {
        const QFileInfoList files =
            QDir(dir).entryInfoList({QStringLiteral("*.rules")}, QDir::Files | QDir::System, QDir::Name);
        for (const QFileInfo &info : files) {
            const QString name = info.fileName();
            if (seen.contains(name))
                continue;
            seen.insert(name);
            bool matches = false;
            QFile f(info.filePath());
            // A file masked with a link to /dev/null reads as empty.
            if (info.size() <= MaxRulesFileBytes && f.open(QIODevice::ReadOnly)) {
                const QStringList lines = QString::fromUtf8(f.read(MaxRulesFileBytes)).split(QLatin1Char('\n'));
                for (const QString &line : lines)
                    matches = matches || udevRuleGrantsAccess(line, vendorId, productId);
            }
            if (matches)
                return {UdevRuleStatus::Matching, info.filePath()};
            if (name == QLatin1String(UdevRuleFileName) && status.state == UdevRuleStatus::Missing)
                status = {UdevRuleStatus::NotMatching, info.filePath()};
        }
    }
    return status;
}

QStringList udevFixCommands(bool installRule)
{
    QStringList commands;
    if (installRule)
        commands << QStringLiteral("echo '%1' | sudo tee /etc/udev/rules.d/%2")
                        .arg(corvaneUdevRule(), QLatin1String(UdevRuleFileName));
    commands << QStringLiteral("sudo udevadm control --reload-rules")
             << QStringLiteral("sudo udevadm trigger --subsystem-match=hidraw");
    return commands;
}
