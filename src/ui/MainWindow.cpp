#include "MainWindow.h"

#include "FocusPolicy.h"

#include "ApplyRunner.h"
#include "KeyboardController.h"
#include "UserMessage.h"

#include "AppParams.h"
#include "BoardRecords.h"
#include "CorvaneVersion.h"
#include "BoardProfile.h"
#include "DeviceLifecycle.h"
#include "FileListWgt.h"
#include "FirmwareNotice.h"
#include "FramelessWindow.h"
#include "IAPFirmwareWindow.h"
#include "KeyConfigWgt.h"
#include "KeyboardAction.h"
#include "KeyboardConfigModel.h"
#include "KeyboardBaseWgt.h"
#include "KeyboardDeck.h"
#include "KeyboardLayouts.h"
#include "KeyboardModels.h"
#include "KeyboardSession.h"
#include "MacroFile.h"
#include "LanguageManager.h"
#include "ModelMetaTypes.h"
#include "OnlineUpdate.h"
#include "ProfileManager.h"
#include "SendDataProgress.h"
#include "SignalObject.h"
#include "SystemConfig.h"
#include "ToastTip.h"
#include "UiIcons.h"
#include "UiLog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainterPath>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

void makeFolder(const QString &path, const char *name)
{
    if (QDir(path).exists())
        qCDebug(lcUi, "%s folder already exists.", name);
    else if (QDir().mkpath(path))
        qCDebug(lcUi, "%s folder created successfully.", name);
    else
        qCWarning(lcUi, "Failed to create %s folder.", name);
}

bool keyboardModelHasView(int model)
{
    return keyboardLayoutForModel(model) != nullptr;
}

QToolButton *iconButton(QWidget *parent, UiIcon icon, int size, const char *objectName)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(QLatin1String(objectName));
    b->setIcon(uiIcon(icon));
    b->setIconSize(QSize(size - 8, size - 8));
    b->setFixedSize(size, size);
    b->setAutoRaise(true);
    b->setCursor(Qt::PointingHandCursor);
    return b;
}

} // namespace

MainWindow::MainWindow(KeyboardController *keyboard, QWidget *parent)
    : QWidget(parent), m_keyboard(keyboard), m_profiles(keyboard->profiles()), m_prompts(UserPrompts::dialogs(this))
{
    init();
}

MainWindow::MainWindow(DeviceNotifier *notifier, KeyboardAction *worker, ProfileManager *profiles, QWidget *parent)
    : QWidget(parent), m_keyboard(new KeyboardController(worker ? worker : KeyboardAction::instance(), notifier,
                                                         profiles ? profiles : ProfileManager::instance(), this)),
      m_profiles(m_keyboard->profiles()), m_prompts(UserPrompts::dialogs(this))
{
    init();
}

void MainWindow::init()
{
    setObjectName(QStringLiteral("MainWindow"));
    registerContainerMetaTypes();
    AppParams::makeSessionNonce();
    makeFolder(QStringLiteral("cache"), "cache");
    LanguageManager *language = LanguageManager::instance();
    language->setLanguage(language->language() == QLatin1String("Chinese") ? QStringLiteral("Chinese")
                                                                              : QStringLiteral("English"));
    setWindowFlags(Qt::FramelessWindowHint | Qt::Window);
    WindowDragger::install(this);
#ifdef Q_OS_WIN
    setAttribute(Qt::WA_TranslucentBackground);
#endif
    m_lifecycle = m_keyboard->lifecycle();
    m_runner = m_keyboard->runner();
    m_config = m_keyboard->config();
    m_keyboards = new KeyboardDeck(this);
    m_keyboard->setMacroLoader([](const QString &name) {
        return loadMacroFile(QDir::current().filePath(QStringLiteral("Macro")), name);
    });
    m_lifecycle->setModelAvailable([](int model) { return keyboardModelHasView(model); });
    m_lifecycle->setBootLoaderQuestion([this](const QString &boardVersion) {
        // The open settings dialog already offers the update.
        if (m_firmwareDialog) {
            openFirmwareDialog(boardVersion, true);
            return true;
        }
        if (!m_prompts.ask(tr("Boot模式"), tr("键盘App程序不存在，请升级固件？")))
            return false;
        openFirmwareDialog(boardVersion, true);
        return true;
    });
    m_firmwareNotice = new FirmwareNotice(OnlineUpdate::instance(), this);

    buildWidgets();
    setupFocusPolicy();
    setupConnections();

    // The model of the last session, or the full-size one.
    int model = SystemConfig().keyboardModel();
    if (!keyboardModelHasView(model))
        model = 0;
    showModel(model);

    m_profiles->SelectCurrentProfile(0);
    loadProfileList();
    m_baseTitle = QStringLiteral("Corvane");
    setWindowTitle(m_baseTitle);
    setWindowIcon(QIcon(corvaneLogo(QSize(64, 64))));
    retranslate();
    makeFolder(QStringLiteral("LocalProfile"), "LocalProfile");
    SystemConfig config;
    config.setSoftwareName(QStringLiteral("Corvane"));
    config.setSoftwareVersion(QStringLiteral(CORVANE_VERSION));
}

