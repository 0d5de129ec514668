#pragma once

#include "AppProfileRules.h"
#include "ApplyRunner.h"
#include "KeyboardController.h"
#include "IAPFirmwareWindow.h"
#include "ProfileData.h"
#include "SettingsDialog.h"
#include "UserPrompts.h"

#include <QMap>
#include <QPoint>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <functional>

class ApplyRunner;
class DeviceLifecycle;
class KeyboardController;
class FirmwareNotice;
class DeviceNotifier;
class FileListWgt;
class FocusPolicy;
class FocusSource;
struct FocusSwitch;
class KeyConfigWgt;
class KeyboardAction;
class KeyboardBaseWgt;
class KeyboardConfigModel;
class KeyboardDeck;
class ProfileManager;
class QButtonGroup;
class QHBoxLayout;
class SnapshotListWindow;
class QAction;
class QLabel;
class QMenu;
class QSystemTrayIcon;
class QPushButton;
class QStackedWidget;
class QToolButton;

// The frameless main window: the profile column, the page menu, the
// keyboard area with the views of the connected model, the bottom bar.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    // The window of a keyboard controller that outlives it.
    explicit MainWindow(KeyboardController *keyboard, QWidget *parent = nullptr);
    // With a controller of its own, on the process-wide worker and profile
    // manager unless given others.
    explicit MainWindow(DeviceNotifier *notifier, KeyboardAction *worker = nullptr, ProfileManager *profiles = nullptr,
                        QWidget *parent = nullptr);
    ~MainWindow() override;

    // Finds the keyboard and starts following plug and unplug.
    void startDevice();

    void setPrompts(const UserPrompts &prompts) { m_prompts = UserPrompts::withDefaults(prompts, this); }
    DeviceLifecycle *lifecycle() const { return m_lifecycle; }
    FileListWgt *profileList() const { return m_profileList; }
    QStringList profileNames() const { return m_profileNames; }
    QString statusText() const;
    int shownModel() const { return m_shownModel; }
    // The view of the shown model on a layer; nullptr when there is none.
    KeyboardBaseWgt *keyboardView(int layer) const;
    KeyboardDeck *keyboards() const { return m_keyboards; }
    KeyConfigWgt *pages() const { return m_pages; }
    // The connected keyboard's configuration and its undo history.
    KeyboardConfigModel *configModel() const { return m_config; }
    KeyboardController *keyboard() const { return m_keyboard; }
    QToolButton *undoButton() const { return m_undoBtn; }
    QToolButton *redoButton() const { return m_redoBtn; }
    QPushButton *winButton() const { return m_winBtn; }
    QPushButton *macButton() const { return m_macBtn; }
    // The settings dialog while it is open.
    IAPFirmwareWindow *firmwareDialog() const { return m_firmwareDialog; }
    // Opens the settings dialog (or brings the open one forward).
    IAPFirmwareWindow *openFirmwareDialog(const QString &firmwareVersion, bool bootLoader);

    // Commands from outside (a script, the session bus): a profile of the
    // list by its name, or one read from a file (label names it); the
    // window and the tray show it as the profile in use. *why says why
    // nothing was started.
    KeyboardController::ProfileApplied useProfileFromOutside(const QString &name, bool whole, QString *why);
    KeyboardController::ProfileApplied applyProfileFromOutside(const ProfileData &profile, const QString &label,
                                                               bool whole, QString *why);
    // The list as a script sees it: each profile's name, whether in use or damaged.
    struct ListedProfile {
        QString name;
        bool active = false;
        bool damaged = false;
    };
    QList<ListedProfile> listedProfiles() const;
    // The name of the profile in use; empty for the keyboard's own configuration.
    QString activeProfileName() const { return m_activeName; }

    // The profile flows behind the buttons and the list.
    void saveProfile();
    void importProfile();
    void chooseProfile(int id);
    void exportProfile(int id);
    void renameProfile(int id, const QString &newName);
    void deleteProfile(int id);
    // Everything at once, share codes and snapshots (MainWindowExchange.cpp).
    void exportAll();
    void importAll();
    void copyShareCode(int id);
    // Imports the share code found in text, after showing what it holds;
    // false when text holds no code.
    bool importShareCode(const QString &text);
    SnapshotListWindow *openSnapshots();
    // Edits a profile as the keyboard of a model with no keyboard connected;
    // the flow asks which (the more menu's "离线编辑").
    bool startOfflineEditing(int model, int id);
    void chooseOfflineEditing();
    // "打印/导出图层" of a profile: target is a FileListWgt::SheetTarget.
    void layerSheet(int id, int target);
    QToolButton *moreButton() const { return m_moreBtn; }
    // The name of a keyboard model as the user knows it ("68A").
    static QString modelName(int model);

    // Profiles follow the application in front by the rules of
    // sysConfig.ini; the window does not own the source.
    void setFocusSource(FocusSource *source);
    FocusPolicy *focusPolicy() const { return m_focus; }
    // The active profile and why, as the title area shows it.
    QString activeProfileText() const;
    // Whether the session tells which application is in front; the
    // settings say so when it does not.
    void setFocusAvailable(bool available) { m_focusAvailable = available; }
    // How the session tells it ("Sway (wlroots)"), and, when the desktop's
    // reporter is not enabled, the command that enables it.
    void setFocusSourceInfo(const QString &name, const QString &enableCommand)
    {
        m_focusSourceName = name;
        m_focusEnableCommand = enableCommand;
    }

    // The program's settings (automatic profiles, starting with the session).
    SettingsDialog *openSettingsDialog();
    SettingsDialog *settingsDialog() const { return m_settingsDialog; }
    QToolButton *settingsDialogButton() const { return m_appSettingsBtn; }

    // Staying in the background: with at least one rule and a system tray,
    // closing the window hides it in the tray instead of ending Corvane.
    // Whether there is a tray is asked of trayAvailable (the desktop's own
    // answer unless replaced).
    void setTrayAvailability(std::function<bool()> trayAvailable) { m_trayAvailable = std::move(trayAvailable); }
    // Hides the window in the tray; false (and nothing happens) without one.
    bool hideToTray();
    void showFromTray();
    // Closes the window for good, whatever the rules; false when it refuses
    // (a firmware update is being written).
    bool closeForQuit();
    // The tray's icon and menu, while Corvane is in the tray.
    QSystemTrayIcon *trayIcon() const { return m_tray; }
    QMenu *trayMenu() const { return m_trayMenu; }

