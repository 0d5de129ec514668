#pragma once

#include "AppProfileRules.h"

#include <QDialog>
#include <QStringList>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;

// The program's own settings: which profile follows which application in
// front (sysConfig.ini, group AppProfiles), and starting with the desktop
// session. Every change is stored at once.
class SettingsDialog : public QDialog {
    Q_OBJECT
public:
    struct Options {
        QStringList profiles;       // the names of the existing profiles
        bool focusAvailable = true; // the session tells which application is in front
        QString focusSource;        // how it tells ("X11", "Sway (wlroots)"); empty: it does not
        // Not empty: the desktop's reporter is not enabled, and this command enables it.
        QString focusEnableCommand;
        QString program;            // what the autostart entry starts
        QStringList startArguments; // given to it besides --background
        // The applications offered for a rule; the running ones unless set.
        std::function<QStringList()> runningApplications;
    };

    explicit SettingsDialog(const Options &options, QWidget *parent = nullptr);

    AppProfileRules rules() const { return m_rules; }
    // The last failure shown, empty when the last change was stored.
    QString errorText() const;

signals:
    void rulesChanged();

protected:
    void changeEvent(QEvent *event) override;

private:
    void buildWidgets();
    void setupConnections();
    void retranslate();
    void fillRules();
    void fillDefault();
    void addRule();
    void removeRule();
    void chooseDefault(int index);
    void setAutostart(bool on);
    // Stores the rules; on failure the stored ones come back.
    void store(const AppProfileRules &rules);
    void showError(const QString &text);
    QString profileText(const QString &profile) const;

    Options m_options;
    AppProfileRules m_rules;

    QLabel *m_rulesTitle = nullptr;
    QLabel *m_rulesHelp = nullptr;
    QLabel *m_x11Note = nullptr;
    QLabel *m_sourceLabel = nullptr;
    QCheckBox *m_backBox = nullptr;
    QCheckBox *m_noSocdBox = nullptr;
    QTreeWidget *m_ruleList = nullptr;
    QComboBox *m_appBox = nullptr;
    QComboBox *m_profileBox = nullptr;
    QPushButton *m_addBtn = nullptr;
    QPushButton *m_removeBtn = nullptr;
    QLabel *m_defaultLabel = nullptr;
    QComboBox *m_defaultBox = nullptr;
    QLabel *m_backgroundTitle = nullptr;
    QCheckBox *m_autostartBox = nullptr;
    QLabel *m_trayHelp = nullptr;
    QLabel *m_error = nullptr;
    QPushButton *m_closeBtn = nullptr;
};
