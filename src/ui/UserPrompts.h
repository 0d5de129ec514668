#pragma once

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

    static UserPrompts dialogs(QWidget *parent);
};
