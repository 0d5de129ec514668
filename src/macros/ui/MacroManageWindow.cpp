#include "MacroManageWindow.h"

#include "KeyTypeTable.h"
#include "MacroIcons.h"
#include "MacroKeyNames.h"
#include "MacroLog.h"
#include "UserMessage.h"

#include <QButtonGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>

#include <climits>

namespace {

constexpr int TextButtonWidth = 80;
constexpr int TextButtonHeight = 30;
constexpr int IconButtonSize = 25;
constexpr int RowIconSize = 16;

QPushButton *textButton(QWidget *parent, const char *objectName)
{
    auto *b = new QPushButton(parent);
    b->setObjectName(QLatin1String(objectName));
    b->setFixedSize(TextButtonWidth, TextButtonHeight);
    b->setAutoDefault(false);
    b->setCursor(Qt::PointingHandCursor);
    return b;
}

QPushButton *iconButton(QWidget *parent, MacroIcon icon)
{
    auto *b = new QPushButton(parent);
    b->setObjectName(QStringLiteral("MacroStepToolBtn"));
    b->setFixedSize(IconButtonSize, IconButtonSize);
    b->setIcon(macroIcon(icon, 20, QColor(96, 98, 102)));
    b->setIconSize(QSize(20, 20));
    b->setStyleSheet(QStringLiteral("border:none;"));
    b->setAutoDefault(false);
    b->setCursor(Qt::PointingHandCursor);
    return b;
}

} // namespace

MacroManageWindow::MacroManageWindow(const QString &folder, QWidget *parent) : QDialog(parent), m_store(folder)
{
    setObjectName(QStringLiteral("MacroManageWindow"));
    setWindowModality(Qt::ApplicationModal);
    build();
    setupConnections();
    loadMacros();
    retranslate();
    updateControls();
}

MacroManageWindow::~MacroManageWindow()
{
    if (m_recording)
        releaseKeyboard();
}

void MacroManageWindow::build()
{
    resize(650, 450);
    setMinimumSize(650, 450);
    setStyleSheet(QStringLiteral(
        "#MacroManageWindow{background:white;border:1px solid rgb(220, 223, 230);}"
        "QLabel#MacroSectionTitle{color:#333333;font-size:16px;font-weight:bold;}"
        "QListWidget{border:1px solid rgb(220, 223, 230);border-radius:4px;background:white;}"
        "QListWidget::item{height:26px;}"
        "QListWidget::item:selected{background:rgb(255, 240, 204);color:#333333;}"
        "QPushButton#MacroTextBtn{background:white;color:#333333;border:1px solid rgb(160, 170, 184);"
        "border-radius:4px;}"
        "QPushButton#MacroTextBtn:hover{border-color:rgb(254, 187, 36);}"
        "QPushButton#MacroTextBtn:disabled{color:rgb(180, 182, 188);border-color:rgb(220, 223, 230);}"
        "QPushButton#MacroRecordBtn{background:rgb(65, 200, 116);color:white;border:none;border-radius:4px;}"
        "QPushButton#MacroRecordBtn[recording=\"true\"]{background:rgb(232, 72, 85);}"
        "QPushButton#MacroSaveBtn{background:rgb(254, 187, 36);color:white;border:none;border-radius:4px;}"
        "QPushButton#MacroSaveBtn:disabled{background:rgb(230, 232, 236);color:rgb(170, 172, 178);}"));

    auto *root = new QHBoxLayout(this);
    root->setContentsMargins(20, 16, 20, 16);
    root->setSpacing(20);

    // Left: the stored macros.
    auto *left = new QVBoxLayout;
    left->setSpacing(8);
    m_listTitle = new QLabel(this);
    m_listTitle->setObjectName(QStringLiteral("MacroSectionTitle"));
    m_macroList = new QListWidget(this);
    m_macroList->setObjectName(QStringLiteral("MacroNameList"));
    m_macroList->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    auto *fileButtons = new QHBoxLayout;
    fileButtons->setSpacing(8);
    m_import = textButton(this, "MacroTextBtn");
    m_export = textButton(this, "MacroTextBtn");
    m_delete = textButton(this, "MacroTextBtn");
    m_copy = textButton(this, "MacroTextBtn");
    for (QPushButton *b : {m_import, m_export, m_delete, m_copy})
        fileButtons->addWidget(b);
    left->addWidget(m_listTitle);
    left->addWidget(m_macroList, 1);
    left->addLayout(fileButtons);
    root->addLayout(left);

    // Right: the steps of the shown macro or of the recording.
    auto *right = new QVBoxLayout;
    right->setSpacing(8);
    m_recordTitle = new QLabel(this);
    m_recordTitle->setObjectName(QStringLiteral("MacroSectionTitle"));
    m_stepList = new QListWidget(this);
    m_stepList->setObjectName(QStringLiteral("MacroStepList"));
    m_stepList->setIconSize(QSize(RowIconSize, RowIconSize));
    m_stepList->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    m_removeStep = iconButton(this, MacroIcon::Delete);
    m_moveUp = iconButton(this, MacroIcon::Release);
    m_moveDown = iconButton(this, MacroIcon::Press);
    auto *tools = new QVBoxLayout;
    tools->setSpacing(6);
    tools->addWidget(m_removeStep);
    tools->addWidget(m_moveUp);
    tools->addWidget(m_moveDown);
    tools->addStretch();
    auto *steps = new QHBoxLayout;
    steps->setSpacing(6);
    steps->addWidget(m_stepList, 1);
    steps->addLayout(tools);

    m_recordDelay = new QRadioButton(this);
    m_fixedDelay = new QRadioButton(this);
    m_delayChoice = new QButtonGroup(this);
    m_delayChoice->addButton(m_recordDelay);
    m_delayChoice->addButton(m_fixedDelay);
    m_recordDelay->setChecked(true);
    m_fixedDelayEdit = new QLineEdit(QStringLiteral("10"), this);
    m_fixedDelayEdit->setObjectName(QStringLiteral("MacroFixedDelayEdit"));
    m_fixedDelayEdit->setValidator(new QIntValidator(1, 9999, m_fixedDelayEdit));
    m_fixedDelayEdit->setFixedWidth(60);
    m_fixedDelayUnit = new QLabel(this);
    auto *fixedRow = new QHBoxLayout;
    fixedRow->addWidget(m_fixedDelay);
    fixedRow->addWidget(m_fixedDelayEdit);
    fixedRow->addWidget(m_fixedDelayUnit);
    fixedRow->addStretch();

    m_record = textButton(this, "MacroRecordBtn");
    m_save = textButton(this, "MacroSaveBtn");
    auto *recordButtons = new QHBoxLayout;
    recordButtons->setSpacing(8);
    recordButtons->addStretch();
    recordButtons->addWidget(m_record);
    recordButtons->addWidget(m_save);

    right->addWidget(m_recordTitle);
    right->addLayout(steps, 1);
    right->addWidget(m_recordDelay);
    right->addLayout(fixedRow);
    right->addLayout(recordButtons);
    root->addLayout(right, 1);
}

