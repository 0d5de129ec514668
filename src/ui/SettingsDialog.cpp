#include "SettingsDialog.h"

#include "RunningApps.h"
#include "SessionAutostart.h"
#include "SystemConfig.h"
#include "UiLog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const char *const StyleSheet = R"(
SettingsDialog { background: #ffffff; }
QLabel#settingsSection { font-size: 16px; font-weight: bold; }
QLabel#settingsHelp { color: #606266; }
QLabel#x11Note { color: #b88212; background: #fdf6ec; border-radius: 6px; padding: 6px 10px; }
QLabel#settingsError { color: #f56c6c; }
QTreeWidget#ruleList { border: 1px solid #dcdfe6; border-radius: 6px; }
QComboBox { min-height: 28px; }
QPushButton#settingsButton {
    background: #ffffff; border: 1px solid #dcdfe6; border-radius: 6px; min-height: 30px; padding: 0px 14px;
}
QPushButton#settingsButton:hover { border-color: #febb24; }
QPushButton#settingsButton:disabled { color: #c0c4cc; background: #f5f7fa; border-color: #e4e7ed; }
)";

const QColor MissingColour(245, 108, 108);

QLabel *label(QWidget *parent, const char *objectName)
{
    auto *l = new QLabel(parent);
    l->setObjectName(QLatin1String(objectName));
    l->setWordWrap(true);
    return l;
}

QPushButton *button(QWidget *parent, const char *objectName)
{
    auto *b = new QPushButton(parent);
    b->setObjectName(QLatin1String(objectName));
    b->setCursor(Qt::PointingHandCursor);
    return b;
}

bool sameApplication(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

SettingsDialog::SettingsDialog(const Options &options, QWidget *parent) : QDialog(parent), m_options(options)
{
    setObjectName(QStringLiteral("SettingsDialog"));
    setStyleSheet(QLatin1String(StyleSheet));
    if (!m_options.runningApplications)
        m_options.runningApplications = runningApplicationNames;
    m_rules = readAppProfileRules(SystemConfig());
    buildWidgets();
    setupConnections();
    retranslate();
}

void SettingsDialog::buildWidgets()
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->setSpacing(10);

    m_rulesTitle = label(this, "settingsSection");
    m_rulesHelp = label(this, "settingsHelp");
    m_x11Note = label(this, "x11Note");
    m_x11Note->setVisible(!m_options.focusAvailable || !m_options.focusEnableCommand.isEmpty());
    m_x11Note->setTextInteractionFlags(Qt::TextSelectableByMouse); // the command can be copied
    m_sourceLabel = label(this, "settingsHelp");
    m_sourceLabel->setObjectName(QStringLiteral("focusSource"));
    m_sourceLabel->setVisible(m_options.focusAvailable && !m_options.focusSource.isEmpty());
    layout->addWidget(m_rulesTitle);
    layout->addWidget(m_rulesHelp);
    layout->addWidget(m_sourceLabel);
    layout->addWidget(m_x11Note);

    m_ruleList = new QTreeWidget(this);
    m_ruleList->setObjectName(QStringLiteral("ruleList"));
    m_ruleList->setColumnCount(2);
    m_ruleList->setRootIsDecorated(false);
    m_ruleList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_ruleList->header()->setSectionResizeMode(QHeaderView::Stretch);
    m_ruleList->setMinimumHeight(150);
    layout->addWidget(m_ruleList, 1);

    auto *addRow = new QHBoxLayout;
    m_appBox = new QComboBox(this);
    m_appBox->setObjectName(QStringLiteral("appBox"));
    m_appBox->setEditable(true);
    m_appBox->setInsertPolicy(QComboBox::NoInsert);
    m_appBox->addItems(m_options.runningApplications());
    m_appBox->setCurrentIndex(-1);
    m_appBox->setMinimumWidth(200);
    m_profileBox = new QComboBox(this);
    m_profileBox->setObjectName(QStringLiteral("profileBox"));
    m_profileBox->addItems(m_options.profiles);
    m_profileBox->setMinimumWidth(140);
    m_addBtn = button(this, "settingsButton");
    m_addBtn->setProperty("role", QStringLiteral("add"));
    m_removeBtn = button(this, "settingsButton");
    m_removeBtn->setProperty("role", QStringLiteral("remove"));
    m_removeBtn->setEnabled(false);
    addRow->addWidget(m_appBox, 2);
    addRow->addWidget(m_profileBox, 1);
    addRow->addWidget(m_addBtn);
    addRow->addWidget(m_removeBtn);
    layout->addLayout(addRow);
    auto *optionRow = new QHBoxLayout;
    m_backBox = new QCheckBox(this);
    m_backBox->setObjectName(QStringLiteral("backBox"));
    m_noSocdBox = new QCheckBox(this);
    m_noSocdBox->setObjectName(QStringLiteral("noSocdBox"));
    optionRow->addWidget(m_backBox);
    optionRow->addWidget(m_noSocdBox);
    optionRow->addStretch();
    layout->addLayout(optionRow);

    auto *defaultRow = new QHBoxLayout;
    m_defaultLabel = new QLabel(this);
    m_defaultBox = new QComboBox(this);
    m_defaultBox->setObjectName(QStringLiteral("defaultBox"));
    m_defaultBox->setMinimumWidth(180);
    m_defaultLabel->setBuddy(m_defaultBox);
    defaultRow->addWidget(m_defaultLabel);
    defaultRow->addWidget(m_defaultBox);
    defaultRow->addStretch();
    layout->addLayout(defaultRow);

    layout->addSpacing(8);
    m_backgroundTitle = label(this, "settingsSection");
    m_autostartBox = new QCheckBox(this);
    m_autostartBox->setObjectName(QStringLiteral("autostartBox"));
    m_autostartBox->setEnabled(SessionAutostart::isSupported());
    m_autostartBox->setChecked(SessionAutostart::isEnabled());
    m_trayHelp = label(this, "settingsHelp");
    layout->addWidget(m_backgroundTitle);
    layout->addWidget(m_autostartBox);
    layout->addWidget(m_trayHelp);

    m_error = label(this, "settingsError");
    m_error->hide();
    layout->addWidget(m_error);

    auto *bottom = new QHBoxLayout;
    bottom->addStretch();
    m_closeBtn = button(this, "settingsButton");
    bottom->addWidget(m_closeBtn);
    layout->addLayout(bottom);
    resize(680, 700);
}

