#include "SOCDSetWindow.h"

SOCDSetWindow::SOCDSetWindow(QWidget *parent) : PairKeySetWindow(Bind_SOCD, parent)
{
    finishBuild();
}

QString SOCDSetWindow::titleText() const
{
    return tr("SOCD（SOCD）");
}

QString SOCDSetWindow::descriptionText() const
{
    return tr("绑定两个按键，后按下的按键会强制释放前一个按键，同一时刻只会触发一个按键。");
}

QVariant SOCDSetWindow::record() const
{
    SOCDInfo socd;
    socd.keyIndex = firstType();
    socd.switchType = partner();
    return QVariant::fromValue(socd);
}