void MacroManageWindow::setupConnections()
{
    connect(this, &MacroManageWindow::sigMacroKeyRecord, this, &MacroManageWindow::onMacroKeyRecord);
    connect(m_record, &QPushButton::clicked, this, [this] {
        if (m_recording)
            stopRecording();
        else
            startRecording();
    });
    connect(m_save, &QPushButton::clicked, this, &MacroManageWindow::saveRecording);
    connect(m_import, &QPushButton::clicked, this, &MacroManageWindow::importMacro);
    connect(m_export, &QPushButton::clicked, this, &MacroManageWindow::exportMacro);
    connect(m_delete, &QPushButton::clicked, this, &MacroManageWindow::deleteMacro);
    connect(m_copy, &QPushButton::clicked, this, &MacroManageWindow::copyMacro);
    connect(m_removeStep, &QPushButton::clicked, this, &MacroManageWindow::removeStep);
    connect(m_moveUp, &QPushButton::clicked, this, [this] { moveStep(-1); });
    connect(m_moveDown, &QPushButton::clicked, this, [this] { moveStep(1); });
    connect(m_stepList, &QListWidget::itemChanged, this, &MacroManageWindow::onStepEdited);
    connect(m_stepList, &QListWidget::currentRowChanged, this, [this] { updateControls(); });
    connect(m_macroList, &QListWidget::currentItemChanged, this,
            [this](QListWidgetItem *item) { showMacro(item); });
    connect(m_macroList, &QListWidget::itemChanged, this, &MacroManageWindow::onMacroRenamed);
    connect(m_fixedDelay, &QRadioButton::toggled, this, [this] { updateControls(); });
}

