#include "inputWindow.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QSize PlainSize(300, 100);
const QSize WithErrorSize(300, 140);
} // namespace

inputWindow::inputWindow(QString *result, QWidget *parent)
    : QDialog(parent)
    , m_result(result)
{
    setObjectName(QStringLiteral("inputWindow"));
    setFixedSize(PlainSize);
    setStyleSheet(QStringLiteral("QDialog { border-radius: 10px; }"));
    if (m_result)
        m_result->clear();

    m_prompt = new QLabel(this);
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("inputNameEdit"));
    m_prompt->setBuddy(m_edit); // the prompt is the edit's spoken name
    m_error = new QLabel(this);
    m_error->setObjectName(QStringLiteral("inputErrorLabel"));
    m_error->setStyleSheet(QStringLiteral("QLabel{color:#f5222d;}"));
    m_error->setWordWrap(true);
    m_error->hide();
    m_ok = new QPushButton(this);
    m_ok->setDefault(true);
    m_cancel = new QPushButton(this);

    auto *top = new QHBoxLayout;
    top->addWidget(m_prompt);
    top->addWidget(m_edit, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_error);
    layout->addLayout(buttons);

    connect(m_ok, &QPushButton::clicked, this, &inputWindow::onSubmitClicked);
    connect(m_cancel, &QPushButton::clicked, this, &inputWindow::onCancelClicked);
    retranslate();
}

void inputWindow::setNameCheck(NameCheck check)
{
    m_check = std::move(check);
}

QLineEdit *inputWindow::lineEdit() const
{
    return m_edit;
}

QString inputWindow::errorText() const
{
    return m_error->isHidden() ? QString() : m_error->text();
}

void inputWindow::onSubmitClicked()
{
    const QString text = m_edit->text();
    if (m_check) {
        const QString problem = m_check(text);
        if (!problem.isEmpty()) {
            m_error->setText(problem);
            m_error->show();
            setFixedSize(WithErrorSize);
            m_edit->setFocus();
            return;
        }
    }
    if (m_result)
        *m_result = text;
    emit textSubmitted(text);
    accept();
}

void inputWindow::onCancelClicked()
{
    if (m_result)
        m_result->clear();
    reject();
}

void inputWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QDialog::changeEvent(event);
}

void inputWindow::retranslate()
{
    setWindowTitle(tr("保存配置"));
    m_prompt->setText(tr("请输入配置名称："));
    m_ok->setText(tr("确定"));
    m_cancel->setText(tr("取消"));
}