signals:
    void changeProfile(int id);
    // A profile was applied because of the application in front.
    void profileFollowedFocus(const QString &profile);
    // The profile in use changed (its list name; empty: the keyboard's own).
    void activeProfileChanged(const QString &name);
    // The window closed for good: the program should end.
    void quitRequested();

public slots:
    void changeProfileSlot(int id);

private:
    KeyboardController::ProfileApplied applyProfile(ProfileData profile, bool whole = false);
    // Makes a profile current and sends it to the keyboard: every profile
    // switch goes through here.
    KeyboardController::ProfileApplied switchToProfile(int id);
    void setupFocusPolicy();
    // Applies the profile the focus policy asks for.
    void followFocus(const FocusSwitch &change);
    void showActiveProfile();
    // The lifecycle's title, and what the rules keep off while a game is in front.
    void showWindowTitle();
    // Shows the progress box and applies the profile.
    void startApplying(int id);
    // The box of the profile being sent, by frames answered.
    void showApplyProgress(quint64 run, int done, int frames);
    // True when closing leaves Corvane in the tray (the window is hidden).
    bool closeToTray();
    void fillTrayMenu();
    void updateTrayText();
    // A profile picked in the tray: applied at once, and the rules wait
    // until the application in front changes.
    void pickProfileFromTray(int id);

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildWidgets();
    void setupConnections();
    // Undo and redo: the buttons, their shortcuts and tool tips, and when
    // the history is cleared.
    void setupHistory();
    void showHistoryTips();
    void retranslate();
    void loadProfileList();
    void showEntryState(int id);
    bool refuseWhileInitialising();
    void showModel(int model);
    void onBoardReset();
    void selectLayer(int layer);
    void onKeyConfigPage(int id);
    void onSystemMode(int mode);
    void onModeToggled(bool win, bool checked);
    void setModeIcons(bool win);
    void onKeyboardRemoved();
    void toast(const QString &text, bool error);
    void buildExchangeButton(QWidget *parent, QHBoxLayout *row);
    void setupExchangeConnections();
    void retranslateExchange();
    // While a profile is edited offline the title and status say which.
    void showOfflineTitle();
    void addImportedProfiles(const QStringList &written);
    // The model shown, else the one last connected; -1 when none is known.
    int keyboardModel() const;
    static QStringList profileSummary(const ProfileDocument &document, int macros);

    void init();

    KeyboardController *m_keyboard;
    ProfileManager *m_profiles;
    ApplyRunner *m_runner = nullptr;
    KeyboardConfigModel *m_config = nullptr;
    DeviceLifecycle *m_lifecycle;
    UserPrompts m_prompts;

    QLabel *m_logo = nullptr;
    QLabel *m_profilesHeading = nullptr;
    QLabel *m_profileTitle = nullptr;
    QLabel *m_activeProfile = nullptr;
    QString m_activeName;  // empty: the keyboard's own configuration
    bool m_activeByFocus = false; // chosen by the application in front, not the user
    QString m_activeCause;        // the rule and the application; empty: none known
    FocusPolicy *m_focus = nullptr;
    bool m_socdRsOff = false; // the profile in use went without its SOCD and RS keys
    QString m_baseTitle;
    bool m_applying = false;
    bool m_applyFromOutside = false; // a script's command is being applied
    quint64 m_progressRun = 0; // the run the progress box counts
    QList<ApplyRunner::Group> m_progressGroups;
    QToolButton *m_saveBtn = nullptr;
    QToolButton *m_importBtn = nullptr;
    QToolButton *m_moreBtn = nullptr;
    QMenu *m_moreMenu = nullptr;
    QAction *m_exportAllAction = nullptr;
    QAction *m_importAllAction = nullptr;
    QAction *m_pasteCodeAction = nullptr;
    QAction *m_snapshotsAction = nullptr;
    QAction *m_offlineAction = nullptr;
    QPointer<SnapshotListWindow> m_snapshotWindow;
    QPushButton *m_settingsBtn = nullptr;
    QToolButton *m_appSettingsBtn = nullptr;
    QPointer<SettingsDialog> m_settingsDialog;
    bool m_focusAvailable = false;
    QString m_focusSourceName;
    QString m_focusEnableCommand;
    std::function<bool()> m_trayAvailable;
    QSystemTrayIcon *m_tray = nullptr;
    QMenu *m_trayMenu = nullptr;
    bool m_quitting = false; // the next close ends the program
    FileListWgt *m_profileList = nullptr;
    QStringList m_profileNames;
    QLabel *m_keyboardName = nullptr;
    QLabel *m_status = nullptr;
    QToolButton *m_minBtn = nullptr;
    QToolButton *m_closeBtn = nullptr;
    QButtonGroup *m_pageGroup = nullptr;
    QWidget *m_keyboardArea = nullptr;
    QPushButton *m_winBtn = nullptr;
    QPushButton *m_macBtn = nullptr;
    QWidget *m_fnWidget = nullptr;
    QButtonGroup *m_fnGroup = nullptr;
    QPushButton *m_addLayerBtn = nullptr;
    QStackedWidget *m_modelStack = nullptr;
    QMap<int, QStackedWidget *> m_modelViews; // model -> its four layer views, built when first shown
    int m_shownModel = -1;
    KeyboardDeck *m_keyboards = nullptr; // the shown model's views, for the pages
    KeyConfigWgt *m_pages = nullptr;
    QToolButton *m_undoBtn = nullptr;
    QToolButton *m_redoBtn = nullptr;
    QPushButton *m_languageBtn = nullptr;
    bool m_modeGuard = false;
    bool m_firmwareUpdateRunning = false;
    bool m_bootLoader = false; // the keyboard reported its boot loader
    QPointer<IAPFirmwareWindow> m_firmwareDialog;
    FirmwareNotice *m_firmwareNotice = nullptr;
};
