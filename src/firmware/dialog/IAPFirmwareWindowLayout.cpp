// The settings dialog's widgets, texts, look and window handling.

#include "IAPFirmwareWindow.h"

#include "FramelessWindow.h"
#include "LanguageManager.h"
#include "ModalGuard.h"
#include "ProcessControl.h"
#include "ShellIcons.h"
#include "SystemConfig.h"

#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const char *const StyleSheet = R"(
IAPFirmwareWindow { background: #ffffff; }
QLabel#iapTitle { font-size: 18px; font-weight: bold; }
QLabel#iapRowTitle { color: #606266; font-size: 15px; }
QLabel#iapValue { font-size: 15px; }
QLabel#iapNewest { color: #b88212; }
QLabel#iapPath { border: 1px solid #dcdfe6; border-radius: 6px; padding: 0px 8px; min-height: 32px; color: #606266; }
QLabel#iapStatus { color: #303133; }
QPushButton#iapButton, QPushButton#iapLanguageBtn {
    background: #ffffff; border: 1px solid #dcdfe6; border-radius: 6px; min-height: 32px; padding: 0px 16px;
}
QPushButton#iapButton:hover, QPushButton#iapLanguageBtn:hover { border-color: #febb24; }
QPushButton#iapButton:disabled { color: #c0c4cc; background: #f5f7fa; border-color: #e4e7ed; }
QPushButton#iapLanguageBtn:checked { background: rgb(68, 74, 86); border-color: rgb(68, 74, 86); color: #ffffff; }
QPushButton#iapPrimaryBtn {
    background: #febb24; border: none; border-radius: 6px; min-height: 32px; padding: 0px 16px; color: #ffffff;
}
QPushButton#iapPrimaryBtn:disabled { background: #f5dca0; }
QPushButton#iapResetBtn {
    background: #ffffff; border: 1px solid #f56c6c; border-radius: 6px; min-height: 32px; padding: 0px 16px; color: #f56c6c;
}
QPushButton#iapResetBtn:disabled { color: #c0c4cc; border-color: #e4e7ed; }
QComboBox#iapRateBox { min-height: 30px; min-width: 130px; }
QProgressBar#iapProgressBar { border: none; background: #ebeef5; border-radius: 5px; }
QProgressBar#iapProgressBar::chunk { background: #febb24; border-radius: 5px; }
QFrame#iapLine { background: #ebeef5; }
QToolButton#iapCloseBtn { border: none; border-radius: 4px; }
QToolButton#iapCloseBtn:hover { background: #f2f2f2; }
)";

QLabel *rowTitle(QWidget *parent)
{
    auto *l = new QLabel(parent);
    l->setObjectName(QStringLiteral("iapRowTitle"));
    l->setFixedWidth(120);
    return l;
}

QPushButton *button(QWidget *parent, const char *objectName = "iapButton")
{
    auto *b = new QPushButton(parent);
    b->setObjectName(QLatin1String(objectName));
    b->setCursor(Qt::PointingHandCursor);
    return b;
}

QFrame *line(QWidget *parent)
{
    auto *f = new QFrame(parent);
    f->setObjectName(QStringLiteral("iapLine"));
    f->setFixedHeight(1);
    return f;
}

} // namespace

IAPFirmwareWindow::Prompts IAPFirmwareWindow::Prompts::dialogs(QWidget *parent)
{
    Prompts p;
    p.ask = [parent](const QString &title, const QString &text) {
        return ModalGuard::ask(parent, title, text);
    };
    p.inform = [parent](const QString &title, const QString &text) {
        ModalGuard::inform(parent, title, text);
    };
    p.chooseFirmwareFile = [parent](const QString &startFolder) {
        return ModalGuard::openFileName(parent, IAPFirmwareWindow::tr("选择要打开的文件"), startFolder,
                                        IAPFirmwareWindow::tr("固件文件 (*.bin *.BIN);;所有文件 (*)"));
    };
    p.startProgram = [](const QString &program, const QStringList &arguments, qint64 *pid) {
        return startDetachedProgram(program, arguments, QDir::currentPath(), pid);
    };
    p.chooseReportFile = [parent](const QString &suggestedPath) {
        return ModalGuard::saveFileName(parent, IAPFirmwareWindow::tr("保存诊断报告"), suggestedPath,
                                        IAPFirmwareWindow::tr("诊断报告 (*.json)"));
    };
    return p;
}