MainWindow::~MainWindow()
{
    m_pages->activatePages(false);
    // The progress box is process-wide; it only borrows this window while a
    // profile is applied and must outlive it.
    SendDataProgress *progress = SendDataProgress::instance();
    if (progress->parentWidget() == this) {
        progress->hide();
        progress->setParent(nullptr);
    }
    // The views talk to the worker; stop that before the widgets go.
    for (QStackedWidget *stack : qAsConst(m_modelViews))
        for (int layer = 0; layer < stack->count(); ++layer)
            static_cast<KeyboardBaseWgt *>(stack->widget(layer))->activate(false);
}

void MainWindow::startDevice()
{
    m_keyboard->start();
}

void MainWindow::buildWidgets()
{
    auto *outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    // Left column: logo, profile title, save/import/settings, profile list.
    auto *left = new QFrame(this);
    left->setObjectName(QStringLiteral("MainWindowLeft"));
    left->setFixedWidth(240);
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(20, 10, 20, 20);
    m_logo = new QLabel(left);
    m_logo->setPixmap(corvaneLogo(QSize(180, 120)));
    m_logo->setFixedSize(180, 120);
    leftLayout->addWidget(m_logo, 0, Qt::AlignHCenter);
    m_profilesHeading = new QLabel(left);
    m_profilesHeading->setObjectName(QStringLiteral("profilesHeading"));
    QFont headingFont = m_profilesHeading->font();
    headingFont.setBold(true);
    m_profilesHeading->setFont(headingFont);
    leftLayout->addWidget(m_profilesHeading);
    auto *titleRow = new QHBoxLayout;
    m_profileTitle = new QLabel(left);
    m_profileTitle->setObjectName(QStringLiteral("profileTitle"));
    titleRow->addWidget(m_profileTitle);
    titleRow->addStretch();
    m_saveBtn = iconButton(left, UiIcon::Save, 32, "saveBtn");
    m_importBtn = iconButton(left, UiIcon::Import, 32, "importBtn");
    titleRow->addWidget(m_saveBtn);
    titleRow->addWidget(m_importBtn);
    buildExchangeButton(left, titleRow);
    leftLayout->addLayout(titleRow);
    m_activeProfile = new QLabel(left);
    m_activeProfile->setObjectName(QStringLiteral("activeProfile"));
    leftLayout->addWidget(m_activeProfile);
    m_profileList = new FileListWgt(left);
    m_profileList->setObjectName(QStringLiteral("profileListWgt"));
    leftLayout->addWidget(m_profileList, 1);
    m_settingsBtn = new QPushButton(left);
    m_settingsBtn->setIcon(uiIcon(UiIcon::Settings));
    m_settingsBtn->setCursor(Qt::PointingHandCursor);
    leftLayout->addWidget(m_settingsBtn);
    outer->addWidget(left);

    // Right side: title bar, page menu, keyboard area, pages, bottom bar.
    auto *right = new QFrame(this);
    right->setObjectName(QStringLiteral("MainWindowRight"));
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(20, 0, 20, 10);
    rightLayout->setSpacing(8);

    auto *menubar = new QFrame(right);
    menubar->setObjectName(QStringLiteral("Menubar"));
    menubar->setFixedHeight(100);
    auto *barLayout = new QHBoxLayout(menubar);
    m_keyboardName = new QLabel(menubar);
    m_keyboardName->setObjectName(QStringLiteral("keyboardName"));
    m_status = new QLabel(menubar);
    m_status->setObjectName(QStringLiteral("statusLabel"));
    // It may name another program as that program wrote itself.
    m_status->setTextFormat(Qt::PlainText);
    barLayout->addWidget(m_keyboardName);
    barLayout->addSpacing(16);
    barLayout->addWidget(m_status);
    barLayout->addStretch();
    m_appSettingsBtn = iconButton(menubar, UiIcon::Preferences, 30, "appSettingsBtn");
    barLayout->addWidget(m_appSettingsBtn, 0, Qt::AlignTop);
    m_minBtn = iconButton(menubar, UiIcon::Minimise, 30, "minBtn");
    m_closeBtn = iconButton(menubar, UiIcon::Close, 30, "closeBtn");
    barLayout->addWidget(m_minBtn, 0, Qt::AlignTop);
    barLayout->addWidget(m_closeBtn, 0, Qt::AlignTop);
    rightLayout->addWidget(menubar);

    auto *menu = new QFrame(right);
    menu->setObjectName(QStringLiteral("changePageMenu"));
    menu->setFixedHeight(46);
    auto *menuLayout = new QHBoxLayout(menu);
    menuLayout->setContentsMargins(0, 5, 0, 5);
    m_pageGroup = new QButtonGroup(this);
    m_pageGroup->setExclusive(true);
    for (int page = 0; page < 4; ++page) {
        auto *b = new QPushButton(menu);
        b->setObjectName(QStringLiteral("menuBtn"));
        b->setCheckable(true);
        b->setFixedSize(140, 36);
        b->setCursor(Qt::PointingHandCursor);
        m_pageGroup->addButton(b, page);
        menuLayout->addWidget(b);
    }
    menuLayout->addStretch();
    m_pageGroup->button(0)->setChecked(true);
    rightLayout->addWidget(menu);

    m_keyboardArea = new QFrame(right);
    m_keyboardArea->setObjectName(QStringLiteral("keyboardBackWgt"));
    auto *areaLayout = new QVBoxLayout(m_keyboardArea);
    auto *modeRow = new QHBoxLayout;
    m_winBtn = new QPushButton(QStringLiteral("Win"), m_keyboardArea);
    m_macBtn = new QPushButton(QStringLiteral("Mac"), m_keyboardArea);
    for (QPushButton *b : {m_winBtn, m_macBtn}) {
        b->setObjectName(QStringLiteral("modeBtn"));
        b->setCheckable(true);
        b->setAutoExclusive(true);
        b->setFixedSize(80, 30);
        b->setCursor(Qt::PointingHandCursor);
        modeRow->addWidget(b);
    }
    m_winBtn->setChecked(true);
    setModeIcons(true);
    modeRow->addStretch();
    m_fnWidget = new QWidget(m_keyboardArea);
    m_fnWidget->setObjectName(QStringLiteral("fnWidget"));
    auto *fnLayout = new QHBoxLayout(m_fnWidget);
    fnLayout->setContentsMargins(0, 0, 0, 0);
    m_fnGroup = new QButtonGroup(this);
    for (int layer = 0; layer < 4; ++layer) {
        auto *b = new QPushButton(QStringLiteral("Fn%1").arg(layer), m_fnWidget);
        b->setObjectName(QStringLiteral("fnBtn"));
        b->setCheckable(true);
        b->setFixedSize(36, 22);
        m_fnGroup->addButton(b, layer);
        fnLayout->addWidget(b);
    }
    m_fnGroup->button(0)->setChecked(true);
    m_addLayerBtn = new QPushButton(m_fnWidget);
    m_addLayerBtn->setObjectName(QStringLiteral("addLayerBtn"));
    m_addLayerBtn->setFixedSize(100, 25);
    // Layers beyond the keyboard's four cannot be added: the button is
    // shown, as on every model, but does nothing it cannot do.
    m_addLayerBtn->setEnabled(false);
    fnLayout->addWidget(m_addLayerBtn);
    m_fnWidget->hide();
    modeRow->addWidget(m_fnWidget);
    areaLayout->addLayout(modeRow);
    m_modelStack = new QStackedWidget(m_keyboardArea);
    areaLayout->addWidget(m_modelStack, 0, Qt::AlignHCenter);
    rightLayout->addWidget(m_keyboardArea);

    ConfigPageWgt::Services services;
    services.keyboard = m_keyboard;
    services.profiles = m_profiles;
    services.keyboards = m_keyboards;
    m_pages = new KeyConfigWgt(services, right);
    rightLayout->addWidget(m_pages, 1);

    auto *bottom = new QHBoxLayout;
    m_undoBtn = iconButton(right, UiIcon::Undo, 30, "undoBtn");
    m_redoBtn = iconButton(right, UiIcon::Redo, 30, "redoBtn");
    // Enabled while the history has a step to undo or redo.
    m_undoBtn->setEnabled(false);
    m_redoBtn->setEnabled(false);
    bottom->addWidget(m_undoBtn);
    bottom->addWidget(m_redoBtn);
    bottom->addStretch();
    m_languageBtn = new QPushButton(right);
    m_languageBtn->setObjectName(QStringLiteral("languageBtn"));
    m_languageBtn->setCheckable(true);
    m_languageBtn->setFixedSize(150, 30);
    bottom->addWidget(m_languageBtn);
    rightLayout->addLayout(bottom);
    outer->addWidget(right, 1);
}

