#pragma once

#include "MacroFile.h"
#include "MacroStepList.h"
#include "MacroStore.h"

#include <QDialog>
#include <QSet>

#include <functional>

class QButtonGroup;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QRadioButton;

// "宏管理": the stored macros on the left (names editable: a new name
// renames the file), their steps on the right. A recording grabs the
// keyboard and turns each press and release into a key row, with a delay
// row for the pause before it (the time measured, or the fixed delay).
// Every stored macro is a file of the "Macro" folder; editing the steps of
// a stored macro rewrites its file at once, a new recording is kept by
// "保存录制".
class MacroManageWindow : public QDialog {
    Q_OBJECT
public:
    // Item data of the two lists.
    static constexpr int IdRole = Qt::UserRole;           // step rows: MacroRow::id
    static constexpr int StepsRole = Qt::UserRole + 1000; // macro entries: QList<MACRO_Key>
    static constexpr int NameRole = Qt::UserRole + 1001;  // macro entries: the name on disk

    explicit MacroManageWindow(const QString &folder = macroFolderPath(), QWidget *parent = nullptr);
    ~MacroManageWindow() override;

    // Where import reads and export writes; an empty answer cancels. By
    // default file dialogs.
    using FilePrompt = std::function<QString()>;
    void setImportPrompt(const FilePrompt &prompt) { m_importPrompt = prompt; }
    void setExportPrompt(const FilePrompt &prompt) { m_exportPrompt = prompt; }

    bool isRecording() const { return m_recording; }
    const MacroStepList &stepRows() const { return m_steps; }
    // The macro whose steps are shown; empty for a recording not yet saved.
    QString shownMacro() const { return m_shown; }

    QListWidget *macroList() const { return m_macroList; }
    QListWidget *stepList() const { return m_stepList; }
    QPushButton *importButton() const { return m_import; }
    QPushButton *exportButton() const { return m_export; }
    QPushButton *deleteButton() const { return m_delete; }
    QPushButton *copyButton() const { return m_copy; }
    QPushButton *removeStepButton() const { return m_removeStep; }
    QPushButton *moveUpButton() const { return m_moveUp; }
    QPushButton *moveDownButton() const { return m_moveDown; }
    QRadioButton *recordDelayButton() const { return m_recordDelay; }
    QRadioButton *fixedDelayButton() const { return m_fixedDelay; }
    QLineEdit *fixedDelayEdit() const { return m_fixedDelayEdit; }
    QPushButton *recordButton() const { return m_record; }
    QPushButton *saveButton() const { return m_save; }

signals:
    // One recorded key event: press (true) or release, the key's type in
    // the key-name table, and the time since the event before.
    void sigMacroKeyRecord(bool type, int key, int msecs);
    // A macro file was made, changed, renamed or removed.
    void sigMacrosChanged();

protected:
    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void build();
    void setupConnections();
    void retranslate();

    // Recording
    void startRecording();
    void stopRecording();
    void recordKeyEvent(const QKeyEvent *event);
    void onMacroKeyRecord(bool down, int key, int msecs);
    QString fixedDelayText() const;
    void updateControls();

    // The step list
    void showSteps();
    void onStepEdited(QListWidgetItem *item);
    void removeStep();
    void moveStep(int by);
    void stepsEdited(int selectRow);
    void persistSteps();

    // The macro list and files (MacroManageWindowFiles.cpp)
    void loadMacros();
    QListWidgetItem *addMacroEntry(const MacroEntry &entry);
    QListWidgetItem *currentMacro() const;
    void showMacro(QListWidgetItem *item);
    void saveRecording();
    void importMacro();
    void exportMacro();
    void deleteMacro();
    void copyMacro();
    void onMacroRenamed(QListWidgetItem *item);
    // A new macro file named after the time now; its entry, selected.
    bool storeNewMacro(const QList<MACRO_Key> &steps);
    void message(const QString &title, const QString &text);

    MacroStore m_store;
    MacroStepList m_steps;
    QString m_shown;
    // The shown macro has more steps than the list can hold: view only.
    bool m_viewOnly = false;
    bool m_recording = false;
    bool m_canSave = false; // a recording waits for "保存录制"
    bool m_hasLastEvent = false;
    qint64 m_lastEvent = 0;
    QSet<int> m_held; // keys pressed during the recording and not yet released
    FilePrompt m_importPrompt;
    FilePrompt m_exportPrompt;

    QLabel *m_listTitle = nullptr;
    QLabel *m_recordTitle = nullptr;
    QListWidget *m_macroList = nullptr;
    QListWidget *m_stepList = nullptr;
    QPushButton *m_import = nullptr;
    QPushButton *m_export = nullptr;
    QPushButton *m_delete = nullptr;
    QPushButton *m_copy = nullptr;
    QPushButton *m_removeStep = nullptr;
    QPushButton *m_moveUp = nullptr;
    QPushButton *m_moveDown = nullptr;
    QButtonGroup *m_delayChoice = nullptr;
    QRadioButton *m_recordDelay = nullptr;
    QRadioButton *m_fixedDelay = nullptr;
    QLineEdit *m_fixedDelayEdit = nullptr;
    QLabel *m_fixedDelayUnit = nullptr;
    QPushButton *m_record = nullptr;
    QPushButton *m_save = nullptr;
};
