#include "MacroTableWgt.h"

#include "MacroManageWindow.h"
#include "MacroStore.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

MacroTableWgt::MacroTableWgt(const QString &folder, QWidget *parent) : QWidget(parent), m_folder(folder)
{
    setObjectName(QStringLiteral("MacroTableWgt"));
    setStyleSheet(QStringLiteral(
        "QLabel#MacroTableTitle{color:#333333;font-size:15px;font-weight:bold;}"
        "QPushButton#MacroManageBtn{background:white;color:#333333;border:1px solid rgb(160, 170, 184);"
        "border-radius:4px;padding:0px 12px;}"
        "QPushButton#MacroManageBtn:hover{border-color:rgb(254, 187, 36);}"
        "QListWidget#MacroListShow{border:1px solid rgb(220, 223, 230);border-radius:4px;background:white;}"
        "QListWidget#MacroListShow::item{border-bottom:1px solid rgb(235, 238, 245);padding-left:8px;}"
        "QListWidget#MacroListShow::item:selected{background:rgb(255, 240, 204);color:#333333;}"
        "QLabel#MacroEmptyHint{color:#999999;}"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    auto *head = new QHBoxLayout;
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("MacroTableTitle"));
    m_manage = new QPushButton(this);
    m_manage->setObjectName(QStringLiteral("MacroManageBtn"));
    m_manage->setFixedHeight(30);
    m_manage->setAutoDefault(false);
    m_manage->setCursor(Qt::PointingHandCursor);
    head->addWidget(m_title);
    head->addStretch();
    head->addWidget(m_manage);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("MacroListShow"));
    m_list->setMinimumHeight(3 * EntryHeight + 4);
    m_emptyHint = new QLabel(this);
    m_emptyHint->setObjectName(QStringLiteral("MacroEmptyHint"));
    m_emptyHint->setWordWrap(true);
    layout->addLayout(head);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_emptyHint);

    connect(m_manage, &QPushButton::clicked, this, &MacroTableWgt::openManager);
    connect(m_list, &QListWidget::currentItemChanged, this,
            [this](QListWidgetItem *item) { emit sigMacroGroupInfo(item ? item->text() : QString()); });
    retranslate();
    reload();
}

void MacroTableWgt::reload()
{
    const QString chosen = selectedName();
    {
        QSignalBlocker block(m_list);
        m_list->clear();
        for (const MacroEntry &entry : MacroStore(m_folder).load()) {
            auto *item = new QListWidgetItem(entry.name, m_list);
            item->setSizeHint(QSize(0, EntryHeight));
            item->setData(StepsRole, QVariant::fromValue(entry.steps));
            item->setToolTip(tr("%1：%2 个步骤").arg(entry.name).arg(entry.steps.size()));
        }
    }
    // The chosen macro's steps may have changed; when it is gone, so is the choice.
    if (!chosen.isEmpty() && !selectMacro(chosen))
        emit sigMacroGroupInfo(QString());
    else if (!chosen.isEmpty())
        emit sigMacroGroupInfo(chosen);
    updateEmptyHint();
}

bool MacroTableWgt::selectMacro(const QString &name)
{
    const QList<QListWidgetItem *> found = m_list->findItems(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    QSignalBlocker block(m_list);
    m_list->setCurrentItem(found.isEmpty() ? nullptr : found.first());
    if (found.isEmpty())
        return false;
    m_list->scrollToItem(found.first());
    return true;
}

QString MacroTableWgt::selectedName() const
{
    const QListWidgetItem *item = m_list->currentItem();
    return item ? item->text() : QString();
}

QList<MACRO_Key> MacroTableWgt::selectedSteps() const
{
    const QListWidgetItem *item = m_list->currentItem();
    return item ? item->data(StepsRole).value<QList<MACRO_Key>>() : QList<MACRO_Key>();
}

MacroManageWindow *MacroTableWgt::manager() const
{
    return m_manager;
}

void MacroTableWgt::openManager()
{
    emit sigMacroWindow();
    if (m_manager) {
        m_manager->raise();
        m_manager->activateWindow();
        return;
    }
    auto *manager = new MacroManageWindow(m_folder, window());
    manager->setAttribute(Qt::WA_DeleteOnClose);
    m_manager = manager;
    connect(manager, &MacroManageWindow::sigMacrosChanged, this, &MacroTableWgt::reload);
    connect(manager, &QDialog::finished, this, &MacroTableWgt::reload);
    manager->open();
}

void MacroTableWgt::updateEmptyHint()
{
    m_emptyHint->setVisible(m_list->count() == 0);
}

void MacroTableWgt::retranslate()
{
    m_title->setText(tr("宏列表"));
    m_list->setAccessibleName(tr("宏列表"));
    m_manage->setText(tr("宏管理"));
    m_manage->setAccessibleName(tr("宏管理"));
    m_emptyHint->setText(tr("还没有宏。点击“宏管理”录制或导入一个宏。"));
}

void MacroTableWgt::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) {
        retranslate();
        reload();
    }
}
