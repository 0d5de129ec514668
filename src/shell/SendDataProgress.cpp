#include "SendDataProgress.h"

#include "ShellLog.h"

#include <QFrame>
#include <QGraphicsDropShadowEffect>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

SendDataProgress *SendDataProgress::instance()
{
    static SendDataProgress *box = new SendDataProgress;
    return box;
}

SendDataProgress::SendDataProgress(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("SendDataProgress"));
    setFixedSize(450, 200);
    setWindowFlags(Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(20, 10, 20, 10);
    auto *frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("SendDataProgressFrame"));
    frame->setStyleSheet(QStringLiteral("QFrame{background:white;border-radius: 8px;}"));
    auto *shadow = new QGraphicsDropShadowEffect(frame);
    shadow->setColor(Qt::darkGray);
    shadow->setBlurRadius(10);
    shadow->setOffset(0);
    frame->setGraphicsEffect(shadow);
    outer->addWidget(frame);

    auto *inner = new QVBoxLayout(frame);
    inner->setContentsMargins(30, 30, 30, 30);
    m_bar = new QProgressBar(frame);
    m_bar->setFixedHeight(20);
    m_bar->setRange(0, 100);
    m_bar->setAlignment(Qt::AlignCenter);
    m_bar->setStyleSheet(QStringLiteral("QProgressBar {border-radius: 10px;background-color: #fada91;}"
                                        "QProgressBar::chunk {border-radius: 10px;background-color: #febb24;}"));
    m_label = new QLabel(frame);
    m_label->setAlignment(Qt::AlignCenter);
    m_label->setWordWrap(true);
    inner->addStretch();
    inner->addWidget(m_bar);
    inner->addWidget(m_label);
    inner->addStretch();

    m_closeTimer = new QTimer(this);
    m_closeTimer->setSingleShot(true);
    m_closeTimer->setInterval(DefaultCloseDelay);
    connect(m_closeTimer, &QTimer::timeout, this, &SendDataProgress::closeProgress);
    m_sendTimer = new QTimer(this);
    m_sendTimer->setSingleShot(true);
    m_sendTimer->setInterval(DefaultSendTimeout);
    connect(m_sendTimer, &QTimer::timeout, this, &SendDataProgress::sendTimeoutSlot);
}

void SendDataProgress::setText(const QString &text)
{
    m_label->setText(text);
}

QString SendDataProgress::text() const
{
    return m_label->text();
}

void SendDataProgress::setValue(int value)
{
    if (value != 100) {
        m_closeTimer->stop();
        if (!m_sendTimer->isActive())
            m_sendTimer->start();
    } else {
        m_sendTimer->stop();
        if (!m_closeTimer->isActive())
            m_closeTimer->start();
    }
    m_bar->setValue(value);
}

int SendDataProgress::value() const
{
    return m_bar->value();
}

void SendDataProgress::setProgress(const QString &text, int value)
{
    setText(text);
    setValue(value);
}

void SendDataProgress::setCloseDelay(int msecs)
{
    m_closeTimer->setInterval(msecs);
}

void SendDataProgress::setSendTimeout(int msecs)
{
    m_sendTimer->setInterval(msecs);
}

bool SendDataProgress::isClosePending() const
{
    return m_closeTimer->isActive();
}

bool SendDataProgress::isSendTimeoutArmed() const
{
    return m_sendTimer->isActive();
}

void SendDataProgress::closeProgress()
{
    qCDebug(lcShell) << "关闭进度条定时器触发";
    m_sendTimer->stop();
    close();
}

void SendDataProgress::sendTimeoutSlot()
{
    setText(tr("配置下发超时，请稍后重试！"));
    m_closeTimer->start();
}
