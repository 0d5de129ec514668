#include "Update.h"

#include "FramelessWindow.h"
#include "ShellIcons.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QGraphicsDropShadowEffect>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int StatusWidth = 420;

} // namespace

Update::Update(SoftwareUpdate *update, QWidget *parent)
    : QWidget(parent), m_update(update), m_dotsTimer(new QTimer(this)), m_quitTimer(new QTimer(this))
{
    setWindowFlags(Qt::FramelessWindowHint | Qt::Window);
    WindowDragger::install(this);
#ifdef Q_OS_WIN
    setAttribute(Qt::WA_TranslucentBackground);
#endif
    setFixedSize(500, 300);
    buildWidgets();
    m_dotsTimer->setInterval(1000);
    connect(m_dotsTimer, &QTimer::timeout, this, &Update::tick);
    m_quitTimer->setSingleShot(true);
    m_quitTimer->setInterval(QuitDelayMs);
    connect(m_quitTimer, &QTimer::timeout, this, &Update::sigQuit);
    connect(m_closeBtn, &QToolButton::clicked, this, &Update::closeBtnClicked);
    connect(m_updateBtn, &QPushButton::clicked, this, &Update::updateBtnClicked);
    connect(m_update, &SoftwareUpdate::stateChanged, this, &Update::showState);
    connect(m_update, &SoftwareUpdate::progress, m_progress, &QProgressBar::setValue);
    showState();
}

void Update::buildWidgets()
{
    setWindowTitle(QStringLiteral("Update"));
    auto *outer = new QGridLayout(this);
    outer->setContentsMargins(10, 10, 10, 10);
    // The shadow is the background's alone: on the content's parent it would
    // blur the text too.
    auto *background = new QWidget(this);
    background->setObjectName(QStringLiteral("mainWindow"));
    background->setAttribute(Qt::WA_StyledBackground);
    auto *shadow = new QGraphicsDropShadowEffect(background);
    shadow->setColor(Qt::darkGray);
    shadow->setBlurRadius(10);
    shadow->setOffset(0);
    background->setGraphicsEffect(shadow);
    outer->addWidget(background, 0, 0);
    auto *frame = new QWidget(this);
    outer->addWidget(frame, 0, 0);

    auto *layout = new QVBoxLayout(frame);
    layout->setContentsMargins(10, 10, 10, 20);
    auto *top = new QHBoxLayout;
    top->addStretch();
    m_closeBtn = new QToolButton(frame);
    m_closeBtn->setObjectName(QStringLiteral("closeBtn"));
    m_closeBtn->setFixedSize(30, 30);
    m_closeBtn->setIcon(closeCrossIcon());
    m_closeBtn->setIconSize(QSize(20, 20));
    m_closeBtn->setCursor(Qt::PointingHandCursor);
    top->addWidget(m_closeBtn);
    layout->addLayout(top);
    layout->addStretch();

    auto *statusRow = new QHBoxLayout;
    statusRow->addStretch();
    m_status = new QLabel(frame);
    m_status->setObjectName(QStringLiteral("statusLabel"));
    m_status->setAlignment(Qt::AlignCenter);
    // Versions and reasons come from the server: never read as markup.
    m_status->setTextFormat(Qt::PlainText);

    m_dots = new QLabel(frame);
    m_dots->setObjectName(QStringLiteral("dotsLabel"));
    m_dots->setFixedWidth(15);
    statusRow->addWidget(m_status);
    statusRow->addWidget(m_dots);
    statusRow->addStretch();
    layout->addLayout(statusRow);
    layout->addSpacing(20);

    m_progress = new QProgressBar(frame);
    m_progress->setObjectName(QStringLiteral("updateProgressBar"));
    m_progress->setFixedSize(320, 10);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_progress->hide();
    layout->addWidget(m_progress, 0, Qt::AlignHCenter);

    m_updateBtn = new QPushButton(frame);
    m_updateBtn->setObjectName(QStringLiteral("updateBtn"));
    m_updateBtn->setFixedSize(220, 40);
    m_updateBtn->setCursor(Qt::PointingHandCursor);
    m_updateBtn->hide();
    layout->addWidget(m_updateBtn, 0, Qt::AlignHCenter);
    layout->addStretch();
}

