#include "BindItemWgt.h"

#include "AdvancedIcons.h"
#include "AdvancedKeyRecords.h"
#include "KeyTypeTable.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace {

QString oneLine(QString name)
{
    return name.replace(QLatin1Char('\n'), QLatin1Char(' '));
}

} // namespace

// One sheet for every entry, set on the list that holds them: parsed once,
// not four times per entry.
QString BindItemWgt::listStyleSheet()
{
    return QStringLiteral("QLabel#BindItemKey{background:white;color:#333333;font-size:12px;"
                          "border:1px solid rgb(160, 170, 184);border-radius:4px;}"
                          "QLabel[bindPart=\"kind\"]{background:rgb(254, 187, 36);color:white;font-size:12px;"
                          "border-radius:4px;}"
                          "QLabel#BindItemBound{color:#666666;font-size:13px;}"
                          "QPushButton#BindItemDelete{border:none;}");
}

BindItemWgt::BindItemWgt(const KeyInfo &info, QWidget *parent) : QWidget(parent), m_info(info)
{
    setObjectName(QStringLiteral("BindItemWgt"));
    setFixedSize(Width, Height);
    m_key = new QLabel(this);
    m_key->setObjectName(QStringLiteral("BindItemKey"));
    m_key->setFixedSize(72, 36);
    m_key->setAlignment(Qt::AlignCenter);
    m_kind = new QLabel(this);
    m_kind->setFixedSize(64, 24);
    m_kind->setAlignment(Qt::AlignCenter);
    m_kind->setProperty("bindPart", QStringLiteral("kind")); // its object name follows the kind
    m_bound = new QLabel(this);
    m_bound->setObjectName(QStringLiteral("BindItemBound"));
    auto *buttons = new QWidget(this);
    buttons->setObjectName(QStringLiteral("BindItemBtnWgt"));
    m_delete = new QPushButton(buttons);
    m_delete->setIcon(advancedIcon(AdvancedIcon::Delete, 20));
    m_delete->setIconSize(QSize(20, 20));
    m_delete->setFixedSize(30, 30);
    m_delete->setObjectName(QStringLiteral("BindItemDelete"));
    m_delete->setCursor(Qt::PointingHandCursor);
    auto *buttonRow = new QHBoxLayout(buttons);
    buttonRow->setContentsMargins(0, 0, 0, 0);
    buttonRow->addWidget(m_delete);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(12, 0, 12, 0);
    row->setSpacing(14);
    row->addWidget(m_key);
    row->addWidget(m_kind);
    row->addWidget(m_bound, 1);
    row->addWidget(buttons);
    connect(m_delete, &QPushButton::clicked, this, &BindItemWgt::sigDeleteItem);
    refresh();
}

void BindItemWgt::setKeyInfo(const KeyInfo &info)
{
    m_info = info;
    refresh();
}

QString BindItemWgt::keyText() const
{
    return m_key->text();
}

QString BindItemWgt::kindText() const
{
    return m_kind->text();
}

QString BindItemWgt::boundText() const
{
    return m_bound->text();
}

void BindItemWgt::refresh()
{
    const QString label = bindKeyTypeLabel(m_info.bindKind());
    m_kind->setObjectName(QStringLiteral("BindItemTypeLabel") + label);
    m_kind->setText(label);
    m_key->setText(keyTypeName(firstType()));
    QStringList names;
    if (const MACROInfo *macro = m_info.bound<MACROInfo>()) {
        names << macro->macroName;
    } else {
        for (int type : boundKeyTypes(m_info))
            names << oneLine(keyTypeName(type));
    }
    m_bound->setText(names.isEmpty() ? QStringLiteral("—") : names.join(QStringLiteral(", ")));
    m_bound->setToolTip(m_bound->text());
    const QString key = oneLine(keyTypeName(firstType()));
    setAccessibleName(tr("%1，%2，%3").arg(key, label, m_bound->text()));
    m_delete->setAccessibleName(tr("删除%1的绑定").arg(key));
    m_delete->setToolTip(tr("删除绑定"));
    emit sigNameChanged(accessibleName());
}

void BindItemWgt::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        refresh();
    QWidget::changeEvent(event);
}
