#pragma once

#include <QString>

class QAction;
class QDialog;
class QMenu;
class QPoint;
class QWidget;

// Every modal box of the program opens here: questions, notices, file
// choosers, dialogs run to their end and context menus. A process started
// with CORVANE_NONINTERACTIVE set (the test suite, the benchmarks, scripts)
// has no one to answer a box, so none opens: one warning names the box with
// its title and text, and the default answer is taken at once (No, nothing
// chosen, the dialog cancelled). A run with a person in front is unchanged.
namespace ModalGuard {

// False when CORVANE_NONINTERACTIVE is set and no AllowBoxes is alive.
bool interactive();

// A Yes/No question, Yes preselected for a person; true for Yes.
bool ask(QWidget *parent, const QString &title, const QString &text);
// A notice with OK.
void inform(QWidget *parent, const QString &title, const QString &text);
// File choosers; empty when cancelled.
QString openFileName(QWidget *parent, const QString &caption, const QString &folder, const QString &filter);
QString saveFileName(QWidget *parent, const QString &caption, const QString &suggested, const QString &filter);
// Runs a dialog to its end: its result, QDialog::Rejected when not shown.
int exec(QDialog *dialog);
// A context menu at a global position: the action chosen, or none.
QAction *execMenu(QMenu *menu, const QPoint &pos);

// While one lives, boxes open even in a non-interactive process: for a test
// that opens a real box and closes it itself.
class AllowBoxes {
public:
    AllowBoxes();
    ~AllowBoxes();
    AllowBoxes(const AllowBoxes &) = delete;
    AllowBoxes &operator=(const AllowBoxes &) = delete;
};

} // namespace ModalGuard
