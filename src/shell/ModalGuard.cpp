#include "ModalGuard.h"

#include "ShellLog.h"

#include <QDialog>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>

#include <atomic>

namespace {

std::atomic<int> s_allowed{0};

// One line, whatever the texts hold, so a test log shows the box where it
// would have opened.
void notShown(const char *kind, const QString &title, const QString &text, const char *answer)
{
    qCWarning(lcShell).noquote() << QStringLiteral("%1 not shown (non-interactive run): \"%2\": %3; answered %4")
                                        .arg(QLatin1String(kind), title.simplified(), text.simplified(),
                                             QLatin1String(answer));
}

} // namespace

namespace ModalGuard {

bool interactive()
{
    return s_allowed > 0 || !qEnvironmentVariableIsSet("CORVANE_NONINTERACTIVE");
}

bool ask(QWidget *parent, const QString &title, const QString &text)
{
    if (!interactive()) {
        notShown("question", title, text, "No");
        return false;
    }
    return QMessageBox::information(parent, title, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) ==
           QMessageBox::Yes;
}

void inform(QWidget *parent, const QString &title, const QString &text)
{
    if (!interactive()) {
        notShown("message", title, text, "OK");
        return;
    }
    QMessageBox::information(parent, title, text, QMessageBox::Ok);
}

QString openFileName(QWidget *parent, const QString &caption, const QString &folder, const QString &filter)
{
    if (!interactive()) {
        notShown("file chooser", caption, folder, "Cancel");
        return {};
    }
    return QFileDialog::getOpenFileName(parent, caption, folder, filter);
}

QString saveFileName(QWidget *parent, const QString &caption, const QString &suggested, const QString &filter)
{
    if (!interactive()) {
        notShown("file chooser", caption, suggested, "Cancel");
        return {};
    }
    return QFileDialog::getSaveFileName(parent, caption, suggested, filter);
}

int exec(QDialog *dialog)
{
    if (!interactive()) {
        notShown("dialog", dialog->windowTitle(), QString::fromLatin1(dialog->metaObject()->className()), "Cancel");
        return QDialog::Rejected;
    }
    return dialog->exec();
}

QAction *execMenu(QMenu *menu, const QPoint &pos)
{
    if (!interactive()) {
        QStringList items;
        for (const QAction *a : menu->actions())
            if (!a->isSeparator())
                items << a->text();
        notShown("menu", menu->title(), items.join(QStringLiteral(", ")), "nothing chosen");
        return nullptr;
    }
    return menu->exec(pos);
}

AllowBoxes::AllowBoxes()
{
    ++s_allowed;
}

AllowBoxes::~AllowBoxes()
{
    --s_allowed;
}

} // namespace ModalGuard