void MainWindow::setupConnections()
{
    SignalObject *hub = SignalObject::instance();
    connect(this, &MainWindow::changeProfile, this, &MainWindow::changeProfileSlot, Qt::QueuedConnection);
    connect(m_minBtn, &QToolButton::clicked, this, &QWidget::showMinimized);
    connect(m_closeBtn, &QToolButton::clicked, this, &QWidget::close);
    connect(m_saveBtn, &QToolButton::clicked, this, &MainWindow::saveProfile);
    connect(m_importBtn, &QToolButton::clicked, this, &MainWindow::importProfile);
    connect(m_appSettingsBtn, &QToolButton::clicked, this, &MainWindow::openSettingsDialog);
    connect(m_settingsBtn, &QPushButton::clicked, this, [this, hub] {
        if (refuseWhileInitialising())
            return;
        emit hub->sigStopKeyTest();
        emit hub->sigStopAdjusting();
        openFirmwareDialog(m_lifecycle->boardVersion(), m_bootLoader);
    });
    connect(m_languageBtn, &QPushButton::clicked, this, [] {
        LanguageManager *lm = LanguageManager::instance();
        lm->setLanguage(lm->language() == QLatin1String("Chinese") ? QStringLiteral("English")
                                                                     : QStringLiteral("Chinese"));
    });
    connect(m_pageGroup, &QButtonGroup::idClicked, this, [hub](int id) { emit hub->sigChangePage(id); });
    connect(m_fnGroup, &QButtonGroup::idClicked, this, &MainWindow::selectLayer);
    connect(hub, &SignalObject::sigKeyConfigPage, this, &MainWindow::onKeyConfigPage);
    connect(hub, &SignalObject::sigShowToastTip, this,
            [this](ToastType type, ToastPosition position, const QString &text, int msecs) {
                (new ToastTip(type, position, text, msecs, m_keyboardArea))->show();
            });
    connect(hub, &SignalObject::sigBoardReset, this, &MainWindow::onBoardReset);
    // Leaving a page, the settings or the keyboard ends its live work.
    connect(hub, &SignalObject::sigStopKeyTest, m_keyboard, &KeyboardController::stopKeyTest);
    connect(hub, &SignalObject::sigStopAdjusting, m_keyboard, &KeyboardController::stopCalibration);
    connect(m_winBtn, &QPushButton::toggled, this, [this](bool checked) { onModeToggled(true, checked); });
    connect(m_macBtn, &QPushButton::toggled, this, [this](bool checked) { onModeToggled(false, checked); });

    connect(m_keyboard, &KeyboardController::systemModeReported, this, &MainWindow::onSystemMode);
    // A mode switch undone or redone: the buttons show the configuration's mode.
    connect(m_config, &KeyboardConfigModel::configShown, this, [this](const KeyboardConfig &c) { onSystemMode(c.systemMode); });
    connect(m_keyboard, &KeyboardController::keyboardNameRead, m_keyboardName, &QLabel::setText);
    connect(m_keyboard, &KeyboardController::keyCodesRead, m_keyboards, &KeyboardDeck::setKeyCodes);
    connect(m_keyboard, &KeyboardController::capabilitiesChanged, this, [this](const KeyboardCapabilities &caps) {
        m_keyboards->setTravelFormat(caps.decimals, caps.travel.maximumUm);
    });
    connect(m_lifecycle, &DeviceLifecycle::permissionDenied, this,
            [](const QStringList &, const QString &message) { showUserMessage(tr("无法访问键盘"), message); });
    connect(m_runner, &ApplyRunner::progress, this, &MainWindow::showApplyProgress);
    connect(m_runner, &ApplyRunner::finished, this, [this](quint64 run, const ApplyRunner::Outcome &outcome) {
        if (run != m_progressRun)
            return;
        m_progressRun = 0;
        if (outcome.kind == ApplyRunner::Outcome::Done)
            SendDataProgress::instance()->setProgress(
                QCoreApplication::translate("ProfilePlan", "配置下发完成！"), 100);
        else
            SendDataProgress::instance()->closeProgress();
    });
    connect(m_keyboard, &KeyboardController::profileNotKept, this, [this](const QString &name) {
        m_prompts.inform(tr("提示"), tr("键盘没有保存配置“%1”的全部设置，请重新应用该配置。").arg(name));
    });
    connect(m_lifecycle, &DeviceLifecycle::titleChanged, this, [this](const QString &title) {
        m_baseTitle = title;
        showWindowTitle();
    });
    connect(m_lifecycle, &DeviceLifecycle::statusChanged, m_status, &QLabel::setText);
    connect(m_lifecycle, &DeviceLifecycle::modelSelected, this, &MainWindow::showModel);
    connect(m_lifecycle, &DeviceLifecycle::keyboardRemoved, this, &MainWindow::onKeyboardRemoved);
    connect(m_lifecycle, &DeviceLifecycle::notice, this, [this](const QString &text) { toast(text, true); });
    // Until a profile is applied, the current document is the keyboard's
    // own configuration, so that saving keeps what the keyboard holds. An
    // incomplete read-back is not taken: it would save defaults as if read.
    connect(m_lifecycle, &DeviceLifecycle::readBackComplete, this, [this] {
        m_profiles->AdoptBoardDocument(boardProfileDocument(m_lifecycle->session()->readBack()));
    });
    // The firmware check follows every board report, and again after the
    // initial read; only the first may offer the settings dialog.
    connect(m_keyboard, &KeyboardController::keyboardIdentified, this, [this] {
        const KeyboardCapabilities &caps = m_keyboard->capabilities();
        const QString &version = caps.firmwareVersion;
        m_bootLoader = version.contains(QLatin1String("Boot"));
        m_firmwareNotice->boardReported(caps.boardId, version.mid(version.indexOf(QLatin1Char('V')) + 1).trimmed(),
                                        m_bootLoader);
    });
    connect(m_lifecycle, &DeviceLifecycle::initialReadFinished, m_firmwareNotice,
            &FirmwareNotice::initialReadFinished);
    // A keyboard that comes gets the profile of the application in front.
    connect(m_lifecycle, &DeviceLifecycle::initialReadFinished, m_focus, &FocusPolicy::keyboardArrived);
    connect(m_firmwareNotice, &FirmwareNotice::sigOfferFirmwareDialog, this, [this](const QString &version) {
        if (!m_firmwareDialog && !m_firmwareUpdateRunning) {
            qCDebug(lcUi) << "键盘软件有最新版本！";
            openFirmwareDialog(version, false);
        }
    });
    connect(m_lifecycle, &DeviceLifecycle::keyboardArrived, this, [this] {
        m_profileList->setCurrentRow(-1);
        m_profiles->SelectCurrentProfile(0);
        m_activeName.clear();
        m_activeByFocus = false;
        showActiveProfile();
    });

    connect(m_profileList, &FileListWgt::sigItemClicked, this, [this](int id, const QString &) { chooseProfile(id); });
    connect(m_profileList, &FileListWgt::sigMenuItemRename, this, &MainWindow::renameProfile);
    connect(m_profileList, &FileListWgt::sigMenuItemShare, this, &MainWindow::exportProfile);
    connect(m_profileList, &FileListWgt::sigMenuItemDelete, this, &MainWindow::deleteProfile);
    setupExchangeConnections();
    setupHistory();
}