void IAPFirmwareWindow::buildWidgets()
{
    setObjectName(QStringLiteral("IAPFirmwareWindow"));
    setStyleSheet(QLatin1String(StyleSheet));
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(36, 16, 16, 28);
    outer->setSpacing(14);

    auto *titleRow = new QHBoxLayout;
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("iapTitle"));
    m_closeBtn = new QToolButton(this);
    m_closeBtn->setObjectName(QStringLiteral("iapCloseBtn"));
    m_closeBtn->setIcon(closeCrossIcon());
    m_closeBtn->setIconSize(QSize(20, 20));
    m_closeBtn->setFixedSize(30, 30);
    m_closeBtn->setCursor(Qt::PointingHandCursor);
    titleRow->addWidget(m_title);
    titleRow->addStretch();
    titleRow->addWidget(m_closeBtn, 0, Qt::AlignTop);
    outer->addLayout(titleRow);
    outer->addWidget(line(this));

    auto *grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 20, 0);
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(18);
    grid->setColumnStretch(1, 1);
    int row = 0;

    m_languageTitle = rowTitle(this);
    auto *languageRow = new QHBoxLayout;
    m_chineseBtn = button(this, "iapLanguageBtn");
    m_englishBtn = button(this, "iapLanguageBtn");
    for (QPushButton *b : {m_chineseBtn, m_englishBtn}) {
        b->setCheckable(true);
        b->setAutoExclusive(true);
        b->setFixedWidth(110);
        languageRow->addWidget(b);
    }
    languageRow->addStretch();
    grid->addWidget(m_languageTitle, row, 0);
    grid->addLayout(languageRow, row++, 1, 1, 2);

    m_rateTitle = rowTitle(this);
    m_rateBox = new QComboBox(this);
    m_rateBox->setObjectName(QStringLiteral("iapRateBox"));
    for (const char *rate : {"8KHz", "4KHz", "2KHz", "1KHz", "500Hz", "250Hz", "125Hz"})
        m_rateBox->addItem(QLatin1String(rate));
    m_rateBox->setCurrentIndex(-1);
    grid->addWidget(m_rateTitle, row, 0);
    grid->addWidget(m_rateBox, row++, 1, Qt::AlignLeft);

    m_softwareTitle = rowTitle(this);
    m_softwareVersion = new QLabel(this);
    m_softwareVersion->setObjectName(QStringLiteral("iapValue"));
    m_checkUpdateBtn = button(this);
    grid->addWidget(m_softwareTitle, row, 0);
    grid->addWidget(m_softwareVersion, row, 1);
    grid->addWidget(m_checkUpdateBtn, row++, 2, Qt::AlignRight);

    m_firmwareTitle = rowTitle(this);
    m_firmwareVersionLabel = new QLabel(this);
    m_firmwareVersionLabel->setObjectName(QStringLiteral("iapValue"));
    grid->addWidget(m_firmwareTitle, row, 0, Qt::AlignTop);
    grid->addWidget(m_firmwareVersionLabel, row++, 1, 1, 2);
    m_newest = new QLabel(this);
    m_newest->setObjectName(QStringLiteral("iapNewest"));
    m_newest->setWordWrap(true);
    m_newest->setTextFormat(Qt::PlainText);
    m_newest->setMaximumHeight(110);
    m_newest->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    grid->addWidget(m_newest, row++, 1, 1, 2);

    m_upgradeTitle = rowTitle(this);
    auto *localRow = new QHBoxLayout;
    m_localTitle = new QLabel(this);
    m_localTitle->setMinimumWidth(80);
    m_pathLabel = new QLabel(this);
    m_pathLabel->setObjectName(QStringLiteral("iapPath"));
    m_pathLabel->setMinimumWidth(200);
    m_pathLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_pathLabel->installEventFilter(this);
    m_chooseBtn = button(this);
    m_localBtn = button(this, "iapPrimaryBtn");
    localRow->addWidget(m_localTitle);
    localRow->addWidget(m_pathLabel, 1);
    localRow->addWidget(m_chooseBtn);
    localRow->addWidget(m_localBtn);
    grid->addWidget(m_upgradeTitle, row, 0);
    grid->addLayout(localRow, row++, 1, 1, 2);
    auto *onlineRow = new QHBoxLayout;
    m_onlineTitle = new QLabel(this);
    m_onlineTitle->setMinimumWidth(80);
    m_onlineBtn = button(this, "iapPrimaryBtn");
    onlineRow->addWidget(m_onlineTitle);
    onlineRow->addWidget(m_onlineBtn);
    onlineRow->addStretch();
    grid->addLayout(onlineRow, row++, 1, 1, 2);
    outer->addLayout(grid);

    auto *progressRow = new QHBoxLayout;
    progressRow->setContentsMargins(0, 0, 20, 0);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("iapProgressBar"));
    m_progress->setRange(0, 100);
    m_progress->setTextVisible(false);
    m_progress->setFixedHeight(10);
    m_percent = new QLabel(QStringLiteral("0%"), this);
    m_percent->setFixedWidth(48);
    m_percent->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    progressRow->addWidget(m_progress, 1);
    progressRow->addWidget(m_percent);
    outer->addLayout(progressRow);
    showProgressWidgets(false);

    m_statusLabel = new QLabel(this);
    m_statusLabel->setObjectName(QStringLiteral("iapStatus"));
    m_statusLabel->setWordWrap(true);
    m_statusLabel->setTextFormat(Qt::PlainText);
    m_statusLabel->setMinimumHeight(44);
    m_statusLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    outer->addWidget(m_statusLabel);
    outer->addStretch();
    outer->addWidget(line(this));

    m_actionRow = new QHBoxLayout;
    m_actionRow->setContentsMargins(0, 0, 20, 0);
    // The harmless action on the left, well away from the factory reset.
    m_reportBtn = button(this);
    m_actionRow->addWidget(m_reportBtn);
    m_actionRow->addStretch();
    m_resetBtn = button(this, "iapResetBtn");
    m_actionRow->addWidget(m_resetBtn);
    outer->addLayout(m_actionRow);
}

