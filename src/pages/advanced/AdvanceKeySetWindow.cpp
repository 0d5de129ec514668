#include "AdvanceKeySetWindow.h"

#include "AdvancedIcons.h"
#include "AdvancedKeyRecords.h"
#include "FramelessWindow.h"
#include "KeyChooseBtn.h"
#include "KeyChooseWgt.h"
#include "KeyDragBtn.h"
#include "KeyTypeTable.h"

#include <QButtonGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int DragBand = 100;     // px from the top edge that move the window
constexpr int PickerKeyUnit = 32; // px per key unit
} // namespace

AdvanceKeySetWindow::AdvanceKeySetWindow(int kind, QWidget *parent) : PopWindow(parent), m_kind(kind)
{
    setObjectName(QStringLiteral("AdvanceKeySetWindow"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    WindowDragger::install(this, DragBand);
    setWindowModality(Qt::ApplicationModal);
    setStyleSheet(QStringLiteral(
        "#AdvanceKeySetWindow{background:white;border:1px solid rgb(220, 223, 230);}"
        "QPushButton#AdvanceCloseBtn{border:none;background:transparent;}"
        "QPushButton#PopCommitBtn{background:rgb(65, 200, 116);color:white;border:none;border-radius:4px;}"
        "QPushButton#PopCommitBtn:disabled{background:rgb(180, 230, 200);}"
        "QPushButton#PopCancelBtn{background:rgb(204, 206, 219);color:white;border:none;border-radius:4px;}"));

    auto *content = new QVBoxLayout(contentArea());
    content->setContentsMargins(20, 0, 20, 0);
    content->setSpacing(6);

    auto *titleBar = new QHBoxLayout;
    m_title = new QLabel(contentArea());
    m_title->setObjectName(QStringLiteral("AdvanceTitle"));
    m_title->setStyleSheet(QStringLiteral("QLabel{color:#333333;font-size:18px;font-weight:bold;}"));
    m_close = new QPushButton(contentArea());
    m_close->setObjectName(QStringLiteral("AdvanceCloseBtn"));
    m_close->setIcon(advancedIcon(AdvancedIcon::Close, 20));
    m_close->setIconSize(QSize(20, 20));
    m_close->setFixedSize(30, 30);
    m_close->setCursor(Qt::PointingHandCursor);
    m_currentKey = new QLabel(contentArea());
    m_currentKey->setObjectName(QStringLiteral("AdvanceCurrentKey"));
    m_currentKey->setStyleSheet(QStringLiteral("QLabel{color:#333333;font-size:14px;}"));
    titleBar->addWidget(m_title);
    titleBar->addSpacing(24);
    titleBar->addWidget(m_currentKey);
    titleBar->addStretch();
    titleBar->addWidget(m_close);
    auto *titleWidget = new QWidget(contentArea());
    titleWidget->setFixedHeight(50);
    titleWidget->setLayout(titleBar);
    titleBar->setContentsMargins(0, 0, 0, 0);
    content->addWidget(titleWidget);
    m_description = new QLabel(contentArea());
    m_description->setObjectName(QStringLiteral("AdvanceDescription"));
    m_description->setStyleSheet(QStringLiteral("QLabel{color:#666666;font-size:13px;}"));
    m_description->setWordWrap(true);
    content->addWidget(m_description);

    m_controls = new QVBoxLayout;
    m_controls->setContentsMargins(0, 8, 0, 8);
    content->addLayout(m_controls);
    m_reason = new QLabel(contentArea());
    m_reason->setObjectName(QStringLiteral("AdvanceReason"));
    m_reason->setStyleSheet(QStringLiteral("QLabel{color:rgb(232, 72, 85);font-size:13px;}"));
    m_reason->hide();
    content->addWidget(m_reason);

    // Slightly smaller keys than the picker's own keep the tallest editor
    // on a laptop screen.
    m_picker = new KeyChooseWgt(contentArea(), PickerKeyUnit);
    m_picker->setTitleVisible(false);
    // Keys the keyboard cannot send from a binding are not offered.
    for (KeyChooseBtn *b : m_picker->keyButtons())
        b->setEnabled(isBindableKeyType(b->type()));
    content->addWidget(m_picker);

    m_slotGroup = new QButtonGroup(this);
    m_slotGroup->setExclusive(true);

    m_remove = new QPushButton(this);
    m_remove->setObjectName(QStringLiteral("AdvanceRemoveBtn"));
    m_remove->setStyleSheet(QStringLiteral("QPushButton{border:none;background:transparent;color:rgb(232, 72, 85);}"));
    m_remove->setIcon(advancedIcon(AdvancedIcon::Delete, 18, QColor(232, 72, 85)));
    m_remove->setCursor(Qt::PointingHandCursor);
    m_remove->hide();
    if (auto *buttons = qobject_cast<QHBoxLayout *>(commitButton()->parentWidget()->layout()))
        buttons->insertWidget(0, m_remove);
    for (QPushButton *b : {commitButton(), cancelButton()})
        b->setFixedSize(80, 35);

    connect(m_picker, &KeyChooseWgt::sigKeyClicked, this, &AdvanceKeySetWindow::onPickerKey);
    connect(m_close, &QPushButton::clicked, cancelButton(), &QPushButton::click);
    connect(m_remove, &QPushButton::clicked, this, [this] {
        hide();
        emit sigDeleteBindItem(m_info);
    });
}

void AdvanceKeySetWindow::finishBuild()
{
    retranslate();
    for (KeyDragBtn *slot : qAsConst(m_slots)) {
        if (!slot->isFixed()) {
            slot->setChecked(true); // a picker click fills it straight away
            break;
        }
    }
}

void AdvanceKeySetWindow::registerSlot(KeyDragBtn *slot)
{
    m_slots << slot;
    if (!slot->isFixed())
        m_slotGroup->addButton(slot);
}

void AdvanceKeySetWindow::onPickerKey(int type)
{
    auto *slot = qobject_cast<KeyDragBtn *>(m_slotGroup->checkedButton());
    if (slot)
        slot->setKeyType(type);
}

void AdvanceKeySetWindow::loadKey(const KeyInfo &info)
{
    m_info = info;
    m_remove->setVisible(keyIsBound());
    retranslate();
    loadRecord(info);
}

void AdvanceKeySetWindow::setCommitAllowed(bool allowed, const QString &reason)
{
    commitButton()->setEnabled(allowed);
    m_reason->setText(reason);
    m_reason->setVisible(!allowed && !reason.isEmpty());
}

void AdvanceKeySetWindow::retranslate()
{
    m_title->setText(titleText());
    setWindowTitle(titleText());
    setAccessibleName(titleText());
    QString name = keyTypeName(firstType());
    name.replace(QLatin1Char('\n'), QLatin1Char(' '));
    m_currentKey->setText(tr("当前按键：%1").arg(name));
    const QString description = descriptionText();
    m_description->setText(description);
    m_description->setVisible(!description.isEmpty());
    m_close->setAccessibleName(tr("关闭"));
    m_close->setToolTip(tr("关闭"));
    m_remove->setText(tr("删除绑定"));
    m_remove->setAccessibleName(tr("删除绑定"));
    retranslateControls();
}

void AdvanceKeySetWindow::changeEvent(QEvent *event)
{
    PopWindow::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        retranslate();
}

