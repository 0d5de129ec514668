#pragma once

#include "AdvancedKeyInfo.h"
#include "MacroFile.h"

#include <QList>
#include <QPointer>
#include <QWidget>

class MacroManageWindow;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

// "宏列表" of the macro editor: the stored macros of the "Macro" folder to
// choose from, and "宏管理", which opens the macro manager. The list reads
// the folder again whenever the manager changes a macro.
class MacroTableWgt : public QWidget {
    Q_OBJECT
public:
    static constexpr int EntryHeight = 45;
    static constexpr int StepsRole = Qt::UserRole + 1000; // QList<MACRO_Key>

    explicit MacroTableWgt(const QString &folder = macroFolderPath(), QWidget *parent = nullptr);

    // Reads the folder again; the chosen macro stays chosen while its file is there.
    void reload();
    // Chooses the macro of that name; false (nothing chosen) when there is none.
    bool selectMacro(const QString &name);
    QString selectedName() const;
    QList<MACRO_Key> selectedSteps() const;

    QListWidget *list() const { return m_list; }
    QPushButton *manageButton() const { return m_manage; }
    // The manager while it is open.
    MacroManageWindow *manager() const;

signals:
    // "宏管理" was pressed (the manager opens).
    void sigMacroWindow();
    // A macro was chosen; an empty name when the choice went away.
    void sigMacroGroupInfo(QString text);

protected:
    void changeEvent(QEvent *event) override;

private:
    void openManager();
    void retranslate();
    void updateEmptyHint();

    QString m_folder;
    QLabel *m_title = nullptr;
    QPushButton *m_manage = nullptr;
    QListWidget *m_list = nullptr;
    QLabel *m_emptyHint = nullptr;
    QPointer<MacroManageWindow> m_manager;
};