IAPFirmwareWindow *MainWindow::openFirmwareDialog(const QString &firmwareVersion, bool bootLoader)
{
    if (m_firmwareDialog) {
        if (!m_firmwareDialog->isUpdating()) {
            m_firmwareDialog->setFirmwareVersion(firmwareVersion);
            m_firmwareDialog->setBootLoader(bootLoader);
        }
        m_firmwareDialog->raise();
        m_firmwareDialog->activateWindow();
        return m_firmwareDialog;
    }
    IAPFirmwareWindow::Services services;
    services.worker = m_keyboard->device();
    services.setPollingRate = [this](int index) { m_keyboard->setPollingRate(index); };
    services.online = OnlineUpdate::instance();
    services.profiles = m_profiles;
    services.readBack = [this](KeyboardReadBack *readBack) {
        const KeyboardSession *session = m_lifecycle->session();
        if (!session->isComplete())
            return false;
        *readBack = session->readBack();
        return true;
    };
    services.pollingRate = m_lifecycle->session()->readBack().pollingRate;
    // One keyboard lock for the connection and the update: the connection
    // may hold it already. Without it the dialog sends nothing.
    services.takeKeyboard = [this](QString *holder) { return m_keyboard->takeKeyboardForUpdate(holder); };
    auto *dialog = new IAPFirmwareWindow(services, firmwareVersion, bootLoader, this);
    IAPFirmwareWindow::Prompts prompts = IAPFirmwareWindow::Prompts::dialogs(dialog);
    prompts.ask = m_prompts.ask;
    prompts.inform = m_prompts.inform;
    dialog->setPrompts(prompts);
    dialog->setWindowModality(Qt::WindowModal);
    // The engine takes the keyboard for the update; the lifecycle leaves
    // arrivals alone until it is given back, and then connects again.
    connect(dialog, &IAPFirmwareWindow::sigStartUpdate, this, [this] {
        // An update may reset the keyboard: no step of the history holds after it.
        m_firmwareUpdateRunning = true;
        m_focus->setFirmwareUpdateRunning(true);
    });
    connect(dialog, &IAPFirmwareWindow::sigDeviceReleased, this, [this] {
        m_firmwareUpdateRunning = false;
        m_keyboard->endFirmwareUpdate();
        if (!m_keyboard->isConnected())
            m_lifecycle->connectAgain();
        m_focus->setFirmwareUpdateRunning(false);
    });
    connect(dialog, &IAPFirmwareWindow::sigBackupSaved, this, [this](const QString &name, int id) {
        m_profileNames.append(name);
        m_profileList->addEntry(name, id);
    });
    connect(dialog, &IAPFirmwareWindow::sigRestoreProfile, this, &MainWindow::startApplying);
    connect(dialog, &QDialog::finished, dialog, &QObject::deleteLater);
    dialog->move(geometry().center() - dialog->rect().center());
    dialog->show();
    m_firmwareDialog = dialog;
    return dialog;
}