void MacroManageWindow::retranslate()
{
    setWindowTitle(tr("宏管理"));
    setAccessibleName(tr("宏管理"));
    m_listTitle->setText(tr("宏列表"));
    m_macroList->setAccessibleName(tr("宏列表"));
    m_recordTitle->setText(tr("宏记录"));
    m_stepList->setAccessibleName(tr("宏记录"));
    const QList<QPair<QPushButton *, QString>> texts = {
        {m_import, tr("导入")}, {m_export, tr("导出")}, {m_delete, tr("删除")}, {m_copy, tr("复制")},
        {m_save, tr("保存录制")}, {m_record, m_recording ? tr("停止录制") : tr("开始录制")}};
    for (const auto &t : texts) {
        t.first->setText(t.second);
        t.first->setAccessibleName(t.second);
    }
    const QList<QPair<QPushButton *, QString>> tips = {
        {m_removeStep, tr("删除步骤")}, {m_moveUp, tr("上移步骤")}, {m_moveDown, tr("下移步骤")}};
    for (const auto &t : tips) {
        t.first->setToolTip(t.second);
        t.first->setAccessibleName(t.second);
    }
    m_recordDelay->setText(tr("记录延时"));
    m_recordDelay->setAccessibleName(tr("记录延时"));
    m_fixedDelay->setText(tr("设置延时"));
    m_fixedDelay->setAccessibleName(tr("设置延时"));
    m_fixedDelayEdit->setAccessibleName(tr("固定延时（毫秒）"));
    m_fixedDelayUnit->setText(tr("毫秒"));
    showSteps();
}

void MacroManageWindow::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        retranslate();
}

void MacroManageWindow::hideEvent(QHideEvent *event)
{
    // A hidden window must not keep the keyboard.
    if (m_recording)
        stopRecording();
    QDialog::hideEvent(event);
}

void MacroManageWindow::message(const QString &title, const QString &text)
{
    showUserMessage(title, text);
}

// --- Recording

void MacroManageWindow::startRecording()
{
    m_steps.clear();
    m_shown.clear();
    m_viewOnly = false;
    m_canSave = false;
    {
        QSignalBlocker block(m_macroList);
        m_macroList->setCurrentItem(nullptr);
    }
    m_recording = true;
    m_hasLastEvent = false;
    m_held.clear();
    grabKeyboard();
    qCDebug(lcMacros) << "recording started";
    m_record->setProperty("recording", true);
    retranslate();
    updateControls();
}

void MacroManageWindow::stopRecording()
{
    releaseKeyboard();
    m_recording = false;
    m_hasLastEvent = false;
    m_canSave = !m_steps.isEmpty();
    qCDebug(lcMacros) << "recording stopped," << m_steps.rowCount() << "rows";
    m_record->setProperty("recording", false);
    retranslate();
    updateControls();
}

bool MacroManageWindow::event(QEvent *event)
{
    if (m_recording) {
        switch (event->type()) {
        case QEvent::ShortcutOverride:
            // Every key is for the recording, none for a shortcut.
            event->accept();
            return true;
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            recordKeyEvent(static_cast<QKeyEvent *>(event));
            return true;
        default: break;
        }
    }
    return QDialog::event(event);
}

void MacroManageWindow::recordKeyEvent(const QKeyEvent *event)
{
    // A held key repeats its press (and, on X11, a release with it); the
    // macro holds the press once.
    if (event->isAutoRepeat())
        return;
    const int type = macroKeyTypeForQtKey(event->key(), event->modifiers(), event->nativeScanCode());
    if (type < 0 || keyTypeName(type).isEmpty()) {
        // Not recorded, so the pause to the next recorded key runs on.
        qCDebug(lcMacros) << "key not recordable:" << event->key();
        return;
    }
    const bool down = event->type() == QEvent::KeyPress;
    // A release whose press came before the recording (the Space or Enter
    // that pressed "开始录制") is not part of the macro.
    if (down)
        m_held.insert(type);
    else if (!m_held.remove(type))
        return;
    const qint64 now = qint64(event->timestamp());
    const int delta = m_hasLastEvent ? int(qBound<qint64>(0, now - m_lastEvent, INT_MAX)) : 0;
    m_lastEvent = now;
    m_hasLastEvent = true;
    emit sigMacroKeyRecord(down, type, delta);
}

void MacroManageWindow::onMacroKeyRecord(bool down, int key, int msecs)
{
    if (!m_recording)
        return;
    const QString name = keyTypeName(key);
    if (name.isEmpty())
        return;
    const QString delay = m_fixedDelay->isChecked() ? fixedDelayText() : QString::number(msecs);
    if (!m_steps.record(down, name, delay)) {
        qCDebug(lcMacros) << "step list full, key not recorded";
        return;
    }
    showSteps();
    m_stepList->scrollToBottom();
}

