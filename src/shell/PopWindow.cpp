#include "PopWindow.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

PopWindow::PopWindow(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("PopWindow"));
    setStyleSheet(QStringLiteral(".QWidget{background:white;}"));

    m_content = new QWidget(this);
    m_content->setObjectName(QStringLiteral("PopContent"));
    m_content->setStyleSheet(QStringLiteral(".QWidget{background:white;border-radius:8px;}"));
    auto *buttonArea = new QWidget(this);
    buttonArea->setObjectName(QStringLiteral("PopButtons"));
    buttonArea->setStyleSheet(QStringLiteral(".QWidget{background:white;border-radius:8px;}"));

    m_commit = new QPushButton(buttonArea);
    m_commit->setObjectName(QStringLiteral("PopCommitBtn"));
    m_commit->setFixedSize(90, 30);
    m_cancel = new QPushButton(buttonArea);
    m_cancel->setObjectName(QStringLiteral("PopCancelBtn"));
    m_cancel->setFixedSize(90, 30);
    auto *buttons = new QHBoxLayout(buttonArea);
    buttons->addStretch();
    buttons->addWidget(m_commit);
    buttons->addWidget(m_cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_content, 1);
    layout->addWidget(buttonArea);

    connect(m_commit, &QPushButton::clicked, this, [this] {
        hide();
        emit sigCommit();
    });
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        hide();
        emit sigCancel();
    });
    retranslate();
}

QWidget *PopWindow::contentArea() const
{
    return m_content;
}

QPushButton *PopWindow::commitButton() const
{
    return m_commit;
}

QPushButton *PopWindow::cancelButton() const
{
    return m_cancel;
}

void PopWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QDialog::changeEvent(event);
}

void PopWindow::retranslate()
{
    m_commit->setText(tr("确定"));
    m_cancel->setText(tr("取消"));
}
