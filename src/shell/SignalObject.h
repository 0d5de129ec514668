#pragma once

#include "ToastTypes.h"

#include <QObject>
#include <QString>

// The application-wide hub, for the signals that cross from one part of the
// window to another: the page switcher and the main window, the pages and
// the main window, one page and another, the firmware dialog and the main
// window. What a page says to itself or to its own pop-ups stays in the
// page. It only declares signals; every connection is made on the GUI
// thread and is direct.
class SignalObject : public QObject {
    Q_OBJECT
public:
    static SignalObject *instance();
    explicit SignalObject(QObject *parent = nullptr);

signals:
    // The page switcher shows page id (main window: the Fn-layer bar).
    void sigKeyConfigPage(int id);
    // Live work ends (main window: the worker's polls; performance page).
    void sigStopKeyTest();
    void sigStopAdjusting();
    // The lighting page leaves super light speed (performance page).
    void sigCloseLightSpeedMode();
    // A page menu button (page switcher).
    void sigChangePage(int page);
    // Layer 1 or 3 comes on screen (remapping page: the Fn-function keys).
    void sigShowFnKeyColor();
    // The user confirmed the factory reset (main window).
    void sigBoardReset();
    // A toast over the keyboard area (main window).
    void sigShowToastTip(ToastType type, ToastPosition position, QString text, int msecs);
};