QString MainWindow::statusText() const
{
    return m_status->text();
}

void MainWindow::retranslate()
{
    m_profilesHeading->setText(tr("配置文件"));
    m_profileTitle->setText(tr("配置文件列表"));
    showActiveProfile();
    // Icon-only buttons are named by what they do, for screen readers and
    // GUI automation as for the tooltip.
    auto name = [](QWidget *w, const QString &text) {
        w->setToolTip(text);
        w->setAccessibleName(text);
    };
    name(m_saveBtn, tr("保存配置文件"));
    name(m_importBtn, tr("导入外部配置文件"));
    m_profileList->setAccessibleName(tr("配置文件列表"));
    m_keyboardArea->setAccessibleName(tr("键盘"));
    m_settingsBtn->setText(tr("设置"));
    const bool chinese = LanguageManager::instance()->language() == QLatin1String("Chinese");
    m_settingsBtn->setObjectName(chinese ? QStringLiteral("SettingButtonCN") : QStringLiteral("SettingButtonEN"));
    m_settingsBtn->style()->unpolish(m_settingsBtn);
    m_settingsBtn->style()->polish(m_settingsBtn);
    m_languageBtn->setText(chinese ? tr("中文") : QStringLiteral("English"));
    name(m_appSettingsBtn, tr("程序设置"));
    name(m_minBtn, tr("最小化"));
    name(m_closeBtn, tr("关闭"));
    name(m_undoBtn, tr("还原"));
    name(m_redoBtn, tr("重做"));
    m_addLayerBtn->setText(tr("添加层"));
    for (int page = 0; page < 4; ++page)
        m_pageGroup->button(page)->setText(m_pages->pageName(page));
    // The status and the title follow the language too.
    m_lifecycle->retranslate();
    m_status->setText(m_lifecycle->status());
    m_baseTitle = m_lifecycle->title();
    showWindowTitle();
    retranslateExchange();
}

void MainWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_firmwareDialog && m_firmwareDialog->isUpdating()) {
        // Ending now would leave the keyboard without firmware.
        toast(tr("固件正在升级，请等待升级结束后再关闭。"), true);
        event->ignore();
        return;
    }
    m_profiles->SaveCurrentProfile();
    if (closeToTray()) {
        event->ignore();
        return;
    }
    event->accept();
    QWidget::closeEvent(event);
    emit quitRequested();
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    // Without a compositor an X11 window cannot be translucent (its corners
    // turn black and partial repaints leave traces).
    cutRoundedCorners(this, 16);
    QWidget::resizeEvent(event);
}

void MainWindow::toast(const QString &text, bool error)
{
    (new ToastTip(error ? ToastType::Error : ToastType::Success, ToastPosition::TopCenter, text, 3000,
                  m_keyboardArea))
        ->show();
}

bool MainWindow::refuseWhileInitialising()
{
    // Until the read-back has ended, what the keyboard holds is not known.
    if (!m_keyboard->isReading())
        return false;
    m_prompts.inform(tr("提示"), tr("正在初始化设备配置中，请稍后在操作..."));
    return true;
}

KeyboardBaseWgt *MainWindow::keyboardView(int layer) const
{
    QStackedWidget *stack = m_modelViews.value(m_shownModel);
    if (!stack || layer < 0 || layer >= stack->count())
        return nullptr;
    return static_cast<KeyboardBaseWgt *>(stack->widget(layer));
}