void Update::setQuitDelay(int ms)
{
    m_quitTimer->setInterval(ms);
}

QString Update::statusText() const
{
    return m_status->text();
}

void Update::tick()
{
    static const char *const dots[] = {"", ".", "..", "..."};
    m_dots->setText(QLatin1String(dots[m_dotCount]));
    m_dotCount = (m_dotCount + 1) % 4;
}

void Update::showState()
{
    using State = SoftwareUpdate::State;
    const State state = m_update->state();
    const bool busy = state == State::Checking || state == State::Downloading || state == State::Installing ||
                      state == State::Starting;
    if (busy && !m_dotsTimer->isActive()) {
        m_dotCount = 0;
        tick();
        m_dotsTimer->start();
    } else if (!busy) {
        m_dotsTimer->stop();
        m_dots->clear();
    }
    // Short texts keep their dots beside them; long ones wrap in a column.
    m_status->setWordWrap(!busy);
    m_status->setMinimumWidth(busy ? 0 : StatusWidth);
    m_status->setMaximumWidth(busy ? QWIDGETSIZE_MAX : StatusWidth);
    m_dots->setVisible(busy);
    m_updateBtn->setText(tr("立即更新"));
    m_updateBtn->setAccessibleName(m_updateBtn->text());
    m_updateBtn->setVisible(state == State::Available);
    m_progress->setVisible(state == State::Downloading);
    m_progress->setAccessibleName(tr("下载进度"));
    m_closeBtn->setEnabled(m_update->canQuit());
    m_closeBtn->setToolTip(tr("关闭"));
    m_closeBtn->setAccessibleName(tr("关闭"));
    const QString versions = tr("当前版本：V%1    最新版本：V%2").arg(m_update->installedVersion(), m_update->latestVersion());

    QString text;
    switch (state) {
    case State::Checking: text = tr("正在检查更新"); break;
    case State::UpToDate: text = tr("已是最新版本！"); break;
    case State::Available: text = versions; break;
    case State::SystemInstall:
        text = versions + QLatin1Char('\n') + tr("程序安装在系统目录中，请通过系统的软件包管理器更新。");
        break;
    case State::Downloading: text = tr("正在下载新版本"); break;
    case State::Installing: text = tr("正在安装新版本"); break;
    case State::Starting:
    case State::Finished: text = tr("更新完成！正在启动！"); break;
    case State::NotConfigured:
    case State::PackageManaged:
    case State::CheckFailed:
    case State::RolledBack:
    case State::Failed: text = m_update->problem(); break;
    }
    m_status->setText(text);
    m_status->setAccessibleName(text);
    if (state == State::Finished && !m_quitTimer->isActive())
        m_quitTimer->start();
}

void Update::closeBtnClicked()
{
    if (!m_update->canQuit())
        return;
    // A download stops here; the installed program has not been touched.
    m_update->cancel();
    emit sigQuit();
}

void Update::closeEvent(QCloseEvent *event)
{
    // Leaving while the old program is stopped, replaced or the new one on
    // probation would leave the user without a working program.
    if (!m_update->canQuit()) {
        event->ignore();
        return;
    }
    m_update->cancel();
    QWidget::closeEvent(event);
}

void Update::updateBtnClicked()
{
    m_updateBtn->hide();
    m_update->install();
}

void Update::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        showState();
    QWidget::changeEvent(event);
}

void Update::resizeEvent(QResizeEvent *event)
{
    cutRoundedCorners(this, 8, 6); // inside the drawn shadow
    QWidget::resizeEvent(event);
}