void SettingsDialog::setupConnections()
{
    connect(m_addBtn, &QPushButton::clicked, this, &SettingsDialog::addRule);
    connect(m_removeBtn, &QPushButton::clicked, this, &SettingsDialog::removeRule);
    connect(m_ruleList, &QTreeWidget::itemSelectionChanged, this,
            [this] { m_removeBtn->setEnabled(!m_ruleList->selectedItems().isEmpty()); });
    connect(m_defaultBox, QOverload<int>::of(&QComboBox::activated), this, &SettingsDialog::chooseDefault);
    connect(m_autostartBox, &QCheckBox::toggled, this, &SettingsDialog::setAutostart);
    connect(m_closeBtn, &QPushButton::clicked, this, &QDialog::accept);
}

void SettingsDialog::retranslate()
{
    setWindowTitle(tr("程序设置"));
    m_rulesTitle->setText(tr("自动切换配置"));
    m_rulesHelp->setText(tr("前台应用变化时，键盘自动使用为该应用指定的配置文件。应用按可执行文件名、窗口类名或 app id 识别；"
                            "“steam:应用编号”匹配 Steam 游戏，“title:文字”匹配标题中含该文字的窗口。"));
    m_x11Note->setText(
        !m_options.focusAvailable
            ? tr("自动切换配置需要桌面告知前台应用：当前会话不提供这一信息（支持 X11、wlroots 合成器、KDE Plasma 与 GNOME Shell）。")
            : tr("GNOME Shell 扩展“Corvane focus”未启用，自动切换配置不起作用。启用它：%1，然后重新登录。")
                  .arg(m_options.focusEnableCommand));
    m_sourceLabel->setText(tr("跟随前台应用：%1").arg(m_options.focusSource));
    m_backBox->setText(tr("离开该应用时恢复之前的配置"));
    m_noSocdBox->setText(tr("关闭 SOCD 与 RS 按键"));
    m_noSocdBox->setToolTip(tr("该应用在前台时，配置不带 SOCD 与 RS 绑定应用到键盘；离开后恢复。"));
    m_ruleList->setHeaderLabels({tr("应用程序"), tr("配置文件")});
    m_ruleList->setAccessibleName(tr("自动切换规则"));
    m_appBox->setAccessibleName(tr("应用程序"));
    m_appBox->lineEdit()->setPlaceholderText(tr("可执行文件名或窗口类名"));
    m_profileBox->setAccessibleName(tr("配置文件"));
    m_addBtn->setText(tr("添加规则"));
    m_removeBtn->setText(tr("删除规则"));
    m_defaultLabel->setText(tr("其他应用："));
    m_defaultBox->setAccessibleName(tr("其他应用使用的配置"));
    m_backgroundTitle->setText(tr("后台运行"));
    m_autostartBox->setText(tr("随桌面会话启动"));
    m_trayHelp->setText(tr("有自动切换规则时，关闭主窗口后 Corvane 在系统托盘中继续运行，由托盘菜单退出。"));
    m_closeBtn->setText(tr("关闭"));
    showError(QString()); // a message of the old language is stale
    fillRules();
    fillDefault();
}

void SettingsDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QDialog::changeEvent(event);
}

QString SettingsDialog::profileText(const QString &profile) const
{
    return m_options.profiles.contains(profile) ? profile : tr("%1（配置不存在）").arg(profile);
}

