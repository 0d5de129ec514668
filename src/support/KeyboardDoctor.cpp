#include "KeyboardDoctor.h"

#include "HidBackend.h"
#include "HidLibrary.h"
#include "KeyboardAction.h"

#include <QJsonArray>

#if defined(__unix__)
#include <pwd.h>
#include <unistd.h>
#endif

namespace {

const char *resultName(DoctorCheck::Result r)
{
    switch (r) {
    case DoctorCheck::Pass: return "ok";
    case DoctorCheck::Fail: return "FAIL";
    case DoctorCheck::Note: return "--";
    }
    return "";
}

const char *resultJsonName(DoctorCheck::Result r)
{
    switch (r) {
    case DoctorCheck::Pass: return "pass";
    case DoctorCheck::Fail: return "fail";
    case DoctorCheck::Note: return "note";
    }
    return "";
}

} // namespace

bool DoctorReport::ok() const
{
    for (const DoctorCheck &c : checks)
        if (c.result == DoctorCheck::Fail)
            return false;
    return true;
}

QString currentUserName()
{
#if defined(__unix__)
    if (const passwd *pw = ::getpwuid(::geteuid()))
        return QString::fromLocal8Bit(pw->pw_name);
#endif
    const QString user = qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME"));
    return user.isEmpty() ? QStringLiteral("this user") : user;
}

DoctorReport diagnoseKeyboardAccess(const DoctorOptions &options)
{
    DoctorReport report;
    auto add = [&report](const QString &subject, const QString &check, DoctorCheck::Result result,
                         const QString &detail) { report.checks.append({subject, check, result, detail}); };

    HidLibrary::ensureInitialised();
    HidBackend *backend = HidBackend::instance();
    const QString user = currentUserName();
    bool anyDenied = false, answered = false;
    int found = 0;
    for (const HidDeviceInfo &info : backend->enumerate(0, 0)) {
        if (info.vendorId != KeyboardAction::VendorId || info.productId != KeyboardAction::ProductId)
            continue;
        ++found;
        const QString path = QString::fromStdString(info.path);
        const QString subject = QStringLiteral("%1 (interface %2)").arg(path).arg(info.interfaceNumber);
        const HidNodeAccess access = backend->nodeAccess(info.path);
        if (access == HidNodeAccess::Missing) {
            add(subject, QStringLiteral("node exists"), DoctorCheck::Fail, QStringLiteral("listed, but there is no such node"));
            continue;
        }
        add(subject, QStringLiteral("node exists"), DoctorCheck::Pass, QString());
        if (access == HidNodeAccess::Denied) {
            anyDenied = true;
            add(subject, QStringLiteral("user can open it"), DoctorCheck::Fail,
                QStringLiteral("permission denied for %1").arg(user));
        } else if (access == HidNodeAccess::Allowed) {
            add(subject, QStringLiteral("user can open it"), DoctorCheck::Pass,
                QStringLiteral("readable and writable by %1").arg(user));
        } else {
            add(subject, QStringLiteral("user can open it"), DoctorCheck::Note, QStringLiteral("cannot tell on this system"));
        }

        if (!options.openPath.isEmpty() && path == options.openPath) {
            answered = true;
            add(subject, QStringLiteral("keyboard answers"), DoctorCheck::Pass, QStringLiteral("open in the configurator"));
        } else if (access == HidNodeAccess::Denied) {
            add(subject, QStringLiteral("keyboard answers"), DoctorCheck::Note, QStringLiteral("not asked: cannot be opened"));
        } else if (options.probe) {
            QString board;
            if (options.probe(path, &board)) {
                answered = true;
                add(subject, QStringLiteral("keyboard answers"), DoctorCheck::Pass, board);
            } else {
                // The keyboard's other interfaces never answer; one that does is enough.
                add(subject, QStringLiteral("keyboard answers"), DoctorCheck::Note, QStringLiteral("no answer"));
            }
        }
    }

    if (found == 0) {
        add(QStringLiteral("keyboard"), QStringLiteral("connected"), DoctorCheck::Fail,
            QStringLiteral("no HID interface with USB ids 1c4f:ee88"));
    } else if ((options.probe || !options.openPath.isEmpty()) && !answered && !anyDenied) {
        add(QStringLiteral("keyboard"), QStringLiteral("answers on one interface"), DoctorCheck::Fail,
            QStringLiteral("none of its %1 interfaces answered").arg(found));
        report.advice << QStringLiteral("Unplug and replug the keyboard. If it still does not answer, it may be "
                                        "running its boot loader: `corvane-cli info` says so.");
    }

    bool ruleBad = false;
    if (options.checkUdevRule) {
        const UdevRuleStatus rule =
            findUdevRule(options.ruleDirectories, KeyboardAction::VendorId, KeyboardAction::ProductId);
        const QString subject = QStringLiteral("udev rule");
        switch (rule.state) {
        case UdevRuleStatus::Matching:
            add(subject, QStringLiteral("installed and matches"), DoctorCheck::Pass, rule.file);
            break;
        case UdevRuleStatus::NotMatching:
            ruleBad = true;
            add(subject, QStringLiteral("installed and matches"), DoctorCheck::Fail,
                QStringLiteral("%1 does not give access to 1c4f:ee88").arg(rule.file));
            break;
        case UdevRuleStatus::Missing:
            ruleBad = true;
            add(subject, QStringLiteral("installed and matches"), DoctorCheck::Fail,
                QStringLiteral("no rule gives access to 1c4f:ee88 (looked in %1)")
                    .arg(options.ruleDirectories.join(QLatin1String(", "))));
            break;
        }
    }

    if (ruleBad || anyDenied) {
        // Without a rule check (the virtual keyboard) the rule is offered too.
        report.fixes = udevFixCommands(ruleBad || !options.checkUdevRule);
        report.advice << (found ? QStringLiteral("Then unplug and replug the keyboard.")
                                : QStringLiteral("Then plug the keyboard in."))
                             + QStringLiteral(" The rule gives access to the user logged in at the computer "
                                              "itself, not over a remote login.");
    } else if (found == 0) {
        report.advice << QStringLiteral("Plug the keyboard in; `lsusb -d 1c4f:ee88` lists it once the system sees it.");
    }
    return report;
}

QString doctorLine(const DoctorCheck &c)
{
    QString line = QStringLiteral("%1  %2: %3").arg(QLatin1String(resultName(c.result)), -4).arg(c.subject, c.check);
    if (!c.detail.isEmpty())
        line += QStringLiteral(" (%1)").arg(c.detail);
    return line;
}

QJsonObject doctorToJson(const DoctorReport &report)
{
    QJsonArray checks;
    for (const DoctorCheck &c : report.checks)
        checks.append(QJsonObject{{"subject", c.subject},
                                  {"check", c.check},
                                  {"result", QLatin1String(resultJsonName(c.result))},
                                  {"detail", c.detail}});
    return QJsonObject{{"ok", report.ok()},
                       {"checks", checks},
                       {"fixes", QJsonArray::fromStringList(report.fixes)},
                       {"advice", QJsonArray::fromStringList(report.advice)}};
}
