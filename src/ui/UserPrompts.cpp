#include "UserPrompts.h"

#include "ProfileName.h"
#include "inputWindow.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>

UserPrompts UserPrompts::dialogs(QWidget *parent)
{
    UserPrompts p;
    p.ask = [parent](const QString &title, const QString &text) {
        return QMessageBox::information(parent, title, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) ==
               QMessageBox::Yes;
    };
    p.inform = [parent](const QString &title, const QString &text) {
        QMessageBox::information(parent, title, text, QMessageBox::Ok);
    };
    p.askProfileName = [parent]() {
        QString name;
        inputWindow dialog(&name, parent);
        dialog.setNameCheck([](const QString &n) { return profileNameProblem(n); });
        dialog.exec();
        return name.trimmed();
    };
    p.chooseImportFile = [parent](const QString &startFolder) {
        return QFileDialog::getOpenFileName(parent, QCoreApplication::translate("MainWindow", "选择键盘配置文件"),
                                            startFolder, QStringLiteral("config files(*.kb)"));
    };
    p.chooseExportFile = [parent](const QString &suggested) {
        return QFileDialog::getSaveFileName(parent, QCoreApplication::translate("MainWindow", "选择要保存的文件"),
                                            suggested, QStringLiteral("config files(*.kb)"));
    };
    return p;
}
