#pragma once

#include <QList>
#include <QPair>
#include <QString>

#include <functional>

class QWidget;

// The questions the main window puts to the user. Each defaults to the
// ordinary dialog; tests answer them instead.
struct UserPrompts {
    // Yes/No box, Yes by default; true for Yes.
    std::function<bool(const QString &title, const QString &text)> ask;
    // OK box.
    std::function<void(const QString &title, const QString &text)> inform;
    // The profile-name dialog; empty when cancelled.
    std::function<QString()> askProfileName;
    // Open-file dialog for a profile to import; empty when cancelled.
    std::function<QString(const QString &startFolder)> chooseImportFile;
    // Save-file dialog for an export; empty when cancelled.
    std::function<QString(const QString &suggestedPath)> chooseExportFile;

    // File dialogs for the file of every profile ("导出全部" / "导入全部").
    std::function<QString(const QString &suggestedPath)> chooseBundleExport;
    std::function<QString(const QString &startFolder)> chooseBundleImport;
    // Save-file dialog for the layer sheet (filter: "PDF (*.pdf)" or "SVG (*.svg)").
    std::function<QString(const QString &suggestedPath, const QString &filter)> chooseSheetFile;
    // "离线编辑": a keyboard model and a profile (its list name) to edit
    // without the keyboard; false when cancelled.
    struct OfflineChoice {
        int model = -1;
        int profile = 0;
    };
    std::function<bool(const QList<QPair<int, QString>> &models, const QList<QPair<int, QString>> &profiles,
                       OfflineChoice *choice)>
        chooseOfflineTarget;
    // The clipboard, for share codes.
    std::function<void(const QString &text)> copyText;
    std::function<QString()> pastedText;

    static UserPrompts dialogs(QWidget *parent);
    // prompts, with the ordinary dialog for each question it does not answer.
    static UserPrompts withDefaults(UserPrompts prompts, QWidget *parent);
};
