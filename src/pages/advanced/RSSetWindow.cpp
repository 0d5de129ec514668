#include "RSSetWindow.h"

RSSetWindow::RSSetWindow(QWidget *parent) : PairKeySetWindow(Bind_RS, parent)
{
    finishBuild();
}

QString RSSetWindow::titleText() const
{
    return tr("Rappy Snappy（RS）");
}

QString RSSetWindow::descriptionText() const
{
    return tr("绑定两个按键，同时监测按压程度，按压更深的按键被触发。当两个按键触底时，同时触发。");
}

QVariant RSSetWindow::record() const
{
    RSInfo rs;
    rs.keyIndex = firstType();
    rs.switchType = partner();
    return QVariant::fromValue(rs);
}