QString MacroManageWindow::fixedDelayText() const
{
    if (!m_fixedDelayEdit->hasAcceptableInput())
        return QString::number(MacroStepList::LastStepDelay);
    return QString::number(m_fixedDelayEdit->text().toInt());
}

void MacroManageWindow::updateControls()
{
    const bool idle = !m_recording;
    const bool selected = currentMacro() != nullptr;
    const bool editable = idle && !m_viewOnly && m_stepList->currentRow() >= 0;
    m_macroList->setEnabled(idle);
    m_stepList->setEnabled(idle);
    m_import->setEnabled(idle);
    m_export->setEnabled(idle);
    m_delete->setEnabled(idle && selected);
    m_copy->setEnabled(idle && selected);
    m_removeStep->setEnabled(editable);
    m_moveUp->setEnabled(editable);
    m_moveDown->setEnabled(editable);
    m_recordDelay->setEnabled(idle);
    m_fixedDelay->setEnabled(idle);
    m_fixedDelayEdit->setEnabled(idle && m_fixedDelay->isChecked());
    m_save->setEnabled(idle && m_canSave);
    // The record button's colour follows its "recording" property.
    m_record->style()->unpolish(m_record);
    m_record->style()->polish(m_record);
}

// --- The step list

void MacroManageWindow::showSteps()
{
    QSignalBlocker block(m_stepList);
    const int current = m_stepList->currentRow();
    m_stepList->clear();
    const QList<MacroRow> rows = m_steps.rows();
    for (const MacroRow &r : rows) {
        auto *item = new QListWidgetItem(m_stepList);
        item->setText(r.text);
        item->setData(IdRole, r.id);
        if (r.kind == MacroRow::Key) {
            item->setIcon(macroIcon(r.down ? MacroIcon::Press : MacroIcon::Release, RowIconSize));
            item->setData(Qt::AccessibleTextRole, r.down ? tr("按下 %1").arg(r.text) : tr("松开 %1").arg(r.text));
            item->setFlags(item->flags() & ~Qt::ItemIsEditable);
        } else {
            item->setIcon(macroIcon(MacroIcon::Timer, RowIconSize));
            item->setData(Qt::AccessibleTextRole, tr("延时 %1 毫秒").arg(r.text));
            if (!m_viewOnly)
                item->setFlags(item->flags() | Qt::ItemIsEditable);
        }
    }
    if (current >= 0 && current < m_stepList->count())
        m_stepList->setCurrentRow(current);
}

void MacroManageWindow::onStepEdited(QListWidgetItem *item)
{
    const int row = m_stepList->row(item);
    if (row < 0 || m_steps.row(row).kind != MacroRow::Delay)
        return;
    const bool changed = m_steps.setDelayText(row, item->text());
    {
        // The row shows what the list kept.
        QSignalBlocker block(m_stepList);
        item->setText(m_steps.row(row).text);
        item->setData(Qt::AccessibleTextRole, tr("延时 %1 毫秒").arg(item->text()));
    }
    // The rows stay as they are: the item being edited lives on.
    if (changed)
        persistSteps();
}

void MacroManageWindow::removeStep()
{
    const int row = m_stepList->currentRow();
    if (row < 0 || m_viewOnly)
        return;
    const int next = m_steps.removeStepOfRow(row);
    stepsEdited(next);
}

void MacroManageWindow::moveStep(int by)
{
    const int row = m_stepList->currentRow();
    if (row < 0 || m_viewOnly)
        return;
    const int next = m_steps.moveStepOfRow(row, by);
    if (next >= 0)
        stepsEdited(next);
}

void MacroManageWindow::stepsEdited(int selectRow)
{
    showSteps();
    {
        QSignalBlocker block(m_stepList);
        m_stepList->setCurrentRow(selectRow);
    }
    persistSteps();
}

// A stored macro's file follows its steps at once; a recording waits for
// "保存录制".
void MacroManageWindow::persistSteps()
{
    if (m_shown.isEmpty()) {
        m_canSave = !m_steps.isEmpty();
        updateControls();
        return;
    }
    QListWidgetItem *item = currentMacro();
    const QString error = m_store.save(m_shown, m_steps.steps());
    if (!error.isEmpty()) {
        message(tr("error"), error);
        // Back to what the file holds, once the edit that led here is over.
        QMetaObject::invokeMethod(this, [this] { showMacro(currentMacro()); }, Qt::QueuedConnection);
        return;
    }
    if (item)
        item->setData(StepsRole, QVariant::fromValue(m_steps.steps()));
    updateControls();
    emit sigMacrosChanged();
}