void IAPFirmwareWindow::retranslate()
{
    setWindowTitle(tr("设置"));
    m_title->setText(tr("设置"));
    m_closeBtn->setToolTip(tr("关闭"));
    m_closeBtn->setAccessibleName(tr("关闭"));
    m_languageTitle->setText(tr("语    言"));
    m_chineseBtn->setText(QStringLiteral("Chinese"));
    m_englishBtn->setText(QStringLiteral("English"));
    const bool chinese = LanguageManager::instance()->language() != QLatin1String("English");
    (chinese ? m_chineseBtn : m_englishBtn)->setChecked(true);
    m_rateTitle->setText(tr("回报率设置"));
    m_rateBox->setAccessibleName(tr("回报率设置"));
    m_softwareTitle->setText(tr("驱动版本"));
    m_checkUpdateBtn->setText(tr("检查更新"));
    m_firmwareTitle->setText(tr("固件版本"));
    m_upgradeTitle->setText(tr("固件升级"));
    m_localTitle->setText(tr("本地升级"));
    m_chooseBtn->setText(tr("选择..."));
    m_localBtn->setText(tr("本地更新"));
    m_onlineTitle->setText(tr("在线升级"));
    m_onlineBtn->setText(tr("在线更新"));
    m_resetBtn->setText(tr("恢复出厂设置"));
    m_reportBtn->setText(tr("保存诊断报告"));
    m_reportBtn->setToolTip(tr("把程序、系统和键盘的信息存为一个文件，附在问题报告里"));
    m_progress->setAccessibleName(tr("升级进度"));
    showLocalPath();
    refreshVersionInfo();
}

void IAPFirmwareWindow::showLocalPath()
{
    const QString path = m_localPath.isEmpty() ? tr("未选择固件文件") : m_localPath;
    // A long path keeps its start and its file name.
    const int room = m_pathLabel->contentsRect().width() - 4;
    m_pathLabel->setText(room > 0 ? m_pathLabel->fontMetrics().elidedText(path, Qt::ElideMiddle, room) : path);
    m_pathLabel->setToolTip(m_localPath);
    m_pathLabel->setAccessibleName(path);
}

bool IAPFirmwareWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_pathLabel && event->type() == QEvent::Resize)
        showLocalPath();
    return QDialog::eventFilter(watched, event);
}

void IAPFirmwareWindow::showProgressWidgets(bool shown)
{
    m_progress->setVisible(shown);
    m_percent->setVisible(shown);
}

void IAPFirmwareWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QDialog::changeEvent(event);
}

void IAPFirmwareWindow::paintEvent(QPaintEvent *event)
{
    QDialog::paintEvent(event);
    // An edge, so that the white dialog stands apart from the white window.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0xdc, 0xdf, 0xe6), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
}

void IAPFirmwareWindow::resizeEvent(QResizeEvent *event)
{
    cutRoundedCorners(this, 8);
    QDialog::resizeEvent(event);
}

