// The main window's flows that carry profiles beyond this computer and keep
// them safe: export and import of everything, share codes, snapshots.

#include "MainWindow.h"

#include "DeviceLifecycle.h"
#include "FileListWgt.h"
#include "KeyboardLayouts.h"
#include "LayerSheet.h"
#include "ModalGuard.h"
#include "MacroFile.h"
#include "ProfileBundle.h"
#include "ProfileContent.h"
#include "ProfileIntake.h"
#include "ProfileManager.h"
#include "ProfileName.h"
#include "ShareCode.h"
#include "SnapshotListWindow.h"
#include "SystemConfig.h"
#include "UiIcons.h"
#include "UiLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QShortcut>
#include <QStandardPaths>
#include <QToolButton>
#ifdef CORVANE_HAVE_PRINT
#include <QPrintDialog>
#include <QPrinter>
#endif

namespace {

DataFolder dataFolder()
{
    return DataFolder{QDir::currentPath()};
}

QString bundleErrorText(BundleError error)
{
    switch (error) {
    case BundleError::NotABundle: return MainWindow::tr("这个文件不是 Corvane 导出的文件。");
    case BundleError::NewerVersion: return MainWindow::tr("这个文件来自更新版本的 Corvane，请先升级 Corvane 再导入。");
    case BundleError::TooLarge: return MainWindow::tr("这个文件太大，不是 Corvane 导出的文件。");
    case BundleError::Damaged: return MainWindow::tr("这个文件已损坏（可能不完整），没有导入任何内容。");
    case BundleError::None: break;
    }
    return QString();
}

QString shareErrorText(ShareCodeError error)
{
    switch (error) {
    case ShareCodeError::NotACode: return MainWindow::tr("没有找到 Corvane 分享码。");
    case ShareCodeError::NewerVersion: return MainWindow::tr("这个分享码来自更新版本的 Corvane，请先升级 Corvane 再导入。");
    case ShareCodeError::TooLong: return MainWindow::tr("分享码太长，不是有效的分享码。");
    case ShareCodeError::Damaged: return MainWindow::tr("分享码已损坏（可能没有复制完整），请重新复制完整的分享码。");
    case ShareCodeError::NotAProfile: return MainWindow::tr("分享码中没有可用的配置。");
    case ShareCodeError::None: break;
    }
    return QString();
}

} // namespace

QString MainWindow::modelName(int model)
{
    const KeyboardLayout *layout = keyboardLayoutForModel(model);
    if (!layout)
        return tr("型号 %1").arg(model);
    QString name = layout->className;
    name.remove(QStringLiteral("Keyboard")).remove(QStringLiteral("Wgt"));
    return name;
}

int MainWindow::keyboardModel() const
{
    if (m_shownModel >= 0)
        return m_shownModel;
    const SystemConfig config;
    return config.value(QLatin1String(SystemConfig::KeyboardModelKey)).isValid() ? config.keyboardModel() : -1;
}

QStringList MainWindow::profileSummary(const ProfileDocument &document, int macros)
{
    const ProfileContent c = profileContent(readProfile(document));
    QStringList lines;
    if (c.lighting)
        lines << tr("灯光：效果 %1，亮度 %2").arg(c.lighting->mode).arg(c.lighting->brightness);
    if (c.globalTravelUm)
        lines << tr("全局触发行程：%1 mm").arg(*c.globalTravelUm / 1000.0, 0, 'f', 2);
    if (c.remappedKeys)
        lines << tr("四个 Fn 层中改过的按键：%1 个").arg(*c.remappedKeys);
    if (c.ownTravelKeys)
        lines << tr("单独设置行程的按键：%1 个").arg(*c.ownTravelKeys);
    if (!c.advancedKinds.isEmpty()) {
        QStringList parts;
        for (const auto &kind : c.advancedKinds)
            parts << QStringLiteral("%1 × %2").arg(QLatin1String(kind.first)).arg(kind.second);
        lines << tr("高级键：%1").arg(parts.join(tr("、")));
    }
    if (macros > 0)
        lines << tr("宏：%1 个").arg(macros);
    return lines;
}

