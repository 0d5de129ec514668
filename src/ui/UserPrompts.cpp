#include "UserPrompts.h"

#include "ModalGuard.h"
#include "ProfileName.h"
#include "inputWindow.h"

#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QCoreApplication>
#include <QGuiApplication>

UserPrompts UserPrompts::dialogs(QWidget *parent)
{
    UserPrompts p;
    p.ask = [parent](const QString &title, const QString &text) {
        return ModalGuard::ask(parent, title, text);
    };
    p.inform = [parent](const QString &title, const QString &text) {
        ModalGuard::inform(parent, title, text);
    };
    p.askProfileName = [parent]() {
        QString name;
        inputWindow dialog(&name, parent);
        dialog.setNameCheck([](const QString &n) { return profileNameProblem(n); });
        ModalGuard::exec(&dialog);
        return name.trimmed();
    };
    p.chooseImportFile = [parent](const QString &startFolder) {
        return ModalGuard::openFileName(parent, QCoreApplication::translate("MainWindow", "选择键盘配置文件"),
                                        startFolder, QStringLiteral("config files(*.kb)"));
    };
    p.chooseExportFile = [parent](const QString &suggested) {
        return ModalGuard::saveFileName(parent, QCoreApplication::translate("MainWindow", "选择要保存的文件"),
                                        suggested, QStringLiteral("config files(*.kb)"));
    };
    p.chooseBundleExport = [parent](const QString &suggested) {
        return ModalGuard::saveFileName(parent, QCoreApplication::translate("MainWindow", "导出全部"), suggested,
                                        QStringLiteral("Corvane (*.corvane)"));
    };
    p.chooseBundleImport = [parent](const QString &startFolder) {
        return ModalGuard::openFileName(parent, QCoreApplication::translate("MainWindow", "导入全部"), startFolder,
                                        QStringLiteral("Corvane (*.corvane)"));
    };
    p.chooseSheetFile = [parent](const QString &suggested, const QString &filter) {
        return ModalGuard::saveFileName(parent, QCoreApplication::translate("MainWindow", "打印/导出图层"), suggested,
                                        filter);
    };
    p.chooseOfflineTarget = [parent](const QList<QPair<int, QString>> &models, const QList<QPair<int, QString>> &profiles,
                                     OfflineChoice *choice) {
        QDialog dialog(parent);
        dialog.setWindowTitle(QCoreApplication::translate("MainWindow", "离线编辑"));
        auto *model = new QComboBox(&dialog);
        model->setAccessibleName(QCoreApplication::translate("MainWindow", "键盘型号"));
        for (const auto &m : models)
            model->addItem(m.second, m.first);
        auto *profile = new QComboBox(&dialog);
        profile->setAccessibleName(QCoreApplication::translate("MainWindow", "配置"));
        for (const auto &pr : profiles)
            profile->addItem(pr.second, pr.first);
        auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
        auto *form = new QFormLayout(&dialog);
        form->addRow(QCoreApplication::translate("MainWindow", "键盘型号"), model);
        form->addRow(QCoreApplication::translate("MainWindow", "配置"), profile);
        form->addRow(buttons);
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        if (ModalGuard::exec(&dialog) != QDialog::Accepted || model->currentIndex() < 0 || profile->currentIndex() < 0)
            return false;
        choice->model = model->currentData().toInt();
        choice->profile = profile->currentData().toInt();
        return true;
    };
    p.copyText = [](const QString &text) { QGuiApplication::clipboard()->setText(text); };
    p.pastedText = [] { return QGuiApplication::clipboard()->text(); };
    return p;
}

UserPrompts UserPrompts::withDefaults(UserPrompts prompts, QWidget *parent)
{
    const UserPrompts d = dialogs(parent);
    const auto fill = [](auto &mine, const auto &theirs) {
        if (!mine)
            mine = theirs;
    };
    fill(prompts.ask, d.ask);
    fill(prompts.inform, d.inform);
    fill(prompts.askProfileName, d.askProfileName);
    fill(prompts.chooseImportFile, d.chooseImportFile);
    fill(prompts.chooseExportFile, d.chooseExportFile);
    fill(prompts.chooseBundleExport, d.chooseBundleExport);
    fill(prompts.chooseBundleImport, d.chooseBundleImport);
    fill(prompts.chooseSheetFile, d.chooseSheetFile);
    fill(prompts.chooseOfflineTarget, d.chooseOfflineTarget);
    fill(prompts.copyText, d.copyText);
    fill(prompts.pastedText, d.pastedText);
    return prompts;
}
