#include "AdvanceTypeChooseWindow.h"

#include "AdvanceTypeItemWgt.h"
#include "AdvancedLog.h"

#include <QButtonGroup>
#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

namespace {
const int Kinds[] = {Bind_DKS, Bind_MPT, Bind_MT, Bind_TGL, Bind_END, Bind_SOCD, Bind_MACRO};
constexpr int KindCount = int(sizeof(Kinds) / sizeof(Kinds[0]));
} // namespace

AdvanceTypeChooseWindow::AdvanceTypeChooseWindow(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AdvanceTypeChooseWindow"));
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    // At least 460 × 480; taller when a language's descriptions need it.
    setFixedWidth(460);
    setMinimumHeight(480);
    m_group = new QButtonGroup(this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(0);
    for (int id = 0; id < KindCount; ++id) {
        auto *item = new AdvanceTypeItemWgt(this);
        m_group->addButton(item, id);
        m_items << item;
        layout->addWidget(item, 1);
    }
    connect(m_group, &QButtonGroup::idClicked, this, &AdvanceTypeChooseWindow::onItemClicked);
    retranslate();
}

int AdvanceTypeChooseWindow::kindOfId(int id)
{
    return id >= 0 && id < KindCount ? Kinds[id] : Bind_None;
}

void AdvanceTypeChooseWindow::showFor(const KeyInfo &info, const QPoint &globalPos)
{
    m_info = info;
    adjustSize();
    QPoint at = globalPos;
    // A key near the bottom or the right of the screen still shows it all.
    if (const QScreen *screen = QGuiApplication::screenAt(globalPos)) {
        const QRect area = screen->availableGeometry();
        at.setX(qBound(area.left(), at.x(), area.right() - width()));
        at.setY(qBound(area.top(), at.y(), area.bottom() - height()));
    }
    move(at);
    show();
    raise();
    activateWindow();
    if (!m_items.isEmpty())
        m_items.first()->setFocus();
}

void AdvanceTypeChooseWindow::onItemClicked(int id)
{
    qCDebug(lcAdvanced) << "点击高级键选项：" << id;
    const int kind = kindOfId(id);
    hide();
    emit kindChosen(m_info, BindKeyType(kind));
}

bool AdvanceTypeChooseWindow::event(QEvent *event)
{
    if (event->type() == QEvent::WindowDeactivate && isVisible())
        hide();
    return QDialog::event(event);
}

void AdvanceTypeChooseWindow::retranslate()
{
    const QString titles[KindCount] = {tr("动态键程（DKS）"), tr("多点触发（MPT）"), tr("按住/单击（MT）"),
                                       tr("切换开关（TGL）"), tr("释放触发（END）"), tr("SOCD（SOCD）"),
                                       tr("宏指令（MACRO）")};
    const QString descriptions[KindCount] = {
        tr("单个按键实现4种功能:您可以根据4种不同的按压程度绑定1至4种功能。"),
        tr("单个按键可在三个不用的深度触发三个不同的按键。"),
        tr("单个按键实现2种功能:按住按键为一种，单击按键为另一种。"),
        tr("单击按键可开关持续触发。按住按键则为正常触发行为。"),
        tr("单个按键可在松开时发送另一个按键。"),
        tr("绑定两个按键，后按下的按键会强制释放前一个按键，同一时刻只会触发一个按键。"),
        tr("给按键设置一串指令，已发送多个按键。"),
    };
    for (int id = 0; id < KindCount; ++id)
        m_items.at(id)->setTexts(titles[id], descriptions[id]);
    setAccessibleName(tr("选择高级键类型"));
}

void AdvanceTypeChooseWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QDialog::changeEvent(event);
}

void AdvanceTypeChooseWindow::paintEvent(QPaintEvent *)
{
    // A white card; without a compositor an X11 window has no see-through
    // corners, so the card stays square.
    QPainter p(this);
    p.setPen(QPen(QColor(220, 223, 230), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}