void MainWindow::buildExchangeButton(QWidget *parent, QHBoxLayout *row)
{
    m_moreBtn = new QToolButton(parent);
    m_moreBtn->setObjectName(QStringLiteral("moreBtn"));
    m_moreBtn->setIcon(uiIcon(UiIcon::More));
    m_moreBtn->setIconSize(QSize(20, 20));
    m_moreBtn->setFixedSize(28, 32);
    m_moreBtn->setAutoRaise(true);
    m_moreBtn->setCursor(Qt::PointingHandCursor);
    // The icon says there is a menu; the arrow would only crowd the row.
    m_moreBtn->setStyleSheet(QStringLiteral("QToolButton::menu-indicator{image:none;width:0px;}"));
    m_moreBtn->setPopupMode(QToolButton::InstantPopup);
    m_moreMenu = new QMenu(m_moreBtn);
    m_moreMenu->setObjectName(QStringLiteral("profileMoreMenu"));
    m_exportAllAction = m_moreMenu->addAction(QString());
    m_importAllAction = m_moreMenu->addAction(QString());
    m_moreMenu->addSeparator();
    m_pasteCodeAction = m_moreMenu->addAction(QString());
    m_snapshotsAction = m_moreMenu->addAction(QString());
    m_offlineAction = m_moreMenu->addAction(QString());
    m_moreBtn->setMenu(m_moreMenu);
    // Three buttons beside the list's title: closer together, so it still fits.
    row->setSpacing(2);
    row->addWidget(m_moreBtn);
}

void MainWindow::setupExchangeConnections()
{
    connect(m_exportAllAction, &QAction::triggered, this, &MainWindow::exportAll);
    connect(m_importAllAction, &QAction::triggered, this, &MainWindow::importAll);
    connect(m_pasteCodeAction, &QAction::triggered, this, [this] {
        if (!importShareCode(m_prompts.pastedText()))
            m_prompts.inform(tr("提示"), tr("剪贴板中没有 Corvane 分享码。"));
    });
    connect(m_snapshotsAction, &QAction::triggered, this, &MainWindow::openSnapshots);
    connect(m_offlineAction, &QAction::triggered, this, &MainWindow::chooseOfflineEditing);
    connect(m_keyboard, &KeyboardController::offlineEditingChanged, this, [this](bool editing) {
        if (editing)
            return;
        m_baseTitle = m_lifecycle->title();
        showWindowTitle();
        m_status->setText(m_lifecycle->status());
    });
    connect(m_keyboard, &KeyboardController::offlineProfileWaiting, this, [this](int id) {
        const QString name = profileListName(QFileInfo(m_profiles->profilePath(id)).fileName());
        if (m_profiles->profile(id).isEmpty()
            || !m_prompts.ask(tr("离线编辑"), tr("是否把离线编辑的配置“%1”应用到键盘？只发送与键盘不同的部分。").arg(name)))
            return;
        startApplying(id);
    });
    connect(m_profileList, &FileListWgt::sigMenuItemShareCode, this, &MainWindow::copyShareCode);
    connect(m_profileList, &FileListWgt::sigMenuItemLayerSheet, this, &MainWindow::layerSheet);
    // A code pasted anywhere that takes no text itself.
    auto *paste = new QShortcut(QKeySequence::Paste, this);
    connect(paste, &QShortcut::activated, this, [this] { importShareCode(m_prompts.pastedText()); });
}

void MainWindow::retranslateExchange()
{
    m_moreBtn->setToolTip(tr("更多配置操作"));
    m_moreBtn->setAccessibleName(tr("更多配置操作"));
    m_exportAllAction->setText(tr("导出全部"));
    m_importAllAction->setText(tr("导入全部"));
    m_pasteCodeAction->setText(tr("粘贴分享码"));
    m_snapshotsAction->setText(tr("快照"));
    m_offlineAction->setText(tr("离线编辑"));
    showOfflineTitle();
}

void MainWindow::showOfflineTitle()
{
    if (!m_keyboard->isOfflineEditing())
        return;
    const QString title = tr("离线编辑：%1 (%2)").arg(m_activeName, modelName(m_keyboard->offlineModel()));
    setWindowTitle(title);
    m_status->setText(title);
}