// Factory settings: the pages with edits of their own start afresh, and the
// keyboard is read back as on connecting, so they show what it now holds.
void MainWindow::onBoardReset()
{
    for (int page : {PagePerformance, PageAdvancedKeys})
        if (ConfigPageWgt *p = m_pages->page(page))
            p->resetToFirstState();
    m_keyboard->restoreFactory();
}

void MainWindow::showModel(int model)
{
    if (model == m_shownModel || !keyboardModelHasView(model))
        return;
    if (QStackedWidget *old = m_modelViews.value(m_shownModel)) {
        for (int layer = 0; layer < old->count(); ++layer)
            static_cast<KeyboardBaseWgt *>(old->widget(layer))->activate(false);
        m_modelStack->removeWidget(old);
        old->hide();
    }
    QStackedWidget *stack = m_modelViews.value(model);
    if (!stack) {
        stack = new QStackedWidget(m_modelStack);
        for (int layer = 0; layer < 4; ++layer) {
            KeyboardBaseWgt *view = createKeyboardView(model, layer, stack);
            stack->addWidget(view);
        }
        m_modelViews.insert(model, stack);
    }
    m_modelStack->addWidget(stack);
    m_modelStack->setCurrentWidget(stack);
    stack->show();
    for (int layer = 0; layer < stack->count(); ++layer)
        static_cast<KeyboardBaseWgt *>(stack->widget(layer))->activate(true);
    stack->setCurrentIndex(m_pages->currentIndex() == PageCustomKeys ? m_keyboards->currentLayer() : 0);
    m_shownModel = model;
    QList<KeyboardBaseWgt *> views;
    for (int layer = 0; layer < stack->count(); ++layer)
        views << static_cast<KeyboardBaseWgt *>(stack->widget(layer));
    m_keyboards->setViews(views);
    m_pages->activatePages(true);
}

