// The focus source: settling, this process's own windows, and the X11 body
// against a private Xvfb.

#include "FocusSource.h"
#include "XvfbDisplay.h"

#include <QSignalSpy>
#include <QtTest>

Q_DECLARE_METATYPE(FocusedApp)

namespace {
FocusedApp appNamed(const QString &exe)
{
    FocusedApp a;
    a.executable = exe;
    a.pid = 1;
    return a;
}
FocusedApp reported(const QSignalSpy &spy, int i)
{
    return spy.at(i).at(0).value<FocusedApp>();
}
} // namespace

class TestFocus : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { qRegisterMetaType<FocusedApp>(); }
    void onlyASettledFocusIsReported();
    void x11ActiveWindow();
};

void TestFocus::onlyASettledFocusIsReported()
{
    ExternalFocusSource source;
    QSignalSpy spy(&source, &FocusSource::applicationChanged);
    source.setFocus(appNamed("editor"));
    QVERIFY(spy.wait(20000));
    QCOMPARE(reported(spy, 0).executable, QString("editor"));

    // A flicker to another application and back reports nothing, and our
    // own window in front is ignored: the next report is the next real one.
    source.setFocus(appNamed("game"));
    source.setFocus(appNamed("editor"));
    FocusedApp own = appNamed("corvane");
    own.pid = QCoreApplication::applicationPid();
    source.setFocus(own);
    source.setFocus(appNamed("browser"));
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 2, 20000);
    QCOMPARE(reported(spy, 1).executable, QString("browser"));
    QCOMPARE(source.current().executable, QString("browser"));
}

void TestFocus::x11ActiveWindow()
{
#ifndef CORVANE_HAVE_XCB
    QSKIP("built without xcb");
#else
    if (!XvfbDisplay::available())
        QSKIP("Xvfb is not installed");
    XvfbDisplay x;
    const QString problem = x.start();
    QVERIFY2(problem.isEmpty(), qPrintable(problem));

    // A display that does not answer: the source says so.
    std::unique_ptr<FocusSource> none(FocusSource::createSystemSource(nullptr, ":65000"));
    QVERIFY(!none->start());

    std::unique_ptr<FocusSource> source(FocusSource::createSystemSource(nullptr, x.name()));
    QSignalSpy spy(source.get(), &FocusSource::applicationChanged);
    QVERIFY(source->start());
    QVERIFY(spy.wait(20000)); // the state at start: no active window
    QVERIFY(reported(spy, 0).executable.isEmpty());

    // The executable comes from the window's process; Xvfb stands in for it.
    const xcb_window_t game = x.createWindow("game", "Game", uint32_t(x.serverPid()));
    const xcb_window_t notes = x.createWindow("notes", "Notes", 0);
    x.activate({game});
    QVERIFY(spy.wait(20000));
    FocusedApp app = reported(spy, 1);
    QCOMPARE(app.executable, QString("Xvfb"));
    QCOMPARE(app.windowInstance, QString("game"));
    QCOMPARE(app.windowClass, QString("Game"));
    QCOMPARE(app.pid, x.serverPid());

    x.activate({notes});
    QVERIFY(spy.wait(20000));
    app = reported(spy, 2);
    QVERIFY(app.executable.isEmpty());
    QCOMPARE(app.windowClass, QString("Notes"));
#endif
}

QTEST_GUILESS_MAIN(TestFocus)
#include "test_focus.moc"