void MainWindow::exportAll()
{
    const QString suggested =
        QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)).filePath(QStringLiteral("Corvane.corvane"));
    const QString path = m_prompts.chooseBundleExport(suggested);
    if (path.isEmpty())
        return;
    QStringList skipped;
    const ProfileBundle bundle = collectBundle(dataFolder(), &skipped);
    QString why;
    if (!writeUserFile(path, serialiseBundle(bundle), &why)) {
        qCWarning(lcUi).noquote() << "cannot write the export:" << why;
        m_prompts.inform(tr("导出全部"), tr("无法写入文件“%1”，没有导出。").arg(QFileInfo(path).fileName()));
        return;
    }
    const QString done = tr("已导出 %1 个配置、%2 个宏、%3 个灯光预设和 %4 条应用规则。")
                             .arg(bundle.profiles.size())
                             .arg(bundle.macros.size())
                             .arg(bundle.presets.size())
                             .arg(bundle.rules.rules.size() + (bundle.rules.defaultProfile.isEmpty() ? 0 : 1));
    if (skipped.isEmpty())
        toast(done, false);
    else
        m_prompts.inform(tr("导出全部"), done + QLatin1Char('\n') + tr("无法读取、未导出：%1").arg(skipped.join(tr("、"))));
}

void MainWindow::addImportedProfiles(const QStringList &written)
{
    for (const QString &file : written) {
        if (!file.startsWith(QLatin1String("LocalProfile/")))
            continue;
        const QString fileName = QFileInfo(file).fileName();
        const QString name = profileListName(fileName);
        if (m_profiles->profileIdForFile(fileName) != 0 || !m_profiles->ImportProfileFile(fileName))
            continue;
        m_profileNames.append(name);
        m_profileList->addEntry(name, m_profiles->lastId());
    }
}

void MainWindow::importAll()
{
    const QString path = m_prompts.chooseBundleImport(QDir::homePath());
    if (path.isEmpty())
        return;
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.read(MaxBundleFileSize + 1);
    ProfileBundle bundle;
    QString detail;
    const BundleError error = file.error() != QFile::NoError ? BundleError::NotABundle : parseBundle(bytes, &bundle, &detail);
    if (error != BundleError::None) {
        qCWarning(lcUi).noquote() << "import refused:" << path << detail;
        m_prompts.inform(tr("导入全部"), bundleErrorText(error));
        return;
    }
    const BundleImportPlan plan = planBundleImport(bundle, dataFolder());
    QStringList text{tr("这个文件包含 %1 个配置、%2 个宏、%3 个灯光预设和 %4 条应用规则。")
                         .arg(bundle.profiles.size())
                         .arg(bundle.macros.size())
                         .arg(bundle.presets.size())
                         .arg(bundle.rules.rules.size() + (bundle.rules.defaultProfile.isEmpty() ? 0 : 1))};
    for (const BundleImportPlan::Item &p : plan.profiles)
        if (!p.same && p.target != p.name)
            text << tr("配置“%1”已存在，将导入为“%2”。").arg(p.name, p.target);
    for (const BundleImportPlan::Item &m : plan.macros)
        if (!m.same && m.target != m.name)
            text << tr("宏“%1”已存在，将导入为“%2”。").arg(m.name, m.target);
    if (plan.replacesSomething()) {
        QStringList replaced;
        for (int slot : plan.presetsChanged)
            replaced << tr("灯光预设 %1").arg(slot);
        for (const AppProfileRule &r : plan.rulesChanged)
            replaced << tr("“%1”的应用规则").arg(r.application);
        if (plan.defaultChanged)
            replaced << tr("默认配置");
        text << tr("将被替换：%1。").arg(replaced.join(tr("、")));
    }
    text << tr("是否导入？");
    if (!m_prompts.ask(tr("导入全部"), text.join(QLatin1Char('\n'))))
        return;
    QStringList written;
    QString why;
    const bool ok = applyBundleImport(bundle, plan, dataFolder(), true, &written, &why);
    addImportedProfiles(written);
    if (!ok) {
        qCWarning(lcUi).noquote() << "import stopped:" << why;
        m_prompts.inform(tr("导入全部"), tr("导入中途失败，已导入的文件保留：%1 个。").arg(written.size()));
        return;
    }
    toast(written.isEmpty() ? tr("文件中的内容都已存在，没有需要导入的") : tr("已导入 %1 个文件").arg(written.size()), false);
}

