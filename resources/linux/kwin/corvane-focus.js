// Loaded into KWin (Plasma 5.27 and 6) by Corvane when it starts following
// the application in front: on every activation, tells Corvane's session bus
// service the window's resource class, process id and caption. KWin runs it
// with its own rights; it only reports, and a Corvane that is not running
// simply does not answer.
var service = "org.corvane.Corvane1";
var path = "/org/corvane/Corvane1";

function report(window) {
    if (!window) {
        callDBus(service, path, service, "ReportFocus", "", "", "");
        return;
    }
    callDBus(service, path, service, "ReportFocus",
             String(window.resourceClass || ""),
             String(window.pid > 0 ? window.pid : ""),
             String(window.caption || ""));
}

// KWin 6 names it windowActivated, 5.27 clientActivated.
if (workspace.windowActivated) {
    workspace.windowActivated.connect(report);
    report(workspace.activeWindow);
} else {
    workspace.clientActivated.connect(report);
    report(workspace.activeClient);
}