void MainWindow::selectLayer(int layer)
{
    qCDebug(lcUi) << "切换当前层级" << layer;
    if (QAbstractButton *b = m_fnGroup->button(layer))
        b->setChecked(true);
    if (QStackedWidget *stack = m_modelViews.value(m_shownModel))
        stack->setCurrentIndex(layer);
    m_keyboards->setCurrentLayer(layer);
    if (layer == 1 || layer == 3)
        emit SignalObject::instance()->sigShowFnKeyColor();
}

void MainWindow::onKeyConfigPage(int id)
{
    if (id == PageCustomKeys || id >= ConfigPageCount) {
        m_fnWidget->show();
        return;
    }
    m_fnWidget->hide();
    selectLayer(0);
}

void MainWindow::setModeIcons(bool win)
{
    m_winBtn->setIcon(uiIcon(UiIcon::Windows, win ? Qt::white : QColor(48, 49, 51), 20));
    m_macBtn->setIcon(uiIcon(UiIcon::Mac, win ? QColor(48, 49, 51) : Qt::white, 20));
}

void MainWindow::onSystemMode(int mode)
{
    m_modeGuard = true;
    switch (mode) {
    case SystemWindows:
        qCDebug(lcUi) << "当前键盘是win模式";
        m_winBtn->setChecked(true);
        break;
    case SystemMac:
        qCDebug(lcUi) << "当前键盘是mac模式";
        m_macBtn->setChecked(true);
        break;
    case SystemNoWindows:
        qCDebug(lcUi) << "键盘没有win模式";
        m_winBtn->hide();
        break;
    case SystemNoMac:
        qCDebug(lcUi) << "键盘没有mac模式";
        m_macBtn->hide();
        break;
    default:
        break;
    }
    m_modeGuard = false;
}

// The user checked the Win (win = true) or the Mac button.
void MainWindow::onModeToggled(bool win, bool checked)
{
    if (!checked)
        return;
    setModeIcons(win);
    if (m_modeGuard)
        return;
    const QString question = win ? tr("是否从Mac模式切换到Win模式？") : tr("是否从Win模式切换到Mac模式？");
    if (!m_prompts.ask(tr("切换模式"), question)) {
        // Back to the mode the keyboard is in, without asking again.
        setModeIcons(!win);
        m_modeGuard = true;
        (win ? m_macBtn : m_winBtn)->setChecked(true);
        m_modeGuard = false;
        return;
    }
    // One step of the history; the keyboard's layers of the mode follow.
    m_keyboard->setSystemMode(win ? SystemWindows : SystemMac);
    m_pageGroup->button(0)->setChecked(true);
    emit m_pageGroup->idClicked(0);
}

void MainWindow::onKeyboardRemoved()
{
    m_bootLoader = false;
    SignalObject *hub = SignalObject::instance();
    emit hub->sigStopKeyTest();
    emit hub->sigStopAdjusting();
    m_winBtn->show();
    m_macBtn->show();
}