void MainWindow::copyShareCode(int id)
{
    const ProfileDocument doc = m_profiles->profile(id);
    if (doc.isEmpty())
        return;
    const int model = keyboardModel();
    if (model < 0) {
        m_prompts.inform(tr("分享"), tr("还不知道这个配置用于哪种键盘：请先连接一次键盘。"));
        return;
    }
    ProfileDocument named = doc;
    named.insert(ProfileKeys::ProfileName, profileListName(QFileInfo(m_profiles->profilePath(id)).fileName()));
    QStringList left;
    const SharedProfile shared = shareProfile(named, model, macroFolderPath(), &left);
    const QString code = encodeShareCode(shared);
    if (code.size() > MaxShareCodeLength) {
        m_prompts.inform(tr("分享"), tr("这个配置太大，无法生成分享码，请使用“导出”。"));
        return;
    }
    m_prompts.copyText(code);
    if (left.isEmpty())
        toast(tr("分享码已复制到剪贴板"), false);
    else
        m_prompts.inform(tr("分享"), tr("分享码已复制到剪贴板；宏“%1”的文件找不到，分享码中不含用到它的按键。").arg(left.join(tr("、"))));
}

bool MainWindow::importShareCode(const QString &text)
{
    const QString code = findShareCode(text);
    if (code.isEmpty())
        return false;
    SharedProfile shared;
    QString detail;
    const ShareCodeError error = decodeShareCode(code, &shared, &detail);
    if (error != ShareCodeError::None) {
        qCWarning(lcUi).noquote() << "share code refused:" << detail;
        m_prompts.inform(tr("导入分享码"), shareErrorText(error));
        return true;
    }
    const int model = keyboardModel();
    if (model >= 0 && shared.model >= 0 && shared.model != model) {
        m_prompts.inform(tr("导入分享码"), tr("这个分享码适用于 %1 键盘，当前键盘是 %2，没有导入。")
                                              .arg(modelName(shared.model), modelName(model)));
        return true;
    }
    QString name = shared.document.value(ProfileKeys::ProfileName).toString();
    if (!profileNameProblem(name).isEmpty())
        name = tr("分享的配置");
    ProfileBundle bundle;
    bundle.profiles.append({name, shared.document});
    bundle.macros = shared.macros;
    const BundleImportPlan plan = planBundleImport(bundle, dataFolder());
    if (plan.profiles.first().same) {
        toast(tr("配置“%1”已存在").arg(name), false);
        return true;
    }
    QStringList lines{tr("分享码中的配置“%1”（%2 键盘）：").arg(name, modelName(shared.model))};
    for (const QString &line : profileSummary(shared.document, shared.macros.size()))
        lines << QStringLiteral("  ") + line;
    if (plan.profiles.first().target != name)
        lines << tr("同名配置已存在，将导入为“%1”。").arg(plan.profiles.first().target);
    lines << tr("是否导入为新配置？");
    if (!m_prompts.ask(tr("导入分享码"), lines.join(QLatin1Char('\n'))))
        return true;
    QStringList written;
    QString why;
    const bool ok = applyBundleImport(bundle, plan, dataFolder(), false, &written, &why);
    addImportedProfiles(written);
    if (!ok) {
        qCWarning(lcUi).noquote() << "share code import failed:" << why;
        m_prompts.inform(tr("导入分享码"), tr("无法写入配置文件，没有导入。"));
        return true;
    }
    toast(tr("已导入配置“%1”").arg(plan.profiles.first().target), false);
    return true;
}

