#include "TravelScopeWindow.h"

#include "ModalGuard.h"

#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

namespace {

const char ButtonStyle[] = "QPushButton{color:white;font-size:14px;background:rgb(68, 74, 86);border-radius:4px;"
                           "padding:0 14px;}QPushButton:hover{background:rgb(40, 44, 55);}"
                           "QPushButton:disabled{background:rgb(160, 170, 184);}";

} // namespace

TravelScopeWindow::TravelScopeWindow(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("TravelScopeWindow"));
    resize(780, 500);
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(12, 12, 12, 12);
    v->setSpacing(8);

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    auto make = [&](bool checkable) {
        auto *b = new QPushButton(this);
        b->setStyleSheet(QLatin1String(ButtonStyle));
        b->setMinimumHeight(32);
        b->setCheckable(checkable);
        buttons->addWidget(b);
        return b;
    };
    m_pauseBtn = make(true);
    m_recordBtn = make(true);
    m_openBtn = make(false);
    m_pictureBtn = make(false);
    buttons->addStretch();
    v->addLayout(buttons);

    m_hint = new QLabel(this);
    m_hint->setStyleSheet(QStringLiteral("color:#808080;"));
    v->addWidget(m_hint);
    m_plot = new TravelScopeWgt(this);
    v->addWidget(m_plot, 1);
    m_summary = new QLabel(this);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    v->addWidget(m_summary);
    m_status = new QLabel(this);
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    v->addWidget(m_status);

    m_prompt = [this](FileKind kind) {
        switch (kind) {
        case FileKind::Record:
            return ModalGuard::saveFileName(this, tr("记录到"), QString(), tr("CSV 文件 (*.csv)"));
        case FileKind::Open:
            return ModalGuard::openFileName(this, tr("打开记录"), QString(), tr("CSV 文件 (*.csv)"));
        case FileKind::Picture:
            return ModalGuard::saveFileName(this, tr("保存图片"), QString(), tr("PNG 图片 (*.png)"));
        }
        return QString();
    };
    retranslate();
    setupConnections();
}

TravelScopeWindow::~TravelScopeWindow()
{
    stopRecording();
}

void TravelScopeWindow::setupConnections()
{
    connect(m_pauseBtn, &QPushButton::clicked, this, &TravelScopeWindow::setPaused);
    connect(m_recordBtn, &QPushButton::clicked, this, [this](bool on) {
        if (!on) {
            stopRecording();
            return;
        }
        const QString path = m_prompt(FileKind::Record);
        if (path.isEmpty() || !startRecording(path))
            m_recordBtn->setChecked(false);
    });
    connect(m_openBtn, &QPushButton::clicked, this, [this] {
        const QString path = m_prompt(FileKind::Open);
        if (!path.isEmpty())
            openRecording(path);
    });
    connect(m_pictureBtn, &QPushButton::clicked, this, [this] {
        const QString path = m_prompt(FileKind::Picture);
        if (!path.isEmpty())
            savePicture(path);
    });
}

void TravelScopeWindow::retranslate()
{
    setWindowTitle(tr("行程曲线"));
    m_pauseBtn->setText(m_plot->isPaused() ? tr("继续") : tr("暂停"));
    m_recordBtn->setText(isRecording() ? tr("停止记录") : tr("记录"));
    m_recordBtn->setToolTip(tr("把曲线上的数据（时间、按键、深度、状态）写入您指定的 CSV 文件。"
                               "按键数据就是一份击键记录，可能包含您输入的密码，请妥善保管该文件。"));
    m_openBtn->setText(tr("打开记录"));
    m_openBtn->setToolTip(tr("回放一个记录的 CSV 文件，无需连接键盘"));
    m_pictureBtn->setText(tr("保存图片"));
    m_pictureBtn->setToolTip(tr("把曲线保存为 PNG 图片"));
    m_hint->setText(tr("在键盘上选择 1 到 4 个按键。虚线：触发点；点线：快速触发的触发与重置位置；"
                       "斜线区：死区；实心三角：键盘报告触发；空心圆：键盘报告释放。"));
    m_summary->setAccessibleName(tr("曲线摘要"));
    m_plot->setAccessibleName(tr("行程曲线"));
    refreshSummary();
}

void TravelScopeWindow::setKeys(const QList<ScopeKey> &keys, int maximumUm)
{
    if (m_plot->isReplay())
        return;
    m_plot->setMaximumUm(maximumUm);
    if (keys.size() != m_plot->keys().size() && isRecording())
        showStatus(tr("记录中按键变化：新的按键从此刻起记录"));
    m_plot->setKeys(keys);
}

