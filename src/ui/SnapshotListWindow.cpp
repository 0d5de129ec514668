#include "SnapshotListWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

SnapshotListWindow::SnapshotListWindow(QWidget *parent)
    : QDialog(parent), m_note(new QLabel(this)), m_list(new QListWidget(this)), m_restore(new QPushButton(this)),
      m_close(new QPushButton(this))
{
    setObjectName(QStringLiteral("SnapshotListWindow"));
    setWindowTitle(tr("快照"));
    setMinimumSize(420, 360);
    m_note->setWordWrap(true);
    m_note->setText(tr("固件升级、恢复出厂设置等操作之前，键盘的配置会自动保存为快照（每个键盘保留最近 %1 个）。"
                       "恢复快照只发送与当前配置不同的部分，可以撤销。")
                        .arg(SnapshotStore::Keep));
    m_list->setAccessibleName(tr("快照列表"));
    m_restore->setText(tr("恢复所选快照"));
    m_restore->setAccessibleName(m_restore->text());
    m_restore->setEnabled(false);
    m_close->setText(tr("关闭"));
    m_close->setAccessibleName(m_close->text());
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_restore);
    buttons->addWidget(m_close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_note);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);
    setupConnections();
}

void SnapshotListWindow::setupConnections()
{
    connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) { m_restore->setEnabled(row >= 0 && row < m_entries.size()); });
    connect(m_restore, &QPushButton::clicked, this, [this] {
        const int row = m_list->currentRow();
        if (row >= 0 && row < m_entries.size())
            emit restoreRequested(m_entries.at(row).path);
    });
    connect(m_list, &QListWidget::itemDoubleClicked, m_restore, &QPushButton::click);
    connect(m_close, &QPushButton::clicked, this, &QDialog::close);
}

QString SnapshotListWindow::entryText(const SnapshotStore::Entry &entry)
{
    return QStringLiteral("%1  %2").arg(entry.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                                        SnapshotStore::reasonText(entry.reason));
}

void SnapshotListWindow::setSnapshots(const QList<SnapshotStore::Entry> &entries)
{
    m_entries = entries;
    m_list->clear();
    for (const SnapshotStore::Entry &e : entries) {
        auto *item = new QListWidgetItem(entryText(e), m_list);
        item->setData(Qt::AccessibleTextRole, item->text());
    }
    if (entries.isEmpty()) {
        auto *item = new QListWidgetItem(tr("这个键盘还没有快照"), m_list);
        item->setFlags(Qt::NoItemFlags);
        item->setData(Qt::AccessibleTextRole, item->text());
    }
    m_restore->setEnabled(false);
}