void SettingsDialog::fillRules()
{
    m_ruleList->clear();
    for (const AppProfileRule &rule : qAsConst(m_rules.rules)) {
        QStringList options;
        if (rule.leave == AppProfileRule::Leave::Back)
            options << tr("离开后恢复之前的配置");
        if (rule.socdRsOff)
            options << tr("关闭 SOCD 与 RS 按键");
        QString profile = profileText(rule.profile);
        if (!options.isEmpty())
            profile += tr("（%1）").arg(options.join(tr("，")));
        auto *item = new QTreeWidgetItem(m_ruleList, {rule.application, profile});
        item->setToolTip(1, profile); // the options may not fit the column
        item->setData(0, Qt::AccessibleTextRole, rule.application);
        item->setData(1, Qt::AccessibleTextRole, item->text(1));
        if (!m_options.profiles.contains(rule.profile)) {
            item->setForeground(1, MissingColour);
            item->setToolTip(1, tr("这个配置文件已不存在，规则被跳过。"));
        }
    }
    m_removeBtn->setEnabled(false);
}

void SettingsDialog::fillDefault()
{
    const QSignalBlocker blocker(m_defaultBox);
    m_defaultBox->clear();
    m_defaultBox->addItem(tr("保持当前配置"), QString());
    for (const QString &profile : qAsConst(m_options.profiles))
        m_defaultBox->addItem(profile, profile);
    const QString current = m_rules.defaultProfile;
    if (!current.isEmpty() && !m_options.profiles.contains(current))
        m_defaultBox->addItem(profileText(current), current);
    m_defaultBox->setCurrentIndex(qMax(0, m_defaultBox->findData(current)));
}

void SettingsDialog::addRule()
{
    const QString application = appRuleKey(m_appBox->currentText());
    if (application.isEmpty()) {
        showError(tr("请填写应用程序的可执行文件名或窗口类名。"));
        return;
    }
    const QString profile = m_profileBox->currentText();
    if (profile.isEmpty()) {
        showError(tr("还没有配置文件：请先保存一个配置文件。"));
        return;
    }
    AppProfileRules rules = m_rules;
    // One rule per application: a new one replaces the old.
    auto same = std::find_if(rules.rules.begin(), rules.rules.end(),
                             [&](const AppProfileRule &r) { return sameApplication(r.application, application); });
    AppProfileRule rule{application, profile};
    rule.leave = m_backBox->isChecked() ? AppProfileRule::Leave::Back : AppProfileRule::Leave::Default;
    rule.socdRsOff = m_noSocdBox->isChecked();
    if (same != rules.rules.end())
        *same = rule;
    else
        rules.rules.append(rule);
    store(rules);
    m_appBox->setCurrentIndex(-1);
    m_appBox->clearEditText();
    m_backBox->setChecked(false);
    m_noSocdBox->setChecked(false);
}

void SettingsDialog::removeRule()
{
    const QList<QTreeWidgetItem *> selected = m_ruleList->selectedItems();
    if (selected.isEmpty())
        return;
    const int row = m_ruleList->indexOfTopLevelItem(selected.first());
    if (row < 0 || row >= m_rules.rules.size())
        return;
    AppProfileRules rules = m_rules;
    rules.rules.removeAt(row);
    store(rules);
}

void SettingsDialog::chooseDefault(int index)
{
    AppProfileRules rules = m_rules;
    rules.defaultProfile = m_defaultBox->itemData(index).toString();
    if (rules.defaultProfile != m_rules.defaultProfile)
        store(rules);
}

void SettingsDialog::store(const AppProfileRules &rules)
{
    SystemConfig config;
    writeAppProfileRules(config, rules);
    if (config.sync()) {
        m_rules = rules;
        showError(QString());
    } else {
        qCWarning(lcUi) << "cannot write the automatic profile rules to" << SystemConfig::FileName;
        m_rules = readAppProfileRules(SystemConfig());
        showError(tr("无法保存设置：%1 无法写入。").arg(QLatin1String(SystemConfig::FileName)));
    }
    fillRules();
    fillDefault();
    emit rulesChanged();
}

void SettingsDialog::setAutostart(bool on)
{
    QString reason;
    const bool done = on ? SessionAutostart::enable(m_options.program,
                                                    QStringList{QStringLiteral("--background")} + m_options.startArguments,
                                                    &reason)
                         : SessionAutostart::disable(&reason);
    if (done) {
        showError(QString());
        return;
    }
    qCWarning(lcUi) << "cannot change the autostart entry:" << reason;
    const QSignalBlocker blocker(m_autostartBox);
    m_autostartBox->setChecked(SessionAutostart::isEnabled());
    showError(tr("无法更改自动启动项：%1").arg(reason));
}

void SettingsDialog::showError(const QString &text)
{
    m_error->setText(text);
    m_error->setAccessibleName(text);
    m_error->setVisible(!text.isEmpty());
}

QString SettingsDialog::errorText() const
{
    return m_error->text();
}
