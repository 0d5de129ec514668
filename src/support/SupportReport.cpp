#include "SupportReport.h"

#include "CorvaneVersion.h"
#include "FrameRing.h"
#include "HidBackend.h"
#include "HidLibrary.h"
#include "KeyboardAction.h"
#include "KeyboardSession.h"
#include "ReadBackJson.h"
#include "SupportLog.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QSysInfo>
#include <QThread>

#include <memory>
#include <optional>

#if defined(__unix__)
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#endif

namespace {

QString hex16(quint16 v)
{
    return QStringLiteral("%1").arg(v, 4, 16, QLatin1Char('0'));
}

const char *accessName(HidNodeAccess a)
{
    switch (a) {
    case HidNodeAccess::Allowed: return "allowed";
    case HidNodeAccess::Denied: return "denied";
    case HidNodeAccess::Missing: return "missing";
    case HidNodeAccess::Unknown: return "unknown";
    }
    return "unknown";
}

// Owner, group and mode of a /dev node ("crw-rw----").
QJsonObject nodeJson(const std::string &path)
{
    QJsonObject node;
#if defined(__unix__)
    struct stat st;
    if (path.compare(0, 5, "/dev/") != 0 || ::stat(path.c_str(), &st) != 0)
        return node;
    QString mode = S_ISCHR(st.st_mode) ? QStringLiteral("c") : QStringLiteral("-");
    const char *letters = "rwxrwxrwx";
    for (int i = 0; i < 9; ++i)
        mode += (st.st_mode & (0400 >> i)) ? QLatin1Char(letters[i]) : QLatin1Char('-');
    node.insert("mode", mode);
    const passwd *pw = ::getpwuid(st.st_uid);
    node.insert("owner", pw ? QString::fromLocal8Bit(pw->pw_name) : QString::number(st.st_uid));
    const group *gr = ::getgrgid(st.st_gid);
    node.insert("group", gr ? QString::fromLocal8Bit(gr->gr_name) : QString::number(st.st_gid));
#else
    (void)path;
#endif
    return node;
}

QJsonArray interfacesJson()
{
    HidLibrary::ensureInitialised();
    HidBackend *backend = HidBackend::instance();
    QJsonArray out;
    for (const HidDeviceInfo &info : backend->enumerate(0, 0)) {
        if (info.vendorId != KeyboardAction::VendorId || info.productId != KeyboardAction::ProductId)
            continue;
        QJsonObject o{{"path", QString::fromStdString(info.path)},
                      {"vendorId", hex16(info.vendorId)},
                      {"productId", hex16(info.productId)},
                      {"interface", info.interfaceNumber},
                      {"usagePage", hex16(info.usagePage)},
                      {"usage", hex16(info.usage)},
                      {"manufacturer", QString::fromStdWString(info.manufacturer)},
                      {"product", QString::fromStdWString(info.product)},
                      {"serial", QString::fromStdWString(info.serialNumber)},
                      {"access", QLatin1String(accessName(backend->nodeAccess(info.path)))}};
        const QJsonObject node = nodeJson(info.path);
        if (!node.isEmpty())
            o.insert("node", node);
        out.append(o);
    }
    return out;
}

QJsonArray framesJson()
{
    QJsonArray out;
    for (const FrameRing::Entry &e : FrameRing::entries())
        out.append(QJsonObject{
            {"sequence", qint64(e.sequence)},
            {"time", QDateTime::fromMSecsSinceEpoch(e.msecsSinceEpoch, Qt::UTC).toString(Qt::ISODateWithMs)},
            {"direction", e.direction == FrameRing::Direction::ToKeyboard ? "out" : "in"},
            {"bytes", QString::fromLatin1(e.bytes.toHex(' '))}});
    return out;
}

} // namespace

QJsonObject buildSupportReport(const SupportReportInput &input)
{
    QJsonObject root;
    root.insert("format", "corvane-support-report");
    root.insert("formatVersion", 1);
    root.insert("created", QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
    root.insert("program", QJsonObject{{"name", input.program},
                                       {"version", CORVANE_VERSION},
                                       {"qtRuntime", qVersion()},
                                       {"qtBuild", QT_VERSION_STR},
                                       {"abi", QSysInfo::buildAbi()}});
    root.insert("os", QJsonObject{{"name", QSysInfo::prettyProductName()},
                                  {"kernel", QSysInfo::kernelType() + QLatin1Char(' ') + QSysInfo::kernelVersion()},
                                  {"cpu", QSysInfo::currentCpuArchitecture()}});
    root.insert("interfaces", interfacesJson());
    if (input.readBack) {
        const KeyboardReadBack &rb = *input.readBack;
        root.insert("board", boardInfoToJson(rb.info));
        QJsonObject readBack = readBackToJson(rb);
        QJsonArray missing;
        for (ReadPart part : rb.missing)
            missing.append(readPartName(part));
        readBack.insert("missing", missing);
        root.insert("readBack", readBack);
    }
    root.insert("doctor", doctorToJson(input.doctor));
    root.insert("frames", framesJson());
    return root;
}

bool writeSupportReport(const QString &path, const SupportReportInput &input, QString *error)
{
    const QByteArray bytes = QJsonDocument(buildSupportReport(input)).toJson(QJsonDocument::Indented);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        qCWarning(lcSupport) << "support report not written:" << path << file.errorString();
        return false;
    }
    return true;
}

bool writeSupportReport(const QString &path, const KeyboardReadBack *readBack, const QString &openPath,
                        QString *error)
{
    SupportReportInput input;
    input.program = QCoreApplication::applicationName();
    input.readBack = readBack;
    DoctorOptions options;
    options.openPath = openPath;
    input.doctor = diagnoseKeyboardAccess(options);
    return writeSupportReport(path, input, error);
}

void writeSupportReportInBackground(const QString &path, const KeyboardReadBack *readBack, const QString &openPath,
                                    QObject *context, std::function<void(bool ok, const QString &error)> done)
{
    struct Job {
        std::optional<KeyboardReadBack> readBack;
        bool ok = false;
        QString error;
    };
    auto job = std::make_shared<Job>();
    if (readBack)
        job->readBack = *readBack;
    // The thread owns nothing of the caller's, so the caller may go away
    // while it runs; the thread deletes itself when it is done.
    QThread *thread = QThread::create([job, path, openPath] {
        job->ok = writeSupportReport(path, job->readBack ? &*job->readBack : nullptr, openPath, &job->error);
    });
    QObject::connect(thread, &QThread::finished, context, [job, done] { done(job->ok, job->error); });
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}
