#include "DKSSetWindow.h"

#include "AdvancedIcons.h"
#include "AppParams.h"
#include "DKSSetWgt.h"
#include "KeyDragBtn.h"
#include "TouchDisModifyWindow.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int Margin = 40;       // room left of the first event for its label
constexpr int HeaderHeight = 70;
const char *const ValueProperty = "Value";

// The centre of event e (0..3) in the header and row containers.
int eventX(int e)
{
    return Margin + DKSSetWgt::centreX(2 * e);
}

} // namespace

DKSSetWindow::DKSSetWindow(QWidget *parent) : AdvanceKeySetWindow(Bind_DKS, parent)
{
    m_heading = new QLabel(QStringLiteral("DKS:"), this);
    m_heading->setStyleSheet(QStringLiteral("QLabel{font-size:14px;font-weight:bold;color:#333333;}"));
    controlsLayout()->addWidget(m_heading);

    auto *header = new QWidget(this);
    const int width = 2 * Margin + 360;
    header->setFixedSize(width, HeaderHeight);
    auto *buttons = new QButtonGroup(this);
    for (int e = 0; e < Events; ++e) {
        m_eventLabels[e] = new QLabel(header);
        m_eventLabels[e]->setWordWrap(true);
        m_eventLabels[e]->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
        m_eventLabels[e]->setStyleSheet(QStringLiteral("QLabel{font-size:12px;color:#666666;}"));
        m_eventLabels[e]->setGeometry(eventX(e) - 48, 0, 96, 34);
        auto *b = new QPushButton(header);
        b->setGeometry(eventX(e) - 38, 38, 76, 26);
        // Only the first and last trigger points are the user's; the key
        // bottoms out at the maximum travel.
        const bool editable = e == 0 || e == Events - 1;
        b->setEnabled(editable);
        b->setCursor(editable ? Qt::PointingHandCursor : Qt::ArrowCursor);
        b->setStyleSheet(QStringLiteral(
            "QPushButton{background:white;color:#333333;font-size:12px;border:1px solid rgb(160, 170, 184);"
            "border-radius:4px;}QPushButton:disabled{background:rgb(245, 247, 250);color:#999999;}"
            "QPushButton:hover{border-color:rgb(254, 187, 36);}"));
        buttons->addButton(b, e);
        m_travelButtons[e] = b;
    }
    for (const auto &mark : {qMakePair(AdvancedIcon::PressDown, 0), qMakePair(AdvancedIcon::ReleaseUp, 2)}) {
        auto *picture = new QLabel(header);
        picture->setPixmap(advancedPixmap(mark.first, 24, QColor(120, 124, 130)));
        const int x = (eventX(mark.second) + eventX(mark.second + 1)) / 2;
        picture->setGeometry(x - 12, 39, 24, 24);
    }

    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(6);
    grid->addWidget(header, 0, 1);
    for (int i = 0; i < Rows; ++i) {
        m_slots[i] = new KeyDragBtn(this);
        auto *holder = new QWidget(this);
        holder->setFixedSize(width, 40);
        m_rows[i] = new DKSSetWgt(holder);
        m_rows[i]->move(Margin, 0);
        grid->addWidget(m_slots[i], i + 1, 0);
        grid->addWidget(holder, i + 1, 1);
        registerSlot(m_slots[i]);
    }
    grid->setColumnStretch(2, 1);
    controlsLayout()->addLayout(grid);

    connect(buttons, &QButtonGroup::idClicked, this, &DKSSetWindow::onTopBtnClicked);
    finishBuild();
}

QString DKSSetWindow::titleText() const
{
    return tr("动态键程（DKS）");
}

void DKSSetWindow::retranslateControls()
{
    const QString events[Events] = {tr("按键起点"), tr("按键触底"), tr("按键触底时松开"), tr("完全松开按键")};
    for (int e = 0; e < Events; ++e) {
        m_eventLabels[e]->setText(events[e]);
        m_travelButtons[e]->setAccessibleName(tr("%1的触发点").arg(events[e]));
    }
    for (int i = 0; i < Rows; ++i) {
        const QString row = tr("按键%1").arg(i + 1);
        m_slots[i]->setSlotName(row);
        m_rows[i]->setRowName(row);
    }
}

void DKSSetWindow::setTravelValue(int button, double mm)
{
    QPushButton *b = m_travelButtons[button];
    b->setProperty(ValueProperty, mm);
    b->setText(tr("%1mm").arg(mm, 0, 'g'));
    b->setToolTip(b->text());
}

double DKSSetWindow::travelValue(int button) const
{
    return m_travelButtons[button]->property(ValueProperty).toDouble();
}

void DKSSetWindow::onTopBtnClicked(int btnId)
{
    if (btnId != 0 && btnId != Events - 1)
        return;
    if (m_popup)
        m_popup->deleteLater();
    m_popup = new TouchDisModifyWindow(this);
    m_popup->setTravel(travelValue(btnId), travelScale(), travelDecimals());
    connect(m_popup, &PopWindow::sigCommit, this, [this, popup = m_popup.data()] {
        const double mm = popup->travel();
        setTravelValue(0, mm);
        setTravelValue(Events - 1, mm);
    });
    m_popup->move(mapToGlobal(QPoint(80, 60)));
    m_popup->show();
}

void DKSSetWindow::loadRecord(const KeyInfo &info)
{
    const bool bound = keyIsBound();
    const DKSInfo dks = info.boundOr<DKSInfo>();
    // The keyboard keeps one trigger point for the first and last events.
    const double first = bound && !dks.touchDis.isEmpty() ? dks.touchDis.first() : InitialTravel;
    setTravelValue(0, first);
    setTravelValue(1, travelScale().maximumMm());
    setTravelValue(2, travelScale().maximumMm());
    setTravelValue(3, first);
    for (int i = 0; i < Rows; ++i) {
        m_slots[i]->setKeyType(bound ? dks.bindKey.value(i, -1) : -1);
        m_rows[i]->setTriggerValue(bound ? dks.triggerValue.value(i) : QString());
    }
}

QVariant DKSSetWindow::record() const
{
    DKSInfo dks;
    dks.keyIndex = firstType();
    for (int e = 0; e < Events; ++e)
        dks.touchDis << travelValue(e);
    for (int i = 0; i < Rows; ++i) {
        dks.bindKey << m_slots[i]->keyType();
        dks.triggerValue << m_rows[i]->triggerValue();
    }
    return QVariant::fromValue(dks);
}
