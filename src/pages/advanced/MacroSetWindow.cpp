#include "MacroSetWindow.h"

#include "KeyChooseWgt.h"
#include "MacroTableWgt.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

MacroSetWindow::MacroSetWindow(QWidget *parent, const QString &folder) : AdvanceKeySetWindow(Bind_MACRO, parent)
{
    // A macro is chosen from the list, not from keys.
    picker()->hide();

    auto *row = new QHBoxLayout;
    m_slotCaption = new QLabel(this);
    m_slotCaption->setStyleSheet(QStringLiteral("QLabel{color:#333333;font-size:14px;}"));
    m_slot = new QLabel(this);
    m_slot->setObjectName(QStringLiteral("MacroSlot"));
    m_slot->setAlignment(Qt::AlignCenter);
    m_slot->setMinimumSize(200, 40);
    m_slot->setStyleSheet(QStringLiteral(
        "QLabel#MacroSlot{background:white;font-size:12px;color:rgb(118, 120, 123);"
        "border:2px solid rgb(254, 187, 36);border-radius:4px;padding:0px 8px;}"));
    row->addWidget(m_slotCaption);
    row->addWidget(m_slot);
    row->addStretch();
    controlsLayout()->addLayout(row);

    m_table = new MacroTableWgt(folder, this);
    m_table->setMinimumSize(460, 280);
    controlsLayout()->addWidget(m_table);
    connect(m_table, &MacroTableWgt::sigMacroGroupInfo, this, &MacroSetWindow::onMacroChosen);
    finishBuild();
    updateCommit();
}

QString MacroSetWindow::titleText() const
{
    return tr("宏指令（MACRO）");
}

QString MacroSetWindow::descriptionText() const
{
    return tr("给按键设置一串指令，已发送多个按键。");
}

void MacroSetWindow::retranslateControls()
{
    m_slotCaption->setText(tr("宏："));
    m_slot->setAccessibleName(m_slot->text().isEmpty() ? tr("未选择宏") : tr("宏：%1").arg(m_slot->text()));
    updateCommit();
}

void MacroSetWindow::onMacroChosen(const QString &name)
{
    m_slot->setText(name);
    retranslateControls();
}

void MacroSetWindow::loadRecord(const KeyInfo &info)
{
    const QString name = keyIsBound() ? info.boundOr<MACROInfo>().macroName : QString();
    // A bound name without its file stays shown, though nothing is chosen.
    if (name.isEmpty() || !m_table->selectMacro(name))
        m_table->selectMacro(QString());
    m_slot->setText(name);
    retranslateControls();
}

QVariant MacroSetWindow::record() const
{
    MACROInfo macro;
    macro.keyIndex = firstType();
    macro.macroName = m_slot->text();
    macro.steps = m_table->selectedName().isEmpty() ? QList<MACRO_Key>() : m_table->selectedSteps();
    return QVariant::fromValue(macro);
}

// A key is bound only to a macro of the list with steps: the keyboard is
// sent nothing for an empty one.
void MacroSetWindow::updateCommit()
{
    if (!m_table)
        return;
    if (m_table->selectedName().isEmpty()) {
        setCommitAllowed(false, m_slot->text().isEmpty()
                                    ? tr("请从宏列表中选择一个宏。")
                                    : tr("宏“%1”不在宏列表中，请重新选择。").arg(m_slot->text()));
        return;
    }
    if (m_table->selectedSteps().isEmpty()) {
        setCommitAllowed(false, tr("这个宏没有步骤。"));
        return;
    }
    setCommitAllowed(true);
}
