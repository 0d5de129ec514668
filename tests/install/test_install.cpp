// `cmake --install` into a temporary prefix: every file a user gets, where
// the programs look for it, and the desktop entry and metainfo as the
// desktop's own validators judge them.

#include "LanguageManager.h"
#include "UdevRules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

const QString AppId = QStringLiteral("org.corvane.Corvane");

QString readText(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QString::fromUtf8(f.readAll());
}

struct Run {
    int exitCode = -1;
    QString output;
};

Run run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    Run r;
    if (!p.waitForFinished(120000))
        return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.output = QString::fromUtf8(p.readAll());
    return r;
}

#ifdef CORVANE_HAVE_UI
bool wellFormedXml(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    QXmlStreamReader xml(&f);
    while (!xml.atEnd())
        xml.readNext();
    return !xml.hasError();
}
#endif

} // namespace

class TestInstall : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void everyFileIsInstalled();
    void programsFindWhatIsInstalled();
    void desktopFilesValidate();

private:
    QTemporaryDir m_prefix;
    QString file(const QString &relative) const { return m_prefix.filePath(relative); }
};

void TestInstall::initTestCase()
{
    QVERIFY(m_prefix.isValid());
    const Run install = run(QStringLiteral(CORVANE_CMAKE),
                            {"--install", QStringLiteral(CORVANE_BUILD_DIR), "--prefix", m_prefix.path()});
    QVERIFY2(install.exitCode == 0, qPrintable(install.output));
}

void TestInstall::everyFileIsInstalled()
{
    QStringList programs = {"bin/corvane-cli"};
#ifdef CORVANE_HAVE_UI
    programs << "bin/Corvane";
#endif
#ifdef CORVANE_HAVE_UPDATE
    programs << "bin/Update";
#endif
    for (const QString &p : programs) {
        const QFileInfo info(file(p));
        QVERIFY2(info.isFile() && info.isExecutable(), qPrintable(p));
    }
    QStringList data = {"lib/udev/rules.d/60-corvane.rules"};
#ifdef CORVANE_HAVE_QM
    data << "share/corvane/translations/zh_CN.qm" << "share/corvane/translations/en_US.qm";
#endif
#ifdef CORVANE_HAVE_UI
    data << "share/applications/" + AppId + ".desktop" << "share/icons/hicolor/scalable/apps/" + AppId + ".svg"
         << "share/metainfo/" + AppId + ".metainfo.xml";
#endif
    for (const QString &d : data)
        QVERIFY2(QFileInfo(file(d)).isFile() && QFileInfo(file(d)).size() > 0, qPrintable(d));
}

// The rule is the one the doctor offers; the entry starts the installed
// program with the installed icon; Corvane finds the installed translations;
// the installed command line works.
void TestInstall::programsFindWhatIsInstalled()
{
    QStringList rules;
    for (const QString &line : readText(file("lib/udev/rules.d/60-corvane.rules")).split('\n'))
        if (!line.trimmed().isEmpty() && !line.startsWith('#'))
            rules << line;
    QCOMPARE(rules, QStringList{corvaneUdevRule()});

#ifdef CORVANE_HAVE_QM
    const QStringList folders = LanguageManager::translationFolders(file("bin"));
    QCOMPARE(folders.last(), file("share/corvane/translations") + "/");
    QVERIFY(!QFileInfo::exists(folders.first() + "en_US.qm")); // nothing beside the installed program
    QVERIFY(QFileInfo::exists(folders.last() + "en_US.qm"));
#endif

#ifdef CORVANE_HAVE_UI
    const QString desktop = readText(file("share/applications/" + AppId + ".desktop"));
    const QString exec = QRegularExpression("^Exec=(\\S+)", QRegularExpression::MultilineOption).match(desktop).captured(1);
    QVERIFY(QFileInfo(file("bin/" + exec)).isExecutable());
    QVERIFY(desktop.contains(QRegularExpression("^Icon=" + AppId + "$", QRegularExpression::MultilineOption)));
    QVERIFY(wellFormedXml(file("share/icons/hicolor/scalable/apps/" + AppId + ".svg")));

    const QString metainfo = file("share/metainfo/" + AppId + ".metainfo.xml");
    QVERIFY(wellFormedXml(metainfo));
    const QString text = readText(metainfo);
    QVERIFY(text.contains("<launchable type=\"desktop-id\">" + AppId + ".desktop</launchable>"));
    QVERIFY(text.contains("<release version=\"" CORVANE_PROJECT_VERSION "\" date=\""));
#endif

    const Run doctor = run(file("bin/corvane-cli"), {"doctor", "--simulate"});
    QVERIFY2(doctor.exitCode == 0 && doctor.output.contains("keyboard answers (board id"), qPrintable(doctor.output));
}

void TestInstall::desktopFilesValidate()
{
#ifndef CORVANE_HAVE_UI
    QSKIP("built without the configurator: no desktop entry");
#else
    const QString desktopValidate = QStandardPaths::findExecutable("desktop-file-validate");
    const QString appstream = QStandardPaths::findExecutable("appstreamcli");
    if (desktopValidate.isEmpty() || appstream.isEmpty())
        QSKIP("desktop-file-validate or appstreamcli missing: apt-get install desktop-file-utils appstream");
    const Run desktop = run(desktopValidate, {file("share/applications/" + AppId + ".desktop")});
    QVERIFY2(desktop.exitCode == 0 && desktop.output.trimmed().isEmpty(), qPrintable(desktop.output));
    const Run metainfo = run(appstream, {"validate", "--no-net", file("share/metainfo/" + AppId + ".metainfo.xml")});
    QVERIFY2(metainfo.exitCode == 0, qPrintable(metainfo.output));
#endif
}

QTEST_GUILESS_MAIN(TestInstall)
#include "test_install.moc"