SnapshotListWindow *MainWindow::openSnapshots()
{
    if (!m_snapshotWindow) {
        m_snapshotWindow = new SnapshotListWindow(this);
        m_snapshotWindow->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_snapshotWindow, &SnapshotListWindow::restoreRequested, this, [this](const QString &path) {
            if (refuseWhileInitialising())
                return;
            if (!m_keyboard->isConnected()) {
                m_prompts.inform(tr("快照"), tr("请先连接键盘。"));
                return;
            }
            QString why;
            QStringList macrosLeft;
            if (!m_keyboard->restoreSnapshot(path, &why, &macrosLeft)) {
                qCWarning(lcUi).noquote() << "snapshot not restored:" << why;
                m_prompts.inform(tr("快照"), tr("无法恢复这个快照。"));
                return;
            }
            if (!macrosLeft.isEmpty())
                m_prompts.inform(tr("快照"), tr("快照已恢复；宏“%1”的内容找不到，这些键保持不变。").arg(macrosLeft.join(tr("、"))));
            else
                toast(tr("快照已恢复"), false);
        });
    }
    m_snapshotWindow->setSnapshots(m_keyboard->snapshots());
    m_snapshotWindow->show();
    m_snapshotWindow->raise();
    return m_snapshotWindow;
}

void MainWindow::layerSheet(int id, int target)
{
    const ProfileDocument doc = m_profiles->profile(id);
    if (doc.isEmpty())
        return;
    const int model = keyboardModel();
    const QString name = profileListName(QFileInfo(m_profiles->profilePath(id)).fileName());
    const LayerSheet sheet(model, readProfile(doc), name);
    if (!sheet.isValid()) {
        m_prompts.inform(tr("打印/导出图层"), tr("还不知道这个配置用于哪种键盘：请先连接一次键盘。"));
        return;
    }
    if (target == FileListWgt::SheetPrinter) {
#ifdef CORVANE_HAVE_PRINT
        QPrinter printer;
        printer.setPageOrientation(QPageLayout::Landscape);
        printer.setDocName(name);
        QPrintDialog dialog(&printer, this);
        if (ModalGuard::exec(&dialog) != QDialog::Accepted)
            return;
        if (!sheet.print(&printer))
            m_prompts.inform(tr("打印/导出图层"), tr("无法打印图层。"));
#endif
        return;
    }
    const bool svg = target == FileListWgt::SheetSvg;
    const QString suggested = QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
                                  .filePath(name + (svg ? QStringLiteral(".svg") : QStringLiteral(".pdf")));
    const QString path = m_prompts.chooseSheetFile(suggested, svg ? QStringLiteral("SVG (*.svg)") : QStringLiteral("PDF (*.pdf)"));
    if (path.isEmpty())
        return;
    QString why;
    if (!writeLayerSheet(sheet, path, &why)) {
        qCWarning(lcUi).noquote() << "layer sheet not written:" << why;
        m_prompts.inform(tr("打印/导出图层"), tr("无法写入文件“%1”。").arg(QFileInfo(path).fileName()));
        return;
    }
    toast(tr("图层已导出到“%1”").arg(QFileInfo(path).fileName()), false);
}

void MainWindow::chooseOfflineEditing()
{
    if (m_keyboard->isConnected()) {
        m_prompts.inform(tr("离线编辑"), tr("键盘已连接，可以直接编辑。"));
        return;
    }
    QList<QPair<int, QString>> models, profiles;
    for (int model : keyboardModelIds())
        if (!KeyboardController::builtInKeyPlaces(model).isEmpty())
            models.append({model, modelName(model)});
    for (int id : m_profiles->profileIds())
        profiles.append({id, profileListName(QFileInfo(m_profiles->profilePath(id)).fileName())});
    if (profiles.isEmpty()) {
        m_prompts.inform(tr("离线编辑"), tr("还没有配置文件：请先保存或导入一个配置。"));
        return;
    }
    UserPrompts::OfflineChoice choice;
    // The model last connected comes first.
    const int last = keyboardModel();
    for (int i = 0; i < models.size(); ++i)
        if (models.at(i).first == last)
            models.move(i, 0);
    if (m_prompts.chooseOfflineTarget(models, profiles, &choice))
        startOfflineEditing(choice.model, choice.profile);
}

bool MainWindow::startOfflineEditing(int model, int id)
{
    QString why;
    if (!m_keyboard->startOfflineEditing(model, id, &why)) {
        qCWarning(lcUi).noquote() << "offline editing not started:" << why;
        m_prompts.inform(tr("离线编辑"), tr("无法离线编辑这个配置。"));
        return false;
    }
    m_activeName = profileListName(QFileInfo(m_profiles->profilePath(id)).fileName());
    showActiveProfile();
    showModel(model);
    showOfflineTitle();
    return true;
}