void TravelScopeWindow::addRound(const QList<QList<quint16>> &travel, const QList<QList<quint8>> &flags)
{
    if (!isVisible() || isMinimized())
        return;
    if (!m_clock.isValid())
        m_clock.start();
    const QVector<KeyTraceSample> taken = m_plot->addRound(m_clock.elapsed(), travel, flags);
    if (!isRecording())
        return;
    const QList<ScopeKey> &keys = m_plot->keys();
    QByteArray lines;
    for (int i = 0; i < taken.size(); ++i)
        lines += KeyTraceCsv::line(keys[i].name, taken[i]);
    m_recordRows += taken.size();
    if (m_record->write(lines) != lines.size()) {
        showStatus(tr("无法写入记录文件：%1").arg(m_record->errorString()));
        m_record->cancelWriting();
        stopRecording();
        return;
    }
    // Every recording can be opened again: it stops at the bound a
    // recording is read with.
    if (m_recordRows + KeyTraceCsv::MaxKeys > KeyTraceCsv::MaxRows) {
        stopRecording();
        showStatus(tr("记录已达 %1 行上限，已停止并保存到 %2").arg(KeyTraceCsv::MaxRows).arg(m_recordPath));
    }
}

bool TravelScopeWindow::isRecording() const
{
    return m_record != nullptr;
}

// A key stream is a keystroke log: the file is the user's alone, and it is
// written whole or not at all.
bool TravelScopeWindow::startRecording(const QString &path)
{
    stopRecording();
    auto file = std::make_unique<QSaveFile>(path);
    if (!file->open(QIODevice::WriteOnly)) {
        showStatus(tr("无法创建记录文件 %1：%2").arg(path, file->errorString()));
        refreshButtons();
        return false;
    }
    file->setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    file->write(KeyTraceCsv::header());
    m_record = std::move(file);
    m_recordPath = path;
    m_recordRows = 0;
    // The scope starts again with the recording, so the two show the same.
    setPaused(false);
    m_plot->clearTraces();
    m_clock.invalidate();
    showStatus(tr("正在记录到 %1").arg(path));
    refreshButtons();
    return true;
}

bool TravelScopeWindow::stopRecording()
{
    if (!m_record)
        return false;
    std::unique_ptr<QSaveFile> file = std::move(m_record);
    refreshButtons();
    if (!file->commit()) {
        showStatus(tr("记录未保存：%1").arg(file->errorString()));
        return false;
    }
    showStatus(tr("已记录 %1 行到 %2").arg(m_recordRows).arg(m_recordPath));
    return true;
}

bool TravelScopeWindow::openRecording(const QString &path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        showStatus(tr("无法打开记录 %1：%2").arg(path, file.errorString()));
        return false;
    }
    if (file.size() > KeyTraceCsv::MaxBytes) {
        showStatus(tr("无法打开记录 %1：文件超过 %2 MB").arg(path).arg(KeyTraceCsv::MaxBytes / (1024 * 1024)));
        return false;
    }
    const KeyTraceCsv::Parsed parsed = KeyTraceCsv::read(&file);
    if (!parsed.error.isEmpty()) {
        showStatus(tr("无法打开记录 %1：%2").arg(path, parsed.error));
        return false;
    }
    stopRecording();
    m_plot->showRecording(parsed.recording, m_known);
    showStatus(tr("正在回放 %1，点击“继续”回到实时曲线").arg(QFileInfo(path).fileName()));
    refreshButtons();
    refreshSummary();
    return true;
}

bool TravelScopeWindow::savePicture(const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !m_plot->grab().save(&file, "PNG") || !file.commit()) {
        showStatus(tr("无法保存图片 %1：%2").arg(path, file.errorString()));
        return false;
    }
    showStatus(tr("图片已保存到 %1").arg(path));
    return true;
}

void TravelScopeWindow::setPaused(bool paused)
{
    m_plot->setPaused(paused);
    if (!paused)
        m_clock.invalidate();
    refreshButtons();
    refreshSummary();
}

void TravelScopeWindow::refreshButtons()
{
    m_pauseBtn->setChecked(m_plot->isPaused());
    m_pauseBtn->setText(m_plot->isPaused() ? tr("继续") : tr("暂停"));
    m_recordBtn->setChecked(isRecording());
    m_recordBtn->setText(isRecording() ? tr("停止记录") : tr("记录"));
}

// Updated when the picture stops, so a screen reader is not flooded.
void TravelScopeWindow::refreshSummary()
{
    const QString text = m_plot->isPaused() ? m_plot->summary() : QString();
    m_summary->setText(text);
    m_summary->setVisible(!text.isEmpty());
    m_summary->setAccessibleDescription(text);
}

QString TravelScopeWindow::summaryText() const
{
    return m_summary->text();
}

void TravelScopeWindow::showStatus(const QString &text)
{
    m_status->setText(text);
    m_status->setAccessibleName(text);
}

QString TravelScopeWindow::statusText() const
{
    return m_status->text();
}

void TravelScopeWindow::showEvent(QShowEvent *event)
{
    m_clock.invalidate();
    m_plot->clearTraces();
    QWidget::showEvent(event);
    emit shown();
}

void TravelScopeWindow::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    stopRecording();
    emit hidden();
}
